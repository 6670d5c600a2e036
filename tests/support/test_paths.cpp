#include "support/test_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace test_paths {
std::string CorpusDir() { return ORVALO_CORPUS_DIR; }
std::string FixtureDir() { return ORVALO_FIXTURE_DIR; }
std::string SampleDir() { return ORVALO_SAMPLE_DIR; }
std::string ToolPath() { return ORVALO_TOOL_PATH; }
std::string ViewPath() { return ORVALO_VIEW_PATH; }
bool HaveDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display && *display;
}
}  // namespace test_paths

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvalo-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

ScopedCurrentDir::ScopedCurrentDir(const std::string& dir)
    : previous_(std::filesystem::current_path().string()) {
  std::filesystem::current_path(dir);
}

ScopedCurrentDir::~ScopedCurrentDir() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
}
