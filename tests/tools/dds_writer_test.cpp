// The DDS writer against our DDS reader, in both formats it writes.
#include "tools/dds_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "render/dds_reader.h"

namespace {

// An odd size, so a wrong pitch or row order shows; every alpha level used.
sample::Image TestPattern() {
  sample::Image image(7, 5);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      image.at(x, y) = sample::MakeArgb(x * 40 + y, x * 36, y * 60, 255 - x * 30 - y * 5);
    }
  }
  image.at(0, 0) = sample::MakeArgb(0, 255, 255, 255);
  image.at(6, 4) = sample::MakeArgb(255, 0, 0, 0);
  return image;
}

TEST(DdsWriter, A8R8G8B8RoundTripsExactly) {
  const sample::Image image = TestPattern();
  const std::vector<uint8_t> bytes = sample::EncodeDds(image, sample::DdsFormat::A8R8G8B8);
  EXPECT_EQ(bytes.size(), 128u + 7u * 5u * 4u);
  const DecodeResult decoded = DecodeDds(bytes.data(), bytes.size());
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.image.format, "A8R8G8B8");
  EXPECT_EQ(decoded.image.width, 7u);
  EXPECT_EQ(decoded.image.height, 5u);
  EXPECT_EQ(decoded.image.levels, 1u);
  EXPECT_EQ(decoded.image.texels, image.pixels);
}

TEST(DdsWriter, R5G6B5IsOpaqueAndRoundsToTheNearestLevel) {
  const sample::Image image = TestPattern();
  const std::vector<uint8_t> bytes = sample::EncodeDds(image, sample::DdsFormat::R5G6B5);
  EXPECT_EQ(bytes.size(), 128u + 7u * 5u * 2u);
  const DecodeResult decoded = DecodeDds(bytes.data(), bytes.size());
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.image.format, "R5G6B5");
  ASSERT_EQ(decoded.image.texels.size(), image.pixels.size());
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    const uint32_t in = image.pixels[i], out = decoded.image.texels[i];
    EXPECT_EQ(sample::AlphaOf(out), 255) << i;
    EXPECT_LE(std::abs(sample::RedOf(out) - sample::RedOf(in)), 4) << i;
    EXPECT_LE(std::abs(sample::GreenOf(out) - sample::GreenOf(in)), 2) << i;
    EXPECT_LE(std::abs(sample::BlueOf(out) - sample::BlueOf(in)), 4) << i;
    EXPECT_EQ(sample::ToR5G6B5(out), sample::ToR5G6B5(in)) << i;
  }
}

TEST(DdsWriter, R5G6B5Extremes) {
  EXPECT_EQ(sample::ToR5G6B5(sample::MakeArgb(0, 255, 255, 255)), 0xFFFF);
  EXPECT_EQ(sample::ToR5G6B5(sample::MakeArgb(255, 0, 0, 0)), 0x0000);
  EXPECT_EQ(sample::ToR5G6B5(sample::MakeArgb(255, 255, 0, 0)), 0xF800);
  EXPECT_EQ(sample::ToR5G6B5(sample::MakeArgb(255, 0, 255, 0)), 0x07E0);
  EXPECT_EQ(sample::ToR5G6B5(sample::MakeArgb(255, 0, 0, 255)), 0x001F);
}

}  // namespace
