// PNG, JPEG and TGA through stb_image, with the checks stb itself leaves out
// (truncated TGA and JPEG data, sizes the file cannot justify).
#pragma once

#include <cstddef>
#include <cstdint>

#include "render/decoded_image.h"

bool LooksLikePng(const uint8_t* data, size_t size);
bool LooksLikeJpeg(const uint8_t* data, size_t size);
// TGA has no signature: true when the 18-byte header is self-consistent.
bool LooksLikeTga(const uint8_t* data, size_t size);

DecodeResult DecodePng(const uint8_t* data, size_t size);
DecodeResult DecodeJpeg(const uint8_t* data, size_t size);
DecodeResult DecodeTga(const uint8_t* data, size_t size);
