#include "render/xfile_tokenizer_binary.h"

#include "render/little_endian.h"

namespace xfile {

namespace {

using little_endian::U16;

enum : uint16_t {
  kName = 1,
  kString = 2,
  kInteger = 3,
  kGuid = 5,
  kIntegerList = 6,
  kFloatList = 7,
  kOBrace = 10,
  kCBrace = 11,
  kOParen = 12,
  kCParen = 13,
  kOBracket = 14,
  kCBracket = 15,
  kOAngle = 16,
  kCAngle = 17,
  kDot = 18,
  kComma = 19,
  kSemicolon = 20,
  kTemplate = 31,
  kWord = 40,
  kCString = 51,
  kArray = 52,
};


}  // namespace

Token BinaryLexer::Next() {
  Token t;
  if (p_ >= end_) {
    t.type = Tok::End;
    return t;
  }
  if (!Need(2)) {
    Fail("truncated token");
    t.type = Tok::Error;
    return t;
  }
  uint16_t id = U16(p_);
  p_ += 2;
  switch (id) {
    case kName:
    case kString: {
      if (!Need(4)) break;
      uint32_t n = U32(p_);
      p_ += 4;
      if (!Need(n)) break;
      t.text = std::string_view(reinterpret_cast<const char*>(p_), n);
      p_ += n;
      t.type = id == kName ? Tok::Name : Tok::String;
      if (id == kString && Need(2) && (U16(p_) == kComma || U16(p_) == kSemicolon)) p_ += 2;
      return t;
    }
    case kInteger:
      if (!Need(4)) break;
      t.number = U32(p_);
      p_ += 4;
      t.type = Tok::Integer;
      return t;
    case kGuid:
      if (!Need(16)) break;
      t.text = std::string_view(reinterpret_cast<const char*>(p_), 16);
      p_ += 16;
      t.type = Tok::Guid;
      return t;
    case kIntegerList:
    case kFloatList: {
      if (!Need(4)) break;
      uint64_t n = U32(p_);
      p_ += 4;
      uint64_t width = id == kIntegerList ? 4 : (doubles_ ? 8 : 4);
      if (uint64_t(end_ - p_) < n * width) break;
      p_ += n * width;
      t.type = Tok::List;
      return t;
    }
    case kOBrace: t.type = Tok::LBrace; return t;
    case kCBrace: t.type = Tok::RBrace; return t;
    case kOParen: t.type = Tok::LParen; return t;
    case kCParen: t.type = Tok::RParen; return t;
    case kOBracket: t.type = Tok::LBracket; return t;
    case kCBracket: t.type = Tok::RBracket; return t;
    case kOAngle: t.type = Tok::LAngle; return t;
    case kCAngle: t.type = Tok::RAngle; return t;
    case kDot: t.type = Tok::Dot; return t;
    case kComma: t.type = Tok::Comma; return t;
    case kSemicolon: t.type = Tok::Semicolon; return t;
    case kTemplate: t.type = Tok::Template; return t;
    default:
      if (id >= kWord && id <= kArray) {
        t.type = Tok(uint8_t(Tok::KwWord) + (id - kWord));
        return t;
      }
      p_ -= 2;
      Fail("unknown token " + std::to_string(id));
      t.type = Tok::Error;
      return t;
  }
  Fail("truncated token");
  t.type = Tok::Error;
  return t;
}

bool BinaryLexer::Refill() {
  while (true) {
    if (!Need(2)) return Fail(p_ >= end_ ? "unexpected end of file where a number was expected" : "truncated token");
    uint16_t id = U16(p_);
    if (id == kComma || id == kSemicolon) {
      p_ += 2;
      continue;
    }
    if (id == kInteger) {
      if (!Need(6)) return Fail("truncated token");
      listKind_ = kIntegers;
      listPos_ = p_ + 2;
      listLeft_ = 1;
      p_ += 6;
      return true;
    }
    if (id == kIntegerList || id == kFloatList) {
      if (!Need(6)) return Fail("truncated token");
      uint64_t n = U32(p_ + 2);
      uint64_t width = id == kIntegerList ? 4 : (doubles_ ? 8 : 4);
      if (uint64_t(end_ - p_ - 6) < n * width) return Fail("list runs past the end of the file");
      listKind_ = id == kIntegerList ? kIntegers : kFloats;
      listPos_ = p_ + 6;
      listLeft_ = size_t(n);
      p_ += 6 + n * width;
      if (n == 0) continue;
      return true;
    }
    return Fail("number expected");
  }
}

bool BinaryLexer::ReadString(std::string& out) {
  if (listLeft_ != 0) return Fail("string expected inside a number list");
  SkipSeparators();
  Token t = Next();
  if (t.type != Tok::String) return Fail("string expected");
  out.assign(t.text.data(), t.text.size());
  return true;
}

void BinaryLexer::SkipSeparators() {
  while (Need(2) && (U16(p_) == kComma || U16(p_) == kSemicolon)) p_ += 2;
}

bool BinaryLexer::SkipBalanced() {
  int depth = 1;
  while (true) {
    Token t = Next();
    switch (t.type) {
      case Tok::End: return Fail("unexpected end of file inside an object");
      case Tok::Error: return false;
      case Tok::LBrace: ++depth; break;
      case Tok::RBrace:
        if (--depth == 0) return true;
        break;
      default: break;
    }
  }
}

}  // namespace xfile
