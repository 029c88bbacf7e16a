/*
** A schema's shared namespace of tables, views, sequences, private
** synonyms and stored units, read from the catalog tables that keep each.
*/
#include "catalog/SchemaNamespace.h"

#include "catalog/StorageNames.h"

namespace kestrel_engine {

namespace {

// True when `sql` (binding ?1 owner, ?2 name) finds a row; a file without
// the table it reads has none.
bool Holds(sqlite3 *db, const char *sql, std::string_view owner, std::string_view name) {
  sqlite3_stmt *s = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) {
    sqlite3_finalize(s);
    return false;
  }
  sqlite3_bind_text(s, 1, owner.data(), static_cast<int>(owner.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(s, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  const bool found = sqlite3_step(s) == SQLITE_ROW;
  sqlite3_finalize(s);
  return found;
}

}  // namespace

std::string SchemaNameHolder(sqlite3 *db, std::string_view owner, std::string_view name) {
  if (!FindStorageName(db, owner, name).empty()) return "TABLE";
  if (!FindSequenceName(db, owner, name).empty()) return "SEQUENCE";
  if (Holds(db, "SELECT 1 FROM main.\"kestrel$synonyms\" WHERE owner = ?1 AND name = ?2 COLLATE NOCASE",
            owner, name)) {
    return "SYNONYM";
  }
  if (Holds(db,
            "SELECT 1 FROM main.\"kestrel$source\" WHERE owner = ?1 AND name = ?2 AND type IN "
            "('PROCEDURE', 'FUNCTION', 'PACKAGE')",
            owner, name)) {
    return "CODE";
  }
  return {};
}

}  // namespace kestrel_engine
