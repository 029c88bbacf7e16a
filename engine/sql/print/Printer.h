/*
** The syntax tree back to canonical Oracle SQL: keywords in upper case,
** single spaces, identifiers quoted only where they must be, parentheses
** only where precedence needs them. Printing a parsed statement and
** parsing the print gives the same tree; used by the tests and to store
** a view's text.
*/
#ifndef KESTREL_ENGINE_SQL_PRINT_PRINTER_H
#define KESTREL_ENGINE_SQL_PRINT_PRINTER_H

#include <string>

#include "sql/ast/Statements.h"

namespace kestrel_engine::sql {

std::string Print(const Statement &stmt);
std::string Print(const Query &query);
std::string Print(const Expr &expr);

}  // namespace kestrel_engine::sql

#endif
