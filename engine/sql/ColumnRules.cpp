/*
** Building the column-rule triggers from a table's schema. Names in the
** ORA-12899 label are those the vendor would print: upper case unless the
** table's definition wrote the name as a quoted identifier.
**
** Rounding rewrites the row after the insert or update: the triggers find
** it by rowid (or by primary key in a WITHOUT ROWID table) and run only
** when rounding changes a value, so a row written with values that fit is
** written once. SQLite's recursive triggers are off, and the rewritten
** values are already rounded, so the rewrite does not repeat.
*/
#include "sql/ColumnRules.h"

#include <set>
#include <utility>
#include <vector>

#include "catalog/Catalog.h"
#include "errors/SqliteErrors.h"
#include "session/Connection.h"
#include "sql/Lexer.h"
#include "statement/DeclaredType.h"

namespace kestrel_engine {

namespace {

constexpr char kPrefix[] = "kestrel$";

std::string Quote(const std::string &name, char quote = '"') {
  std::string out(1, quote);
  for (char c : name) {
    out.push_back(c);
    if (c == quote) out.push_back(c);
  }
  out.push_back(quote);
  return out;
}

std::string Join(const std::vector<std::string> &parts, const char *separator) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out.append(separator);
    out.append(parts[i]);
  }
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

struct Column {
  std::string name;
  std::string type;
  int pk = 0;
};

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
                      const std::string &tableName, const std::string &owner,
                      OraError *error) {
  if (!DropColumnRules(db, schemaName, tableName, error)) return false;
  const std::string schema = SchemaOf(db, schemaName, tableName);
  if (schema.empty()) return true;

  // The table's own spelling, and the names its definition quoted.
  std::string table;
  std::set<std::string> quoted;
  {
    Query q(db, "SELECT name, sql FROM " + Quote(schema) +
                    ".sqlite_master WHERE type = 'table' AND name = ?1 "
                    "COLLATE NOCASE");
    if (!q.ok()) return true;
    q.Bind(1, tableName);
    if (sqlite3_step(q.get()) != SQLITE_ROW) return true;
    table = q.Text(0);
    const std::string sql = q.Text(1);
    for (const Token &t : Tokenize(sql)) {
      if (t.kind == TokenKind::kQuotedIdentifier) quoted.insert(t.Name());
    }
  }
  auto vendorName = [&](const std::string &name) {
    return Quote(quoted.count(name) ? name : UpperAscii(name));
  };

  std::vector<Column> columns;
  {
    Query q(db, "SELECT name, type, pk FROM pragma_table_info(?1, ?2)");
    if (!q.ok()) return true;
    q.Bind(1, table);
    q.Bind(2, schema);
    while (sqlite3_step(q.get()) == SQLITE_ROW) {
      columns.push_back(
          Column{q.Text(0), q.Text(1), sqlite3_column_int(q.get(), 2)});
    }
  }

  std::vector<std::string> checks;
  std::vector<std::string> checked;
  std::vector<std::pair<std::string, int>> rounded;
  for (const Column &c : columns) {
    ColumnDescription d;
    if (!DescribeDeclaredType(c.type.c_str(), &d)) continue;
    const std::string name = Quote(c.name);
    if (d.dataType == SQLT_CHR || d.dataType == SQLT_AFC ||
        d.dataType == SQLT_BIN) {
      const std::string label = Quote(UpperAscii(owner)) + "." +
                                vendorName(table) + "." + vendorName(c.name);
      checks.push_back("kestrel_check_size(NEW." + name + ", " +
                       std::to_string(d.dataSize) + ", " + Quote(label, '\'') +
                       ")");
      checked.push_back(name);
    } else if (d.dataType == SQLT_NUM && d.scale != -127 && d.precision > 0) {
      checks.push_back("kestrel_check_number(NEW." + name + ", " +
                       std::to_string(d.precision) + ", " +
                       std::to_string(d.scale) + ")");
      checked.push_back(name);
      rounded.emplace_back(name, d.scale);
    }
  }

  const std::string on = " ON " + Quote(table);
  auto trigger = [&](const char *suffix) {
    return "CREATE TRIGGER " + Quote(schema) + "." +
           Quote(kPrefix + table + "$" + suffix);
  };
  if (!checks.empty()) {
    const std::string body = " BEGIN SELECT " + Join(checks, ", ") + "; END";
    if (!Exec(db, trigger("insert_check") + " BEFORE INSERT" + on + body, error) ||
        !Exec(db, trigger("update_check") + " BEFORE UPDATE OF " +
                      Join(checked, ", ") + on + body,
              error)) {
      return false;
    }
  }
  if (rounded.empty()) return true;

  // How the row is found again: rowid under a name no column took, or
  // the primary key.
  std::string where;
  for (const char *alias : {"rowid", "_rowid_", "oid"}) {
    bool taken = false;
    for (const Column &c : columns) {
      if (sqlite3_stricmp(c.name.c_str(), alias) == 0) taken = true;
    }
    if (taken) continue;
    Query probe(db, std::string("SELECT ") + alias + " FROM " + Quote(schema) +
                        "." + Quote(table));
    if (probe.ok()) where = std::string(alias) + " = NEW." + alias;
    break;
  }
  if (where.empty()) {
    std::vector<std::string> keys;
    for (const Column &c : columns) {
      if (c.pk > 0) keys.push_back(Quote(c.name) + " = NEW." + Quote(c.name));
    }
    if (keys.empty()) return true;  // no way back to the row
    where = Join(keys, " AND ");
  }
  std::vector<std::string> differs;
  std::vector<std::string> sets;
  std::vector<std::string> names;
  for (const auto &[name, scale] : rounded) {
    const std::string s = std::to_string(scale);
    differs.push_back("kestrel_round(NEW." + name + ", " + s + ") IS NOT NEW." + name);
    sets.push_back(name + " = kestrel_round(" + name + ", " + s + ")");
    names.push_back(name);
  }
  const std::string rest = " WHEN " + Join(differs, " OR ") + " BEGIN UPDATE " +
                           Quote(table) + " SET " + Join(sets, ", ") +
                           " WHERE " + where + "; END";
  return Exec(db, trigger("insert_round") + " AFTER INSERT" + on + rest, error) &&
         Exec(db, trigger("update_round") + " AFTER UPDATE OF " +
                      Join(names, ", ") + on + rest,
              error);
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
