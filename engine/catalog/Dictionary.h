/*
** The vendor's data dictionary views over the engine's catalog and SQLite's
** schema: USER_OBJECTS, USER_TABLES, USER_VIEWS, USER_TAB_COLUMNS,
** USER_TAB_COLS, USER_INDEXES, USER_IND_COLUMNS, USER_TRIGGERS and their
** ALL_ forms with an OWNER column. They are made in each connection's
** temporary schema, as DUAL is, so nothing is written to the database.
*/
#ifndef KESTREL_ENGINE_DICTIONARY_H
#define KESTREL_ENGINE_DICTIONARY_H

#include <sqlite3.h>

#include "session/SessionSettings.h"

namespace kestrel_engine {

// The views and the functions they use. SQLITE_OK or SQLite's code.
int CreateDictionary(sqlite3 *db, const SessionSettings *settings);

// True when `name` is one of the dictionary's views: the only readers of
// the engine's catalog that client SQL may use, and names client SQL may
// not take for its own objects.
bool IsDictionaryView(const char *name);

}  // namespace kestrel_engine

#endif
