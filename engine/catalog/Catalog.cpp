/*
** kestrel$objects: one row per schema object (SQLite's type and name as
** stored), its owner, creation and last DDL times as DATE text, and the
** definition it had then. The engine's own objects (kestrel$...) and
** SQLite's (sqlite_...) are not recorded.
*/
#include "catalog/Catalog.h"

#include <string>

#include "catalog/Comments.h"

namespace kestrel_engine {

const char kObjectsTable[] = "kestrel$objects";

namespace {

std::string Quoted() { return std::string("\"") + kObjectsTable + "\""; }

// The schema objects a user made, from SQLite's schema table.
const char kUserObjects[] =
    "SELECT type, name, sql FROM main.sqlite_master "
    "WHERE type IN ('table', 'view', 'index', 'trigger') "
    "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
    "AND name NOT LIKE 'kestrel$%'";

}  // namespace

bool EnsureCatalog(Connection &connection, OraError *error) {
  return connection.ExecInternal(
      ("CREATE TABLE IF NOT EXISTS " + Quoted() +
       " (type TEXT NOT NULL, name TEXT NOT NULL, owner TEXT NOT NULL, "
       "created DATE NOT NULL, last_ddl_time DATE NOT NULL, sql TEXT, "
       "PRIMARY KEY (type, name))")
          .c_str(),
      error);
}

bool SyncCatalog(Connection &connection, const std::string &owner,
                 OraError *error) {
  if (connection.readOnly()) return true;
  const bool own = !connection.InTransaction();
  if (own && !connection.BeginWrite(error)) return false;
  std::string quotedOwner = "'";
  for (char c : owner) quotedOwner += c == '\'' ? std::string("''") : std::string(1, c);
  quotedOwner += "'";
  const std::string now = "datetime('now', 'localtime')";
  const std::string table = Quoted();
  const std::string sql =
      "INSERT INTO " + table + " SELECT m.type, m.name, " + quotedOwner + ", " +
      now + ", " + now + ", m.sql FROM (" + kUserObjects + ") m WHERE NOT EXISTS " +
      "(SELECT 1 FROM " + table + " o WHERE o.type = m.type AND o.name = m.name); " +
      "DELETE FROM " + table + " WHERE NOT EXISTS (SELECT 1 FROM (" + kUserObjects +
      ") m WHERE m.type = " + table + ".type AND m.name = " + table + ".name); " +
      "UPDATE " + table + " SET last_ddl_time = " + now + ", sql = (SELECT m.sql FROM (" +
      kUserObjects + ") m WHERE m.type = " + table + ".type AND m.name = " + table +
      ".name) WHERE sql IS NOT (SELECT m.sql FROM (" + kUserObjects + ") m WHERE m.type = " +
      table + ".type AND m.name = " + table + ".name)";
  // Comments go with their table or view.
  const std::string comments =
      std::string("DELETE FROM \"") + kCommentsTable + "\" WHERE table_name NOT IN " +
      "(SELECT name FROM main.sqlite_master WHERE type IN ('table', 'view'))";
  const bool ok = EnsureCatalog(connection, error) && EnsureComments(connection, error) &&
                  connection.ExecInternal(sql.c_str(), error) &&
                  connection.ExecInternal(comments.c_str(), error);
  if (!own) return ok;
  if (!ok) {
    OraError ignored;
    connection.Rollback(&ignored);
    return false;
  }
  return connection.Commit(error);
}

}  // namespace kestrel_engine
