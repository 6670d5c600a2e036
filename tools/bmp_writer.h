// Writes 24-bit uncompressed BMP files (bottom-up rows, 4-byte row padding),
// the form the viewer's face and background textures take.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/sample_image.h"

namespace sample {

// Alpha is dropped: a 24-bit bitmap is opaque.
std::vector<uint8_t> EncodeBmp24(const Image& image);

}  // namespace sample
