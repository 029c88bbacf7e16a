/*
** Name binding and typing. Scopes nest as queries do: a name is looked up
** in the innermost query's FROM items first, then outward (correlation).
** Inline views see no outer scope, as in Oracle. WITH queries are visible
** to the query that declares them and everything inside it.
*/
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sql/ast/Arena.h"
#include "sql/parse/Lexer.h"
#include "sql/resolve/AnalyticTypes.h"
#include "sql/resolve/JsonTableColumns.h"
#include "sql/resolve/PivotColumns.h"
#include "sql/resolve/FunctionTypes.h"
#include "sql/resolve/Resolve.h"

namespace kestrel_engine::sql {

namespace {

// Virtual columns are computed, never written.
bool IsVirtual(const CatalogTable *table, std::string_view column) {
  if (table == nullptr) return false;
  for (const CatalogColumn &c : table->columns) {
    if (c.virtual_column && SameName(c.name, column)) return true;
  }
  return false;
}

bool IsInterval(const OracleType &t) {
  return t.Is(TypeCategory::kIntervalDS) || t.Is(TypeCategory::kIntervalYM);
}

// Interval arithmetic: interval ± interval of the same kind, interval ×
// number (either side), interval ÷ number. Anything else with an interval
// is ORA-30081.
OracleType IntervalArithmetic(const Expr *e, const OracleType &a, const OracleType &b) {
  const bool ia = IsInterval(a), ib = IsInterval(b);
  const OracleType &interval = ia ? a : b;
  const OracleType &other = ia ? b : a;
  if (other.Is(TypeCategory::kNull)) return interval;
  if (ia && ib) {
    if ((e->op != Op::kAdd && e->op != Op::kSub) || a.category != b.category) {
      throw SemanticError(30081, StartOf(e));
    }
    OracleType t = a;
    t.precision = a.precision > b.precision ? a.precision : b.precision;
    t.scale = a.scale > b.scale ? a.scale : b.scale;
    return t;
  }
  const bool number = other.IsNumeric() || other.IsCharacter();
  if (!number || !(e->op == Op::kMul || (e->op == Op::kDiv && ia))) {
    throw SemanticError(30081, StartOf(e));
  }
  return interval;
}

// ORA-54013 for a value an INSERT gives a virtual column (DEFAULT is
// none).
void CheckInsertable(const CatalogTable *table, const InsertStmt &ins) {
  if (table == nullptr) return;
  for (const Ident *c : ins.columns) {
    if (IsVirtual(table, c->name)) throw SemanticError(54013, c->pos);
  }
  if (!ins.columns.empty()) return;
  size_t k = 0;
  for (const Expr *v : ins.values) {
    if (k < table->columns.size() && table->columns[k].virtual_column &&
        v->kind != ExprKind::kDefault) {
      throw SemanticError(54013, v->pos);
    }
    ++k;
  }
  if (ins.query == nullptr) return;
  for (const CatalogColumn &c : table->columns) {
    if (c.virtual_column) throw SemanticError(54013, ins.query->pos);
  }
}

// The type of a CASE, DECODE, NVL or COALESCE: the first branch's type,
// long enough for every branch's character value.
OracleType Widest(OracleType t, const OracleType &branch) {
  if (t.Is(TypeCategory::kNull)) return branch;
  if (t.IsCharacter() && branch.IsCharacter() && t.length >= 0) {
    t.length = branch.length < 0 ? -1 : std::max(t.length, branch.length);
  }
  return t;
}

std::string UpperName(std::string_view name) {
  std::string out(name);
  for (char &c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return out;
}

// A column as a * shows it: a name without capitals was created unquoted
// in a file whose columns keep the case they were written in, so Oracle
// would show it in capitals; a name with capitals was quoted.
std::string StoredName(std::string_view name) {
  for (const char c : name) {
    if (c >= 'A' && c <= 'Z') return std::string(name);
  }
  return UpperName(name);
}


struct SourceColumn {
  std::string_view name;
  OracleType type;
};

struct Source {
  std::string_view alias;
  std::vector<SourceColumn> columns;
  const CatalogTable *table = nullptr;  // a stored table: it has a ROWID
};

struct Scope {
  Scope *parent = nullptr;
  std::vector<Source> sources;
  std::vector<std::string_view> using_columns;  // JOIN ... USING: never ambiguous
};

struct CteDef {
  std::string_view name;
  std::vector<ColumnInfo> columns;
};

bool IsPseudo(std::string_view n, OracleType *type) {
  static const struct {
    const char *name;
    TypeCategory category;
  } kPseudo[] = {
      {"SYSDATE", TypeCategory::kDate},        {"CURRENT_DATE", TypeCategory::kDate},
      {"SYSTIMESTAMP", TypeCategory::kTimestamp},
      {"CURRENT_TIMESTAMP", TypeCategory::kTimestamp},
      {"LOCALTIMESTAMP", TypeCategory::kTimestamp},
      {"USER", TypeCategory::kVarchar2},       {"UID", TypeCategory::kNumber},
      {"ROWNUM", TypeCategory::kNumber},       {"LEVEL", TypeCategory::kNumber},
      {"ROWID", TypeCategory::kRowid},         {"CONNECT_BY_ISLEAF", TypeCategory::kNumber},
      {"CONNECT_BY_ISCYCLE", TypeCategory::kNumber},
  };
  for (const auto &p : kPseudo) {
    if (n == p.name) {
      *type = MakeType(p.category, p.category == TypeCategory::kVarchar2 ? 128 : -1);
      if (p.category == TypeCategory::kTimestamp) type->precision = 6;
      return true;
    }
  }
  return false;
}

std::string Quoted(std::string_view a, std::string_view b = {}) {
  std::string s = "\"";
  s.append(a.data(), a.size()).append("\"");
  if (!b.empty()) s.append(".\"").append(b.data(), b.size()).append("\"");
  return s;
}

// What qualifies a stored function's name: nothing, its package or owner,
// or OWNER.PACKAGE.
std::string FunctionQualifier(const Name &n) {
  if (n.count < 2) return {};
  std::string q(n.part[0]);
  if (n.count == 3) q.append(".").append(n.part[1]);
  return q;
}

// Structural equality, for GROUP BY matching.
bool SameExpr(const Expr *a, const Expr *b) {
  if (a == nullptr || b == nullptr) return a == b;
  if (a->kind != b->kind || a->op != b->op || a->flags != b->flags || a->text != b->text ||
      a->name.count != b->name.count || a->args.size != b->args.size) {
    return false;
  }
  for (int i = 0; i < a->name.count; ++i) {
    if (a->name.part[i] != b->name.part[i]) return false;
  }
  if (!SameExpr(a->left, b->left) || !SameExpr(a->right, b->right) ||
      !SameExpr(a->third, b->third)) {
    return false;
  }
  const Expr *x = a->args.first;
  const Expr *y = b->args.first;
  for (; x != nullptr; x = static_cast<const Expr *>(x->next),
                       y = static_cast<const Expr *>(y->next)) {
    if (!SameExpr(x, y)) return false;
  }
  return a->query == nullptr && b->query == nullptr;
}

std::string_view FunctionName(const Expr &e, std::string *storage) {
  if (e.name.count <= 1) return e.name.Last();
  storage->clear();
  for (int i = 0; i < e.name.count; ++i) {
    if (i) storage->push_back('.');
    storage->append(e.name.part[i].data(), e.name.part[i].size());
  }
  return *storage;
}

class Resolver {
 public:
  Resolver(std::string_view text, Catalog &catalog, ResolvedStatement *out)
      : text_(text), catalog_(catalog), out_(out) {}

  void Statement(const sql::Statement &s);
  NameScope *names_ = nullptr;

 private:
  bool HostValue(const Expr *e, OracleType *t) {
    ExprInfo info;
    if (names_ == nullptr || !names_->Lookup(*e, &info.type, &info.ordinal)) return false;
    info.binding = NameBinding::kHostValue;
    out_->exprs[e] = info;
    *t = info.type;
    return true;
  }
  std::vector<ColumnInfo> ResolveQuery(const Query *q, Scope *parent, bool top);
  void AddSearchCycleColumns(const Cte &c, CteDef *def);
  std::vector<ColumnInfo> ResolveBlock(const Query *q, Scope *parent);
  void AddFrom(const TableRef *t, Scope *scope);
  void AddTable(const TableRef *t, Scope *scope);
  OracleType ResolveExpr(const Expr *e, Scope *scope);
  OracleType Typed(const Expr *e, OracleType t) {
    out_->exprs[e].type = t;
    return t;
  }
  OracleType ResolveName(const Expr *e, Scope *scope);
  OracleType ResolveBinary(const Expr *e, Scope *scope);
  OracleType ResolveFunction(const Expr *e, Scope *scope);
  void CheckComparable(const Expr *at, OracleType a, OracleType b);
  void ResolveOrder(const List<OrderItem> &order, const std::vector<ColumnInfo> &items,
                    const std::vector<const SelectItem *> *select, Scope *scope);
  void CheckGrouping(const Query *q, Scope *scope);
  void CheckGrouped(const Expr *e, const Query *q, Scope *scope);
  const Expr *FirstAggregate(const Expr *e) const;
  bool HasAggregate(const Expr *e) const { return FirstAggregate(e) != nullptr; }
  std::string ExpressionName(const Expr *e);
  std::string_view Keep(std::string_view text) {
    out_->owned.push_back(std::make_unique<std::string>(text));
    return *out_->owned.back();
  }
  const CteDef *FindCte(std::string_view name) const {
    for (size_t i = ctes_.size(); i-- > 0;) {
      if (ctes_[i].name == name) return &ctes_[i];
    }
    return nullptr;
  }
  [[noreturn]] void Invalid(const Expr *e);
  bool StoredFunction(const Expr *e, OracleType *type);
  // The FROM item a ROWID belongs to (`named`, else the only one of the
  // innermost query); empty when it is no stored table.
  std::string_view RowidSource(const Expr *e, Scope *scope, const Source *named);

  std::string_view text_;
  Catalog &catalog_;
  ResolvedStatement *out_;
  std::vector<CteDef> ctes_;
  Arena lex_arena_;
  TokenArray tokens_;
  bool lexed_ = false;
  int depth_ = 0;
};

void Resolver::Invalid(const Expr *e) {
  std::string shown;
  for (int i = 0; i < e->name.count; ++i) {
    if (i) shown += '.';
    shown += Quoted(e->name.part[i]);
  }
  throw SemanticError(904, e->pos, shown);
}

std::string_view Resolver::RowidSource(const Expr *e, Scope *scope, const Source *named) {
  if (named == nullptr) {
    while (scope != nullptr && scope->sources.empty()) scope = scope->parent;
    if (scope == nullptr) Invalid(e);
    if (scope->sources.size() != 1) throw SemanticError(kOraColumnAmbiguous, e->pos);
    named = &scope->sources.front();
  }
  return named->table != nullptr ? named->alias : std::string_view();
}

void Resolver::Statement(const sql::Statement &s) {
  switch (s.kind) {
    case StmtKind::kSelect: {
      const auto &sel = static_cast<const SelectStmt &>(s);
      out_->columns = ResolveQuery(sel.query, nullptr, true);
      return;
    }
    case StmtKind::kInsert: case StmtKind::kUpdate: case StmtKind::kDelete: {
      const auto &dml = static_cast<const DmlStmt &>(s);
      const size_t cte_mark = ctes_.size();
      for (const Cte *c : dml.with) {
        CteDef def{c->name->name, ResolveQuery(c->query, nullptr, false)};
        ctes_.push_back(std::move(def));
      }
      Scope scope;
      AddFrom(dml.target, &scope);
      const Source target = scope.sources.front();
      if (s.kind == StmtKind::kInsert) {
        const auto &ins = static_cast<const InsertStmt &>(s);
        Scope empty;
        for (const Ident *c : ins.columns) {
          bool found = false;
          for (const SourceColumn &sc : target.columns) found = found || SameName(sc.name, c->name);
          if (!found) {
            throw SemanticError(904, c->pos, Quoted(target.alias, c->name));
          }
        }
        CheckInsertable(target.table, ins);
        for (const Expr *v : ins.values) ResolveExpr(v, &empty);
        size_t given = ins.values.size;
        if (ins.query != nullptr) given = ResolveQuery(ins.query, nullptr, false).size();
        const size_t wanted = ins.columns.empty() ? target.columns.size() : ins.columns.size;
        if (given != wanted) {
          const uint32_t at = ins.query != nullptr ? ins.query->pos
                              : ins.values.first != nullptr ? ins.values.first->pos : s.pos;
          throw SemanticError(given > wanted ? 913 : 947, at);
        }
      } else if (s.kind == StmtKind::kUpdate) {
        for (const SetItem *item : static_cast<const UpdateStmt &>(s).set) {
          for (const Expr *c : item->columns) {
            ResolveExpr(c, &scope);
            const ExprInfo *info = out_->Info(c);
            if (info != nullptr && IsVirtual(target.table, info->column)) {
              throw SemanticError(54017, c->pos);
            }
          }
          if (item->row && item->value->kind == ExprKind::kSubquery) {
            // SET (a, b) = (SELECT x, y ...): one value per column.
            const size_t n = ResolveQuery(item->value->query, &scope, false).size();
            if (n != item->columns.size) {
              throw SemanticError(n > item->columns.size ? 913 : 947, item->value->pos);
            }
            Typed(item->value, MakeType(TypeCategory::kNull));
          } else {
            ResolveExpr(item->value, &scope);
          }
        }
      }
      if (dml.where != nullptr) ResolveExpr(dml.where, &scope);
      if (dml.returning != nullptr) {
        for (const Expr *e : dml.returning->exprs) ResolveExpr(e, &scope);
      }
      ctes_.resize(cte_mark);
      return;
    }
    case StmtKind::kMultiInsert: {
      // WHEN conditions and VALUES read the subquery's columns.
      const auto &m = static_cast<const MultiInsertStmt &>(s);
      const std::vector<ColumnInfo> columns = ResolveQuery(m.query, nullptr, false);
      Scope rows;
      rows.sources.emplace_back();
      for (const ColumnInfo &c : columns) {
        rows.sources.back().columns.push_back({Keep(c.name), c.type});
      }
      for (const InsertBranch *b : m.branches) {
        ResolveExpr(b->when, &rows);
        for (const InsertInto *into : b->into) {
          Scope target;
          AddFrom(into->target, &target);
          const Source &t = target.sources.front();
          for (const Ident *c : into->columns) {
            bool found = false;
            for (const SourceColumn &sc : t.columns) found = found || SameName(sc.name, c->name);
            if (!found) throw SemanticError(904, c->pos, Quoted(t.alias, c->name));
          }
          for (const Expr *v : into->values) ResolveExpr(v, &rows);
          const size_t given = into->has_values ? into->values.size : columns.size();
          const size_t wanted = into->columns.empty() ? t.columns.size() : into->columns.size;
          if (given != wanted) throw SemanticError(given > wanted ? 913 : 947, into->pos);
        }
      }
      return;
    }
    case StmtKind::kMerge: {
      // ON, SET and the WHERE clauses of WHEN MATCHED see both tables;
      // WHEN NOT MATCHED sees the source alone.
      const auto &m = static_cast<const MergeStmt &>(s);
      Scope both, source;
      AddFrom(m.target, &both);
      AddFrom(m.source, &both);
      AddFrom(m.source, &source);
      const Source &target = both.sources.front();
      ResolveExpr(m.on, &both);
      for (const SetItem *item : m.set) {
        for (const Expr *c : item->columns) ResolveExpr(c, &both);
        ResolveExpr(item->value, &both);
      }
      ResolveExpr(m.update_where, &both);
      ResolveExpr(m.delete_where, &both);
      for (const Ident *c : m.insert_columns) {
        bool found = false;
        for (const SourceColumn &sc : target.columns) found = found || SameName(sc.name, c->name);
        if (!found) throw SemanticError(904, c->pos, Quoted(target.alias, c->name));
      }
      for (const Expr *v : m.insert_values) ResolveExpr(v, &source);
      ResolveExpr(m.insert_where, &source);
      const size_t wanted = m.insert_columns.empty() ? target.columns.size() : m.insert_columns.size;
      if (m.has_insert && m.insert_values.size != wanted) {
        const uint32_t at = m.insert_values.first != nullptr ? m.insert_values.first->pos : m.pos;
        throw SemanticError(m.insert_values.size > wanted ? 913 : 947, at);
      }
      return;
    }
    default:
      return;  // other statements carry no names the resolver binds yet
  }
}

// SEARCH ... SET col adds a NUMBER, CYCLE ... SET mark TO 'Y' a
// VARCHAR2(1), after the listed columns.
void Resolver::AddSearchCycleColumns(const Cte &c, CteDef *def) {
  if (c.search_set != nullptr) {
    def->columns.push_back({std::string(c.search_set->name), MakeType(TypeCategory::kNumber)});
  }
  if (c.cycle_set != nullptr) {
    def->columns.push_back({std::string(c.cycle_set->name), MakeType(TypeCategory::kVarchar2, 1)});
  }
}

std::vector<ColumnInfo> Resolver::ResolveQuery(const Query *q, Scope *parent, bool top) {
  if (++depth_ > 1000) throw SemanticError(36, q->pos, "1000");
  const size_t cte_mark = ctes_.size();
  for (const Cte *c : q->with) {
    const auto named = [&](std::vector<ColumnInfo> columns) {
      size_t i = 0;
      for (const Ident *name : c->columns) {
        if (i < columns.size()) columns[i].name.assign(name->name.data(), name->name.size());
        ++i;
      }
      return CteDef{c->name->name, std::move(columns)};
    };
    if (!c->columns.empty() && c->query->kind == QueryKind::kSetOp) {
      // Recursive WITH (Oracle's form has a column list): the members
      // after the first read the query itself, with the first's columns.
      const Query *anchor = c->query;
      while (anchor->kind == QueryKind::kSetOp) anchor = anchor->left;
      ctes_.push_back(named(ResolveQuery(anchor, nullptr, false)));
      const size_t self = ctes_.size() - 1;
      CteDef def = named(ResolveQuery(c->query, nullptr, false));
      AddSearchCycleColumns(*c, &def);
      ctes_[self] = std::move(def);
      continue;
    }
    ctes_.push_back(named(ResolveQuery(c->query, nullptr, false)));
  }
  std::vector<ColumnInfo> columns;
  if (q->kind == QueryKind::kBlock) {
    columns = ResolveBlock(q, parent);
  } else {
    columns = ResolveQuery(q->left, parent, false);
    if (q->kind == QueryKind::kSetOp) {
      const std::vector<ColumnInfo> right = ResolveQuery(q->right, parent, false);
      if (right.size() != columns.size()) throw SemanticError(1789, q->right->pos);
      for (size_t i = 0; i < columns.size(); ++i) {
        const OracleType a = columns[i].type, b = right[i].type;
        if (a.Is(TypeCategory::kNull)) columns[i].type = b;
        const bool ok = a.Is(TypeCategory::kNull) || b.Is(TypeCategory::kNull) ||
                        (a.IsNumeric() && b.IsNumeric()) ||
                        (a.IsCharacter() && b.IsCharacter()) ||
                        (a.IsDatetime() && b.IsDatetime()) || a.category == b.category;
        if (!ok) throw SemanticError(1790, q->right->pos);
      }
    }
    Scope none;
    ResolveOrder(q->order_by, columns, nullptr, &none);
  }
  if (q->offset != nullptr) ResolveExpr(q->offset, parent);
  if (q->fetch != nullptr) ResolveExpr(q->fetch, parent);
  if (top && q->for_update != nullptr) {
    out_->for_update = true;
    const ForUpdate &f = *q->for_update;
    // The lock is the whole database's: SKIP LOCKED could only skip every
    // row, so it fails at once like NOWAIT (ORA-00054) rather than wait.
    if (f.wait == 1 || f.wait == 3) out_->lock_wait_ms = 0;
    if (f.wait == 2 && f.seconds != nullptr) {
      const double seconds = std::strtod(std::string(f.seconds->text).c_str(), nullptr);
      out_->lock_wait_ms = seconds <= 0 ? 0 : seconds >= 3600 ? 3600000
                                                              : static_cast<int>(seconds * 1000);
    }
  }
  ctes_.resize(cte_mark);
  --depth_;
  return columns;
}

std::vector<ColumnInfo> Resolver::ResolveBlock(const Query *q, Scope *parent) {
  Scope scope;
  scope.parent = parent;
  for (const TableRef *t : q->from) AddFrom(t, &scope);
  // FOR UPDATE OF columns name the FROM items' columns.
  if (q->for_update != nullptr) {
    for (const Expr *c : q->for_update->columns) ResolveExpr(c, &scope);
  }
  if (q->where != nullptr) ResolveExpr(q->where, &scope);
  if (q->start_with != nullptr) ResolveExpr(q->start_with, &scope);
  if (q->connect_by != nullptr) ResolveExpr(q->connect_by, &scope);
  for (const Expr *g : q->group_by) ResolveExpr(g, &scope);
  if (q->having != nullptr) ResolveExpr(q->having, &scope);
  std::vector<ColumnInfo> columns;
  std::vector<const SelectItem *> select;
  for (const SelectItem *item : q->items) {
    const Expr *e = item->expr;
    if (e->kind == ExprKind::kStar) {
      // Written out column by column, so the result has exactly the
      // columns described: JOIN ... USING and NATURAL JOIN columns once,
      // first, as Oracle shows them (SQLite's * would keep them in place).
      std::vector<StarColumn> &list = out_->stars[e];
      const bool all = e->name.count == 0;
      auto add = [&](const Source &src, const SourceColumn &c) {
        list.push_back({src.alias, c.name});
        columns.push_back({StoredName(c.name), c.type});
        select.push_back(nullptr);
      };
      auto shared = [&](std::string_view name) {
        for (const std::string_view u : scope.using_columns) {
          if (SameName(u, name)) return true;
        }
        return false;
      };
      if (all) {
        for (const std::string_view u : scope.using_columns) {
          bool seen = false;
          for (const StarColumn &done : list) seen = seen || SameName(done.column, u);
          for (const Source &src : scope.sources) {
            for (const SourceColumn &c : src.columns) {
              if (!seen && SameName(c.name, u)) {
                // Unqualified: either side's value, as in an outer join.
                add(Source{}, c);
                seen = true;
              }
            }
          }
        }
      }
      bool any = false;
      for (const Source &src : scope.sources) {
        if (!all && !SameName(src.alias, e->name.Last())) continue;
        any = true;
        for (const SourceColumn &c : src.columns) {
          if (!all || !shared(c.name)) add(src, c);
        }
      }
      if (!any) Invalid(e);
      Typed(e, MakeType(TypeCategory::kNull));
      continue;
    }
    ColumnInfo info;
    info.type = ResolveExpr(e, &scope);
    if (item->alias != nullptr) {
      info.name.assign(item->alias->name.data(), item->alias->name.size());
    } else if (e->kind == ExprKind::kName && out_->exprs[e].binding == NameBinding::kColumn) {
      info.name.assign(out_->exprs[e].column.data(), out_->exprs[e].column.size());
      // An unquoted name is upper case to Oracle, whatever case a file
      // written by SQLite's own rules keeps it in.
      if (!e->name.quoted[e->name.count - 1]) info.name = UpperName(info.name);
    } else {
      info.name = ExpressionName(e);
    }
    if (info.type.Is(TypeCategory::kBoolean)) {
      throw SemanticError(kOraInconsistentTypes, e->pos, "expected - got BOOLEAN");
    }
    columns.push_back(std::move(info));
    select.push_back(item);
  }
  ResolveOrder(q->order_by, columns, &select, &scope);
  CheckGrouping(q, &scope);
  return columns;
}

void Resolver::ResolveOrder(const List<OrderItem> &order, const std::vector<ColumnInfo> &items,
                            const std::vector<const SelectItem *> *select, Scope *scope) {
  for (const OrderItem *o : order) {
    const Expr *e = o->expr;
    if (e->kind == ExprKind::kName && e->name.count == 1) {
      // A select-list name (alias or column heading) wins over a FROM
      // item's column, as in Oracle.
      uint32_t match = 0;
      for (size_t i = 0; i < items.size(); ++i) {
        const bool aliased = select == nullptr || (*select)[i] == nullptr ||
                             (*select)[i]->alias != nullptr;
        if (aliased && items[i].name == e->name.part[0]) {
          if (match != 0) throw SemanticError(960, e->pos);
          match = static_cast<uint32_t>(i + 1);
        }
      }
      if (match != 0) {
        ExprInfo &info = out_->exprs[e];
        info.binding = NameBinding::kSelectItem;
        info.ordinal = match;
        info.type = items[match - 1].type;
        continue;
      }
    }
    if (select == nullptr) {
      // ORDER BY of a set operation: only result columns or positions.
      if (e->kind == ExprKind::kNumber) {
        Typed(e, MakeType(TypeCategory::kNumber));
        continue;
      }
      if (e->kind == ExprKind::kName) {
        for (size_t i = 0; i < items.size(); ++i) {
          if (items[i].name == e->name.Last()) {
            ExprInfo &info = out_->exprs[e];
            info.binding = NameBinding::kSelectItem;
            info.ordinal = static_cast<uint32_t>(i + 1);
            info.type = items[i].type;
            break;
          }
        }
        if (out_->exprs[e].binding == NameBinding::kSelectItem) continue;
      }
      throw SemanticError(1785, StartOf(e));
    }
    ResolveExpr(e, scope);
  }
}

void Resolver::AddFrom(const TableRef *t, Scope *scope) {
  switch (t->kind) {
    case TableKind::kTable:
      AddTable(t, scope);
      return;
    case TableKind::kSubquery: {
      const std::vector<ColumnInfo> cols = ResolveQuery(t->query, t->lateral ? scope : nullptr,
                                                        false);
      Source s;
      if (t->alias != nullptr) s.alias = t->alias->name;
      for (const ColumnInfo &c : cols) s.columns.push_back({Keep(c.name), c.type});
      out_->sources[t].alias = s.alias;
      scope->sources.push_back(std::move(s));
      return;
    }
    case TableKind::kJoin: {
      AddFrom(t->left, scope);
      AddFrom(t->right, scope);
      for (const Ident *u : t->using_columns) scope->using_columns.push_back(u->name);
      if (t->natural) {
        // NATURAL JOIN: the shared names join, and are not ambiguous.
        for (const SourceColumn &c : scope->sources.back().columns) {
          scope->using_columns.push_back(c.name);
        }
      }
      if (t->on != nullptr) ResolveExpr(t->on, scope);
      return;
    }
    case TableKind::kPivot: case TableKind::kUnpivot: {
      Scope inner;
      AddFrom(t->left, &inner);
      for (const PivotItem *a : t->aggregates) ResolveExpr(a->expr, &inner);
      for (const PivotItem *v : t->values) {
        ResolveExpr(v->expr, &inner);
        ResolveExpr(v->label, &inner);
      }
      std::vector<ColumnInfo> source;
      for (const SourceColumn &c : inner.sources.back().columns) {
        source.push_back({std::string(c.name), c.type});
      }
      Source s;
      if (t->alias != nullptr) s.alias = t->alias->name;
      for (const ColumnInfo &c : PivotColumns(*t, source, text_, out_)) {
        s.columns.push_back({Keep(c.name), c.type});
      }
      out_->sources[t].alias = s.alias;
      scope->sources.push_back(std::move(s));
      return;
    }
    case TableKind::kJsonTable: {
      // Its document may name the FROM items before it.
      ResolveExpr(t->expr, scope);
      Source s;
      if (t->alias != nullptr) s.alias = t->alias->name;
      for (const ColumnInfo &c : JsonTableColumns(t->columns)) {
        s.columns.push_back({Keep(c.name), c.type});
      }
      out_->sources[t].alias = s.alias;
      scope->sources.push_back(std::move(s));
      return;
    }
    default:
      throw SemanticError(kOraUnimplemented, t->pos);
  }
}

void Resolver::AddTable(const TableRef *t, Scope *scope) {
  Source s;
  SourceInfo &info = out_->sources[t];
  const std::string_view name = t->name.Last();
  s.alias = t->alias != nullptr ? t->alias->name : name;
  info.alias = s.alias;
  if (t->name.count == 1) {
    if (const CteDef *cte = FindCte(name)) {
      for (const ColumnInfo &c : cte->columns) s.columns.push_back({Keep(c.name), c.type});
      scope->sources.push_back(std::move(s));
      return;
    }
  }
  // A database link names a remote database, and there is none.
  if (!t->name.dblink.empty()) throw SemanticError(2019, t->pos);
  if (t->name.count > 2) {
    throw SemanticError(kOraUnimplemented, t->pos);
  }
  const std::string_view schema = t->name.count == 2 ? t->name.part[0] : std::string_view();
  const CatalogTable *table = nullptr;
  if (name == "DUAL" && schema.empty()) {
    info.dual = true;
    static const char kDummy[] = "DUMMY";
    s.columns.push_back({kDummy, MakeType(TypeCategory::kVarchar2, 1)});
  } else {
    table = catalog_.FindTable(schema, name);
    if (table == nullptr) {
      std::string detail;
      const int code = catalog_.MissingTableError(schema, name, &detail);
      throw SemanticError(code, t->pos, detail);
    }
    for (const CatalogColumn &c : table->columns) s.columns.push_back({c.name, c.type});
  }
  info.table = table;
  s.table = table;
  scope->sources.push_back(std::move(s));
}

OracleType Resolver::ResolveName(const Expr *e, Scope *scope) {
  const Name &n = e->name;
  ExprInfo info;
  if (n.count == 1) {
    for (Scope *s = scope; s != nullptr; s = s->parent) {
      const Source *hit = nullptr;
      const SourceColumn *col = nullptr;
      bool shared = false;
      for (const std::string_view u : s->using_columns) shared = shared || SameName(u, n.part[0]);
      for (const Source &src : s->sources) {
        for (const SourceColumn &c : src.columns) {
          if (!SameName(c.name, n.part[0])) continue;
          if (hit != nullptr && !shared) throw SemanticError(kOraColumnAmbiguous, e->pos);
          if (hit == nullptr) {
            hit = &src;
            col = &c;
          }
        }
      }
      if (hit != nullptr) {
        info.binding = NameBinding::kColumn;
        info.joined = shared;
        info.source = hit->alias;
        info.column = col->name;
        info.type = col->type;
        out_->exprs[e] = info;
        return info.type;
      }
    }
    if (HostValue(e, &info.type)) return info.type;
    if (IsPseudo(n.part[0], &info.type) && !n.quoted[0]) {
      info.binding = NameBinding::kPseudo;
      info.column = n.part[0];
      if (n.part[0] == "ROWID") info.source = RowidSource(e, scope, nullptr);
      out_->exprs[e] = info;
      return info.type;
    }
    if (StoredFunction(e, &info.type)) return info.type;
    Invalid(e);
  }
  // q.col: a FROM item's column, else seq.NEXTVAL / schema.seq.CURRVAL.
  if (n.count == 2) {
    for (Scope *s = scope; s != nullptr; s = s->parent) {
      for (const Source &src : s->sources) {
        if (src.alias.empty() || !SameName(src.alias, n.part[0])) continue;
        if (n.part[1] == "ROWID" && !n.quoted[1]) {
          info.binding = NameBinding::kPseudo;
          info.column = n.part[1];
          info.type = MakeType(TypeCategory::kRowid);
          info.source = RowidSource(e, scope, &src);
          out_->exprs[e] = info;
          return info.type;
        }
        for (const SourceColumn &c : src.columns) {
          if (SameName(c.name, n.part[1])) {
            info.binding = NameBinding::kColumn;
            info.source = src.alias;
            info.column = c.name;
            info.type = c.type;
            out_->exprs[e] = info;
            return info.type;
          }
        }
        Invalid(e);
      }
    }
  }
  if (HostValue(e, &info.type)) return info.type;
  const std::string_view last = n.Last();
  if ((n.count == 2 || n.count == 3) && !n.quoted[n.count - 1] &&
      (last == "NEXTVAL" || last == "CURRVAL")) {
    // The schema's sequence, else (unqualified) one a synonym names.
    const std::string_view schema = n.count == 3 ? n.part[0] : std::string_view();
    std::string stored;
    if (!catalog_.FindSequence(schema, n.part[n.count - 2], &stored) &&
        (!schema.empty() || !catalog_.SequenceThroughSynonym(n.part[n.count - 2], &stored))) {
      throw SemanticError(kOraSequenceNotFound, e->pos);
    }
    const std::string_view seq = Keep(stored);
    info.binding = last == "NEXTVAL" ? NameBinding::kNextval : NameBinding::kCurrval;
    info.column = seq;
    info.type = MakeType(TypeCategory::kNumber);
    out_->exprs[e] = info;
    return info.type;
  }
  if (StoredFunction(e, &info.type)) return info.type;
  Invalid(e);
}

// A stored function called without parentheses (f, pkg.f, owner.f).
bool Resolver::StoredFunction(const Expr *e, OracleType *type) {
  const Name &n = e->name;
  std::string qualified;
  if (n.count > 3 || !catalog_.FindFunction(FunctionQualifier(n), n.Last(), &qualified, type)) {
    return false;
  }
  ExprInfo &info = out_->exprs[e];
  info.binding = NameBinding::kStoredCall;
  info.column = Keep(qualified);
  info.type = *type;
  return true;
}

void Resolver::CheckComparable(const Expr *at, OracleType a, OracleType b) {
  if (a.Is(TypeCategory::kNull) || b.Is(TypeCategory::kNull)) return;
  auto bad = [&](OracleType expected, OracleType got) {
    std::string detail = "expected ";
    detail += TypeCategoryName(expected.category);
    detail += " got ";
    detail += TypeCategoryName(got.category);
    throw SemanticError(kOraInconsistentTypes, StartOf(at), detail);
  };
  // Text converts to either side; numbers and dates, blobs and the rest
  // do not meet.
  if (a.IsCharacter() || b.IsCharacter()) {
    const OracleType other = a.IsCharacter() ? b : a;
    if (other.Is(TypeCategory::kBlob)) bad(other, a.IsCharacter() ? a : b);
    return;
  }
  if ((a.IsNumeric() && b.IsNumeric()) || (a.IsDatetime() && b.IsDatetime()) ||
      a.category == b.category) {
    return;
  }
  if (a.Is(TypeCategory::kRaw) && b.Is(TypeCategory::kBlob)) return;
  bad(a, b);
}

OracleType Resolver::ResolveBinary(const Expr *e, Scope *scope) {
  const OracleType a = ResolveExpr(e->left, scope);
  const OracleType b = ResolveExpr(e->right, scope);
  auto bad = [&](const Expr *where, OracleType expected, OracleType got) {
    std::string detail = "expected ";
    detail += TypeCategoryName(expected.category);
    detail += " got ";
    detail += TypeCategoryName(got.category);
    throw SemanticError(kOraInconsistentTypes, StartOf(where), detail);
  };
  switch (e->op) {
    case Op::kConcat: {
      if (a.Is(TypeCategory::kBlob)) bad(e->left, MakeType(TypeCategory::kChar), a);
      if (b.Is(TypeCategory::kBlob)) bad(e->right, MakeType(TypeCategory::kChar), b);
      // A CLOB on either side makes the result a CLOB, of any length.
      if (a.Is(TypeCategory::kClob) || b.Is(TypeCategory::kClob)) return MakeType(TypeCategory::kClob);
      const int32_t la = a.length > 0 ? a.length : 40, lb = b.length > 0 ? b.length : 40;
      return MakeType(TypeCategory::kVarchar2, la + lb > 32767 ? 32767 : la + lb);
    }
    case Op::kEq: case Op::kNe: case Op::kLt: case Op::kLe: case Op::kGt: case Op::kGe:
      CheckComparable(e, a, b);
      return MakeType(TypeCategory::kBoolean);
    default:
      break;
  }
  // Arithmetic. Dates: date ± number, date − date; timestamps subtract
  // to an interval.
  for (const auto &[side, t] : {std::pair<const Expr *, OracleType>{e->left, a}, {e->right, b}}) {
    if (t.IsBinary() || t.Is(TypeCategory::kBoolean) || t.Is(TypeCategory::kClob)) {
      bad(side, MakeType(TypeCategory::kNumber), t);
    }
  }
  const bool da = a.IsDatetime(), db = b.IsDatetime();
  if (da || db) {
    if (e->op == Op::kMul || e->op == Op::kDiv) {
      bad(da ? e->left : e->right, MakeType(TypeCategory::kNumber), da ? a : b);
    }
    if (da && db) {
      if (e->op == Op::kAdd) throw SemanticError(kOraDatePlusDate, StartOf(e));
      if (a.Is(TypeCategory::kDate) && b.Is(TypeCategory::kDate)) {
        return MakeType(TypeCategory::kNumber);
      }
      OracleType t = MakeType(TypeCategory::kIntervalDS);
      t.precision = 9;
      return t;
    }
    if (db && e->op == Op::kSub) bad(e->right, MakeType(TypeCategory::kNumber), b);
    const OracleType other = da ? b : a;
    if (other.Is(TypeCategory::kIntervalDS) || other.Is(TypeCategory::kIntervalYM)) {
      return da ? a : b;
    }
    return MakeType(TypeCategory::kDate);
  }
  if (IsInterval(a) || IsInterval(b)) return IntervalArithmetic(e, a, b);
  if (a.Is(TypeCategory::kBinaryDouble) || b.Is(TypeCategory::kBinaryDouble)) {
    return MakeType(TypeCategory::kBinaryDouble);
  }
  return MakeType(TypeCategory::kNumber);
}

OracleType Resolver::ResolveFunction(const Expr *e, Scope *scope) {
  std::string storage;
  const std::string_view name = FunctionName(*e, &storage);
  const FunctionRule rule = LookupFunction(name);
  std::vector<OracleType> args;
  for (const Expr *a : e->args) {
    args.push_back(a->kind == ExprKind::kStar ? MakeType(TypeCategory::kNumber)
                                              : ResolveExpr(a, scope));
  }
  if (e->extra != nullptr) {
    if (e->extra->over != nullptr) {
      for (const Expr *p : e->extra->over->partition) ResolveExpr(p, scope);
      for (const OrderItem *o : e->extra->over->order) ResolveExpr(o->expr, scope);
    }
    for (const OrderItem *o : e->extra->within_group) ResolveExpr(o->expr, scope);
    for (const OrderItem *o : e->extra->keep_order) ResolveExpr(o->expr, scope);
    for (const OrderItem *o : e->extra->order) ResolveExpr(o->expr, scope);
    if (e->extra->over != nullptr) {
      ResolveExpr(e->extra->over->start.offset, scope);
      ResolveExpr(e->extra->over->end.offset, scope);
    }
  }
  OracleType analytic;
  if (!rule.known && AnalyticFunctionType(name, args, &analytic)) return Typed(e, analytic);
  if (!rule.known) {
    // Oracle names an unknown function as an invalid identifier; functions
    // outside the table (analytics, JSON, LISTAGG, ...) are the emitter's
    // to refuse, with their position.
    static const char *const kOthers[] = {
        "LISTAGG", "ROW_NUMBER", "RANK", "DENSE_RANK", "LAG", "LEAD", "FIRST_VALUE",
        "LAST_VALUE", "NTILE", "JSON_VALUE", "JSON_QUERY", "JSON_OBJECT", "JSON_ARRAY",
        "JSON_ARRAYAGG", "JSON_EXISTS", "XMLAGG", "GROUPING", "SYS_CONNECT_BY_PATH",
        "CUME_DIST", "PERCENT_RANK", "RATIO_TO_REPORT", "COLLECT", "CORR", "COVAR_POP",
        "COVAR_SAMP", "STDDEV_POP", "STDDEV_SAMP", "VAR_POP", "VAR_SAMP", "NTH_VALUE",
        "LNNVL", "NANVL", "TZ_OFFSET",
        "FROM_TZ", "NEW_TIME", "SESSIONTIMEZONE", "DBTIMEZONE", "TO_DSINTERVAL",
        "TO_YMINTERVAL", "TO_BINARY_DOUBLE", "VSIZE", "DUMP"};
    for (const char *o : kOthers) {
      if (name == o) return Typed(e, MakeType(TypeCategory::kVarchar2, 4000));
    }
    // A stored function (f, pkg.f, owner.f), typed by its RETURN type.
    std::string qualified;
    OracleType returns;
    if (e->extra == nullptr && e->name.count <= 3 &&
        catalog_.FindFunction(FunctionQualifier(e->name), e->name.Last(), &qualified, &returns)) {
      ExprInfo &info = out_->exprs[e];
      info.binding = NameBinding::kStoredCall;
      info.column = Keep(qualified);
      return Typed(e, returns);
    }
    throw SemanticError(904, e->pos, Quoted(name));
  }
  OracleType t = MakeType(rule.category, rule.category == TypeCategory::kVarchar2 ? 4000 : -1);
  if (rule.from_arg >= 0 && static_cast<size_t>(rule.from_arg) < args.size()) {
    t = args[static_cast<size_t>(rule.from_arg)];
    if (name == "ROUND" || name == "TRUNC") {
      if (!t.IsDatetime()) t = MakeType(TypeCategory::kNumber);
      else t = MakeType(TypeCategory::kDate);
    }
    if (name == "DECODE") {
      // The first non-NULL result decides.
      for (size_t i = 2; i < args.size(); i += 2) t = Widest(t, args[i]);
      if (args.size() % 2 == 0) t = Widest(t, args.back());  // the default
    }
    if (name == "NVL" || name == "COALESCE") {
      for (const OracleType &a : args) t = Widest(t, a);
    }
    // Functions return VARCHAR2 where their argument was CHAR: GREATEST('10', 9)
    // is '9', not '9' padded to the literal's length.
    if (!rule.aggregate && t.Is(TypeCategory::kChar)) t.category = TypeCategory::kVarchar2;
  }
  if (name == "COUNT" || name == "SUM" || name == "AVG") t.precision = t.scale = -1;
  return Typed(e, t);
}

OracleType Resolver::ResolveExpr(const Expr *e, Scope *scope) {
  if (e == nullptr) return MakeType(TypeCategory::kNull);
  if (++depth_ > 1000) throw SemanticError(36, e->pos, "1000");
  OracleType t;
  switch (e->kind) {
    case ExprKind::kNumber:
      t = MakeType((e->flags & (kBinaryDouble | kBinaryFloat)) ? TypeCategory::kBinaryDouble
                                                               : TypeCategory::kNumber);
      break;
    case ExprKind::kString:
      t = e->text.empty() ? MakeType(TypeCategory::kNull)
                          : MakeType(TypeCategory::kChar, static_cast<int32_t>(e->text.size()));
      break;
    case ExprKind::kNull: t = MakeType(TypeCategory::kNull); break;
    case ExprKind::kDateLit: t = MakeType(TypeCategory::kDate); break;
    case ExprKind::kTimestampLit:
      t = MakeType(TypeCategory::kTimestamp);
      t.precision = 9;
      break;
    case ExprKind::kIntervalLit:
      t = MakeType(e->type != nullptr && e->type->from_field <= kMonth
                       ? TypeCategory::kIntervalYM : TypeCategory::kIntervalDS);
      break;
    case ExprKind::kBind:
      if (HostValue(e, &t)) return t;
      t = MakeType(TypeCategory::kNull);
      break;
    case ExprKind::kName:
      --depth_;
      return ResolveName(e, scope);
    case ExprKind::kStar: Invalid(e);
    case ExprKind::kUnary: {
      const OracleType a = ResolveExpr(e->left, scope);
      if (e->op == Op::kNot) {
        t = MakeType(TypeCategory::kBoolean);
      } else if (e->op == Op::kNeg || e->op == Op::kPlus) {
        if (a.IsDatetime() || a.IsBinary()) {
          throw SemanticError(kOraInconsistentTypes, e->left->pos,
                              std::string("expected NUMBER got ") + TypeCategoryName(a.category));
        }
        t = a.IsNumeric() ? a : MakeType(TypeCategory::kNumber);
      } else {
        t = a;
      }
      break;
    }
    case ExprKind::kBinary: t = ResolveBinary(e, scope); break;
    case ExprKind::kLogical:
      for (const Expr *a : e->args) ResolveExpr(a, scope);
      t = MakeType(TypeCategory::kBoolean);
      break;
    case ExprKind::kLike: case ExprKind::kBetween: {
      const OracleType a = ResolveExpr(e->left, scope);
      const OracleType b = ResolveExpr(e->right, scope);
      const OracleType c = ResolveExpr(e->third, scope);
      if (e->kind == ExprKind::kBetween) {
        CheckComparable(e, a, b);
        CheckComparable(e, a, c);
      }
      t = MakeType(TypeCategory::kBoolean);
      break;
    }
    case ExprKind::kIn: case ExprKind::kQuantified: {
      const OracleType a = ResolveExpr(e->left, scope);
      for (const Expr *x : e->args) CheckComparable(x, a, ResolveExpr(x, scope));
      if (e->query != nullptr) {
        const std::vector<ColumnInfo> cols = ResolveQuery(e->query, scope, false);
        if (e->left->kind != ExprKind::kRow && cols.size() != 1) {
          throw SemanticError(913, e->query->pos);
        }
        if (cols.size() == 1) CheckComparable(e, a, cols[0].type);
      }
      t = MakeType(TypeCategory::kBoolean);
      break;
    }
    case ExprKind::kIsNull: case ExprKind::kIsJson:
      ResolveExpr(e->left, scope);
      t = MakeType(TypeCategory::kBoolean);
      break;
    case ExprKind::kExists:
      ResolveQuery(e->query, scope, false);
      t = MakeType(TypeCategory::kBoolean);
      break;
    case ExprKind::kSubquery: {
      const std::vector<ColumnInfo> cols = ResolveQuery(e->query, scope, false);
      if (cols.size() != 1) throw SemanticError(913, e->query->pos);
      t = cols[0].type;
      break;
    }
    case ExprKind::kRow:
      for (const Expr *a : e->args) ResolveExpr(a, scope);
      t = MakeType(TypeCategory::kNull);
      break;
    case ExprKind::kCase: {
      const OracleType operand = ResolveExpr(e->left, scope);
      t = MakeType(TypeCategory::kNull);
      for (const Expr *w : e->args) {
        const OracleType cond = ResolveExpr(w->left, scope);
        if (e->left != nullptr) CheckComparable(w->left, operand, cond);
        const OracleType r = ResolveExpr(w->right, scope);
        Typed(w, r);
        t = Widest(t, r);
      }
      t = Widest(t, ResolveExpr(e->right, scope));
      break;
    }
    case ExprKind::kCast:
      ResolveExpr(e->left, scope);
      t = TypeFromTypeName(*e->type);
      break;
    case ExprKind::kExtract: {
      const OracleType a = ResolveExpr(e->left, scope);
      t = MakeType(a.IsCharacter() && (e->text.find("TIMEZONE") == 0)
                       ? TypeCategory::kVarchar2 : TypeCategory::kNumber);
      break;
    }
    case ExprKind::kTrim:
      ResolveExpr(e->left, scope);
      ResolveExpr(e->right, scope);
      t = MakeType(TypeCategory::kVarchar2, 4000);
      break;
    case ExprKind::kFunction:
      --depth_;
      return ResolveFunction(e, scope);
    case ExprKind::kAtTimeZone:
      t = ResolveExpr(e->left, scope);
      ResolveExpr(e->right, scope);
      break;
    default:
      // JSON pairs, named arguments, grouping sets, DEFAULT: resolved by
      // their parts; the emitter refuses what it cannot write.
      ResolveExpr(e->left, scope);
      ResolveExpr(e->right, scope);
      for (const Expr *a : e->args) ResolveExpr(a, scope);
      t = MakeType(TypeCategory::kNull);
      break;
  }
  --depth_;
  return Typed(e, t);
}

const Expr *Resolver::FirstAggregate(const Expr *e) const {
  if (e == nullptr) return nullptr;
  if (e->kind == ExprKind::kFunction) {
    std::string storage;
    if (e->extra == nullptr || e->extra->over == nullptr) {
      const std::string_view name = FunctionName(*e, &storage);
      if (LookupFunction(name).aggregate || name == "LISTAGG") return e;
    }
  }
  for (const Expr *part : {e->left, e->right, e->third}) {
    if (const Expr *found = FirstAggregate(part)) return found;
  }
  for (const Expr *a : e->args) {
    if (const Expr *found = FirstAggregate(a)) return found;
  }
  return nullptr;
}

void Resolver::CheckGrouping(const Query *q, Scope *scope) {
  bool grouped = !q->group_by.empty() || q->having != nullptr;
  for (const SelectItem *item : q->items) grouped = grouped || HasAggregate(item->expr);
  for (const OrderItem *o : q->order_by) grouped = grouped || HasAggregate(o->expr);
  if (!grouped) {
    if (q->where != nullptr && HasAggregate(q->where)) {
      throw SemanticError(kOraGroupFunctionNotAllowed, FirstAggregate(q->where)->pos);
    }
    return;
  }
  for (const Expr *g : q->group_by) {
    if (g->kind == ExprKind::kRollup || g->kind == ExprKind::kCube ||
        g->kind == ExprKind::kGroupingSets) {
      return;  // the emitter refuses these
    }
  }
  for (const SelectItem *item : q->items) CheckGrouped(item->expr, q, scope);
  if (q->having != nullptr) CheckGrouped(q->having, q, scope);
  for (const OrderItem *o : q->order_by) {
    const ExprInfo *info = out_->Info(o->expr);
    if (info == nullptr || info->binding != NameBinding::kSelectItem) {
      CheckGrouped(o->expr, q, scope);
    }
  }
}

void Resolver::CheckGrouped(const Expr *e, const Query *q, Scope *scope) {
  if (e == nullptr) return;
  for (const Expr *g : q->group_by) {
    if (SameExpr(e, g)) return;
  }
  switch (e->kind) {
    case ExprKind::kStar:
      throw SemanticError(q->group_by.empty() ? kOraNotSingleGroup : kOraNotGroupBy, e->pos);
    case ExprKind::kName: {
      const ExprInfo *info = out_->Info(e);
      // The pseudo-columns with a value per row are like columns.
      if (info != nullptr && info->binding == NameBinding::kPseudo &&
          (info->column == "ROWNUM" || info->column == "ROWID" || info->column == "LEVEL" ||
           info->column == "CONNECT_BY_ISLEAF" || info->column == "CONNECT_BY_ISCYCLE")) {
        throw SemanticError(q->group_by.empty() ? kOraNotSingleGroup : kOraNotGroupBy, e->pos);
      }
      if (info == nullptr || info->binding != NameBinding::kColumn) return;
      // A column of an outer query is a constant here.
      for (const Source &s : scope->sources) {
        if (s.alias.data() == info->source.data() && s.alias == info->source) {
          throw SemanticError(q->group_by.empty() ? kOraNotSingleGroup : kOraNotGroupBy,
                              e->pos);
        }
      }
      return;
    }
    case ExprKind::kFunction:
      if (FirstAggregate(e) == e) return;  // an aggregate call: grouped by definition
      break;
    case ExprKind::kSubquery: case ExprKind::kExists:
      return;
    default:
      break;
  }
  CheckGrouped(e->left, q, scope);
  CheckGrouped(e->right, q, scope);
  CheckGrouped(e->third, q, scope);
  for (const Expr *a : e->args) CheckGrouped(a, q, scope);
}

// Oracle heads an unnamed expression column with its text, upper case,
// blanks left out.
std::string Resolver::ExpressionName(const Expr *e) {
  if (!lexed_) {
    tokens_ = Lex(text_, lex_arena_);
    lexed_ = true;
  }
  size_t i = 0;
  const uint32_t start = StartOf(e);
  while (i + 1 < tokens_.size && tokens_.items[i].offset < start) ++i;
  std::string name;
  int depth = 0;
  for (; i + 1 < tokens_.size; ++i) {
    const Token &t = tokens_.items[i];
    if (t.kind == Tok::kSymbol) {
      if (t.sym == Sym::kLParen) ++depth;
      if (t.sym == Sym::kRParen && --depth < 0) break;
      if (depth == 0 && t.sym == Sym::kComma) break;
    }
    if (depth == 0 && t.kind == Tok::kWord && (t.kw == Kw::kFrom || t.kw == Kw::kInto)) break;
    for (char c : t.raw) {
      name.push_back(t.kind == Tok::kQuotedIdent || c < 'a' || c > 'z'
                         ? c : static_cast<char>(c - 32));
    }
    if (t.kind == Tok::kNumber && t.suffix != 0) name.push_back(static_cast<char>(t.suffix - 32));
  }
  if (name.size() > 128) name.resize(128);
  return name;
}

}  // namespace

uint32_t StartOf(const Expr *e) {
  uint32_t pos = e->pos;
  while (e != nullptr) {
    if (e->pos < pos) pos = e->pos;
    if (e->kind == ExprKind::kLogical) {
      e = e->args.first;
    } else if (e->kind == ExprKind::kBinary || e->kind == ExprKind::kLike ||
               e->kind == ExprKind::kBetween || e->kind == ExprKind::kIn ||
               e->kind == ExprKind::kIsNull || e->kind == ExprKind::kIsJson ||
               e->kind == ExprKind::kQuantified || e->kind == ExprKind::kAtTimeZone) {
      e = e->left;
    } else {
      break;
    }
  }
  return pos;
}

ResolvedStatement Resolve(const Statement &statement, std::string_view text, Catalog &catalog) {
  return Resolve(statement, text, catalog, nullptr);
}

NameScope::~NameScope() = default;

ResolvedStatement Resolve(const Statement &statement, std::string_view text, Catalog &catalog,
                          NameScope *names) {
  ResolvedStatement out;
  out.exprs.reserve(64);  // a typical statement's expressions, without rehashing
  out.statement = &statement;
  out.text = text;
  Resolver r(text, catalog, &out);
  r.names_ = names;
  r.Statement(statement);
  return out;
}

}  // namespace kestrel_engine::sql
