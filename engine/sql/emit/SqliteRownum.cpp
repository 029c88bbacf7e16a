/*
** ROWNUM and ROWID in SQLite's SQL. Oracle numbers a block's rows as they
** pass its WHERE, before GROUP BY, DISTINCT and ORDER BY, and a row that
** fails a ROWNUM condition does not use up its number: so `ROWNUM > 1` and
** `ROWNUM = 2` keep no row, and every condition on ROWNUM alone comes down
** to "the first n rows". Such conditions become a LIMIT; ROWNUM itself is
** row_number() OVER (), counted where the rows leave the WHERE. A block
** that groups, sorts, removes duplicates or has analytic functions
** numbers its rows in a wrapped copy of its one FROM item, which keeps the
** item's name (and carries its rowid when the block also names ROWID), or
** over several FROM items in an inline view of the columns it reads.
** ROWNUM tested beside columns or under OR cannot be a LIMIT: whether a
** row is kept depends on how many were kept before it, so those blocks
** number their rows with kestrel_rownum (functions/RownumFunction.cpp),
** which runs the conditions as a small program, and keep the rows it
** numbers.
*/
#include <functional>

#include "sql/emit/SqliteWalk.h"
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

namespace {

constexpr char kUnlimited[] = "9223372036854775807";

}  // namespace

bool SqliteWriter::MentionsPseudo(const sql::Query *q, std::string_view name) const {
  const auto is = [&](const sql::Expr *e) {
    if (e->kind != ExprKind::kName) return false;
    const ExprInfo *info = r_.Info(e);
    return info != nullptr && info->binding == NameBinding::kPseudo && info->column == name;
  };
  for (const SelectItem *item : q->items) {
    if (AnyInBlock(item->expr, is)) return true;
  }
  for (const sql::Expr *g : q->group_by) {
    if (AnyInBlock(g, is)) return true;
  }
  for (const OrderItem *o : q->order_by) {
    if (AnyInBlock(o->expr, is)) return true;
  }
  return AnyInBlock(q->where, is) || AnyInBlock(q->having, is);
}

void SqliteWriter::Pseudo(const sql::Expr *e, const ExprInfo &info) {
  if (info.column == "ROWNUM" && hier_ != nullptr && hier_->rownum_is_level &&
      hier_->phase != Hierarchy::kSelect) {
    return HierarchyPseudo(e, "LEVEL");
  }
  if (info.column == "ROWNUM" && !rownum_.empty()) return Put(rownum_);
  if (info.column == "ROWID" && !info.source.empty()) {
    Ident(info.source);
    const bool carried = info.source.data() == rowid_carried_.data() &&
                         info.source.size() == rowid_carried_.size();
    return Put(carried ? ".\"kestrel$rowid\"" : ".rowid");
  }
  if (info.column == "LEVEL" || info.column == "CONNECT_BY_ISLEAF" ||
      info.column == "CONNECT_BY_ISCYCLE") {
    return HierarchyPseudo(e, info.column);
  }
  Unsupported(e->pos);  // ROWNUM outside a block, ROWID of a view or a join
}

// The number of rows the ROWNUM conditions let through, as a LIMIT: each
// condition keeps a first run of rows (possibly none, possibly all), and
// together they keep the shortest. NULL keeps none.
void SqliteWriter::RownumLimit(const std::vector<const sql::Expr *> &conditions) {
  Put(" LIMIT max(0, coalesce(");
  if (conditions.size() > 1) Put("min(");
  bool first = true;
  for (const sql::Expr *c : conditions) {
    if (!first) Put(", ");
    first = false;
    // Bring ROWNUM to the left: `k > ROWNUM` is `ROWNUM < k`.
    Op op = c->op;
    const sql::Expr *k = c->right;
    if (c->kind == ExprKind::kBinary && c->right->kind == ExprKind::kName) {
      const ExprInfo *info = r_.Info(c->right);
      if (info != nullptr && info->binding == NameBinding::kPseudo) {
        k = c->left;
        op = op == Op::kLt ? Op::kGt : op == Op::kGt ? Op::kLt : op == Op::kLe ? Op::kGe
             : op == Op::kGe ? Op::kLe : op;
      }
    }
    if (c->kind == ExprKind::kBetween) {
      // ROWNUM BETWEEN a AND b: from 1 when a <= 1, up to b.
      Put("CASE WHEN ");
      AsNumber(c->right);
      Put(" <= 1 THEN CAST(floor(");
      AsNumber(c->third);
      Put(") AS INTEGER) WHEN ");
      AsNumber(c->right);
      Put(" > 1 THEN 0 END");
      continue;
    }
    switch (op) {
      case Op::kLt: case Op::kLe:
        Put(op == Op::kLt ? "CAST(ceil(" : "CAST(floor(");
        AsNumber(k);
        Put(op == Op::kLt ? ") AS INTEGER) - 1" : ") AS INTEGER)");
        break;
      case Op::kEq:
        Put("CASE WHEN ");
        AsNumber(k);
        Put(" = 1 THEN 1 WHEN ");
        AsNumber(k);
        Put(" <> 1 THEN 0 END");
        break;
      case Op::kGt: case Op::kGe:
        Put("CASE WHEN ");
        AsNumber(k);
        Put(op == Op::kGt ? " < 1 THEN " : " <= 1 THEN ");
        Put(kUnlimited);
        Put(" WHEN ");
        AsNumber(k);
        Put(op == Op::kGt ? " >= 1 THEN 0 END" : " > 1 THEN 0 END");
        break;
      case Op::kNe:
        // Stops at the row numbered k, when k is a row number at all.
        Put("CASE WHEN ");
        AsNumber(k);
        Put(" >= 1 AND ");
        AsNumber(k);
        Put(" = floor(");
        AsNumber(k);
        Put(") THEN ");
        AsNumber(k);
        Put(" - 1 WHEN ");
        AsNumber(k);
        Put(" IS NOT NULL THEN ");
        Put(kUnlimited);
        Put(" END");
        break;
      default:
        Unsupported(c->pos);
    }
  }
  if (conditions.size() > 1) Put(")");
  Put(", 0))");
}

bool SqliteWriter::IsRownum(const sql::Expr *e) const {
  if (e == nullptr || e->kind != ExprKind::kName) return false;
  const ExprInfo *info = r_.Info(e);
  return info != nullptr && info->binding == NameBinding::kPseudo && info->column == "ROWNUM";
}

// Appends condition `c`'s steps to kestrel_rownum's program and writes
// their arguments (each after a comma). ROWNUM may be compared with
// anything of the row; other uses of it are not written yet.
void SqliteWriter::RownumProgram(const sql::Expr *c, std::string *program) {
  const auto isRownum = [&](const sql::Expr *e) { return IsRownum(e); };
  const auto free = [&](const sql::Expr *e) { return !AnyInBlock(e, isRownum); };
  if (free(c)) {
    *program += 'v';
    Put(", (");
    Expr(c);
    Put(")");
    return;
  }
  switch (c->kind) {
    case ExprKind::kLogical: {
      bool first = true;
      for (const sql::Expr *a : c->args) {
        RownumProgram(a, program);
        if (!first) *program += c->op == Op::kAnd ? '&' : '|';
        first = false;
      }
      return;
    }
    case ExprKind::kUnary:
      if (c->op != Op::kNot) break;
      RownumProgram(c->left, program);
      *program += '~';
      return;
    case ExprKind::kBinary: {
      if (c->op < Op::kEq || c->op > Op::kGe) break;
      const bool left = IsRownum(c->left) && free(c->right);
      if (!left && !(IsRownum(c->right) && free(c->left))) break;
      // Bring ROWNUM to the left: `k > ROWNUM` is `ROWNUM < k`.
      static constexpr char kLeft[] = "=!<l>g", kRight[] = "=!>g<l";
      const int at = static_cast<int>(c->op) - static_cast<int>(Op::kEq);
      *program += left ? kLeft[at] : kRight[at];
      Put(", ");
      AsNumber(left ? c->right : c->left);
      return;
    }
    case ExprKind::kBetween:
      if (!IsRownum(c->left) || !free(c->right) || !free(c->third)) break;
      *program += (c->flags & kNegated) ? "b~" : "b";
      Put(", ");
      AsNumber(c->right);
      Put(", ");
      AsNumber(c->third);
      return;
    case ExprKind::kIn: {
      if (!IsRownum(c->left) || c->query != nullptr || c->args.size == 0) break;
      bool first = true;
      for (const sql::Expr *a : c->args) {
        if (!free(a)) Unsupported(StartOf(a));
        *program += first ? "=" : "=|";
        first = false;
        Put(", ");
        AsNumber(a);
      }
      if (c->flags & kNegated) *program += '~';
      return;
    }
    default:
      break;
  }
  Unsupported(StartOf(c));
}

// kestrel_rownum over the block's ROWNUM conditions, ANDed.
void SqliteWriter::RownumCounted(const std::vector<const sql::Expr *> &conditions) {
  std::string program;
  const std::string args = Captured([&]() {
    for (size_t i = 0; i < conditions.size(); ++i) {
      RownumProgram(conditions[i], &program);
      if (i > 0) program += '&';
    }
  });
  Put("kestrel_rownum(");
  Literal(program);
  Put(args);
  Put(") OVER (ROWS UNBOUNDED PRECEDING)");
}

void SqliteWriter::RownumBlock(const sql::Query *q) {
  const auto isRownum = [&](const sql::Expr *e) { return IsRownum(e); };
  // A bound is a value fixed for the block: literals, binds, arithmetic
  // and functions of them.
  const auto isBound = [&](const sql::Expr *e) {
    return !AnyInBlock(e, [&](const sql::Expr *x) {
      if (x->query != nullptr) return true;
      if (x->kind != ExprKind::kName) return false;
      const ExprInfo *info = r_.Info(x);
      return info == nullptr || info->binding != NameBinding::kPseudo ||
             info->column == "ROWNUM" || info->column == "ROWID" || info->column == "LEVEL";
    });
  };
  // The WHERE's conditions on ROWNUM, and the rest.
  std::vector<const sql::Expr *> conditions, rest = Conjuncts(q->where);
  bool counted = false;  // a condition a LIMIT cannot stand for
  for (size_t i = 0; i < rest.size();) {
    const sql::Expr *c = rest[i];
    if (!AnyInBlock(c, isRownum)) {
      ++i;
      continue;
    }
    const bool compared = c->kind == ExprKind::kBinary && c->op >= Op::kEq && c->op <= Op::kGe &&
                          ((isRownum(c->left) && isBound(c->right)) ||
                           (isRownum(c->right) && isBound(c->left)));
    const bool between = c->kind == ExprKind::kBetween && !(c->flags & kNegated) &&
                         isRownum(c->left) && isBound(c->right) && isBound(c->third);
    if (!compared && !between) counted = true;  // ROWNUM beside columns, under OR, IN
    conditions.push_back(c);
    rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(i));
  }
  const auto where = [&]() {
    if (rest.empty()) return;
    Put(" WHERE ");
    bool first = true;
    for (const sql::Expr *c : rest) {
      if (!first) Put(" AND ");
      first = false;
      Expr(c);
    }
  };
  bool flat = q->group_by.empty() && q->having == nullptr && q->quantifier != 1 &&
              q->order_by.empty() && q->fetch == nullptr && q->offset == nullptr && !counted;
  // Analytic functions, like aggregates, see only the numbered rows kept;
  // a LIMIT in the same block would come after them.
  const auto windowed = [](const sql::Expr *e) {
    return IsAggregateCall(e) || (e->kind == ExprKind::kFunction && e->extra != nullptr &&
                                  e->extra->over != nullptr);
  };
  for (const SelectItem *item : q->items) flat = flat && !AnyInBlock(item->expr, windowed);
  // Query() puts back the outer block's ROWNUM and ROWID after this
  // block's ORDER BY, which may name them too.
  const std::string_view outerRowid = rowid_carried_;
  if (flat) {
    rownum_ = "row_number() OVER ()";
    SelectList(q);
    FromWhere(q, rest);
    if (!conditions.empty()) RownumLimit(conditions);
    return;
  }
  // Numbered in a wrapped copy of the FROM item, which keeps its name.
  const TableRef *t = q->from.size == 1 ? q->from.first : nullptr;
  if (t == nullptr || t->kind == TableKind::kJoin) {
    return RownumJoinBlock(q, conditions, rest, counted);
  }
  const SourceInfo *info = r_.Source(t);
  const std::string_view alias = info != nullptr ? info->alias : std::string_view();
  const bool rowid = info != nullptr && info->table != nullptr && MentionsPseudo(q, "ROWID");
  std::string numbered;
  if (!alias.empty()) {
    std::swap(numbered, out_);
    Ident(alias);
    Put(".");
    std::swap(numbered, out_);
  }
  // The select list, GROUP BY, HAVING and ORDER BY read the wrapper.
  rownum_ = numbered + "\"kestrel$rownum\"";
  if (rowid) rowid_carried_ = alias;
  SelectList(q);
  rownum_ = "row_number() OVER ()";
  rowid_carried_ = outerRowid;
  Put(" FROM (SELECT *, ");
  if (rowid) {
    Ident(alias);
    Put(".rowid AS \"kestrel$rowid\", ");
  }
  if (counted) {
    RownumCounted(conditions);
  } else {
    Put("row_number() OVER ()");
  }
  Put(" AS \"kestrel$rownum\" FROM ");
  From(t);
  where();
  if (!conditions.empty() && !counted) RownumLimit(conditions);
  Put(")");
  if (!alias.empty()) {
    Put(" AS ");
    Ident(alias);
  }
  rownum_ = numbered + "\"kestrel$rownum\"";
  if (counted) {
    Put(" WHERE ");
    Put(rownum_);
    Put(" > 0");
  }
  if (rowid) rowid_carried_ = alias;
  GroupBy(q);
}

// Several FROM items (or a join): the rows are made and numbered in an
// inline view giving every column of theirs the block reads.
void SqliteWriter::AddWrapped(std::vector<WrappedColumn> *columns, std::string_view source,
                              std::string_view column, bool joined) {
  for (const WrappedColumn &c : *columns) {
    if (c.source.data() == source.data() && c.column == column && c.joined == joined) return;
  }
  columns->push_back({source, column, joined});
}

void SqliteWriter::ReadWrapped(const sql::Expr *e, const std::function<bool(std::string_view)> &own,
                               bool joinedNames, std::vector<WrappedColumn> *columns) {
  if (e->kind == ExprKind::kStar) {
    const auto found = r_.stars.find(e);
    if (found == r_.stars.end()) return;
    for (const StarColumn &c : found->second) {
      if (c.source.empty() || own(c.source)) AddWrapped(columns, c.source, c.column, c.source.empty());
    }
    return;
  }
  if (e->kind != ExprKind::kName) return;
  const ExprInfo *info = r_.Info(e);
  if (info != nullptr && info->binding == NameBinding::kColumn &&
      ((joinedNames && info->joined) || own(info->source))) {
    AddWrapped(columns, info->source, info->column, info->joined);
  }
}

std::vector<std::string_view> SqliteWriter::FromAliases(const sql::Query *q) {
  std::vector<std::string_view> aliases;
  const std::function<void(const TableRef *)> collect = [&](const TableRef *t) {
    if (t->kind == TableKind::kJoin) {
      collect(t->left);
      collect(t->right);
      return;
    }
    const SourceInfo *info = r_.Source(t);
    if (info == nullptr || info->alias.empty()) Unsupported(t->pos);
    aliases.push_back(info->alias);
  };
  for (const TableRef *t : q->from) collect(t);
  return aliases;
}

void SqliteWriter::RownumJoinBlock(const sql::Query *q,
                                   const std::vector<const sql::Expr *> &conditions,
                                   const std::vector<const sql::Expr *> &rest, bool counted) {
  if (q->from.empty() || MentionsPseudo(q, "ROWID")) Unsupported(q->pos);
  const std::vector<std::string_view> aliases = FromAliases(q);
  const auto ours = [&](std::string_view source) {
    for (const std::string_view a : aliases) {
      if (a.data() == source.data() && a.size() == source.size()) return true;
    }
    return false;
  };
  wrapped_storage_.push_back(std::make_unique<std::vector<WrappedColumn>>());
  std::vector<WrappedColumn> &columns = *wrapped_storage_.back();
  const auto read = [&](const sql::Expr *e) { ReadWrapped(e, ours, false, &columns); };
  for (const SelectItem *item : q->items) ForEachExprDeep(item->expr, read);
  for (const sql::Expr *g : q->group_by) ForEachExprDeep(g, read);
  ForEachExprDeep(q->having, read);
  for (const OrderItem *o : q->order_by) ForEachExprDeep(o->expr, read);
  // The select list reads the wrapper; the wrapper's own text goes where
  // FROM does.
  rownum_ = "\"kestrel$w\".\"kestrel$rownum\"";
  wrapped_ = &columns;
  SelectList(q);
  wrapped_ = nullptr;
  rownum_ = "row_number() OVER ()";
  Put(" FROM (SELECT ");
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!columns[i].joined) {
      Ident(columns[i].source);
      Put(".");
    }
    Ident(columns[i].column);
    Put(" AS \"kestrel$c");
    Put(std::to_string(i));
    Put("\", ");
  }
  if (counted) {
    RownumCounted(conditions);
  } else {
    Put("row_number() OVER ()");
  }
  Put(" AS \"kestrel$rownum\"");
  FromWhere(q, rest);
  if (!conditions.empty() && !counted) RownumLimit(conditions);
  Put(") AS \"kestrel$w\"");
  rownum_ = "\"kestrel$w\".\"kestrel$rownum\"";
  if (counted) Put(" WHERE \"kestrel$w\".\"kestrel$rownum\" > 0");
  wrapped_ = &columns;
  GroupBy(q);
}

bool SqliteWriter::WrappedName(const ExprInfo &info) {
  for (size_t i = 0; i < wrapped_->size(); ++i) {
    const WrappedColumn &c = (*wrapped_)[i];
    if (c.column == info.column && c.joined == info.joined &&
        (c.joined || (c.source.data() == info.source.data() && c.source.size() == info.source.size()))) {
      Put("\"kestrel$w\".\"kestrel$c");
      Put(std::to_string(i));
      Put("\"");
      return true;
    }
  }
  return false;
}

}  // namespace kestrel_engine::sql
