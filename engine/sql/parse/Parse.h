/*
** The front end's entry point: one statement of Oracle SQL into a syntax
** tree in the caller's arena.
*/
#ifndef KESTREL_ENGINE_SQL_PARSE_PARSE_H
#define KESTREL_ENGINE_SQL_PARSE_PARSE_H

#include <string_view>

#include "sql/ast/Arena.h"
#include "sql/ast/Statements.h"
#include "sql/parse/SyntaxError.h"

namespace kestrel_engine::sql {

// Deepest nesting of parentheses, subqueries and prefix operators; deeper
// text gets ORA-00036 rather than exhausting the stack.
constexpr int kMaxNesting = 200;
// Deepest tree: nesting plus left-deep chains of binary operators, set
// operations and joins (AND and OR are flat lists and do not count).
// Passes over the tree may recurse this deep.
constexpr int kMaxTreeDepth = 1000;

// Parses one statement (trailing semicolons allowed). Throws SyntaxError
// with Oracle's number and the offending token's offset. The tree lives
// in `arena` and points into `text`: both must outlive it.
Statement *Parse(std::string_view text, Arena &arena);

}  // namespace kestrel_engine::sql

#endif
