#include "render/stb_image_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "support/test_paths.h"

namespace {

// An 18-byte TGA header for true-colour images.
std::vector<uint8_t> TgaHeader(uint8_t imageType, uint16_t w, uint16_t h, uint8_t bits,
                               uint8_t descriptor) {
  return {0, 0, imageType, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(w), uint8_t(w >> 8),
          uint8_t(h), uint8_t(h >> 8), bits, descriptor};
}

DecodeResult Tga(std::vector<uint8_t> file) { return DecodeTga(file.data(), file.size()); }

TEST(StbImageReader, TgaRowsFollowTheOriginCorner) {
  // 2x2, 24-bit BGR; file rows: (red, green), (blue, white).
  const std::vector<uint8_t> pixels = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
  const uint32_t red = 0xffff0000, green = 0xff00ff00, blue = 0xff0000ff, white = 0xffffffff;
  struct Case {
    uint8_t descriptor;
    std::vector<uint32_t> expected;
  } cases[] = {
      {0x00, {blue, white, red, green}},  // bottom-left
      {0x20, {red, green, blue, white}},  // top-left
      {0x10, {white, blue, green, red}},  // bottom-right
      {0x30, {green, red, white, blue}},  // top-right
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.descriptor));
    std::vector<uint8_t> file = TgaHeader(2, 2, 2, 24, c.descriptor);
    file.insert(file.end(), pixels.begin(), pixels.end());
    const DecodeResult r = Tga(file);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.image.texels, c.expected);
    EXPECT_EQ(r.image.format, "TGA");
  }
}

TEST(StbImageReader, TgaMustHoldEveryPixel) {
  std::vector<uint8_t> raw = TgaHeader(2, 2, 2, 24, 0x20);
  raw.resize(raw.size() + 11);  // one byte short
  EXPECT_FALSE(Tga(raw).ok);
  // RLE: one packet of 3 repeats, then nothing for the fourth pixel.
  std::vector<uint8_t> rle = TgaHeader(10, 2, 2, 24, 0x20);
  rle.insert(rle.end(), {0x82, 1, 2, 3});
  EXPECT_FALSE(Tga(rle).ok);
  rle.insert(rle.end(), {0x80, 4, 5, 6});
  const DecodeResult r = Tga(rle);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.image.texels, (std::vector<uint32_t>{0xff030201, 0xff030201, 0xff030201,
                                                   0xff060504}));
  // A huge RLE image claimed by a few bytes is refused before decoding.
  std::vector<uint8_t> huge = TgaHeader(10, 16384, 16384, 32, 0x20);
  huge.insert(huge.end(), {0xff, 1, 2, 3, 4});
  EXPECT_FALSE(Tga(huge).ok);
}

TEST(StbImageReader, ClaimsLargerThanTheFileAreRefused) {
  auto png = ReadFileBytes(test_paths::CorpusDir() + "/other/pil_1_trns.png");
  ASSERT_TRUE(png.has_value());
  ASSERT_TRUE(DecodePng(png->data(), png->size()).ok);
  // IHDR width and height (stb does not check the CRC) raised to 16384.
  std::vector<uint8_t> big = *png;
  for (size_t at : {size_t(16), size_t(20)}) {
    big[at] = 0;
    big[at + 1] = 0;
    big[at + 2] = 0x40;
    big[at + 3] = 0;
  }
  const DecodeResult r = DecodePng(big.data(), big.size());
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("larger than"), std::string::npos) << r.error;
  // Past the side limit.
  big[18] = 0x40;
  big[19] = 0x01;
  EXPECT_FALSE(DecodePng(big.data(), big.size()).ok);
}

TEST(StbImageReader, JpegWithoutEndMarkerIsRefused) {
  auto jpeg = ReadFileBytes(test_paths::CorpusDir() + "/other/pil_hopper.jpg");
  ASSERT_TRUE(jpeg.has_value());
  ASSERT_TRUE(DecodeJpeg(jpeg->data(), jpeg->size()).ok);
  std::vector<uint8_t> cut(jpeg->begin(), jpeg->end() - 2);
  const DecodeResult r = DecodeJpeg(cut.data(), cut.size());
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.empty());
}

}  // namespace
