/*
** A block's FROM list and WHERE, with Oracle's (+) outer joins written as
** LEFT JOINs. Every WHERE condition naming a column marked (+) belongs to
** the table of that column (the outer-joined table) and goes into its ON;
** the other tables it names are the one table it is joined to. Tables
** joined to nothing come first, in FROM order; each outer-joined table
** follows the table it is joined to, so chains work. Oracle's rules for
** the marker give its errors: one outer-joined table per condition
** (ORA-01468), one table joined to per table (ORA-01417), no pair joined
** both ways (ORA-01416), no (+) under OR or IN (ORA-01719), or beside a
** subquery (ORA-01799), or with ANSI joins (ORA-25156).
*/
#include "sql/emit/SqliteWalk.h"
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

namespace {

bool Marked(const Expr *e) { return e->kind == ExprKind::kName && (e->flags & kOuterJoin); }

}  // namespace

std::vector<const sql::Expr *> SqliteWriter::Conjuncts(const sql::Expr *where) {
  std::vector<const sql::Expr *> out;
  if (where == nullptr) return out;
  if (where->kind == ExprKind::kLogical && where->op == Op::kAnd) {
    for (const sql::Expr *a : where->args) out.push_back(a);
  } else {
    out.push_back(where);
  }
  return out;
}

void SqliteWriter::FromWhere(const sql::Query *q, const std::vector<const sql::Expr *> &where) {
  if (OuterJoinFrom(q, where)) return;
  FromList(q);
  if (where.empty()) return;
  Put(" WHERE ");
  bool first = true;
  for (const sql::Expr *c : where) {
    if (!first) Put(" AND ");
    first = false;
    Expr(c);
  }
}

bool SqliteWriter::OuterJoinFrom(const sql::Query *q, const std::vector<const sql::Expr *> &where) {
  bool marked = false;
  for (const sql::Expr *c : where) marked = marked || AnyInBlock(c, Marked);
  if (!marked) return false;
  std::vector<const TableRef *> tables;
  for (const TableRef *t : q->from) tables.push_back(t);
  const size_t n = tables.size();
  // The FROM item a column of this block belongs to (n: none, an outer
  // query's column, which is a constant here).
  const auto tableOf = [&](const sql::Expr *e) {
    const ExprInfo *info = r_.Info(e);
    if (info == nullptr || info->binding != NameBinding::kColumn) return n;
    for (size_t i = 0; i < n; ++i) {
      const SourceInfo *s = r_.Source(tables[i]);
      if (s != nullptr && s->alias.data() == info->source.data() &&
          s->alias.size() == info->source.size()) {
        return i;
      }
    }
    return n;
  };
  const sql::Expr *firstMark = nullptr;
  for (const sql::Expr *c : where) {
    AnyInBlock(c, [&](const sql::Expr *e) {
      if (Marked(e) && firstMark == nullptr) firstMark = e;
      return firstMark != nullptr;
    });
    if (firstMark != nullptr) break;
  }
  for (const TableRef *t : tables) {
    if (t->kind == TableKind::kJoin) throw SemanticError(25156, firstMark->pos);
  }
  std::vector<std::vector<const sql::Expr *>> on(n);
  std::vector<size_t> joinedTo(n, n);
  std::vector<uint32_t> markAt(n, 0);  // a table's first (+), for errors
  std::vector<const sql::Expr *> rest;
  for (const sql::Expr *c : where) {
    const sql::Expr *mark = nullptr;
    AnyInBlock(c, [&](const sql::Expr *e) {
      if (Marked(e) && mark == nullptr) mark = e;
      return false;
    });
    if (mark == nullptr) {
      rest.push_back(c);
      continue;
    }
    AnyInBlock(c, [&](const sql::Expr *e) {
      if ((e->kind == ExprKind::kLogical && e->op == Op::kOr) || e->kind == ExprKind::kIn) {
        if (AnyInBlock(e, Marked)) throw SemanticError(1719, mark->pos);
      }
      if (e->query != nullptr) throw SemanticError(1799, mark->pos);
      return false;
    });
    size_t outer = n;
    std::vector<size_t> others;
    AnyInBlock(c, [&](const sql::Expr *e) {
      if (e->kind != ExprKind::kName) return false;
      const size_t i = tableOf(e);
      if (i == n) return false;
      if (Marked(e)) {
        if (outer != n && outer != i) throw SemanticError(1468, e->pos);
        outer = i;
      } else {
        others.push_back(i);
      }
      return false;
    });
    if (outer == n) Unsupported(mark->pos);  // (+) on an outer query's column
    for (const size_t o : others) {
      if (o == outer) continue;
      if (joinedTo[outer] != n && joinedTo[outer] != o) throw SemanticError(1417, mark->pos);
      joinedTo[outer] = o;
    }
    if (on[outer].empty()) markAt[outer] = mark->pos;
    on[outer].push_back(c);
  }
  // Tables in the order they can be joined: each after the one it joins.
  std::vector<size_t> order;
  std::vector<bool> placed(n, false);
  for (size_t i = 0; i < n; ++i) {
    if (on[i].empty()) {
      order.push_back(i);
      placed[i] = true;
    }
  }
  const size_t inner = order.size();
  while (order.size() < n) {
    bool progress = false;
    for (size_t i = 0; i < n; ++i) {
      // A table joined to nothing (only constants beside its marks) joins
      // the tables before it.
      if (placed[i] || (joinedTo[i] != n && !placed[joinedTo[i]])) continue;
      order.push_back(i);
      placed[i] = true;
      progress = true;
    }
    if (!progress) {
      for (size_t i = 0; i < n; ++i) {
        if (!placed[i]) throw SemanticError(1416, markAt[i]);
      }
    }
  }
  Put(" FROM ");
  for (size_t k = 0; k < order.size(); ++k) {
    const size_t i = order[k];
    if (k == 0) {
      From(tables[i]);
    } else if (k < inner) {
      Put(", ");
      From(tables[i]);
    } else {
      Put(" LEFT JOIN ");
      From(tables[i]);
      Put(" ON ");
      outer_join_on_ = true;
      bool first = true;
      for (const sql::Expr *c : on[i]) {
        if (!first) Put(" AND ");
        first = false;
        Expr(c);
      }
      outer_join_on_ = false;
    }
  }
  // Every table outer-joined to nothing but constants: the first one's
  // conditions filter it, having no ON.
  const std::vector<const sql::Expr *> none;
  const std::vector<const sql::Expr *> &first = inner == 0 ? on[order.front()] : none;
  if (!rest.empty() || !first.empty()) Put(" WHERE ");
  bool any = false;
  const std::vector<const sql::Expr *> *lists[] = {&rest, &first};
  for (const std::vector<const sql::Expr *> *list : lists) {
    outer_join_on_ = list == &first;
    for (const sql::Expr *c : *list) {
      if (any) Put(" AND ");
      any = true;
      Expr(c);
    }
  }
  outer_join_on_ = false;
  return true;
}

}  // namespace kestrel_engine::sql
