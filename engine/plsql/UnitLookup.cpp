/*
** Resolving a stored unit's name: the schema's own unit first, then
** synonyms. A synonym's target is read as its owner's unit; a target that
** is itself a synonym is followed (the owner's, else a PUBLIC one), a
** bounded number of times so a loop ends.
*/
#include "plsql/UnitLookup.h"

#include <sqlite3.h>

#include "catalog/Synonyms.h"
#include "plsql/StoredCode.h"
#include "session/Connection.h"
#include "session/OwnedStatement.h"

namespace kestrel_engine::plsql {

namespace {

// Deeper chains than any real schema's; a loop stops here.
constexpr int kMaxSynonymSteps = 16;

// The target of synonym owner.name (remote ones do not count).
bool Synonym(Connection &connection, std::string_view owner, std::string_view name,
             UnitName *target) {
  Connection::InternalScope scope(connection);
  OwnedStatement f;
  const std::string sql = std::string("SELECT table_owner, table_name FROM main.\"") + kSynonymsTable +
                          "\" WHERE owner = ?1 AND name = ?2 AND db_link = ''";
  if (sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &f.s, nullptr) != SQLITE_OK) return false;
  sqlite3_bind_text(f.s, 1, owner.data(), static_cast<int>(owner.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(f.s, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(f.s) != SQLITE_ROW) return false;
  target->owner = ColumnText(f.s, 0);
  target->name = ColumnText(f.s, 1);
  return true;
}

}  // namespace

bool UnitExists(Connection &connection, std::string_view owner, std::string_view name,
                std::string_view types) {
  Connection::InternalScope scope(connection);
  OwnedStatement f;
  const std::string sql = std::string("SELECT 1 FROM main.\"") + kSourceTable +
                          "\" WHERE owner = ?1 AND name = ?2 AND type IN (" + std::string(types) +
                          ") LIMIT 1";
  if (sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &f.s, nullptr) != SQLITE_OK) return false;
  sqlite3_bind_text(f.s, 1, owner.data(), static_cast<int>(owner.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(f.s, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  return sqlite3_step(f.s) == SQLITE_ROW;
}

std::string UnitLookupKey(const Connection &connection, std::string_view schema,
                          std::string_view name) {
  return (schema.empty() ? connection.NameSchema() + "|" : std::string(schema) + ".") +
         std::string(name);
}

bool FindUnit(Connection &connection, std::string_view schema, std::string_view name,
              std::string_view types, UnitName *unit) {
  const std::string home = schema.empty() ? connection.NameSchema() : std::string(schema);
  if (home.empty()) return false;
  if (UnitExists(connection, home, name, types)) {
    *unit = UnitName{home, std::string(name)};
    return true;
  }
  // The schema's private synonym; an unqualified name also a PUBLIC one.
  UnitName at;
  if (!Synonym(connection, home, name, &at) &&
      (!schema.empty() || !Synonym(connection, kPublicOwner, name, &at))) {
    return false;
  }
  for (int step = 0; step < kMaxSynonymSteps; ++step) {
    if (UnitExists(connection, at.owner, at.name, types)) {
      *unit = std::move(at);
      return true;
    }
    UnitName next;
    if (!Synonym(connection, at.owner, at.name, &next) &&
        !Synonym(connection, kPublicOwner, at.name, &next)) {
      return false;
    }
    at = std::move(next);
  }
  return false;
}

}  // namespace kestrel_engine::plsql
