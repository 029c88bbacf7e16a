/*
** INSERT ALL / INSERT FIRST as one INSERT ... SELECT per INTO, each over
** the subquery with its branch's condition. INSERT FIRST gives a row to
** the first branch whose condition is true, so each later branch also
** requires the earlier ones not to be (NULL counts as not true); ELSE takes
** the rows no condition took. The subquery runs once per INTO. An INTO
** whose table has BEFORE ROW triggers that assign :NEW makes its rows
** through them (SqliteBeforeRow.cpp). An INTO without VALUES reads the
** subquery's columns by position, renamed k1, k2, ... by a compound whose
** first (empty) arm names them, each held to its column's type and size.
*/
#include "sql/ast/Plsql.h"
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

void SqliteWriter::InsertSelectValues(const TableRef *target, const sql::List<sql::Ident> &columns,
                                      const sql::List<sql::Expr> &values) {
  if (!columns.empty()) {
    Put(" (");
    bool first = true;
    for (const sql::Ident *c : columns) {
      if (!first) Put(", ");
      first = false;
      Ident(c->name);
    }
    Put(")");
  }
  Put(" SELECT ");
  bool first = true;
  size_t n = 0;
  for (const sql::Expr *v : values) {
    if (v->kind == ExprKind::kDefault) Unsupported(v->pos);
    if (!first) Put(", ");
    first = false;
    FittedInto(target, ColumnAt(target, columns, n++), v);
  }
}

std::vector<EmittedStep> SqliteWriter::MultiInsert(const MultiInsertStmt &s) {
  std::vector<EmittedStep> steps;
  std::vector<const sql::Expr *> earlier;
  for (const InsertBranch *b : s.branches) {
    for (const InsertInto *into : b->into) {
      // The subquery's rows this INTO takes: its branch's own condition;
      // for FIRST and ELSE, none before it true.
      const std::string rows = Captured([&] {
        Put(" FROM (");
        Query(s.query);
        Put(") AS \"kestrel$rows\"");
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
      });
      const SourceInfo *target = r_.Source(into->target);
      const CatalogTable *table = target != nullptr ? target->table : nullptr;
      if (table == nullptr) Unsupported(into->pos);
      const bool triggered = (table->before_row & kOnInsert) != 0;
      Put("INSERT INTO ");
      Target(into->target, false);
      if (into->has_values && !triggered) {
        InsertSelectValues(into->target, into->columns, into->values);
        Put(rows);
      } else if (into->has_values) {
        std::vector<const sql::Expr *> values;
        for (const sql::Expr *v : into->values) values.push_back(v);
        BeforeRowInsertSelect(*table,
                              InsertGiven(*table, into->columns, values.size(), into->pos,
                                          [&](size_t i, const CatalogColumn &c) {
                                            if (values[i]->kind == ExprKind::kDefault) return std::string();
                                            return Captured([&] { Fitted(values[i], *table, c); });
                                          }),
                              into->pos);
        Put(rows);
      } else {
        // Each of the subquery's columns held to the column it goes to.
        const size_t count = into->columns.empty() ? table->columns.size() : into->columns.size;
        const auto k = [](size_t i) { return "k" + std::to_string(i + 1); };
        const std::vector<std::string> given =
            InsertGiven(*table, into->columns, count, into->pos, [&](size_t i, const CatalogColumn &c) {
              return Captured([&] { FittedText(k(i), *table, c); });
            });
        if (triggered) {
          BeforeRowInsertSelect(*table, given, into->pos);
        } else {
          std::string names, values;
          for (size_t c = 0; c < given.size(); ++c) {
            if (given[c].empty()) continue;
            names += (names.empty() ? "" : ", ") + Captured([&] { Ident(table->columns[c].name); });
            values += (values.empty() ? "" : ", ") + given[c];
          }
          Put(" (" + names + ") SELECT " + values);
        }
        Put(" FROM (SELECT ");
        for (size_t i = 0; i < count; ++i) Put((i ? ", NULL AS " : "NULL AS ") + k(i));
        Put(" WHERE 0 UNION ALL SELECT *");
        Put(rows);
        Put(") AS \"kestrel$picked\"");
      }
      steps.push_back({std::move(out_), true});
      out_.clear();
    }
    if (b->when != nullptr) earlier.push_back(b->when);
  }
  return steps;
}

}  // namespace kestrel_engine::sql
