/*
** The count of changes to the grants, kept in the file: every insert,
** update or delete of a privilege table adds one (engine triggers do it,
** whoever writes), so a statement prepared under older grants can tell,
** at its next execution, that it must be checked again. Also the rule
** that a dropped object's grants go with it.
*/
#ifndef KESTREL_ENGINE_CATALOG_GRANTCHANGES_H
#define KESTREL_ENGINE_CATALOG_GRANTCHANGES_H

#include "errors/OraError.h"

namespace kestrel_engine {

class Connection;

extern const char kGrantChangesTable[];

// Creates the counter and its triggers, and those that take a dropped
// table's, view's or sequence's grants with it, when missing (inside the
// caller's transaction); the privilege tables must exist. Grants on
// objects no longer there are dropped.
bool EnsureGrantChanges(Connection &connection, OraError *error);

}  // namespace kestrel_engine

#endif
