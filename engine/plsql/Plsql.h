/*
** The PL/SQL interpreter's entry points for the statement layer: run an
** anonymous block's tree on a connection, reading and writing the
** statement's binds through HostBinds.
*/
#ifndef KESTREL_ENGINE_PLSQL_PLSQL_H
#define KESTREL_ENGINE_PLSQL_PLSQL_H

#include <stdint.h>

#include <functional>
#include <string_view>

#include "errors/OraError.h"
#include "plsql/Value.h"
#include "sql/ast/Plsql.h"

namespace kestrel_engine {
class Connection;
}

namespace kestrel_engine::plsql {

// The client's binds of the block (:name or :1), by placeholder key.
class HostBinds {
 public:
  virtual ~HostBinds();
  virtual bool Read(std::string_view key, Value *out, OraError *error) = 0;
  virtual bool Write(std::string_view key, const Value &value, OraError *error) = 0;
};

struct RunContext {
  Connection &connection;
  HostBinds *binds = nullptr;
  // Runs one statement's text the way a plain client statement runs
  // (DDL, ALTER SESSION, SAVEPOINT, forms the new front end does not
  // write yet); adds the rows it changed.
  std::function<bool(std::string_view text, uint32_t *changes, OraError *error)> run_text;
};

// Runs the block; `rows` gets the rows its DML changed. An unhandled
// exception undoes the block's own work and fills `error` with the
// exception and its ORA-06512 lines.
bool RunAnonymousBlock(const RunContext &context, const sql::PlBlockStmt &block,
                       std::string_view text, uint32_t *rows, OraError *error);

}  // namespace kestrel_engine::plsql

#endif
