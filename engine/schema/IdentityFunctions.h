/*
** The function the identity columns' triggers call to tell a value the
** column's DEFAULT just drew from its sequence from one the statement gave.
*/
#ifndef KESTREL_ENGINE_SCHEMA_IDENTITYFUNCTIONS_H
#define KESTREL_ENGINE_SCHEMA_IDENTITYFUNCTIONS_H

#include <sqlite3.h>

namespace kestrel_engine {

class Connection;

// kestrel_identity_drawn(sequence, value): 1 when `value` is the last
// value this session drew from `sequence`, else 0 (never an error).
int RegisterIdentityFunctions(sqlite3 *db, Connection *connection);

}  // namespace kestrel_engine

#endif
