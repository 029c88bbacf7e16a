/*
** The words Oracle reserves: never taken as identifiers or aliases unless
** quoted.
*/
#include "sql/parse/Lexer.h"

#include <algorithm>
#include <iterator>

namespace kestrel_engine::sql {

using namespace std::string_view_literals;

namespace {

// Sorted: looked up by binary search.
constexpr std::string_view kReserved[] = {
    "ACCESS"sv,
    "ADD"sv,
    "ALL"sv,
    "ALTER"sv,
    "AND"sv,
    "ANY"sv,
    "AS"sv,
    "ASC"sv,
    "AUDIT"sv,
    "BETWEEN"sv,
    "BY"sv,
    "CHAR"sv,
    "CHECK"sv,
    "CLUSTER"sv,
    "COLUMN"sv,
    "COMMENT"sv,
    "COMPRESS"sv,
    "CONNECT"sv,
    "CREATE"sv,
    "CURRENT"sv,
    "DATE"sv,
    "DECIMAL"sv,
    "DEFAULT"sv,
    "DELETE"sv,
    "DESC"sv,
    "DISTINCT"sv,
    "DROP"sv,
    "ELSE"sv,
    "EXCLUSIVE"sv,
    "EXISTS"sv,
    "FILE"sv,
    "FLOAT"sv,
    "FOR"sv,
    "FROM"sv,
    "GRANT"sv,
    "GROUP"sv,
    "HAVING"sv,
    "IDENTIFIED"sv,
    "IMMEDIATE"sv,
    "IN"sv,
    "INCREMENT"sv,
    "INDEX"sv,
    "INITIAL"sv,
    "INSERT"sv,
    "INTEGER"sv,
    "INTERSECT"sv,
    "INTO"sv,
    "IS"sv,
    "LEVEL"sv,
    "LIKE"sv,
    "LOCK"sv,
    "LONG"sv,
    "MAXEXTENTS"sv,
    "MINUS"sv,
    "MLSLABEL"sv,
    "MODE"sv,
    "MODIFY"sv,
    "NOAUDIT"sv,
    "NOCOMPRESS"sv,
    "NOT"sv,
    "NOWAIT"sv,
    "NULL"sv,
    "NUMBER"sv,
    "OF"sv,
    "OFFLINE"sv,
    "ON"sv,
    "ONLINE"sv,
    "OPTION"sv,
    "OR"sv,
    "ORDER"sv,
    "PCTFREE"sv,
    "PRIOR"sv,
    "PUBLIC"sv,
    "RAW"sv,
    "RENAME"sv,
    "RESOURCE"sv,
    "REVOKE"sv,
    "ROW"sv,
    "ROWID"sv,
    "ROWNUM"sv,
    "ROWS"sv,
    "SELECT"sv,
    "SESSION"sv,
    "SET"sv,
    "SHARE"sv,
    "SIZE"sv,
    "SMALLINT"sv,
    "START"sv,
    "SUCCESSFUL"sv,
    "SYNONYM"sv,
    "SYSDATE"sv,
    "TABLE"sv,
    "THEN"sv,
    "TO"sv,
    "TRIGGER"sv,
    "UID"sv,
    "UNION"sv,
    "UNIQUE"sv,
    "UPDATE"sv,
    "USER"sv,
    "VALIDATE"sv,
    "VALUES"sv,
    "VARCHAR"sv,
    "VARCHAR2"sv,
    "VIEW"sv,
    "WHENEVER"sv,
    "WHERE"sv,
    "WITH"sv,
};

}  // namespace

bool IsReservedWord(std::string_view upper) {
  return std::binary_search(std::begin(kReserved), std::end(kReserved), upper);
}

}  // namespace kestrel_engine::sql
