/*
** INSERT ALL / INSERT FIRST as one INSERT ... SELECT per INTO, each over
** the subquery with its branch's condition. INSERT FIRST gives a row to
** the first branch whose condition is true, so each later branch also
** requires the earlier ones not to be (NULL counts as not true); ELSE takes
** the rows no condition took. The subquery runs once per INTO.
*/
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

std::vector<EmittedStep> SqliteWriter::MultiInsert(const MultiInsertStmt &s) {
  std::vector<EmittedStep> steps;
  std::vector<const sql::Expr *> earlier;
  for (const InsertBranch *b : s.branches) {
    for (const InsertInto *into : b->into) {
      // BEFORE ROW triggers that assign :NEW: not through INSERT ALL yet.
      const SourceInfo *target = r_.Source(into->target);
      if (target != nullptr && target->table != nullptr && target->table->before_row != 0) Unsupported(s.pos);
      Put("INSERT INTO ");
      Target(into->target, false);
      if (!into->columns.empty()) {
        Put(" (");
        bool first = true;
        for (const sql::Ident *c : into->columns) {
          if (!first) Put(", ");
          first = false;
          Ident(c->name);
        }
        Put(")");
      }
      Put(" SELECT ");
      if (into->has_values) {
        bool first = true;
        size_t n = 0;
        for (const sql::Expr *v : into->values) {
          if (v->kind == ExprKind::kDefault) Unsupported(v->pos);
          if (!first) Put(", ");
          first = false;
          FittedInto(into->target, ColumnAt(into->target, into->columns, n++), v);
        }
      } else {
        Put("*");
      }
      Put(" FROM (");
      Query(s.query);
      Put(") AS \"kestrel$rows\"");
      // The branch's own condition; for FIRST and ELSE, none before it true.
      bool where = false;
      const auto condition = [&](const char *before, const sql::Expr *e, const char *after) {
        Put(where ? " AND " : " WHERE ");
        where = true;
        Put(before);
        Expr(e);
        Put(after);
      };
      if (b->when != nullptr) condition("coalesce(", b->when, ", 0)");
      if (s.first || b->is_else) {
        for (const sql::Expr *e : earlier) condition("NOT coalesce(", e, ", 0)");
      }
      steps.push_back({std::move(out_), true});
      out_.clear();
    }
    if (b->when != nullptr) earlier.push_back(b->when);
  }
  return steps;
}

}  // namespace kestrel_engine::sql
