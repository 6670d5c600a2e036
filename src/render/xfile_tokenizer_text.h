// Tokenizer for the text encoding ("txt "). Works in place on the file's bytes:
// names and strings are views, numbers are parsed straight from the buffer.
#pragma once

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "render/xfile_number_lookahead.h"
#include "render/xfile_short_decimal.h"
#include "render/xfile_text_chars.h"
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

  // Numbers the lookahead thread has read for this body are taken from it.
  void UseLookahead(NumberLookahead* lookahead) {
    lookahead_ = lookahead;
    lookaheadFrom_ = lookahead->From();
  }

  // A numeric member: separators (any run of ',' and ';') before it are skipped.
  bool ReadNumber(double& v) { return ReadNumbers(&v, 1); }

  // Long runs of numbers of the usual spelling are read in one tight loop;
  // any other number, comment or error goes the careful way, one at a time.
  bool ReadNumbers(double* out, uint64_t count) {
    uint64_t k = 0;
    while (k < count) {
      if (count - k >= kRunMin) {
        const double* run;
        if (const size_t m = PeekNumberRun(count - k, run)) {
          std::memcpy(out + k, run, m * sizeof(double));
          TakeNumberRun(m);
          k += m;
          continue;
        }
      }
      const char* p = p_;
      // Short bodies have no stretch with the margin: the loop does not run.
      const char* const limit = end_ - std::min<ptrdiff_t>(kFastMargin, end_ - begin_);
      while (k < count) {
        if (p >= lookaheadFrom_ && lookahead_->TakeNext(p, out[k])) {
          ++k;
          continue;
        }
        while (p < limit && kCharClass[static_cast<unsigned char>(*p)] == kSeparator) ++p;
        if (p >= limit) break;
        const char* next;
        if (p < lookaheadFrom_ || !lookahead_->Take(p, out[k], next)) {
          next = ParseShortDecimal(p, out[k]);
          if (next == nullptr) break;
        }
        p = next;
        ++k;
      }
      p_ = p;
      if (k == count) break;
      if (!ReadNumberCarefully(out[k])) return false;
      ++k;
    }
    return true;
  }

  // Numbers the lookahead thread has read from here on, up to `max`, that
  // follow one another with only separators between: how many, and their
  // values. None is taken until TakeNumberRun.
  size_t PeekNumberRun(size_t max, const double*& values) {
    return p_ >= lookaheadFrom_ ? lookahead_->PeekRun(p_, max, values) : 0;
  }
  // Takes the first `count` (at least one) numbers of the run just peeked.
  void TakeNumberRun(size_t count) { p_ = lookahead_->TakeRun(count); }

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
      const uint8_t c = kCharClass[static_cast<unsigned char>(*p_)];
      if (c == kSeparator) {
        ++p_;
      } else if (c == kCommentStart && (*p_ == '#' || (p_ + 1 < end_ && p_[1] == '/'))) {
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
  static constexpr uint8_t kSeparator = text_chars::kSeparator, kCommentStart = text_chars::kCommentStart;
  static constexpr const std::array<uint8_t, 256>& kCharClass = text_chars::kCharClass;
  // Bytes FastDecimalUnchecked may look at: sign, 20 + 23 digits, point, next.
  static constexpr ptrdiff_t kFastMargin = 64;
  // Fewer numbers than this are taken one by one: a run costs a search.
  static constexpr uint64_t kRunMin = 8;

  static bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

  bool ReadNumberCarefully(double& v) {
    SkipSeparators();
    if (end_ - p_ >= kFastMargin) {
      if (FastDecimalUnchecked(v)) return true;
    } else if (p_ < end_ && FastDecimal(v)) {
      return true;
    }
    return SlowNumber(v);
  }

  // from_chars and the exporters' non-finite spellings; p_ is on a number.
  bool SlowNumber(double& v);

  // FastDecimal where at least kFastMargin bytes are left: the same result
  // without a bounds check per character. Digit runs too long for the fast
  // form stop early and fall through.
  bool FastDecimalUnchecked(double& v) {
    const char* q = p_;
    const bool negative = *q == '-';
    q += negative;
    const char* digits = q;
    uint64_t mantissa = 0;
    while (IsDigit(*q) && q - digits < 20) mantissa = mantissa * 10 + uint64_t(*q++ - '0');
    const int intDigits = int(q - digits);
    int fracDigits = 0;
    if (*q == '.') {
      const char* f = ++q;
      while (IsDigit(*q) && q - f < 23) mantissa = mantissa * 10 + uint64_t(*q++ - '0');
      fracDigits = int(q - f);
    }
    if (intDigits + fracDigits == 0 || intDigits + fracDigits > 19 || fracDigits > 22) return false;
    if (*q == 'e' || *q == 'E' || *q == '#') return false;
    if (mantissa > (uint64_t(1) << 53)) return false;
    // Branch-free sign and scale: signs of coordinates are unpredictable.
    const double d = double(mantissa) / kPow10[fracDigits];
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    bits ^= uint64_t(negative) << 63;
    std::memcpy(&v, &bits, 8);
    p_ = q;
    return true;
  }

  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

  // The common spellings, -?digits[.digits], with at most 19 significant digits:
  // an exact integer mantissa divided by an exact power of ten is correctly
  // rounded, so this gives what from_chars gives. Anything else falls through.
  bool FastDecimal(double& v) {
    const char* q = p_;
    bool negative = false;
    if (*q == '-') {
      negative = true;
      ++q;
    }
    const char* digits = q;
    uint64_t mantissa = 0;
    while (q < end_ && IsDigit(*q)) mantissa = mantissa * 10 + uint64_t(*q++ - '0');
    int intDigits = int(q - digits);
    int fracDigits = 0;
    if (q < end_ && *q == '.') {
      const char* f = ++q;
      while (q < end_ && IsDigit(*q)) mantissa = mantissa * 10 + uint64_t(*q++ - '0');
      fracDigits = int(q - f);
    }
    if (intDigits + fracDigits == 0 || intDigits + fracDigits > 19 || fracDigits > 22) return false;
    if (q < end_ && (*q == 'e' || *q == 'E' || *q == '#')) return false;
    if (mantissa > (uint64_t(1) << 53)) return false;
    double d = double(mantissa);
    if (fracDigits) d /= kPow10[fracDigits];
    v = negative ? -d : d;
    p_ = q;
    return true;
  }

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
  NumberLookahead* lookahead_ = nullptr;
  const char* lookaheadFrom_ = end_;
  std::string error_;
};

}  // namespace xfile
