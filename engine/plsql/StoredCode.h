/*
** Stored procedures and functions: their source kept line by line in the
** engine's table kestrel$source (read by USER_SOURCE), created, replaced
** and dropped by the CREATE/DROP statements, and loaded by name when a
** unit calls one.
*/
#ifndef KESTREL_ENGINE_PLSQL_STOREDCODE_H
#define KESTREL_ENGINE_PLSQL_STOREDCODE_H

#include <string>
#include <string_view>

#include "errors/OraError.h"
#include "plsql/Plsql.h"
#include "sql/parse/SyntaxError.h"

namespace kestrel_engine {
class Connection;
}

namespace kestrel_engine::plsql {

extern const char kSourceTable[];

// Creates kestrel$source when it is missing (the file-format step).
bool EnsureSource(Connection &connection, OraError *error);

// CREATE [OR REPLACE] PROCEDURE | FUNCTION, DROP PROCEDURE | FUNCTION,
// ALTER ... COMPILE, CALL: `statement` is the parsed tree of `text`. DDL
// commits first, as Oracle's does. A unit kept with compilation errors
// answers true with `error` set to ORA-24344, the client's warning.
bool RunStoredCodeStatement(const RunContext &context, const sql::Statement &statement,
                            std::string_view text, const std::string &owner, OraError *error);

// CREATE of a unit that does not parse: kept INVALID with its syntax error
// (true, `error` ORA-24344); false when the text names no unit.
bool StoreUnparsedUnit(const RunContext &context, const sql::SyntaxError &syntax,
                       std::string_view text, const std::string &owner, OraError *error);

// The source of `owner`'s unit `name` of one of `types` ("'PACKAGE'",
// ...) as CREATE text, or empty when there is none.
std::string LoadUnitSource(Connection &connection, std::string_view owner, std::string_view name,
                           std::string_view types);

}  // namespace kestrel_engine::plsql

#endif
