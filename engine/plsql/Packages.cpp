/*
** Packages at run time: a package is loaded, declared and initialised
** once per session at its first use (its state then lives in the
** session), `pkg.name` finds a public item of it, and `pkg.sub(...)`
** calls one of its subprograms with the package's items in scope. A
** package replaced by another session since this one instantiated it
** loses its state here with ORA-04068, as Oracle's does.
*/
#include "plsql/Package.h"

#include <optional>

#include "catalog/Privileges.h"
#include "plsql/CodeCatalog.h"
#include "plsql/SessionState.h"
#include "plsql/StoredCode.h"
#include "plsql/UnitLookup.h"
#include "session/AccessGuard.h"
#include "session/Connection.h"
#include "sql/parse/Parse.h"

namespace kestrel_engine::plsql {

using sql::Expr;
using sql::ExprKind;

namespace {

std::string_view DeclName(const sql::PlDecl &d) {
  if (d.kind == sql::PlDeclKind::kSubprogram) return d.sub->name.Last();
  return d.name != nullptr ? d.name->name : std::string_view();
}

bool SameType(const sql::PlType *a, const sql::PlType *b) {
  if (a == nullptr || b == nullptr) return a == b;
  if ((a->sql == nullptr) != (b->sql == nullptr)) return false;
  if (a->sql != nullptr) return a->sql->kind == b->sql->kind;
  if (a->attr != b->attr || a->name.count != b->name.count) return false;
  for (int i = 0; i < a->name.count; ++i) {
    if (a->name.part[i] != b->name.part[i]) return false;
  }
  return true;
}

// A body's subprogram and a header's declaration of it: the same
// parameters (names and types) in the same order.
bool SameParameters(const sql::Subprogram &a, const sql::Subprogram &b) {
  if (a.function != b.function || a.params.size != b.params.size) return false;
  auto x = a.params.begin();
  for (const sql::PlParam *q : b.params) {
    if ((*x)->name->name != q->name->name || !SameType((*x)->type, q->type)) return false;
    ++x;
  }
  return true;
}

}  // namespace

std::shared_ptr<PackageInstance> Interpreter::Package(std::string_view name, uint32_t pos,
                                                     std::string_view only_owner, bool from_sql) {
  const std::string called = UnitLookupKey(ctx_.connection, only_owner, name);
  if (const auto known = packages_.find(called); known != packages_.end()) return known->second;
  UnitName unit;
  if (!FindUnit(ctx_.connection, only_owner, name, "'PACKAGE'", &unit)) {
    packages_[called] = nullptr;
    return nullptr;
  }
  const std::string &owner = unit.owner;
  const std::string &key = unit.name;
  // Another schema's package is there only for a holder of EXECUTE on it;
  // one seen through another privilege is refused by name.
  if (!MayExecute(ctx_.connection, owner, key)) {
    if (ctx_.connection.Access().MayReach(ctx_.connection.RightsHolder(), CodeKey(owner, key))) {
      if (from_sql) Raise(1031);
      Raise(6550, "line " + std::to_string(LineOf(pos)) +
                      ": PLS-00904: insufficient privilege to access object " + owner + "." + key);
    }
    packages_[called] = nullptr;
    return nullptr;
  }
  std::string header = LoadUnitSource(ctx_.connection, owner, key, "'PACKAGE'");
  std::string body = LoadUnitSource(ctx_.connection, owner, key, "'PACKAGE BODY'");
  const std::string full = owner + "." + key;
  auto &session = ctx_.connection.plsqlState().packages;
  if (const auto held = session.find(full); held != session.end()) {
    if (held->second->header.text == header && held->second->body.text == body) {
      packages_[called] = held->second;
      return held->second;
    }
    // Replaced since this session used it: the state goes, once.
    session.erase(held);
    PlRaise r;
    r.code = 4068;
    r.message = "ORA-04068: existing state of packages has been discarded\nORA-04061: existing "
                "state of package \"" + full + "\" has been invalidated";
    throw r;
  }
  auto p = std::make_shared<PackageInstance>();
  p->key = full;
  p->header.text = std::move(header);
  p->header.name = full;
  p->body.text = std::move(body);
  p->body.name = full;
  bool invalid = UnitIsInvalid(ctx_.connection, owner, key, "PACKAGE") ||
                 (!p->body.text.empty() &&
                  UnitIsInvalid(ctx_.connection, owner, key, "PACKAGE BODY"));
  try {
    const sql::Statement *st = sql::Parse(p->header.text, p->header.arena);
    if (st->kind != sql::StmtKind::kCreatePackage) return nullptr;
    p->header_tree = static_cast<const sql::CreatePackageStmt *>(st);
    p->body.invoker = p->header_tree->authid == 2;
    if (!p->body.text.empty()) {
      st = sql::Parse(p->body.text, p->body.arena);
      if (st->kind == sql::StmtKind::kCreatePackage) {
        p->body_tree = static_cast<const sql::CreatePackageStmt *>(st);
      }
    }
  } catch (const sql::SyntaxError &) {
    invalid = true;
  }
  if (invalid) InvalidUnit(pos, full);
  for (const sql::PlDecl *d : p->header_tree->block->decls) {
    const std::string_view n = DeclName(*d);
    if (!n.empty()) p->public_names.insert(n);
  }
  session[full] = p;
  packages_[called] = p;
  try {
    Initialise(*p);
  } catch (...) {
    session.erase(full);
    packages_.erase(called);
    throw;
  }
  return p;
}

void Interpreter::Initialise(PackageInstance &p) {
  // The declarations and the initialisation section run in a frame of
  // their own whose names end at the package's.
  auto inner = std::make_unique<Frame>();
  inner->parent = &p.frame;
  frames_.push_back(std::move(inner));
  const std::string_view callerText = text_;
  std::string callerUnit = std::move(unit_name_);
  struct Restore {
    Interpreter &in;
    std::string_view text;
    std::string &unit;
    ~Restore() {
      in.frames_.pop_back();
      in.text_ = text;
      in.unit_name_ = std::move(unit);
    }
  } restore{*this, callerText, callerUnit};
  // Its initialisation runs with the owner's rights, as its members do.
  std::optional<Connection::DefinerScope> rights;
  if (!p.body.invoker) rights.emplace(ctx_.connection, p.key.substr(0, p.key.find('.')));
  text_ = p.header.text;
  unit_name_ = p.key;
  for (const sql::PlDecl *d : p.header_tree->block->decls) Declare(*d, p.frame);
  if (p.body_tree != nullptr) {
    text_ = p.body.text;
    for (const sql::PlDecl *d : p.body_tree->block->decls) Declare(*d, p.frame);
    ExecList(p.body_tree->block->body);
  }
  p.ready = true;
}

const Symbol *Interpreter::PackageMember(const sql::Name &n, uint32_t pos, Frame **where, int *parts) {
  if (n.count < 2) return nullptr;
  std::shared_ptr<PackageInstance> p = Package(n.part[0], pos);
  *parts = 2;
  if (!p && n.count >= 3) {
    // owner.pkg.item
    p = Package(n.part[1], pos, n.part[0]);
    *parts = 3;
  }
  if (!p) return nullptr;
  const std::string_view member = n.part[*parts - 1];
  if (p->public_names.count(member) == 0) {
    Raise(6550, "PLS-00302: component '" + std::string(member) + "' must be declared");
  }
  *where = &p->frame;
  return p->frame.Find(member);
}

bool Interpreter::PackagedCall(const Expr &call, Value *result, bool from_sql) {
  // pkg.member or owner.pkg.member
  const int n = call.name.count;
  if (n != 2 && n != 3) return false;
  Frame *local = nullptr;
  if (FindSymbol(call.name.part[0], &local) != nullptr) return false;  // a local name wins
  const std::shared_ptr<PackageInstance> p =
      Package(call.name.part[n - 2], call.pos, n == 3 ? call.name.part[0] : std::string_view(), from_sql);
  if (!p) return false;
  const std::string member(call.name.part[n - 1]);
  if (p->public_names.count(member) == 0) {
    Raise(6550, "PLS-00302: component '" + member + "' must be declared");
  }
  // The header's declarations of the name: those a call from outside
  // may mean.
  std::vector<const sql::Subprogram *> declared;
  for (const sql::PlDecl *d : p->header_tree->block->decls) {
    if (d->kind == sql::PlDeclKind::kSubprogram && d->sub->name.Last() == member) {
      declared.push_back(d->sub);
    }
  }
  const Symbol *s = p->frame.Find(member);
  if (s == nullptr || s->kind != Symbol::kSubprogram) {
    if (!declared.empty()) Raise(4067, "package body \"" + p->key + "\"");
    return false;  // a variable: not a call
  }
  const sql::Subprogram *sub = p->frame.subprograms[s->index];
  ArgValues values;
  if (declared.size() > 1) {
    // The body's subprograms that carry a public declaration.
    std::vector<const sql::Subprogram *> candidates;
    for (const sql::Subprogram *body : Overloads(p->frame, member)) {
      for (const sql::Subprogram *header : declared) {
        if (SameParameters(*header, *body)) {
          candidates.push_back(body);
          break;
        }
      }
    }
    sub = ChooseOverload(candidates, p->frame, call, &values);
  }
  if (from_sql) {
    if (!sub->function) Raise(904, "\"" + member + "\"");
    for (const sql::PlParam *param : sub->params) {
      if (param->mode >= 2) Raise(6572, member);
    }
  }
  *result = CallSubprogram(*sub, p->frame, call.kind == ExprKind::kFunction ? &call.args : nullptr,
                           &p->body, &values);
  return true;
}

}  // namespace kestrel_engine::plsql
