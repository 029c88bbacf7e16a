/*
** The authorizer's rules for client SQL and the connection's defences.
** Refused: ATTACH and DETACH (another file, read and written without its
** accounts), every PRAGMA but a few read-only ones (writable_schema,
** locking_mode and journal_mode change what every session relies on),
** virtual tables (the FTS3 tokenizer path), the engine's own tables, and
** SQLite functions that reach outside the database or hand out pointers.
*/
#include "session/SqlGuard.h"

#include <string.h>

namespace kestrel_engine {

const char kEnginePrefix[] = "kestrel$";

namespace {

// Pragmas a client may read: none changes anything, and none takes a
// value (table_info and its kin take a table's name).
constexpr const char *kReadablePragmas[] = {
    "user_version", "integrity_check", "quick_check", "foreign_key_check",
    "table_info",   "table_xinfo",     "index_list",  "index_info",
    "index_xinfo",  "foreign_key_list",
};
// Of those, the ones whose argument is a name rather than a new value.
constexpr const char *kPragmasNamingATable[] = {
    "integrity_check", "quick_check",      "foreign_key_check", "table_info",
    "table_xinfo",     "index_list",       "index_info",
    "index_xinfo",     "foreign_key_list",
};

// Functions that read or write files, load code, expose pointers or edit
// the schema; Debian's build has some of them, the others come with
// extensions a process might load.
constexpr const char *kRefusedFunctions[] = {
    "load_extension", "readfile",  "writefile", "edit",    "fts3_tokenizer",
    "fts5",           "sqlite_offset", "lsmode", "zipfile", "sqlar_compress",
    "sqlar_uncompress",
};

template <size_t N>
bool Listed(const char *const (&list)[N], const char *name) {
  if (name == nullptr) return false;
  for (const char *entry : list) {
    if (sqlite3_stricmp(entry, name) == 0) return true;
  }
  return false;
}

}  // namespace

bool IsEngineTable(const char *table) {
  return table != nullptr &&
         sqlite3_strnicmp(table, kEnginePrefix, sizeof kEnginePrefix - 1) == 0;
}

int ApplyDefences(sqlite3 *db) {
  struct Setting {
    int option;
    int value;
  };
  // Defensive mode refuses writes to the schema table and the raw page
  // store even where a PRAGMA slipped through; the schema's own functions
  // and views are not trusted to call functions with side effects.
  constexpr Setting kSettings[] = {
      {SQLITE_DBCONFIG_DEFENSIVE, 1},
      {SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0},
      {SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0},
      {SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0},
  };
  for (const Setting &s : kSettings) {
    int now = -1;
    const int rc = sqlite3_db_config(db, s.option, s.value, &now);
    if (rc != SQLITE_OK) return rc;
    if (now != s.value) return SQLITE_ERROR;
  }
  // One database per connection: ATTACH is refused by the authorizer too.
  sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
  return SQLITE_OK;
}

int AuthorizeClientAction(int action, const char *a, const char *b) {
  switch (action) {
    case SQLITE_ATTACH:
    case SQLITE_DETACH:
    case SQLITE_CREATE_VTABLE:
    case SQLITE_DROP_VTABLE:
      return SQLITE_DENY;
    case SQLITE_PRAGMA:
      if (!Listed(kReadablePragmas, a)) return SQLITE_DENY;
      if (b != nullptr && !Listed(kPragmasNamingATable, a)) return SQLITE_DENY;
      return SQLITE_OK;
    case SQLITE_FUNCTION:
      return Listed(kRefusedFunctions, b) ? SQLITE_DENY : SQLITE_OK;
    default:
      break;
  }
  // The table's name is the first or the second argument, by action.
  if (IsEngineTable(a) || IsEngineTable(b)) return SQLITE_DENY;
  return SQLITE_OK;
}

}  // namespace kestrel_engine
