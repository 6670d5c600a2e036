// make-sample as a whole: the folder it writes and its byte-for-byte
// repeatability.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "support/test_paths.h"

namespace {

namespace fs = std::filesystem;

// Runs orvalo-tool make-sample with the given words; its exit status.
int MakeSample(const std::vector<std::string>& args, const std::string& environment = "") {
  std::string command = environment + " '" + test_paths::ToolPath() + "' make-sample";
  for (const std::string& arg : args) command += " '" + arg + "'";
  command += " >/dev/null 2>&1";
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::map<std::string, std::string> ReadTree(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files[fs::relative(entry.path(), root).string()] =
        std::string(std::istreambuf_iterator<char>(in), {});
  }
  return files;
}

TEST(MakeSample, RegeneratingGivesTheSameBytes) {
  TempDir first, second;
  ASSERT_EQ(MakeSample({first.path()}), 0);
  // Another folder, and a decimal-comma locale: numbers are still written with a point.
  ASSERT_EQ(MakeSample({second.path() + "/nested/out"}, "LC_ALL=de_DE.UTF-8"), 0);
  const auto a = ReadTree(first.path());
  const auto b = ReadTree(second.path() + "/nested/out");
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [name, bytes] : a) {
    auto other = b.find(name);
    ASSERT_NE(other, b.end()) << name;
    EXPECT_TRUE(bytes == other->second) << name << " differs";
  }

  std::vector<std::string> expected = {
      "help.html",       "developer/develop.txt", "sys/ctrl.x",     "sys/centerp.x",
      "sys/mozaik.dds",  "sys/cursor2.dds",       "sys/logo.dds",   "sys/multi1.dds"};
  for (int digit = 1; digit <= 5; ++digit) {
    expected.push_back("sys/" + std::to_string(digit) + ".dds");
    expected.push_back("sys/" + std::to_string(digit) + "h.dds");
  }
  for (const char* scene : {"dir10", "dir11", "dir20", "dir30"}) {
    for (const char* file : {"model.x", "bg.x", "env.ini", "motion.txt", "marray.txt", "face.bmp"}) {
      expected.push_back(std::string(scene) + "/" + file);
    }
    for (int k = 0; k < 8; ++k) {
      expected.push_back(std::string(scene) + "/" + std::to_string(k) + ".x");
      expected.push_back(std::string(scene) + "/" + std::to_string(k) + ".vdt");
    }
  }
  for (const std::string& name : expected) EXPECT_TRUE(a.count(name)) << name << " missing";
  // Its presence in the working folder would turn on the developer menu.
  EXPECT_FALSE(a.count("develop.txt"));
}

TEST(MakeSample, RefusesBadArguments) {
  EXPECT_EQ(MakeSample({}), 2);
  EXPECT_EQ(MakeSample({"a", "b"}), 2);
  TempDir dir;
  { std::ofstream(dir.File("plain")) << "x"; }
  // A folder cannot be made below a regular file.
  EXPECT_EQ(MakeSample({dir.File("plain") + "/out"}), 1);
}

}  // namespace
