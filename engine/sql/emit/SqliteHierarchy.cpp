/*
** Hierarchical queries (START WITH / CONNECT BY) as a recursive CTE over
** the block's one FROM item, read back under the item's own name so the
** select list, WHERE and ORDER BY are written as usual:
**   "kestrel$s": the item's rows, numbered in sibling order (ORDER
**     SIBLINGS BY, else as read; a stored table read as it is stored
**     needs no numbering: its rowid is the order);
**   "kestrel$t": the roots (START WITH; every row without it), then each
**     row of "kestrel$s" meeting CONNECT BY with a row already found,
**     PRIOR naming the parent ("kestrel$p"). Each row carries its LEVEL,
**     its path of sibling numbers (sorting by it gives Oracle's depth-first
**     order), the values of the PRIOR expressions of it and its ancestors
**     (a repeat is a loop: ORA-01436, or with NOCYCLE the row is left out
**     and its parent has CONNECT_BY_ISCYCLE 1), and the values
**     CONNECT_BY_ROOT, SYS_CONNECT_BY_PATH and PRIOR in the select list
**     read.
** WHERE filters the rows after the hierarchy is built, as in Oracle for a
** single FROM item; over a join (or several FROM items) the rows are
** joined first, WHERE's join conditions with them (HierarchyJoin).
*/
#include <algorithm>

#include "sql/emit/SqliteWalk.h"
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

namespace {


constexpr std::string_view kJoinedRows = "kestrel$w";

bool IsHierarchyFunction(const Expr *e) {
  return e->kind == ExprKind::kFunction && e->name.count == 1 &&
         e->name.part[0] == "SYS_CONNECT_BY_PATH";
}

}  // namespace

bool SqliteWriter::HierarchyColumn(const ExprInfo &info) {
  if (hier_ == nullptr || !hier_->in_prior) return false;
  if (wrapped_ != nullptr && hier_->alias == kJoinedRows) {
    // Joined rows: the parent's copy of the column.
    std::string name;
    std::swap(name, out_);
    const bool found = WrappedName(info);
    std::swap(name, out_);
    if (!found) return false;
    Put("\"kestrel$p\"");
    Put(name.substr(name.find('.')));
    return true;
  }
  if (info.source.data() != hier_->alias.data() || info.source.size() != hier_->alias.size()) {
    return false;
  }
  Put("\"kestrel$p\".");
  Ident(info.column);
  return true;
}

void SqliteWriter::HierarchyValue(const sql::Expr *e) {
  if (hier_ == nullptr) Unsupported(e->pos);  // PRIOR, CONNECT_BY_ROOT outside CONNECT BY
  const Hierarchy::Phase phase = hier_->phase;
  if (e->kind == ExprKind::kUnary && e->op == Op::kPrior && phase == Hierarchy::kConnect) {
    // The parent's value.
    hier_->in_prior = true;
    Expr(e->left);
    hier_->in_prior = false;
    return;
  }
  if (phase != Hierarchy::kSelect) Unsupported(e->pos);
  for (size_t i = 0; i < hier_->carried.size(); ++i) {
    if (hier_->carried[i] == e) {
      Ident(hier_->alias);
      Put(".\"kestrel$v");
      Put(std::to_string(i));
      return Put("\"");
    }
  }
  Unsupported(e->pos);
}

void SqliteWriter::HierarchyPseudo(const sql::Expr *e, std::string_view name) {
  if (hier_ == nullptr) Unsupported(e->pos);
  const auto column = [&](const char *c) {
    Ident(hier_->alias);
    Put(".");
    Put(c);
  };
  if (name == "LEVEL") {
    if (hier_->phase == Hierarchy::kStart) return Put("1");
    if (hier_->phase == Hierarchy::kConnect) return Put("(\"kestrel$p\".\"kestrel$level\" + 1)");
    return column("\"kestrel$level\"");
  }
  if (hier_->phase != Hierarchy::kSelect) Unsupported(e->pos);
  if (name == "CONNECT_BY_ISLEAF") return column("\"kestrel$leaf\"");
  if (name == "CONNECT_BY_ISCYCLE") {
    if (!hier_->nocycle) throw SemanticError(30930, e->pos);
    return column("\"kestrel$cycle\"");
  }
  Unsupported(e->pos);
}

// CONNECT BY over a join: Oracle joins first, applying WHERE's join
// conditions (those reading two of the block's FROM items) before the
// hierarchy and the other conditions after it. The joined rows give the
// columns the block reads as "kestrel$c<n>" (wrapped_).
void SqliteWriter::HierarchyJoin(const sql::Query *q, std::vector<const sql::Expr *> *joining,
                                 std::vector<const sql::Expr *> *after) {
  const std::vector<std::string_view> aliases = FromAliases(q);
  const auto ours = [&](std::string_view source) {
    for (size_t i = 0; i < aliases.size(); ++i) {
      if (aliases[i].data() == source.data() && aliases[i].size() == source.size()) return i;
    }
    return aliases.size();
  };
  std::vector<const sql::Expr *> rest;
  for (const sql::Expr *c : *after) {
    std::vector<size_t> seen;
    ForEachExprDeep(c, [&](const sql::Expr *e) {
      const ExprInfo *info = e->kind == ExprKind::kName ? r_.Info(e) : nullptr;
      if (info == nullptr || info->binding != NameBinding::kColumn) return;
      const size_t i = ours(info->source);
      if (i < aliases.size() && std::find(seen.begin(), seen.end(), i) == seen.end()) {
        seen.push_back(i);
      }
    });
    (seen.size() > 1 ? joining : &rest)->push_back(c);
  }
  *after = std::move(rest);
  wrapped_storage_.push_back(std::make_unique<std::vector<WrappedColumn>>());
  std::vector<WrappedColumn> &columns = *wrapped_storage_.back();
  const auto own = [&](std::string_view source) { return ours(source) < aliases.size(); };
  const auto read = [&](const sql::Expr *e) { ReadWrapped(e, own, true, &columns); };
  for (const SelectItem *item : q->items) ForEachExprDeep(item->expr, read);
  for (const sql::Expr *g : q->group_by) ForEachExprDeep(g, read);
  ForEachExprDeep(q->having, read);
  for (const OrderItem *o : q->order_by) ForEachExprDeep(o->expr, read);
  for (const sql::Expr *c : *after) ForEachExprDeep(c, read);
  ForEachExprDeep(q->start_with, read);
  ForEachExprDeep(q->connect_by, read);
  wrapped_ = &columns;
}

void SqliteWriter::HierarchyBlock(const sql::Query *q) {
  if (q->connect_by == nullptr) Unsupported(StartOf(q->start_with));
  if (q->from.empty()) Unsupported(StartOf(q->connect_by));
  const TableRef *t = q->from.first;
  // Several FROM items or a join: joined first, then the hierarchy.
  const bool joined = q->from.size != 1 || t->kind == TableKind::kJoin;
  const SourceInfo *info = joined ? nullptr : r_.Source(t);
  if (!joined && (info == nullptr || info->alias.empty())) Unsupported(t->pos);
  std::vector<const sql::Expr *> after = Conjuncts(q->where);
  // ROWNUM numbers the rows in the hierarchy's order as they pass WHERE:
  // written for a block that neither groups nor sorts them (the row
  // generator `SELECT ROWNUM FROM dual CONNECT BY LEVEL <= n`), its
  // conditions on ROWNUM alone a LIMIT.
  std::vector<const sql::Expr *> rownumLimits;
  const auto isRownum = [&](const sql::Expr *e) { return IsRownum(e); };
  // The row generator `FROM dual CONNECT BY ROWNUM <= n`: one row a
  // level, so the number a row would get is its LEVEL.
  const bool prior = AnyInBlock(q->connect_by, [](const sql::Expr *e) {
    return e->kind == ExprKind::kUnary && e->op == Op::kPrior;
  });
  const bool rownumIsLevel = !joined && info->dual && !prior && q->where == nullptr &&
                             AnyInBlock(q->connect_by, isRownum);
  if (MentionsPseudo(q, "ROWNUM")) {
    bool flat = q->group_by.empty() && q->having == nullptr && q->quantifier != 1 &&
                (q->order_by.empty() || q->order_siblings) && q->fetch == nullptr &&
                q->offset == nullptr && (rownumIsLevel || !AnyInBlock(q->connect_by, isRownum)) &&
                !AnyInBlock(q->start_with, isRownum);
    const auto windowed = [](const sql::Expr *e) {
      return IsAggregateCall(e) || (e->kind == ExprKind::kFunction && e->extra != nullptr &&
                                    e->extra->over != nullptr);
    };
    for (const SelectItem *item : q->items) flat = flat && !AnyInBlock(item->expr, windowed);
    if (!flat) Unsupported(q->pos);
    for (size_t i = 0; i < after.size();) {
      const sql::Expr *c = after[i];
      if (!AnyInBlock(c, isRownum)) {
        ++i;
        continue;
      }
      // A value fixed for the block: literals, binds and functions of them.
      const auto bound = [&](const sql::Expr *e) {
        return !AnyInBlock(e, [&](const sql::Expr *x) {
          if (x->query != nullptr) return true;
          if (x->kind != ExprKind::kName) return false;
          const ExprInfo *i = r_.Info(x);
          return i == nullptr || i->binding != NameBinding::kPseudo || i->column == "ROWNUM" ||
                 i->column == "ROWID" || i->column == "LEVEL";
        });
      };
      const bool compared = c->kind == ExprKind::kBinary && c->op >= Op::kEq && c->op <= Op::kGe &&
                            ((IsRownum(c->left) && bound(c->right)) ||
                             (IsRownum(c->right) && bound(c->left)));
      const bool between = c->kind == ExprKind::kBetween && !(c->flags & kNegated) &&
                           IsRownum(c->left) && bound(c->right) && bound(c->third);
      if (!compared && !between) Unsupported(StartOf(c));
      rownumLimits.push_back(c);
      after.erase(after.begin() + static_cast<std::ptrdiff_t>(i));
    }
    rownum_ = "row_number() OVER ()";
  }
  std::vector<const sql::Expr *> joining;
  if (joined) HierarchyJoin(q, &joining, &after);
  // Kept past this call: the block's ORDER BY, which Query() writes next,
  // reads it too (Query() puts back the outer block's).
  hier_storage_.push_back(std::make_unique<Hierarchy>());
  Hierarchy &h = *hier_storage_.back();
  h.alias = joined ? std::string_view(kJoinedRows) : info->alias;
  h.nocycle = q->nocycle;
  h.rownum_is_level = rownumIsLevel;
  // What the select list, WHERE and ORDER BY read from the rows' history.
  const auto carried = [&](const sql::Expr *e) {
    const bool prior = e->kind == ExprKind::kUnary &&
                       (e->op == Op::kPrior || e->op == Op::kConnectByRoot);
    if (IsHierarchyFunction(e) && e->args.size != 2) throw SemanticError(909, e->pos);
    if (prior || IsHierarchyFunction(e)) h.carried.push_back(e);
    return false;
  };
  for (const SelectItem *item : q->items) AnyInBlock(item->expr, carried);
  AnyInBlock(q->where, carried);
  AnyInBlock(q->having, carried);
  for (const sql::Expr *g : q->group_by) AnyInBlock(g, carried);
  if (!q->order_siblings) {
    for (const OrderItem *o : q->order_by) AnyInBlock(o->expr, carried);
  }
  // The PRIOR expressions of CONNECT BY: their values along a path show a loop.
  std::vector<const sql::Expr *> keys;
  AnyInBlock(q->connect_by, [&](const sql::Expr *e) {
    if (e->kind == ExprKind::kUnary && e->op == Op::kPrior) keys.push_back(e->left);
    return false;
  });
  hier_ = &h;
  const auto key = [&]() {
    bool first = true;
    for (const sql::Expr *k : keys) {
      if (!first) Put(" || char(2) || ");
      first = false;
      Put("quote(");
      Expr(k);
      Put(")");
    }
  };
  // Loop detection. When the parent is seen only through PRIOR, a repeat
  // of the PRIOR values along a path repeats the children below it for
  // ever, and a path longer than the item's row count must repeat a row:
  // the two come to the same, so a depth bound suffices and costs a
  // comparison per row. NOCYCLE (which must leave out exactly the
  // repeating row) and a LEVEL in CONNECT BY (which may end the path)
  // compare each row's keys with its ancestors'.
  const bool levelInConnect = AnyInBlock(q->connect_by, [&](const sql::Expr *e) {
    const ExprInfo *i = e->kind == ExprKind::kName ? r_.Info(e) : nullptr;
    return i != nullptr && i->binding == NameBinding::kPseudo && i->column == "LEVEL";
  });
  const bool exact = !keys.empty() && (q->nocycle || levelInConnect);
  const bool bounded = !keys.empty() && !exact;
  // Paths are kept only for what reads them: CONNECT_BY_ISLEAF and
  // CONNECT_BY_ISCYCLE.
  const bool leaf = MentionsPseudo(q, "CONNECT_BY_ISLEAF");
  const bool cycle = q->nocycle && MentionsPseudo(q, "CONNECT_BY_ISCYCLE");
  const bool paths = leaf || cycle;
  // A stored table read in its own order numbers siblings by rowid; else
  // "kestrel$s" numbers the item's rows first.
  const bool direct = !joined && info->table != nullptr && !q->order_siblings;
  // The FROM item, or the joined rows with the columns the block reads.
  const std::vector<WrappedColumn> *columns = wrapped_;
  const auto source = [&]() {
    if (!joined) return From(t);
    wrapped_ = nullptr;
    Put("(SELECT ");
    for (size_t i = 0; i < columns->size(); ++i) {
      const WrappedColumn &c = (*columns)[i];
      if (i > 0) Put(", ");
      if (!c.joined) {
        Ident(c.source);
        Put(".");
      }
      Ident(c.column);
      Put(" AS \"kestrel$c");
      Put(std::to_string(i));
      Put("\"");
    }
    if (columns->empty()) Put("1 AS \"kestrel$c\"");
    FromWhere(q, joining);
    Put(") AS ");
    Ident(kJoinedRows);
    wrapped_ = columns;
  };
  const std::string alias = [&]() {
    std::string saved;
    std::swap(saved, out_);
    Ident(h.alias);
    std::swap(saved, out_);
    return saved;
  }();
  const std::string seq = alias + (direct ? ".rowid" : ".\"kestrel$seq\"");
  // (Counted from the FROM item itself: the client's authorizer refuses
  // a count of the engine-named "kestrel$s".)
  const auto rowCount = [&]() {
    Put("(SELECT count(*) FROM ");
    source();
    Put(")");
  };

  h.phase = Hierarchy::kSelect;
  SelectList(q);
  h.phase = Hierarchy::kStart;
  Put(" FROM (WITH RECURSIVE ");
  if (!direct) {
    Put("\"kestrel$s\" AS (SELECT ");
    Put(alias);
    Put(".*, row_number() OVER (");
    if (q->order_siblings) OrderKeys(q->order_by, nullptr);
    Put(") AS \"kestrel$seq\" FROM ");
    source();
    Put("), ");
  }
  const auto rows = [&]() {
    if (direct) return From(t);
    Put("\"kestrel$s\" AS ");
    Put(alias);
  };
  Put("\"kestrel$t\" AS (SELECT ");
  Put(alias);
  Put(".*, 1 AS \"kestrel$level\"");
  if (direct) {
    Put(", ");
    Put(seq);
    Put(" AS \"kestrel$seq\"");
  }
  if (paths) {
    Put(", kestrel_path(NULL, ");
    Put(seq);
    Put(") AS \"kestrel$path\"");
  }
  if (exact) {
    Put(", char(1) || ");
    key();
    Put(" || char(1) AS \"kestrel$keys\", 0 AS \"kestrel$loop\"");
  }
  for (size_t i = 0; i < h.carried.size(); ++i) {
    const sql::Expr *c = h.carried[i];
    Put(", ");
    if (c->kind == ExprKind::kUnary && c->op == Op::kPrior) {
      Put("NULL");  // a root has no parent
    } else if (c->kind == ExprKind::kUnary) {
      Expr(c->left);
    } else {
      Put("concat(");
      AsText(static_cast<const sql::Expr *>(c->args.first->next));
      Put(", ");
      AsText(c->args.first);
      Put(")");
    }
    Put(" AS \"kestrel$v");
    Put(std::to_string(i));
    Put("\"");
  }
  Put(" FROM ");
  rows();
  if (q->start_with != nullptr) {
    Put(" WHERE ");
    Expr(q->start_with);
  }
  h.phase = Hierarchy::kConnect;
  Put(" UNION ALL SELECT ");
  Put(alias);
  Put(".*, ");
  if (bounded) {
    Put("CASE WHEN \"kestrel$p\".\"kestrel$level\" < ");
    rowCount();
    Put(" THEN \"kestrel$p\".\"kestrel$level\" + 1 ELSE kestrel_raise(1436) END");
  } else {
    Put("\"kestrel$p\".\"kestrel$level\" + 1");
  }
  if (direct) {
    Put(", ");
    Put(seq);
  }
  if (paths) {
    Put(", kestrel_path(\"kestrel$p\".\"kestrel$path\", ");
    Put(seq);
    Put(")");
  }
  if (exact) {
    Put(", \"kestrel$p\".\"kestrel$keys\" || ");
    key();
    Put(" || char(1), CASE WHEN kestrel_seen(\"kestrel$p\".\"kestrel$keys\", char(1) || ");
    key();
    Put(q->nocycle ? " || char(1)) THEN 1 ELSE 0 END"
                   : " || char(1)) THEN kestrel_raise(1436) ELSE 0 END");
  }
  for (size_t i = 0; i < h.carried.size(); ++i) {
    const sql::Expr *c = h.carried[i];
    Put(", ");
    if (c->kind == ExprKind::kUnary && c->op == Op::kPrior) {
      h.in_prior = true;
      Expr(c->left);
      h.in_prior = false;
    } else if (c->kind == ExprKind::kUnary) {
      Put("\"kestrel$p\".\"kestrel$v");
      Put(std::to_string(i));
      Put("\"");
    } else {
      Put("concat(\"kestrel$p\".\"kestrel$v");
      Put(std::to_string(i));
      Put("\", concat(");
      AsText(static_cast<const sql::Expr *>(c->args.first->next));
      Put(", ");
      AsText(c->args.first);
      Put("))");
    }
  }
  Put(" FROM \"kestrel$t\" AS \"kestrel$p\" JOIN ");
  rows();
  Put(" ON ");
  Expr(q->connect_by);
  if (exact) Put(" WHERE \"kestrel$p\".\"kestrel$loop\" = 0");
  // Taking the deepest rows first makes SQLite's queue a stack: the rows
  // come out depth first. The rows of the deepest level waiting are always
  // the children of one parent, so their sibling numbers order them.
  Put(" ORDER BY \"kestrel$level\" DESC, \"kestrel$seq\")");
  // A row is a leaf when the next in depth-first order is not its child
  // (worked out only when asked for, as is CONNECT_BY_ISCYCLE).
  Put(" SELECT *");
  if (leaf) {
    Put(", CASE WHEN lead(\"kestrel$level\") OVER (ORDER BY \"kestrel$path\")"
        " > \"kestrel$level\" THEN 0 ELSE 1 END AS \"kestrel$leaf\"");
  }
  if (cycle) {
    Put(", EXISTS (SELECT 1 FROM \"kestrel$t\" AS \"kestrel$x\" WHERE \"kestrel$x\".\"kestrel$loop\" = 1"
        " AND \"kestrel$x\".\"kestrel$level\" = \"kestrel$t\".\"kestrel$level\" + 1"
        " AND substr(\"kestrel$x\".\"kestrel$path\", 1, length(\"kestrel$t\".\"kestrel$path\"))"
        " = \"kestrel$t\".\"kestrel$path\") AS \"kestrel$cycle\"");
  }
  Put(" FROM \"kestrel$t\") AS ");
  Put(alias);
  h.phase = Hierarchy::kSelect;
  bool first = true;
  if (exact) {
    Put(" WHERE ");
    Put(alias);
    Put(".\"kestrel$loop\" = 0");
    first = false;
  }
  for (const sql::Expr *c : after) {
    Put(first ? " WHERE " : " AND ");
    first = false;
    Expr(c);
  }
  GroupBy(q);
  bool grouped = !q->group_by.empty() || q->having != nullptr || q->quantifier == 1;
  for (const SelectItem *item : q->items) grouped = grouped || AnyInBlock(item->expr, IsAggregateCall);
  // Rows come depth first from the queue, unless a window sorted them by
  // path to find the leaves.
  if (!grouped && paths && (q->order_by.empty() || q->order_siblings)) {
    Put(" ORDER BY ");
    Put(alias);
    Put(".\"kestrel$path\"");
  }
  if (!rownumLimits.empty()) RownumLimit(rownumLimits);
}

}  // namespace kestrel_engine::sql
