/*
** The aggregates whose rows are ordered, written as registered aggregates
** that are handed each value with its sort keys and sort them themselves:
** LISTAGG ... WITHIN GROUP (kestrel_listagg, with the DISTINCT and ON
** OVERFLOW choices as constant arguments) and MIN, MAX, SUM, COUNT and AVG
** KEEP (DENSE_RANK FIRST|LAST ORDER BY ...) (kestrel_keep, also over a
** partition), and PERCENTILE_CONT and PERCENTILE_DISC (p) WITHIN GROUP
** (ORDER BY x) over numbers (kestrel_percentile, also over a partition).
*/
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

void SqliteWriter::ListAgg(const sql::Expr *e) {
  const FuncExtra &x = *e->extra;
  if (e->args.size < 1 || e->args.size > 2 || (e->flags & kIgnoreNulls)) Unsupported(e->pos);
  Put("kestrel_listagg(");
  AsText(e->args.first);
  Put(", ");
  if (e->args.size == 2) {
    AsText(static_cast<const sql::Expr *>(e->args.first->next));
  } else {
    Put("NULL");
  }
  int options = (e->flags & kDistinct) ? 1 : 0;
  if (x.overflow == 2) options |= 2;
  if (x.overflow_count == 2) options |= 4;
  Put(", ");
  Put(std::to_string(options));
  Put(", ");
  if (x.overflow_filler != nullptr) {
    Expr(x.overflow_filler);
  } else {
    Put("NULL");
  }
  SortKeys(x.within_group);
  Put(")");
}

void SqliteWriter::SortKeys(const sql::List<OrderItem> &order) {
  for (const OrderItem *o : order) {
    Put(", ");
    Expr(o->expr);
    const bool nullsFirst = o->nulls == 0 ? o->desc : o->nulls == 1;
    Put(", ");
    Put(std::to_string((o->desc ? 1 : 0) | (nullsFirst ? 2 : 0)));
  }
}

void SqliteWriter::Keep(const sql::Expr *e) {
  const FuncExtra &x = *e->extra;
  const std::string_view n = e->name.part[0];
  const bool known = n == "MIN" || n == "MAX" || n == "SUM" || n == "COUNT" || n == "AVG";
  if (!known || e->args.size != 1 || (e->flags & kDistinct) || x.keep_order.empty()) {
    Unsupported(e->pos);
  }
  if (n == "COUNT") Put("coalesce(");
  Put("kestrel_keep('");
  Put(n);
  Put(x.keep == 2 ? "', 1, " : "', 0, ");
  if (e->args.first->kind == ExprKind::kStar) {
    Put("1");
  } else if (n == "SUM" || n == "AVG") {
    AsNumber(e->args.first);
  } else {
    Expr(e->args.first);
  }
  SortKeys(x.keep_order);
  Put(")");
  if (x.over != nullptr) {
    // Oracle's KEEP ... OVER takes a partition only: the whole partition
    // is the window.
    if (!x.over->order.empty() || x.over->units != 0) Unsupported(x.over->pos);
    Over(*x.over, nullptr);
  }
  if (n == "COUNT") Put(", 0)");
}

void SqliteWriter::Percentile(const sql::Expr *e) {
  const FuncExtra &x = *e->extra;
  // One sort key; CONT interpolates, so only numbers (dates not yet).
  if (e->args.size != 1 || x.within_group.size != 1 || (e->flags & kDistinct) ||
      !TypeOf(x.within_group.first->expr).IsNumeric()) {
    Unsupported(e->pos);
  }
  Put(e->name.part[0] == "PERCENTILE_DISC" ? "kestrel_percentile(1, " : "kestrel_percentile(0, ");
  AsNumber(e->args.first);
  Put(", ");
  Expr(x.within_group.first->expr);
  Put(x.within_group.first->desc ? ", 1)" : ", 0)");
  if (x.over != nullptr) {
    // Over a partition only, as MEDIAN.
    if (!x.over->order.empty() || x.over->units != 0) throw SemanticError(30487, x.over->pos);
    Over(*x.over, nullptr);
  }
}

}  // namespace kestrel_engine::sql
