/*
** An error found after parsing, as Oracle reports it: a name that binds to
** nothing, inconsistent types, a GROUP BY violation, or a form the chosen
** back end cannot write yet (ORA-03001). Same shape as SyntaxError: the
** number, the message and the byte offset in the statement text.
*/
#ifndef KESTREL_ENGINE_SQL_RESOLVE_SEMANTICERROR_H
#define KESTREL_ENGINE_SQL_RESOLVE_SEMANTICERROR_H

#include <stdint.h>
#include <exception>
#include <string>
#include <string_view>

namespace kestrel_engine::sql {

enum : int {
  kOraColumnAmbiguous = 918,
  kOraNotSingleGroup = 937,
  kOraTableNotFound = 942,
  kOraInconsistentTypes = 932,
  kOraDatePlusDate = 975,
  kOraNotGroupBy = 979,
  kOraGroupFunctionNotAllowed = 934,
  kOraUnimplemented = 3001,
  kOraSequenceNotFound = 2289,
};

class SemanticError : public std::exception {
 public:
  // `detail` fills the message's placeholders: the identifier of 904/942
  // is not quoted by Oracle for 942; for 932 "expected X got Y".
  SemanticError(int code, uint32_t offset, std::string_view detail = {});
  int code() const { return code_; }
  uint32_t offset() const { return offset_; }
  const std::string &message() const { return message_; }
  const char *what() const noexcept override { return message_.c_str(); }

 private:
  int code_;
  uint32_t offset_;
  std::string message_;
};

}  // namespace kestrel_engine::sql

#endif
