/*
** LISTAGG as an aggregate: the registered kestrel_listagg, handed each
** value with its WITHIN GROUP keys (it sorts them itself) and the
** DISTINCT and ON OVERFLOW choices as constant arguments.
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
  for (const OrderItem *o : x.within_group) {
    Put(", ");
    Expr(o->expr);
    const bool nullsFirst = o->nulls == 0 ? o->desc : o->nulls == 1;
    Put(", ");
    Put(std::to_string((o->desc ? 1 : 0) | (nullsFirst ? 2 : 0)));
  }
  Put(")");
}

}  // namespace kestrel_engine::sql
