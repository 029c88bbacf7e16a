/*
** Declared sizes held as the vendor holds them. After CREATE TABLE and
** ALTER TABLE the engine gives the table triggers, built from its columns'
** declared types with the describe's own mapping:
**
** - text and RAW columns with a size (VARCHAR2(n), CHAR(n), RAW(n), ...):
**   a BEFORE INSERT and a BEFORE UPDATE OF trigger fail a value of more
**   than n bytes with ORA-12899;
** - NUMBER(p,s) and the integer types: the same triggers fail a value that
**   does not fit (ORA-01438), and AFTER INSERT and AFTER UPDATE OF
**   triggers store the value rounded to s decimals when rounding changes
**   it (SQLite cannot change a row in a BEFORE trigger).
**
** The triggers are named kestrel$TABLE$insert_check and so on, call the
** functions of RuleFunctions.h, and go away with their table.
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

// Builds the triggers afresh from the table's current columns. `owner`
// names the schema in ORA-12899 messages.
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
