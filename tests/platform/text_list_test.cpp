#include "platform/text_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform_error.h"
#include "support/test_paths.h"

namespace {

struct SplitCase {
  std::string bytes;
  std::vector<std::string> lines;
};

TEST(TextList, SplitsAtCrLfLfAndCrWithoutAFinalEmptyLine) {
  using namespace std::string_literals;
  const SplitCase cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\n", {"a"}},
      {"a\r", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"\r\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\n\r", {"a", ""}},  // LF then CR: two breaks
      {"a\r\r\nb", {"a", "", "b"}},
      {"  a \t\r\n", {"  a \t"}},
      // Bytes of any encoding stay as they are, NUL included.
      {"\x83\x82\x81\x5b\r\n\xff\xfe"s + '\0' + "x", {"\x83\x82\x81\x5b", "\xff\xfe"s + '\0' + "x"}},
  };
  TempDir dir;
  for (const SplitCase& c : cases) {
    WriteBytes(dir.File("lines.txt"), c.bytes);
    TextList list;
    list.LoadFromFile(dir.File("lines.txt"));
    EXPECT_EQ(list.Lines(), c.lines) << testing::PrintToString(c.bytes);
  }
}

TEST(TextList, OpenFailureNamesThePathAndKeepsTheList) {
  TempDir dir;
  TextList list;
  list.Add("kept");
  for (const std::string& path : {dir.File("missing.txt"), dir.path()}) {
    try {
      list.LoadFromFile(path);
      ADD_FAILURE() << "loaded " << path;
    } catch (const FileOpenError& error) {
      EXPECT_EQ(std::string(error.what()), "ファイル " + path + " は開けません");
    }
    EXPECT_EQ(list.Lines(), std::vector<std::string>{"kept"});
  }
}

TEST(TextList, IndexOutsideTheListIsAListError) {
  TextList list;
  list.Add("a");
  list.Add("b");
  EXPECT_EQ(list.Get(1), "b");
  list.Put(1, "c");
  EXPECT_EQ(list.Get(1), "c");
  for (int index : {2, 5, -1}) {
    const std::string message =
        "リストのインデックスが範囲を超えています (" + std::to_string(index) + ")";
    try {
      list.Get(index);
      ADD_FAILURE() << index;
    } catch (const ListIndexError& error) {
      EXPECT_EQ(std::string(error.what()), message);
      EXPECT_EQ(error.index(), index);
    }
    EXPECT_THROW(list.Put(index, "x"), ListIndexError);
  }
  EXPECT_EQ(list.Count(), 2);
}

TEST(TextList, SavesEveryLineWithCrLfAndReadsItBack) {
  TempDir dir;
  TextList list;
  for (const char* line : {"header \x83\x82", "", "12", "  "}) list.Add(line);
  list.SaveToFile(dir.File("out.txt"));
  EXPECT_EQ(ReadBytes(dir.File("out.txt")), "header \x83\x82\r\n\r\n12\r\n  \r\n");

  TextList back;
  back.LoadFromFile(dir.File("out.txt"));
  EXPECT_EQ(back.Lines(), list.Lines());

  TextList empty;
  empty.SaveToFile(dir.File("out.txt"));
  EXPECT_EQ(ReadBytes(dir.File("out.txt")), "");
}

TEST(TextList, CreateFailureNamesThePathAndLeavesTheOldFile) {
  TempDir dir;
  TextList list;
  list.Add("new");
  const std::string inMissingFolder = dir.File("nofolder/out.txt");
  try {
    list.SaveToFile(inMissingFolder);
    ADD_FAILURE();
  } catch (const FileCreateError& error) {
    EXPECT_EQ(std::string(error.what()), "ファイル " + inMissingFolder + " を作成できません");
  }

  const std::string readOnly = dir.File("readonly.txt");
  WriteBytes(readOnly, "old\r\n");
  ::chmod(readOnly.c_str(), 0444);
  EXPECT_THROW(list.SaveToFile(readOnly), FileCreateError);
  EXPECT_EQ(ReadBytes(readOnly), "old\r\n");
  EXPECT_THROW(list.SaveToFile(dir.path()), FileCreateError);

  // Nothing is left beside the files.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"readonly.txt"});
}

TEST(TextList, ReplacingKeepsPermissionsAndSymbolicLinks) {
  TempDir dir;
  const std::string target = dir.File("target.txt");
  WriteBytes(target, "old\r\n");
  ::chmod(target.c_str(), 0640);
  std::filesystem::create_symlink(target, dir.File("link.txt"));

  TextList list;
  list.Add("new");
  list.SaveToFile(dir.File("link.txt"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.txt")));
  EXPECT_EQ(ReadBytes(target), "new\r\n");
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

}  // namespace
