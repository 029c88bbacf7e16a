/*
** The dictionary views of users, roles and privileges, private to each
** connection like the others (catalog/Dictionary.h).
*/
#ifndef KESTREL_ENGINE_CATALOG_PRIVILEGEVIEWS_H
#define KESTREL_ENGINE_CATALOG_PRIVILEGEVIEWS_H

#include <sqlite3.h>

#include <string>
#include <vector>

namespace kestrel_engine {

// True for one of the views below.
bool IsPrivilegeView(const char *name);

// Their CREATE statements, made on first use as the other dictionary
// views; they call kestrel_session_user() and kestrel_holds(), registered
// with the connection.
void AddPrivilegeViewStatements(std::vector<std::string> *out);

}  // namespace kestrel_engine

#endif
