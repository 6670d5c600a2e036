#include "render/bmp_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>* v, size_t at, uint32_t value) {
  (*v)[at] = uint8_t(value);
  (*v)[at + 1] = uint8_t(value >> 8);
}
void Put32(std::vector<uint8_t>* v, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*v)[at + i] = uint8_t(value >> (8 * i));
}

struct BmpLayout {
  int32_t width = 2, height = 2;  // negative height: top-down
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t headerSize = 40;
  std::vector<uint32_t> palette;        // 0xRRGGBB
  std::vector<uint32_t> masks;          // in the header (>= 52) or after a 40-byte one
  uint32_t planes = 1;
};

std::vector<uint8_t> MakeBmp(const BmpLayout& s, const std::vector<uint8_t>& pixels) {
  const size_t entry = s.headerSize == 12 ? 3 : 4;
  const size_t extraMasks = s.headerSize == 40 ? 4 * s.masks.size() : 0;
  const size_t off = 14 + s.headerSize + extraMasks + entry * s.palette.size();
  std::vector<uint8_t> f(off, 0);
  f[0] = 'B';
  f[1] = 'M';
  Put32(&f, 2, uint32_t(off + pixels.size()));
  Put32(&f, 10, uint32_t(off));
  Put32(&f, 14, s.headerSize);
  if (s.headerSize == 12) {
    Put16(&f, 18, uint32_t(s.width));
    Put16(&f, 20, uint32_t(s.height));
    Put16(&f, 22, s.planes);
    Put16(&f, 24, s.bits);
  } else {
    Put32(&f, 18, uint32_t(s.width));
    Put32(&f, 22, uint32_t(s.height));
    Put16(&f, 26, s.planes);
    Put16(&f, 28, s.bits);
    Put32(&f, 30, s.compression);
    Put32(&f, 34, uint32_t(pixels.size()));
    Put32(&f, 38, 2835);
    Put32(&f, 42, 2835);
    Put32(&f, 46, uint32_t(s.palette.size()));
    for (size_t i = 0; i < s.masks.size(); ++i) Put32(&f, 14 + 40 + 4 * i, s.masks[i]);
  }
  const size_t pal = 14 + s.headerSize + extraMasks;
  for (size_t i = 0; i < s.palette.size(); ++i) {
    f[pal + entry * i] = uint8_t(s.palette[i]);
    f[pal + entry * i + 1] = uint8_t(s.palette[i] >> 8);
    f[pal + entry * i + 2] = uint8_t(s.palette[i] >> 16);
  }
  f.insert(f.end(), pixels.begin(), pixels.end());
  return f;
}

DecodeResult Decode(const std::vector<uint8_t>& file) {
  std::vector<uint8_t> copy(file);
  return DecodeBmp(copy.data(), copy.size());
}

struct GoodCase {
  const char* what;
  BmpLayout layout;
  std::vector<uint8_t> pixels;     // as stored, rows bottom first unless top-down
  std::vector<uint32_t> expected;  // rows top first
  const char* format;
};

TEST(BmpReader, DecodesEveryPixelLayout) {
  const std::vector<uint32_t> pal4 = {0x000000, 0xff0000, 0x00ff00, 0x0000ff};
  std::vector<GoodCase> cases;
  {
    BmpLayout s;
    s.width = 3;
    s.bits = 1;
    s.palette = {0x102030, 0xffffff};
    // Bottom row 1,0,1; top row 0,1,1; each row padded to 4 bytes.
    cases.push_back({"1 bit", s, {0xa0, 0, 0, 0, 0x60, 0, 0, 0},
                     {0xff102030, 0xffffffff, 0xffffffff, 0xffffffff, 0xff102030, 0xffffffff},
                     "BMP1"});
  }
  {
    BmpLayout s;
    s.bits = 2;
    s.palette = pal4;
    cases.push_back({"2 bit", s, {0x1b, 0, 0, 0, 0xe4, 0, 0, 0},
                     {0xff0000ff, 0xff00ff00, 0xff000000, 0xffff0000}, "BMP2"});
  }
  {
    BmpLayout s;
    s.bits = 4;
    s.palette = pal4;
    cases.push_back({"4 bit", s, {0x12, 0, 0, 0, 0x30, 0, 0, 0},
                     {0xff0000ff, 0xff000000, 0xffff0000, 0xff00ff00}, "BMP4"});
  }
  {
    BmpLayout s;
    s.bits = 8;
    s.palette = pal4;
    cases.push_back({"8 bit", s, {3, 2, 0, 0, 1, 0, 0, 0},
                     {0xffff0000, 0xff000000, 0xff0000ff, 0xff00ff00}, "BMP8"});
  }
  {
    BmpLayout s;
    s.bits = 8;
    s.height = -2;
    s.palette = pal4;
    cases.push_back({"8 bit top-down", s, {3, 2, 0, 0, 1, 0, 0, 0},
                     {0xff0000ff, 0xff00ff00, 0xffff0000, 0xff000000}, "BMP8"});
  }
  {
    BmpLayout s;
    s.bits = 8;
    s.headerSize = 12;
    s.palette = pal4;
    cases.push_back({"OS/2 header, 3-byte palette", s, {3, 2, 0, 0, 1, 0, 0, 0},
                     {0xffff0000, 0xff000000, 0xff0000ff, 0xff00ff00}, "BMP8"});
  }
  {
    BmpLayout s;
    cases.push_back({"24 bit", s,
                     {0x01, 0x02, 0x03, 0xff, 0, 0, 0, 0, 0, 0, 0xff, 0, 0xff, 0, 0, 0},
                     {0xffff0000, 0xff00ff00, 0xff030201, 0xff0000ff}, "BMP24"});
  }
  {
    BmpLayout s;
    s.bits = 32;
    // The fourth byte of a plain 32-bit pixel is not alpha.
    cases.push_back({"32 bit, no alpha mask", s,
                     {1, 2, 3, 0x00, 4, 5, 6, 0x80, 7, 8, 9, 0xff, 10, 11, 12, 0x01},
                     {0xff090807, 0xff0c0b0a, 0xff030201, 0xff060504}, "BMP32"});
  }
  {
    BmpLayout s;
    s.bits = 32;
    s.compression = 3;
    s.headerSize = 124;
    s.masks = {0x00ff0000, 0x0000ff00, 0x000000ff, 0xff000000};
    cases.push_back({"32 bit, V5 alpha mask", s,
                     {1, 2, 3, 0x00, 4, 5, 6, 0x80, 7, 8, 9, 0xff, 10, 11, 12, 0x01},
                     {0xff090807, 0x010c0b0a, 0x00030201, 0x80060504}, "BMP32"});
  }
  {
    BmpLayout s;
    s.bits = 32;
    s.compression = 3;
    s.masks = {0x000000ff, 0x0000ff00, 0x00ff0000};  // after a 40-byte header, no alpha
    cases.push_back({"32 bit bit fields, 40-byte header", s,
                     {1, 2, 3, 0x00, 4, 5, 6, 0x80, 7, 8, 9, 0xff, 10, 11, 12, 0x01},
                     {0xff070809, 0xff0a0b0c, 0xff010203, 0xff040506}, "BMP32"});
  }
  {
    BmpLayout s;
    s.bits = 16;
    // 5-5-5; the spare top bit is not alpha.
    cases.push_back({"16 bit 555", s, {0x00, 0xfc, 0xe0, 0x03, 0x1f, 0x80, 0x00, 0x00},
                     {0xff0000ff, 0xff000000, 0xffff0000, 0xff00ff00}, "BMP16"});
  }
  {
    BmpLayout s;
    s.bits = 16;
    s.compression = 3;
    s.masks = {0xf800, 0x07e0, 0x001f};
    cases.push_back({"16 bit 565", s, {0x00, 0xf8, 0xe0, 0x07, 0x1f, 0x00, 0x10, 0x84},
                     {0xff0000ff, 0xff848284, 0xffff0000, 0xff00ff00}, "BMP16"});
  }
  {
    BmpLayout s;
    s.bits = 16;
    s.compression = 3;
    s.headerSize = 108;
    s.masks = {0x7c00, 0x03e0, 0x001f, 0x8000};
    cases.push_back({"16 bit 1555 with alpha", s, {0x00, 0xfc, 0xe0, 0x03, 0x1f, 0x80, 0, 0},
                     {0xff0000ff, 0x00000000, 0xffff0000, 0x0000ff00}, "BMP16"});
  }
  for (const GoodCase& c : cases) {
    SCOPED_TRACE(c.what);
    const DecodeResult r = Decode(MakeBmp(c.layout, c.pixels));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.image.width, uint32_t(c.layout.width));
    EXPECT_EQ(r.image.height, uint32_t(std::abs(c.layout.height)));
    EXPECT_EQ(r.image.texels, c.expected);
    EXPECT_EQ(r.image.format, c.format);
  }
}

TEST(BmpReader, DecodesRunLengthStreams) {
  BmpLayout s;
  s.width = 4;
  s.height = 3;
  s.bits = 8;
  s.compression = 1;
  s.palette = {0x000000, 0xff0000, 0x00ff00, 0x0000ff};
  // Bottom row: run of 3 x index 1, one index 2, end of line. A delta (right 1,
  // up 1) skips the middle row and column 0 of the top row, then absolute
  // 3, 2, 1 (odd length, padded) and end of bitmap.
  const std::vector<uint8_t> rle8 = {3, 1, 1, 2, 0, 0, 0, 2, 1, 1,
                                     0, 3, 3, 2, 1, 0, 0, 1};
  DecodeResult r = Decode(MakeBmp(s, rle8));
  ASSERT_TRUE(r.ok) << r.error;
  const uint32_t k = 0xff000000, red = 0xffff0000, green = 0xff00ff00, blue = 0xff0000ff;
  EXPECT_EQ(r.image.texels,
            (std::vector<uint32_t>{k, blue, green, red, k, k, k, k, red, red, red, green}));
  EXPECT_EQ(r.image.format, "BMP8RLE");

  s.bits = 4;
  s.compression = 2;
  // Bottom row: run of 4 alternating 1,2; end of line. Middle: absolute 3,0,1
  // (two bytes); end of line. Top: run of 4 x 3; end of bitmap.
  const std::vector<uint8_t> rle4 = {4, 0x12, 0, 0, 0, 3, 0x30, 0x10, 0, 0, 4, 0x33, 0, 1};
  r = Decode(MakeBmp(s, rle4));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.image.texels, (std::vector<uint32_t>{blue, blue, blue, blue, blue, k, red, k, red,
                                                   green, red, green}));
}

TEST(BmpReader, RefusesDamagedFiles) {
  struct Bad {
    const char* what;
    std::vector<uint8_t> file;
  };
  BmpLayout pal8;
  pal8.bits = 8;
  pal8.palette = {0x000000, 0xffffff};
  BmpLayout rle8 = pal8;
  rle8.compression = 1;
  std::vector<Bad> cases = {
      {"index past the palette", MakeBmp(pal8, {0, 1, 0, 0, 2, 0, 0, 0})},
      {"pixel data cut short", MakeBmp(pal8, {0, 1, 0, 0, 1})},
      {"RLE run past the row", MakeBmp(rle8, {3, 1, 0, 1})},
      {"RLE absolute run past the row", MakeBmp(rle8, {0, 3, 1, 1, 1, 0, 0, 1})},
      {"RLE delta outside the image", MakeBmp(rle8, {0, 2, 0, 5, 0, 1})},
      {"RLE index past the palette", MakeBmp(rle8, {2, 7, 0, 0, 2, 0, 0, 1})},
      {"RLE stream ends early", MakeBmp(rle8, {2, 1})},
  };
  {
    BmpLayout s = rle8;
    s.height = -2;
    cases.push_back({"RLE top-down", MakeBmp(s, {2, 1, 0, 0, 2, 1, 0, 1})});
  }
  {
    BmpLayout s;
    s.bits = 16;
    s.compression = 3;
    s.masks = {0xff00, 0x00ff, 0};
    cases.push_back({"empty colour mask", MakeBmp(s, std::vector<uint8_t>(8, 0))});
  }
  {
    BmpLayout s;
    s.bits = 16;
    s.compression = 3;
    s.masks = {0xf0f0, 0x0f00, 0x000f};
    cases.push_back({"split colour mask", MakeBmp(s, std::vector<uint8_t>(8, 0))});
  }
  {
    BmpLayout s;
    s.planes = 2;
    cases.push_back({"two planes", MakeBmp(s, std::vector<uint8_t>(16, 0))});
  }
  {
    BmpLayout s;
    s.width = -2;
    cases.push_back({"negative width", MakeBmp(s, std::vector<uint8_t>(16, 0))});
  }
  {
    BmpLayout s;
    s.width = 20000;
    s.height = 1;
    cases.push_back({"too wide", MakeBmp(s, std::vector<uint8_t>(60000, 0))});
  }
  {
    BmpLayout s;
    s.compression = 4;
    cases.push_back({"embedded JPEG", MakeBmp(s, std::vector<uint8_t>(16, 0))});
  }
  {
    BmpLayout s;
    s.bits = 64;
    cases.push_back({"64-bit pixels", MakeBmp(s, std::vector<uint8_t>(32, 0))});
  }
  {
    std::vector<uint8_t> f = MakeBmp(BmpLayout{}, std::vector<uint8_t>(16, 0));
    Put32(&f, 14, 66);
    cases.push_back({"unknown header size", f});
  }
  {
    std::vector<uint8_t> f = MakeBmp(BmpLayout{}, std::vector<uint8_t>(16, 0));
    Put32(&f, 2, uint32_t(f.size() + 1));
    cases.push_back({"file size field beyond the file", f});
  }
  {
    std::vector<uint8_t> f = MakeBmp(pal8, {0, 1, 0, 0, 1, 0, 0, 0});
    Put32(&f, 46, 200);  // colours used: more than fit before the pixels
    cases.push_back({"palette overlapping the pixels", f});
  }
  {
    std::vector<uint8_t> f = MakeBmp(BmpLayout{}, std::vector<uint8_t>(16, 0));
    Put32(&f, 10, uint32_t(f.size() + 10));
    cases.push_back({"pixel offset past the end", f});
  }
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.what);
    const DecodeResult r = Decode(c.file);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
  }
}

}  // namespace
