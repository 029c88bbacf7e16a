/*
** The ORA-00955 check the CREATE and RENAME statements of tables, views
** and synonyms share: a schema's tables, views, sequences, private
** synonyms and stored units take their names from one namespace.
*/
#include "catalog/SchemaNamespace.h"
#include "schema/SchemaStatements.h"

namespace kestrel_engine::schema {

void CheckNameFree(Ddl &ddl, const std::string &owner, std::string_view name,
                   std::string_view replacing) {
  const std::string holder = SchemaNameHolder(ddl.db(), owner, name);
  if (!holder.empty() && holder != replacing) Fail(955);
}

void CheckTableNameFree(Ddl &ddl, const std::string &stored, std::string_view name) {
  CheckNameFree(ddl, ddl.owner(), name);
  if (ddl.Exists("SELECT 1 FROM main.sqlite_master WHERE type IN ('table', 'view') AND name = ?1 "
                 "COLLATE NOCASE",
                 {stored})) {
    Fail(955);
  }
}

}  // namespace kestrel_engine::schema
