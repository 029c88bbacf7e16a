/*
** PIVOT and UNPIVOT as inline views under the clause's alias. PIVOT groups
** the source by the columns it keeps and gives one conditional aggregate
** per IN value and aggregate (f(CASE WHEN for = value THEN arg END)).
** UNPIVOT is a UNION ALL with one branch per IN item, each giving the kept
** columns, the item's label and its columns' values; EXCLUDE NULLS (the
** default) leaves out the rows whose measures are all NULL.
*/
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

namespace {

std::vector<const Expr *> Items(const Expr *e) {
  std::vector<const Expr *> out;
  if (e == nullptr) return out;
  if (e->kind == ExprKind::kRow) {
    for (const Expr *a : e->args) out.push_back(a);
  } else {
    out.push_back(e);
  }
  return out;
}

}  // namespace

void SqliteWriter::Pivot(const TableRef *t) {
  const auto found = r_.pivots.find(t);
  const SourceInfo *source = r_.Source(t->left);
  if (found == r_.pivots.end() || source == nullptr) Unsupported(t->pos);
  const PivotInfo &info = found->second;
  const auto kept = [&](std::string_view c) {
    if (!source->alias.empty()) {
      Ident(source->alias);
      Put(".");
    }
    Ident(c);
  };
  Put("(");
  if (t->kind == TableKind::kPivot) {
    Put("SELECT ");
    bool first = true;
    size_t name = 0;
    for (const std::string &c : info.kept) {
      if (!first) Put(", ");
      first = false;
      kept(c);
    }
    for (const PivotItem *v : t->values) {
      const std::vector<const sql::Expr *> values = Items(v->expr);
      if (values.size() != t->for_columns.size) Unsupported(v->pos);
      for (const PivotItem *a : t->aggregates) {
        const sql::Expr *f = a->expr;
        if (f->kind != ExprKind::kFunction || f->name.count != 1 || f->extra != nullptr ||
            f->args.size != 1) {
          Unsupported(f->pos);
        }
        const std::string_view n = f->name.part[0];
        const char *call = n == "SUM" ? "kestrel_sum(" : n == "COUNT" ? "count(" : n == "MIN" ? "min("
                           : n == "MAX" ? "max(" : n == "AVG" ? "avg(" : nullptr;
        if (call == nullptr) Unsupported(f->pos);
        if (!first) Put(", ");
        first = false;
        Put(call);
        if (f->flags & kDistinct) Put("DISTINCT ");
        Put("CASE WHEN ");
        size_t i = 0;
        for (const sql::Ident *c : t->for_columns) {
          if (i) Put(" AND ");
          kept(c->name);
          Put(" = ");
          Expr(values[i]);
          ++i;
        }
        Put(" THEN ");
        if (f->args.first->kind == ExprKind::kStar) {
          Put("1");
        } else {
          Expr(f->args.first);
        }
        Put(" END) AS ");
        if (name >= info.names.size()) Unsupported(f->pos);
        Ident(info.names[name++]);
      }
    }
    Put(" FROM ");
    From(t->left);
    if (!info.kept.empty()) {
      Put(" GROUP BY ");
      first = true;
      for (const std::string &c : info.kept) {
        if (!first) Put(", ");
        first = false;
        kept(c);
      }
    }
  } else {
    bool firstBranch = true;
    for (const PivotItem *v : t->values) {
      const std::vector<const sql::Expr *> columns = Items(v->expr);
      const std::vector<const sql::Expr *> labels = Items(v->label);
      if (columns.size() != t->measures.size ||
          (!labels.empty() && labels.size() != t->for_columns.size) ||
          (labels.empty() && t->for_columns.size != 1)) {
        Unsupported(v->pos);
      }
      if (!firstBranch) Put(" UNION ALL ");
      firstBranch = false;
      Put("SELECT ");
      bool first = true;
      for (const std::string &c : info.kept) {
        if (!first) Put(", ");
        first = false;
        kept(c);
      }
      size_t i = 0;
      for (const sql::Ident *f : t->for_columns) {
        if (!first) Put(", ");
        first = false;
        if (labels.empty()) {
          // No label: the column's name, as Oracle shows it.
          const ExprInfo *c = r_.Info(columns[0]);
          if (c == nullptr) Unsupported(v->pos);
          Literal(c->column);
        } else {
          Expr(labels[i]);
        }
        Put(" AS ");
        Ident(f->name);
        ++i;
      }
      i = 0;
      for (const sql::Ident *m : t->measures) {
        Put(", ");
        Expr(columns[i]);
        Put(" AS ");
        Ident(m->name);
        ++i;
      }
      Put(" FROM ");
      From(t->left);
      if (!t->include_nulls) {
        Put(" WHERE ");
        for (size_t k = 0; k < columns.size(); ++k) {
          if (k) Put(" OR ");
          Expr(columns[k]);
          Put(" IS NOT NULL");
        }
      }
    }
  }
  Put(")");
  const SourceInfo *self = r_.Source(t);
  if (self != nullptr && !self->alias.empty()) {
    Put(" AS ");
    Ident(self->alias);
  }
}

}  // namespace kestrel_engine::sql
