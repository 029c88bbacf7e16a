/*
** What client SQL may reach SQLite. The engine's own statements (accounts,
** rules, upgrades) run in an internal scope that passes; everything a
** client sends is held to Oracle's reach: one database, no files, no
** SQLite configuration. This is the defence that holds whatever the
** statement translation lets through.
*/
#ifndef KESTREL_ENGINE_SQLGUARD_H
#define KESTREL_ENGINE_SQLGUARD_H

#include <sqlite3.h>

namespace kestrel_engine {

// Prefix of the engine's own tables, which client SQL never sees.
extern const char kEnginePrefix[];

// Turns on SQLite's defensive mode and turns off what reaches outside the
// database (extension loading, the FTS3 tokenizer interface, untrusted
// schema functions). SQLITE_OK or the first failing call's code.
int ApplyDefences(sqlite3 *db);

// The authorizer's verdict on one action of client SQL: SQLITE_OK or
// SQLITE_DENY.
int AuthorizeClientAction(int action, const char *a, const char *b);

// True when `table` is one of the engine's own tables.
bool IsEngineTable(const char *table);

}  // namespace kestrel_engine

#endif
