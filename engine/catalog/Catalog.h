/*
** The engine's record of the objects in a database: for each table, view,
** index and trigger, who created it and when, and when its definition last
** changed, as the vendor's dictionary shows them. It is kept in the
** engine's own table kestrel$objects and brought in line with SQLite's
** schema after every statement that changes the schema, so it follows the
** schema whichever way it changed.
*/
#ifndef KESTREL_ENGINE_CATALOG_H
#define KESTREL_ENGINE_CATALOG_H

#include <string>

#include "errors/OraError.h"
#include "session/Connection.h"

namespace kestrel_engine {

extern const char kObjectsTable[];

// Creates the table when missing (inside the caller's transaction).
bool EnsureCatalog(Connection &connection, OraError *error);

// Records objects new to the schema as `owner`'s, forgets the ones gone,
// and stamps the ones whose definition changed. Inside the caller's write
// transaction when one is open, else in one of its own.
bool SyncCatalog(Connection &connection, const std::string &owner,
                 OraError *error);

}  // namespace kestrel_engine

#endif
