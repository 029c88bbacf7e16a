/*
** The one namespace Oracle gives each schema's tables, views, sequences,
** private synonyms and stored units (procedures, functions, packages):
** what a schema already holds under a name, so that a CREATE of any of
** these kinds can answer ORA-00955 for a name another kind holds.
** Indexes, constraints and triggers have namespaces of their own.
*/
#ifndef KESTREL_ENGINE_CATALOG_SCHEMANAMESPACE_H
#define KESTREL_ENGINE_CATALOG_SCHEMANAMESPACE_H

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace kestrel_engine {

// The kind of `owner`'s object named `name` in that namespace: "TABLE"
// (a table or view), "SEQUENCE", "SYNONYM" or "CODE"; empty when the name
// is free. Tables that no catalog row owns (older files) count as
// `owner`'s, so the answer errs on the side of taken.
std::string SchemaNameHolder(sqlite3 *db, std::string_view owner, std::string_view name);

}  // namespace kestrel_engine

#endif
