/*
** Queries and DML through the SQL front end: the client's Oracle text is
** parsed, its names resolved against the connection's schema, and SQLite
** SQL written from the tree. The result columns come with their Oracle
** types, so describe reports an expression by its type, not its first row.
*/
#ifndef KESTREL_ENGINE_STATEMENT_FRONTEND_H
#define KESTREL_ENGINE_STATEMENT_FRONTEND_H

#include <sqlite3.h>

#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

#include "errors/OraError.h"
#include "plsql/Triggers.h"
#include "sql/resolve/OracleType.h"

namespace kestrel_engine {

struct ResultColumn {
  std::string name;  // as Oracle prints it
  sql::OracleType type;
};

// A statement SQLite runs as several (MERGE, INSERT ALL): the steps after
// the first, run in order as one statement.
struct FollowingStep {
  std::string sql;
  bool counted = true;  // its changes are the statement's rows
};

struct CompiledStatement {
  std::string sql;  // what SQLite runs (the first step)
  bool counted = true;
  std::vector<FollowingStep> following;
  std::vector<ResultColumn> columns;  // a query's select list
  // DML ... RETURNING ... INTO: the placeholders (keys) each returned
  // column is written to, in order.
  std::vector<std::string> returningInto;
  bool forUpdate = false;
  // The tables whose statement triggers fire around it (few have any).
  std::vector<plsql::DmlTarget> triggerTargets;
  int lockWaitMs = -1;  // -1 the session's timeout, 0 NOWAIT, else WAIT n ms
};

enum class FrontEndOutcome {
  kCompiled,
  kNotYet,  // a form the SQLite back end does not write yet (ORA-03001)
  kFailed,  // a syntax or semantic error: `error` and `offset` say which
};

class Connection;

// Parses, resolves against the connection's schema and emits `text`.
FrontEndOutcome CompileStatement(Connection &connection, std::string_view text, CompiledStatement *out,
                                 OraError *error, uint32_t *offset);

}  // namespace kestrel_engine

#endif
