// Profile files in the Windows INI format: "[section]" header lines and
// "key=value" lines. Reads look the file up afresh at every call; a missing
// file behaves as an empty one.
//
// Lines end at CR LF, LF or CR. Section and key names are trimmed and matched
// without regard to (ASCII) case; a value is trimmed, and one pair of matching
// outer quotes (" or ') is removed. Lines starting with ';' are comments. The
// first of duplicate keys wins, and of duplicate sections the first is used.
#pragma once

#include <string>

class ProfileFile {
 public:
  explicit ProfileFile(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  // The key's value; `fallback` without its trailing blanks when the file,
  // the section or the key is missing.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const;
  // The key's value as a decimal number; `fallback` when it is missing, empty
  // or not a number.
  double ReadFloat(const std::string& section, const std::string& key, double fallback) const;

  // Writes the key's value at once. An existing key line is replaced in place,
  // a missing key is added after the last key of its section, a missing
  // section is appended at the end and a missing file is created (CR LF line
  // ends); every other byte of the file stays as it was. Leading blanks of the
  // value are dropped. Raises ProfileWriteError with the path on failure, and
  // the file is then unchanged.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  // Writes the value in the general number form (FloatToStr).
  void WriteFloat(const std::string& section, const std::string& key, double value);

 private:
  std::string path_;
};
