#include "tools/dds_writer.h"

namespace sample {

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

constexpr uint32_t kDdsdCaps = 0x1;
constexpr uint32_t kDdsdHeight = 0x2;
constexpr uint32_t kDdsdWidth = 0x4;
constexpr uint32_t kDdsdPitch = 0x8;
constexpr uint32_t kDdsdPixelFormat = 0x1000;
constexpr uint32_t kDdpfAlphaPixels = 0x1;
constexpr uint32_t kDdpfRgb = 0x40;
constexpr uint32_t kDdsCapsTexture = 0x1000;

uint32_t Quantize(int value, int levels) { return uint32_t((value * levels + 127) / 255); }

}  // namespace

uint16_t ToR5G6B5(Argb colour) {
  return uint16_t((Quantize(RedOf(colour), 31) << 11) | (Quantize(GreenOf(colour), 63) << 5) |
                  Quantize(BlueOf(colour), 31));
}

std::vector<uint8_t> EncodeDds(const Image& image, DdsFormat format) {
  const bool argb = format == DdsFormat::A8R8G8B8;
  const uint32_t bytesPerPixel = argb ? 4 : 2;
  const uint32_t pitch = uint32_t(image.width) * bytesPerPixel;
  std::vector<uint8_t> out;
  out.reserve(128 + size_t(pitch) * size_t(image.height));
  for (char c : {'D', 'D', 'S', ' '}) out.push_back(uint8_t(c));
  Put32(out, 124);
  Put32(out, kDdsdCaps | kDdsdHeight | kDdsdWidth | kDdsdPitch | kDdsdPixelFormat);
  Put32(out, uint32_t(image.height));
  Put32(out, uint32_t(image.width));
  Put32(out, pitch);
  Put32(out, 0);  // depth
  Put32(out, 0);  // mip levels: just the top one
  for (int i = 0; i < 11; ++i) Put32(out, 0);
  // Pixel format.
  Put32(out, 32);
  Put32(out, argb ? (kDdpfRgb | kDdpfAlphaPixels) : kDdpfRgb);
  Put32(out, 0);  // no FourCC
  Put32(out, argb ? 32 : 16);
  Put32(out, argb ? 0x00FF0000u : 0xF800u);
  Put32(out, argb ? 0x0000FF00u : 0x07E0u);
  Put32(out, argb ? 0x000000FFu : 0x001Fu);
  Put32(out, argb ? 0xFF000000u : 0u);
  Put32(out, kDdsCapsTexture);
  for (int i = 0; i < 4; ++i) Put32(out, 0);  // caps2..4, reserved
  for (const Argb c : image.pixels) {
    if (argb) {
      Put32(out, c);
    } else {
      const uint16_t v = ToR5G6B5(c);
      out.push_back(uint8_t(v));
      out.push_back(uint8_t(v >> 8));
    }
  }
  return out;
}

}  // namespace sample
