/*
** The authorizer's privilege rule: client SQL reads and changes another
** user's table or view only with the object privilege for it (or the
** matching ANY privilege). Inside a view or a trigger the rights are its
** owner's, as Oracle runs views with their definer's rights.
*/
#ifndef KESTREL_ENGINE_SESSION_ACCESSGUARD_H
#define KESTREL_ENGINE_SESSION_ACCESSGUARD_H

#include <sqlite3.h>

#include <string>

namespace kestrel_engine {

class AccessData;
class Connection;

// SQLITE_OK or SQLITE_DENY for one authorizer call made for `user`'s SQL.
// `invisible` is set when the denied object is one the user may not even
// see (ORA-00942 rather than ORA-01031).
int AuthorizeObjectAccess(AccessData &access, const std::string &user, int action,
                          const char *a, const char *b, const char *database, const char *view,
                          bool *invisible);

// True when the session's rights holder may run `owner`'s stored unit
// `name`: its own, or EXECUTE granted.
bool MayExecute(Connection &connection, const std::string &owner, const std::string &name);

// kestrel_may_reach(name): 1 when the session's rights holder may see the
// object `name` (the resolver and the ALL_ views ask it).
int RegisterAccessFunctions(sqlite3 *db, Connection *connection);

}  // namespace kestrel_engine

#endif
