/*
** ALTER TABLE ... MODIFY col type over rows that hold values: Oracle
** changes a type in place only where every value still fits, so a change
** that would lose or reinterpret data is refused before the table is
** rebuilt (the rebuild itself copies values as they are).
*/
#include "schema/SchemaStatements.h"
#include "sql/resolve/OracleType.h"

namespace kestrel_engine::schema {

namespace {

using sql::OracleType;
using sql::TypeCategory;

// Unconstrained precision and scale compare as larger than any given.
int32_t Precision(const OracleType &t) { return t.precision < 0 ? 1000 : t.precision; }
int32_t Scale(const OracleType &t) {
  if (t.scale == sql::kFloatScale) return 1000;
  return t.scale < 0 ? (t.precision < 0 ? 1000 : 0) : t.scale;
}

bool Textual(const OracleType &t) {
  return t.Is(TypeCategory::kVarchar2) || t.Is(TypeCategory::kChar);
}

}  // namespace

void CheckTypeChange(Ddl &ddl, const std::string &table, const std::string &column,
                     const std::string &from, const std::string &to) {
  const std::string where = " FROM main." + QuoteIdent(table) + " WHERE " + QuoteIdent(column) +
                            " IS NOT NULL";
  if (!ddl.Exists("SELECT 1" + where)) return;  // an empty column takes any type
  const OracleType a = sql::TypeFromDeclared(from), b = sql::TypeFromDeclared(to);
  if (a.guessed || b.guessed) return;  // a column declared without a type: no rule to keep
  if (Textual(a) && Textual(b)) {
    // Lengths in bytes, as the size rules count them; a CHAR value is as
    // long as its column, however it is kept.
    if (b.length < 0 || (a.length >= 0 && b.length >= a.length)) return;
    if (a.Is(TypeCategory::kChar) ||
        ddl.Exists("SELECT 1" + where + " AND length(CAST(" + QuoteIdent(column) +
                   " AS BLOB)) > " + std::to_string(b.length))) {
      Fail(1441);
    }
    return;
  }
  if (a.Is(TypeCategory::kRaw) && b.Is(TypeCategory::kRaw)) {
    if (b.length >= 0 && ddl.Exists("SELECT 1" + where + " AND length(" + QuoteIdent(column) +
                                     ") > " + std::to_string(b.length))) {
      Fail(1441);
    }
    return;
  }
  if (a.Is(TypeCategory::kNumber) && b.Is(TypeCategory::kNumber)) {
    if (Precision(b) < Precision(a) || Scale(b) < Scale(a)) Fail(1440);
    return;
  }
  // DATE widens to TIMESTAMP; a TIMESTAMP keeps its kind at any precision.
  if (b.Is(TypeCategory::kTimestamp) && a.IsDatetime()) return;
  if (a.category == b.category &&
      (a.Is(TypeCategory::kDate) || a.Is(TypeCategory::kClob) || a.Is(TypeCategory::kBlob) ||
       a.Is(TypeCategory::kBinaryDouble))) {
    return;
  }
  Fail(1439);
}

}  // namespace kestrel_engine::schema
