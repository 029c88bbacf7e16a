/*
** COMMENT ON TABLE and COMMENT ON COLUMN: the comments live in the engine's
** table kestrel$comments, keyed by the table's name as SQLite keeps it and
** the column's name ('' for the table's own comment), and show in
** USER_TAB_COMMENTS and USER_COL_COMMENTS. A comment of '' removes one, as
** the vendor's empty string is NULL.
*/
#ifndef KESTREL_ENGINE_COMMENTS_H
#define KESTREL_ENGINE_COMMENTS_H

#include <vector>

#include "errors/OraError.h"
#include "sql/Lexer.h"

namespace kestrel_engine {

class Connection;

extern const char kCommentsTable[];

// Creates kestrel$comments when missing (inside the caller's transaction).
bool EnsureComments(Connection &connection, OraError *error);

// COMMENT ON TABLE t IS '...' / COMMENT ON COLUMN t.c IS '...', committing
// what is pending first, as DDL does. 942 for no such table, 904 for no
// such column.
bool RunCommentStatement(Connection &connection, const std::vector<Token> &tokens,
                         OraError *error);

}  // namespace kestrel_engine

#endif
