/*
** The vendor's data dictionary views over the engine's catalog and SQLite's
** schema: USER_OBJECTS, USER_TABLES, USER_VIEWS, USER_TAB_COLUMNS,
** USER_TAB_COLS, USER_INDEXES, USER_IND_COLUMNS, USER_TRIGGERS and their
** ALL_ forms with an OWNER column. They are made in each connection's
** temporary schema, as DUAL is, so nothing is written to the database,
** and each only when a statement first names it: SQLite parses every view
** it makes, and a session that made them all would spend more on that
** than on the rest of its logon but the password check.
*/
#ifndef KESTREL_ENGINE_DICTIONARY_H
#define KESTREL_ENGINE_DICTIONARY_H

#include <sqlite3.h>

#include <string_view>

#include "session/SessionSettings.h"

namespace kestrel_engine {

// The functions the views use. SQLITE_OK or SQLite's code.
int RegisterDictionaryFunctions(sqlite3 *db, const SessionSettings *settings);

// Makes the view `name` (and the views it reads) unless the connection
// has it. SQLITE_OK when it is there; SQLITE_NOTFOUND when `name` is no
// dictionary view; else SQLite's code. A rolled-back transaction takes
// a view made inside it away, and the next use makes it again. The
// caller runs it with the engine's rights: client SQL may not make a
// view of these names.
int EnsureDictionaryView(sqlite3 *db, std::string_view name);
// The same for the table named by the connection's last error, when
// that is SQLite's "no such table".
int EnsureMissingDictionaryView(sqlite3 *db);

// True when `name` is one of the dictionary's views: the only readers of
// the engine's catalog that client SQL may use, and names client SQL may
// not take for its own objects.
bool IsDictionaryView(const char *name);

}  // namespace kestrel_engine

#endif
