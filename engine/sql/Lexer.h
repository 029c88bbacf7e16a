/*
** A small SQL tokenizer: words, quoted identifiers, string literals,
** numbers, placeholders and symbols, with comments skipped. The engine uses
** it to read a statement's first keyword, to split anonymous blocks, to
** parse account statements and to find quoted names, without ever looking
** inside a literal.
*/
#ifndef KESTREL_ENGINE_LEXER_H
#define KESTREL_ENGINE_LEXER_H

#include <stddef.h>

#include <string>
#include <string_view>
#include <vector>

namespace kestrel_engine {

enum class TokenKind {
  kWord,              // unquoted identifier or keyword
  kQuotedIdentifier,  // "name" (or `name`)
  kString,            // 'text'
  kNumber,
  kPlaceholder,       // :name, :1, ?
  kSymbol,            // one punctuation character, or || <= >= <> != ...
  kEnd
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  size_t offset = 0;       // into the text
  std::string_view raw;    // as written, quotes included

  // Case-insensitive comparison of a word with a keyword.
  bool Is(std::string_view keyword) const;
  bool IsSymbol(char c) const {
    return kind == TokenKind::kSymbol && raw.size() == 1 && raw[0] == c;
  }
  // A word or a quoted identifier as a name: quotes removed and doubled
  // quotes undone. Words come back as written.
  std::string Name() const;
};

// Every token of `text`, ending with one kEnd token. An unterminated
// literal or quoted identifier runs to the end of the text.
std::vector<Token> Tokenize(std::string_view text);

// ASCII upper case, as the vendor folds unquoted identifiers.
std::string UpperAscii(std::string_view text);

}  // namespace kestrel_engine

#endif
