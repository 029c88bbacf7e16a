/*
** Private synonyms that keep an older file's unqualified names working
** once each schema has its own namespace.
*/
#include "catalog/NamespaceUpgrade.h"

#include <string>

#include "catalog/Catalog.h"
#include "catalog/Privileges.h"
#include "catalog/Sequences.h"
#include "catalog/Synonyms.h"
#include "session/Connection.h"

namespace kestrel_engine {

bool UpgradeToSchemaNamespaces(Connection &connection, OraError *error) {
  if (!EnsureSynonyms(connection, error)) return false;
  const auto q = [](const char *table) { return std::string("main.\"") + table + "\""; };
  // Names as Oracle shows them: a name stored all in lower case is an
  // unquoted one the older path kept as written.
  const std::string shown = "CASE WHEN o.name = lower(o.name) THEN upper(o.name) ELSE o.name END";
  const std::string now = "datetime('now', 'localtime')";
  const std::string sql =
      "INSERT OR IGNORE INTO " + q(kSynonymsTable) +
      " (owner, name, table_owner, table_name, db_link, created, last_ddl_time) SELECT u.name, " +
      shown + ", o.owner, " + shown + ", '', " + now + ", " + now + " FROM " + q(kAccountsTable) +
      " u JOIN (SELECT name, owner FROM " + q(kObjectsTable) +
      " WHERE type IN ('table', 'view') UNION ALL SELECT name, owner FROM " + q(kSequencesTable) +
      ") o ON o.owner <> u.name WHERE (u.admin OR EXISTS "
      "(SELECT 1 FROM " + q(kTabPrivsTable) +
      " t WHERE t.table_name = upper(o.name) AND (t.grantee IN (u.name, 'PUBLIC') OR "
      "t.grantee IN (SELECT granted_role FROM " + q(kRolePrivsTable) +
      " r WHERE r.grantee = u.name)))) AND NOT EXISTS (SELECT 1 FROM " + q(kSequencesTable) +
      " s WHERE s.owner = u.name AND upper(s.name) = upper(o.name)) AND NOT EXISTS (SELECT 1 "
      "FROM main.\"kestrel$code\" c WHERE c.owner = u.name AND upper(c.name) = upper(o.name))";
  return connection.ExecInternal(sql.c_str(), error);
}

bool UpgradeToCodeNamespaces(Connection &connection, OraError *error) {
  if (!EnsureSynonyms(connection, error)) return false;
  const auto q = [](const char *table) { return std::string("main.\"") + table + "\""; };
  const std::string now = "datetime('now', 'localtime')";
  const std::string sql =
      "INSERT OR IGNORE INTO " + q(kSynonymsTable) +
      " (owner, name, table_owner, table_name, db_link, created, last_ddl_time) SELECT u.name, "
      "c.name, c.owner, c.name, '', " + now + ", " + now + " FROM " + q(kAccountsTable) +
      " u JOIN (SELECT DISTINCT owner, name FROM main.\"kestrel$code\" WHERE type IN "
      "('PROCEDURE', 'FUNCTION', 'PACKAGE')) c ON c.owner <> u.name WHERE (u.admin OR EXISTS "
      "(SELECT 1 FROM " + q(kRolePrivsTable) + " r WHERE r.grantee = u.name AND r.granted_role = "
      "'DBA') OR EXISTS (SELECT 1 FROM " + q(kTabPrivsTable) +
      " t WHERE t.owner = c.owner AND t.table_name = c.name AND t.privilege = 'EXECUTE' AND "
      "(t.grantee IN (u.name, 'PUBLIC') OR t.grantee IN (SELECT granted_role FROM " +
      q(kRolePrivsTable) + " r WHERE r.grantee = u.name)))) AND NOT EXISTS (SELECT 1 FROM "
      "main.\"kestrel$code\" o WHERE o.owner = u.name AND o.name = c.name) AND NOT EXISTS "
      "(SELECT 1 FROM " + q(kObjectsTable) + " o WHERE o.owner = u.name AND o.type IN ('table', "
      "'view') AND upper(o.name) IN (upper(c.name), upper(u.name || '.' || c.name))) AND NOT "
      "EXISTS (SELECT 1 FROM " + q(kSequencesTable) + " s WHERE s.owner = u.name AND "
      "upper(s.name) IN (upper(c.name), upper(u.name || '.' || c.name))) ORDER BY c.owner";
  return connection.ExecInternal(sql.c_str(), error);
}

}  // namespace kestrel_engine
