// DirectDraw Surface files: the uncompressed and DXT formats of the Direct3D 8 era.
#pragma once

#include <cstddef>
#include <cstdint>

#include "render/decoded_image.h"

// True when the bytes start like a DDS file.
bool LooksLikeDds(const uint8_t* data, size_t size);

// Decodes the top mip level. Cube maps, volume textures, DX10 headers and
// formats without a Direct3D 8 equivalent (BC4/BC5, floats, bump maps) are refused.
// The level count reported is the number of declared levels the file holds.
DecodeResult DecodeDds(const uint8_t* data, size_t size);
