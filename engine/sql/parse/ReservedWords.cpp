/*
** The words Oracle reserves: never taken as identifiers or aliases unless
** quoted.
*/
#include "sql/parse/Lexer.h"

namespace kestrel_engine::sql {

bool IsReservedWord(std::string_view upper) {
  return IsReserved(LookupKeyword(upper));
}

}  // namespace kestrel_engine::sql
