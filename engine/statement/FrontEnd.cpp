/*
** The front end's three steps for one client statement. The arena lives
** only for the compilation (what SQLite needs is text); the catalog's
** answers are the connection's, kept between statements.
*/
#include "statement/FrontEnd.h"

#include <new>

#include "catalog/StorageNames.h"
#include "session/Connection.h"
#include "sql/emit/Backend.h"
#include "sql/parse/Parse.h"
#include "sql/resolve/Resolve.h"
#include "statement/Placeholders.h"

namespace kestrel_engine {

FrontEndOutcome CompileStatement(Connection &connection, std::string_view text, CompiledStatement *out,
                                 OraError *error, uint32_t *offset) {
  sql::Arena arena;
  // The catalog reads the engine's own tables (sequences), which client
  // SQL may not.
  Connection::InternalScope internal(connection);
  sql::SqliteCatalog &catalog = connection.Catalog();
  try {
    const sql::Statement *statement = sql::Parse(text, arena);
    const sql::ResolvedStatement resolved = sql::Resolve(*statement, text, catalog);
    std::vector<sql::EmittedStep> steps = sql::SqliteBackend().EmitSteps(resolved);
    out->sql = std::move(steps.front().sql);
    out->counted = steps.front().counted;
    out->following.clear();
    for (size_t i = 1; i < steps.size(); ++i) {
      out->following.push_back({std::move(steps[i].sql), steps[i].counted});
    }
    out->columns.clear();
    for (const sql::ColumnInfo &c : resolved.columns) out->columns.push_back({c.name, c.type});
    out->returningInto.clear();
    if (statement->kind == sql::StmtKind::kInsert || statement->kind == sql::StmtKind::kUpdate ||
        statement->kind == sql::StmtKind::kDelete) {
      const auto *dml = static_cast<const sql::DmlStmt *>(statement);
      if (dml->returning != nullptr) {
        for (const sql::Expr *target : dml->returning->into) {
          out->returningInto.push_back(PlaceholderKey(target->text));
        }
      }
    }
    out->triggerTargets = plsql::StatementTriggerTargets(connection, *statement);
    out->forUpdate = resolved.for_update;
    out->lockWaitMs = resolved.lock_wait_ms;
    return FrontEndOutcome::kCompiled;
  } catch (const sql::SyntaxError &e) {
    *error = OraError::Verbatim(e.code(), e.message());
    *offset = e.offset();
  } catch (const sql::SemanticError &e) {
    // The older rewrite writes plain names: where the schema keeps some of
    // its tables under qualified names it could read another schema's.
    if (e.code() == sql::kOraUnimplemented &&
        !HasQualifiedStorage(connection.db(), ResolutionSchema(connection.db()))) {
      return FrontEndOutcome::kNotYet;
    }
    *error = OraError::Verbatim(e.code(), e.message());
    *offset = e.offset();
  } catch (const std::bad_alloc &) {
    *error = OraError::Make(4030);
    *offset = 0;
  }
  return FrontEndOutcome::kFailed;
}

}  // namespace kestrel_engine
