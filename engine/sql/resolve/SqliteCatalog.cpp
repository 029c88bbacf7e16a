/*
** The catalog over an SQLite connection: PRAGMA table_info for tables and
** views (temporary ones first, as SQLite resolves names), kestrel$sequences
** for sequences.
*/
#include "sql/resolve/Catalog.h"

#include <cctype>

namespace kestrel_engine::sql {

Catalog::~Catalog() = default;

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
    const char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

namespace {

// SQLite statement owned for one lookup.
struct Stmt {
  sqlite3_stmt *s = nullptr;
  ~Stmt() { sqlite3_finalize(s); }
};

bool IsEngineName(std::string_view name) {
  static constexpr std::string_view kPrefix = "kestrel$";
  if (name.size() < kPrefix.size()) return false;
  for (size_t i = 0; i < kPrefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(name[i])) != kPrefix[i]) return false;
  }
  return true;
}

}  // namespace

const CatalogTable *SqliteCatalog::FindTable(std::string_view schema, std::string_view name) {
  std::string key(schema);
  key += '.';
  key += name;
  const auto found = tables_.find(key);
  if (found != tables_.end()) return found->second.get();
  if (IsEngineName(name)) return nullptr;
  // One user per file today: a schema qualifier is accepted and reads the
  // main schema, except that temporary objects are reached unqualified.
  const char *sql = schema.empty() ? "SELECT name, type, dflt_value FROM pragma_table_info(?1)"
                                   : "SELECT name, type, dflt_value FROM pragma_table_info(?1, 'main')";
  Stmt st;
  if (sqlite3_prepare_v2(db_, sql, -1, &st.s, nullptr) != SQLITE_OK) return nullptr;
  sqlite3_bind_text(st.s, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  auto table = std::make_unique<CatalogTable>();
  table->name.assign(name.data(), name.size());
  while (sqlite3_step(st.s) == SQLITE_ROW) {
    CatalogColumn c;
    const unsigned char *n = sqlite3_column_text(st.s, 0);
    const unsigned char *t = sqlite3_column_text(st.s, 1);
    c.name = n ? reinterpret_cast<const char *>(n) : "";
    c.type = TypeFromDeclared(t ? reinterpret_cast<const char *>(t) : "");
    const unsigned char *d = sqlite3_column_text(st.s, 2);
    if (d != nullptr) c.default_sql = reinterpret_cast<const char *>(d);
    table->columns.push_back(std::move(c));
  }
  if (table->columns.empty()) return nullptr;
  Stmt owner;
  if (sqlite3_prepare_v2(db_,
                         "SELECT owner, type FROM \"kestrel$objects\" WHERE type IN ('table', 'view') "
                         "AND name = ?1 COLLATE NOCASE",
                         -1, &owner.s, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(owner.s, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(owner.s) == SQLITE_ROW) {
      const unsigned char *o = sqlite3_column_text(owner.s, 0);
      const unsigned char *t = sqlite3_column_text(owner.s, 1);
      table->owner = o ? reinterpret_cast<const char *>(o) : "";
      table->view = t != nullptr && std::string_view(reinterpret_cast<const char *>(t)) == "view";
    }
  }
  const CatalogTable *result = table.get();
  tables_.emplace(std::move(key), std::move(table));
  return result;
}

bool SqliteCatalog::HasSequence(std::string_view name) {
  Stmt st;
  if (sqlite3_prepare_v2(db_, "SELECT 1 FROM \"kestrel$sequences\" WHERE name = ?1", -1, &st.s,
                         nullptr) != SQLITE_OK) {
    return false;
  }
  sqlite3_bind_text(st.s, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  return sqlite3_step(st.s) == SQLITE_ROW;
}

}  // namespace kestrel_engine::sql
