/*
** The Oracle type the resolver gives every expression and column: a
** category with its precision, scale or length, as describe reports them.
*/
#ifndef KESTREL_ENGINE_SQL_RESOLVE_ORACLETYPE_H
#define KESTREL_ENGINE_SQL_RESOLVE_ORACLETYPE_H

#include <stdint.h>
#include <string>
#include <string_view>

#include "sql/ast/Node.h"

namespace kestrel_engine::sql {

enum class TypeCategory : uint8_t {
  kNull,          // the NULL literal: fits anything
  kNumber,        // precision/scale -1 when unstated
  kBinaryDouble,
  kVarchar2,      // length in bytes, -1 unknown (4000)
  kChar,
  kDate,
  kTimestamp,     // precision: fractional digits
  kIntervalDS,
  kIntervalYM,
  kRaw,
  kBlob,
  kClob,
  kBoolean,       // conditions
  kRowid,
};

// The scale of FLOAT(p): a binary precision, no decimal scale (as describe
// reports it).
constexpr int32_t kFloatScale = -127;

struct OracleType {
  TypeCategory category = TypeCategory::kNull;
  int32_t precision = -1;
  int32_t scale = -1;
  int32_t length = -1;
  // Not known before the values are: a view's expression column, which
  // SQLite keeps without a type. Describe then reads the first value.
  bool guessed = false;

  bool Is(TypeCategory c) const { return category == c; }
  bool IsNumeric() const {
    return category == TypeCategory::kNumber || category == TypeCategory::kBinaryDouble;
  }
  bool IsCharacter() const {
    return category == TypeCategory::kVarchar2 || category == TypeCategory::kChar ||
           category == TypeCategory::kClob;
  }
  bool IsDatetime() const {
    return category == TypeCategory::kDate || category == TypeCategory::kTimestamp;
  }
  bool IsBinary() const {
    return category == TypeCategory::kRaw || category == TypeCategory::kBlob;
  }
};

OracleType MakeType(TypeCategory c, int32_t length = -1);
// A column's declared type as SQLite keeps it ("VARCHAR2(20)", "NUMBER(7,2)").
OracleType TypeFromDeclared(std::string_view declared);
// A type written in the statement (CAST, ...).
OracleType TypeFromTypeName(const TypeName &type);
// The type as a declaration ("NUMBER(7,2)", "VARCHAR2(10)", "TIMESTAMP(6)",
// "NUMBER" when unconstrained), the form describe already reads for
// stored columns. A NULL select item is "VARCHAR2(0)", as Oracle
// describes it.
std::string TypeText(const OracleType &type);
// Oracle's name of the category, as ORA-00932 prints it (NUMBER, DATE, CHAR, ...).
const char *TypeCategoryName(TypeCategory c);

}  // namespace kestrel_engine::sql

#endif
