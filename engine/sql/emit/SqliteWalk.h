/*
** Walking one query block's expressions for the back end's plans (ROWNUM
** conditions, (+) joins): subqueries are blocks of their own and are not
** entered.
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
