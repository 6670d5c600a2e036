// Names stored in .x files (Windows separators and letter case) found on disk.
#include "platform/path_resolution.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "support/test_paths.h"

namespace {

struct ResolutionCase {
  const char* stored;
  const char* expected;  // relative to the working directory; null: nothing
};

class PathResolutionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // work/              the working directory
    //   shared.bmp, Tex/Skin.BMP
    //   scene/model.x, scene/local.bmp, scene/Maps/Wood.png
    //   scene/shared.bmp  (shadowed by the working directory's)
    for (const char* file : {"shared.bmp", "Tex/Skin.BMP", "scene/model.x", "scene/local.bmp",
                             "scene/Maps/Wood.png", "scene/shared.bmp"}) {
      const std::filesystem::path path = std::filesystem::path(dir_.path()) / "work" / file;
      std::filesystem::create_directories(path.parent_path());
      std::ofstream(path) << file;
    }
    std::filesystem::create_directories(std::filesystem::path(dir_.path()) / "work/folder.bmp");
    cwd_.emplace(dir_.path() + "/work");
  }
  TempDir dir_;
  std::optional<ScopedCurrentDir> cwd_;
};

TEST_F(PathResolutionTest, TriesTheWorkingDirectoryThenTheMeshFolder) {
  const ResolutionCase cases[] = {
      {"shared.bmp", "shared.bmp"},
      {"Tex\\Skin.BMP", "Tex/Skin.BMP"},
      {".\\Tex\\Skin.BMP", "./Tex/Skin.BMP"},
      {"tex\\skin.bmp", "Tex/Skin.BMP"},
      {"TEX/SKIN.bmp", "Tex/Skin.BMP"},
      {"local.bmp", "scene/local.bmp"},
      {"LOCAL.BMP", "scene/local.bmp"},
      {"maps\\wood.PNG", "scene/Maps/Wood.png"},
      {"C:\\work\\art\\local.bmp", "scene/local.bmp"},
      {"d:Wood.png", nullptr},
      {"..\\elsewhere\\local.bmp", "scene/local.bmp"},
      {"missing.bmp", nullptr},
      {"folder.bmp", nullptr},
      {"", nullptr},
  };
  for (const ResolutionCase& c : cases) {
    SCOPED_TRACE(c.stored);
    const std::optional<std::string> found = ResolveStoredPath(c.stored, "scene/model.x");
    if (c.expected == nullptr) {
      EXPECT_FALSE(found.has_value()) << *found;
      continue;
    }
    ASSERT_TRUE(found.has_value());
    EXPECT_TRUE(std::filesystem::equivalent(*found, c.expected)) << *found;
  }
}

TEST_F(PathResolutionTest, AbsoluteNamesAndMeshesInTheWorkingDirectory) {
  const std::string absolute = dir_.path() + "/work/tex/skin.bmp";
  const std::optional<std::string> found = ResolveStoredPath(absolute, "");
  ASSERT_TRUE(found.has_value());
  EXPECT_TRUE(std::filesystem::equivalent(*found, "Tex/Skin.BMP"));
  EXPECT_FALSE(ResolveStoredPath("local.bmp", "").has_value());
  // A mesh named without a folder lies in the working directory.
  EXPECT_EQ("shared.bmp", ResolveStoredPath("x\\shared.bmp", "model.x").value_or("").substr(2));
}

}  // namespace
