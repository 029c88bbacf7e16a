/*
** The file-format steps that give each schema its own namespace of table,
** view and sequence names, and of stored units. Unqualified names now resolve in the current
** schema only, so an account keeps reaching the other accounts' objects it
** named unqualified before through private synonyms, as Oracle would.
*/
#ifndef KESTREL_ENGINE_CATALOG_NAMESPACEUPGRADE_H
#define KESTREL_ENGINE_CATALOG_NAMESPACEUPGRADE_H

#include "errors/OraError.h"

namespace kestrel_engine {

class Connection;

// Inside the caller's write transaction: for every account, a private
// synonym for each table, view or sequence of another account that it
// could reach (an administrator, or a grant to it, to PUBLIC or to a role
// granted to it), where it has no synonym, sequence or stored unit of that
// name.
bool UpgradeToSchemaNamespaces(Connection &connection, OraError *error);

// The same for stored procedures, functions and packages, once each schema
// has its own: a private synonym for each unit of another account it could
// run (an administrator or DBA, or EXECUTE granted to it, to PUBLIC or to
// a role granted to it), where the name is free in its schema. Where two
// accounts have a unit of the name, the first owner by name wins.
bool UpgradeToCodeNamespaces(Connection &connection, OraError *error);

}  // namespace kestrel_engine

#endif
