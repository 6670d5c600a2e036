// Tokenizer for the text encoding ("txt "). Works in place on the file's bytes:
// names and strings are views, numbers are parsed straight from the buffer.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

#include "render/xfile_tokenizer.h"

namespace xfile {

class TextLexer {
 public:
  TextLexer(const uint8_t* begin, const uint8_t* end)
      : begin_(reinterpret_cast<const char*>(begin)), p_(begin_), end_(reinterpret_cast<const char*>(end)) {}

  Token Next();
  Token Peek() {
    const char* save = p_;
    Token t = Next();
    p_ = save;
    return t;
  }

  // A numeric member: separators (any run of ',' and ';') before it are skipped.
  bool ReadNumber(double& v) {
    SkipSeparators();
    if (p_ >= end_) return Fail("unexpected end of file where a number was expected");
    const char* s = p_;
    // Plain unsigned integers (counts, indices) are most of a mesh: parse them inline.
    if (static_cast<unsigned char>(*s - '0') < 10) {
      uint64_t acc = 0;
      const char* q = s;
      while (q < end_ && static_cast<unsigned char>(*q - '0') < 10 && q - s < 18) acc = acc * 10 + uint64_t(*q++ - '0');
      if (q >= end_ || !(static_cast<unsigned char>(*q - '0') < 10 || *q == '.' || *q == 'e' || *q == 'E' || *q == '#')) {
        v = double(acc);
        p_ = q;
        return true;
      }
    }
    if (*s == '+') ++s;
    auto [ptr, ec] = std::from_chars(s, end_, v);
    if (ec == std::errc::result_out_of_range) return Fail("number out of range");
    if (ec != std::errc()) return Fail("number expected");
    p_ = ptr;
    // Some exporters write non-finite values as 1.#IND00 or -1.#QNAN0; they read as 0.
    if (p_ < end_ && *p_ == '#') {
      while (p_ < end_ && (*p_ == '#' || IsNameChar(*p_))) ++p_;
      v = 0;
    }
    return true;
  }

  bool ReadString(std::string& out) {
    SkipSeparators();
    if (p_ >= end_ || *p_ != '"') return Fail("string expected");
    const char* s = ++p_;
    const void* q = std::memchr(s, '"', size_t(end_ - s));
    if (!q) return Fail("unterminated string");
    p_ = static_cast<const char*>(q);
    out.assign(s, size_t(p_ - s));
    ++p_;
    return true;
  }

  bool EndMembers() { return true; }

  // Whitespace, comments and separators.
  void SkipSeparators() {
    while (p_ < end_) {
      unsigned char c = static_cast<unsigned char>(*p_);
      if (c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == ',' || c == ';' || c == 0) {
        ++p_;
      } else if (c == '#' || (c == '/' && p_ + 1 < end_ && p_[1] == '/')) {
        SkipLine();
      } else {
        break;
      }
    }
  }

  // Called after an object's '{': skips to just past its matching '}'.
  bool SkipBalanced();

  // No scalar takes less than one byte.
  size_t MaxScalarsLeft() const { return size_t(end_ - p_); }
  std::string Where() const;
  const std::string& Error() const { return error_; }
  bool Fail(const std::string& message) {
    if (error_.empty()) error_ = message + " (" + Where() + ")";
    return false;
  }

 private:
  static bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '+' || c == '.' || static_cast<unsigned char>(c) >= 0x80;
  }
  void SkipWhitespace() {
    while (p_ < end_) {
      unsigned char c = static_cast<unsigned char>(*p_);
      if (c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == 0) {
        ++p_;
      } else if (c == '#' || (c == '/' && p_ + 1 < end_ && p_[1] == '/')) {
        SkipLine();
      } else {
        break;
      }
    }
  }
  void SkipLine() {
    const void* q = std::memchr(p_, '\n', size_t(end_ - p_));
    p_ = q ? static_cast<const char*>(q) + 1 : end_;
  }

  const char* begin_;
  const char* p_;
  const char* end_;
  std::string error_;
};

}  // namespace xfile
