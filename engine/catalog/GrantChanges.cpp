/*
** The grant-change counter's table and the triggers that move it, and
** the triggers that take a dropped object's grants with it.
*/
#include "catalog/GrantChanges.h"

#include <string>

#include "catalog/Catalog.h"
#include "catalog/Privileges.h"
#include "catalog/Sequences.h"
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
  // Grants go with their table, view or sequence, as in Oracle: a new
  // object of a dropped one's name starts with none. (The catalog's row
  // goes when the object is gone after its statement, so a table rebuilt
  // by ALTER keeps them.) Grants left by older files on objects no longer
  // there go now.
  const std::string tabPrivs = std::string("\"") + kTabPrivsTable + "\"";
  const std::string forget = " BEGIN DELETE FROM " + tabPrivs +
                             " WHERE table_name = upper(old.name) AND owner = old.owner; END; ";
  sql += std::string("CREATE TRIGGER IF NOT EXISTS main.\"") + kGrantChangesTable +
         "$objects$DELETE\" AFTER DELETE ON \"" + kObjectsTable +
         "\" WHEN old.type IN ('table', 'view')" + forget +
         "CREATE TRIGGER IF NOT EXISTS main.\"" + kGrantChangesTable + "$sequences$DELETE\" AFTER "
         "DELETE ON \"" + kSequencesTable + "\"" + forget + "DELETE FROM main." + tabPrivs +
         " WHERE NOT EXISTS (SELECT 1 FROM main.\"" + kObjectsTable +
         "\" o WHERE upper(o.name) = table_name AND o.owner = " + tabPrivs +
         ".owner) AND NOT EXISTS (SELECT 1 FROM main.\"" + kSequencesTable +
         "\" s WHERE upper(s.name) = table_name AND s.owner = " + tabPrivs +
         ".owner) AND NOT EXISTS (SELECT 1 FROM main.\"kestrel$code\" c WHERE upper(c.name) = "
         "table_name AND c.owner = " + tabPrivs + ".owner)";
  return EnsureCatalog(connection, error) && EnsureSequences(connection, error) &&
         connection.ExecInternal(sql.c_str(), error);
}

}  // namespace kestrel_engine
