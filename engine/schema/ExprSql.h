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
#include "sql/resolve/OracleType.h"

namespace kestrel_engine::schema {

// The Oracle text of an expression, as the printer writes it.
std::string OracleText(const sql::Expr &e);

// `condition` (Oracle SQL over `table`'s columns) in SQLite SQL, its
// columns written as "NEW"."COLUMN", so it serves both in a trigger and
// in a query over `table` AS "NEW". Throws the resolver's error (ORA-00904...).
std::string CheckSql(Ddl &ddl, const std::string &table, std::string_view condition);

// A virtual column's expression (Oracle SQL over `table`'s columns) in
// SQLite SQL over the bare column names, as a generated column takes it;
// `type` gets the type the resolver gives it.
std::string ColumnExpressionSql(Ddl &ddl, const std::string &table, std::string_view expression,
                                sql::OracleType *type);

// A DEFAULT expression (no columns) in SQLite SQL.
std::string ExpressionSql(Ddl &ddl, std::string_view expression);

}  // namespace kestrel_engine::schema

#endif
