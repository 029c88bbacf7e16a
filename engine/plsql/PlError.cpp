/*
** PL/SQL exceptions: Oracle's numbers for the predefined names, and the
** client's view of an unhandled one.
*/
#include "plsql/PlError.h"

namespace kestrel_engine::plsql {

PlRaise PlRaise::Ora(int code, std::string_view detail) {
  return From(OraError::Make(code, detail));
}

PlRaise PlRaise::From(const OraError &e) {
  PlRaise r;
  r.code = e.code;
  r.message = e.message;
  return r;
}

OraError PlRaise::ToOraError() const {
  std::string text = message;
  if (!trace.empty()) {
    text += '\n';
    text += trace;
  }
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return OraError::Verbatim(code == kUserException && user != nullptr ? 6510 : code, text);
}

int PredefinedCode(std::string_view name) {
  static const struct {
    const char *name;
    int code;
  } kNames[] = {
      {"NO_DATA_FOUND", 1403},     {"TOO_MANY_ROWS", 1422},   {"ZERO_DIVIDE", 1476},
      {"VALUE_ERROR", 6502},       {"DUP_VAL_ON_INDEX", 1},   {"INVALID_NUMBER", 1722},
      {"INVALID_CURSOR", 1001},    {"CURSOR_ALREADY_OPEN", 6511},
      {"CASE_NOT_FOUND", 6592},    {"PROGRAM_ERROR", 6501},   {"STORAGE_ERROR", 6500},
      {"LOGIN_DENIED", 1017},      {"NOT_LOGGED_ON", 1012},   {"TIMEOUT_ON_RESOURCE", 51},
      {"ROWTYPE_MISMATCH", 6504},  {"SUBSCRIPT_BEYOND_COUNT", 6533},
      {"SUBSCRIPT_OUTSIDE_LIMIT", 6532}, {"COLLECTION_IS_NULL", 6531},
      {"ACCESS_INTO_NULL", 6530},  {"SELF_IS_NULL", 30625},
  };
  for (const auto &n : kNames) {
    if (name == n.name) return n.code;
  }
  return 0;
}

}  // namespace kestrel_engine::plsql
