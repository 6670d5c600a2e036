// The small platform layers: clock, files, fixed-point formatting, cursor.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>

#include "platform/clock.h"
#include "platform/cursor.h"
#include "platform/files.h"
#include "platform/format_fixed.h"
#include "support/test_paths.h"

namespace {

TEST(ClockTest, ManualClockDrivesBothClocksAndWrapsAt2To32) {
  platform_clock::SetManual(0xFFFFFFF0u);
  EXPECT_EQ(timeGetTime(), 0xFFFFFFF0u);
  EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
  platform_clock::Advance(0x20);
  EXPECT_EQ(timeGetTime(), 0x10u);
  EXPECT_EQ(uint32_t(timeGetTime() - 0xFFFFFFF0u), 0x20u);
  platform_clock::UseSystem();
  const uint32_t a = timeGetTime();
  const uint32_t b = timeGetTime();
  EXPECT_LT(uint32_t(b - a), 1000u) << "the system clock moves forward slowly";
}

TEST(FilesTest, FileExistsOnlyForRegularFiles) {
  TempDir dir;
  std::ofstream(dir.File("model.x")) << "x";
  std::filesystem::create_directory(dir.File("dir10"));
  EXPECT_TRUE(FileExists(dir.File("model.x")));
  EXPECT_FALSE(FileExists(dir.File("dir10")));
  EXPECT_FALSE(FileExists(dir.File("missing.x")));
  EXPECT_FALSE(FileExists(""));
}

TEST(FilesTest, CurrentDirHasNoTrailingSeparator) {
  TempDir dir;
  ScopedCurrentDir in(dir.path());
  EXPECT_EQ(GetCurrentDir(), std::filesystem::canonical(dir.path()).string());
}

TEST(FilesTest, ChangeFileExtReplacesOnlyTheLastComponentsExtension) {
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"dir10/7.x", "dir10/7.vdt"},
      {"/work/dir10/model.X", "/work/dir10/model.vdt"},
      {"dir.10/7", "dir.10/7.vdt"},
      {"7.x.bak", "7.x.vdt"},
      {"noext", "noext.vdt"},
  };
  for (const auto& c : cases) EXPECT_EQ(ChangeFileExt(c.path, ".vdt"), c.expected) << c.path;
}

TEST(FilesTest, ReadFileBytesReturnsEverythingOrNothing) {
  TempDir dir;
  const std::string bytes("a\0b\r\nc", 6);
  std::ofstream(dir.File("data.bin"), std::ios::binary) << bytes;
  const auto read = ReadFileBytes(dir.File("data.bin"));
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(std::string(read->begin(), read->end()), bytes);
  EXPECT_FALSE(ReadFileBytes(dir.File("missing.bin")).has_value());
}

TEST(FormatFixedTest, MatchesPrintfWithAPointWhateverTheLocale) {
  const struct {
    double value;
    int decimals;
    const char* expected;
  } cases[] = {
      {0.0, 2, "0.00"},         {1.005, 2, "1.00"},  // 1.005 is just below in binary
      {62.5, 2, "62.50"},       {-0.25, 3, "-0.250"}, {1e6, 2, "1000000.00"},
      {2.675, 2, "2.67"},       {0.125, 2, "0.12"},   // exact halves round to even
  };
  for (const auto& c : cases) {
    char printed[64];
    std::snprintf(printed, sizeof printed, "%.*f", c.decimals, c.value);
    EXPECT_EQ(FormatFixed(c.value, c.decimals), printed) << c.value;
    EXPECT_EQ(FormatFixed(c.value, c.decimals), c.expected) << c.value;
  }
  if (std::setlocale(LC_ALL, "de_DE.UTF-8")) {
    EXPECT_EQ(FormatFixed(1.5, 2), "1.50");
    std::setlocale(LC_ALL, "C");
  }
}

TEST(CursorTest, InstalledSourceReplacesThePointer) {
  SetCursorPosSource([] { return POINT{620, 54}; });
  POINT p{};
  EXPECT_TRUE(GetCursorPos(&p));
  EXPECT_EQ(p.x, 620);
  EXPECT_EQ(p.y, 54);
  SetCursorPosSource(nullptr);
  EXPECT_FALSE(GetCursorPos(nullptr));
}

}  // namespace
