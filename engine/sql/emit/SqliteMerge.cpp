/*
** MERGE as SQLite statements run in order (in one transaction, by the
** caller): the UPDATE of the matched rows (UPDATE ... FROM the source),
** the INSERT of the source rows no target row matches (evaluated after the
** UPDATE, which cannot change the ON columns: Oracle forbids it), then the
** DELETE WHERE of the updated rows, which sees their new values. Oracle's
** row count is the rows updated and inserted, so the DELETE step is not
** counted. Beside an UPDATE WHERE or an INSERT clause the DELETE cannot
** tell the updated rows from the table alone (the INSERT's rows may match
** too, and the UPDATE WHERE may no longer hold), so the UPDATE marks the
** rows it changes (functions/MergeMarks.cpp) and the DELETE reads the
** marks, between a first and a last step that open and drop them.
*/
#include "sql/emit/Backend.h"
#include "sql/ast/Plsql.h"
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

// The UPDATE branch's "c = v, ...", each value held to its column.
void SqliteWriter::MergeSet(const MergeStmt &s) {
  bool first = true;
  for (const SetItem *item : s.set) {
    if (item->row) Unsupported(item->pos);
    const sql::Expr *c = item->columns.first;
    const ExprInfo *info = r_.Info(c);
    if (info == nullptr || info->binding != NameBinding::kColumn) Unsupported(c->pos);
    if (!first) Put(", ");
    first = false;
    Ident(info->column);
    Put(" = ");
    if (item->value->kind == ExprKind::kDefault) {
      ColumnDefault(s.target, info->column, item->value);
    } else {
      FittedInto(s.target, info->column, item->value);
    }
  }
}

std::vector<EmittedStep> SqliteWriter::Merge(const MergeStmt &s) {
  std::vector<EmittedStep> steps;
  // BEFORE ROW triggers that assign :NEW: the branch's row is made
  // through them (SqliteBeforeRow.cpp).
  const SourceInfo *target = r_.Source(s.target);
  const CatalogTable *triggered = target != nullptr ? target->table : nullptr;
  const uint8_t beforeRow = triggered != nullptr ? triggered->before_row : 0;
  const bool marked = s.delete_where != nullptr && (s.update_where != nullptr || s.has_insert);
  const auto step = [&](bool counted) {
    steps.push_back({std::move(out_), counted});
    out_.clear();
  };
  if (marked) {
    Put("SELECT kestrel_merge_begin()");
    step(false);
  }
  const auto on = [&](const sql::Expr *extra) {
    Expr(s.on);
    if (extra != nullptr) {
      Put(" AND ");
      Expr(extra);
    }
  };
  if (s.has_update) {
    Put("UPDATE ");
    Target(s.target, true);
    Put(" SET ");
    if (beforeRow & kOnUpdate) {
      BeforeRowSet(*triggered, SetGiven(s.set, *triggered), target->alias);
    } else {
      MergeSet(s);
    }
    Put(" FROM ");
    From(s.source);
    Put(" WHERE ");
    on(s.update_where);
    if (marked) Put(" RETURNING kestrel_merge_mark(rowid)");
    step(true);
  }
  if (s.has_insert) {
    Put("INSERT INTO ");
    Target(s.target, false);
    if (beforeRow & kOnInsert) {
      std::vector<const sql::Expr *> values;
      for (const sql::Expr *v : s.insert_values) values.push_back(v);
      BeforeRowInsertSelect(
          *triggered,
          InsertGiven(*triggered, s.insert_columns, values.size(), s.pos,
                      [&](size_t i, const CatalogColumn &c) {
                        if (values[i]->kind == ExprKind::kDefault) return std::string();
                        return Captured([&] { Fitted(values[i], *triggered, c); });
                      }),
          s.pos);
    } else {
      InsertSelectValues(s.target, s.insert_columns, s.insert_values);
    }
    Put(" FROM ");
    From(s.source);
    Put(" WHERE NOT EXISTS (SELECT 1 FROM ");
    Target(s.target, true);
    Put(" WHERE ");
    on(nullptr);
    Put(")");
    if (s.insert_where != nullptr) {
      Put(" AND ");
      Expr(s.insert_where);
    }
    step(true);
  }
  if (s.delete_where != nullptr) {
    Put("DELETE FROM ");
    Target(s.target, true);
    Put(marked ? " WHERE kestrel_merge_marked(rowid) AND EXISTS (SELECT 1 FROM "
               : " WHERE EXISTS (SELECT 1 FROM ");
    From(s.source);
    Put(" WHERE ");
    on(s.delete_where);
    Put(")");
    step(false);
  }
  if (marked) {
    Put("SELECT kestrel_merge_end()");
    step(false);
  }
  return steps;
}

std::vector<EmittedStep> SqliteBackend::EmitSteps(const ResolvedStatement &statement) {
  SqliteWriter w(statement);
  switch (statement.statement->kind) {
    case StmtKind::kMerge:
      return w.Merge(static_cast<const MergeStmt &>(*statement.statement));
    case StmtKind::kMultiInsert:
      return w.MultiInsert(static_cast<const MultiInsertStmt &>(*statement.statement));
    default:
      return {{Emit(statement), true}};
  }
}

}  // namespace kestrel_engine::sql
