/*
** The result types of the functions outside the general function table:
** analytic (ranking, offset and window-value) functions, LISTAGG and
** GROUPING, GROUPING_ID and GROUP_ID.
*/
#ifndef KESTREL_ENGINE_SQL_RESOLVE_ANALYTICTYPES_H
#define KESTREL_ENGINE_SQL_RESOLVE_ANALYTICTYPES_H

#include <string_view>
#include <vector>

#include "sql/resolve/OracleType.h"

namespace kestrel_engine::sql {

// False when `name` (upper case) is none of them.
bool AnalyticFunctionType(std::string_view name, const std::vector<OracleType> &args,
                          OracleType *out);

}  // namespace kestrel_engine::sql

#endif
