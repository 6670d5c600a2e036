// A list of text lines loaded from and saved to files. Lines are the file's
// bytes as they are (any encoding); only the line breaks are interpreted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TextList {
 public:
  // Replaces the contents with the file's lines. A line ends at CR LF, a lone
  // LF or a lone CR; a final break starts no further line. Raises
  // FileOpenError with the path when the file cannot be read; the list is
  // then unchanged.
  void LoadFromFile(const std::string& path);
  // Writes every line followed by CR LF (an empty list gives an empty file),
  // replacing the file as a whole. Raises FileCreateError with the path.
  void SaveToFile(const std::string& path) const;

  // Raise ListIndexError with the index when it names no line.
  const std::string& Get(int index) const;
  void Put(int index, std::string line);

  void Add(std::string line);
  void Clear() { lines_.clear(); }
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::vector<std::string>& Lines() const { return lines_; }

  // The line splitting of LoadFromFile, on bytes in memory.
  static std::vector<std::string> SplitLines(std::string_view bytes);

 private:
  std::vector<std::string> lines_;
};

// Replaces the file at path with bytes: writes a new file beside it and
// renames it over the old one, so the path never holds a half-written file.
// An existing file keeps its permissions, and a symbolic link keeps pointing
// at the replaced file. False when the folder is missing, the existing file is
// read-only or not a regular file, or any write fails; the old file is then
// untouched.
bool WriteFileReplacing(const std::string& path, std::string_view bytes);
