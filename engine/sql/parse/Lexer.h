/*
** The Oracle SQL lexer: the whole statement into an array of tokens in the
** statement's arena, ending with one Tok::kEnd token. Lexical errors
** (ORA-00911, 01756, 00972, 01740, 01741, 01742) are thrown as SyntaxError.
*/
#ifndef KESTREL_ENGINE_SQL_PARSE_LEXER_H
#define KESTREL_ENGINE_SQL_PARSE_LEXER_H

#include <stddef.h>

#include <string_view>

#include "sql/ast/Arena.h"
#include "sql/parse/Token.h"

namespace kestrel_engine::sql {

struct TokenArray {
  const Token *items = nullptr;
  size_t size = 0;  // including the kEnd token
};

TokenArray Lex(std::string_view text, Arena &arena);

// `upper` is one of Oracle's reserved words.
bool IsReservedWord(std::string_view upper);

// Oracle's identifier limit, in bytes.
constexpr size_t kMaxIdentifierBytes = 128;

}  // namespace kestrel_engine::sql

#endif
