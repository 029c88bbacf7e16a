/*
** The text of one result cell: a column value read through the library,
** as kestrel-sql prints it in a table or in CSV.
*/
#ifndef KESTREL_SQL_VALUE_TEXT_H
#define KESTREL_SQL_VALUE_TEXT_H

#include <string>

#include "COleVariant.h"

namespace kestrel_sql {

// True for the column type codes printed right-aligned: NUMBER, integer
// and floating point.
bool IsNumericType(int type);

// The type's name in angle brackets (<DATE>, <BLOB>, ...), shown for
// values the library does not hand out; "<TYPE n>" for a code without a
// name.
std::string TypeLabel(int type);

// A number in its natural text form: at most 15 significant digits
// (what a double carries exactly), no trailing zeros ("12.5", "3",
// "1e+20"), and no negative zero.
std::string NumberText(double value);

// The cell for a value that GetFieldValue delivered. `value` is VT_EMPTY
// when the library handed out nothing for the column's type.
std::string CellText(const COleVariant &value, int type);

}  // namespace kestrel_sql

#endif
