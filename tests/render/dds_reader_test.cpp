#include "render/dds_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRgb = 0x40, kAlphaPixels = 0x1, kAlphaOnly = 0x2, kFourCC = 0x4,
                   kLuminance = 0x20000;

void Put32(std::vector<uint8_t>* v, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*v)[at + i] = uint8_t(value >> (8 * i));
}

struct DdsLayout {
  uint32_t width = 2, height = 2;
  uint32_t pfFlags = kRgb;
  const char* fourCC = nullptr;
  uint32_t bits = 32;
  uint32_t masks[4] = {0, 0, 0, 0};  // R, G, B, A
  uint32_t mipCount = 0;
  uint32_t caps2 = 0;
  uint32_t flags = 0x1007;
  uint32_t depth = 0;
};

std::vector<uint8_t> MakeDds(const DdsLayout& s, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> file(128, 0);
  std::memcpy(file.data(), "DDS ", 4);
  Put32(&file, 4, 124);
  Put32(&file, 8, s.flags | (s.mipCount ? 0x20000u : 0u));
  Put32(&file, 12, s.height);
  Put32(&file, 16, s.width);
  Put32(&file, 24, s.depth);
  Put32(&file, 28, s.mipCount);
  Put32(&file, 76, 32);
  Put32(&file, 80, s.fourCC ? kFourCC : s.pfFlags);
  if (s.fourCC) std::memcpy(&file[84], s.fourCC, 4);
  Put32(&file, 88, s.fourCC ? 0 : s.bits);
  for (int i = 0; i < 4; ++i) Put32(&file, 92 + 4 * i, s.masks[i]);
  Put32(&file, 108, 0x1000);
  Put32(&file, 112, s.caps2);
  file.insert(file.end(), payload.begin(), payload.end());
  return file;
}

DecodeResult Decode(const std::vector<uint8_t>& file) {
  // A heap copy of exactly the file's size, so that any over-read is caught.
  std::vector<uint8_t> copy(file);
  return DecodeDds(copy.data(), copy.size());
}

struct UncompressedCase {
  const char* format;
  uint32_t pfFlags;
  uint32_t bits;
  uint32_t masks[4];
  std::vector<uint8_t> pixels;      // 2x2, little-endian per texel, rows top first
  std::vector<uint32_t> expected;  // 0xAARRGGBB
};

TEST(DdsReader, DecodesUncompressedFormatsToArgb) {
  const std::vector<UncompressedCase> cases = {
      {"A8R8G8B8", kRgb | kAlphaPixels, 32, {0xff0000, 0xff00, 0xff, 0xff000000},
       {0x01, 0x02, 0x03, 0x04, 0xff, 0x00, 0x00, 0x80, 0x00, 0xff, 0x00, 0x00, 0, 0, 0xff, 0xff},
       {0x04030201, 0x800000ff, 0x0000ff00, 0xffff0000}},
      {"X8R8G8B8", kRgb, 32, {0xff0000, 0xff00, 0xff, 0},
       {0x01, 0x02, 0x03, 0x04, 0xff, 0x00, 0x00, 0x80, 0x00, 0xff, 0x00, 0x00, 0, 0, 0xff, 0xff},
       {0xff030201, 0xff0000ff, 0xff00ff00, 0xffff0000}},
      {"A8B8G8R8", kRgb | kAlphaPixels, 32, {0xff, 0xff00, 0xff0000, 0xff000000},
       {0x01, 0x02, 0x03, 0x04, 0xff, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0},
       {0x04010203, 0x80ff0000, 0, 0}},
      {"R8G8B8", kRgb, 24, {0xff0000, 0xff00, 0xff, 0},
       {0x10, 0x20, 0x30, 0xff, 0, 0, 0, 0xff, 0, 0, 0, 0xff},
       {0xff302010, 0xff0000ff, 0xff00ff00, 0xffff0000}},
      {"R5G6B5", kRgb, 16, {0xf800, 0x07e0, 0x001f, 0},
       {0x00, 0xf8, 0xe0, 0x07, 0x1f, 0x00, 0x10, 0x84},
       {0xffff0000, 0xff00ff00, 0xff0000ff, 0xff848284}},
      {"X1R5G5B5", kRgb, 16, {0x7c00, 0x03e0, 0x001f, 0},
       {0x00, 0xfc, 0xe0, 0x03, 0x1f, 0x80, 0x00, 0x00},
       {0xffff0000, 0xff00ff00, 0xff0000ff, 0xff000000}},
      {"A1R5G5B5", kRgb | kAlphaPixels, 16, {0x7c00, 0x03e0, 0x001f, 0x8000},
       {0x00, 0xfc, 0xe0, 0x03, 0x1f, 0x80, 0x00, 0x00},
       {0xffff0000, 0x0000ff00, 0xff0000ff, 0x00000000}},
      {"A4R4G4B4", kRgb | kAlphaPixels, 16, {0x0f00, 0x00f0, 0x000f, 0xf000},
       {0x00, 0x8f, 0xf0, 0x00, 0x0f, 0xf0, 0x21, 0x43},
       {0x88ff0000, 0x0000ff00, 0xff0000ff, 0x44332211}},
      {"X4R4G4B4", kRgb, 16, {0x0f00, 0x00f0, 0x000f, 0},
       {0x00, 0x8f, 0xf0, 0x00, 0x0f, 0xf0, 0x21, 0x43},
       {0xffff0000, 0xff00ff00, 0xff0000ff, 0xff332211}},
      {"L8", kLuminance, 8, {0xff, 0, 0, 0}, {0x00, 0x7f, 0xff, 0x10},
       {0xff000000, 0xff7f7f7f, 0xffffffff, 0xff101010}},
      {"A8L8", kLuminance | kAlphaPixels, 16, {0xff, 0, 0, 0xff00},
       {0x40, 0x80, 0xff, 0x00, 0x00, 0xff, 0x10, 0x20},
       {0x80404040, 0x00ffffff, 0xff000000, 0x20101010}},
      {"A8", kAlphaOnly, 8, {0, 0, 0, 0xff}, {0x00, 0x7f, 0xff, 0x10},
       {0x00000000, 0x7f000000, 0xff000000, 0x10000000}},
      {"B8G8R8", kRgb, 24, {0xff, 0xff00, 0xff0000, 0},
       {0x10, 0x20, 0x30, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {0xff102030, 0xff000000, 0xff000000, 0xff000000}},
  };
  for (const UncompressedCase& c : cases) {
    SCOPED_TRACE(c.format);
    DdsLayout layout;
    layout.pfFlags = c.pfFlags;
    layout.bits = c.bits;
    std::memcpy(layout.masks, c.masks, sizeof layout.masks);
    const DecodeResult r = Decode(MakeDds(layout, c.pixels));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.image.format, c.format);
    EXPECT_EQ(r.image.width, 2u);
    EXPECT_EQ(r.image.height, 2u);
    EXPECT_EQ(r.image.levels, 1u);
    EXPECT_EQ(r.image.texels, c.expected);
  }
}

struct BlockCase {
  const char* fourCC;
  std::vector<uint8_t> block;
  std::vector<uint32_t> expected;  // texels (0,0), (1,0), (0,1), (1,1)
};

TEST(DdsReader, DecodesDxtBlocks) {
  // Colour indices of texels 0, 1, 4, 5 of the block are 0, 1, 2, 3.
  const std::vector<uint8_t> indices = {0x04, 0x0e, 0x00, 0x00};
  auto colour = [&](uint16_t c0, uint16_t c1) {
    std::vector<uint8_t> b = {uint8_t(c0), uint8_t(c0 >> 8), uint8_t(c1), uint8_t(c1 >> 8)};
    b.insert(b.end(), indices.begin(), indices.end());
    return b;
  };
  auto join = [](std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  // Explicit alpha nibbles: texel 0 = 0, 1 = 15, 4 = 8, 5 = 1.
  const std::vector<uint8_t> explicitAlpha = {0xf0, 0, 0x18, 0, 0, 0, 0, 0};
  // Interpolated alpha, eight-value mode (255 > 0): codes 0, 1, 2, 7.
  const std::vector<uint8_t> alpha8 = {255, 0, 0x08, 0xa0, 0x03, 0, 0, 0};
  // Six-value mode (0 <= 255): codes 2, 6, 7, 5.
  const std::vector<uint8_t> alpha6 = {0, 255, 0x32, 0xf0, 0x02, 0, 0, 0};
  const std::vector<BlockCase> cases = {
      // colour0 > colour1: four opaque colours.
      {"DXT1", colour(0xf800, 0x001f), {0xffff0000, 0xff0000ff, 0xffaa0055, 0xff5500aa}},
      // colour0 <= colour1: three colours and transparent black.
      {"DXT1", colour(0x001f, 0xf800), {0xff0000ff, 0xffff0000, 0xff7f007f, 0x00000000}},
      // DXT2-5 colour blocks use four colours whatever the order.
      {"DXT3", join(explicitAlpha, colour(0x001f, 0xf800)),
       {0x000000ff, 0xffff0000, 0x885500aa, 0x11aa0055}},
      {"DXT2", join(explicitAlpha, colour(0x001f, 0xf800)),
       {0x000000ff, 0xffff0000, 0x885500aa, 0x11aa0055}},
      {"DXT5", join(alpha8, colour(0xf800, 0x001f)),
       {0xffff0000, 0x000000ff, 0xdaaa0055, 0x245500aa}},
      {"DXT5", join(alpha6, colour(0x001f, 0xf800)),
       {0x330000ff, 0x00ff0000, 0xff5500aa, 0xccaa0055}},
      {"DXT4", join(alpha6, colour(0x001f, 0xf800)),
       {0x330000ff, 0x00ff0000, 0xff5500aa, 0xccaa0055}},
  };
  for (const BlockCase& c : cases) {
    SCOPED_TRACE(std::string(c.fourCC) + " block " + std::to_string(&c - cases.data()));
    DdsLayout layout;
    layout.fourCC = c.fourCC;
    const DecodeResult r = Decode(MakeDds(layout, c.block));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.image.format, c.fourCC);
    EXPECT_EQ(r.image.texels, c.expected);
  }
}

TEST(DdsReader, PartialBlocksKeepTheImageSize) {
  // 5x1 DXT1: two blocks side by side; texel 4 is the first of the second block.
  DdsLayout layout;
  layout.width = 5;
  layout.height = 1;
  layout.fourCC = "DXT1";
  const std::vector<uint8_t> blocks = {0x00, 0xf8, 0x00, 0xf8, 0, 0, 0, 0,   // all red
                                       0x1f, 0x00, 0x1f, 0x00, 0, 0, 0, 0};  // all blue
  const DecodeResult r = Decode(MakeDds(layout, blocks));
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.image.texels.size(), 5u);
  EXPECT_EQ(r.image.texels[3], 0xffff0000u);
  EXPECT_EQ(r.image.texels[4], 0xff0000ffu);
  // One block short: refused.
  EXPECT_FALSE(Decode(MakeDds(layout, std::vector<uint8_t>(blocks.begin(), blocks.begin() + 8))).ok);
}

TEST(DdsReader, ReportsTheMipLevelsTheFileHolds) {
  DdsLayout layout;
  layout.width = 4;
  layout.height = 2;
  layout.pfFlags = kLuminance;
  layout.bits = 8;
  layout.masks[0] = 0xff;
  layout.mipCount = 3;  // 4x2, 2x1, 1x1: 8 + 2 + 1 bytes
  std::vector<uint8_t> all(11, 0x55);
  all[0] = 0x11;
  DecodeResult r = Decode(MakeDds(layout, all));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.image.levels, 3u);
  EXPECT_EQ(r.image.texels[0], 0xff111111u);
  // The last level missing: the top one still loads.
  r = Decode(MakeDds(layout, std::vector<uint8_t>(all.begin(), all.begin() + 10)));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.image.levels, 2u);
  // A count beyond the full chain is cut to the chain.
  layout.mipCount = 40;
  r = Decode(MakeDds(layout, std::vector<uint8_t>(64, 0)));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.image.levels, 3u);
  // Without the mip-count flag the field does not count.
  layout.mipCount = 0;
  r = Decode(MakeDds(layout, all));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.image.levels, 1u);
}

TEST(DdsReader, RefusesWhatItCannotShow) {
  struct Refusal {
    const char* what;
    DdsLayout layout;
    size_t payload;
  };
  auto rgb32 = [] {
    DdsLayout s;
    s.masks[0] = 0xff0000;
    s.masks[1] = 0xff00;
    s.masks[2] = 0xff;
    return s;
  };
  std::vector<Refusal> cases;
  {
    DdsLayout s = rgb32();
    cases.push_back({"truncated level 0", s, 15});
  }
  {
    DdsLayout s = rgb32();
    s.caps2 = 0xfe00;
    cases.push_back({"cube map", s, 16 * 6});
  }
  {
    DdsLayout s = rgb32();
    s.caps2 = 0x200000;
    s.flags |= 0x800000;
    s.depth = 2;
    cases.push_back({"volume", s, 32});
  }
  {
    DdsLayout s;
    s.fourCC = "DX10";
    cases.push_back({"DX10 header", s, 64});
  }
  {
    DdsLayout s;
    s.fourCC = "ATI2";
    cases.push_back({"BC5", s, 64});
  }
  {
    DdsLayout s = rgb32();
    s.width = 16385;
    s.height = 1;
    cases.push_back({"too wide", s, 16});
  }
  {
    DdsLayout s = rgb32();
    s.height = 0;
    cases.push_back({"zero height", s, 16});
  }
  {
    DdsLayout s = rgb32();
    s.masks[0] = 0xf0f000;
    cases.push_back({"split mask", s, 16});
  }
  {
    DdsLayout s = rgb32();
    s.masks[1] = 0xffff00;
    cases.push_back({"overlapping masks", s, 16});
  }
  {
    DdsLayout s = rgb32();
    s.bits = 12;
    cases.push_back({"odd bit count", s, 16});
  }
  {
    DdsLayout s = rgb32();
    s.pfFlags = 0x80000;  // bump map
    cases.push_back({"bump map", s, 16});
  }
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.what);
    const DecodeResult r = Decode(MakeDds(c.layout, std::vector<uint8_t>(c.payload, 0)));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
  }
  std::vector<uint8_t> header = MakeDds(rgb32(), {});
  header[4] = 100;  // header size
  EXPECT_FALSE(Decode(header).ok);
  EXPECT_FALSE(Decode(std::vector<uint8_t>{'D', 'D', 'S', ' ', 124, 0}).ok);
}

TEST(DdsReader, PaletteTexelsTakeTheirEntry) {
  DdsLayout layout;
  layout.pfFlags = 0x20;  // PALETTEINDEXED8
  layout.bits = 24;       // as some writers set it; the layout is one byte per texel
  std::vector<uint8_t> payload(1024, 0);
  const uint8_t e1[4] = {0x10, 0x20, 0x30, 0xff};  // R, G, B, A
  const uint8_t e200[4] = {0xff, 0x00, 0x80, 0x00};
  std::memcpy(&payload[4], e1, 4);
  std::memcpy(&payload[800], e200, 4);
  payload.insert(payload.end(), {1, 200, 0, 1});
  const DecodeResult r = Decode(MakeDds(layout, payload));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.image.format, "P8");
  EXPECT_EQ(r.image.texels, (std::vector<uint32_t>{0xff102030, 0x00ff0080, 0, 0xff102030}));
}

}  // namespace
