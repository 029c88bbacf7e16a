/*
** The SQL functions behind the engine's column rules, registered on every
** connection the engine opens. The triggers that CREATE TABLE and ALTER
** TABLE add call them to hold values to their columns' declared sizes:
**
**   kestrel_check_size(value, max_bytes, label)   ORA-12899 when longer
**   kestrel_check_number(value, precision, scale) ORA-01438 when the value,
**       rounded to the scale, has too many digits; ORA-01722 for text that
**       is not a number; ORA-01426 for infinities
**   kestrel_round(value, scale)                   the value rounded half
**       away from zero to `scale` decimals (negative: tens, hundreds, ...)
**
** Another program without these functions (the sqlite3 shell) still reads
** such tables; its writes to them fail with "no such function".
*/
#ifndef KESTREL_ENGINE_RULEFUNCTIONS_H
#define KESTREL_ENGINE_RULEFUNCTIONS_H

#include <sqlite3.h>

namespace kestrel_engine {

// SQLITE_OK, or SQLite's error code.
int RegisterRuleFunctions(sqlite3 *db);

}  // namespace kestrel_engine

#endif
