/*
** A back end writes a resolved statement in its database's own SQL. The
** tree and the resolver are shared; only this interface is per database.
*/
#ifndef KESTREL_ENGINE_SQL_EMIT_BACKEND_H
#define KESTREL_ENGINE_SQL_EMIT_BACKEND_H

#include <string>

#include "sql/resolve/Resolve.h"

namespace kestrel_engine::sql {

class Backend {
 public:
  virtual ~Backend();
  // The statement in the back end's SQL, binds left as placeholders with
  // their names and order. Throws SemanticError ORA-03001 with the
  // position of the first form the back end does not write yet.
  virtual std::string Emit(const ResolvedStatement &statement) = 0;
};

// SQLite's SQL plus the functions RegisterOracleFunctions adds, with
// Oracle's semantics for NULL and '', dates and implicit conversions.
class SqliteBackend : public Backend {
 public:
  std::string Emit(const ResolvedStatement &statement) override;
};

}  // namespace kestrel_engine::sql

#endif
