/*
** The placeholders of a statement as the vendor counts them: `:name` and
** `:1`, found with the tokenizer (never inside a literal or a comment).
** A placeholder is known by its key, its name without the colon in upper
** case (names compare case-insensitively; `:1` has the key "1").
*/
#ifndef KESTREL_ENGINE_PLACEHOLDERS_H
#define KESTREL_ENGINE_PLACEHOLDERS_H

#include <string>
#include <string_view>
#include <vector>

#include "sql/Lexer.h"

namespace kestrel_engine {

// The key of a placeholder name as a caller or SQLite writes it, with or
// without its colon.
std::string PlaceholderKey(std::string_view name);

// True when `name` (SQLite's parameter name, colon included) has `key`.
bool HasPlaceholderKey(const char *name, std::string_view key);

// The keys of the placeholders in position order. In an SQL statement
// each occurrence is a position, a repeated name included; in an anonymous
// block only the first occurrence of each name is, as the vendor numbers
// them. `?` is not the vendor's and is not counted.
std::vector<std::string> PlaceholderPositions(const std::vector<Token> &tokens,
                                              bool block);

}  // namespace kestrel_engine

#endif
