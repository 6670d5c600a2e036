// Writes single-level DDS textures in the uncompressed formats the viewer's
// resources use.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/sample_image.h"

namespace sample {

enum class DdsFormat {
  A8R8G8B8,  // 32 bits, alpha kept
  R5G6B5,    // 16 bits, opaque; colours rounded to 5/6/5 bits
};

std::vector<uint8_t> EncodeDds(const Image& image, DdsFormat format);

// The 16-bit value a colour becomes in R5G6B5 (rounded to the nearest level).
uint16_t ToR5G6B5(Argb colour);

}  // namespace sample
