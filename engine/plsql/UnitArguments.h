/*
** The rows of USER_ARGUMENTS for one subprogram.
*/
#ifndef KESTREL_ENGINE_PLSQL_UNITARGUMENTS_H
#define KESTREL_ENGINE_PLSQL_UNITARGUMENTS_H

#include <vector>

#include "plsql/CodeCatalog.h"
#include "sql/ast/Plsql.h"

namespace kestrel_engine {
class Connection;
}

namespace kestrel_engine::plsql {

// A function's result first (position 0), then each parameter; a
// procedure without parameters has one row without a name, as Oracle
// keeps it.
void SubprogramArguments(Connection &connection, const sql::Subprogram &sub,
                         std::vector<UnitArgument> *out);

}  // namespace kestrel_engine::plsql

#endif
