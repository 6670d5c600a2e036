// The number spelling nearly every exporter writes, -?d{0,7}[.d{0,7}], read
// with word-wide bit tricks instead of a loop per digit. Shared by the text
// tokenizer and the lookahead thread, which must agree to the bit.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace xfile {

namespace short_decimal {

// High bit of each of the 8 bytes at p that is not an ASCII digit. A carry
// out of a byte can only disturb the bytes above it, and only when that byte
// is not a digit or '.', so flags are exact up to the first other byte.
inline uint64_t NonDigitFlags(const char* p) {
  uint64_t bytes;
  std::memcpy(&bytes, p, 8);
  const uint64_t digits = bytes ^ 0x3030303030303030ull;  // a digit byte becomes 0..9
  return ((digits + 0x7676767676767676ull) | digits) & 0x8080808080808080ull;
}

// The value of the `count` (0 to 7) digits in the low bytes of a word.
inline uint64_t DigitWordValue(uint64_t bytes, int count) {
  // Right-align the digits; the missing leading ones become zeros. Two
  // shifts, as one of 64 bits is undefined.
  const int shift = 32 - 4 * count;
  uint64_t v = ((bytes ^ 0x3030303030303030ull) << shift) << shift;
  v = v * 10 + (v >> 8);
  v = (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
       (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
      32;
  return uint32_t(v);
}

// The value of the `count` (0 to 7) digits at p.
inline uint64_t DigitValue(const char* p, int count) {
  uint64_t bytes;
  std::memcpy(&bytes, p, 8);
  return DigitWordValue(bytes, count);
}

constexpr uint64_t kPow10Int[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};

}  // namespace short_decimal

// Where the number at q ends, with its value in v; nullptr when it is spelt
// otherwise (longer digit runs, exponents, '+', the "1.#IND" family, no
// digit at all). Reads at most 17 bytes from q. An exact integer mantissa
// divided by an exact power of ten is correctly rounded, so this is what
// from_chars gives.
[[gnu::always_inline]] inline const char* ParseShortDecimal(const char* q, double& v) {
  using namespace short_decimal;
  const bool negative = *q == '-';
  q += negative;
  const uint64_t low = NonDigitFlags(q);
  if (low == 0) return nullptr;
  const int intDigits = std::countr_zero(low) >> 3;
  const char* end;
  double d;
  if (q[intDigits] == '.') {
    // The end is the first non-digit past the point; found from the same
    // flags, so it does not wait for the integer part to be read.
    const int pointBit = 8 * intDigits + 7;
    const uint64_t past = (low >> 1 >> pointBit) << 1 << pointBit;
    int endAt;
    if (past != 0) {
      endAt = std::countr_zero(past) >> 3;
    } else {
      const uint64_t high = NonDigitFlags(q + 8);
      if (high == 0) return nullptr;
      endAt = 8 + (std::countr_zero(high) >> 3);
    }
    const int fracDigits = endAt - intDigits - 1;
    if (fracDigits >= 8 || intDigits + fracDigits == 0) return nullptr;
    end = q + endAt;
    uint64_t mantissa;
    if (endAt <= 8) {
      // All in one word: the point is taken out and the digits read at once.
      uint64_t word;
      std::memcpy(&word, q, 8);
      const uint64_t before = (uint64_t(1) << (8 * intDigits)) - 1;
      mantissa = DigitWordValue((word & before) | ((word >> 8) & ~before), endAt - 1);
    } else {
      mantissa = DigitValue(q, intDigits) * kPow10Int[fracDigits] + DigitValue(q + intDigits + 1, fracDigits);
    }
    d = double(mantissa) / kPow10[fracDigits];
  } else {
    if (intDigits == 0) return nullptr;
    end = q + intDigits;
    d = double(DigitValue(q, intDigits));
  }
  if (*end == 'e' || *end == 'E' || *end == '#') return nullptr;
  // Branch-free sign: signs of coordinates are unpredictable.
  uint64_t bits;
  std::memcpy(&bits, &d, 8);
  bits ^= uint64_t(negative) << 63;
  std::memcpy(&v, &bits, 8);
  return end;
}

}  // namespace xfile
