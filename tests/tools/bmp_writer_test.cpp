// The 24-bit BMP writer against our BMP reader; widths that need row padding.
#include "tools/bmp_writer.h"

#include <gtest/gtest.h>

#include "render/bmp_reader.h"

namespace {

class BmpWriterWidth : public ::testing::TestWithParam<int> {};

TEST_P(BmpWriterWidth, RoundTripsRowsTopFirstAndOpaque) {
  const int width = GetParam(), height = 3;
  sample::Image image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Alpha varies too: the file drops it.
      image.at(x, y) = sample::MakeArgb(x * 50, 10 + x * 40, 200 - y * 70, (x * 7 + y * 13) & 255);
    }
  }
  const std::vector<uint8_t> bytes = sample::EncodeBmp24(image);
  const size_t row = (size_t(width) * 3 + 3) / 4 * 4;
  EXPECT_EQ(bytes.size(), 54u + row * height);
  const DecodeResult decoded = DecodeBmp(bytes.data(), bytes.size());
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.image.format, "BMP24");
  ASSERT_EQ(decoded.image.width, uint32_t(width));
  ASSERT_EQ(decoded.image.height, uint32_t(height));
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    EXPECT_EQ(decoded.image.texels[i], image.pixels[i] | 0xFF000000u) << "texel " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Widths, BmpWriterWidth, ::testing::Values(1, 2, 3, 4, 5, 256));

}  // namespace
