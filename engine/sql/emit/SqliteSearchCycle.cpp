/*
** SEARCH and CYCLE of a recursive WITH (one anchor UNION ALL one
** recursive member). The query runs as a working copy, "kestrel$r_<n>",
** whose rows also carry their level and, for CYCLE, the cycle columns'
** values of their ancestors; SQLite's queue, ordered by level (deepest
** first for DEPTH FIRST, shallowest for BREADTH FIRST) and then by the
** BY columns, gives the rows in the order asked for, so the ordering
** column is their number as they come. A row whose cycle columns repeat
** an ancestor's gets the mark and is not expanded further. The WITH
** query itself reads the working copy with the two columns added.
*/
#include "sql/emit/SqliteWalk.h"
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

namespace {

// The FROM item of `q` (inside joins too) that names the WITH query `name`.
const TableRef *SelfReference(const TableRef *t, std::string_view name,
                              const ResolvedStatement &r) {
  if (t->kind == TableKind::kJoin) {
    const TableRef *left = SelfReference(t->left, name, r);
    return left != nullptr ? left : SelfReference(t->right, name, r);
  }
  const SourceInfo *info = r.Source(t);
  if (t->kind == TableKind::kTable && info != nullptr && info->table == nullptr && !info->dual &&
      SameName(t->name.Last(), name)) {
    return t;
  }
  return nullptr;
}

}  // namespace

void SqliteWriter::SearchCycleCte(const sql::Cte *c) {
  const sql::Query *q = c->query;
  if (c->columns.empty() || q->kind != QueryKind::kSetOp || q->op != SetOp::kUnion || !q->all ||
      q->left->kind != QueryKind::kBlock || q->right->kind != QueryKind::kBlock ||
      !q->order_by.empty() || q->fetch != nullptr || q->offset != nullptr) {
    Unsupported(c->pos);
  }
  const sql::Query *anchor = q->left;
  const sql::Query *member = q->right;
  if (member->quantifier == 1 || !member->group_by.empty() || member->having != nullptr ||
      member->connect_by != nullptr || !member->with.empty() || MentionsPseudo(member, "ROWNUM")) {
    Unsupported(member->pos);
  }
  const TableRef *self = nullptr;
  for (const TableRef *t : member->from) {
    if (self == nullptr) self = SelfReference(t, c->name->name, r_);
  }
  if (self == nullptr) Unsupported(member->pos);  // not recursive
  // The listed columns' positions of the cycle columns, the BY columns' names.
  const auto position = [&](const sql::Ident *name) {
    size_t i = 0;
    for (const sql::Ident *col : c->columns) {
      if (SameName(col->name, name->name)) return i;
      ++i;
    }
    throw SemanticError(904, name->pos, "\"" + std::string(name->name) + "\"");
  };
  std::vector<size_t> cycle;
  for (const sql::Ident *col : c->cycle) cycle.push_back(position(col));
  for (const OrderItem *o : c->search_by) {
    if (o->expr->kind != ExprKind::kName || o->expr->name.count != 1) Unsupported(o->expr->pos);
  }
  const auto literal = [&](const sql::Expr *e) {
    if (e == nullptr || e->kind != ExprKind::kString) Unsupported(c->pos);
    std::string quoted = "'";
    for (char ch : e->text) quoted += ch == '\'' ? std::string("''") : std::string(1, ch);
    Put(quoted + "'");
  };

  SearchCycle hook;
  hook.self = c->name->name;
  hook.internal = "\"kestrel$r_" + std::string(c->name->name) + "\"";
  const std::string selfAlias = [&]() {
    std::string saved;
    std::swap(saved, out_);
    Ident(r_.Source(self)->alias);
    std::swap(saved, out_);
    return saved;
  }();
  // The cycle columns' values of the row a member's select list makes.
  const auto key = [&](const sql::Query *block) {
    for (size_t k = 0; k < cycle.size(); ++k) {
      if (k > 0) Put(" || char(2) || ");
      size_t i = 0;
      for (const SelectItem *item : block->items) {
        if (i++ != cycle[k]) continue;
        Put("quote(");
        Expr(item->expr);
        Put(")");
      }
    }
  };
  SearchCycle *outer = search_cycle_;
  search_cycle_ = &hook;
  Put(hook.internal);
  Put(" (");
  for (const sql::Ident *col : c->columns) {
    Ident(col->name);
    Put(", ");
  }
  Put("\"kestrel$level\", \"kestrel$keys\", \"kestrel$mark\") AS (");
  hook.block = anchor;
  hook.items = [&]() {
    Put(", 1, ");
    if (cycle.empty()) {
      Put("NULL, NULL");
      return;
    }
    Put("char(1) || ");
    key(anchor);
    Put(" || char(1), ");
    literal(c->cycle_default);
  };
  Query(anchor);
  Put(" UNION ALL ");
  hook.block = member;
  hook.items = [&]() {
    Put(", ");
    Put(selfAlias);
    Put(".\"kestrel$level\" + 1, ");
    if (cycle.empty()) {
      Put("NULL, NULL");
      return;
    }
    Put(selfAlias);
    Put(".\"kestrel$keys\" || ");
    key(member);
    Put(" || char(1), CASE WHEN kestrel_seen(");
    Put(selfAlias);
    Put(".\"kestrel$keys\", char(1) || ");
    key(member);
    Put(" || char(1)) THEN ");
    literal(c->cycle_to);
    Put(" ELSE ");
    literal(c->cycle_default);
    Put(" END");
  };
  const std::vector<const sql::Expr *> where = Conjuncts(member->where);
  SelectList(member);
  FromWhere(member, where);
  if (!cycle.empty()) {
    // A marked row closes a cycle: its children are not looked for.
    Put(where.empty() ? " WHERE " : " AND ");
    Put(selfAlias);
    Put(".\"kestrel$mark\" = ");
    literal(c->cycle_default);
  }
  hook.block = nullptr;
  // By position: a compound's ORDER BY names its first member's columns.
  Put(" ORDER BY ");
  Put(std::to_string(c->columns.size + 1));
  Put(c->search == 2 ? "" : " DESC");
  for (const OrderItem *o : c->search_by) {
    Put(", ");
    sql::Ident by;
    by.name = o->expr->name.Last();
    by.pos = o->expr->pos;
    Put(std::to_string(position(&by) + 1));
    const bool nullsFirst = o->nulls == 0 ? o->desc : o->nulls == 1;
    Put(o->desc ? " DESC" : " ASC");
    Put(nullsFirst ? " NULLS FIRST" : " NULLS LAST");
  }
  Put("), ");
  search_cycle_ = outer;
  // The WITH query: the listed columns, then the ordering column and the mark.
  Ident(c->name->name);
  Put(" (");
  bool first = true;
  for (const sql::Ident *col : c->columns) {
    if (!first) Put(", ");
    first = false;
    Ident(col->name);
  }
  if (c->search_set != nullptr) {
    Put(", ");
    Ident(c->search_set->name);
  }
  if (c->cycle_set != nullptr) {
    Put(", ");
    Ident(c->cycle_set->name);
  }
  Put(") AS (SELECT ");
  first = true;
  for (const sql::Ident *col : c->columns) {
    if (!first) Put(", ");
    first = false;
    Ident(col->name);
  }
  if (c->search_set != nullptr) Put(", row_number() OVER ()");
  if (c->cycle_set != nullptr) Put(", \"kestrel$mark\"");
  Put(" FROM ");
  Put(hook.internal);
  Put(")");
}

}  // namespace kestrel_engine::sql
