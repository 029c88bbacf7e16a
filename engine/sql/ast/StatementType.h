/*
** What a parsed statement is for the client interface: the statement type
** (OCI_ATTR_STMT_TYPE) and how the engine runs it, from the tree rather
** than from the first keyword.
*/
#ifndef KESTREL_ENGINE_SQL_AST_STATEMENTTYPE_H
#define KESTREL_ENGINE_SQL_AST_STATEMENTTYPE_H

#include <string_view>

#include "sql/StatementKind.h"
#include "sql/ast/Statements.h"

namespace kestrel_engine::sql {

// The vendor's number for MERGE, which the first-keyword classifier did
// not know.
constexpr ub2 kStmtMerge = 16;
// The vendor's numbers for CALL, ROLLBACK (also ROLLBACK TO) and COMMIT.
constexpr ub2 kStmtCall = 10;
constexpr ub2 kStmtRollback = 17;
constexpr ub2 kStmtCommit = 21;

StatementKind KindOf(const Statement &stmt);

// OCI_ATTR_STMT_TYPE of `text` from its tree; `keyword`'s type (the
// first keyword's answer) when it does not parse, or when the tree would
// run it another way than `keyword` says.
ub2 StatementTypeOf(std::string_view text, const StatementKind &keyword);

}  // namespace kestrel_engine::sql

#endif
