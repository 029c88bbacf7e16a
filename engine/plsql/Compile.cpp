/*
** The compile-time check of a stored unit. It walks the unit's tree with
** the names each scope declares and reports only what it is sure of: a
** name the check cannot place (a package member, a schema-qualified call)
** is left for the run to find.
*/
#include "plsql/Compile.h"

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "catalog/Privileges.h"
#include "plsql/EngineCatalog.h"
#include "plsql/PlError.h"
#include "plsql/StoredCode.h"
#include "plsql/UnitArguments.h"
#include "plsql/UnitLookup.h"
#include "session/AccessGuard.h"
#include "session/Connection.h"
#include "sql/parse/Lexer.h"
#include "sql/parse/Parse.h"
#include "sql/resolve/FunctionTypes.h"
#include "sql/resolve/Resolve.h"

namespace kestrel_engine::plsql {

using sql::Expr;
using sql::ExprKind;
using sql::PlStmt;
using sql::PlStmtKind;

namespace {

// Identifiers PL/SQL knows without a declaration.
bool PredefinedName(std::string_view n) {
  static const char *const kNames[] = {
      "SQLCODE", "SQLERRM", "SYSDATE", "SYSTIMESTAMP", "USER", "UID", "CURRENT_DATE",
      "CURRENT_TIMESTAMP", "LOCALTIMESTAMP", "DBTIMEZONE", "SESSIONTIMEZONE", "INSERTING",
      "UPDATING", "DELETING", "TRUE", "FALSE", "NULL", "ROWNUM", "LEVEL", "SQL"};
  for (const char *k : kNames) {
    if (n == k) return true;
  }
  return PredefinedCode(n) != 0;
}

// Functions and procedures the interpreter answers itself, or leaves to
// SQLite's functions without the resolver's table knowing them.
bool BuiltinCall(std::string_view n) {
  static const char *const kNames[] = {
      "RAISE_APPLICATION_ERROR", "SQLERRM", "SQLCODE", "NVL", "NVL2", "DECODE", "COALESCE",
      "LISTAGG", "JSON_VALUE", "JSON_QUERY", "JSON_OBJECT", "JSON_ARRAY", "LNNVL", "NANVL",
      "TZ_OFFSET", "FROM_TZ", "NEW_TIME", "TO_DSINTERVAL", "TO_YMINTERVAL", "TO_CLOB",
      "TO_BLOB", "TO_BINARY_DOUBLE", "VSIZE", "DUMP", "UPDATING", "SYS_GUID"};
  for (const char *k : kNames) {
    if (n == k) return true;
  }
  return sql::LookupFunction(n).known;
}

struct Named {
  enum Kind : uint8_t { kValue, kCursor, kException, kType, kSubprogram, kLabel };
  Kind kind;
  std::string_view name;
  const sql::Subprogram *sub = nullptr;  // kSubprogram
  const sql::PlDecl *cursor = nullptr;   // kCursor
};

struct Found {
  uint32_t pos;
  int number;
  std::string text;
};

class Checker;

// The schema as the unit sees it: the unit itself is a function SQL may
// call (recursion) before it is kept.
class UnitCatalog : public EngineCatalog {
 public:
  UnitCatalog(Connection &connection, const std::string &owner)
      : EngineCatalog(connection), owner_(owner) {}
  void Self(const sql::Subprogram &sub) {
    if (!sub.function) return;
    name_ = sub.name.Last();
    returns_ = sub.returns != nullptr && sub.returns->sql != nullptr
                   ? sql::TypeFromTypeName(*sub.returns->sql)
                   : sql::MakeType(sql::TypeCategory::kVarchar2, 4000);
  }
  bool FindFunction(std::string_view qualifier, std::string_view name, std::string *qualified,
                    sql::OracleType *returns) override {
    if (!name_.empty() && name == name_ && (qualifier.empty() || qualifier == owner_)) {
      *qualified = owner_ + "." + std::string(name);
      *returns = returns_;
      return true;
    }
    return EngineCatalog::FindFunction(qualifier, name, qualified, returns);
  }

 private:
  std::string owner_;
  std::string_view name_;
  sql::OracleType returns_;
};

// The resolver's hook: a name of the unit stands for a value.
class CheckNames : public sql::NameScope {
 public:
  explicit CheckNames(Checker &c) : c_(c) {}
  bool Lookup(const Expr &e, sql::OracleType *type, uint32_t *ordinal) override;

 private:
  Checker &c_;
  uint32_t next_ = 0;
};

class Checker {
 public:
  Checker(Connection &connection, std::string_view text, const std::string &owner)
      : connection_(connection), text_(text), catalog_(connection, owner) {}

  void Unit(const sql::Subprogram &sub) {
    catalog_.Self(sub);
    Push();
    Add(Named::kLabel, sub.name.Last());
    Add(Named::kSubprogram, sub.name.Last(), &sub);
    Subprogram(sub);
    Pop();
  }

  // A package's header: its declarations, the subprograms'
  // parameters only.
  void PackageHeader(const sql::PlBlock &header) {
    Push();
    for (const sql::PlDecl *d : header.decls) Declaration(*d);
    Pop();
  }

  // A package body: the header's names, then the body's
  // declarations and subprograms, then its initialisation section.
  void PackageBody(const sql::PlBlock *header, const sql::PlBlock &body) {
    Push();
    if (header != nullptr) {
      for (const sql::PlDecl *d : header->decls) {
        if (d->kind == sql::PlDeclKind::kSubprogram) {
          Add(Named::kSubprogram, d->sub->name.Last(), d->sub);
        } else if (d->kind == sql::PlDeclKind::kException) {
          Add(Named::kException, d->name->name);
        } else if (d->kind == sql::PlDeclKind::kCursor) {
          Add(Named::kCursor, d->name->name, nullptr, d);
        } else if (d->kind != sql::PlDeclKind::kPragma && d->name != nullptr) {
          Add(d->kind == sql::PlDeclKind::kVariable ? Named::kValue : Named::kType, d->name->name);
        }
      }
    }
    for (const sql::PlDecl *d : body.decls) Declaration(*d);
    Statements(body.body);
    for (const sql::PlWhen *h : body.handlers) Statements(h->body);
    Pop();
  }

  void Unknown(uint32_t pos, std::string_view name) { Undeclared(pos, name); }

  std::vector<Found> found;
  std::set<std::string> tables;

  const Named *Find(std::string_view name) const {
    for (size_t i = scopes_.size(); i-- > 0;) {
      const auto &s = scopes_[i];
      for (size_t k = s.size(); k-- > 0;) {
        if (s[k].name == name) return &s[k];
      }
    }
    return nullptr;
  }

 private:
  void Push() { scopes_.emplace_back(); }
  void Pop() { scopes_.pop_back(); }
  void Add(Named::Kind kind, std::string_view name, const sql::Subprogram *sub = nullptr,
           const sql::PlDecl *cursor = nullptr) {
    scopes_.back().push_back({kind, name, sub, cursor});
  }

  void Report(uint32_t pos, int number, std::string text) {
    found.push_back({pos, number, std::move(text)});
  }
  void Undeclared(uint32_t pos, std::string_view name) {
    Report(pos, 201, "PLS-00201: identifier '" + std::string(name) + "' must be declared");
  }

  // A stored procedure or function: its parameters, or null when none
  // such is stored.
  const std::vector<UnitArgument> *Stored(std::string_view name) {
    const std::string key(name);
    auto it = stored_.find(key);
    if (it == stored_.end()) {
      std::vector<UnitArgument> params;
      UnitName unit;
      const bool known = FindUnit(connection_, {}, name, "'PROCEDURE', 'FUNCTION'", &unit) &&
                         StoredParameters(connection_, unit.owner, {}, unit.name, &params);
      it = stored_.emplace(key, std::make_pair(known, std::move(params))).first;
    }
    return it->second.first ? &it->second.second : nullptr;
  }

  void Subprogram(const sql::Subprogram &sub) {
    Push();
    for (const sql::PlParam *p : sub.params) {
      Type(p->type, p->pos);
      if (p->default_value != nullptr) Expression(p->default_value);
      Add(Named::kValue, p->name->name);
    }
    if (sub.returns != nullptr) Type(sub.returns, sub.returns->pos);
    if (sub.body != nullptr) Block(*sub.body);
    Pop();
  }

  // %TYPE and %ROWTYPE name a declared item or a table's column or row.
  bool Type(const sql::PlType *t, uint32_t pos) {
    if (t == nullptr || t->sql != nullptr || t->attr == 0) return true;
    const sql::Name &n = t->name;
    if (n.count == 0) return true;
    const Named *first = Find(n.part[0]);
    if (first != nullptr || (n.count >= 2 && IsPackage(n.part[0]))) return true;
    if (t->attr == 1 && n.count >= 2) {
      const sql::CatalogTable *table =
          catalog_.FindTable(n.count == 3 ? n.part[0] : std::string_view(), n.part[n.count - 2]);
      if (table != nullptr) {
        Uses(*table);
        for (const sql::CatalogColumn &c : table->columns) {
          if (sql::SameName(c.name, n.part[n.count - 1])) return true;
        }
      }
    } else if (t->attr == 2 && n.count <= 2) {
      const sql::CatalogTable *table =
          catalog_.FindTable(n.count == 2 ? n.part[0] : std::string_view(), n.part[n.count - 1]);
      if (table != nullptr) {
        Uses(*table);
        return true;
      }
    }
    std::string full;
    for (int i = 0; i < n.count; ++i) {
      if (i) full += '.';
      full.append(n.part[i]);
    }
    Undeclared(t->pos ? t->pos : pos, full);
    return false;
  }

  // A stored package of that name: pkg.item is the run's to check.
 public:
  bool IsPackage(std::string_view name) {
    const std::string key(name);
    auto it = packages_.find(key);
    if (it == packages_.end()) {
      UnitName unit;
      it = packages_.emplace(key, FindUnit(connection_, {}, name, "'PACKAGE'", &unit)).first;
    }
    return it->second;
  }

 private:
  void Uses(const sql::CatalogTable &table) {
    if (!table.owner.empty()) tables.insert(table.name);
  }

  void Block(const sql::PlBlock &b) {
    Push();
    for (const sql::Ident *l : b.labels) Add(Named::kLabel, l->name);
    for (const sql::PlDecl *d : b.decls) Declaration(*d);
    Statements(b.body);
    for (const sql::PlWhen *h : b.handlers) {
      for (const Expr *e : h->exceptions) {
        if (e->name.count == 1 && e->name.part[0] != "OTHERS" && !KnownException(e->name.part[0])) {
          Undeclared(e->pos, e->name.part[0]);
        }
      }
      Statements(h->body);
    }
    Pop();
  }

  bool KnownException(std::string_view n) const {
    const Named *d = Find(n);
    return (d != nullptr && d->kind == Named::kException) || PredefinedCode(n) != 0;
  }

  void Declaration(const sql::PlDecl &d) {
    const size_t before = found.size();
    switch (d.kind) {
      case sql::PlDeclKind::kVariable:
        Type(d.type, d.pos);
        if (d.init != nullptr) Expression(d.init);
        Add(Named::kValue, d.name->name);
        break;
      case sql::PlDeclKind::kException:
        Add(Named::kException, d.name->name);
        break;
      case sql::PlDeclKind::kCursor:
        if (d.query != nullptr) {
          Push();
          for (const sql::PlParam *p : d.params) Add(Named::kValue, p->name->name);
          Query(d.query, d.pos);
          Pop();
        }
        Add(Named::kCursor, d.name->name, nullptr, &d);
        break;
      case sql::PlDeclKind::kSubprogram:
        if (Find(d.sub->name.Last()) == nullptr ||
            Find(d.sub->name.Last())->kind != Named::kSubprogram) {
          Add(Named::kSubprogram, d.sub->name.Last(), d.sub);
        } else if (d.sub->body != nullptr) {
          Add(Named::kSubprogram, d.sub->name.Last(), d.sub);
        }
        if (d.sub->body != nullptr) Subprogram(*d.sub);
        return;
      case sql::PlDeclKind::kPragma:
        return;
      case sql::PlDeclKind::kRecordType: case sql::PlDeclKind::kTableType:
      case sql::PlDeclKind::kVarrayType: case sql::PlDeclKind::kRefCursorType:
      case sql::PlDeclKind::kSubtype:
        if (d.name != nullptr) Add(Named::kType, d.name->name);
        break;
    }
    if (found.size() != before) Report(d.pos, 0, "PL/SQL: Item ignored");
  }

  void Statements(const sql::List<PlStmt> &list) {
    for (const PlStmt *s : list) Statement(*s);
  }

  void Statement(const PlStmt &s) {
    const size_t before = found.size();
    bool sqlIgnored = false;
    switch (s.kind) {
      case PlStmtKind::kAssign:
        Target(s.target);
        Expression(s.expr);
        break;
      case PlStmtKind::kCall:
        Call(*s.target, true);
        break;
      case PlStmtKind::kIf: case PlStmtKind::kCase:
        Expression(s.expr);
        for (const sql::PlWhen *w : s.whens) Expression(w->cond);
        Ignored(s, before);
        for (const sql::PlWhen *w : s.whens) Statements(w->body);
        Statements(s.body);
        return;
      case PlStmtKind::kLoop:
        Statements(s.body);
        return;
      case PlStmtKind::kWhile:
        Expression(s.expr);
        Ignored(s, before);
        Statements(s.body);
        return;
      case PlStmtKind::kForRange: case PlStmtKind::kForall:
        if (s.kind == PlStmtKind::kForRange || s.forall == 0) {
          Expression(s.expr);
          Expression(s.upper);
        } else {
          Target(s.target);
        }
        Ignored(s, before);
        Push();
        if (s.name != nullptr) Add(Named::kValue, s.name->name);
        if (s.kind == PlStmtKind::kForall) {
          if (s.sql != nullptr) Sql(*s.sql);
        } else {
          Statements(s.body);
        }
        Pop();
        return;
      case PlStmtKind::kForCursor: {
        if (s.query != nullptr) {
          sqlIgnored = Query(s.query, s.query->pos);
        } else if (s.target != nullptr) {
          CursorRef(*s.target);
        }
        if (!sqlIgnored) Ignored(s, before);
        Push();
        if (s.name != nullptr) Add(Named::kValue, s.name->name);
        Statements(s.body);
        Pop();
        return;
      }
      case PlStmtKind::kExit: case PlStmtKind::kContinue: case PlStmtKind::kReturn:
      case PlStmtKind::kPipeRow:
        Expression(s.expr);
        break;
      case PlStmtKind::kRaise:
        if (s.expr != nullptr && s.expr->kind == ExprKind::kName && s.expr->name.count == 1 &&
            !KnownException(s.expr->name.part[0])) {
          Undeclared(s.expr->pos, s.expr->name.part[0]);
        }
        break;
      case PlStmtKind::kSql:
        if (s.sql != nullptr) {
          sqlIgnored = Sql(*s.sql);
        }
        break;
      case PlStmtKind::kOpen: case PlStmtKind::kClose:
        if (s.target != nullptr) CursorRef(*s.target);
        break;
      case PlStmtKind::kOpenFor:
        Target(s.target);
        if (s.query != nullptr) sqlIgnored = Query(s.query, s.query->pos);
        Expression(s.expr);
        for (const sql::PlUsing *u : s.using_args) Expression(u->expr);
        break;
      case PlStmtKind::kFetch:
        if (s.target != nullptr) CursorRef(*s.target);
        for (const Expr *t : s.into) Target(t);
        Expression(s.upper);
        break;
      case PlStmtKind::kExecute:
        Expression(s.expr);
        for (const Expr *t : s.into) Target(t);
        for (const sql::PlUsing *u : s.using_args) Expression(u->expr);
        for (const Expr *t : s.returning_into) Target(t);
        break;
      case PlStmtKind::kBlock:
        if (s.block != nullptr) Block(*s.block);
        return;
      case PlStmtKind::kNull: case PlStmtKind::kGoto:
        return;
    }
    if (!sqlIgnored) Ignored(s, before);
  }

  void Ignored(const PlStmt &s, size_t before) {
    if (found.size() != before) Report(s.pos, 0, "PL/SQL: Statement ignored");
  }

  // An explicit cursor (with its arguments), or a cursor variable.
  void CursorRef(const Expr &e) {
    if (e.kind == ExprKind::kFunction) {
      for (const Expr *a : e.args) Expression(a);
    }
    if (e.name.count == 1 && Find(e.name.part[0]) == nullptr) Undeclared(e.pos, e.name.part[0]);
  }

  // Where a value is written: a declared name (or a field of one), a bind.
  void Target(const Expr *e) {
    if (e == nullptr) return;
    if (e->kind == ExprKind::kFunction) {  // t(i) := ...
      for (const Expr *a : e->args) Expression(a);
    }
    if (e->kind == ExprKind::kMember) return Target(e->left);
    if ((e->kind == ExprKind::kName || e->kind == ExprKind::kFunction) && e->name.count >= 1 &&
        Find(e->name.part[0]) == nullptr) {
      if (e->name.count == 1) Undeclared(e->pos, e->name.part[0]);
    }
  }

  void Call(const Expr &e, bool statement) {
    const bool function = e.kind == ExprKind::kFunction;
    if (function) {
      for (const Expr *a : e.args) Expression(a->kind == ExprKind::kNamedArg ? a->left : a);
    }
    if (e.name.count != 1) return OtherSchemaCall(e);
    const std::string_view name = e.name.part[0];
    if (const Named *d = Find(name)) {
      if (d->kind == Named::kSubprogram) Arguments(e, *d);
      return;
    }
    if (const std::vector<UnitArgument> *params = Stored(name)) {
      StoredArguments(e, *params);
      return;
    }
    if (BuiltinCall(name) || (!statement && PredefinedName(name))) return;
    if (!statement && !function) return;  // decided by the caller
    Undeclared(e.pos, name);
  }

  // schema.unit(...) and schema.pkg.member(...): the unit must be there
  // and the unit's owner may run it. Package members and anything else
  // dotted are the run's to decide.
  void OtherSchemaCall(const Expr &e) {
    const sql::Name &n = e.name;
    if (n.count > 3 || Find(n.part[0]) != nullptr || IsPackage(n.part[0]) ||
        !connection_.Access().IsUser(std::string(n.part[0]))) {
      return;
    }
    UnitName unit;
    const bool packaged = n.count == 3;
    if (FindUnit(connection_, n.part[0], n.part[1], packaged ? "'PACKAGE'" : "'PROCEDURE', 'FUNCTION'",
                 &unit) &&
        MayExecute(connection_, unit.owner, unit.name)) {
      return;
    }
    Undeclared(e.pos, std::string(n.part[0]) + "." + std::string(n.part[1]));
  }

  void WrongArguments(const Expr &e) {
    Report(e.pos, 306, "PLS-00306: wrong number or types of arguments in call to '" +
                           std::string(e.name.Last()) + "'");
  }

  // The call's arguments against a local subprogram's parameters; an
  // overloaded name needs one of its declarations in that scope to fit
  // (which one is the run's to choose).
  void Arguments(const Expr &e, const Named &found) {
    for (size_t i = scopes_.size(); i-- > 0;) {
      bool here = false;
      for (const Named &n : scopes_[i]) {
        if (n.name != found.name || n.kind != Named::kSubprogram) continue;
        here = true;
        if (Fits(e, Parameters(*n.sub))) return;
      }
      if (here) return WrongArguments(e);
    }
  }

  static std::vector<UnitArgument> Parameters(const sql::Subprogram &sub) {
    std::vector<UnitArgument> params;
    for (const sql::PlParam *p : sub.params) {
      UnitArgument a;
      a.name = std::string(p->name->name);
      a.defaulted = p->default_value != nullptr;
      params.push_back(std::move(a));
    }
    return params;
  }

  void StoredArguments(const Expr &e, const std::vector<UnitArgument> &params) {
    if (!Fits(e, params)) WrongArguments(e);
  }

  static bool Fits(const Expr &e, const std::vector<UnitArgument> &params) {
    std::vector<bool> given(params.size(), false);
    size_t position = 0;
    if (e.kind == ExprKind::kFunction) {
      for (const Expr *a : e.args) {
        if (a->kind == ExprKind::kNamedArg) {
          size_t k = 0;
          while (k < params.size() && !sql::SameName(params[k].name, a->text)) ++k;
          if (k == params.size() || given[k]) return false;
          given[k] = true;
        } else {
          if (position >= params.size()) return false;
          given[position++] = true;
        }
      }
    }
    for (size_t k = 0; k < params.size(); ++k) {
      if (!given[k] && !params[k].defaulted) return false;
    }
    return true;
  }

  void Expression(const Expr *e) {
    if (e == nullptr) return;
    switch (e->kind) {
      case ExprKind::kName:
        if (e->name.count == 1) {
          const std::string_view n = e->name.part[0];
          if (const Named *d = Find(n)) {
            if (d->kind == Named::kSubprogram) Arguments(*e, *d);
            return;
          }
          if (PredefinedName(n)) return;
          if (const std::vector<UnitArgument> *params = Stored(n)) {
            StoredArguments(*e, *params);
            return;
          }
          Undeclared(e->pos, n);
        }
        return;
      case ExprKind::kFunction:
        if (e->extra != nullptr) return;  // analytics and the like: SQL's to check
        Call(*e, false);
        return;
      case ExprKind::kCursorAttr:
        if (e->name.count == 1 && e->name.part[0] != "SQL" && Find(e->name.part[0]) == nullptr) {
          Undeclared(e->pos, e->name.part[0]);
        }
        return;
      case ExprKind::kSubquery: case ExprKind::kExists:
        return;  // SQL: the run resolves it
      case ExprKind::kNamedArg:
        Expression(e->left);
        return;
      case ExprKind::kMember:
        Expression(e->left);
        return;
      default:
        break;
    }
    Expression(e->left);
    Expression(e->right);
    Expression(e->third);
    if (e->kind != ExprKind::kIn || e->query == nullptr) {
      for (const Expr *a : e->args) Expression(a);
    }
  }

  // A cursor's or loop's query: as SELECT query.
  bool Query(sql::Query *q, uint32_t pos) {
    sql::SelectStmt st;
    st.kind = sql::StmtKind::kSelect;
    st.pos = pos;
    st.query = q;
    return Sql(st);
  }

  // SQL of the unit, resolved with the unit's names: a table or column that
  // does not exist is the statement's error. True when it was reported.
  bool Sql(const sql::Statement &st) {
    switch (st.kind) {
      case sql::StmtKind::kSelect: case sql::StmtKind::kInsert: case sql::StmtKind::kUpdate:
      case sql::StmtKind::kDelete: case sql::StmtKind::kMerge:
        break;
      default:
        return false;
    }
    const size_t before = found.size();
    if (st.kind == sql::StmtKind::kSelect) {
      for (const Expr *t : static_cast<const sql::SelectStmt &>(st).query->into) Target(t);
    } else if (st.kind != sql::StmtKind::kMerge) {
      if (const sql::Returning *r = static_cast<const sql::DmlStmt &>(st).returning) {
        for (const Expr *t : r->into) Target(t);
      }
    }
    CheckNames names(*this);
    try {
      const sql::ResolvedStatement r = sql::Resolve(st, text_, catalog_, &names);
      for (const auto &source : r.sources) {
        if (source.second.table != nullptr) Uses(*source.second.table);
      }
    } catch (const sql::SemanticError &e) {
      if (e.code() == 942 || e.code() == 904) Report(e.offset(), e.code(), "PL/SQL: " + e.message());
    } catch (const sql::SyntaxError &) {
    }
    if (found.size() == before) return false;
    Report(st.pos, 0, "PL/SQL: SQL Statement ignored");
    return true;
  }

  Connection &connection_;
  std::string_view text_;
  UnitCatalog catalog_;
  std::vector<std::vector<Named>> scopes_;
  std::map<std::string, std::pair<bool, std::vector<UnitArgument>>> stored_;
  std::map<std::string, bool> packages_;
};

bool CheckNames::Lookup(const Expr &e, sql::OracleType *type, uint32_t *ordinal) {
  if (e.kind != ExprKind::kBind) {
    if (e.name.count == 0) return false;
    const Named *d = c_.Find(e.name.part[0]);
    if (d == nullptr && e.name.count >= 2 && c_.IsPackage(e.name.part[0])) {
      *type = sql::MakeType(sql::TypeCategory::kNull);  // pkg.var
      *ordinal = ++next_;
      return true;
    }
    if (d == nullptr || d->kind == Named::kException || d->kind == Named::kType) return false;
  }
  *type = sql::MakeType(sql::TypeCategory::kNull);
  *ordinal = ++next_;
  return true;
}

// Line and column (from 1) of `pos` in the unit's source.
void Place(std::string_view text, size_t unit_start, uint32_t pos, int *line, int *column) {
  *line = 1;
  *column = 1;
  for (size_t i = unit_start; i < pos && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++*line;
      *column = 1;
    } else {
      ++*column;
    }
  }
}

void Finish(Checker &checker, std::string_view text, size_t unit_start, UnitRecord *record) {
  std::stable_sort(checker.found.begin(), checker.found.end(),
                   [](const Found &a, const Found &b) {
                     // At one place, Oracle lists "Statement ignored" first.
                     return a.pos < b.pos || (a.pos == b.pos && a.number == 0 && b.number != 0);
                   });
  for (const Found &f : checker.found) {
    UnitError e;
    Place(text, unit_start, f.pos, &e.line, &e.position);
    e.text = f.text;
    e.message_number = f.number;
    record->errors.push_back(std::move(e));
  }
  record->tables.assign(checker.tables.begin(), checker.tables.end());
}

}  // namespace

UnitRecord CompileUnit(Connection &connection, const sql::Statement &statement,
                       std::string_view text, size_t unit_start, const std::string &owner) {
  UnitRecord record;
  record.owner = owner;
  // A unit's names resolve in its owner's schema, with the owner's rights.
  Connection::DefinerScope rights(connection, owner);
  Checker checker(connection, text, owner);
  if (statement.kind == sql::StmtKind::kCreateSubprogram) {
    const sql::Subprogram &sub = *static_cast<const sql::CreateSubprogramStmt &>(statement).sub;
    record.name = std::string(sub.name.Last());
    record.type = sub.function ? "FUNCTION" : "PROCEDURE";
    checker.Unit(sub);
    SubprogramArguments(connection, sub, &record.arguments);
  } else if (statement.kind == sql::StmtKind::kCreatePackage) {
    const auto &pkg = static_cast<const sql::CreatePackageStmt &>(statement);
    record.name = std::string(pkg.name.Last());
    record.type = pkg.body ? "PACKAGE BODY" : "PACKAGE";
    if (!pkg.body) {
      checker.PackageHeader(*pkg.block);
      // USER_ARGUMENTS: each public subprogram's parameters.
      // Overloads are numbered 1, 2, ... in the order declared.
      std::map<std::string_view, int> declared, numbered;
      for (const sql::PlDecl *d : pkg.block->decls) {
        if (d->kind == sql::PlDeclKind::kSubprogram) ++declared[d->sub->name.Last()];
      }
      for (const sql::PlDecl *d : pkg.block->decls) {
        if (d->kind != sql::PlDeclKind::kSubprogram) continue;
        const size_t first = record.arguments.size();
        SubprogramArguments(connection, *d->sub, &record.arguments);
        record.argument_objects.resize(record.arguments.size(), std::string(d->sub->name.Last()));
        if (declared[d->sub->name.Last()] < 2) continue;
        const int overload = ++numbered[d->sub->name.Last()];
        for (size_t k = first; k < record.arguments.size(); ++k) record.arguments[k].overload = overload;
      }
    } else {
      // The body needs its header, kept before it.
      const std::string header = LoadUnitSource(connection, owner, pkg.name.Last(), "'PACKAGE'");
      sql::Arena arena;
      const sql::PlBlock *headerBlock = nullptr;
      if (!header.empty()) {
        try {
          const sql::Statement *st = sql::Parse(header, arena);
          if (st->kind == sql::StmtKind::kCreatePackage) {
            headerBlock = static_cast<const sql::CreatePackageStmt *>(st)->block;
          }
        } catch (const sql::SyntaxError &) {
        }
      }
      if (header.empty()) {
        checker.Unknown(pkg.pos, record.name);
        checker.found.push_back({pkg.pos, 0, "PL/SQL: Compilation unit analysis terminated"});
      } else {
        checker.PackageBody(headerBlock, *pkg.block);
      }
    }
  }
  Finish(checker, text, unit_start, &record);
  return record;
}

bool SyntaxErrorRecord(const sql::SyntaxError &error, std::string_view text, size_t unit_start,
                       const std::string &owner, UnitRecord *out) {
  sql::Arena arena;
  sql::TokenArray tokens;
  try {
    tokens = sql::Lex(text, arena);
  } catch (const sql::SyntaxError &) {
    return false;  // a lexical error: nothing names the unit
  }
  size_t i = 0;
  auto word = [&](size_t k) { return k < tokens.size ? tokens.items[k].value : std::string_view(); };
  if (word(i) != "CREATE") return false;
  ++i;
  if (word(i) == "OR" && word(i + 1) == "REPLACE") i += 2;
  if (word(i) == "EDITIONABLE" || word(i) == "NONEDITIONABLE") ++i;
  std::string type(word(i));
  if (type != "PROCEDURE" && type != "FUNCTION" && type != "PACKAGE") return false;
  ++i;
  if (type == "PACKAGE" && word(i) == "BODY") {
    type = "PACKAGE BODY";
    ++i;
  }
  if (i >= tokens.size || tokens.items[i].kind == sql::Tok::kEnd ||
      tokens.items[i].kind == sql::Tok::kSymbol) {
    return false;
  }
  if (i + 2 < tokens.size && tokens.items[i + 1].kind == sql::Tok::kSymbol &&
      tokens.items[i + 1].sym == sql::Sym::kDot) {
    i += 2;  // schema.name
  }
  out->owner = owner;
  out->type = type;
  out->name = std::string(word(i));
  UnitError e;
  Place(text, unit_start, error.offset(), &e.line, &e.position);
  const std::string &m = error.message();
  const size_t newline = m.find('\n');
  e.text = m.rfind("ORA-06550", 0) == 0 && newline != std::string::npos ? m.substr(newline + 1) : m;
  const int inner = error.inner_code() != 0 ? error.inner_code() : error.code();
  e.message_number = inner < 0 ? -inner : inner;
  out->errors.push_back(std::move(e));
  return true;
}

}  // namespace kestrel_engine::plsql
