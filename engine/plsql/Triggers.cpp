/*
** Trigger definitions: CREATE [OR REPLACE] TRIGGER, DROP TRIGGER, ALTER
** TRIGGER ENABLE | DISABLE | COMPILE and ALTER TABLE ... ENABLE | DISABLE
** ALL TRIGGERS keep kestrel$triggers and kestrel$source, and make the
** table's SQLite row triggers again from them: one per enabled row
** trigger and event, made newest first so SQLite (which fires the newest
** first) fires them in creation order, as Oracle does.
*/
#include "plsql/Triggers.h"

#include <sqlite3.h>

#include <algorithm>
#include <tuple>

#include "catalog/StorageNames.h"
#include "plsql/SessionState.h"
#include "plsql/StoredCode.h"
#include "session/Connection.h"
#include "session/OwnedStatement.h"
#include "sql/parse/Lexer.h"
#include "sql/parse/Parse.h"

namespace kestrel_engine::plsql {

const char kTriggersTable[] = "kestrel$triggers";

namespace {

using Row = std::vector<std::string>;

// The engine's own SQL with text arguments; the rows it answers.
bool Query(Connection &connection, const std::string &sql, const Row &args, std::vector<Row> *rows,
           OraError *error) {
  Connection::InternalScope scope(connection);
  OwnedStatement f;
  if (sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &f.s, nullptr) != SQLITE_OK) {
    *error = OraError::Make(600, sqlite3_errmsg(connection.db()));
    return false;
  }
  for (size_t k = 0; k < args.size(); ++k) {
    sqlite3_bind_text(f.s, static_cast<int>(k + 1), args[k].data(), static_cast<int>(args[k].size()),
                      SQLITE_TRANSIENT);
  }
  int rc;
  while ((rc = sqlite3_step(f.s)) == SQLITE_ROW) {
    if (rows == nullptr) continue;
    Row row;
    for (int c = 0; c < sqlite3_column_count(f.s); ++c) {
      const unsigned char *t = sqlite3_column_text(f.s, c);
      row.emplace_back(t ? reinterpret_cast<const char *>(t) : "");
    }
    rows->push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) {
    *error = OraError::Make(600, sqlite3_errmsg(connection.db()));
    return false;
  }
  return true;
}

bool Exec(Connection &connection, const std::string &sql, const Row &args, OraError *error) {
  return Query(connection, sql, args, nullptr, error);
}

std::string Quote(std::string_view name) {
  std::string out = "\"";
  for (const char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string Literal(std::string_view text) {
  std::string out = "'";
  for (const char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string Trimmed(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r' ||
                           text.back() == '\t' || text.back() == '/')) {
    text.remove_suffix(1);
  }
  while (!text.empty() && (text.front() == ' ' || text.front() == '\n' || text.front() == '\r' ||
                           text.front() == '\t')) {
    text.remove_prefix(1);
  }
  return std::string(text);
}

// The table or view (`type`) of `schema` (empty: the current one) as the
// file stores it (catalog/StorageNames.h), or empty.
std::string StoredNamed(Connection &connection, const char *type, std::string_view schema,
                        std::string_view name) {
  std::string stored;
  {
    Connection::InternalScope scope(connection);
    const std::string home = schema.empty() ? ResolutionSchema(connection.db()) : std::string(schema);
    stored = FindStorageName(connection.db(), home, name);
  }
  if (stored.empty() || sqlite3_strnicmp(stored.c_str(), "kestrel$", 8) == 0) return {};
  std::vector<Row> rows;
  OraError ignored;
  Query(connection, "SELECT name FROM main.sqlite_master WHERE type = ?1 AND name = ?2",
        {type, stored}, &rows, &ignored);
  return rows.empty() ? std::string() : rows[0][0];
}

std::string TableNamed(Connection &connection, std::string_view schema, std::string_view name) {
  return StoredNamed(connection, "table", schema, name);
}

std::string ViewNamed(Connection &connection, std::string_view schema, std::string_view name) {
  return StoredNamed(connection, "view", schema, name);
}

std::vector<std::string> ColumnsOf(Connection &connection, const std::string &table) {
  std::vector<Row> rows;
  OraError ignored;
  Query(connection, "SELECT name FROM pragma_table_info(?1) ORDER BY cid", {table}, &rows, &ignored);
  std::vector<std::string> out;
  for (const Row &r : rows) out.push_back(r[0]);
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && sqlite3_strnicmp(a.data(), b.data(), static_cast<int>(a.size())) == 0;
}

// The text from the word TRIGGER on, as USER_SOURCE shows it.
std::string_view FromTriggerWord(std::string_view text) {
  sql::Arena arena;
  const sql::TokenArray tokens = sql::Lex(text, arena);
  for (size_t i = 0; i < tokens.size; ++i) {
    if (tokens.items[i].kind == sql::Tok::kWord && tokens.items[i].kw == sql::Kw::kTrigger) {
      return text.substr(tokens.items[i].offset);
    }
  }
  return text;
}

// The columns whose :NEW value the body assigns (`:NEW.c :=`, or an INTO
// list naming it), from its tokens; `alias` is NEW or its REFERENCING name.
std::string AssignedColumns(std::string_view body, std::string_view alias) {
  sql::Arena arena;
  const sql::TokenArray tokens = sql::Lex(body, arena);
  std::string out;
  bool into = false;
  for (size_t i = 0; i < tokens.size && tokens.items[i].kind != sql::Tok::kEnd; ++i) {
    const sql::Token &t = tokens.items[i];
    // SELECT, FETCH, RETURNING, EXECUTE IMMEDIATE ... INTO, not INSERT INTO.
    if (t.kind == sql::Tok::kWord && t.kw == sql::Kw::kInto) {
      const sql::Token *before = i > 0 ? &tokens.items[i - 1] : nullptr;
      into = before == nullptr || before->kind != sql::Tok::kWord ||
             (before->kw != sql::Kw::kInsert && before->kw != sql::Kw::kMerge &&
              before->kw != sql::Kw::kAll && before->kw != sql::Kw::kFirst &&
              before->kw != sql::Kw::kThen && before->kw != sql::Kw::kElse);
    }
    if ((t.kind == sql::Tok::kWord && t.kw == sql::Kw::kFrom) ||
        (t.kind == sql::Tok::kSymbol && t.sym == sql::Sym::kSemicolon)) {
      into = false;
    }
    if (t.kind != sql::Tok::kBind || i + 2 >= tokens.size) continue;
    std::string_view name = t.value;
    if (!name.empty() && name.front() == ':') name.remove_prefix(1);
    const sql::Token &dot = tokens.items[i + 1];
    const sql::Token &column = tokens.items[i + 2];
    if (!SameName(name, alias) || dot.kind != sql::Tok::kSymbol || dot.sym != sql::Sym::kDot ||
        (column.kind != sql::Tok::kWord && column.kind != sql::Tok::kQuotedIdent)) {
      continue;
    }
    const sql::Token *after = i + 3 < tokens.size ? &tokens.items[i + 3] : nullptr;
    const bool assigns = after != nullptr && after->kind == sql::Tok::kSymbol && after->sym == sql::Sym::kColon &&
                         i + 4 < tokens.size && tokens.items[i + 4].kind == sql::Tok::kSymbol &&
                         tokens.items[i + 4].sym == sql::Sym::kEq;
    if (!assigns && !into) continue;
    if (!out.empty()) out += ',';
    out += std::string(column.value);
  }
  return out;
}

bool Fail(OraError *error, int code, std::string_view detail = {}) {
  *error = OraError::Make(code, detail);
  return false;
}

// Runs `work` as one DDL transaction: what is pending commits first.
template <typename Work>
bool AsDdl(Connection &connection, OraError *error, Work work) {
  if (!connection.Commit(error) || !EnsureSource(connection, error) ||
      !EnsureTriggers(connection, error) || !connection.BeginWrite(error)) {
    return false;
  }
  if (!work()) {
    OraError ignored;
    connection.Rollback(&ignored);
    return false;
  }
  return connection.Commit(error);
}

bool CreateTrigger(Connection &connection, const sql::CreateTriggerStmt &st, std::string_view text,
                   const std::string &owner, OraError *error) {
  const std::string name(st.name.Last());
  // INSTEAD OF triggers are on views and always per row; the others on tables.
  const bool instead = st.timing == 2;
  const bool compound = st.timing == 3;
  bool perRow = st.for_each_row || instead;
  for (const sql::TriggerSection *section : st.sections) {
    if (section->point == sql::TriggerSection::kInsteadOfRow) {
      return Fail(error, 3001, "compound triggers on views");
    }
    perRow = perRow || section->point == sql::TriggerSection::kBeforeRow ||
             section->point == sql::TriggerSection::kAfterRow;
  }
  if (compound && st.when != nullptr) return Fail(error, 3001, "WHEN in compound triggers");
  if (instead && st.when != nullptr) return Fail(error, 25004);
  if (st.when != nullptr && !perRow) return Fail(error, 4077);
  const std::string_view schema = st.table.count > 1 ? st.table.part[0] : std::string_view();
  std::string table = TableNamed(connection, schema, st.table.Last());
  if (instead) {
    if (!table.empty()) return Fail(error, 25002);
    table = ViewNamed(connection, schema, st.table.Last());
  } else if (table.empty() && !ViewNamed(connection, schema, st.table.Last()).empty()) {
    return Fail(error, 25001);
  }
  if (table.empty()) return Fail(error, 942);
  const std::vector<std::string> columns = ColumnsOf(connection, table);
  std::string updateOf;
  for (const sql::Ident *c : st.update_of) {
    bool found = false;
    for (const std::string &have : columns) found = found || SameName(have, c->name);
    if (!found) return Fail(error, 904, std::string(c->name));
    if (!updateOf.empty()) updateOf += ',';
    updateOf += std::string(c->name);
  }
  // A row's values reach the body as one call's arguments.
  if (perRow &&
      static_cast<int>(columns.size() * 2 + 4) > sqlite3_limit(connection.db(), SQLITE_LIMIT_FUNCTION_ARG, -1)) {
    return Fail(error, 3001, "row triggers on a table this wide");
  }
  const std::string_view unit = FromTriggerWord(text);
  const uint32_t bodyAt = st.block->pos;
  std::string whenText;
  if (st.when != nullptr) {
    // Within WHEN's parentheses, before the body.
    sql::Arena arena;
    const sql::TokenArray tokens = sql::Lex(text.substr(0, bodyAt), arena);
    size_t open = 0;
    for (size_t i = 0; i + 1 < tokens.size; ++i) {
      if (tokens.items[i].kind == sql::Tok::kWord && tokens.items[i].kw == sql::Kw::kWhen) {
        open = tokens.items[i + 1].offset + 1;
      }
    }
    const std::string_view w = text.substr(open, bodyAt - open);
    const size_t close = w.rfind(')');
    whenText = Trimmed(close == std::string_view::npos ? w : w.substr(0, close));
  }
  // DESCRIPTION: the heading after the word TRIGGER, up to WHEN or the body.
  const size_t nameAt = unit.find_first_of(" \t\r\n");
  std::string description =
      Trimmed(unit.substr(nameAt == std::string_view::npos ? 0 : nameAt,
                          bodyAt - (unit.data() - text.data()) - (nameAt == std::string_view::npos ? 0 : nameAt)));
  if (st.when != nullptr) {
    const size_t whenWord = description.rfind("WHEN");
    const size_t whenLower = description.rfind("when");
    const size_t cut = whenWord == std::string::npos ? whenLower
                       : whenLower == std::string::npos ? whenWord
                                                        : std::max(whenWord, whenLower);
    if (cut != std::string::npos) description = Trimmed(description.substr(0, cut));
  }
  description += "\n";
  std::string referencing = "REFERENCING NEW AS ";
  referencing += st.new_alias ? std::string(st.new_alias->name) : "NEW";
  referencing += " OLD AS ";
  referencing += st.old_alias ? std::string(st.old_alias->name) : "OLD";
  const std::string body = Trimmed(text.substr(bodyAt));
  // Only a BEFORE ROW trigger of INSERT or UPDATE may assign :NEW.
  const std::string assigned =
      st.timing == 0 && st.for_each_row && (st.events & (sql::kOnInsert | sql::kOnUpdate))
          ? AssignedColumns(body, st.new_alias ? st.new_alias->name : "NEW")
          : std::string();
  return AsDdl(connection, error, [&] {
    std::vector<Row> old;
    if (!Query(connection,
               std::string("SELECT table_name FROM \"") + kTriggersTable +
                   "\" WHERE owner = ?1 AND name = ?2",
               {owner, name}, &old, error)) {
      return false;
    }
    if (!old.empty() && !st.or_replace) return Fail(error, 4081, owner + "." + name);
    // Sessions keep a parsed trigger while its number stays: a new
    // definition takes one no earlier definition had (the replaced one
    // counts; the clock covers one dropped before).
    std::vector<Row> next;
    if (!Query(connection,
               std::string("SELECT max(coalesce(max(seq), 0) + 1, CAST((julianday('now') - "
                           "2440587.5) * 86400000 AS INTEGER)) FROM \"") +
                   kTriggersTable + "\"",
               {}, &next, error)) {
      return false;
    }
    if (!Exec(connection,
              std::string("DELETE FROM \"") + kTriggersTable + "\" WHERE owner = ?1 AND name = ?2",
              {owner, name}, error) ||
        !Exec(connection,
              std::string("DELETE FROM \"") + kSourceTable +
                  "\" WHERE owner = ?1 AND name = ?2 AND type = 'TRIGGER'",
              {owner, name}, error)) {
      return false;
    }
    const std::string created = "datetime('now', 'localtime')";
    // TABLE_OWNER is the table's owner, which the trigger's need not be.
    if (!Exec(connection,
              std::string("INSERT INTO \"") + kTriggersTable +
                  "\" (owner, name, table_owner, table_name, timing, events, update_of, row_level, "
                  "when_clause, status, referencing, description, body, text, new_assigned, seq, created, "
                  "last_ddl_time) VALUES (?1, ?2, coalesce((SELECT o.owner FROM main.\"kestrel$objects\" "
                  "o WHERE o.name = ?4 AND o.type IN ('table', 'view')), ?3), ?4, ?5, ?6, "
                  "nullif(?7, ''), ?8, nullif(?9, ''), "
                  "?10, ?11, ?12, ?13, ?14, nullif(?15, ''), CAST(?16 AS INTEGER), " + created +
                  ", datetime('now', 'localtime'))",
              {owner, name, owner, table, st.timing == 0 ? "BEFORE" : instead ? "INSTEAD OF" : compound ? "COMPOUND" : "AFTER",
               std::to_string(st.events), updateOf, perRow ? "1" : "0", whenText,
               st.enabled == 2 ? "DISABLED" : "ENABLED", referencing, description, body,
               std::string(text), assigned, next.at(0).at(0)},
              error)) {
      return false;
    }
    const std::string source = Trimmed(unit);
    size_t start = 0;
    for (int line = 1; start <= source.size(); ++line) {
      size_t end = source.find('\n', start);
      if (end == std::string::npos) end = source.size();
      const std::string lineText = source.substr(start, end - start);
      if (!Exec(connection,
                std::string("INSERT INTO \"") + kSourceTable +
                    "\" (owner, name, type, line, text) VALUES (?1, ?2, 'TRIGGER', ?3, ?4)",
                {owner, name, std::to_string(line), lineText + "\n"}, error)) {
        return false;
      }
      start = end + 1;
    }
    if (!old.empty() && old[0][0] != table && !RefreshTableTriggers(connection, old[0][0], error)) {
      return false;
    }
    return RefreshTableTriggers(connection, table, error);
  });
}

// The trigger's table, or empty with ORA-04080.
std::string TriggerTable(Connection &connection, const std::string &owner, const std::string &name,
                         OraError *error) {
  std::vector<Row> rows;
  if (!EnsureTriggers(connection, error) ||
      !Query(connection,
             std::string("SELECT table_name FROM \"") + kTriggersTable +
                 "\" WHERE owner = ?1 AND name = ?2",
             {owner, name}, &rows, error)) {
    return {};
  }
  if (rows.empty()) Fail(error, 4080, name);
  return rows.empty() ? std::string() : rows[0][0];
}

}  // namespace

bool EnsureTriggers(Connection &connection, OraError *error) {
  return connection.ExecInternal(
      (std::string("CREATE TABLE IF NOT EXISTS \"") + kTriggersTable +
       "\" (owner TEXT NOT NULL, name TEXT NOT NULL, table_owner TEXT NOT NULL, "
       "table_name TEXT NOT NULL, timing TEXT NOT NULL, events INTEGER NOT NULL, update_of TEXT, "
       "row_level INTEGER NOT NULL, when_clause TEXT, status TEXT NOT NULL, referencing TEXT, "
       "description TEXT, body TEXT, text TEXT NOT NULL, new_assigned TEXT, seq INTEGER NOT NULL, "
       "created DATE NOT NULL, last_ddl_time DATE NOT NULL, PRIMARY KEY (owner, name))")
          .c_str(),
      error);
}

void EnsureTriggersReadable(Connection &connection) {
  if (!connection.readOnly()) return;
  std::vector<Row> rows;
  OraError ignored;
  Query(connection, std::string("SELECT 1 FROM main.sqlite_master WHERE name = '") + kTriggersTable + "'", {},
        &rows, &ignored);
  if (!rows.empty()) return;
  // An older file opened read-only: the dictionary reads an empty table.
  connection.ExecInternal((std::string("CREATE TEMP TABLE IF NOT EXISTS \"") + kTriggersTable +
                           "\" (owner, name, table_owner, table_name, timing, events, update_of, "
                           "row_level, when_clause, status, referencing, description, body, text, "
                           "new_assigned, seq, created, last_ddl_time)")
                              .c_str(),
                          &ignored);
}

bool IsTriggerStatement(const sql::Statement &statement) {
  switch (statement.kind) {
    case sql::StmtKind::kCreateTrigger:
      return true;
    case sql::StmtKind::kDrop:
      return static_cast<const sql::DropStmt &>(statement).object == sql::ObjectKind::kTrigger;
    case sql::StmtKind::kAlterCode:
      return static_cast<const sql::AlterCodeStmt &>(statement).object == sql::ObjectKind::kTrigger;
    default:
      return false;
  }
}

bool RunTriggerStatement(Connection &connection, const sql::Statement &statement,
                         std::string_view text, const std::string &user, OraError *error) {
  // This session parses its triggers again after it changed one.
  connection.plsqlState().triggers.loaded.clear();
  // Each schema has its own trigger names: the one written, else the
  // session's current schema (DdlPrivileges.cpp checked the right to it).
  const sql::Name &written =
      statement.kind == sql::StmtKind::kCreateTrigger
          ? static_cast<const sql::CreateTriggerStmt &>(statement).name
      : statement.kind == sql::StmtKind::kDrop ? static_cast<const sql::DropStmt &>(statement).name
                                               : static_cast<const sql::AlterCodeStmt &>(statement).name;
  const std::string &current = connection.settings().currentSchema;
  const std::string owner = written.count > 1 ? std::string(written.part[0])
                            : current.empty() ? user
                                              : current;
  if (statement.kind == sql::StmtKind::kCreateTrigger) {
    return CreateTrigger(connection, static_cast<const sql::CreateTriggerStmt &>(statement), text,
                         owner, error);
  }
  if (statement.kind == sql::StmtKind::kDrop) {
    const std::string name(static_cast<const sql::DropStmt &>(statement).name.Last());
    if (!connection.Commit(error)) return false;
    const std::string table = TriggerTable(connection, owner, name, error);
    if (table.empty()) return false;
    return AsDdl(connection, error, [&] {
      return Exec(connection,
                  std::string("DELETE FROM \"") + kTriggersTable + "\" WHERE owner = ?1 AND name = ?2",
                  {owner, name}, error) &&
             Exec(connection,
                  std::string("DELETE FROM \"") + kSourceTable +
                      "\" WHERE owner = ?1 AND name = ?2 AND type = 'TRIGGER'",
                  {owner, name}, error) &&
             RefreshTableTriggers(connection, table, error);
    });
  }
  const auto &alter = static_cast<const sql::AlterCodeStmt &>(statement);
  const std::string name(alter.name.Last());
  if (!connection.Commit(error)) return false;
  const std::string table = TriggerTable(connection, owner, name, error);
  if (table.empty()) return false;
  if (alter.action == 0) {
    // COMPILE: the stored text parses.
    std::vector<Row> rows;
    if (!Query(connection,
               std::string("SELECT text FROM \"") + kTriggersTable + "\" WHERE owner = ?1 AND name = ?2",
               {owner, name}, &rows, error)) {
      return false;
    }
    sql::Arena arena;
    try {
      sql::Parse(rows.at(0).at(0), arena);
    } catch (const sql::SyntaxError &) {
      return Fail(error, 24344);
    }
    return true;
  }
  return AsDdl(connection, error, [&] {
    return Exec(connection,
                std::string("UPDATE \"") + kTriggersTable +
                    "\" SET status = ?3, last_ddl_time = datetime('now', 'localtime') WHERE owner = "
                    "?1 AND name = ?2",
                {owner, name, alter.action == 1 ? "ENABLED" : "DISABLED"}, error) &&
           RefreshTableTriggers(connection, table, error);
  });
}

bool RunAllTriggersStatement(Connection &connection, std::string_view text, bool *handled,
                             OraError *error) {
  *handled = false;
  sql::Arena arena;
  sql::TokenArray tokens;
  try {
    tokens = sql::Lex(text, arena);
  } catch (const sql::SyntaxError &) {
    return false;  // not this statement: the schema language answers it
  }
  // ALTER TABLE [schema.]name ENABLE | DISABLE ALL TRIGGERS [;]
  std::vector<const sql::Token *> t;
  for (size_t i = 0; i < tokens.size && tokens.items[i].kind != sql::Tok::kEnd; ++i) {
    if (tokens.items[i].kind == sql::Tok::kSymbol && tokens.items[i].sym == sql::Sym::kSemicolon) break;
    t.push_back(&tokens.items[i]);
  }
  auto word = [&](size_t k, std::string_view w) {
    return k < t.size() && t[k]->kind == sql::Tok::kWord && SameName(t[k]->raw, w);
  };
  size_t k = 3;
  if (t.size() > 4 && t[3]->kind == sql::Tok::kSymbol && t[3]->sym == sql::Sym::kDot) k = 5;
  if (!word(0, "ALTER") || !word(1, "TABLE") || t.size() != k + 3 ||
      !(word(k, "ENABLE") || word(k, "DISABLE")) || !word(k + 1, "ALL") || !word(k + 2, "TRIGGERS")) {
    return false;
  }
  *handled = true;
  const bool enable = word(k, "ENABLE");
  if (!connection.Commit(error)) return false;
  const std::string table =
      TableNamed(connection, k == 5 ? t[2]->value : std::string_view(), t[k - 1]->value);
  if (table.empty()) return Fail(error, 942);
  return AsDdl(connection, error, [&] {
    return Exec(connection,
                std::string("UPDATE \"") + kTriggersTable +
                    "\" SET status = ?2 WHERE table_name = ?1",
                {table, enable ? "ENABLED" : "DISABLED"}, error) &&
           RefreshTableTriggers(connection, table, error);
  });
}

void RefreshAfterAlterTable(Connection &connection, std::string_view text) {
  sql::Arena arena;
  sql::TokenArray tokens;
  try {
    tokens = sql::Lex(text, arena);
  } catch (const sql::SyntaxError &) {
    return;
  }
  if (tokens.size < 3 || tokens.items[0].kind != sql::Tok::kWord ||
      !(SameName(tokens.items[0].raw, "ALTER") || SameName(tokens.items[0].raw, "TRUNCATE")) ||
      tokens.items[1].kind != sql::Tok::kWord || !SameName(tokens.items[1].raw, "TABLE")) {
    return;
  }
  size_t k = 2;
  if (tokens.size > 4 && tokens.items[3].kind == sql::Tok::kSymbol && tokens.items[3].sym == sql::Sym::kDot) k = 4;
  const std::string table = TableNamed(
      connection, k == 4 ? tokens.items[2].value : std::string_view(), tokens.items[k].value);
  OraError error;
  std::vector<Row> rows;
  // Rebuilding a table makes the views over it again, and SQLite drops a
  // view's triggers with it: the INSTEAD OF triggers are made again too.
  if (table.empty() ||
      !Query(connection,
             std::string("SELECT DISTINCT table_name FROM \"") + kTriggersTable +
                 "\" WHERE (table_name = ?1 AND row_level = 1) OR timing = 'INSTEAD OF'",
             {table}, &rows, &error) ||
      rows.empty()) {
    return;
  }
  // A failure leaves the triggers as they were, to be made again by the
  // next change of the table's triggers.
  AsDdl(connection, &error, [&] {
    for (const Row &r : rows) {
      if (!RefreshTableTriggers(connection, r[0], &error)) return false;
    }
    return true;
  });
}

bool RefreshTableTriggers(Connection &connection, std::string_view tableName, OraError *error) {
  const std::string table(tableName);
  std::vector<Row> existing;
  if (!Query(connection,
             "SELECT name FROM main.sqlite_master WHERE type = 'trigger' AND tbl_name = ?1 AND "
             "substr(name, 1, 10) = 'kestrel$t$'",
             {table}, &existing, error)) {
    return false;
  }
  for (const Row &r : existing) {
    if (!Exec(connection, "DROP TRIGGER main." + Quote(r[0]), {}, error)) return false;
  }
  std::vector<Row> rows;
  if (!Query(connection,
             std::string("SELECT owner, name, timing, events, coalesce(update_of, ''), seq, "
                         "coalesce(new_assigned, '') FROM \"") +
                 kTriggersTable +
                 "\" WHERE table_name = ?1 AND row_level = 1 AND status = 'ENABLED' ORDER BY seq DESC",
             {table}, &rows, error)) {
    return false;
  }
  if (rows.empty()) return true;
  // Where a BEFORE ROW trigger assigns :NEW, the statement's values run
  // through kestrel_before_row with every BEFORE ROW trigger of that event:
  // SQLite's triggers could not change the row.
  int throughValues = 0;
  for (const Row &r : rows) {
    if (r[2] == "BEFORE" && !r[6].empty()) throughValues |= std::stoi(r[3]) & (sql::kOnInsert | sql::kOnUpdate);
  }
  const std::vector<std::string> columns = ColumnsOf(connection, table);
  // A compound trigger's row sections run from a BEFORE and an AFTER
  // trigger each (the second passing kAfterRowCall).
  struct Timing {
    std::string timing;
    std::string suffix;
    int call;
  };
  for (const Row &r : rows) {
    const int events = std::stoi(r[3]);
    const std::vector<Timing> timings =
        r[2] == "COMPOUND" ? std::vector<Timing>{{"BEFORE", "", 0}, {"AFTER", "A", kAfterRowCall}}
                           : std::vector<Timing>{{r[2], "", 0}};
    for (const Timing &timing : timings) {
      for (const auto &[bit, letter, verb] :
           {std::tuple<int, const char *, const char *>{sql::kOnInsert, "I", "INSERT"},
            {sql::kOnUpdate, "U", "UPDATE"},
            {sql::kOnDelete, "D", "DELETE"}}) {
        if (!(events & bit)) continue;
        if (r[2] == "BEFORE" && (throughValues & bit)) continue;
        std::string sql = "CREATE TRIGGER main." +
                          Quote("kestrel$t$" + r[0] + "$" + r[1] + "$" + letter + timing.suffix) + " " +
                          timing.timing + " " + verb;
        if (bit == sql::kOnUpdate && !r[4].empty()) {
          sql += " OF ";
          size_t start = 0;
          bool first = true;
          while (start <= r[4].size()) {
            size_t end = r[4].find(',', start);
            if (end == std::string::npos) end = r[4].size();
            const std::string wanted = r[4].substr(start, end - start);
            for (const std::string &c : columns) {
              if (!SameName(c, wanted)) continue;
              if (!first) sql += ", ";
              first = false;
              sql += Quote(c);
            }
            start = end + 1;
          }
        }
        sql += " ON " + Quote(table) + " FOR EACH ROW BEGIN SELECT kestrel_trigger_row(" +
               Literal(r[0]) + ", " + Literal(r[1]) + ", " + r[5] + ", " + std::to_string(bit + timing.call);
        for (const char *side : {"old", "new"}) {
          const bool has = std::string(side) == "old" ? bit != sql::kOnInsert : bit != sql::kOnDelete;
          for (const std::string &c : columns) sql += has ? ", " + std::string(side) + "." + Quote(c) : ", NULL";
        }
        sql += "); END";
        if (!Exec(connection, sql, {}, error)) return false;
      }
    }
  }
  return true;
}

}  // namespace kestrel_engine::plsql
