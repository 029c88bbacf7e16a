/*
** GROUP BY ROLLUP, CUBE and GROUPING SETS as a UNION ALL of one grouped
** query per grouping set. In each, a grouping expression outside the set
** reads NULL (except inside an aggregate's arguments), GROUPING(x) is 1 for
** such an expression and 0 otherwise, GROUPING_ID packs those bits, and
** GROUP_ID numbers the repeats of a set. The union is read through an
** inline view so that ORDER BY names its columns by position.
*/
#include <functional>

#include "sql/emit/SqliteWalk.h"
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

namespace {

constexpr size_t kMaxSets = 4096;

bool IsGroupingForm(const Expr *g) {
  return g->kind == ExprKind::kRollup || g->kind == ExprKind::kCube ||
         g->kind == ExprKind::kGroupingSets;
}

using Set = std::vector<const Expr *>;

// The expressions one ROLLUP/CUBE element stands for: a composite
// column (a, b) is both or neither.
Set Unit(const Expr *e) {
  Set out;
  if (e->kind == ExprKind::kRow) {
    for (const Expr *a : e->args) out.push_back(a);
  } else if (e->kind != ExprKind::kEmptyGroup) {
    out.push_back(e);
  }
  return out;
}

}  // namespace

bool SqliteWriter::SameGrouped(const sql::Expr *a, const sql::Expr *b) const {
  if (a == b) return true;
  if (a == nullptr || b == nullptr) return false;
  if (a->kind != b->kind || a->op != b->op || a->flags != b->flags || a->text != b->text ||
      a->args.size != b->args.size || a->query != nullptr || b->query != nullptr) {
    return false;
  }
  if (a->kind == ExprKind::kName) {
    const ExprInfo *x = r_.Info(a);
    const ExprInfo *y = r_.Info(b);
    if (x == nullptr || y == nullptr) return false;
    return x->binding == y->binding && x->source == y->source && x->column == y->column &&
           x->source.data() == y->source.data();
  }
  if (a->name.count != b->name.count) return false;
  for (int i = 0; i < a->name.count; ++i) {
    if (a->name.part[i] != b->name.part[i]) return false;
  }
  if (!SameGrouped(a->left, b->left) || !SameGrouped(a->right, b->right) ||
      !SameGrouped(a->third, b->third)) {
    return false;
  }
  const sql::Expr *x = a->args.first;
  const sql::Expr *y = b->args.first;
  for (; x != nullptr; x = static_cast<const sql::Expr *>(x->next),
                       y = static_cast<const sql::Expr *>(y->next)) {
    if (!SameGrouped(x, y)) return false;
  }
  return true;
}

bool SqliteWriter::GroupingExpr(const sql::Expr *e) {
  Grouping &g = *grouping_;
  const auto inSet = [&](const sql::Expr *x) {
    for (const sql::Expr *s : g.set) {
      if (SameGrouped(s, x)) return true;
    }
    return false;
  };
  if (e->kind == ExprKind::kFunction && e->name.count == 1) {
    const std::string_view n = e->name.part[0];
    if (n == "GROUPING" || n == "GROUPING_ID") {
      int64_t bits = 0;
      for (const sql::Expr *a : e->args) {
        bool grouped = false;
        for (const sql::Expr *c : g.all) grouped = grouped || SameGrouped(c, a);
        if (!grouped) throw SemanticError(kOraNotGroupBy, a->pos);
        bits = bits * 2 + (inSet(a) ? 0 : 1);
      }
      Put(std::to_string(bits));
      return true;
    }
    if (n == "GROUP_ID") {
      Put(std::to_string(g.repeat));
      return true;
    }
  }
  if (IsAggregateCall(e)) {
    ++g.inside_aggregate;
    Function(e);
    --g.inside_aggregate;
    return true;
  }
  if (g.inside_aggregate > 0) return false;
  for (const sql::Expr *c : g.all) {
    if (SameGrouped(c, e)) {
      if (inSet(e)) return false;
      Put("NULL");
      return true;
    }
  }
  return false;
}

bool SqliteWriter::UsesGroupingSets(const sql::Query *q) {
  if (q->kind != QueryKind::kBlock) return false;
  for (const sql::Expr *g : q->group_by) {
    if (IsGroupingForm(g)) return true;
  }
  return false;
}

bool SqliteWriter::GroupingSetsBlock(const sql::Query *q) {
  if (!UsesGroupingSets(q)) return false;
  // Every grouping set: the cross product of the GROUP BY items' sets.
  std::vector<Set> sets(1);
  for (const sql::Expr *item : q->group_by) {
    std::vector<Set> mine;
    const std::function<void(const sql::Expr *)> expand = [&](const sql::Expr *g) {
      if (g->kind == ExprKind::kRollup) {
        std::vector<Set> units;
        for (const sql::Expr *a : g->args) units.push_back(Unit(a));
        for (size_t k = units.size() + 1; k-- > 0;) {
          Set s;
          for (size_t i = 0; i < k; ++i) s.insert(s.end(), units[i].begin(), units[i].end());
          mine.push_back(std::move(s));
        }
      } else if (g->kind == ExprKind::kCube) {
        std::vector<Set> units;
        for (const sql::Expr *a : g->args) units.push_back(Unit(a));
        if (units.size() > 12) Unsupported(g->pos);
        const size_t all = (size_t{1} << units.size()) - 1;
        for (size_t mask = all + 1; mask-- > 0;) {
          Set s;
          for (size_t i = 0; i < units.size(); ++i) {
            if (mask & (size_t{1} << (units.size() - 1 - i))) {
              s.insert(s.end(), units[i].begin(), units[i].end());
            }
          }
          mine.push_back(std::move(s));
        }
      } else if (g->kind == ExprKind::kGroupingSets) {
        for (const sql::Expr *a : g->args) {
          if (IsGroupingForm(a)) {
            expand(a);
          } else {
            mine.push_back(Unit(a));
          }
        }
      } else {
        mine.push_back(Unit(g));
      }
    };
    expand(item);
    std::vector<Set> product;
    for (const Set &a : sets) {
      for (const Set &b : mine) {
        Set s = a;
        s.insert(s.end(), b.begin(), b.end());
        product.push_back(std::move(s));
        if (product.size() > kMaxSets) Unsupported(item->pos);
      }
    }
    sets = std::move(product);
  }
  Grouping g;
  for (const Set &s : sets) {
    for (const sql::Expr *e : s) {
      bool seen = false;
      for (const sql::Expr *c : g.all) seen = seen || SameGrouped(c, e);
      if (!seen) g.all.push_back(e);
    }
  }
  // A set's position among the sets that group by the same expressions.
  const auto sameSet = [&](const Set &a, const Set &b) {
    const auto covers = [&](const Set &x, const Set &y) {
      for (const sql::Expr *e : x) {
        bool found = false;
        for (const sql::Expr *f : y) found = found || SameGrouped(e, f);
        if (!found) return false;
      }
      return true;
    };
    return covers(a, b) && covers(b, a);
  };
  Grouping *outer = grouping_;
  Put("SELECT * FROM (");
  for (size_t i = 0; i < sets.size(); ++i) {
    if (i) Put(" UNION ALL ");
    g.set = sets[i];
    g.repeat = 0;
    for (size_t j = 0; j < i; ++j) g.repeat += sameSet(sets[j], sets[i]) ? 1 : 0;
    grouping_ = &g;
    SelectList(q);
    grouping_ = nullptr;  // FROM and WHERE come before grouping
    FromWhere(q, Conjuncts(q->where));
    grouping_ = &g;
    bool aggregated = AnyInBlock(q->having, IsAggregateCall);
    for (const SelectItem *item : q->items) {
      aggregated = aggregated || AnyInBlock(item->expr, IsAggregateCall);
    }
    if (g.set.empty() && !aggregated) {
      Put(" GROUP BY NULL");  // the one group of all rows, as GROUP BY () is
    } else if (!g.set.empty()) {
      Put(" GROUP BY ");
      bool first = true;
      for (const sql::Expr *e : g.set) {
        if (!first) Put(", ");
        first = false;
        Expr(e);
      }
    }
    if (q->having != nullptr) {
      Put(" HAVING ");
      Expr(q->having);
    }
    grouping_ = outer;
  }
  Put(")");
  // ORDER BY: select-list positions, names, or expressions of the list.
  if (!q->order_by.empty()) {
    Put(" ORDER BY ");
    bool first = true;
    for (const OrderItem *o : q->order_by) {
      if (!first) Put(", ");
      first = false;
      const ExprInfo *info = r_.Info(o->expr);
      uint32_t position = 0;
      if (info != nullptr && info->binding == NameBinding::kSelectItem) position = info->ordinal;
      if (o->expr->kind == ExprKind::kNumber) {
        Expr(o->expr);
      } else {
        uint32_t n = 0;
        for (const SelectItem *item : q->items) {
          ++n;
          if (position == 0 && item->expr->kind != ExprKind::kStar &&
              SameGrouped(item->expr, o->expr)) {
            position = n;
          }
        }
        if (position == 0) Unsupported(StartOf(o->expr));
        Put(std::to_string(position));
      }
      const bool nullsFirst = o->nulls == 0 ? o->desc : o->nulls == 1;
      Put(o->desc ? " DESC" : "");
      Put(nullsFirst ? " NULLS FIRST" : " NULLS LAST");
    }
  }
  return true;
}

}  // namespace kestrel_engine::sql
