/*
** Running CREATE TABLE and ALTER TABLE on the older rewrite path, and the
** column-rule triggers an earlier release gave each table: they are
** dropped when the table changes, since the statements that write a
** table now hold its values to their types themselves.
*/
#include "sql/ColumnRules.h"

#include <utility>
#include <vector>

#include "catalog/Catalog.h"
#include "errors/SqliteErrors.h"
#include "session/Connection.h"
#include "sql/Lexer.h"
#include "statement/DeclaredType.h"

namespace kestrel_engine {

namespace {

std::string Quote(const std::string &name, char quote = '"') {
  std::string out(1, quote);
  for (char c : name) {
    out.push_back(c);
    if (c == quote) out.push_back(c);
  }
  out.push_back(quote);
  return out;
}

// A prepared statement that finalizes itself.
class Query {
 public:
  Query(sqlite3 *db, const std::string &sql) {
    rc_ = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()),
                             &statement_, nullptr);
  }
  ~Query() { sqlite3_finalize(statement_); }
  Query(const Query &) = delete;
  Query &operator=(const Query &) = delete;
  bool ok() const { return rc_ == SQLITE_OK && statement_ != nullptr; }
  sqlite3_stmt *get() const { return statement_; }
  void Bind(int index, const std::string &text) {
    sqlite3_bind_text(statement_, index, text.c_str(),
                      static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  std::string Text(int column) const {
    const unsigned char *t = sqlite3_column_text(statement_, column);
    return t ? reinterpret_cast<const char *>(t) : "";
  }

 private:
  sqlite3_stmt *statement_ = nullptr;
  int rc_ = SQLITE_ERROR;
};

bool Exec(sqlite3 *db, const std::string &sql, OraError *error) {
  char *message = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  if (rc != SQLITE_OK) {
    *error = ErrorFromSqlite(sqlite3_extended_errcode(db), message, 0);
  }
  sqlite3_free(message);
  return rc == SQLITE_OK;
}

// The schema an unqualified table name resolves to, as SQLite resolves it
// (temp first, then main, then attached databases); empty when no table.
std::string SchemaOf(sqlite3 *db, const std::string &schema,
                     const std::string &table) {
  if (!schema.empty()) return schema;
  Query q(db, "SELECT * FROM " + Quote(table));
  if (!q.ok()) return {};
  const char *name = sqlite3_column_database_name(q.get(), 0);
  return name ? name : "";
}

bool StepAll(sqlite3 *db, sqlite3_stmt *statement, int type, OraError *error) {
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) {
    *error = ErrorFromSqlite(db, type);
    sqlite3_reset(statement);
    return false;
  }
  sqlite3_reset(statement);
  return true;
}

}  // namespace

bool DropColumnRules(sqlite3 *db, const std::string &schemaName,
                     const std::string &table, OraError *error) {
  const std::string schema = SchemaOf(db, schemaName, table);
  if (schema.empty()) return true;
  std::vector<std::string> names;
  {
    Query q(db, "SELECT name FROM " + Quote(schema) +
                    ".sqlite_master WHERE type = 'trigger' AND tbl_name = ?1 "
                    "COLLATE NOCASE AND substr(name, 1, 8) = 'kestrel$'");
    if (!q.ok()) return true;
    q.Bind(1, table);
    while (sqlite3_step(q.get()) == SQLITE_ROW) names.push_back(q.Text(0));
  }
  for (const std::string &name : names) {
    if (!Exec(db, "DROP TRIGGER " + Quote(schema) + "." + Quote(name), error)) {
      return false;
    }
  }
  return true;
}

bool BuildColumnRules(sqlite3 *db, const std::string &schemaName,
                      const std::string &tableName, const std::string &,
                      OraError *error) {
  // The statements that write a table hold its values to their types
  // themselves (the front end's kestrel_fit_* calls); a table made by an
  // earlier release keeps triggers, which are dropped here when it changes.
  return DropColumnRules(db, schemaName, tableName, error);
}

bool RunTableStatement(Connection &connection, sqlite3_stmt *statement,
                       const Translation &translation, const std::string &owner,
                       OraError *error) {
  const TableTarget &target = translation.table;
  sqlite3 *db = connection.db();
  if (!connection.Commit(error) || !connection.BeginWrite(error)) return false;
  const int type = target.alter ? 7 : 5;  // ALTER, CREATE
  // Triggers naming a column keep SQLite from dropping or renaming it.
  // The rules' triggers are the engine's own objects, out of client SQL's
  // reach; only this scope may drop and make them.
  bool ok = true;
  if (target.alter) {
    Connection::InternalScope scope(connection);
    ok = DropColumnRules(db, target.schema, target.name, error);
  }
  ok = ok && StepAll(db, statement, type, error);
  for (size_t i = 0; ok && i < translation.followUps.size(); ++i) {
    const std::string &sql = translation.followUps[i];
    sqlite3_stmt *more = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &more,
                           nullptr) != SQLITE_OK) {
      *error = ErrorFromSqlite(db, type);
      ok = false;
    } else {
      ok = StepAll(db, more, type, error);
    }
    sqlite3_finalize(more);
  }
  const std::string &name =
      target.renamedTo.empty() ? target.name : target.renamedTo;
  if (ok) {
    Connection::InternalScope scope(connection);
    ok = BuildColumnRules(db, target.schema, name, owner, error);
  }
  ok = ok && SyncCatalog(connection, UpperAscii(owner), error);
  if (ok) return connection.Commit(error);
  OraError ignored;
  connection.Rollback(&ignored);
  return false;
}

}  // namespace kestrel_engine
