/*
** Names and expressions: finding what a name refers to (variables,
** record fields, labelled blocks, associative array elements, client
** binds), and evaluating expressions natively for the common forms with
** Oracle's NULL rules; other forms are computed by SQLite (EvalSql).
*/
#include <cmath>

#include "plsql/Interpreter.h"

namespace kestrel_engine::plsql {

using sql::Expr;
using sql::ExprKind;
using sql::Op;

const Symbol *Interpreter::FindSymbol(std::string_view name, Frame **where) {
  for (Frame *f = frames_.empty() ? nullptr : frames_.back().get(); f != nullptr; f = f->parent) {
    if (const Symbol *s = f->Find(name)) {
      *where = f;
      return s;
    }
  }
  return nullptr;
}

namespace {

// An element of an associative array, made when `create`.
Value *Element(Table &t, const Value &key, bool create) {
  if (t.text_keys) {
    const std::string k = ToText(key);
    if (create) return &t.by_text[k];
    const auto it = t.by_text.find(k);
    return it == t.by_text.end() ? nullptr : &it->second;
  }
  int64_t k = 0;
  if (!ToWhole(key, INT32_MIN, INT32_MAX, &k)) return nullptr;
  if (create) return &t.by_int[k];
  const auto it = t.by_int.find(k);
  return it == t.by_int.end() ? nullptr : &it->second;
}

bool FieldOf(Value *rec, const TypeRef &type, std::string_view field, Ref *out) {
  if (rec == nullptr || rec->kind != Value::kRecord) return false;
  const int k = rec->rec->Find(field);
  if (k < 0) return false;
  out->slot = &rec->rec->values[static_cast<size_t>(k)];
  out->type = type && type->kind == VarType::kRecord ? type->field_types[static_cast<size_t>(k)]
                                                     : TypeRef();
  return true;
}

}  // namespace

bool Interpreter::Locate(const Expr &e, Ref *out, bool create) {
  if (e.kind == ExprKind::kBind) {
    if (e.name.count > 0 && trigger_frame_ != nullptr) return LocateTriggerRow(e, out);
    out->host = std::string(e.text);
    if (out->host.empty()) out->host = "?";
    return true;
  }
  if (e.kind == ExprKind::kName) {
    const sql::Name &n = e.name;
    if (Variable *v = FindVariable(e)) {
      out->slot = &v->value;
      out->type = v->type;
      out->var = v;
      for (int next = 1; next < n.count; ++next) {
        if (!FieldOf(out->slot, out->type, n.part[next], out)) return false;
      }
      return true;
    }
    Frame *where = nullptr;
    const Symbol *s = FindSymbol(n.part[0], &where);
    int next = 1;
    if ((s == nullptr || s->kind != Symbol::kVariable) && n.count >= 2) {
      // label.name
      for (Frame *f = frames_.empty() ? nullptr : frames_.back().get(); f != nullptr; f = f->parent) {
        if (!f->label.empty() && f->label == n.part[0]) {
          s = f->Find(n.part[1]);
          where = f;
          next = 2;
          break;
        }
      }
    }
    if (s == nullptr && n.count >= 2) {
      // pkg.name or owner.pkg.name: a package's public variable or constant
      s = PackageMember(n, e.pos, &where, &next);
    }
    if (s == nullptr || s->kind != Symbol::kVariable) return false;
    Variable &v = where->vars[s->index];
    out->slot = &v.value;
    out->type = v.type;
    out->var = &v;
    for (; next < n.count; ++next) {
      if (!FieldOf(out->slot, out->type, n.part[next], out)) return false;
    }
    return true;
  }
  if (e.kind == ExprKind::kFunction && e.name.count >= 1 && e.args.size == 1 && e.extra == nullptr) {
    sql::Expr base;
    base.kind = ExprKind::kName;
    base.name = e.name;
    Ref table;
    if (!Locate(base, &table, false) || table.slot->kind != Value::kTable) return false;
    const Value key = Eval(e.args.first);
    if (key.IsNull()) Raise(6502, ": NULL index table key value");
    Value *slot = Element(*table.slot->table, key, create);
    if (slot == nullptr) {
      if (!create) Raise(1403);
      return false;
    }
    if (create && slot->IsNull() && table.type && table.type->element &&
        table.type->element->kind != VarType::kScalar) {
      *slot = Initial(table.type->element);
    }
    out->slot = slot;
    out->type = table.type ? table.type->element : TypeRef();
    out->var = table.var;
    return true;
  }
  if (e.kind == ExprKind::kMember && e.left != nullptr) {
    Ref base;
    if (!Locate(*e.left, &base, create) || base.slot == nullptr) return false;
    if (!FieldOf(base.slot, base.type, e.name.part[0], out)) return false;
    out->var = base.var;
    return true;
  }
  return false;
}

void Interpreter::Store(const Ref &ref, Value v) {
  if (!ref.host.empty()) {
    OraError error;
    if (ctx_.binds == nullptr || !ctx_.binds->Write(ref.host, v, &error)) {
      if (!error.failed()) error = OraError::Make(1008);
      throw PlRaise::From(error);
    }
    return;
  }
  if (ref.var != nullptr && ref.var->constant) {
    Raise(6550, "PLS-00363: expression '" + std::string(ref.var->name) +
                    "' cannot be used as an assignment target");
  }
  if (ref.type) v = Coerce(std::move(v), *ref.type);
  if (ref.var != nullptr && ref.var->not_null && v.IsNull() && ref.slot == &ref.var->value) Raise(6502);
  *ref.slot = std::move(v);
}

void Interpreter::Assign(const Expr &target, Value v) {
  if (target.kind == ExprKind::kName && target.name.count == 1) {
    Variable *var = FindVariable(target);
    if (var != nullptr && !var->constant && var->type->kind == VarType::kScalar) {
      v = Coerce(std::move(v), *var->type);
      if (var->not_null && v.IsNull()) Raise(6502);
      var->value = std::move(v);
      return;
    }
  }
  Ref ref;
  if (!Locate(target, &ref, true)) {
    std::string shown(target.name.Last());
    Raise(6550, "PLS-00201: identifier '" + shown + "' must be declared");
  }
  Store(ref, std::move(v));
}

namespace {

Value ParseNumber(std::string_view text) {
  int64_t v = 0;
  bool whole = text.size() <= 18;
  for (char c : text) {
    if (c < '0' || c > '9') {
      whole = false;
      break;
    }
    v = v * 10 + (c - '0');
  }
  if (whole) return Value::Int(v);
  Value out;
  ToNumber(Value::Text(std::string(text)), &out);
  return out;
}

}  // namespace

bool Interpreter::Condition(const Expr *e) {
  if (e->kind == ExprKind::kBinary && e->op >= Op::kEq && e->op <= Op::kGe) {
    // Whole numbers compare without values.
    int64_t a = 0, b = 0;
    if (EvalWhole(e->left, &a) && EvalWhole(e->right, &b)) {
      switch (e->op) {
        case Op::kEq: return a == b;
        case Op::kNe: return a != b;
        case Op::kLt: return a < b;
        case Op::kLe: return a <= b;
        case Op::kGt: return a > b;
        default: return a >= b;
      }
    }
  }
  const Value v = Eval(e);
  if (v.IsNull()) return false;
  if (v.kind != Value::kBool) {
    Raise(6550, "line " + std::to_string(LineOf(e->pos)) +
                    ", column 1: PLS-00382: expression is of wrong type");
  }
  return v.b;
}

Value Interpreter::Eval(const Expr *e) {
  switch (e->kind) {
    case ExprKind::kNumber:
      if (e->flags & (sql::kBinaryFloat | sql::kBinaryDouble)) break;
      return ParseNumber(e->text);
    case ExprKind::kString: return Value::Text(std::string(e->text));
    case ExprKind::kNull: return {};
    case ExprKind::kBoolean: return Value::Bool(e->text == "TRUE");
    case ExprKind::kBind: case ExprKind::kName: case ExprKind::kMember: {
      if (e->kind == ExprKind::kName && e->name.count == 1) {
        // A plain variable: no reference to build.
        if (const Variable *v = FindVariable(*e)) return v->value;
      }
      Ref ref;
      if (Locate(*e, &ref, false)) {
        if (!ref.host.empty()) {
          Value v;
          OraError error;
          if (ctx_.binds == nullptr || !ctx_.binds->Read(ref.host, &v, &error)) {
            if (!error.failed()) error = OraError::Make(1008);
            throw PlRaise::From(error);
          }
          return v;
        }
        return *ref.slot;
      }
      if (e->kind == ExprKind::kName && e->name.count == 1) {
        const std::string_view n = e->name.part[0];
        if (n == "SQLCODE") {
          return Value::Int(handling_.empty() ? 0 : handling_.back()->code == kUserException &&
                                                            handling_.back()->user
                                                        ? 1 : -handling_.back()->code);
        }
        if (n == "SQLERRM") {
          if (handling_.empty()) return Value::Text("ORA-0000: normal, successful completion");
          const PlRaise &r = *handling_.back();
          return Value::Text(r.user && r.code == kUserException ? "User-Defined Exception" : r.message);
        }
      }
      Value v;
      if (e->kind == ExprKind::kName && Builtin(*e, &v)) return v;
      if (e->kind == ExprKind::kName && e->name.count == 2) {
        // t.COUNT, t.FIRST, t.LAST on an associative array
        sql::Expr base;
        base.kind = ExprKind::kName;
        base.name = e->name;
        base.name.count = 1;
        Ref table;
        if (Locate(base, &table, false) && table.slot->kind == Value::kTable) {
          Table &t = *table.slot->table;
          const std::string_view m = e->name.part[1];
          if (m == "COUNT") return Value::Int(static_cast<int64_t>(t.Count()));
          if (t.Count() == 0) return {};
          if (m == "FIRST") {
            return t.text_keys ? Value::Text(t.by_text.begin()->first) : Value::Int(t.by_int.begin()->first);
          }
          if (m == "LAST") {
            return t.text_keys ? Value::Text(t.by_text.rbegin()->first) : Value::Int(t.by_int.rbegin()->first);
          }
        }
      }
      if (e->kind == ExprKind::kBind) break;
      break;
    }
    case ExprKind::kCursorAttr: return CursorAttr(*e);
    case ExprKind::kUnary: {
      if (e->op == Op::kNot) {
        const Value a = Eval(e->left);
        if (a.IsNull()) return {};
        if (a.kind != Value::kBool) break;
        return Value::Bool(!a.b);
      }
      if (e->op == Op::kNeg || e->op == Op::kPlus) {
        Value a;
        if (!ToNumber(Eval(e->left), &a)) Raise(6502, ": character to number conversion error");
        if (a.IsNull() || e->op == Op::kPlus) return a;
        if (a.kind == Value::kInt && a.i != INT64_MIN) return Value::Int(-a.i);
        return Value::Real(-a.AsDouble());
      }
      break;
    }
    case ExprKind::kBinary: {
      const Op op = e->op;
      if (op == Op::kConcat) {
        const Value a = Eval(e->left), b = Eval(e->right);
        if (a.IsDatetimeText() || b.IsDatetimeText()) break;
        return Value::Text(ToText(a) + ToText(b));
      }
      if (op >= Op::kEq && op <= Op::kGe) {
        const Value a = Eval(e->left), b = Eval(e->right);
        if (a.IsNull() || b.IsNull()) return {};
        if ((a.kind == Value::kBlob) != (b.kind == Value::kBlob)) break;
        const int c = Compare(a, b);
        switch (op) {
          case Op::kEq: return Value::Bool(c == 0);
          case Op::kNe: return Value::Bool(c != 0);
          case Op::kLt: return Value::Bool(c < 0);
          case Op::kLe: return Value::Bool(c <= 0);
          case Op::kGt: return Value::Bool(c > 0);
          default: return Value::Bool(c >= 0);
        }
      }
      if (op == Op::kAdd || op == Op::kSub || op == Op::kMul || op == Op::kDiv || op == Op::kPow) {
        int64_t whole = 0;
        if (EvalWhole(e, &whole)) return Value::Int(whole);
        Value a = Eval(e->left), b = Eval(e->right);
        if (a.IsDatetimeText() || b.IsDatetimeText()) break;
        // Text operands convert; numbers are used as they are.
        if ((!a.IsNumber() && !ToNumber(Value(a), &a)) || (!b.IsNumber() && !ToNumber(Value(b), &b))) {
          Raise(6502, ": character to number conversion error");
        }
        if (a.IsNull() || b.IsNull()) return {};
        if (a.kind == Value::kInt && b.kind == Value::kInt) {
          int64_t r;
          switch (op) {
            case Op::kAdd: if (!__builtin_add_overflow(a.i, b.i, &r)) return Value::Int(r); break;
            case Op::kSub: if (!__builtin_sub_overflow(a.i, b.i, &r)) return Value::Int(r); break;
            case Op::kMul: if (!__builtin_mul_overflow(a.i, b.i, &r)) return Value::Int(r); break;
            case Op::kDiv:
              if (b.i == 0) Raise(1476);
              if (b.i != -1 && a.i % b.i == 0) return Value::Int(a.i / b.i);
              break;
            default: break;
          }
        }
        const double x = a.AsDouble(), y = b.AsDouble();
        switch (op) {
          case Op::kAdd: return Value::Real(x + y);
          case Op::kSub: return Value::Real(x - y);
          case Op::kMul: return Value::Real(x * y);
          case Op::kDiv:
            if (y == 0) Raise(1476);
            return Value::Real(x / y);
          default: return Value::Real(std::pow(x, y));
        }
      }
      break;
    }
    case ExprKind::kLogical: {
      const bool isAnd = e->op == Op::kAnd;
      bool unknown = false;
      for (const Expr *arg : e->args) {
        const Value v = Eval(arg);
        if (v.IsNull()) {
          unknown = true;
          continue;
        }
        if (v.kind != Value::kBool) Raise(6550, "PLS-00382: expression is of wrong type");
        if (v.b != isAnd) return Value::Bool(!isAnd);
      }
      return unknown ? Value() : Value::Bool(isAnd);
    }
    case ExprKind::kIsNull: {
      const Value v = Eval(e->left);
      const bool isNull = v.IsNull();
      return Value::Bool((e->flags & sql::kNegated) ? !isNull : isNull);
    }
    case ExprKind::kCase: {
      const bool simple = e->left != nullptr;
      const Value subject = simple ? Eval(e->left) : Value();
      for (const Expr *w : e->args) {
        bool hit;
        if (simple) {
          const Value v = Eval(w->left);
          hit = !subject.IsNull() && !v.IsNull() && Compare(subject, v) == 0;
        } else {
          hit = Condition(w->left);
        }
        if (hit) return Eval(w->right);
      }
      return e->right != nullptr ? Eval(e->right) : Value();
    }
    case ExprKind::kFunction: {
      Ref ref;
      if (e->extra == nullptr && e->args.size == 1 && Locate(*e, &ref, false)) return *ref.slot;
      Value v;
      if (Builtin(*e, &v)) return v;
      break;
    }
    default:
      break;
  }
  return EvalSql(e);
}

}  // namespace kestrel_engine::plsql
