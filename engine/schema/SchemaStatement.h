/*
** The schema language on the syntax tree: CREATE/ALTER/DROP TABLE,
** TRUNCATE, CREATE/DROP VIEW and INDEX. A statement this executor does not
** take (it does not parse, or is a form still left to the older path)
** comes back as kNotMine and runs where it ran before.
*/
#ifndef KESTREL_ENGINE_SCHEMA_SCHEMASTATEMENT_H
#define KESTREL_ENGINE_SCHEMA_SCHEMASTATEMENT_H

#include <string>
#include <string_view>

#include "errors/OraError.h"

namespace kestrel_engine {

class Connection;

// kDoneWithErrors: done, with compilation errors (`error` holds ORA-24344).
enum class SchemaOutcome { kNotMine, kDone, kFailed, kDoneWithErrors };

// Runs one DDL statement as Oracle does: what is pending is committed
// first, and the statement is one transaction of its own. `user` owns
// what it creates.
SchemaOutcome RunSchemaStatement(Connection &connection, std::string_view text,
                                 const std::string &user, OraError *error);

}  // namespace kestrel_engine

#endif
