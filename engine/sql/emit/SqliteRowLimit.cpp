/*
** OFFSET n ROWS and FETCH FIRST|NEXT n [PERCENT] ROWS ONLY|WITH TIES as
** SQLite's LIMIT and OFFSET. Oracle truncates fractional counts, takes
** negative ones as 0, and rounds a percentage of all the query's rows up;
** WITH TIES also keeps the rows that sort equal to the last one, which is
** every row whose rank is within offset + n, counted in a subquery. (The
** counting subqueries cannot see an outer query: inside an expression's
** subquery, PERCENT and WITH TIES are refused.)
*/
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

void SqliteWriter::OrderKeys(const sql::List<OrderItem> &order, const sql::Query *block) {
  Put("ORDER BY ");
  bool first = true;
  for (const OrderItem *o : order) {
    if (!first) Put(", ");
    first = false;
    const ExprInfo *info = r_.Info(o->expr);
    uint32_t ordinal = 0;
    if (info != nullptr && info->binding == NameBinding::kSelectItem) ordinal = info->ordinal;
    if (o->expr->kind == ExprKind::kNumber && block != nullptr) {
      for (const char c : o->expr->text) {
        ordinal = c >= '0' && c <= '9' && ordinal < 100000 ? ordinal * 10 + static_cast<uint32_t>(c - '0') : 0;
      }
    }
    bool written = false;
    if (ordinal != 0 && block != nullptr && block->kind == QueryKind::kBlock) {
      uint32_t n = 0;
      for (const SelectItem *item : block->items) {
        const auto star = r_.stars.find(item->expr);
        if (star == r_.stars.end()) {
          if (++n == ordinal) {
            Expr(item->expr);
            written = true;
          }
        } else {
          for (const StarColumn &c : star->second) {
            if (++n == ordinal) {
              if (!c.source.empty()) {
                Ident(c.source);
                Put(".");
              }
              Ident(c.column);
              written = true;
            }
          }
        }
        if (written) break;
      }
    }
    if (!written && ordinal != 0) Unsupported(o->expr->pos);  // a position past the list
    if (!written) Expr(o->expr);
    const bool nullsFirst = o->nulls == 0 ? o->desc : o->nulls == 1;
    Put(o->desc ? " DESC" : "");
    Put(nullsFirst ? " NULLS FIRST" : " NULLS LAST");
  }
}

void SqliteWriter::Limit(const sql::Query *q) {
  if (q->fetch == nullptr && q->offset == nullptr) return;
  const bool ties = q->fetch_ties && !q->order_by.empty();
  if (ties && (q->kind != QueryKind::kBlock || q->quantifier == 1 || correlatable_ > 0 ||
               MentionsPseudo(q, "ROWNUM"))) {
    Unsupported(q->fetch->pos);
  }
  const auto offset = [&]() {
    if (q->offset == nullptr) return Put("0");
    Put("max(0, coalesce(CAST(");
    AsNumber(q->offset);
    Put(" AS INTEGER), 0))");
  };
  const auto count = [&]() {
    Put("CAST(");
    if (q->fetch_percent) {
      if (correlatable_ > 0) Unsupported(q->fetch->pos);
      Put("ceil((SELECT count(*) FROM (");
      QueryBody(q);
      Put(")) * ");
      AsNumber(q->fetch);
      Put(" / 100.0)");
    } else {
      AsNumber(q->fetch);
    }
    Put(" AS INTEGER)");
  };
  Put(" LIMIT ");
  if (q->fetch == nullptr) {
    Put("-1");
  } else if (!ties) {
    Put("max(0, coalesce(");
    count();
    Put(", 0))");
  } else {
    Put("CASE WHEN ");
    count();
    Put(" > 0 THEN (SELECT count(*) FROM (SELECT rank() OVER (");
    OrderKeys(q->order_by, q);
    Put(") AS \"kestrel$rank\"");
    FromWhere(q, Conjuncts(q->where));
    GroupBy(q);
    Put(") WHERE \"kestrel$rank\" <= ");
    offset();
    Put(" + ");
    count();
    Put(") - ");
    offset();
    Put(" ELSE 0 END");
  }
  if (q->offset != nullptr) {
    Put(" OFFSET ");
    offset();
  }
}

}  // namespace kestrel_engine::sql
