/*
** Nested aggregates, MAX(SUM(sal)) ... GROUP BY deptno: the inner
** aggregates are computed per group in an inline view, and the outer ones
** run over its rows, giving Oracle's one row.
*/
#include "sql/emit/SqliteWalk.h"
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

bool SqliteWriter::NestedAggregateBlock(const sql::Query *q) {
  if (q->group_by.empty()) return false;
  std::vector<const sql::Expr *> inner;
  const auto collect = [&](const sql::Expr *e) {
    if (!IsAggregateCall(e)) return false;
    for (const sql::Expr *a : e->args) {
      AnyInBlock(a, [&](const sql::Expr *x) {
        if (IsAggregateCall(x)) inner.push_back(x);
        return false;
      });
    }
    return false;
  };
  for (const SelectItem *item : q->items) AnyInBlock(item->expr, collect);
  if (inner.empty()) return false;
  if (q->having != nullptr || UsesGroupingSets(q)) Unsupported(q->having != nullptr ? q->having->pos : q->pos);
  Put("SELECT ");
  bool first = true;
  nested_ = &inner;
  for (const SelectItem *item : q->items) {
    if (!first) Put(", ");
    first = false;
    Expr(item->expr);
    if (item->alias != nullptr) {
      Put(" AS ");
      Ident(item->alias->name);
    }
  }
  nested_ = nullptr;
  Put(" FROM (SELECT ");
  for (size_t i = 0; i < inner.size(); ++i) {
    if (i) Put(", ");
    Expr(inner[i]);
    Put(" AS \"kestrel$n");
    Put(std::to_string(i));
    Put("\"");
  }
  FromWhere(q, Conjuncts(q->where));
  GroupBy(q);
  Put(")");
  return true;
}

bool SqliteWriter::NestedAggregateRef(const sql::Expr *e) {
  for (size_t i = 0; i < nested_->size(); ++i) {
    if ((*nested_)[i] == e) {
      Put("\"kestrel$n");
      Put(std::to_string(i));
      Put("\"");
      return true;
    }
  }
  return false;
}

}  // namespace kestrel_engine::sql
