/*
** SQLite's printf() and format(), with every width and precision held to
** kPrintfFieldLimit. SQLite's own would allocate whatever a width asks
** (printf('%.*c', 2000000000, 'x') takes a gigabyte) and then answer NULL
** without an error; this one refuses such a field with ORA-01489.
*/
#ifndef KESTREL_ENGINE_BOUNDEDPRINTF_H
#define KESTREL_ENGINE_BOUNDEDPRINTF_H

#include <sqlite3.h>

namespace kestrel_engine {

// The longest text the vendor's SQL holds in one value (extended strings).
constexpr int kPrintfFieldLimit = 32767;

// Replaces printf and format on `db`. SQLITE_OK or SQLite's error code.
int RegisterBoundedPrintf(sqlite3 *db);

}  // namespace kestrel_engine

#endif
