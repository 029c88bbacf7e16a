/*
** kestrel$synonyms: one row per synonym, keyed by owner and name.
*/
#include "catalog/Synonyms.h"

#include <string>

#include "session/Connection.h"

namespace kestrel_engine {

const char kSynonymsTable[] = "kestrel$synonyms";
const char kPublicOwner[] = "PUBLIC";

bool EnsureSynonyms(Connection &connection, OraError *error) {
  return connection.ExecInternal(
      (std::string("CREATE TABLE IF NOT EXISTS \"") + kSynonymsTable +
       "\" (owner TEXT NOT NULL, name TEXT NOT NULL, table_owner TEXT NOT NULL, "
       "table_name TEXT NOT NULL, db_link TEXT NOT NULL DEFAULT '', created DATE NOT NULL, "
       "last_ddl_time DATE NOT NULL, PRIMARY KEY (owner, name))")
          .c_str(),
      error);
}

}  // namespace kestrel_engine
