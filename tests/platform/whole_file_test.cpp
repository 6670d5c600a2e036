// Whole-file reads: exact bytes at every size, including those split over
// two threads, and a clean refusal for what is not a readable file.
#include <gtest/gtest.h>

#include <string>

#include "platform/whole_file.h"
#include "support/test_paths.h"

namespace {

std::string Pattern(size_t size) {
  std::string s(size, '\0');
  uint32_t x = 12345;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = char(x >> 24);
  }
  return s;
}

TEST(WholeFileTest, ReadsEveryByteAtAnySize) {
  TempDir dir;
  for (size_t size : {size_t(0), size_t(1), size_t(4096), kParallelReadSize - 1, kParallelReadSize,
                      kParallelReadSize * 3 + 7}) {
    const std::string bytes = Pattern(size);
    const std::string path = dir.File("f" + std::to_string(size));
    WriteBytes(path, bytes);
    FileBytes read;
    ASSERT_TRUE(ReadWholeFile(path, read)) << size;
    ASSERT_EQ(size, read.size);
    EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(read.data.get()), read.size)) << size;
  }
}

TEST(WholeFileTest, RefusesFoldersAndMissingFiles) {
  TempDir dir;
  FileBytes read;
  EXPECT_FALSE(ReadWholeFile(dir.path(), read));
  EXPECT_EQ(nullptr, read.data);
  EXPECT_FALSE(ReadWholeFile(dir.File("missing.x"), read));
  EXPECT_EQ(0u, read.size);
}

}  // namespace
