/*
** Analytic functions in SQLite's window functions. The ranking, offset and
** value functions keep their names; SUM is the exact kestrel_sum, which is
** also a window function; RATIO_TO_REPORT divides by the partition's sum.
** Oracle's default window is SQLite's (the partition up to the current row
** and its peers once there is an ORDER BY, else the whole partition), and
** its NULL ordering is written out as in every ORDER BY. ROWS, RANGE and
** GROUPS frames are SQLite's own.
*/
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

namespace {

std::string Lower(std::string_view name) {
  std::string out(name);
  for (char &c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

}  // namespace

void SqliteWriter::FunctionClauses(const sql::Expr *e) {
  const FuncExtra &x = *e->extra;
  if (e->name.count != 1 || (e->flags & kFormatJson)) Unsupported(e->pos);
  const std::string_view name = e->name.part[0];
  if (x.over != nullptr && x.keep == 0 && (!x.has_within_group || name == "LISTAGG")) {
    return Analytic(e);
  }
  if (name == "LISTAGG" && x.over == nullptr) return ListAgg(e);
  if (x.keep != 0) return Keep(e);
  if ((name == "PERCENTILE_CONT" || name == "PERCENTILE_DISC") && x.has_within_group) {
    return Percentile(e);
  }
  Unsupported(e->pos);  // KEEP, JSON clauses, other WITHIN GROUP functions
}

void SqliteWriter::Analytic(const sql::Expr *e) {
  const FuncExtra &x = *e->extra;
  const std::string_view name = e->name.part[0];
  if (e->flags & kDistinct) return DistinctCount(e);
  static const char *const kWindow[] = {
      "ROW_NUMBER", "RANK", "DENSE_RANK", "PERCENT_RANK", "CUME_DIST", "NTILE", "LAG", "LEAD",
      "FIRST_VALUE", "LAST_VALUE", "NTH_VALUE", "COUNT", "MIN", "MAX", "AVG", "SUM",
      "RATIO_TO_REPORT", "LISTAGG", "MEDIAN", "STDDEV", "VARIANCE"};
  bool known = false;
  for (const char *k : kWindow) known = known || name == k;
  if (!known) Unsupported(e->pos);
  const Window &w = *x.over;
  // MEDIAN's window is its partition only.
  if (name == "MEDIAN" && (!w.order.empty() || w.units != 0)) throw SemanticError(30487, w.pos);
  if (name == "RATIO_TO_REPORT") {
    // The share of the partition's total; ORDER BY has no place here.
    if (e->args.size != 1 || !w.order.empty()) Unsupported(e->pos);
    Put("kestrel_div(");
    AsNumber(e->args.first);
    Put(", kestrel_sum(");
    AsNumber(e->args.first);
    Put(")");
    Over(w, nullptr);
    return Put(")");
  }
  if (name == "LISTAGG") {
    // The partition's values in the WITHIN GROUP order, all of them on
    // every row.
    if (!w.order.empty() || w.units != 0 || x.overflow == 1 || e->args.size < 1 ||
        e->args.size > 2) {
      Unsupported(e->pos);
    }
    Put("group_concat(");
    AsText(e->args.first);
    Put(", ");
    if (e->args.size == 2) {
      Expr(static_cast<const sql::Expr *>(e->args.first->next));
    } else {
      Put("NULL");
    }
    Put(")");
    Over(w, &x.within_group);
    return;
  }
  if (e->flags & kIgnoreNulls) return IgnoreNulls(e);
  Put(name == "SUM" ? std::string("kestrel_sum") : Lower(name));
  Put("(");
  if (e->args.size == 1 && e->args.first->kind == ExprKind::kStar) {
    Put("*");
  } else {
    bool first = true;
    size_t i = 0;
    for (const sql::Expr *a : e->args) {
      if (!first) Put(", ");
      first = false;
      // The offsets and bucket counts are numbers; the values keep their type.
      const bool numeric = name == "SUM" || name == "AVG" || name == "NTILE" ||
                           ((name == "LAG" || name == "LEAD") && i == 1) ||
                           (name == "NTH_VALUE" && i == 1);
      if (numeric) AsNumber(a); else Expr(a);
      ++i;
    }
  }
  Put(")");
  Over(w, nullptr);
}

// An aggregate of DISTINCT values OVER (PARTITION BY ...), which Oracle
// allows no ORDER BY or frame (ORA-30487). COUNT(DISTINCT x) is x's dense
// rank from below plus its rank from above, which is the number of
// distinct values plus one, NULLs kept out by sorting them last one way
// and first the other. SUM and AVG count each value once through their
// own window functions; MIN and MAX are the same without DISTINCT.
void SqliteWriter::DistinctCount(const sql::Expr *e) {
  const Window &w = *e->extra->over;
  if (!w.order.empty() || w.units != 0) throw SemanticError(30487, w.pos);
  const std::string_view name = e->name.part[0];
  if (e->args.size != 1 || e->args.first->kind == ExprKind::kStar) Unsupported(e->pos);
  if (name != "COUNT") {
    if (name == "SUM" || name == "AVG") {
      Put(name == "SUM" ? "kestrel_sum_distinct(" : "kestrel_avg_distinct(");
      AsNumber(e->args.first);
    } else if (name == "MIN" || name == "MAX") {
      Put(name == "MIN" ? "min(" : "max(");
      Expr(e->args.first);
    } else {
      Unsupported(e->pos);
    }
    Put(")");
    return Over(w, nullptr);
  }
  const auto over = [&](const char *order) {
    Put(" OVER (");
    if (!w.partition.empty()) {
      Put("PARTITION BY ");
      List(w.partition);
      Put(" ");
    }
    if (order != nullptr) {
      Put("ORDER BY ");
      Expr(e->args.first);
      Put(order);
    }
    Put(")");
  };
  Put("(dense_rank()");
  over(" NULLS LAST");
  Put(" + dense_rank()");
  over(" DESC NULLS FIRST");
  Put(" - 1 - max(");
  Expr(e->args.first);
  Put(" IS NULL)");
  over(nullptr);
  Put(")");
}

// IGNORE NULLS: the n-th non-NULL value of the frame the function reads
// (LAG: the rows before the current one, from the last; LEAD: the rows
// after it), through kestrel_nonnull; LAG's and LEAD's default stands in
// when there is none. Only the value functions take it.
void SqliteWriter::IgnoreNulls(const sql::Expr *e) {
  const Window &w = *e->extra->over;
  const std::string_view name = e->name.part[0];
  const bool offset = name == "LAG" || name == "LEAD";
  if (!offset && name != "FIRST_VALUE" && name != "LAST_VALUE" && name != "NTH_VALUE") {
    Unsupported(e->pos);
  }
  const sql::Expr *value = e->args.first;
  const sql::Expr *n = e->args.size > 1 ? static_cast<const sql::Expr *>(value->next) : nullptr;
  const sql::Expr *fallback =
      offset && e->args.size > 2 ? static_cast<const sql::Expr *>(n->next) : nullptr;
  const uint32_t most = offset ? 3 : name == "NTH_VALUE" ? 2 : 1;
  const uint32_t least = name == "NTH_VALUE" ? 2 : 1;
  if (value == nullptr || e->args.size < least || e->args.size > most ||
      (offset && w.units != 0)) {
    Unsupported(e->pos);
  }
  if (fallback != nullptr) Put("coalesce(");
  Put("kestrel_nonnull(");
  Expr(value);
  Put(", ");
  if (n != nullptr) {
    AsNumber(n);
  } else {
    Put("1");
  }
  Put(name == "LAG" || name == "LAST_VALUE" ? ", 1)" : ", 0)");
  if (!offset) {
    Over(w, nullptr);
  } else {
    Put(" OVER (");
    if (!w.partition.empty()) {
      Put("PARTITION BY ");
      List(w.partition);
      Put(" ");
    }
    OrderKeys(w.order, nullptr);
    Put(name == "LAG" ? " ROWS BETWEEN UNBOUNDED PRECEDING AND 1 PRECEDING)"
                      : " ROWS BETWEEN 1 FOLLOWING AND UNBOUNDED FOLLOWING)");
  }
  if (fallback != nullptr) {
    Put(", ");
    Expr(fallback);
    Put(")");
  }
}

void SqliteWriter::Over(const Window &w, const sql::List<OrderItem> *order) {
  Put(" OVER (");
  if (!w.partition.empty()) {
    Put("PARTITION BY ");
    List(w.partition);
  }
  const sql::List<OrderItem> &keys = order != nullptr ? *order : w.order;
  // A RANGE of days over a date: the key as a day number.
  const bool days = order == nullptr && w.units == 2 && w.order.size == 1 &&
                    TypeOf(w.order.first->expr).IsDatetime() &&
                    (w.start.offset != nullptr || w.end.offset != nullptr);
  if (days) {
    for (const FrameBound *b : {&w.start, &w.end}) {
      if (b->offset != nullptr && !TypeOf(b->offset).IsNumeric()) Unsupported(b->offset->pos);
    }
    const OrderItem *o = w.order.first;
    if (!w.partition.empty()) Put(" ");
    Put("ORDER BY julianday(");
    Expr(o->expr);
    Put(o->desc ? ") DESC" : ")");
    Put((o->nulls == 0 ? o->desc : o->nulls == 1) ? " NULLS FIRST" : " NULLS LAST");
  } else if (!keys.empty()) {
    if (!w.partition.empty()) Put(" ");
    OrderKeys(keys, nullptr);
  }
  if (order != nullptr) {
    // Every row sees the whole ordered partition.
    Put(" ROWS BETWEEN UNBOUNDED PRECEDING AND UNBOUNDED FOLLOWING");
  } else if (w.units != 0) {
    if (w.units == 2 && !days) {
      // A RANGE offset counts in the ORDER BY key's units: numbers only.
      for (const FrameBound *b : {&w.start, &w.end}) {
        if (b->offset != nullptr &&
            (w.order.size != 1 || !TypeOf(w.order.first->expr).IsNumeric())) {
          Unsupported(b->offset->pos);
        }
      }
    }
    Put(w.units == 1 ? " ROWS " : w.units == 2 ? " RANGE " : " GROUPS ");
    if (w.between) Put("BETWEEN ");
    const auto bound = [&](const FrameBound &b) {
      switch (b.kind) {
        case FrameBound::kUnboundedPreceding: return Put("UNBOUNDED PRECEDING");
        case FrameBound::kUnboundedFollowing: return Put("UNBOUNDED FOLLOWING");
        case FrameBound::kCurrentRow: return Put("CURRENT ROW");
        case FrameBound::kPreceding: case FrameBound::kFollowing:
          AsNumber(b.offset);
          return Put(b.kind == FrameBound::kPreceding ? " PRECEDING" : " FOLLOWING");
        case FrameBound::kNone: return;
      }
    };
    bound(w.start);
    if (w.between) {
      Put(" AND ");
      bound(w.end);
    }
  }
  Put(")");
}

}  // namespace kestrel_engine::sql
