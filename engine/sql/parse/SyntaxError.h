/*
** A syntax error as Oracle reports it: the error number, the message
** ("ORA-00936: missing expression") and the byte offset of the offending
** token in the statement text. The parser throws it; nothing on the happy
** path does.
*/
#ifndef KESTREL_ENGINE_SQL_PARSE_SYNTAXERROR_H
#define KESTREL_ENGINE_SQL_PARSE_SYNTAXERROR_H

#include <stdint.h>

#include <exception>
#include <string>
#include <string_view>

namespace kestrel_engine::sql {

class SyntaxError : public std::exception {
 public:
  // `detail` fills the message's placeholder (ORA-00904's identifier).
  SyntaxError(int code, uint32_t offset, std::string_view detail = {});
  // An error inside a PL/SQL unit, reported as Oracle compiles one:
  // "ORA-06550: line L, column C:" and then "PLS-00103: ..." or
  // "PL/SQL: ORA-00936: ..." for the SQL inside. Line and column (from 1)
  // count from the start of `text`.
  SyntaxError(const SyntaxError &inner, std::string_view text);
  int code() const { return code_; }
  uint32_t offset() const { return offset_; }
  // PL/SQL errors: the position and the PLS- (negative) or ORA- number
  // under ORA-06550; 0 otherwise.
  uint32_t line() const { return line_; }
  uint32_t column() const { return column_; }
  int inner_code() const { return inner_code_; }
  const std::string &message() const { return message_; }
  const char *what() const noexcept override { return message_.c_str(); }

 private:
  int code_;
  uint32_t offset_;
  uint32_t line_ = 0;
  uint32_t column_ = 0;
  int inner_code_ = 0;
  std::string message_;
};

// Error numbers the front end gives.
enum : int {
  kOraNestingTooDeep = 36,       // nesting deeper than the parser allows
  kOraInvalidSql = 900,
  kOraInvalidCreate = 901,
  kOraInvalidDatatype = 902,
  kOraInvalidTableName = 903,
  kOraInvalidIdentifier = 904,
  kOraMissingKeyword = 905,
  kOraMissingLeftParen = 906,
  kOraMissingRightParen = 907,
  kOraInvalidArgCount = 909,
  kOraInvalidCharacter = 911,
  kOraMissingComma = 917,
  kOraInvalidRelationalOp = 920,
  kOraUnexpectedEnd = 921,
  kOraMissingOption = 922,
  kOraFromNotFound = 923,
  kOraMissingBy = 924,
  kOraMissingInto = 925,
  kOraMissingValues = 926,
  kOraMissingEquals = 927,
  kOraMissingSelect = 928,
  kOraMissingIdentifier = 931,
  kOraNotProperlyEnded = 933,
  kOraMissingExpression = 936,
  kOraInvalidAlter = 940,
  kOraInvalidDrop = 950,
  kOraMissingOn = 969,
  kOraIdentifierTooLong = 972,
  kOraInvalidAlterTableOption = 1735,
  kOraInvalidLiteral = 1741,  // zero-length identifier
  kOraMissingDoubleQuote = 1740,
  kOraCommentNotTerminated = 1742,
  kOraQuoteNotTerminated = 1756,
  kOraPlsqlCompile = 6550,     // PL/SQL compilation error (line, column, then the cause)
  kOraNotValidCall = 6576,     // CALL of something that is no call
  kPlsEncountered = -103,      // PLS-00103: encountered the symbol ...
  kPlsEndMismatch = -113,      // PLS-00113: END name differs from the unit's name
};

}  // namespace kestrel_engine::sql

#endif
