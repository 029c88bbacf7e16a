/*
** INTERSECT ALL and MINUS ALL (EXCEPT ALL), which SQLite lacks: each side's
** rows are numbered within their group of equal rows, so that the second
** copy of a row on one side meets only the second copy on the other, and
** the plain INTERSECT or EXCEPT of the numbered rows keeps as many copies
** as Oracle does. The sides' columns are named by position ("kestrel$1",
** ...) to be numbered, and named back after the first side's items.
*/
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

void SqliteWriter::SetAll(const sql::Query *q) {
  const auto leftmost = [](const sql::Query *side) {
    while (side->kind != QueryKind::kBlock) side = side->left;
    return side;
  };
  const sql::Query *first = leftmost(q->left);
  for (const SelectItem *item : first->items) {
    if (item->expr->kind == ExprKind::kStar) Unsupported(item->pos);
  }
  const uint32_t n = first->items.size;
  const auto columns = [&]() {
    for (uint32_t i = 1; i <= n; ++i) {
      if (i > 1) Put(", ");
      Put("\"kestrel$");
      Put(std::to_string(i));
      Put("\"");
    }
  };
  const auto side = [&](const sql::Query *s) {
    Put("SELECT *, row_number() OVER (PARTITION BY ");
    columns();
    Put(") AS \"kestrel$copy\" FROM (");
    positional_.push_back(leftmost(s));
    Query(s);
    positional_.pop_back();
    Put(")");
  };
  // Back to the first side's names where it has them.
  Put("SELECT ");
  uint32_t i = 0;
  for (const SelectItem *item : first->items) {
    if (i) Put(", ");
    ++i;
    Put("\"kestrel$");
    Put(std::to_string(i));
    Put("\"");
    const ExprInfo *info = r_.Info(item->expr);
    if (item->alias != nullptr) {
      Put(" AS ");
      Ident(item->alias->name);
    } else if (info != nullptr && info->binding == NameBinding::kColumn) {
      Put(" AS ");
      Ident(info->column);
    }
  }
  Put(" FROM (");
  side(q->left);
  Put(q->op == SetOp::kIntersect ? " INTERSECT " : " EXCEPT ");
  side(q->right);
  Put(")");
}

}  // namespace kestrel_engine::sql
