/*
** Small tools the schema statements share: quoting names and literals for
** SQLite, running the engine's own SQL on the connection (with the engine
** tables in reach) and reading rows back, and the DDL context that carries
** the connection and the creating user.
*/
#ifndef KESTREL_ENGINE_SCHEMA_SCHEMASQL_H
#define KESTREL_ENGINE_SCHEMA_SCHEMASQL_H

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

#include "errors/OraError.h"
#include "session/Connection.h"
#include "sql/ast/Node.h"

namespace kestrel_engine::schema {

std::string QuoteIdent(std::string_view name);
std::string QuoteText(std::string_view text);
std::string Join(const std::vector<std::string> &parts, const char *separator);

// Thrown by the schema statements: the Oracle error to report.
struct DdlError {
  OraError error;
};
// "ORA-NNNNN: text" with the detail in place.
std::string Message(int code, std::string_view detail = {});
[[noreturn]] void Fail(int code, std::string_view detail = {});

// One DDL statement's reach into the database. Every statement it runs
// is the engine's own (the engine tables are reachable), so user-given
// names are checked before they get here.
class Ddl {
 public:
  Ddl(Connection &connection, std::string owner) : connection_(connection), owner_(std::move(owner)) {}
  Connection &connection() { return connection_; }
  sqlite3 *db() { return connection_.db(); }
  const std::string &owner() const { return owner_; }
  // The statement's text, for clauses kept as written (CHECK conditions).
  std::string_view text;
  // Set when the statement succeeded with compilation errors (a FORCE
  // view over something missing): Oracle's warning ORA-24344.
  bool with_errors = false;

  // Runs `sql` (one or more statements); a failure throws its ORA- error
  // (`statementType` as for ErrorFromSqlite).
  void Exec(const std::string &sql, int statementType = 0);
  // The rows of one query, each column as text (NULL as empty), binding
  // `args` as ?1, ?2, ...
  std::vector<std::vector<std::string>> Rows(const std::string &sql,
                                             const std::vector<std::string> &args = {});
  bool Exists(const std::string &sql, const std::vector<std::string> &args = {});

 private:
  Connection &connection_;
  std::string owner_;
};

// The stored name of a table or view named by `name` (case as stored); empty for none.
std::string FindTable(Ddl &ddl, const sql::Name &name, bool views_too = false);
// The table's columns as SQLite keeps them (name, declared type, notnull, default).
struct StoredColumn {
  std::string name;
  std::string type;
  bool not_null = false;
  std::string default_sql;  // empty: none
};
std::vector<StoredColumn> TableColumns(Ddl &ddl, const std::string &table);
// The column of `table` named `name`; throws ORA-00904 for none.
std::string ColumnOf(Ddl &ddl, const std::string &table, std::string_view name, uint32_t pos = 0);

// Refuses names in the engine's own namespace (ORA-00942, as the engine's
// tables read to user SQL).
void CheckUserName(std::string_view name);
// CheckUserName, and refuses a table or view name with the storage
// separator, which stands for a schema in the file (ORA-00903).
void CheckObjectName(std::string_view name);

}  // namespace kestrel_engine::schema

#endif
