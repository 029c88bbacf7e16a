/*
** The vendor's type code, size, precision and scale of a column, from the
** type it was declared with (SQLite keeps a declaration's text as
** written), or from its first value when it has no declared type.
*/
#ifndef KESTREL_ENGINE_DECLAREDTYPE_H
#define KESTREL_ENGINE_DECLAREDTYPE_H

#include "statement/ColumnDescription.h"

namespace kestrel_engine {

// Sets dataType, dataSize, precision and scale from a declared type such
// as "VARCHAR2(30)" or "number(12, 2)". False for an empty declaration.
bool DescribeDeclaredType(const char *declared, ColumnDescription *column);

// For an expression: from the SQLite storage class of its first value
// (SQLITE_NULL also stands for "no row").
void DescribeFromValue(int storageClass, ColumnDescription *column);

}  // namespace kestrel_engine

#endif
