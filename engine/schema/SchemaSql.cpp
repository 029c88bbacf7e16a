/*
** The schema statements' shared tools: quoting, the engine's own SQL run
** under the connection's internal scope, and lookups in SQLite's schema.
*/
#include "schema/SchemaSql.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "catalog/Dictionary.h"
#include "catalog/StorageNames.h"
#include "errors/SqliteErrors.h"

namespace kestrel_engine::schema {

std::string QuoteIdent(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string QuoteText(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out.push_back('\'');
    out.push_back(c);
  }
  out.push_back('\'');
  return out;
}

std::string Join(const std::vector<std::string> &parts, const char *separator) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += separator;
    out += parts[i];
  }
  return out;
}

namespace {

// The schema language's own messages ("%s": the detail).
struct Text {
  int code;
  const char *text;
};
constexpr Text kTexts[] = {
    {957, "duplicate column name"},
    {1407, "cannot update (%s) to NULL"},
    {1430, "column being added already exists in table"},
    {1442, "column to be modified to NOT NULL is already NOT NULL"},
    {1449, "column contains NULL values; cannot alter to NOT NULL"},
    {1451, "column to be modified to NULL cannot be modified to NULL"},
    {2260, "table can have only one primary key"},
    {1439, "column to be modified must be empty to change datatype"},
    {1440, "column to be modified must be empty to decrease precision or scale"},
    {1441, "cannot decrease column length because some value is too big"},
    {2261, "such unique or primary key already exists in the table"},
    {2264, "name already used by an existing constraint"},
    {2270, "no matching unique or primary key for this column-list"},
    {2273, "this unique/primary key is referenced by some foreign keys"},
    {2293, "cannot validate (%s) - check constraint violated"},
    {2296, "cannot enable (%s) - null values found"},
    {2298, "cannot validate (%s) - parent keys not found"},
    {2299, "cannot validate (%s) - duplicate keys found"},
    {2437, "cannot validate (%s) - primary key violated"},
    {2443, "Cannot drop constraint  - nonexistent constraint"},
    {2449, "unique/primary keys in table referenced by foreign keys"},
    {12991, "column is referenced in a multi-column constraint"},
    {32795, "cannot insert into a generated always identity column"},
    {32796, "cannot update a generated always identity column"},
    {54002, "only pure functions can be specified in a virtual column expression"},
};

}  // namespace

std::string Message(int code, std::string_view detail) {
  for (const Text &t : kTexts) {
    if (t.code != code) continue;
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
    std::string text = t.text;
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, std::string(detail));
    return prefix + text;
  }
  return OraError::Make(code, detail).message;
}

void Fail(int code, std::string_view detail) {
  throw DdlError{OraError::Verbatim(code, Message(code, detail))};
}

void Ddl::Exec(const std::string &sql, int statementType) {
  Connection::InternalScope scope(connection_);
  char *message = nullptr;
  const int rc = sqlite3_exec(db(), sql.c_str(), nullptr, nullptr, &message);
  if (rc != SQLITE_OK) {
    // A virtual column's expression must give the same answer for the same
    // row: a function that follows the session (TO_CHAR, SYSDATE) may not.
    const bool impure = message != nullptr && std::strstr(message, "non-deterministic") != nullptr;
    OraError e = ErrorFromSqlite(sqlite3_extended_errcode(db()), message, statementType);
    sqlite3_free(message);
    if (impure) Fail(54002);
    throw DdlError{e};
  }
}

std::vector<std::vector<std::string>> Ddl::Rows(const std::string &sql,
                                                const std::vector<std::string> &args) {
  Connection::InternalScope scope(connection_);
  sqlite3_stmt *s = nullptr;
  if (sqlite3_prepare_v2(db(), sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
    OraError e = ErrorFromSqlite(db(), 0);
    sqlite3_finalize(s);
    throw DdlError{e};
  }
  struct Finalizer {
    sqlite3_stmt *s;
    ~Finalizer() { sqlite3_finalize(s); }
  } finalizer{s};
  for (size_t i = 0; i < args.size(); ++i) {
    sqlite3_bind_text(s, static_cast<int>(i + 1), args[i].data(),
                      static_cast<int>(args[i].size()), SQLITE_TRANSIENT);
  }
  std::vector<std::vector<std::string>> rows;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int c = 0; c < sqlite3_column_count(s); ++c) {
      const unsigned char *t = sqlite3_column_text(s, c);
      row.emplace_back(t ? reinterpret_cast<const char *>(t) : "");
    }
    rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) throw DdlError{ErrorFromSqlite(db(), 0)};
  return rows;
}

bool Ddl::Exists(const std::string &sql, const std::vector<std::string> &args) {
  return !Rows(sql, args).empty();
}

void CheckUserName(std::string_view name) {
  // To user SQL the engine's own tables do not exist.
  if (name.size() >= 8 && strncasecmp(name.data(), "kestrel$", 8) == 0) Fail(942);
  // Nor may an object take a dictionary view's name.
  if (IsDictionaryView(std::string(name).c_str())) Fail(1031);
}

void CheckObjectName(std::string_view name) {
  CheckUserName(name);
  if (name.find(kStorageSeparator) != std::string_view::npos) Fail(903);
}

std::string FindTable(Ddl &ddl, const sql::Name &name, bool views_too) {
  const std::string wanted(name.Last());
  if (wanted.size() >= 8 && strncasecmp(wanted.data(), "kestrel$", 8) == 0) return {};
  // The named schema's table, else the current schema's: each schema has
  // its own names (catalog/StorageNames.h).
  const SessionSettings &session = ddl.connection().settings();
  std::string schema = name.count > 1 ? std::string(name.part[0])
                       : session.currentSchema.empty() ? session.user
                                                       : session.currentSchema;
  if (name.count > 1 && strcasecmp(schema.c_str(), "main") == 0) schema.clear();
  if (!schema.empty()) {
    const std::string stored = FindStorageName(ddl.db(), schema, wanted);
    if (stored.empty()) return {};
    auto kind = ddl.Rows("SELECT type FROM main.sqlite_master WHERE name = ?1", {stored});
    return !kind.empty() && (views_too || kind[0][0] == "table") ? stored : std::string();
  }
  const bool quoted = name.count && name.quoted[name.count - 1];
  // An unquoted name also finds a table an older statement stored in
  // another case, as the rest of the engine does.
  auto rows = ddl.Rows(std::string("SELECT name FROM main.sqlite_master WHERE type IN ('table'") +
                           (views_too ? ", 'view'" : "") + ") AND " +
                           (quoted ? "name = ?1" : "name = ?1 COLLATE NOCASE") +
                           " ORDER BY name = ?1 DESC LIMIT 1",
                       {wanted});
  return rows.empty() ? std::string() : rows[0][0];
}

std::vector<StoredColumn> TableColumns(Ddl &ddl, const std::string &table) {
  std::vector<StoredColumn> out;
  for (auto &row : ddl.Rows("SELECT name, type, \"notnull\", dflt_value FROM "
                            "pragma_table_info(?1, 'main')",
                            {table})) {
    out.push_back(StoredColumn{row[0], row[1], row[2] == "1", row[3]});
  }
  return out;
}

std::string ColumnOf(Ddl &ddl, const std::string &table, std::string_view name, uint32_t) {
  // Virtual columns too (SQLite's table_info leaves them out).
  const auto columns =
      ddl.Rows("SELECT name FROM pragma_table_xinfo(?1, 'main') WHERE hidden <> 1", {table});
  for (const auto &c : columns) {
    if (c[0] == name) return c[0];
  }
  for (const auto &c : columns) {
    if (strcasecmp(c[0].c_str(), std::string(name).c_str()) == 0) return c[0];
  }
  Fail(904, "\"" + std::string(name) + "\"");
}

}  // namespace kestrel_engine::schema
