/*
** PIVOT and UNPIVOT columns: what the source keeps, and what the clause
** adds (see PivotColumns.h).
*/
#include "sql/resolve/PivotColumns.h"

namespace kestrel_engine::sql {

namespace {

void NamedColumns(const Expr *e, const ResolvedStatement &r, std::vector<std::string_view> *out) {
  if (e == nullptr) return;
  if (e->kind == ExprKind::kName) {
    const ExprInfo *info = r.Info(e);
    if (info != nullptr && info->binding == NameBinding::kColumn) out->push_back(info->column);
  }
  NamedColumns(e->left, r, out);
  NamedColumns(e->right, r, out);
  NamedColumns(e->third, r, out);
  for (const Expr *a : e->args) NamedColumns(a, r, out);
}

bool Listed(const std::vector<std::string_view> &names, std::string_view name) {
  for (const std::string_view n : names) {
    if (SameName(n, name)) return true;
  }
  return false;
}

// An IN value's heading: its alias, else its text as written (a string
// keeps its quotes, as Oracle shows it).
std::string Heading(const PivotItem &v, std::string_view text) {
  if (v.alias != nullptr) return std::string(v.alias->name);
  const Expr *e = v.expr;
  uint32_t end = e->pos;
  if (e->kind == ExprKind::kString) return "'" + std::string(e->text) + "'";
  while (end < text.size() && text[end] != ',' && text[end] != ')' && text[end] != ' ') ++end;
  std::string out(text.substr(e->pos, end - e->pos));
  for (char &c : out) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return out;
}

}  // namespace

std::vector<ColumnInfo> PivotColumns(const TableRef &t, const std::vector<ColumnInfo> &source,
                                     std::string_view text, ResolvedStatement *r) {
  std::vector<std::string_view> used;
  for (const Ident *f : t.for_columns) {
    bool found = false;
    for (const ColumnInfo &c : source) found = found || SameName(c.name, f->name);
    if (!found && t.kind == TableKind::kPivot) {
      throw SemanticError(904, f->pos, "\"" + std::string(f->name) + "\"");
    }
    used.push_back(f->name);
  }
  if (t.kind == TableKind::kPivot) {
    for (const PivotItem *a : t.aggregates) NamedColumns(a->expr, *r, &used);
  } else {
    for (const PivotItem *v : t.values) NamedColumns(v->expr, *r, &used);
  }
  std::vector<ColumnInfo> out;
  PivotInfo &info = r->pivots[&t];
  for (const ColumnInfo &c : source) {
    if (Listed(used, c.name)) continue;
    out.push_back(c);
    info.kept.push_back(c.name);
  }
  if (t.kind == TableKind::kPivot) {
    for (const PivotItem *v : t.values) {
      const std::string heading = Heading(*v, text);
      for (const PivotItem *a : t.aggregates) {
        ColumnInfo c;
        c.name = heading;
        if (a->alias != nullptr) c.name += "_" + std::string(a->alias->name);
        const ExprInfo *type = r->Info(a->expr);
        if (type != nullptr) c.type = type->type;
        out.push_back(c);
        info.names.push_back(out.back().name);
      }
    }
    return out;
  }
  // UNPIVOT: the FOR columns take the labels' types, the measures the
  // first IN item's columns' types.
  const PivotItem *first = t.values.first;
  size_t i = 0;
  for (const Ident *f : t.for_columns) {
    ColumnInfo c;
    c.name = std::string(f->name);
    c.type = MakeType(TypeCategory::kVarchar2, 128);
    if (first != nullptr && first->label != nullptr) {
      const Expr *label = first->label->kind == ExprKind::kRow ? first->label->args.first
                                                                : first->label;
      for (size_t k = 0; k < i && label != nullptr; ++k) {
        label = static_cast<const Expr *>(label->next);
      }
      const ExprInfo *type = label != nullptr ? r->Info(label) : nullptr;
      if (type != nullptr) c.type = type->type;
    }
    out.push_back(c);
    ++i;
  }
  i = 0;
  for (const Ident *m : t.measures) {
    ColumnInfo c;
    c.name = std::string(m->name);
    if (first != nullptr) {
      const Expr *col = first->expr->kind == ExprKind::kRow ? first->expr->args.first : first->expr;
      for (size_t k = 0; k < i && col != nullptr; ++k) col = static_cast<const Expr *>(col->next);
      const ExprInfo *type = col != nullptr ? r->Info(col) : nullptr;
      if (type != nullptr) c.type = type->type;
    }
    out.push_back(c);
    ++i;
  }
  return out;
}

}  // namespace kestrel_engine::sql
