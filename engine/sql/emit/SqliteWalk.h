/*
** Walking expressions for the back end's plans (ROWNUM conditions, (+)
** joins, grouping sets): AnyInBlock stays in one query block (subqueries
** are blocks of their own); ForEachExprDeep enters every query inside.
*/
#ifndef KESTREL_ENGINE_SQL_EMIT_SQLITEWALK_H
#define KESTREL_ENGINE_SQL_EMIT_SQLITEWALK_H

#include "sql/ast/Ast.h"
#include "sql/resolve/FunctionTypes.h"

namespace kestrel_engine::sql {

// True when `f` holds for `e` or an expression inside it of the same
// query block.
template <typename F>
bool AnyInBlock(const Expr *e, const F &f) {
  if (e == nullptr) return false;
  if (f(e)) return true;
  if (AnyInBlock(e->left, f) || AnyInBlock(e->right, f) || AnyInBlock(e->third, f)) {
    return true;
  }
  for (const Expr *a : e->args) {
    if (AnyInBlock(a, f)) return true;
  }
  if (e->extra != nullptr && e->extra->over != nullptr) {
    for (const Expr *p : e->extra->over->partition) {
      if (AnyInBlock(p, f)) return true;
    }
    for (const OrderItem *o : e->extra->over->order) {
      if (AnyInBlock(o->expr, f)) return true;
    }
  }
  return false;
}

// Calls `f` on every expression of `q` and of the queries inside it.
template <typename F>
void ForEachExprDeep(const Query *q, const F &f);

template <typename F>
void ForEachExprDeep(const Expr *e, const F &f) {
  if (e == nullptr) return;
  f(e);
  ForEachExprDeep(e->left, f);
  ForEachExprDeep(e->right, f);
  ForEachExprDeep(e->third, f);
  for (const Expr *a : e->args) ForEachExprDeep(a, f);
  if (e->extra != nullptr) {
    if (e->extra->over != nullptr) {
      for (const Expr *p : e->extra->over->partition) ForEachExprDeep(p, f);
      for (const OrderItem *o : e->extra->over->order) ForEachExprDeep(o->expr, f);
    }
    for (const OrderItem *o : e->extra->within_group) ForEachExprDeep(o->expr, f);
    for (const OrderItem *o : e->extra->keep_order) ForEachExprDeep(o->expr, f);
    for (const OrderItem *o : e->extra->order) ForEachExprDeep(o->expr, f);
  }
  if (e->query != nullptr) ForEachExprDeep(e->query, f);
}

template <typename F>
void ForEachExprDeep(const TableRef *t, const F &f) {
  if (t == nullptr) return;
  if (t->query != nullptr) ForEachExprDeep(t->query, f);
  ForEachExprDeep(t->expr, f);
  ForEachExprDeep(t->on, f);
  ForEachExprDeep(t->left, f);
  ForEachExprDeep(t->right, f);
}

template <typename F>
void ForEachExprDeep(const Query *q, const F &f) {
  if (q == nullptr) return;
  for (const Cte *c : q->with) ForEachExprDeep(c->query, f);
  for (const SelectItem *item : q->items) ForEachExprDeep(item->expr, f);
  for (const TableRef *t : q->from) ForEachExprDeep(t, f);
  for (const Expr *e : {q->where, q->start_with, q->connect_by, q->having, q->offset, q->fetch}) {
    ForEachExprDeep(e, f);
  }
  for (const Expr *g : q->group_by) ForEachExprDeep(g, f);
  for (const OrderItem *o : q->order_by) ForEachExprDeep(o->expr, f);
  ForEachExprDeep(q->left, f);
  ForEachExprDeep(q->right, f);
}

// An aggregate call (not an analytic one): the block is grouped.
inline bool IsAggregateCall(const Expr *e) {
  if (e->kind != ExprKind::kFunction || (e->extra != nullptr && e->extra->over != nullptr)) {
    return false;
  }
  if (e->name.count != 1) return false;
  const std::string_view n = e->name.part[0];
  return LookupFunction(n).aggregate || n == "LISTAGG" || n == "JSON_ARRAYAGG" ||
         n == "GROUPING";
}

}  // namespace kestrel_engine::sql

#endif
