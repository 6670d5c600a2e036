#include "render/xfile_tokenizer_text.h"

#include <algorithm>

namespace xfile {

namespace {

struct Keyword {
  const char* text;
  Tok tok;
};
constexpr Keyword kKeywords[] = {
    {"template", Tok::Template}, {"word", Tok::KwWord},     {"dword", Tok::KwDword},   {"float", Tok::KwFloat},
    {"double", Tok::KwDouble},   {"char", Tok::KwChar},     {"uchar", Tok::KwUchar},   {"sword", Tok::KwSword},
    {"sdword", Tok::KwSdword},   {"void", Tok::KwVoid},     {"string", Tok::KwString}, {"unicode", Tok::KwUnicode},
    {"cstring", Tok::KwCstring}, {"array", Tok::KwArray},
};

bool EqualsLower(std::string_view word, const char* lower) {
  size_t n = std::char_traits<char>::length(lower);
  if (word.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = word[i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

}  // namespace

Token TextLexer::Next() {
  Token t;
  SkipWhitespace();
  if (p_ >= end_) {
    t.type = Tok::End;
    return t;
  }
  char c = *p_;
  switch (c) {
    case '{': ++p_; t.type = Tok::LBrace; return t;
    case '}': ++p_; t.type = Tok::RBrace; return t;
    case '(': ++p_; t.type = Tok::LParen; return t;
    case ')': ++p_; t.type = Tok::RParen; return t;
    case '[': ++p_; t.type = Tok::LBracket; return t;
    case ']': ++p_; t.type = Tok::RBracket; return t;
    case '>': ++p_; t.type = Tok::RAngle; return t;
    case ',': ++p_; t.type = Tok::Comma; return t;
    case ';': ++p_; t.type = Tok::Semicolon; return t;
    case '"': {
      const char* s = p_ + 1;
      const void* q = std::memchr(s, '"', size_t(end_ - s));
      if (!q) {
        Fail("unterminated string");
        t.type = Tok::Error;
        return t;
      }
      p_ = static_cast<const char*>(q) + 1;
      t.type = Tok::String;
      t.text = std::string_view(s, size_t(p_ - 1 - s));
      return t;
    }
    case '<': {
      // <xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx>
      const char* s = p_ + 1;
      const char* q = s;
      while (q < end_ && q - s <= 40 && *q != '>') {
        char h = *q;
        bool ok = (h >= '0' && h <= '9') || (h >= 'a' && h <= 'f') || (h >= 'A' && h <= 'F') || h == '-' || h == ' ' ||
                  h == '\t';
        if (!ok) break;
        ++q;
      }
      if (q >= end_ || *q != '>') {
        Fail("malformed GUID");
        t.type = Tok::Error;
        return t;
      }
      t.type = Tok::Guid;
      t.text = std::string_view(s, size_t(q - s));
      p_ = q + 1;
      return t;
    }
    default:
      break;
  }
  if (!IsNameChar(c)) {
    Fail(std::string("unexpected character '") + (c >= 32 && c < 127 ? std::string(1, c) : std::string("?")) + "'");
    t.type = Tok::Error;
    return t;
  }
  const char* s = p_;
  while (p_ < end_ && IsNameChar(*p_)) ++p_;
  std::string_view word(s, size_t(p_ - s));
  t.text = word;
  if (std::all_of(word.begin(), word.end(), [](char ch) { return ch == '.'; })) {
    t.type = Tok::Dot;  // "..." of an open template
    return t;
  }
  char first = word[0];
  if ((first >= '0' && first <= '9') || first == '-' || first == '+' || first == '.') {
    const char* ns = s;
    if (*ns == '+') ++ns;
    double v = 0;
    auto [ptr, ec] = std::from_chars(ns, p_, v);
    if (ec == std::errc() && ptr == p_) {
      t.number = v;
      t.type = std::all_of(word.begin(), word.end(), [](char ch) { return ch >= '0' && ch <= '9'; }) ? Tok::Integer
                                                                                                      : Tok::Float;
      return t;
    }
  }
  for (const Keyword& k : kKeywords) {
    if (EqualsLower(word, k.text)) {
      t.type = k.tok;
      return t;
    }
  }
  t.type = Tok::Name;
  return t;
}

bool TextLexer::SlowNumber(double& v) {
  if (p_ >= end_) return Fail("unexpected end of file where a number was expected");
  const char* s = p_;
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

bool TextLexer::SkipBalanced() {
  int depth = 1;
  while (true) {
    SkipWhitespace();
    if (p_ >= end_) return Fail("unexpected end of file inside an object");
    char c = *p_;
    if (c == '"') {
      const void* q = std::memchr(p_ + 1, '"', size_t(end_ - p_ - 1));
      if (!q) return Fail("unterminated string");
      p_ = static_cast<const char*>(q) + 1;
    } else if (c == '{') {
      ++depth;
      ++p_;
    } else if (c == '}') {
      ++p_;
      if (--depth == 0) return true;
    } else {
      ++p_;
    }
  }
}

std::string TextLexer::Where() const {
  size_t line = 1 + size_t(std::count(begin_, p_, '\n'));
  return "line " + std::to_string(line);
}

}  // namespace xfile
