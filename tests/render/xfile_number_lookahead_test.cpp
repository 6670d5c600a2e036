// A text tokenizer that takes numbers from the lookahead thread must behave
// exactly like one that reads every byte itself, whatever the text holds.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "render/xfile_number_lookahead.h"
#include "render/xfile_objects.h"
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

// A document holding a probe object and a padding object of well over the
// lookahead's minimum body, in either order, so the probe is read once by the
// parser itself and once from the lookahead's records.
std::string ProbeDocument(const std::string& probe, bool probeFirst) {
  std::string padding = "Padding {\n 60000;\n";
  for (int i = 0; i < 60000; ++i) padding += " 0.123456;0.654321;0." + std::to_string(i % 1000) + ";,\n";
  padding += " 0;;\n}\n";
  const std::string templates =
      "xof 0303txt 0032\n"
      "template Padding { <11111111-2222-3333-4444-555555555555> DWORD n; array FLOAT v[n][3]; DWORD last; }\n"
      "template Probe { <11111111-2222-3333-4444-666666666666> DWORD n; array MeshFace faces[n]; DWORD after; DWORD last; }\n";
  // The thread leaves the last bytes of a body to the parser: the probe ends before them.
  const std::string trailer = "# " + std::string(100, '-') + "\n";
  return templates + (probeFirst ? probe + padding : padding + probe) + trailer;
}

struct ProbeResult {
  bool ok = false;
  std::string error;  // without the position it names
  std::vector<double> values;
};

ProbeResult ParseProbe(const std::string& probe, bool probeFirst) {
  const std::string text = ProbeDocument(probe, probeFirst);
  if (!probeFirst) {
    // The probe must lie in the part the thread reads.
    EXPECT_GT(text.find("Probe probe"), text.size() * 9 / 10);
  }
  xfile::Document doc;
  std::string error;
  ProbeResult r;
  r.ok = xfile::ParseXDocument(reinterpret_cast<const uint8_t*>(text.data()), text.size(), doc, &error);
  r.error = error.substr(0, error.find(" ("));
  for (const xfile::DataObject& obj : doc.objects) {
    if (obj.name == "probe") r.values.assign(obj.values.begin(), obj.values.end());
  }
  return r;
}

std::string Faces(int count, const char* face, const char* separator) {
  std::string s;
  for (int i = 0; i < count; ++i) s += std::string(face) + (i + 1 < count ? separator : ";");
  return s;
}

// Arrays of counted lists are copied from the lookahead by whole elements;
// they must come out as the parser reads them, errors included.
TEST(XFileNumberLookahead, CountedListsReadAheadMatchTheParser) {
  struct Case {
    const char* name;
    std::string probe;
    bool ok;
  };
  const Case cases[] = {
      {"quads", "Probe probe { 3000; " + Faces(3000, "4;1,2,3,4;", ",\n") + " 1; 77; }\n", true},
      {"mixed sizes", "Probe probe { 6; 3;1,2,3;, 0;;, 7;1,2,3,4,5,6,7;, 1;9;, 4;1,2,3,4;, 5;5,4,3,2,1;; 1; 77; }\n", true},
      {"comment inside", "Probe probe { 4; 4;1,2,3,4;, # note 5;\n 3;1,2,3;, // 2;\n 4;1,2,3,4;, 3;4,5,6;; 1; 77; }\n",
       true},
      {"count spelt otherwise", "Probe probe { 3; 3;1,2,3;, 3e0;1,2,3;, 4.0;1,2,3,4;; 1; 77; }\n", true},
      {"number spelt otherwise inside", "Probe probe { 2; 3;1,2,1e0;, 3;4,5,6;; 1; 77; }\n", true},
      {"long element", "Probe probe { 2; 40;" + Faces(40, "7", ",") + ", 3;1,2,3;; 1; 77; }\n", true},
      {"fractional count", "Probe probe { 3; 3;1,2,3;, 2.5;1,2;, 3;1,2,3;; 1; 77; }\n", false},
      {"count past the end", "Probe probe { 2; 3;1,2,3;, 99999999;1,2,3; 1; 77; }\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ProbeResult parsed = ParseProbe(c.probe, true);
    const ProbeResult readAhead = ParseProbe(c.probe, false);
    EXPECT_EQ(c.ok, parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.ok, readAhead.ok);
    EXPECT_EQ(parsed.error, readAhead.error);
    EXPECT_EQ(parsed.values, readAhead.values);
    if (c.ok) EXPECT_EQ(77.0, parsed.values.back());
  }
}

TEST(XFileNumberLookahead, SmallBodiesGetNoThread) {
  const std::string text(xfile::NumberLookahead::kMinBodySize - 1, '1');
  xfile::NumberLookahead lookahead(text.data(), text.data() + text.size());
  EXPECT_EQ(text.data() + text.size(), lookahead.From());
}

}  // namespace
