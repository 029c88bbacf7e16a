/*
** The interpreter's short cuts for whole-number work, the bulk of loop
** counters and sums: arithmetic over variables and literals computed on
** int64_t without building values, and assignment of such a result to a
** numeric variable checked against its declared type as Coerce would.
** Anything else (NULL, fractions, text, overflow past 64 bits, calls)
** answers false before any effect, and the general path runs instead.
*/
#include "plsql/Interpreter.h"

namespace kestrel_engine::plsql {

using sql::Expr;
using sql::ExprKind;
using sql::Op;

namespace {

// A literal written as digits only, up to 18 of them.
inline __attribute__((always_inline)) bool WholeLiteral(const Expr *e, int64_t *out) {
  if ((e->flags & (sql::kBinaryFloat | sql::kBinaryDouble)) || e->text.empty() ||
      e->text.size() > 18) {
    return false;
  }
  int64_t v = 0;
  for (const char c : e->text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *out = v;
  return true;
}

}  // namespace

// Operands that are names and literals are read in place, without a
// call of their own; only nested operations recurse.
#define KESTREL_WHOLE_OPERAND(e, out)                                        \
  do {                                                                       \
    if ((e)->kind == ExprKind::kName) {                                      \
      if ((e)->name.count != 1) return false;                                \
      const Variable *v_ = FindVariable(*(e));                               \
      if (v_ == nullptr || v_->value.kind != Value::kInt) return false;      \
      *(out) = v_->value.i;                                                  \
    } else if ((e)->kind == ExprKind::kNumber) {                             \
      if (!WholeLiteral((e), (out))) return false;                           \
    } else if (!EvalWhole((e), (out))) {                                     \
      return false;                                                          \
    }                                                                        \
  } while (0)

bool Interpreter::EvalWhole(const Expr *e, int64_t *out) {
  switch (e->kind) {
    case ExprKind::kNumber:
      return WholeLiteral(e, out);
    case ExprKind::kName: {
      if (e->name.count != 1) return false;
      const Variable *v = FindVariable(*e);
      if (v == nullptr || v->value.kind != Value::kInt) return false;
      *out = v->value.i;
      return true;
    }
    case ExprKind::kUnary: {
      if (e->op != Op::kNeg && e->op != Op::kPlus) return false;
      int64_t a = 0;
      KESTREL_WHOLE_OPERAND(e->left, &a);
      if (e->op == Op::kPlus) {
        *out = a;
        return true;
      }
      if (a == INT64_MIN) return false;
      *out = -a;
      return true;
    }
    case ExprKind::kBinary: {
      const Op op = e->op;
      if (op != Op::kAdd && op != Op::kSub && op != Op::kMul && op != Op::kDiv) return false;
      int64_t a = 0, b = 0;
      KESTREL_WHOLE_OPERAND(e->left, &a);
      KESTREL_WHOLE_OPERAND(e->right, &b);
      switch (op) {
        case Op::kAdd: return !__builtin_add_overflow(a, b, out);
        case Op::kSub: return !__builtin_sub_overflow(a, b, out);
        case Op::kMul: return !__builtin_mul_overflow(a, b, out);
        default:
          // Only an exact quotient stays whole; division by zero raises
          // on the general path.
          if (b == 0 || b == -1 || a % b != 0) return false;
          *out = a / b;
          return true;
      }
    }
    default:
      return false;
  }
}

#undef KESTREL_WHOLE_OPERAND

bool Interpreter::AssignFast(const Expr &target, const Expr *expr) {
  if (target.kind != ExprKind::kName || target.name.count != 1) return false;
  Variable *v = FindVariable(target);
  if (v == nullptr || v->constant || v->type->kind != VarType::kScalar) return false;
  const VarType &type = *v->type;
  if (type.sql.category != sql::TypeCategory::kNumber &&
      type.sql.category != sql::TypeCategory::kBinaryDouble) {
    return false;
  }
  int64_t r = 0;
  if (!EvalWhole(expr, &r)) return false;
  if (type.pls_integer && (r > INT32_MAX || r < INT32_MIN)) Raise(1426);
  if (type.sql.precision > 0 && type.sql.precision < 38 && type.sql.scale >= 0) {
    // NUMBER(p, s) holds whole numbers below 10^(p - s); Coerce compares
    // in double, exact up to 15 digits, so longer limits take its path.
    const int digits = type.sql.precision - type.sql.scale;
    if (digits > 15) return false;
    int64_t limit = 1;
    for (int k = 0; k < digits; ++k) limit *= 10;
    if (digits <= 0 ? r != 0 : (r >= limit || r <= -limit)) {
      Raise(6502, ": number precision too large");
    }
  }
  Value &slot = v->value;
  if ((slot.kind == Value::kInt || slot.kind == Value::kReal || slot.kind == Value::kNull) &&
      slot.s.empty() && !slot.rec && !slot.table) {
    slot.kind = Value::kInt;
    slot.i = r;
    slot.datetime = false;
  } else {
    slot = Value::Int(r);
  }
  return true;
}

}  // namespace kestrel_engine::plsql
