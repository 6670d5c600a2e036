// Errors the platform raises while reading or writing files and converting
// text; they end the current operation and are shown by the standard error
// display. The message is UTF-8 text, exactly as the user sees it.
#pragma once

#include <stdexcept>
#include <string>

class PlatformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file could not be opened for reading ("ファイル %s は開けません").
class FileOpenError : public PlatformError {
 public:
  explicit FileOpenError(const std::string& path);
};

// A file could not be created or replaced ("ファイル %s を作成できません").
class FileCreateError : public PlatformError {
 public:
  explicit FileCreateError(const std::string& path);
};

// A line list was read or written past its end ("... (%d)", 0-based index).
class ListIndexError : public PlatformError {
 public:
  explicit ListIndexError(int index);
  int index() const { return index_; }

 private:
  int index_;
};

// A text is not a whole or a decimal number.
class ConversionError : public PlatformError {
 public:
  enum class Kind { kInteger, kFloat };
  ConversionError(Kind kind, const std::string& text);
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

// A profile file could not be written ("%s に書き込めません").
class ProfileWriteError : public PlatformError {
 public:
  explicit ProfileWriteError(const std::string& path);
};
