/*
** The vendor's SQL habits turned into SQL that SQLite runs: SYSDATE and
** SYSTIMESTAMP, NVL, EMPTY_BLOB() and EMPTY_CLOB(), length qualifiers
** and other type spellings SQLite's parser refuses, a trailing FOR UPDATE
** (removed here; the statement then takes the write lock when it runs),
** DATE '...' literals, ALTER TABLE ... ADD (column, ...), and the
** unquoted new name of ALTER TABLE ... RENAME TO in upper case. The rewrite works on tokens, so
** string literals, quoted identifiers and comments are never touched.
** DUAL needs no rewrite in queries and DML: every connection has a
** one-row view of that name. DDL gets the row written out, since views
** and triggers kept in the database cannot see a connection's own view.
*/
#ifndef KESTREL_ENGINE_TRANSLATE_H
#define KESTREL_ENGINE_TRANSLATE_H

#include <string>
#include <string_view>
#include <vector>

#include "sql/Lexer.h"
#include "sql/StatementKind.h"

namespace kestrel_engine {

// The table a CREATE TABLE or ALTER TABLE statement defines or changes.
struct TableTarget {
  std::string schema;     // as written (empty: the default search)
  std::string name;       // empty when the statement is neither
  std::string renamedTo;  // ALTER TABLE ... RENAME TO: the table's new name
  bool alter = false;
};

struct Translation {
  std::string sql;  // what SQLite is given
  // A query that ended in FOR UPDATE takes the session's write lock before
  // it runs. Lock wait: -1 the session's busy timeout, 0 for NOWAIT, else
  // the milliseconds of WAIT n.
  bool forUpdate = false;
  int lockWaitMs = -1;
  TableTarget table;
  // ALTER TABLE t ADD (a ..., b ...): SQLite adds one column per
  // statement, so `sql` adds the first and these add the rest.
  std::vector<std::string> followUps;
};

// The text SQLite runs for a statement of `kind`, with what the engine
// must do around it. Anonymous blocks and account statements come back as
// written (a block's statements are translated one by one).
Translation Translate(std::string_view text, const std::vector<Token> &tokens,
                      const StatementKind &kind);

}  // namespace kestrel_engine

#endif
