/*
** Compiling a stored unit at CREATE (and ALTER ... COMPILE) the way
** Oracle does before it keeps one: names that are declared nowhere
** (PLS-00201), calls with the wrong arguments (PLS-00306), SQL whose
** tables or columns do not exist (PL/SQL: ORA-00942 / ORA-00904), each
** with the line and column in the unit's source as USER_SOURCE numbers
** it. It also gathers the unit's parameters and the tables it names.
*/
#ifndef KESTREL_ENGINE_PLSQL_COMPILE_H
#define KESTREL_ENGINE_PLSQL_COMPILE_H

#include <string>
#include <string_view>

#include "plsql/CodeCatalog.h"
#include "sql/ast/Plsql.h"
#include "sql/parse/SyntaxError.h"

namespace kestrel_engine {
class Connection;
}

namespace kestrel_engine::plsql {

// `statement` is CREATE PROCEDURE | FUNCTION | PACKAGE [BODY] parsed from
// `text`; the unit's source starts at `unit_start` (its keyword).
UnitRecord CompileUnit(Connection &connection, const sql::Statement &statement,
                       std::string_view text, size_t unit_start, const std::string &owner);

// The record of a unit that does not parse: its one error. False when the
// text does not name a unit (the error then goes to the client as it is).
bool SyntaxErrorRecord(const sql::SyntaxError &error, std::string_view text, size_t unit_start,
                       const std::string &owner, UnitRecord *out);

}  // namespace kestrel_engine::plsql

#endif
