/*
** Calls: the built-in packages (DBMS_OUTPUT, RAISE_APPLICATION_ERROR,
** DBMS_UTILITY's error texts), subprograms declared in the block with
** IN, OUT and IN OUT parameters, defaults and named notation, and the
** interpreter's life: the unit's run, the break flag, line numbers.
*/
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <optional>
#include <random>
#include <thread>

#include "plsql/Interpreter.h"

#include "plsql/CodeCatalog.h"
#include "plsql/EngineCatalog.h"
#include "plsql/SessionState.h"
#include "plsql/StoredCode.h"
#include "plsql/UnitLookup.h"
#include "session/AccessGuard.h"
#include "session/Connection.h"
#include "sql/parse/Parse.h"

namespace kestrel_engine::plsql {

using sql::Expr;
using sql::ExprKind;

HostBinds::~HostBinds() = default;

Interpreter::Interpreter(const RunContext &context, std::string_view text)
    : ctx_(context), text_(text), db_(context.connection.db()),
      catalog_(std::make_unique<EngineCatalog>(context.connection)) {
  auto t = std::make_shared<VarType>();
  t->sql = sql::MakeType(sql::TypeCategory::kNumber);
  t->sql.precision = 10;
  t->sql.scale = 0;
  t->pls_integer = true;
  loop_index_type_ = t;
}

Interpreter::~Interpreter() = default;

std::string Interpreter::TextOf(const Value &v) {
  if (!v.IsDatetimeText()) return ToText(v);
  if (to_char_.stmt == nullptr &&
      sqlite3_prepare_v2(db_, "SELECT to_char(?1)", -1, &to_char_.stmt, nullptr) != SQLITE_OK) {
    return v.s;
  }
  BindTo(to_char_.stmt, 1, v);
  std::string text = v.s;
  if (sqlite3_step(to_char_.stmt) == SQLITE_ROW) text = ToText(FromColumn(to_char_.stmt, 0));
  sqlite3_reset(to_char_.stmt);
  return text;
}

int Interpreter::LineOf(uint32_t pos) const {
  int line = 1;
  for (uint32_t i = 0; i < pos && i < text_.size(); ++i) line += text_[i] == '\n';
  return line - line_base_;
}

void Interpreter::Raise(int code, std::string_view detail) {
  throw PlRaise::Ora(code, detail);
}

void Interpreter::InvalidUnit(uint32_t pos, const std::string &name) {
  // As Oracle compiles the calling block: the place, the error, and the
  // statement it ignored.
  int column = 1;
  for (uint32_t i = pos; i > 0 && i <= text_.size() && text_[i - 1] != '\n'; --i) ++column;
  const std::string place =
      "ORA-06550: line " + std::to_string(LineOf(pos)) + ", column " + std::to_string(column) + ":\n";
  PlRaise r;
  r.code = 6550;
  r.message = place + "PLS-00905: object " + name + " is invalid\n" + place +
              "PL/SQL: Statement ignored";
  r.traced_in = text_.data();  // a compilation error: no ORA-06512 line for this unit
  throw r;
}

void Interpreter::PollBreak() {
  if (ctx_.connection.TakeBreak()) Raise(1013);
}

namespace {

std::string FullName(const sql::Name &n) {
  std::string s;
  for (int i = 0; i < n.count; ++i) {
    if (i) s += '.';
    s.append(n.part[i]);
  }
  return s;
}

}  // namespace

bool Interpreter::Builtin(const Expr &call, Value *result) {
  const std::string name = FullName(call.name);
  SessionState &session = ctx_.connection.plsqlState();
  auto arg = [&](size_t k) -> const Expr * {
    const Expr *a = call.args.first;
    for (size_t i = 0; a != nullptr && i < k; ++i) a = static_cast<const Expr *>(a->next);
    return a;
  };
  const size_t argc = call.kind == ExprKind::kFunction ? call.args.size : 0;
  if (trigger_event_ != 0 && TriggerPredicate(call, result)) return true;
  if (name == "DBMS_OUTPUT.PUT_LINE" || name == "DBMS_OUTPUT.PUT") {
    if (argc != 1) Raise(6550, "PLS-00306: wrong number or types of arguments in call to '" +
                                   name.substr(12) + "'");
    const std::string text = TextOf(Eval(arg(0)));
    if (session.output_enabled) {
      session.output_partial += text;
      if (name == "DBMS_OUTPUT.PUT_LINE") {
        session.output_lines.push_back(std::move(session.output_partial));
        session.output_partial.clear();
      }
    }
    return true;
  }
  if (name == "DBMS_OUTPUT.NEW_LINE") {
    if (session.output_enabled) {
      session.output_lines.push_back(std::move(session.output_partial));
      session.output_partial.clear();
    }
    return true;
  }
  if (name == "DBMS_OUTPUT.ENABLE") {
    session.output_enabled = true;
    return true;
  }
  if (name == "DBMS_OUTPUT.DISABLE") {
    session.output_enabled = false;
    session.output_lines.clear();
    session.output_partial.clear();
    return true;
  }
  if (name == "DBMS_OUTPUT.GET_LINE") {
    // GET_LINE(line OUT, status OUT): status 0 with a line, 1 when none.
    if (argc != 2) Raise(6550, "PLS-00306: wrong number or types of arguments in call to 'GET_LINE'");
    if (session.output_lines.empty()) {
      Assign(*arg(0), Value());
      Assign(*arg(1), Value::Int(1));
    } else {
      Assign(*arg(0), Value::Text(session.output_lines.front()));
      session.output_lines.pop_front();
      Assign(*arg(1), Value::Int(0));
    }
    return true;
  }
  if (name == "RAISE_APPLICATION_ERROR" || name == "DBMS_STANDARD.RAISE_APPLICATION_ERROR") {
    if (argc < 2) Raise(6550, "PLS-00306: wrong number or types of arguments in call to 'RAISE_APPLICATION_ERROR'");
    const Value n = Eval(arg(0));
    int64_t code = 0;
    if (!ToWhole(n, -20999, -20000, &code)) Raise(21000, ToText(n));
    std::string text = ToText(Eval(arg(1)));
    if (text.size() > 2048) text.resize(2048);
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", static_cast<int>(-code));
    PlRaise r;
    r.code = static_cast<int>(-code);
    r.message = prefix + text;
    throw r;
  }
  if (name == "DBMS_LOCK.SLEEP" || name == "DBMS_SESSION.SLEEP") {
    // Seconds, in steps short enough for OCIBreak to stop it.
    Value n;
    if (argc != 1 || !ToNumber(Eval(arg(0)), &n) || n.IsNull() || n.AsDouble() < 0) Raise(6502);
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::microseconds(static_cast<int64_t>(std::min(n.AsDouble(), 3600.0) * 1e6));
    while (std::chrono::steady_clock::now() < until) {
      PollBreak();
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
          until - std::chrono::steady_clock::now(), std::chrono::milliseconds(10)));
    }
    return true;
  }
  if (name == "DBMS_RANDOM.VALUE") {
    // VALUE in [0, 1), VALUE(low, high) in [low, high).
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double r = unit(session.random);
    if (argc == 0) {
      *result = Value::Real(r);
      return true;
    }
    Value lo, hi;
    if (argc != 2 || !ToNumber(Eval(arg(0)), &lo) || !ToNumber(Eval(arg(1)), &hi)) Raise(6502);
    *result = lo.IsNull() || hi.IsNull() ? Value()
                                         : Value::Real(lo.AsDouble() + r * (hi.AsDouble() - lo.AsDouble()));
    return true;
  }
  if (name == "SQLERRM" && argc == 1) {
    int64_t negated = 0;
    if (!ToWhole(Eval(arg(0)), -99999, 0, &negated)) return false;
    const int code = static_cast<int>(-negated);
    *result = Value::Text(code == 0 ? "ORA-0000: normal, successful completion"
                                    : OraError::Make(code).message);
    return true;
  }
  if (name == "DBMS_UTILITY.FORMAT_ERROR_STACK" && argc == 0) {
    *result = handling_.empty() ? Value() : Value::Text(handling_.back()->message + "\n");
    return true;
  }
  if (name == "DBMS_UTILITY.FORMAT_ERROR_BACKTRACE" && argc == 0) {
    *result = handling_.empty() ? Value() : Value::Text(handling_.back()->trace);
    return true;
  }
  if (call.name.count == 2 && TableMethod(call, argc, result)) return true;
  if ((call.name.count == 2 || call.name.count == 3) && PackagedCall(call, result)) return true;
  if (call.name.count == 2 && CallOwnerQualified(call, result)) return true;
  if (call.name.count == 1) {
    Frame *where = nullptr;
    const Symbol *s = FindSymbol(call.name.part[0], &where);
    if (s != nullptr && s->kind == Symbol::kSubprogram) {
      *result = CallNamed(*s, *where, call);
      return true;
    }
    if (s == nullptr && CallStored(call, result)) return true;
  }
  return false;
}

bool Interpreter::TableMethod(const Expr &call, size_t argc, Value *result) {
  sql::Expr base;
  base.kind = ExprKind::kName;
  base.name = call.name;
  base.name.count = 1;
  Ref ref;
  if (!Locate(base, &ref, false) || ref.slot->kind != Value::kTable) return false;
  Table &t = *ref.slot->table;
  const std::string_view m = call.name.part[1];
  auto key = [&]() -> Value {
    const Value k = Eval(call.args.first);
    if (t.text_keys) return Value::Text(ToText(k));
    if (k.IsNull()) return k;
    int64_t whole = 0;
    if (!ToWhole(k, INT32_MIN, INT32_MAX, &whole)) Raise(6502);
    return Value::Int(whole);
  };
  if (m == "DELETE") {
    if (argc == 0) {
      t.by_int.clear();
      t.by_text.clear();
    } else {
      const Value k = key();
      if (t.text_keys) {
        t.by_text.erase(k.s);
      } else if (!k.IsNull()) {
        t.by_int.erase(k.i);
      }
    }
    return true;
  }
  if (argc != 1 || (m != "EXISTS" && m != "NEXT" && m != "PRIOR")) return false;
  const Value k = key();
  if (k.IsNull()) {
    *result = m == "EXISTS" ? Value::Bool(false) : Value();
    return true;
  }
  if (m == "EXISTS") {
    *result = Value::Bool(t.text_keys ? t.by_text.count(k.s) > 0 : t.by_int.count(k.i) > 0);
  } else if (t.text_keys) {
    auto it = m == "NEXT" ? t.by_text.upper_bound(k.s) : t.by_text.lower_bound(k.s);
    if (m == "NEXT") {
      *result = it == t.by_text.end() ? Value() : Value::Text(it->first);
    } else {
      *result = it == t.by_text.begin() ? Value() : Value::Text(std::prev(it)->first);
    }
  } else {
    auto it = m == "NEXT" ? t.by_int.upper_bound(k.i) : t.by_int.lower_bound(k.i);
    if (m == "NEXT") {
      *result = it == t.by_int.end() ? Value() : Value::Int(it->first);
    } else {
      *result = it == t.by_int.begin() ? Value() : Value::Int(std::prev(it)->first);
    }
  }
  return true;
}

void Interpreter::Call(const Expr &target) {
  Value ignored;
  if (Builtin(target, &ignored)) return;
  const sql::Name &n = target.name;
  Frame *where = nullptr;
  const Symbol *s = n.count == 1 ? FindSymbol(n.part[0], &where) : nullptr;
  if (s == nullptr || s->kind != Symbol::kSubprogram) {
    Raise(6550, "line " + std::to_string(LineOf(target.pos)) + ": PLS-00201: identifier '" +
                    FullName(n) + "' must be declared");
  }
  CallNamed(*s, *where, target);
}

const StoredUnit *Interpreter::LoadStored(std::string_view schema, std::string_view name,
                                          uint32_t pos, bool from_sql) {
  const std::string key = UnitLookupKey(ctx_.connection, schema, name);
  if (const auto known = stored_.find(key); known != stored_.end()) return known->second.get();
  UnitName unit;
  if (!FindUnit(ctx_.connection, schema, name, "'PROCEDURE', 'FUNCTION'", &unit)) return nullptr;
  // Another schema's unit is there only for a holder of EXECUTE on it.
  if (!MayExecute(ctx_.connection, unit.owner, unit.name)) return nullptr;
  auto loaded = std::make_unique<StoredUnit>();
  loaded->text = LoadUnitSource(ctx_.connection, unit.owner, unit.name, "'PROCEDURE', 'FUNCTION'");
  if (loaded->text.empty()) return nullptr;
  loaded->name = unit.Qualified();
  bool invalid = false;
  try {
    const sql::Statement *st = sql::Parse(loaded->text, loaded->arena);
    if (st->kind != sql::StmtKind::kCreateSubprogram) return nullptr;
    loaded->sub = static_cast<const sql::CreateSubprogramStmt *>(st)->sub;
    invalid = UnitIsInvalid(ctx_.connection, unit.owner, unit.name,
                            loaded->sub->function ? "FUNCTION" : "PROCEDURE");
  } catch (const sql::SyntaxError &) {
    invalid = true;
  }
  if (invalid) {
    if (from_sql) Raise(6575, loaded->name);
    InvalidUnit(pos, loaded->name);
  }
  return (stored_[key] = std::move(loaded)).get();
}

bool Interpreter::CallOwnerQualified(const Expr &call, Value *result) {
  const StoredUnit *u = LoadStored(call.name.part[0], call.name.part[1], call.pos, false);
  if (u == nullptr) return false;
  *result = CallSubprogram(*u->sub, globals_, call.kind == ExprKind::kFunction ? &call.args : nullptr,
                           u);
  return true;
}

bool Interpreter::CallStored(const Expr &call, Value *result) {
  const StoredUnit *u = LoadStored({}, call.name.part[0], call.pos, false);
  if (u == nullptr) return false;
  *result = CallSubprogram(*u->sub, globals_, call.kind == ExprKind::kFunction ? &call.args : nullptr,
                           u);
  return true;
}

namespace {

// An argument's value: evaluated already when the call chose among overloads.
Value Evaluated(const Expr *x, const ArgValues *evaluated, bool *found) {
  if (evaluated != nullptr) {
    const auto known = evaluated->find(x);
    if (known != evaluated->end()) {
      *found = true;
      return known->second;
    }
  }
  *found = false;
  return Value();
}

}  // namespace

Value Interpreter::CallSubprogram(const sql::Subprogram &sub, Frame &declared,
                                  const sql::List<Expr> *args, const StoredUnit *stored,
                                  const ArgValues *evaluated) {
  PollBreak();
  // Arguments by position, then by name (name => value).
  std::vector<const sql::PlParam *> params;
  for (const sql::PlParam *p : sub.params) params.push_back(p);
  std::vector<const Expr *> given(params.size(), nullptr);
  size_t position = 0;
  const std::string name(sub.name.Last());
  auto wrong = [&]() {
    Raise(6550, "PLS-00306: wrong number or types of arguments in call to '" + name + "'");
  };
  if (args != nullptr) {
    for (const Expr *a : *args) {
      if (a->kind == ExprKind::kNamedArg) {
        size_t k = 0;
        while (k < params.size() && params[k]->name->name != a->text) ++k;
        if (k == params.size() || given[k] != nullptr) wrong();
        given[k] = a->left;
      } else {
        if (position >= params.size()) wrong();
        given[position++] = a;
      }
    }
  }
  auto frame = std::make_unique<Frame>();
  frame->parent = &declared;
  for (size_t k = 0; k < params.size(); ++k) {
    const sql::PlParam &p = *params[k];
    Variable v;
    v.name = p.name->name;
    v.type = TypeOf(*p.type);
    v.value = Initial(v.type);
    const bool in = p.mode == 0 || p.mode == 1 || p.mode == 3;
    if (given[k] == nullptr) {
      if (p.mode >= 2 || p.default_value == nullptr) wrong();
      v.value = Coerce(Eval(p.default_value), *v.type);
    } else if (in) {
      bool found = false;
      Value given_value = Evaluated(given[k], evaluated, &found);
      v.value = Coerce(found ? std::move(given_value) : Eval(given[k]), *v.type);
    }
    v.constant = p.mode == 0 || p.mode == 1;
    frame->vars.push_back(std::move(v));
    frame->symbols.push_back({Symbol::kVariable, frame->vars.back().name, frame->vars.size() - 1});
  }
  // Every call of `sub` makes this frame with the same parameters in the
  // same order, under the frame it was declared in: the body's names
  // may remember the slots they find here (NameSlots.cpp).
  frame->scope = &sub;
  frame->sealed = true;
  frame->serial = ++ctx_.connection.plsqlState().frame_serial;
  Frame *callee = frame.get();
  frames_.push_back(std::move(frame));
  return_value_ = Value();
  Flow flow;
  const std::string_view callerText = text_;
  std::string callerUnit;
  // A stored unit runs with its owner's rights unless AUTHID CURRENT_USER.
  std::optional<Connection::DefinerScope> rights;
  if (stored != nullptr && sub.authid != 2 && !stored->invoker) {
    rights.emplace(ctx_.connection, stored->name.substr(0, stored->name.find('.')));
  }
  if (stored != nullptr) {
    text_ = stored->text;
    callerUnit = std::move(unit_name_);
    unit_name_ = stored->name;
  }
  try {
    flow = ExecBlock(*sub.body);
  } catch (...) {
    frames_.pop_back();
    if (stored != nullptr) {
      text_ = callerText;
      unit_name_ = std::move(callerUnit);
    }
    throw;
  }
  if (stored != nullptr) {
    text_ = callerText;
    unit_name_ = std::move(callerUnit);
  }
  Value result = std::move(return_value_);
  // OUT and IN OUT parameters go back to the caller's variables, looked
  // up once the callee's frame is gone.
  std::vector<std::pair<const Expr *, Value>> out;
  for (size_t k = 0; k < params.size(); ++k) {
    if (params[k]->mode >= 2) out.emplace_back(given[k], std::move(callee->vars[k].value));
  }
  frames_.pop_back();
  if (sub.function && flow != Flow::kReturn) Raise(6503);
  for (auto &o : out) Assign(*o.first, std::move(o.second));
  if (sub.function) return Coerce(std::move(result), *TypeOf(*sub.returns));
  return result;
}

bool RunAnonymousBlock(const RunContext &context, const sql::PlBlockStmt &block,
                       std::string_view text, uint32_t *rows, OraError *error) {
  Interpreter in(context, text);
  try {
    in.ExecBlock(*block.block);
  } catch (const PlRaise &raised) {
    if (in.block_open_) context.connection.EndBlock(true);
    *rows = 0;
    *error = raised.ToOraError();
    return false;
  }
  if (in.block_open_) context.connection.EndBlock(false);
  *rows = in.rows();
  return true;
}

}  // namespace kestrel_engine::plsql
