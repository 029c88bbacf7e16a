/*
** Queries and DML in SQLite's SQL. FROM items are always written with
** their name (the alias, or the table's name) so that every column can be
** written qualified; DUAL is a one-row subquery, which also works inside
** views kept in the database. Oracle sorts NULLs last ascending and first
** descending, so every ORDER BY item says which. FOR UPDATE is dropped:
** the resolved statement's for_update tells the caller to take the write
** lock.
*/
#include "sql/emit/Backend.h"
#include "sql/emit/SqliteWriter.h"

#include <vector>

namespace kestrel_engine::sql {

Backend::~Backend() = default;

std::string SqliteBackend::Emit(const ResolvedStatement &statement) {
  SqliteWriter w(statement);
  w.Statement(*statement.statement);
  return w.Take();
}

void SqliteWriter::Statement(const sql::Statement &s) {
  switch (s.kind) {
    case StmtKind::kSelect:
      return Query(static_cast<const SelectStmt &>(s).query);
    case StmtKind::kInsert:
      return Insert(static_cast<const InsertStmt &>(s));
    case StmtKind::kUpdate:
      return Update(static_cast<const UpdateStmt &>(s));
    case StmtKind::kDelete:
      return Delete(static_cast<const DeleteStmt &>(s));
    case StmtKind::kMerge: case StmtKind::kMultiInsert: {
      bool first = true;
      for (EmittedStep &step : s.kind == StmtKind::kMerge
                                   ? Merge(static_cast<const MergeStmt &>(s))
                                   : MultiInsert(static_cast<const MultiInsertStmt &>(s))) {
        if (!first) Put(";\n");
        first = false;
        Put(step.sql);
      }
      return;
    }
    default:
      Unsupported(s.pos);
  }
}

void SqliteWriter::With(const sql::List<Cte> &with) {
  if (with.empty()) return;
  Put("WITH ");
  bool first = true;
  for (const Cte *c : with) {
    if (!first) Put(", ");
    first = false;
    if (c->search != 0 || !c->cycle.empty()) {
      SearchCycleCte(c);
      continue;
    }
    Ident(c->name->name);
    if (!c->columns.empty()) {
      Put("(");
      bool firstColumn = true;
      for (const sql::Ident *col : c->columns) {
        if (!firstColumn) Put(", ");
        firstColumn = false;
        Ident(col->name);
      }
      Put(")");
    }
    Put(" AS (");
    Query(c->query);
    Put(")");
  }
  Put(" ");
}

void SqliteWriter::Query(const sql::Query *q) {
  const std::string outerRownum = rownum_;
  const std::string_view outerRowid = rowid_carried_;
  const auto *outerWrapped = wrapped_;
  Hierarchy *outerHierarchy = hier_;
  With(q->with);
  QueryBody(q);
  // ORDER SIBLINGS BY and the ORDER BY of grouping sets: written by the block
  if (!q->order_siblings && !UsesGroupingSets(q)) Order(q->order_by);
  Limit(q);
  rownum_ = outerRownum;
  rowid_carried_ = outerRowid;
  wrapped_ = outerWrapped;
  hier_ = outerHierarchy;
}

void SqliteWriter::QueryBody(const sql::Query *q) {
  switch (q->kind) {
    case QueryKind::kBlock:
      return Block(q);
    case QueryKind::kParens:
      // Outer clauses on a parenthesised query: read it as an inline view.
      // (A WITH inside one that has its own: SQLite takes one WITH per
      // SELECT, so the inner one becomes an inline view too.)
      if (q->order_by.empty() && q->fetch == nullptr && q->offset == nullptr &&
          q->with.empty()) {
        return Query(q->left);
      }
      Put("SELECT * FROM (");
      Query(q->left);
      return Put(")");
    case QueryKind::kSetOp:
      if (q->all && q->op != SetOp::kUnion) return SetAll(q);
      SetMember(q->left);
      Put(q->op == SetOp::kUnion ? (q->all ? " UNION ALL " : " UNION ")
                                 : q->op == SetOp::kIntersect ? " INTERSECT " : " EXCEPT ");
      return SetMember(q->right);
  }
}

// SQLite's compound members are plain SELECTs: anything with its own WITH,
// ORDER BY or row limit becomes an inline view.
void SqliteWriter::SetMember(const sql::Query *q) {
  // (A block numbering its rows may end in its own LIMIT, a hierarchy in
  // its own ORDER BY.)
  const bool plain = q->with.empty() && q->order_by.empty() && q->fetch == nullptr &&
                     q->offset == nullptr &&
                     (q->kind != QueryKind::kBlock ||
                      (!MentionsPseudo(q, "ROWNUM") && q->connect_by == nullptr));
  // Left-nested set operations read left to right in both dialects.
  if (plain && q->kind == QueryKind::kSetOp) return QueryBody(q);
  if (plain && q->kind == QueryKind::kBlock) return Block(q);
  Put("SELECT * FROM (");
  Query(q);
  Put(")");
}

void SqliteWriter::Block(const sql::Query *q) {
  if (q->start_with != nullptr || q->connect_by != nullptr) return HierarchyBlock(q);
  if (NestedAggregateBlock(q) || GroupingSetsBlock(q)) return;
  if (MentionsPseudo(q, "ROWNUM")) return RownumBlock(q);
  SelectList(q);
  FromWhere(q, Conjuncts(q->where));
  GroupBy(q);
}

void SqliteWriter::SelectList(const sql::Query *q) {
  Put("SELECT ");
  if (q->quantifier == 1) Put("DISTINCT ");
  bool first = true;
  uint32_t position = 0;
  for (const SelectItem *item : q->items) {
    if (!first) Put(", ");
    first = false;
    Expr(item->expr);
    if (q == single_alias_) {
      Put(" AS \"kestrel$q\"");
    } else if (!positional_.empty() && positional_.back() == q) {
      Put(" AS \"kestrel$");
      Put(std::to_string(++position));
      Put("\"");
    } else if (item->alias != nullptr) {
      Put(" AS ");
      Ident(item->alias->name);
    }
  }
  if (search_cycle_ != nullptr && search_cycle_->block == q) search_cycle_->items();
}

void SqliteWriter::FromList(const sql::Query *q) {
  if (q->from.empty()) return;
  Put(" FROM ");
  bool first = true;
  for (const TableRef *t : q->from) {
    if (!first) Put(", ");
    first = false;
    From(t);
  }
}

void SqliteWriter::GroupBy(const sql::Query *q) {
  if (!q->group_by.empty()) {
    Put(" GROUP BY ");
    bool first = true;
    for (const sql::Expr *g : q->group_by) {
      if (g->kind == ExprKind::kRollup || g->kind == ExprKind::kCube ||
          g->kind == ExprKind::kGroupingSets) {
        Unsupported(g->pos);
      }
      if (!first) Put(", ");
      first = false;
      Expr(g);
    }
  }
  if (q->having != nullptr) {
    Put(" HAVING ");
    Expr(q->having);
  }
}

void SqliteWriter::From(const TableRef *t) {
  const SourceInfo *info = r_.Source(t);
  switch (t->kind) {
    case TableKind::kTable:
      if (info == nullptr) Unsupported(t->pos);
      if (info->dual) {
        Put("(SELECT 'X' AS \"DUMMY\")");
      } else if (info->table != nullptr) {
        // A schema-qualified name skips the connection's temporary
        // objects (DUAL and the dictionary views), as the catalog did.
        if (t->name.count == 2) Put("main.");
        Ident(info->table->name);
      } else if (search_cycle_ != nullptr && SameName(t->name.Last(), search_cycle_->self)) {
        Put(search_cycle_->internal);  // a recursive WITH's working copy
      } else {
        Ident(t->name.Last());  // a WITH query
      }
      Put(" AS ");
      return Ident(info->alias);
    case TableKind::kSubquery:
      if (t->lateral) Unsupported(t->pos);
      Put("(");
      Query(t->query);
      Put(")");
      if (info != nullptr && !info->alias.empty()) {
        Put(" AS ");
        Ident(info->alias);
      }
      return;
    case TableKind::kJoin:
      From(t->left);
      if (t->natural) Put(" NATURAL");
      switch (t->join) {
        case JoinKind::kInner: Put(" JOIN "); break;
        case JoinKind::kLeft: Put(" LEFT JOIN "); break;
        case JoinKind::kRight: Put(" RIGHT JOIN "); break;
        case JoinKind::kFull: Put(" FULL JOIN "); break;
        case JoinKind::kCross: Put(" CROSS JOIN "); break;
      }
      if (t->right->kind == TableKind::kJoin) {
        Put("(");
        From(t->right);
        Put(")");
      } else {
        From(t->right);
      }
      if (t->on != nullptr) {
        Put(" ON ");
        Expr(t->on);
      } else if (!t->using_columns.empty()) {
        Put(" USING (");
        bool first = true;
        for (const sql::Ident *c : t->using_columns) {
          if (!first) Put(", ");
          first = false;
          Ident(c->name);
        }
        Put(")");
      }
      return;
    case TableKind::kJsonTable:
      return JsonTable(t);
    case TableKind::kPivot: case TableKind::kUnpivot:
      return Pivot(t);
    default:
      Unsupported(t->pos);
  }
}

void SqliteWriter::Order(const sql::List<OrderItem> &order) {
  if (order.empty()) return;
  Put(" ORDER BY ");
  bool first = true;
  for (const OrderItem *o : order) {
    if (!first) Put(", ");
    first = false;
    Expr(o->expr);
    const bool nullsFirst = o->nulls == 0 ? o->desc : o->nulls == 1;
    Put(o->desc ? " DESC" : "");
    Put(nullsFirst ? " NULLS FIRST" : " NULLS LAST");
  }
}

void SqliteWriter::Target(const TableRef *t, bool alias) {
  const SourceInfo *info = r_.Source(t);
  if (t->kind != TableKind::kTable || info == nullptr || info->table == nullptr) {
    Unsupported(t->pos);
  }
  Ident(info->table->name);
  if (alias) {
    Put(" AS ");
    Ident(info->alias);
  }
}

void SqliteWriter::Insert(const InsertStmt &s) {
  if (s.returning != nullptr && s.returning->bulk) Unsupported(s.returning->pos);
  With(s.with);
  Put("INSERT INTO ");
  Target(s.target, true);
  const CatalogTable &table = *r_.Source(s.target)->table;
  if (table.before_row & 1) return InsertBeforeRow(s, table);
  // The columns written, in order: those named, else all the table's.
  std::vector<std::string_view> columns;
  for (const sql::Ident *c : s.columns) columns.push_back(c->name);
  const bool listed = !columns.empty();
  if (!listed) {
    for (const CatalogColumn &c : table.columns) columns.push_back(c.name);
  }
  // DEFAULT in VALUES: the column is left out, so the table's default
  // (or NULL) goes in.
  std::vector<const sql::Expr *> values;
  std::vector<std::string_view> named;
  bool defaults = false;
  size_t i = 0;
  for (const sql::Expr *v : s.values) {
    if (v->kind == ExprKind::kDefault) {
      defaults = true;
    } else {
      values.push_back(v);
      if (i < columns.size()) named.push_back(columns[i]);
    }
    ++i;
  }
  if (!defaults) named = columns;
  if (defaults && values.empty()) {
    Put(" DEFAULT VALUES");
    return Returning(s.returning);
  }
  if (listed || defaults) {
    Put(" (");
    bool first = true;
    for (const std::string_view c : named) {
      if (!first) Put(", ");
      first = false;
      Ident(c);
    }
    Put(")");
  }
  // Each value is held to its column's type.
  std::vector<const CatalogColumn *> targets;
  for (const std::string_view c : named) targets.push_back(TargetColumn(table, c));
  if (s.query != nullptr) {
    // The query's rows are fitted column by column through a named copy.
    Put(" WITH \"kestrel$rows\"(");
    for (size_t k = 0; k < targets.size(); ++k) Put((k ? ", k" : "k") + std::to_string(k + 1));
    Put(") AS (");
    Query(s.query);
    Put(") SELECT ");
    for (size_t k = 0; k < targets.size(); ++k) {
      if (k) Put(", ");
      const std::string name = "k" + std::to_string(k + 1);
      if (targets[k] == nullptr) {
        Put(name);
      } else {
        FittedText(name, table, *targets[k]);
      }
    }
    Put(" FROM \"kestrel$rows\"");
    return Returning(s.returning);
  }
  Put(" VALUES (");
  for (size_t k = 0; k < values.size(); ++k) {
    if (k) Put(", ");
    if (k < targets.size() && targets[k] != nullptr) {
      Fitted(values[k], table, *targets[k]);
    } else {
      Expr(values[k]);
    }
  }
  Put(")");
  Returning(s.returning);
}

// RETURNING exprs [INTO targets]: SQLite's RETURNING gives the row (the
// caller assigns its columns to the INTO binds, in order); it names the
// target's columns unqualified.
void SqliteWriter::Returning(const sql::Returning *r) {
  if (r == nullptr) return;
  Put(" RETURNING ");
  returning_ = true;
  List(r->exprs);
  returning_ = false;
}

void SqliteWriter::Update(const UpdateStmt &s) {
  if (s.returning != nullptr && s.returning->bulk) Unsupported(s.returning->pos);
  With(s.with);
  Put("UPDATE ");
  Target(s.target, true);
  Put(" SET ");
  if (r_.Source(s.target)->table->before_row & 2) return UpdateBeforeRow(s, *r_.Source(s.target)->table);
  bool first = true;
  for (const SetItem *item : s.set) {
    if (!first) Put(", ");
    first = false;
    if (item->row) Put("(");
    bool firstColumn = true;
    for (const sql::Expr *c : item->columns) {
      if (!firstColumn) Put(", ");
      firstColumn = false;
      const ExprInfo *info = r_.Info(c);
      if (info == nullptr || info->binding != NameBinding::kColumn) Unsupported(c->pos);
      Ident(info->column);
    }
    if (item->row) Put(")");
    Put(" = ");
    const SourceInfo *target = r_.Source(s.target);
    if (item->value->kind == ExprKind::kDefault) {
      if (item->row) Unsupported(item->value->pos);
      ColumnDefault(s.target, r_.Info(item->columns.first)->column, item->value);
      continue;
    }
    if (item->row && item->value->kind == ExprKind::kSubquery && target->table != nullptr) {
      FittedRow(*item, *target->table);
      continue;
    }
    const ExprInfo *info = item->row ? nullptr : r_.Info(item->columns.first);
    const CatalogColumn *column =
        info != nullptr && target->table != nullptr ? TargetColumn(*target->table, info->column)
                                                    : nullptr;
    if (column != nullptr) {
      Fitted(item->value, *target->table, *column);
    } else {
      Expr(item->value);
    }
  }
  if (s.where != nullptr) {
    Put(" WHERE ");
    Expr(s.where);
  }
  Returning(s.returning);
}

// SET col = DEFAULT: the column's default as the schema keeps it (an SQLite
// expression), NULL when it has none.
void SqliteWriter::ColumnDefault(const TableRef *target, std::string_view column,
                                 const sql::Expr *at) {
  const SourceInfo *info = r_.Source(target);
  if (info == nullptr || info->table == nullptr) Unsupported(at->pos);
  const CatalogColumn *c = TargetColumn(*info->table, column);
  if (c == nullptr || c->default_sql.empty()) return Put("NULL");
  Put("(");
  Put(c->default_sql);
  Put(")");
}

void SqliteWriter::Delete(const DeleteStmt &s) {
  if (s.returning != nullptr && s.returning->bulk) Unsupported(s.returning->pos);
  With(s.with);
  Put("DELETE FROM ");
  Target(s.target, true);
  if (s.where != nullptr) {
    Put(" WHERE ");
    Expr(s.where);
  }
  Returning(s.returning);
}

}  // namespace kestrel_engine::sql
