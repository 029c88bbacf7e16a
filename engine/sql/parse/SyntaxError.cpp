/*
** Oracle's texts for the errors the front end raises.
*/
#include "sql/parse/SyntaxError.h"

#include <stdio.h>

#include <string>

namespace kestrel_engine::sql {

namespace {

const char *Text(int code) {
  switch (code) {
    case kOraNestingTooDeep: return "maximum number of recursive SQL levels (%s) exceeded";
    case kOraInvalidSql: return "invalid SQL statement";
    case kOraInvalidCreate: return "invalid CREATE command";
    case kOraInvalidAlter: return "invalid ALTER command";
    case kOraInvalidDrop: return "invalid DROP option";
    case kOraInvalidDatatype: return "invalid datatype";
    case kOraInvalidTableName: return "invalid table name";
    case kOraInvalidIdentifier: return "\"%s\": invalid identifier";
    case kOraMissingKeyword: return "missing keyword";
    case kOraMissingLeftParen: return "missing left parenthesis";
    case kOraMissingRightParen: return "missing right parenthesis";
    case kOraInvalidArgCount: return "invalid number of arguments";
    case kOraInvalidCharacter: return "invalid character";
    case kOraMissingComma: return "missing comma";
    case kOraInvalidRelationalOp: return "invalid relational operator";
    case kOraUnexpectedEnd: return "unexpected end of SQL command";
    case kOraMissingOption: return "missing or invalid option";
    case kOraFromNotFound: return "FROM keyword not found where expected";
    case kOraMissingBy: return "missing BY keyword";
    case kOraMissingInto: return "missing INTO keyword";
    case kOraMissingValues: return "missing VALUES keyword";
    case kOraMissingEquals: return "missing equal sign";
    case kOraMissingSelect: return "missing SELECT keyword";
    case kOraMissingIdentifier: return "missing identifier";
    case kOraNotProperlyEnded: return "SQL command not properly ended";
    case kOraMissingExpression: return "missing expression";
    case kOraMissingOn: return "missing ON keyword";
    case kOraIdentifierTooLong: return "identifier is too long";
    case kOraInvalidAlterTableOption: return "invalid ALTER TABLE option";
    case kOraInvalidLiteral: return "illegal zero-length identifier";
    case kOraMissingDoubleQuote: return "missing double quote in identifier";
    case kOraCommentNotTerminated: return "comment not terminated properly";
    case kOraQuoteNotTerminated: return "quoted string not properly terminated";
    case kOraNotValidCall: return "not a valid function or procedure name";
    case kPlsEncountered: return "Encountered the symbol \"%s\"";
    case kPlsEndMismatch: return "END identifier %s";
    default: return "syntax error";
  }
}

}  // namespace

SyntaxError::SyntaxError(int code, uint32_t offset, std::string_view detail)
    : code_(code), offset_(offset) {
  char prefix[24];
  if (code < 0) {
    snprintf(prefix, sizeof prefix, "PLS-%05d: ", -code);
  } else {
    snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
  }
  message_ = prefix;
  std::string_view text = Text(code);
  size_t hole = text.find("%s");
  if (hole == std::string_view::npos) {
    message_ += text;
  } else {
    message_ += text.substr(0, hole);
    message_ += detail;
    message_ += text.substr(hole + 2);
  }
}

SyntaxError::SyntaxError(const SyntaxError &inner, std::string_view text)
    : code_(kOraPlsqlCompile), offset_(inner.offset_), line_(1), column_(1), inner_code_(inner.code_) {
  const size_t end = offset_ < text.size() ? offset_ : text.size();
  for (size_t i = 0; i < end; ++i) {
    if (text[i] == '\n') {
      ++line_;
      column_ = 1;
    } else {
      ++column_;
    }
  }
  message_ = "ORA-06550: line " + std::to_string(line_) + ", column " + std::to_string(column_) + ":\n";
  if (inner.code_ > 0) message_ += "PL/SQL: ";
  message_ += inner.message_;
}

}  // namespace kestrel_engine::sql
