/*
** What a parsed statement is for the client interface: the statement type
** (OCI_ATTR_STMT_TYPE) and how the engine runs it, from the tree rather
** than from the first keyword.
*/
#ifndef KESTREL_ENGINE_SQL_AST_STATEMENTTYPE_H
#define KESTREL_ENGINE_SQL_AST_STATEMENTTYPE_H

#include "sql/StatementKind.h"
#include "sql/ast/Statements.h"

namespace kestrel_engine::sql {

// The vendor's number for MERGE, which the first-keyword classifier did
// not know.
constexpr ub2 kStmtMerge = 16;

StatementKind KindOf(const Statement &stmt);

}  // namespace kestrel_engine::sql

#endif
