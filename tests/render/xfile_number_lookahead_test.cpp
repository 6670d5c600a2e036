// A text tokenizer that takes numbers from the lookahead thread must behave
// exactly like one that reads every byte itself, whatever the text holds.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "render/xfile_number_lookahead.h"
#include "render/xfile_tokenizer_text.h"

namespace {

// Numbers of every spelling, and the things that look like numbers but are
// not read as one token: names, comments and strings holding digits, numbers
// glued to braces.
const char* const kPieces[] = {
    "12",     "-0.5",       "3.",       ".25",     "1234567",  "12345678",  "0.1234567", "0.12345678",
    "-7",     "1e5",        "+3",       "1.#IND00", "-1.#QNAN0", "007",      "5.5.5",     "-",
    "abc",    "123abc",     "{",        "}",       "{1",       "2}",        "\"1 2 3\"", "# 4 5 6\n",
    "// 7 8\n", "65535",    "-0.000001", "99999999", "1.0E-3",   "0x10",      "<1>",
};
const char* const kSeparators[] = {";", ",", " ", ";,\n  ", "\t", "\r\n", ";;", " , "};

std::string RandomText(std::mt19937& rng, size_t size) {
  std::string s;
  s.reserve(size + 64);
  while (s.size() < size) {
    // Mostly plain numbers, as in real files, so the lookahead has work.
    if (rng() % 4 != 0) {
      s += std::to_string(int(rng() % 20000) - 5000);
      if (rng() % 2) s += "." + std::to_string(rng() % 1000000);
    } else {
      s += kPieces[rng() % std::size(kPieces)];
    }
    s += kSeparators[rng() % std::size(kSeparators)];
  }
  return s;
}

// Drives two tokenizers through the same calls and checks that every result,
// value and position agrees.
void ExpectSameBehaviour(const std::string& text, uint32_t seed) {
  const auto* begin = reinterpret_cast<const uint8_t*>(text.data());
  const auto* end = begin + text.size();
  xfile::TextLexer plain(begin, end);
  xfile::TextLexer ahead(begin, end);
  xfile::NumberLookahead lookahead(text.data(), text.data() + text.size());
  ASSERT_LT(lookahead.From(), text.data() + text.size()) << "the text is too small for a lookahead";
  ahead.UseLookahead(&lookahead);

  std::mt19937 rng(seed);
  std::vector<double> a(64), b(64);
  for (int step = 0;; ++step) {
    const xfile::Token next = plain.Peek();
    ASSERT_EQ(next.type, ahead.Peek().type) << "step " << step;
    ASSERT_EQ(next.text.data(), ahead.Peek().text.data()) << "step " << step;
    if (next.type == xfile::Tok::End) break;
    const uint32_t count = 1 + rng() % 40;
    const bool okPlain = plain.ReadNumbers(a.data(), count);
    const bool okAhead = ahead.ReadNumbers(b.data(), count);
    ASSERT_EQ(okPlain, okAhead) << "step " << step;
    ASSERT_EQ(plain.Error(), ahead.Error()) << "step " << step;
    if (okPlain) {
      ASSERT_EQ(0, std::memcmp(a.data(), b.data(), count * sizeof(double))) << "step " << step;
    } else {
      // Past whatever stopped the numbers, as the parser would go on with tokens.
      ASSERT_NE(xfile::Tok::Error, plain.Next().type) << "step " << step;
      ahead.Next();
    }
  }
}

TEST(XFileNumberLookahead, TokenizerReadsTheSameWithAndWithoutIt) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    std::mt19937 rng(seed);
    const std::string text = RandomText(rng, xfile::NumberLookahead::kMinBodySize + 300000);
    ExpectSameBehaviour(text, seed);
  }
}

TEST(XFileNumberLookahead, SmallBodiesGetNoThread) {
  const std::string text(xfile::NumberLookahead::kMinBodySize - 1, '1');
  xfile::NumberLookahead lookahead(text.data(), text.data() + text.size());
  EXPECT_EQ(text.data() + text.size(), lookahead.From());
}

}  // namespace
