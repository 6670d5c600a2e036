#include "tools/bmp_writer.h"

namespace sample {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> EncodeBmp24(const Image& image) {
  const uint32_t rowBytes = (uint32_t(image.width) * 3 + 3) & ~3u;
  const uint32_t pixelBytes = rowBytes * uint32_t(image.height);
  constexpr uint32_t kHeaderBytes = 14 + 40;
  std::vector<uint8_t> out;
  out.reserve(kHeaderBytes + pixelBytes);
  out.push_back('B');
  out.push_back('M');
  Put32(out, kHeaderBytes + pixelBytes);
  Put32(out, 0);
  Put32(out, kHeaderBytes);
  Put32(out, 40);
  Put32(out, uint32_t(image.width));
  Put32(out, uint32_t(image.height));  // positive: bottom row first
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);  // BI_RGB
  Put32(out, pixelBytes);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const Argb c = image.at(x, y);
      out.push_back(uint8_t(BlueOf(c)));
      out.push_back(uint8_t(GreenOf(c)));
      out.push_back(uint8_t(RedOf(c)));
    }
    for (uint32_t pad = uint32_t(image.width) * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}

}  // namespace sample
