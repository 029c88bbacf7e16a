/*
** A back end writes a resolved statement in its database's own SQL. The
** tree and the resolver are shared; only this interface is per database.
*/
#ifndef KESTREL_ENGINE_SQL_EMIT_BACKEND_H
#define KESTREL_ENGINE_SQL_EMIT_BACKEND_H

#include <string>
#include <vector>

#include "sql/resolve/Resolve.h"

namespace kestrel_engine::sql {

// One statement of those a statement is written as (MERGE, INSERT ALL and
// INSERT FIRST): run them in
// order in one transaction; the row count is the counted ones' changes.
struct EmittedStep {
  std::string sql;
  bool counted = true;
};

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
  // MERGE, INSERT ALL/FIRST: the steps joined by ";\n" (EmitSteps tells
  // which count).
  std::string Emit(const ResolvedStatement &statement) override;
  // Every statement as one step, except MERGE and INSERT ALL/FIRST
  // (SqliteMerge.cpp, SqliteMultiInsert.cpp).
  std::vector<EmittedStep> EmitSteps(const ResolvedStatement &statement);
};

}  // namespace kestrel_engine::sql

#endif
