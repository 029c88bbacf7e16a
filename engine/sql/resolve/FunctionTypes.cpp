/*
** The function table the resolver types calls with. Kept sorted by name
** for a binary search.
*/
#include "sql/resolve/FunctionTypes.h"

#include <algorithm>
#include <iterator>

namespace kestrel_engine::sql {

namespace {

struct Entry {
  std::string_view name;
  bool aggregate;
  int from_arg;
  TypeCategory category;
};

constexpr TypeCategory N = TypeCategory::kNumber;
constexpr TypeCategory V = TypeCategory::kVarchar2;
constexpr TypeCategory D = TypeCategory::kDate;
constexpr TypeCategory T = TypeCategory::kTimestamp;
constexpr TypeCategory R = TypeCategory::kRaw;
constexpr TypeCategory B = TypeCategory::kBoolean;

constexpr Entry kFunctions[] = {
    {"ABS", false, 0, N},
    {"ADD_MONTHS", false, -1, D},
    {"ASCII", false, -1, N},
    {"AVG", true, -1, N},
    {"BITAND", false, -1, N},
    {"CEIL", false, -1, N},
    {"CHR", false, -1, V},
    {"COALESCE", false, 0, V},
    {"CONCAT", false, -1, V},
    {"COUNT", true, -1, N},
    {"DECODE", false, 2, V},
    {"EMPTY_BLOB", false, -1, TypeCategory::kBlob},
    {"EMPTY_CLOB", false, -1, TypeCategory::kClob},
    {"EXP", false, -1, N},
    {"FLOOR", false, -1, N},
    {"GREATEST", false, 0, V},
    {"HEXTORAW", false, -1, R},
    {"INITCAP", false, -1, V},
    {"INSTR", false, -1, N},
    {"LAST_DAY", false, -1, D},
    {"LEAST", false, 0, V},
    {"LENGTH", false, -1, N},
    {"LENGTHB", false, -1, N},
    {"LN", false, -1, N},
    {"LOG", false, -1, N},
    {"LOWER", false, -1, V},
    {"LPAD", false, -1, V},
    {"LTRIM", false, -1, V},
    {"MAX", true, 0, V},
    {"MEDIAN", true, -1, N},
    {"MIN", true, 0, V},
    {"MOD", false, -1, N},
    {"MONTHS_BETWEEN", false, -1, N},
    {"NEXT_DAY", false, -1, D},
    {"NULLIF", false, 0, V},
    {"NUMTODSINTERVAL", false, -1, TypeCategory::kIntervalDS},
    {"NUMTOYMINTERVAL", false, -1, TypeCategory::kIntervalYM},
    {"NVL", false, 0, V},
    {"NVL2", false, 1, V},
    {"ORA_HASH", false, -1, N},
    {"PERCENTILE_CONT", true, -1, N},
    {"PERCENTILE_DISC", true, -1, N},
    {"POWER", false, -1, N},
    {"RAWTOHEX", false, -1, V},
    {"REGEXP_COUNT", false, -1, N},
    {"REGEXP_INSTR", false, -1, N},
    {"REGEXP_LIKE", false, -1, B},
    {"REGEXP_REPLACE", false, -1, V},
    {"REGEXP_SUBSTR", false, -1, V},
    {"REMAINDER", false, -1, N},
    {"REPLACE", false, -1, V},
    {"ROUND", false, 0, N},
    {"RPAD", false, -1, V},
    {"RTRIM", false, -1, V},
    {"SIGN", false, -1, N},
    {"SOUNDEX", false, -1, V},
    {"SQRT", false, -1, N},
    {"STDDEV", true, -1, N},
    {"SUBSTR", false, -1, V},
    {"SUBSTRB", false, -1, V},
    {"SUM", true, -1, N},
    {"SYS_CONTEXT", false, -1, V},
    {"SYS_GUID", false, -1, R},
    {"TO_BLOB", false, -1, TypeCategory::kBlob},
    {"TO_CHAR", false, -1, V},
    {"TO_CLOB", false, -1, TypeCategory::kClob},
    {"TO_DATE", false, -1, D},
    {"TO_NCLOB", false, -1, TypeCategory::kClob},
    {"TO_NUMBER", false, -1, N},
    {"TO_TIMESTAMP", false, -1, T},
    {"TRANSLATE", false, -1, V},
    {"TRUNC", false, 0, N},
    // The engine's one SQLite form kept for clients: the storage class of
    // a value, for inspecting what the engine stored.
    {"TYPEOF", false, -1, V},
    {"UPPER", false, -1, V},
    {"USERENV", false, -1, V},
    {"UTL_RAW.CAST_TO_RAW", false, -1, R},
    {"UTL_RAW.CAST_TO_VARCHAR2", false, -1, V},
    {"VARIANCE", true, -1, N},
    {"WIDTH_BUCKET", false, -1, N},
};

// The binary search needs the order: a name out of place would be unknown.
constexpr bool Sorted() {
  for (size_t i = 1; i < sizeof kFunctions / sizeof kFunctions[0]; ++i) {
    if (!(kFunctions[i - 1].name < kFunctions[i].name)) return false;
  }
  return true;
}
static_assert(Sorted(), "the function table is kept sorted by name");

}  // namespace

FunctionRule LookupFunction(std::string_view name) {
  const auto at = std::lower_bound(std::begin(kFunctions), std::end(kFunctions), name,
                                   [](const Entry &e, std::string_view n) { return e.name < n; });
  FunctionRule rule;
  if (at == std::end(kFunctions) || at->name != name) return rule;
  rule.known = true;
  rule.aggregate = at->aggregate;
  rule.from_arg = at->from_arg;
  rule.category = at->category;
  return rule;
}

}  // namespace kestrel_engine::sql
