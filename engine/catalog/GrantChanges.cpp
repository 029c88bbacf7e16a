/*
** The grant-change counter's table and the triggers that move it.
*/
#include "catalog/GrantChanges.h"

#include <string>

#include "catalog/Privileges.h"
#include "session/Connection.h"

namespace kestrel_engine {

const char kGrantChangesTable[] = "kestrel$grant_changes";

bool EnsureGrantChanges(Connection &connection, OraError *error) {
  const std::string counter = std::string("\"") + kGrantChangesTable + "\"";
  std::string sql = "CREATE TABLE IF NOT EXISTS main." + counter +
                    " (n INTEGER NOT NULL); INSERT INTO main." + counter +
                    " SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM main." + counter + "); ";
  // A role dropped or a user dropped takes its grants with it, so the
  // three grant tables see every change that matters.
  for (const char *table : {kSysPrivsTable, kRolePrivsTable, kTabPrivsTable}) {
    for (const char *event : {"INSERT", "UPDATE", "DELETE"}) {
      sql += std::string("CREATE TRIGGER IF NOT EXISTS main.\"") + kGrantChangesTable + "$" +
             (table + 8) + "$" + event + "\" AFTER " + event + " ON \"" + table +
             "\" BEGIN UPDATE " + counter + " SET n = n + 1; END; ";
    }
  }
  return connection.ExecInternal(sql.c_str(), error);
}

}  // namespace kestrel_engine
