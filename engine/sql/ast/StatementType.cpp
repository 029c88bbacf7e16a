/*
** Statement type and action from the tree, numbered as the vendor's
** client reports them: MERGE 16, CALL 10, ROLLBACK 17, COMMIT 21;
** TRUNCATE and COMMENT are DDL of type 0.
*/
#include "sql/ast/StatementType.h"

#include <exception>

#include "sql/ast/Arena.h"
#include "sql/ast/Plsql.h"
#include "sql/parse/Parse.h"

namespace kestrel_engine::sql {

StatementKind KindOf(const Statement &stmt) {
  switch (stmt.kind) {
    case StmtKind::kSelect: return {OCI_STMT_SELECT, Action::kQuery};
    case StmtKind::kInsert:
    case StmtKind::kMultiInsert: return {OCI_STMT_INSERT, Action::kDml};
    case StmtKind::kUpdate: return {OCI_STMT_UPDATE, Action::kDml};
    case StmtKind::kDelete: return {OCI_STMT_DELETE, Action::kDml};
    case StmtKind::kMerge: return {kStmtMerge, Action::kDml};
    case StmtKind::kCreateTable:
    case StmtKind::kCreateView:
    case StmtKind::kCreateIndex:
    case StmtKind::kCreateSequence:
    case StmtKind::kCreateSynonym: return {OCI_STMT_CREATE, Action::kDdl};
    case StmtKind::kAlterTable:
    case StmtKind::kAlterSequence: return {OCI_STMT_ALTER, Action::kDdl};
    case StmtKind::kDrop: return {OCI_STMT_DROP, Action::kDdl};
    case StmtKind::kTruncate:
    case StmtKind::kComment: return {0, Action::kDdl};
    case StmtKind::kCommit: return {kStmtCommit, Action::kCommit};
    case StmtKind::kRollback:
      return {kStmtRollback, static_cast<const TransactionStmt &>(stmt).savepoint
                                 ? Action::kOther
                                 : Action::kRollback};
    case StmtKind::kSavepoint: return {0, Action::kSavepoint};
    // A session setting commits nothing: not DDL.
    case StmtKind::kAlterSession: return {OCI_STMT_ALTER, Action::kOther};
    case StmtKind::kCreateUser: return {OCI_STMT_CREATE, Action::kAccount};
    case StmtKind::kAlterUser: return {OCI_STMT_ALTER, Action::kAccount};
    case StmtKind::kDropUser: return {OCI_STMT_DROP, Action::kAccount};
    case StmtKind::kPlBlock:
      if (static_cast<const PlBlockStmt &>(stmt).block->declare) return {OCI_STMT_DECLARE, Action::kDeclare};
      return {OCI_STMT_BEGIN, Action::kBlock};
    case StmtKind::kCreateSubprogram:
    case StmtKind::kCreatePackage:
    case StmtKind::kCreateTrigger: return {OCI_STMT_CREATE, Action::kDdl};
    case StmtKind::kAlterCode: return {OCI_STMT_ALTER, Action::kDdl};
    // CALL runs code as a block does; Oracle's statement type 10.
    case StmtKind::kCall: return {kStmtCall, Action::kBlock};
    case StmtKind::kBlock: {
      const ub2 type = static_cast<const BlockStmt &>(stmt).oci_type;
      if (type == OCI_STMT_BEGIN) return {type, Action::kBlock};
      if (type == OCI_STMT_DECLARE) return {type, Action::kDeclare};
      return {type, Action::kDdl};
    }
  }
  return {};
}

ub2 StatementTypeOf(std::string_view text, const StatementKind &keyword) {
  try {
    Arena arena;
    if (const Statement *stmt = Parse(text, arena)) {
      const StatementKind tree = KindOf(*stmt);
      if (tree.action == keyword.action) return tree.type;
    }
  } catch (const std::exception &) {
    // Not Oracle SQL the parser takes (PRAGMA, a syntax error): the
    // keyword's answer stands, and execution reports the error.
  }
  return keyword.type;
}

}  // namespace kestrel_engine::sql
