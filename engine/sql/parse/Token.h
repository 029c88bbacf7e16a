/*
** Tokens of Oracle SQL: views into the statement text with their byte
** offsets, and the folded value the parser compares against.
*/
#ifndef KESTREL_ENGINE_SQL_PARSE_TOKEN_H
#define KESTREL_ENGINE_SQL_PARSE_TOKEN_H

#include <stdint.h>

#include <string_view>

#include "sql/parse/Keywords.h"

namespace kestrel_engine::sql {

enum class Tok : uint8_t {
  kWord,         // unquoted identifier or keyword; value folded to upper case
  kQuotedIdent,  // "Name": value without the quotes
  kString,       // '...', q'[...]': value with quotes removed, '' undone
  kNString,      // N'...', NQ'...'
  kNumber,       // value as written, without an f/d suffix
  kBind,         // :name or :1; value without the colon
  kSymbol,       // punctuation: see Sym
  kEnd,
};

enum class Sym : uint8_t {
  kNone, kLParen, kRParen, kComma, kDot, kDotDot, kSemicolon, kColon,
  kPlus, kMinus, kStar, kSlash, kConcat,
  kEq, kNe, kLt, kLe, kGt, kGe, kArrow, kAt, kOuterJoin, kPercent,
};

struct Token {
  Tok kind = Tok::kEnd;
  Sym sym = Sym::kNone;
  Kw kw = Kw::kNone;      // kWord: the keyword it spells, if any
  bool reserved = false;  // a word Oracle reserves (never an identifier)
  uint8_t suffix = 0;     // kNumber: 'f' or 'd' when written, else 0
  uint32_t offset = 0;
  std::string_view raw;   // as written
  std::string_view value;
};

}  // namespace kestrel_engine::sql

#endif
