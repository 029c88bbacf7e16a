/*
** Oracle's SQL functions, registered on every connection the engine opens.
** Each family lives in its own file beside this one; this is the one place
** that registers them all.
*/
#ifndef KESTREL_ENGINE_FUNCTIONLIBRARY_H
#define KESTREL_ENGINE_FUNCTIONLIBRARY_H

#include <sqlite3.h>

#include "session/SessionSettings.h"

namespace kestrel_engine {

// `settings` (the session's, read by functions that follow NLS settings or
// name the user) must outlive the connection. SQLITE_OK or SQLite's code.
int RegisterOracleFunctions(sqlite3 *db, const SessionSettings *settings);

}  // namespace kestrel_engine

#endif
