/*
** Stored functions called from SQL statements: the SQLite function
** kestrel_call(query, 'OWNER.NAME', args...) the emitter writes for them.
*/
#ifndef KESTREL_ENGINE_PLSQL_SQLCALLS_H
#define KESTREL_ENGINE_PLSQL_SQLCALLS_H

#include <sqlite3.h>

namespace kestrel_engine {
class Connection;
}

namespace kestrel_engine::plsql {

// SQL may call a stored function at most this deep (ORA-00036 beyond).
constexpr int kMaxSqlCallDepth = 50;

int RegisterSqlCalls(sqlite3 *db, Connection *connection);

}  // namespace kestrel_engine::plsql

#endif
