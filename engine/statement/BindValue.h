/*
** Reads a bound value from the caller's memory and hands it to an SQLite
** parameter, by the vendor's rules for each external type: 1 and 5
** (text), 3 (integer of the given width), 4 (float or double of the given
** width), 6 (VARNUM, with its length byte), 2 (NUMBER, the same bytes
** without it), 12 (the 7-byte DATE), 156 (OCIDate), and 23 and 24 (bytes,
** for RAW and BLOB columns).
*/
#ifndef KESTREL_ENGINE_BINDVALUE_H
#define KESTREL_ENGINE_BINDVALUE_H

#include <sqlite3.h>

#include "oci.h"

namespace kestrel_engine {

// What OCIBindByPos or OCIBindByName received. Element `row` of an array
// execution starts `row` value sizes after `value` (the vendor's default
// stride); its indicator and length are the row-th of theirs.
struct BindSource {
  const void *value;
  sb4 size;
  ub2 type;
  const sb2 *indicator;  // may be null; negative binds NULL
  const ub2 *length;     // may be null; else the value's actual length
};

// 0 when the type and size can be bound, else the Oracle error number:
// 932 for an external type this engine does not bind or an integer or
// float of a width it cannot read, 21560 for a negative size.
int CheckBindSource(const BindSource &source);

// Binds element `row` of `source` to parameter `index` of `statement`.
// Answers 0, or the Oracle error number: 1722 for bytes that are not a
// well-formed NUMBER, 1426 for a NaN (SQLite would keep it as NULL), 1841,
// 1843, 1847 or 1850..1852 for a date with a field out of range.
// `during`: the statement reads the value only before the call that binds
// it returns (DML, not a query fetched later), so text may stay in the
// caller's buffer instead of a copy.
int BindValue(sqlite3_stmt *statement, int index, const BindSource &source,
              ub4 row, bool during = false);

}  // namespace kestrel_engine

#endif
