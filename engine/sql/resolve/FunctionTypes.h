/*
** The result type rule of each Oracle function the engine knows, by name:
** a fixed category, or the type of one of its arguments. Unknown names are
** ORA-00904 in Oracle, and so here.
*/
#ifndef KESTREL_ENGINE_SQL_RESOLVE_FUNCTIONTYPES_H
#define KESTREL_ENGINE_SQL_RESOLVE_FUNCTIONTYPES_H

#include <string_view>

#include "sql/resolve/OracleType.h"

namespace kestrel_engine::sql {

struct FunctionRule {
  bool known = false;
  bool aggregate = false;
  int from_arg = -1;  // >= 0: the result has that argument's type
  TypeCategory category = TypeCategory::kVarchar2;
};

// `name` upper case; package functions as "UTL_RAW.CAST_TO_RAW".
FunctionRule LookupFunction(std::string_view name);

}  // namespace kestrel_engine::sql

#endif
