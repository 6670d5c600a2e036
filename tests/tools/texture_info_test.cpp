#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "render/texture_file.h"
#include "support/test_paths.h"

namespace {

struct ToolRun {
  int exitCode = -1;
  std::string out, err;
};

ToolRun RunTool(const std::vector<std::string>& args) {
  QStringList list;
  for (const std::string& a : args) list << QString::fromStdString(a);
  QProcess process;
  process.start(QString::fromStdString(test_paths::ToolPath()), list);
  ToolRun run;
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return run;
  run.exitCode = process.exitCode();
  run.out = process.readAllStandardOutput().toStdString();
  run.err = process.readAllStandardError().toStdString();
  return run;
}

std::string Corpus(const std::string& path) { return test_paths::CorpusDir() + "/" + path; }

TEST(TextureInfoTool, PrintsOneLinePerFile) {
  const std::pair<const char*, const char*> cases[] = {
      {"dds/dxsdk_Foliage.dds", "width 512 height 512 format DXT5 levels 10\n"},
      {"dds/pfim_dds_R5G6B5.dds", "width 256 height 256 format R5G6B5 levels 1\n"},
      {"dds/pil_uncompressed_la.dds", "width 128 height 128 format A8L8 levels 1\n"},
      {"xfile/Tiny_skin.dds", "width 256 height 256 format X8R8G8B8 levels 1\n"},
      {"xfile/tiger.bmp", "width 256 height 256 format BMP8 levels 1\n"},
      {"bmp/dxsdk_Arrows.bmp", "width 64 height 16 format BMP24 levels 1\n"},
      {"other/pil_hopper.png", "width 128 height 128 format PNG levels 1\n"},
      {"xfile/cellwall.jpg", nullptr},  // size only known from the file: checked below
      {"other/pfim_true-32-rle.tga", nullptr},
  };
  for (const auto& [file, line] : cases) {
    SCOPED_TRACE(file);
    const ToolRun run = RunTool({"texture-info", Corpus(file)});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    if (line != nullptr) {
      EXPECT_EQ(run.out, line);
    } else {
      const DecodeResult r = DecodeImageFile(Corpus(file));
      ASSERT_TRUE(r.ok) << r.error;
      EXPECT_EQ(run.out, "width " + std::to_string(r.image.width) + " height " +
                             std::to_string(r.image.height) + " format " + r.image.format +
                             " levels 1\n");
    }
  }
}

TEST(TextureInfoTool, RefusedFilesExitOneWithTheReason) {
  const std::pair<const char*, const char*> cases[] = {
      {"dds/dxsdk_LobbyCube.dds", "cube map"},
      {"bmp/bmpsuite_b_shortfile.bmp", "shorter"},
      {"other/pil_truncated_jpeg.jpg", "truncated"},
      {"xfile/no-such-texture.dds", "not found"},
  };
  for (const auto& [file, reason] : cases) {
    SCOPED_TRACE(file);
    const ToolRun run = RunTool({"texture-info", Corpus(file)});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
  }
}

TEST(TextureInfoTool, BadArgumentsShowTheUsage) {
  const std::vector<std::vector<std::string>> cases = {
      {"texture-info"},
      {"texture-info", "a.dds", "b.dds"},
      {"texture-info", "a.dds", "--png"},
  };
  for (const auto& args : cases) {
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("usage"), std::string::npos);
  }
}

TEST(TextureInfoTool, PngHoldsTheDecodedTopLevel) {
  TempDir temp;
  for (const char* file : {"dds/pfim_dxt1-alpha.dds", "bmp/bmpsuite_g_pal4rle.bmp",
                           "other/pil_200x32_la_bl_rle.tga"}) {
    SCOPED_TRACE(file);
    const std::string out = temp.File("out.png");
    const ToolRun run = RunTool({"texture-info", Corpus(file), "--png", out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    QImage written(QString::fromStdString(out));
    ASSERT_FALSE(written.isNull());
    EXPECT_TRUE(written.hasAlphaChannel());
    written = written.convertToFormat(QImage::Format_ARGB32);
    const DecodeResult expected = DecodeImageFile(Corpus(file));
    ASSERT_TRUE(expected.ok);
    ASSERT_EQ(uint32_t(written.width()), expected.image.width);
    ASSERT_EQ(uint32_t(written.height()), expected.image.height);
    for (int y = 0; y < written.height(); ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(written.constScanLine(y));
      ASSERT_TRUE(std::equal(row, row + written.width(),
                             expected.image.texels.begin() + ptrdiff_t(y) * written.width()))
          << "row " << y;
    }
  }
  const ToolRun run = RunTool(
      {"texture-info", Corpus("dds/dxsdk_brass.dds"), "--png", temp.File("no/such/folder.png")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "width 16 height 16 format DXT1 levels 1\n");
  EXPECT_NE(run.err.find("cannot write"), std::string::npos) << run.err;
}

}  // namespace
