/*
** A stored function called from SQL: kestrel_call(query, 'OWNER.NAME',
** args...), which runs the function in the session's PL/SQL interpreter.
** `query` is 1 when the statement is a query, where the function may not
** change data (ORA-14551).
*/
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

void SqliteWriter::StoredCall(const sql::Expr *e, const ExprInfo &info) {
  Put(r_.statement != nullptr && r_.statement->kind == StmtKind::kSelect ? "kestrel_call(1, "
                                                                         : "kestrel_call(0, ");
  Literal(info.column);
  for (const sql::Expr *a : e->args) {
    // Named notation is not written yet.
    if (a->kind == ExprKind::kNamedArg) Unsupported(a->pos);
    Put(", ");
    Expr(a);
  }
  Put(")");
}

}  // namespace kestrel_engine::sql
