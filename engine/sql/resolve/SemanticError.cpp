/*
** Oracle's texts for the errors of the resolver and the emitter.
*/
#include "sql/resolve/SemanticError.h"

#include <stdio.h>

namespace kestrel_engine::sql {

namespace {

const char *Text(int code) {
  switch (code) {
    case 36: return "maximum number of recursive SQL levels (%s) exceeded";
    case 904: return "%s: invalid identifier";
    case 909: return "invalid number of arguments";
    case 913: return "too many values";
    case 947: return "not enough values";
    case 960: return "ambiguous column naming in select list";
    case 1785: return "ORDER BY item must be the number of a SELECT-list expression";
    case 1789: return "query block has incorrect number of result columns";
    case 1790: return "expression must have same datatype as corresponding expression";
    case 1861: return "literal does not match format string";
    case 1867: return "the interval is invalid";
    case 1416: return "two tables cannot be outer-joined to each other";
    case 1417: return "a table may be outer joined to at most one other table";
    case 1468: return "a predicate may reference only one outer-joined table";
    case 1719: return "outer join operator (+) not allowed in operand of OR or IN";
    case 1799: return "a column may not be outer-joined to a subquery";
    case 30487: return "ORDER BY not allowed here";
    case 30930: return "NOCYCLE keyword is required with CONNECT_BY_ISCYCLE pseudo-column";
    case 980: return "synonym translation is no longer valid";
    case 1775: return "looping chain of synonyms";
    case 4063: return "%s has errors";
    case 2019: return "connection description for remote database not found";
    case 30081: return "invalid data type for datetime/interval arithmetic";
    case 54013: return "INSERT operation disallowed on virtual columns";
    case 54017: return "UPDATE operation disallowed on virtual columns";
    case 25156: return "old style outer join (+) cannot be used with ANSI joins";
    case kOraColumnAmbiguous: return "column ambiguously defined";
    case kOraInconsistentTypes: return "inconsistent datatypes: %s";
    case kOraGroupFunctionNotAllowed: return "group function is not allowed here";
    case kOraNotSingleGroup: return "not a single-group group function";
    case kOraTableNotFound: return "table or view does not exist";
    case kOraDatePlusDate: return "date + date not allowed";
    case kOraNotGroupBy: return "not a GROUP BY expression";
    case kOraSequenceNotFound: return "sequence does not exist";
    case kOraUnimplemented: return "unimplemented feature";
    default: return "semantic error";
  }
}

}  // namespace

SemanticError::SemanticError(int code, uint32_t offset, std::string_view detail)
    : code_(code), offset_(offset) {
  char prefix[16];
  snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
  message_ = prefix;
  const std::string_view text = Text(code);
  const size_t hole = text.find("%s");
  if (hole == std::string_view::npos) {
    message_ += text;
  } else {
    message_ += text.substr(0, hole);
    message_ += detail;
    message_ += text.substr(hole + 2);
  }
}

}  // namespace kestrel_engine::sql
