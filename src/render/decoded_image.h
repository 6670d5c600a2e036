// A picture decoded from a texture file, before it becomes a device texture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Largest side any reader accepts; bigger headers are refused before anything
// is allocated.
constexpr uint32_t kMaxImageSide = 16384;

struct DecodedImage {
  uint32_t width = 0;
  uint32_t height = 0;
  // width * height texels 0xAARRGGBB, rows top first; alpha 255 where the
  // file has none.
  std::vector<uint32_t> texels;
  // The file's own pixel format, for reports: "A8R8G8B8", "DXT5", "BMP24", "PNG" ...
  std::string format;
  // Mip levels the file holds (only the top one is decoded).
  uint32_t levels = 1;
};

struct DecodeResult {
  bool ok = false;
  DecodedImage image;
  std::string error;  // why the file was refused, when !ok
};

inline DecodeResult DecodeFailure(std::string reason) {
  DecodeResult result;
  result.error = std::move(reason);
  return result;
}

inline uint32_t PackArgb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// One colour channel described by a bit mask (BMP bit fields, DDS pixel formats).
struct MaskChannel {
  uint32_t mask = 0;
  uint32_t shift = 0;
  uint32_t max = 0;  // mask >> shift

  // False when the set bits are not contiguous.
  bool Set(uint32_t m) {
    mask = m;
    shift = 0;
    max = 0;
    if (m == 0) return true;
    while (((m >> shift) & 1u) == 0) ++shift;
    max = m >> shift;
    return (max & (max + 1)) == 0;
  }
  uint32_t Bits() const {
    uint32_t n = 0;
    for (uint32_t v = max; v != 0; v >>= 1) ++n;
    return n;
  }
  // The channel of one pixel scaled to 0..255; `absent` when there is no mask.
  uint32_t Get(uint32_t pixel, uint32_t absent) const {
    if (mask == 0) return absent;
    const uint64_t v = (pixel & mask) >> shift;
    return static_cast<uint32_t>((v * 255u + max / 2) / max);
  }
};
