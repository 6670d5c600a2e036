// Byte classes of the text encoding, shared by the tokenizer and the
// lookahead thread so that both split the text the same way.
#pragma once

#include <array>
#include <cstdint>

namespace xfile::text_chars {

// Every other byte is class 0.
constexpr uint8_t kSeparator = 1, kCommentStart = 2;

// Separators: whitespace, NUL, and the ',' and ';' between members.
constexpr std::array<uint8_t, 256> kCharClass = [] {
  std::array<uint8_t, 256> t{};
  for (unsigned char c : {' ', '\n', '\r', '\t', ',', ';', '\0'}) t[c] = kSeparator;
  t['#'] = kCommentStart;
  t['/'] = kCommentStart;
  return t;
}();

inline bool IsSeparator(char c) { return kCharClass[static_cast<unsigned char>(c)] == kSeparator; }

}  // namespace xfile::text_chars
