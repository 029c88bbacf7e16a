/*
** A PL/SQL exception in flight: the Oracle error number and message (as
** SQLCODE and SQLERRM read them), the identity of a user-declared
** exception, and the lines of the ORA-06512 trace gathered as it
** propagates. Raised as a C++ exception through the interpreter.
*/
#ifndef KESTREL_ENGINE_PLSQL_PLERROR_H
#define KESTREL_ENGINE_PLSQL_PLERROR_H

#include <string>
#include <string_view>

#include "errors/OraError.h"

namespace kestrel_engine::plsql {

// ORA-06510's SQLCODE for a user-declared exception without EXCEPTION_INIT.
constexpr int kUserException = 1;

struct PlRaise {
  int code = 0;             // SQLCODE's magnitude (1 for a user exception)
  std::string message;      // "ORA-NNNNN: text"
  const void *user = nullptr;  // the declaration of a user exception
  std::string trace;        // "ORA-06512: at line n" lines, innermost first
  const char *traced_in = nullptr;  // the unit text whose line the trace has

  static PlRaise Ora(int code, std::string_view detail = {});
  static PlRaise From(const OraError &e);
  // The whole error for the client: the message, then the trace.
  OraError ToOraError() const;
};

// The predefined exceptions: name (upper case) to error number, 0 if none.
int PredefinedCode(std::string_view name);

}  // namespace kestrel_engine::plsql

#endif
