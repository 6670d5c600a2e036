// The texture readers against real third-party files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "render/texture_file.h"
#include "support/test_paths.h"

namespace {

namespace fs = std::filesystem;

std::string Corpus(const std::string& folder, const std::string& name) {
  return test_paths::CorpusDir() + "/" + folder + "/" + name;
}

// Files to be refused: damaged ones, and formats outside what the viewer shows.
const std::set<std::string>& ExpectedRefusals() {
  static const std::set<std::string> names = {
      // bmp/: the BMP Suite's bad files and the damaged Pillow files
      "bmpsuite_b_badbitcount.bmp", "bmpsuite_b_badbitssize.bmp", "bmpsuite_b_baddens1.bmp",
      "bmpsuite_b_baddens2.bmp", "bmpsuite_b_badfilesize.bmp", "bmpsuite_b_badheadersize.bmp",
      "bmpsuite_b_badpalettesize.bmp", "bmpsuite_b_badplanes.bmp", "bmpsuite_b_badrle.bmp",
      "bmpsuite_b_badrle4.bmp", "bmpsuite_b_badrle4bis.bmp", "bmpsuite_b_badrle4ter.bmp",
      "bmpsuite_b_badrlebis.bmp", "bmpsuite_b_badrleter.bmp", "bmpsuite_b_badwidth.bmp",
      "bmpsuite_b_pal8badindex.bmp", "bmpsuite_b_reallybig.bmp", "bmpsuite_b_rgb16-880.bmp",
      "bmpsuite_b_rletopdown.bmp", "bmpsuite_b_shortfile.bmp",
      "pil_hopper_rle8_row_overflow.bmp", "pil_l2rgb_read.bmp", "pil_mmap_error.bmp",
      // bmp/ questionable files whose encodings are not supported
      "bmpsuite_q_pal1huffmsb.bmp", "bmpsuite_q_rgb24jpeg.bmp", "bmpsuite_q_rgb24png.bmp",
      "bmpsuite_q_rgb24rle24.bmp", "bmpsuite_q_rgba64.bmp",
      // dds/: cube and volume maps, formats without a Direct3D 8 equivalent, fuzz cases
      "dxsdk_LobbyCube.dds", "dxsdk_smallnoise3d.dds", "pfim_16-bit-float.dds",
      "pfim_32-bit-float.dds", "pil_argb-32bpp_MipMaps-1.dds", "pil_ati1.dds", "pil_ati2.dds",
      "pil_timeout-041dd17dfde800360a47a172269df127af138c6b.dds",
      "pil_timeout-52d106579505547091ef69b58341351a37c23e31.dds",
      "pil_timeout-755a4d204f4208e3597ac3391edebee196462bd0.dds",
      "pil_timeout-c60a3d7314213624607bfb3e38d551a8b24a7435.dds",
      "pil_unimplemented_pfflags.dds", "pil_unimplemented_pixel_format.dds",
      "pil_unsupported_bitcount.dds",
      // other/
      "pil_broken.png", "pil_truncated_jpeg.jpg", "pil_cross_scan_line_truncated.tga",
  };
  return names;
}

TEST(ImageCorpus, GoodFilesLoadAndBadFilesAreRefused) {
  std::set<std::string> seen;
  for (const char* folder : {"bmp", "dds", "other"}) {
    for (const auto& entry : fs::directory_iterator(test_paths::CorpusDir() + "/" + folder)) {
      const std::string name = entry.path().filename().string();
      SCOPED_TRACE(std::string(folder) + "/" + name);
      seen.insert(name);
      const DecodeResult r = DecodeImageFile(entry.path().string());
      if (ExpectedRefusals().count(name)) {
        EXPECT_FALSE(r.ok) << "loaded as " << r.image.format;
        EXPECT_FALSE(r.error.empty());
      } else {
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_GT(r.image.width, 0u);
        EXPECT_EQ(r.image.texels.size(), size_t(r.image.width) * r.image.height);
      }
    }
  }
  for (const std::string& name : ExpectedRefusals()) EXPECT_TRUE(seen.count(name)) << name;
}

struct Known {
  const char* folder;
  const char* name;
  uint32_t width, height;
  const char* format;
  uint32_t levels;
};

TEST(ImageCorpus, ReportsSizeFormatAndLevels) {
  const Known cases[] = {
      {"dds", "dxsdk_Noise2D.dds", 64, 64, "A8R8G8B8", 7},
      {"dds", "dxsdk_rainbow.dds", 128, 1, "X8R8G8B8", 1},
      {"dds", "dxsdk_bump_NM_height_density.dds", 128, 128, "A8B8G8R8", 8},
      {"dds", "pil_hopper.dds", 128, 128, "R8G8B8", 8},
      {"dds", "pfim_24-bit-uncompressed-bgr-odd.dds", 5, 5, "B8G8R8", 3},
      {"dds", "pfim_dds_R5G6B5.dds", 256, 256, "R5G6B5", 1},
      {"dds", "pil_bgr15.dds", 128, 128, "X1R5G5B5", 1},
      {"dds", "pfim_dds_a1r5g5b5.dds", 200, 286, "A1R5G5B5", 1},
      {"dds", "pfim_dds_A4R4G4B4.dds", 256, 256, "A4R4G4B4", 1},
      {"dds", "pil_uncompressed_l.dds", 128, 128, "L8", 1},
      {"dds", "pil_uncompressed_la.dds", 128, 128, "A8L8", 1},
      {"dds", "pil_palette.dds", 200, 150, "P8", 1},  // claims 8 levels, holds one
      {"dds", "pfim_dxt1-alpha.dds", 128, 64, "DXT1", 8},
      {"dds", "pfim_dxt5-simple-odd.dds", 5, 9, "DXT5", 1},
      {"dds", "pfim_dxt5-simple-1x1.dds", 1, 1, "DXT5", 1},
      {"dds", "dxsdk_tree01S.dds", 208, 256, "DXT3", 1},
      {"dds", "dxsdk_Foliage.dds", 512, 512, "DXT5", 10},
      {"bmp", "dxsdk_Sample.bmp", 256, 256, "BMP8", 1},
      {"bmp", "bmpsuite_g_pal4rle.bmp", 127, 64, "BMP4RLE", 1},
      {"bmp", "bmpsuite_g_pal8os2.bmp", 127, 64, "BMP8", 1},
      {"bmp", "bmpsuite_x_ba-bm.bmp", 127, 64, "BMP8", 1},
      {"bmp", "pil_hopper.bmp", 128, 128, "BMP24", 1},
      {"other", "pil_hopper.png", 128, 128, "PNG", 1},
      {"other", "pil_hopper.jpg", 128, 128, "JPEG", 1},
      {"other", "pil_200x32_rgba_bl_rle.tga", 200, 32, "TGA", 1},
  };
  for (const Known& c : cases) {
    SCOPED_TRACE(c.name);
    const DecodeResult r = DecodeImageFile(Corpus(c.folder, c.name));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.image.width, c.width);
    EXPECT_EQ(r.image.height, c.height);
    EXPECT_EQ(r.image.format, c.format);
    EXPECT_EQ(r.image.levels, c.levels);
  }
}

int MaxChannelDifference(const DecodedImage& a, const DecodedImage& b) {
  int worst = 0;
  for (size_t i = 0; i < a.texels.size(); ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      const int x = int((a.texels[i] >> shift) & 0xff), y = int((b.texels[i] >> shift) & 0xff);
      worst = std::max(worst, std::abs(x - y));
    }
  }
  return worst;
}

struct SamePicture {
  const char* fileA;  // folder/name
  const char* fileB;
  int tolerance;      // per channel
};

// The same picture in two encodings decodes to the same texels.
TEST(ImageCorpus, SamePictureInTwoFormatsDecodesEqual) {
  const SamePicture cases[] = {
      // DDS against the PNGs Pillow decodes them to.
      // Pillow widens 5-bit channels by bit replication, we round: off by one at most.
      {"dds/pil_bgr15.dds", "dds/pil_bgr15.png", 1},
      {"dds/pil_uncompressed_l.dds", "dds/pil_uncompressed_l.png", 0},
      {"dds/pil_uncompressed_la.dds", "dds/pil_uncompressed_la.png", 0},
      {"dds/pil_uncompressed_rgb.dds", "dds/pil_uncompressed_rgb.png", 0},
      {"dds/pil_dxt1-rgb-4bbp-noalpha_MipMaps-1.dds", "dds/pil_dxt1-rgb-4bbp-noalpha_MipMaps-1.png",
       1},
      {"dds/pil_dxt3-argb-8bbp-explicitalpha_MipMaps-1.dds",
       "dds/pil_dxt3-argb-8bbp-explicitalpha_MipMaps-1.png", 1},
      {"dds/pil_dxt5-argb-8bbp-interpolatedalpha_MipMaps-1.dds",
       "dds/pil_dxt5-argb-8bbp-interpolatedalpha_MipMaps-1.png", 1},
      // TGA variants (origin corner, RLE or raw) against their PNG.
      {"other/pil_200x32_l_bl_raw.tga", "other/pil_200x32_l.png", 0},
      {"other/pil_200x32_l_tl_rle.tga", "other/pil_200x32_l.png", 0},
      {"other/pil_200x32_la_bl_rle.tga", "other/pil_200x32_la.png", 0},
      {"other/pil_200x32_la_tl_raw.tga", "other/pil_200x32_la.png", 0},
      {"other/pil_200x32_p_bl_rle.tga", "other/pil_200x32_p.png", 0},
      {"other/pil_200x32_p_tl_raw.tga", "other/pil_200x32_p.png", 0},
      {"other/pil_200x32_rgb_bl_raw.tga", "other/pil_200x32_rgb.png", 0},
      {"other/pil_200x32_rgb_tl_rle.tga", "other/pil_200x32_rgb.png", 0},
      {"other/pil_200x32_rgba_bl_raw.tga", "other/pil_200x32_rgba.png", 0},
      {"other/pil_200x32_rgba_tl_rle.tga", "other/pil_200x32_rgba.png", 0},
      // One picture as BMP, PNG and DDS.
      {"bmp/pil_hopper.bmp", "other/pil_hopper.png", 0},
      {"dds/pil_hopper.dds", "other/pil_hopper.png", 0},
      // BMP Suite variants of one picture.
      {"bmp/bmpsuite_g_pal8.bmp", "bmp/bmpsuite_g_pal8rle.bmp", 0},
      {"bmp/bmpsuite_g_pal8.bmp", "bmp/bmpsuite_g_pal8topdown.bmp", 0},
      {"bmp/bmpsuite_g_pal8.bmp", "bmp/bmpsuite_g_pal8os2.bmp", 0},
      {"bmp/bmpsuite_g_pal8.bmp", "bmp/bmpsuite_g_pal8v5.bmp", 0},
      {"bmp/bmpsuite_g_pal8.bmp", "bmp/bmpsuite_x_ba-bm.bmp", 0},
      {"bmp/bmpsuite_g_pal4.bmp", "bmp/bmpsuite_g_pal4rle.bmp", 0},
      {"bmp/bmpsuite_g_rgb24.bmp", "bmp/bmpsuite_g_rgb32.bmp", 0},
      {"bmp/bmpsuite_g_rgb24.bmp", "bmp/bmpsuite_g_rgb32bf.bmp", 0},
      {"bmp/bmpsuite_g_rgb24.bmp", "bmp/bmpsuite_q_rgb32fakealpha.bmp", 0},
      {"bmp/bmpsuite_g_rgb16.bmp", "bmp/bmpsuite_q_rgb16faketrns.bmp", 0},
  };
  const std::string root = test_paths::CorpusDir() + "/";
  for (const SamePicture& c : cases) {
    SCOPED_TRACE(std::string(c.fileA) + " vs " + c.fileB);
    const DecodeResult a = DecodeImageFile(root + c.fileA);
    const DecodeResult b = DecodeImageFile(root + c.fileB);
    ASSERT_TRUE(a.ok) << a.error;
    ASSERT_TRUE(b.ok) << b.error;
    ASSERT_EQ(a.image.width, b.image.width);
    ASSERT_EQ(a.image.height, b.image.height);
    EXPECT_LE(MaxChannelDifference(a.image, b.image), c.tolerance);
  }
}

// Two copies of one file that differ only in the vertical origin bit; both
// have right-to-left rows. Pillow's tests know the texel at (90, 90).
TEST(ImageCorpus, TgaOriginsFromTheRight) {
  const DecodeResult top = DecodeImageFile(Corpus("other", "pil_rgb32rle_top_right.tga"));
  const DecodeResult bottom = DecodeImageFile(Corpus("other", "pil_rgb32rle_bottom_right.tga"));
  ASSERT_TRUE(top.ok) << top.error;
  ASSERT_TRUE(bottom.ok) << bottom.error;
  const uint32_t w = top.image.width;
  EXPECT_EQ(top.image.texels[90 * w + 90] & 0xffffff, 0x000000u);
  EXPECT_EQ(bottom.image.texels[90 * w + 90] & 0xffffff, 0x00ff00u);
  for (uint32_t y = 0; y < top.image.height; ++y) {
    ASSERT_TRUE(std::equal(top.image.texels.begin() + y * w, top.image.texels.begin() + (y + 1) * w,
                           bottom.image.texels.begin() + (top.image.height - 1 - y) * w))
        << "row " << y;
  }
}

TEST(ImageCorpus, AlphaOnlyWhereTheFileDeclaresIt) {
  // 32-bit BMP whose spare bytes are not zero: still opaque.
  DecodeResult r = DecodeImageFile(Corpus("bmp", "bmpsuite_q_rgb32fakealpha.bmp"));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(std::all_of(r.image.texels.begin(), r.image.texels.end(),
                          [](uint32_t t) { return (t >> 24) == 0xff; }));
  // With an alpha mask in a V5 header some texels are translucent.
  r = DecodeImageFile(Corpus("bmp", "bmpsuite_q_rgba32-1.bmp"));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(std::any_of(r.image.texels.begin(), r.image.texels.end(),
                          [](uint32_t t) { return (t >> 24) != 0xff; }));
  // DXT1 with 1-bit alpha blocks has fully transparent texels.
  r = DecodeImageFile(Corpus("dds", "pfim_dxt1-alpha.dds"));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(std::any_of(r.image.texels.begin(), r.image.texels.end(),
                          [](uint32_t t) { return t == 0; }));
  // JPEG never has alpha.
  r = DecodeImageFile(Corpus("other", "pil_hopper.jpg"));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(std::all_of(r.image.texels.begin(), r.image.texels.end(),
                          [](uint32_t t) { return (t >> 24) == 0xff; }));
}

// Every prefix of a real file, each in a heap block of exactly its size so
// that the sanitizer sees any read past the end. A prefix may only decode if
// it gives the full file's picture.
TEST(ImageCorpus, EveryTruncationIsRefusedOrComplete) {
  const char* files[] = {
      "dds/dxsdk_SmallTexture.dds",   "dds/pfim_24-bit-uncompressed-bgr-odd.dds",
      "dds/pfim_dxt5-simple-odd.dds", "dds/dxsdk_brass.dds",
      "dds/dxsdk_linear.dds",         "dds/pil_palette.dds",
      "bmp/bmpsuite_g_pal1.bmp",      "bmp/bmpsuite_g_pal4rle.bmp",
      "bmp/bmpsuite_g_pal8os2.bmp",   "bmp/bmpsuite_q_rgba16-4444.bmp",
      "bmp/bmpsuite_x_ba-bm.bmp",     "other/pfim_true-32-mixed.tga",
      "other/pil_cross_scan_line.tga", "other/pfim_rgb32_top_left_rle_colormap.tga",
      "other/pil_1_trns.png",         "other/pil_l_trns.png",
      "other/pil_hopper_gray.jpg",
  };
  for (const char* file : files) {
    SCOPED_TRACE(file);
    const auto bytes = ReadFileBytes(test_paths::CorpusDir() + "/" + file);
    ASSERT_TRUE(bytes.has_value());
    const DecodeResult full = DecodeImageBytes(bytes->data(), bytes->size());
    ASSERT_TRUE(full.ok) << full.error;
    int accepted = 0;
    for (size_t length = 0; length < bytes->size(); ++length) {
      std::unique_ptr<uint8_t[]> prefix(new uint8_t[std::max<size_t>(length, 1)]);
      std::copy(bytes->begin(), bytes->begin() + ptrdiff_t(length), prefix.get());
      const DecodeResult r = DecodeImageBytes(prefix.get(), length);
      if (r.ok) {
        ++accepted;
        ASSERT_EQ(r.image.texels, full.image.texels) << "prefix of " << length << " bytes";
      } else {
        ASSERT_FALSE(r.error.empty());
      }
    }
    // Only the tail past the top level's data (mips, padding, trailers) may go.
    EXPECT_LT(accepted, int(bytes->size()) / 2 + 8);
  }
}

}  // namespace
