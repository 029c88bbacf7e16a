/*
** The function an invalid view (CREATE FORCE VIEW over something missing)
** runs in place of its query, so that using it fails as Oracle's does.
*/
#ifndef KESTREL_ENGINE_SCHEMA_VIEWFUNCTIONS_H
#define KESTREL_ENGINE_SCHEMA_VIEWFUNCTIONS_H

#include <sqlite3.h>

namespace kestrel_engine {

// kestrel_view_errors('view "OWNER.V"'): raises ORA-04063.
int RegisterViewFunctions(sqlite3 *db);

}  // namespace kestrel_engine

#endif
