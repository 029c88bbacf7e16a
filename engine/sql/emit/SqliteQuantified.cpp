/*
** x op ANY|SOME|ALL (subquery) for the operators other than = ANY and
** <> ALL (which are IN and NOT IN), with Oracle's three-valued answer:
** ANY is true when some row compares true, else NULL when some comparison
** is NULL, else false (also for no rows); ALL is false when some row
** compares false, else NULL when some comparison is NULL, else true (also
** for no rows). The subquery's one column is named "kestrel$q" to be
** compared.
*/
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

namespace {


}  // namespace

void SqliteWriter::QuantifiedSubquery(const sql::Expr *e) {
  const char *op = ComparisonOp(e->op);
  if (op == nullptr || e->left->kind == ExprKind::kRow) Unsupported(e->pos);
  const sql::Query *first = e->query;
  while (first->kind != QueryKind::kBlock) first = first->left;
  if (first->items.size != 1 || first->items.first->expr->kind == ExprKind::kStar) {
    Unsupported(e->query->pos);
  }
  const bool any = (e->flags & kAnyQuant) != 0;
  // EXISTS (a row of the subquery whose comparison is `test`)
  const auto rows = [&](const char *test) {
    Put("EXISTS (SELECT 1 FROM (");
    const sql::Query *outer = single_alias_;
    single_alias_ = first;
    SubqueryOf(e);
    single_alias_ = outer;
    Put(") AS \"kestrel$q\" WHERE ");
    Put(test);
    Put("(");
    Expr(e->left);
    Put(op);
    Put("\"kestrel$q\".\"kestrel$q\")");
    Put(test[0] == '\0' ? "" : ")");
    Put(")");
  };
  Put("(CASE WHEN ");
  rows(any ? "" : "NOT (");
  Put(any ? " THEN 1 WHEN " : " THEN 0 WHEN ");
  Put("EXISTS (SELECT 1 FROM (");
  const sql::Query *outer = single_alias_;
  single_alias_ = first;
  SubqueryOf(e);
  single_alias_ = outer;
  Put(") AS \"kestrel$q\" WHERE (");
  Expr(e->left);
  Put(op);
  Put("\"kestrel$q\".\"kestrel$q\") IS NULL)");
  Put(any ? " THEN NULL ELSE 0 END)" : " THEN NULL ELSE 1 END)");
}

}  // namespace kestrel_engine::sql
