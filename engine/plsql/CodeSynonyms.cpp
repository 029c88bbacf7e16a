/*
** Following synonyms to stored code. A synonym's target is read as its
** owner's unit; a target that is itself a synonym is followed (the
** owner's, else a PUBLIC one), a bounded number of times so a loop ends.
*/
#include "plsql/CodeSynonyms.h"

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
bool Synonym(Connection &connection, const std::string &owner, std::string_view name,
             std::string *targetOwner, std::string *targetName) {
  Connection::InternalScope scope(connection);
  OwnedStatement f;
  const std::string sql = std::string("SELECT table_owner, table_name FROM main.\"") + kSynonymsTable +
                          "\" WHERE owner = ?1 AND name = ?2 AND db_link = ''";
  if (sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &f.s, nullptr) != SQLITE_OK) return false;
  sqlite3_bind_text(f.s, 1, owner.data(), static_cast<int>(owner.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(f.s, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(f.s) != SQLITE_ROW) return false;
  *targetOwner = ColumnText(f.s, 0);
  *targetName = ColumnText(f.s, 1);
  return true;
}

bool UnitExists(Connection &connection, const std::string &owner, const std::string &name,
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

std::string SessionUser(Connection &connection) {
  OwnedStatement f;
  if (sqlite3_prepare_v2(connection.db(), "SELECT kestrel_session_user()", -1, &f.s, nullptr) !=
          SQLITE_OK ||
      sqlite3_step(f.s) != SQLITE_ROW) {
    return {};
  }
  return ColumnText(f.s, 0);
}

}  // namespace

std::string CodeSynonymTarget(Connection &connection, std::string_view name, std::string_view types) {
  std::string owner, target;
  const std::string user = SessionUser(connection);
  if (!Synonym(connection, user, name, &owner, &target) &&
      !Synonym(connection, kPublicOwner, name, &owner, &target)) {
    return {};
  }
  for (int step = 0; step < kMaxSynonymSteps; ++step) {
    if (UnitExists(connection, owner, target, types)) return target;
    std::string nextOwner, nextName;
    if (!Synonym(connection, owner, target, &nextOwner, &nextName) &&
        !Synonym(connection, kPublicOwner, target, &nextOwner, &nextName)) {
      return {};
    }
    owner = std::move(nextOwner);
    target = std::move(nextName);
  }
  return {};
}

}  // namespace kestrel_engine::plsql
