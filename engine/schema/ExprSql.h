/*
** CHECK conditions and DEFAULT expressions are Oracle SQL: the front end
** resolves them (a condition against its table's columns) and writes them
** as SQLite SQL, so they follow Oracle's semantics where they run.
*/
#ifndef KESTREL_ENGINE_SCHEMA_EXPRSQL_H
#define KESTREL_ENGINE_SCHEMA_EXPRSQL_H

#include <string>
#include <string_view>

#include "schema/SchemaSql.h"
#include "sql/ast/Ast.h"

namespace kestrel_engine::schema {

// The Oracle text of an expression, as the printer writes it.
std::string OracleText(const sql::Expr &e);

// `condition` (Oracle SQL over `table`'s columns) in SQLite SQL, its
// columns written as "NEW"."COLUMN", so it serves both in a trigger and
// in a query over `table` AS "NEW". Throws the resolver's error (ORA-00904...).
std::string CheckSql(Ddl &ddl, const std::string &table, std::string_view condition);

// A DEFAULT expression (no columns) in SQLite SQL.
std::string ExpressionSql(Ddl &ddl, std::string_view expression);

}  // namespace kestrel_engine::schema

#endif
