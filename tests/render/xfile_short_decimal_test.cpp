// The word-wide number reader must give exactly what from_chars gives for
// every spelling it accepts, and must refuse the ones it is not made for.
#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <random>
#include <string>

#include "render/xfile_short_decimal.h"

namespace {

struct Outcome {
  bool accepted = false;
  double value = 0;
  size_t length = 0;
};

// The reader reads up to 17 bytes from the start: the text is padded.
Outcome Read(const std::string& text) {
  std::string padded = text + std::string(32, ' ');
  Outcome r;
  const char* end = xfile::ParseShortDecimal(padded.data(), r.value);
  r.accepted = end != nullptr;
  if (end != nullptr) r.length = size_t(end - padded.data());
  return r;
}

void ExpectAsFromChars(const std::string& text) {
  const Outcome got = Read(text);
  if (!got.accepted) return;
  double expected = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), expected);
  ASSERT_EQ(std::errc(), ec) << text;
  EXPECT_EQ(size_t(ptr - text.data()), got.length) << text;
  EXPECT_EQ(0, std::memcmp(&expected, &got.value, sizeof expected)) << text << ": " << got.value;
}

std::string Digits(std::mt19937& rng, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += char('0' + rng() % 10);
  return s;
}

TEST(XFileShortDecimal, AcceptedSpellingsReadAsFromChars) {
  std::mt19937 rng(7);
  const char* const terminators[] = {";", ",", " ", "\n", "}", "x", ""};
  for (int i = 0; i < 200000; ++i) {
    std::string s = rng() % 2 ? "-" : "";
    s += Digits(rng, int(rng() % 8));
    if (rng() % 4 != 0) s += "." + Digits(rng, int(rng() % 8));
    ExpectAsFromChars(s + terminators[rng() % std::size(terminators)]);
  }
}

TEST(XFileShortDecimal, EdgeSpellings) {
  struct Case {
    const char* text;
    bool accepted;
    size_t length;
  };
  const Case cases[] = {
      {"0.707107;", true, 8},   {"-0.707107;", true, 9},  {"1234567.1234567;", true, 15},
      {"3.", true, 2},          {".5", true, 2},          {"-.5", true, 3},
      {"-0", true, 2},          {"7", true, 1},           {"0000000", true, 7},
      {"12345678", false, 0},   {"0.12345678", false, 0}, {"1e5", false, 0},
      {"1.5E3", false, 0},      {"1.#IND", false, 0},     {".", false, 0},
      {"-", false, 0},          {"+3", false, 0},         {"", false, 0},
  };
  for (const Case& c : cases) {
    const Outcome got = Read(c.text);
    EXPECT_EQ(c.accepted, got.accepted) << c.text;
    if (c.accepted) {
      EXPECT_EQ(c.length, got.length) << c.text;
      ExpectAsFromChars(c.text);
    }
  }
  EXPECT_TRUE(std::signbit(Read("-0").value));
}

}  // namespace
