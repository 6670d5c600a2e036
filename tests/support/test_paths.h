// Where tests find their data and the built executables.
#pragma once

#include <string>

namespace test_paths {
std::string CorpusDir();   // real third-party files, with SOURCES.md
std::string FixtureDir();  // small files of our own, tests/fixtures
std::string SampleDir();   // the generated sample working folder
std::string ToolPath();    // orvalo-tool
std::string ViewPath();    // orvalo-view
bool HaveDisplay();        // an X server to open windows on
}  // namespace test_paths

// Whole files as bytes; a missing file reads as empty.
void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

// A fresh empty folder, removed with everything in it when the object dies.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Makes `dir` the working directory until the object dies.
class ScopedCurrentDir {
 public:
  explicit ScopedCurrentDir(const std::string& dir);
  ~ScopedCurrentDir();
  ScopedCurrentDir(const ScopedCurrentDir&) = delete;
  ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

 private:
  std::string previous_;
};
