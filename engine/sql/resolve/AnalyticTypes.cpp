/*
** Result types of the analytic functions, LISTAGG and the GROUPING
** functions: ranks, ratios and grouping bits are NUMBER, the offset and value functions give their first argument's type,
** LISTAGG a VARCHAR2 of Oracle's 4000-byte limit.
*/
#include "sql/resolve/AnalyticTypes.h"

namespace kestrel_engine::sql {

bool AnalyticFunctionType(std::string_view name, const std::vector<OracleType> &args,
                          OracleType *out) {
  static const char *const kNumbers[] = {"ROW_NUMBER", "RANK", "DENSE_RANK", "PERCENT_RANK",
                                         "CUME_DIST", "NTILE", "RATIO_TO_REPORT",
                                         "GROUPING", "GROUPING_ID", "GROUP_ID"};
  for (const char *n : kNumbers) {
    if (name == n) {
      *out = MakeType(TypeCategory::kNumber);
      return true;
    }
  }
  static const char *const kValues[] = {"LAG", "LEAD", "FIRST_VALUE", "LAST_VALUE",
                                        "NTH_VALUE"};
  for (const char *n : kValues) {
    if (name == n) {
      *out = args.empty() ? MakeType(TypeCategory::kNull) : args[0];
      // LAG/LEAD's default decides when the value is NULL.
      if (out->Is(TypeCategory::kNull) && args.size() > 2) *out = args[2];
      return true;
    }
  }
  if (name == "LISTAGG") {
    *out = MakeType(TypeCategory::kVarchar2, 4000);
    return true;
  }
  return false;
}

}  // namespace kestrel_engine::sql
