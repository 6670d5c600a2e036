// Tokenizer for the binary encoding ("bin ", and "bzip" once inflated).
// Integer and float lists are flattened into a queue of scalars that the
// template reader consumes one member at a time, whatever the list boundaries.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "render/xfile_tokenizer.h"

namespace xfile {

class BinaryLexer {
 public:
  BinaryLexer(const uint8_t* begin, const uint8_t* end, bool doubles)
      : begin_(begin), p_(begin), end_(end), doubles_(doubles) {}

  Token Next();
  Token Peek() {
    const uint8_t* save = p_;
    Token t = Next();
    p_ = save;
    return t;
  }

  bool ReadNumber(double& v) {
    while (listLeft_ == 0) {
      if (!Refill()) return false;
    }
    --listLeft_;
    if (listKind_ == kIntegers) {
      v = double(U32(listPos_));
      listPos_ += 4;
    } else if (doubles_) {
      double d;
      std::memcpy(&d, listPos_, 8);
      v = d;
      listPos_ += 8;
    } else {
      float f;
      std::memcpy(&f, listPos_, 4);
      v = f;
      listPos_ += 4;
    }
    return true;
  }

  bool ReadNumbers(double* out, uint64_t count) {
    for (uint64_t k = 0; k < count; ++k) {
      if (!ReadNumber(out[k])) return false;
    }
    return true;
  }

  // Binary bodies are read by the parser alone: no numbers were read ahead.
  size_t PeekNumberRun(size_t, const double*&) { return 0; }
  void TakeNumberRun(size_t) {}

  bool ReadString(std::string& out);

  // After the last member: a list must not hold more than the template took.
  bool EndMembers() {
    if (listLeft_ != 0) return Fail("more data than the template holds");
    return true;
  }

  void SkipSeparators();
  bool SkipBalanced();

  // Every scalar still to come: the rest of the current list, then at best four bytes each.
  size_t MaxScalarsLeft() const { return listLeft_ + size_t(end_ - p_) / 4; }
  std::string Where() const { return "offset " + std::to_string(size_t(p_ - begin_) + 16); }
  const std::string& Error() const { return error_; }
  bool Fail(const std::string& message) {
    if (error_.empty()) error_ = message + " (" + Where() + ")";
    return false;
  }

 private:
  enum ListKind { kIntegers, kFloats };
  static uint32_t U32(const uint8_t* q) {
    uint32_t v;
    std::memcpy(&v, q, 4);
    return v;  // little-endian hosts only
  }
  bool Need(size_t n) const { return size_t(end_ - p_) >= n; }
  // Reads the next token that can carry scalars; skips separators.
  bool Refill();

  const uint8_t* begin_;
  const uint8_t* p_;
  const uint8_t* end_;
  bool doubles_;
  ListKind listKind_ = kIntegers;
  const uint8_t* listPos_ = nullptr;
  size_t listLeft_ = 0;
  std::string error_;
};

}  // namespace xfile
