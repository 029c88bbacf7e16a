/*
** Comments on tables and columns. Names resolve as the rest of the engine
** resolves them today: an unquoted name matches without regard to case,
** a quoted one exactly.
*/
#include "catalog/Comments.h"

#include <string>

#include "catalog/Privileges.h"
#include "catalog/StorageNames.h"
#include "errors/SqliteErrors.h"
#include "session/Connection.h"

namespace kestrel_engine {

const char kCommentsTable[] = "kestrel$comments";

namespace {

std::string Quoted() { return std::string("\"") + kCommentsTable + "\""; }

bool Fail(OraError *error, int code, std::string_view detail = {}) {
  *error = OraError::Make(code, detail);
  return false;
}

bool IsName(const Token &t) {
  return t.kind == TokenKind::kWord || t.kind == TokenKind::kQuotedIdentifier;
}

// The text of a string literal, its doubled quotes undone.
std::string Literal(const Token &t) {
  std::string text;
  for (size_t i = 1; i + 1 < t.raw.size(); ++i) {
    text += t.raw[i];
    if (t.raw[i] == '\'' && t.raw[i + 1] == '\'') ++i;
  }
  return text;
}

struct Statement {
  sqlite3_stmt *s = nullptr;
  Statement(Connection &connection, const std::string &sql) {
    sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &s, nullptr);
  }
  ~Statement() { sqlite3_finalize(s); }
};

// The name SQLite keeps for the table or view `t` of `schema` (empty: the
// current schema) names; empty for none.
std::string TableName(Connection &connection, const Token *schema, const Token &t) {
  Connection::InternalScope scope(connection);
  const std::string name = t.Name();
  if (name.size() >= 8 && sqlite3_strnicmp(name.c_str(), "kestrel$", 8) == 0) return {};
  const SessionSettings &session = connection.settings();
  const std::string owner = schema != nullptr ? UpperAscii(schema->Name())
                            : session.currentSchema.empty() ? session.user
                                                            : session.currentSchema;
  return FindStorageName(connection.db(), owner, name);
}

// The name SQLite keeps for column `c` of `table`; empty for none.
std::string ColumnName(Connection &connection, const std::string &table, const Token &c) {
  Connection::InternalScope scope(connection);
  Statement q(connection, "SELECT name FROM pragma_table_info(?1)");
  if (q.s == nullptr) return {};
  sqlite3_bind_text(q.s, 1, table.c_str(), -1, SQLITE_TRANSIENT);
  const std::string wanted = c.Name();
  while (sqlite3_step(q.s) == SQLITE_ROW) {
    const std::string name = reinterpret_cast<const char *>(sqlite3_column_text(q.s, 0));
    if (c.kind == TokenKind::kQuotedIdentifier ? name == wanted
                                               : sqlite3_stricmp(name.c_str(), wanted.c_str()) == 0)
      return name;
  }
  return {};
}

}  // namespace

bool EnsureComments(Connection &connection, OraError *error) {
  return connection.ExecInternal(
      ("CREATE TABLE IF NOT EXISTS " + Quoted() +
       " (table_name TEXT NOT NULL, column_name TEXT NOT NULL, comments TEXT NOT NULL, "
       "PRIMARY KEY (table_name, column_name))")
          .c_str(),
      error);
}

bool RunCommentStatement(Connection &connection, const std::vector<Token> &tokens,
                         OraError *error) {
  // COMMENT ON TABLE|COLUMN [schema.]name[.column] IS 'text'
  if (!tokens[1].Is("ON") || !(tokens[2].Is("TABLE") || tokens[2].Is("COLUMN"))) {
    return Fail(error, 900);
  }
  const bool column = tokens[2].Is("COLUMN");
  std::vector<const Token *> parts;
  size_t i = 3;
  while (IsName(tokens[i])) {
    parts.push_back(&tokens[i]);
    if (!tokens[i + 1].IsSymbol('.')) break;
    i += 2;
  }
  ++i;
  const size_t wanted = column ? 2 : 1;
  if (parts.size() < wanted || parts.size() > wanted + 1) return Fail(error, 903);
  if (!tokens[i].Is("IS") || tokens[i + 1].kind != TokenKind::kString) return Fail(error, 905);
  size_t end = i + 2;
  if (tokens[end].IsSymbol(';')) ++end;
  if (tokens[end].kind != TokenKind::kEnd) return Fail(error, 933);
  const std::string text = Literal(tokens[i + 1]);
  const Token &tableToken = *parts[parts.size() - wanted];

  if (!connection.Commit(error)) return false;
  const Token *schemaToken = parts.size() > wanted ? parts[0] : nullptr;
  const std::string table = TableName(connection, schemaToken, tableToken);
  if (table.empty()) return Fail(error, 942);
  // Another schema's table takes COMMENT ANY TABLE (or ALTER ANY TABLE,
  // which the DBA role of files made before the first one holds); one that
  // is not even visible is ORA-00942.
  const std::string &user = connection.settings().user;
  AccessData &access = connection.Access();
  const std::string owner = access.OwnerOf(ObjectKey(table));
  if (!user.empty() && !owner.empty() && owner != user &&
      !access.HasSys(user, "COMMENT ANY TABLE") && !access.HasSys(user, "ALTER ANY TABLE")) {
    return Fail(error, access.MayReach(user, ObjectKey(table)) ? 1031 : 942);
  }
  std::string columnName;
  if (column) {
    columnName = ColumnName(connection, table, *parts.back());
    if (columnName.empty()) {
      return Fail(error, 904, "\"" + UpperAscii(parts.back()->Name()) + "\"");
    }
  }
  if (!connection.BeginWrite(error)) return false;
  bool ok = EnsureComments(connection, error);
  if (ok) {
    Connection::InternalScope scope(connection);
    Statement q(connection, text.empty() ? "DELETE FROM " + Quoted() +
                                               " WHERE table_name = ?1 AND column_name = ?2"
                                         : "REPLACE INTO " + Quoted() + " VALUES (?1, ?2, ?3)");
    sqlite3_bind_text(q.s, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(q.s, 2, columnName.c_str(), -1, SQLITE_TRANSIENT);
    if (!text.empty()) sqlite3_bind_text(q.s, 3, text.c_str(), -1, SQLITE_TRANSIENT);
    if (q.s == nullptr || sqlite3_step(q.s) != SQLITE_DONE) {
      *error = ErrorFromSqlite(connection.db(), 0);
      ok = false;
    }
  }
  if (!ok) {
    OraError ignored;
    connection.Rollback(&ignored);
    return false;
  }
  return connection.Commit(error);
}

}  // namespace kestrel_engine
