/*
** The dictionary views of users, roles and privileges, private to each
** connection like the others (catalog/Dictionary.h).
*/
#ifndef KESTREL_ENGINE_CATALOG_PRIVILEGEVIEWS_H
#define KESTREL_ENGINE_CATALOG_PRIVILEGEVIEWS_H

#include <sqlite3.h>

namespace kestrel_engine {

// True for one of the views below.
bool IsPrivilegeView(const char *name);

// Creates them; they call kestrel_session_user() and kestrel_holds(),
// registered with the connection.
int CreatePrivilegeViews(sqlite3 *db);

}  // namespace kestrel_engine

#endif
