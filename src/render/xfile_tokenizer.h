// Tokens shared by the text and binary .x tokenizers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xfile {

enum class Tok : uint8_t {
  End,
  Error,
  Name,
  String,
  Integer,
  Float,
  Guid,
  LBrace,
  RBrace,
  LParen,
  RParen,
  LBracket,
  RBracket,
  LAngle,
  RAngle,
  Dot,
  Comma,
  Semicolon,
  Template,
  KwWord,
  KwDword,
  KwFloat,
  KwDouble,
  KwChar,
  KwUchar,
  KwSword,
  KwSdword,
  KwVoid,
  KwString,
  KwUnicode,
  KwCstring,
  KwArray,
  List,  // binary integer or float list, only met where a scalar is not expected
};

struct Token {
  Tok type = Tok::End;
  std::string_view text;  // Name and String: the bytes, no quotes
  double number = 0;      // Integer and Float
};

inline bool IsPrimitiveKeyword(Tok t) { return t >= Tok::KwWord && t <= Tok::KwCstring && t != Tok::KwVoid; }

}  // namespace xfile
