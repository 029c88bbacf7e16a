/*
** Moves one SQLite value into a caller's define buffer by the vendor's
** rules for each external type: 1 and 5 (text; DATE and TIMESTAMP
** columns in the session's format), 6 (VARNUM) and 2 (NUMBER without the
** length byte), 3 (integer of the given width), 4 (float or double of the
** given width), 12 (the 7-byte DATE) and 156 (OCIDate).
*/
#ifndef KESTREL_ENGINE_VALUECONVERT_H
#define KESTREL_ENGINE_VALUECONVERT_H

#include <sqlite3.h>
#include <stddef.h>

#include "oci.h"

namespace kestrel_engine {

// Where a define puts a column's value, as OCIDefineByPos received it.
struct OutputTarget {
  void *value;
  sb4 size;
  ub2 type;
  sb2 *indicator;      // may be null
  ub2 *returnLength;   // may be null
  ub2 *returnCode;     // may be null
};

// What the describe knows of the column that the fetch needs.
struct DateFormat;

struct ColumnTraits {
  ub2 dataType;   // the described type code (96 = CHAR: blank-padded)
  ub2 dataSize;   // the described size in bytes
  // DATE and TIMESTAMP columns: the session's format for them as text.
  const DateFormat *dateModel = nullptr;
};

// True for the type codes of DATE and TIMESTAMP columns.
inline bool IsDateType(ub2 dataType) {
  return dataType == SQLT_DAT || dataType == SQLT_TIMESTAMP;
}

// Result of storing one value.
enum StoreStatus {
  kStored = 0,      // value stored (or NULL: indicator -1)
  kTruncated = 1406 // text cut to fit: indicator holds the full length
};

// Stores `value` into `target`. Returns kStored, kTruncated, or the Oracle
// error number to report: 1722 (text that is not a number fetched as a
// number), 1455 (integer out of the buffer's range), 1426 (numeric
// overflow), 1489 (text expression longer than 4000 bytes), 932
// (inconsistent datatypes: an external type this engine cannot store, or a
// BLOB fetched as a number), 1405 (a NULL with no indicator), 1460 (a
// number buffer too small for the number). ValueConvert.cpp lists the
// rules followed where the vendor leaves a choice.
int StoreValue(sqlite3_value *value, const ColumnTraits &traits,
               const OutputTarget &target);

// StoreValue for one target's type, chosen once for a fetch loop that
// stores many values into the same define: the same results.
using StoreFunction = int (*)(sqlite3_value *value, const ColumnTraits &traits,
                              const OutputTarget &target);
StoreFunction StoreFor(const OutputTarget &target);

// The same choice as a tag, for StoreColumns.
enum class StoreKind : unsigned char { kNumber, kDouble, kText, kOther };
StoreKind StoreKindFor(const OutputTarget &target);

// One defined column of a result row, for StoreColumns.
struct ColumnSlot {
  int column;  // 0-based, in the statement's result row
  ColumnTraits traits;
  StoreKind kind;  // StoreKindFor(*target)
  const OutputTarget *target;
};

// StoreValue for each slot's column of the statement's current row, in
// order, in one loop (the fetch's per-row work). Stops at the first
// error; answers kStored, kTruncated when any text was cut, or the error.
int StoreColumns(sqlite3_stmt *statement, const ColumnSlot *slots, size_t count);

}  // namespace kestrel_engine

#endif
