/*
** Interval arithmetic for SQLite: interval ± interval becomes
** kestrel_interval_add(a, b, ±1), interval × number and interval ÷ number
** kestrel_interval_mul(i, n, divide?). The resolver has refused every
** other mix (ORA-30081).
*/
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

bool SqliteWriter::IntervalOperation(const sql::Expr *e, const OracleType &a, const OracleType &b) {
  auto interval = [](const OracleType &t) {
    return t.Is(TypeCategory::kIntervalDS) || t.Is(TypeCategory::kIntervalYM);
  };
  if (!interval(a) && !interval(b)) return false;
  if (e->op == Op::kAdd || e->op == Op::kSub) {
    Put("kestrel_interval_add(");
    Expr(e->left);
    Put(", ");
    Expr(e->right);
    Put(e->op == Op::kSub ? ", -1)" : ", 1)");
    return true;
  }
  Put("kestrel_interval_mul(");
  Expr(interval(a) ? e->left : e->right);
  Put(", ");
  AsNumber(interval(a) ? e->right : e->left);
  Put(e->op == Op::kDiv ? ", 1)" : ", 0)");
  return true;
}

}  // namespace kestrel_engine::sql
