/*
** Turns an SQLite failure into the Oracle error an application expects
** (942 for a missing table, 1 for a duplicate key, 54 for a lock wait that
** timed out, ...), keeping SQLite's own text in the message where it says
** more than the vendor's.
*/
#ifndef KESTREL_ENGINE_SQLITEERRORS_H
#define KESTREL_ENGINE_SQLITEERRORS_H

#include <sqlite3.h>

#include "errors/OraError.h"

namespace kestrel_engine {

// `statementType` is the vendor's statement type of the failing statement
// (a failed foreign key is 2292 for a DELETE, 2291 otherwise; a syntax
// error is 900 when the statement's first word is no command, else 933).
// A message that already reads "ORA-NNNNN: ..." (raised by a trigger or a
// function of the engine) is kept as it is, with its number.
OraError ErrorFromSqlite(int extendedCode, const char *message,
                         int statementType);

// The same for the latest failure on `db`.
OraError ErrorFromSqlite(sqlite3 *db, int statementType);

}  // namespace kestrel_engine

#endif
