/*
** The count of changes to the grants, kept in the file: every insert,
** update or delete of a privilege table adds one (engine triggers do it,
** whoever writes), so a statement prepared under older grants can tell,
** at its next execution, that it must be checked again.
*/
#ifndef KESTREL_ENGINE_CATALOG_GRANTCHANGES_H
#define KESTREL_ENGINE_CATALOG_GRANTCHANGES_H

#include "errors/OraError.h"

namespace kestrel_engine {

class Connection;

extern const char kGrantChangesTable[];

// Creates the counter and its triggers when missing (inside the caller's
// transaction); the privilege tables must exist.
bool EnsureGrantChanges(Connection &connection, OraError *error);

}  // namespace kestrel_engine

#endif
