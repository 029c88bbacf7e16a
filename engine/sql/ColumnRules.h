/*
** Declared sizes are held by the statements that write a table (the front
** end wraps each value in a kestrel_fit_* call for its column). An earlier
** release gave each table triggers for them instead, named
** kestrel$TABLE$insert_check and so on, calling the functions of
** RuleFunctions.h; they still work in such a file and are dropped when
** the table next changes.
*/
#ifndef KESTREL_ENGINE_COLUMNRULES_H
#define KESTREL_ENGINE_COLUMNRULES_H

#include <sqlite3.h>

#include <string>

#include "errors/OraError.h"
#include "sql/Translate.h"

namespace kestrel_engine {

class Connection;

// Drops the engine's triggers on `table` (in `schema`, or wherever an
// unqualified name finds it). True when there was nothing to drop.
bool DropColumnRules(sqlite3 *db, const std::string &schema,
                     const std::string &table, OraError *error);

// After a table changed: drops an earlier release's triggers (the rules
// now live in the statements).
bool BuildColumnRules(sqlite3 *db, const std::string &schema,
                      const std::string &table, const std::string &owner,
                      OraError *error);

// Runs a prepared CREATE TABLE or ALTER TABLE `statement` (and the
// translation's follow-up statements) with the table's rules, as one
// transaction after committing what is pending, as DDL does.
bool RunTableStatement(Connection &connection, sqlite3_stmt *statement,
                       const Translation &translation, const std::string &owner,
                       OraError *error);

}  // namespace kestrel_engine

#endif
