/*
** Overloaded subprograms: which of several declarations of one name a
** call means. A declaration fits when the call's arguments, by position
** and by name, cover its parameters (the rest having defaults) and each
** argument's type family converts to its parameter's; of those that fit,
** the one whose families match most closely wins. Two that fit equally
** well are PLS-00307, none PLS-00306, as Oracle's compiler decides.
*/
#include "plsql/Interpreter.h"

namespace kestrel_engine::plsql {

using sql::Expr;
using sql::ExprKind;
using sql::TypeCategory;

namespace {

enum class Family : uint8_t { kAny, kNumber, kChar, kDate, kBool, kBinary, kRecord, kCollection, kOther };

Family OfValue(const Value &v) {
  switch (v.kind) {
    case Value::kNull: return Family::kAny;
    case Value::kInt: case Value::kReal: return Family::kNumber;
    case Value::kText: return v.datetime ? Family::kDate : Family::kChar;
    case Value::kBlob: return Family::kBinary;
    case Value::kBool: return Family::kBool;
    case Value::kRecord: return Family::kRecord;
    case Value::kTable: return Family::kCollection;
  }
  return Family::kOther;
}

Family OfType(const VarType &t) {
  if (t.kind == VarType::kRecord) return Family::kRecord;
  if (t.kind == VarType::kTable) return Family::kCollection;
  const sql::OracleType &s = t.sql;
  if (s.IsNumeric()) return Family::kNumber;
  if (s.IsCharacter()) return Family::kChar;
  if (s.IsDatetime()) return Family::kDate;
  if (s.IsBinary()) return Family::kBinary;
  if (s.Is(TypeCategory::kBoolean)) return Family::kBool;
  return Family::kOther;
}

// An argument's type as the call states it.
struct ArgType {
  Family family = Family::kAny;
  const VarType *type = nullptr;  // a declared variable's
  const Value *value = nullptr;   // an evaluated argument's
};

bool SameFields(const std::vector<std::string> &a, const std::vector<std::string> &b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k) {
    if (!Record::SameName(a[k], b[k])) return false;
  }
  return true;
}

// 2: the same family; 1: an implicit conversion; 0: none.
int Fit(const ArgType &arg, const VarType *param) {
  if (param == nullptr) return 1;
  const Family p = OfType(*param);
  if (arg.family == Family::kAny) return 2;
  if (arg.family == Family::kOther || p == Family::kOther) return 1;
  if (p == Family::kRecord || arg.family == Family::kRecord) {
    if (p != arg.family) return 0;
    if (arg.type != nullptr) return arg.type == param || SameFields(arg.type->field_names, param->field_names) ? 2 : 0;
    if (arg.value != nullptr && arg.value->rec) return SameFields(arg.value->rec->names, param->field_names) ? 2 : 0;
    return 1;
  }
  if (p == Family::kCollection || arg.family == Family::kCollection) {
    if (p != arg.family) return 0;
    return arg.type == param ? 2 : 1;
  }
  if (p == arg.family) return 2;
  if (p == Family::kBool || arg.family == Family::kBool) return 0;
  // Text converts to and from numbers, dates and raw; those not to each other.
  return p == Family::kChar || arg.family == Family::kChar ? 1 : 0;
}

}  // namespace

const sql::Subprogram *Interpreter::ChooseOverload(
    const std::vector<const sql::Subprogram *> &candidates, Frame &declared, const Expr &call,
    ArgValues *values) {
  const std::string name(call.name.Last());
  // Each argument's type, read once: a variable's declared type, else the
  // value (kept, so the call does not evaluate it again).
  std::vector<const Expr *> args;
  std::vector<std::string_view> names;  // empty: by position
  if (call.kind == ExprKind::kFunction) {
    for (const Expr *a : call.args) {
      const bool named = a->kind == ExprKind::kNamedArg;
      args.push_back(named ? a->left : a);
      names.push_back(named ? a->text : std::string_view());
    }
  }
  std::vector<ArgType> types(args.size());
  for (size_t k = 0; k < args.size(); ++k) {
    const Expr &x = *args[k];
    Ref ref;
    if (x.kind == ExprKind::kName && Locate(x, &ref, false)) {
      types[k].type = ref.type.get();
      types[k].family = ref.type ? OfType(*ref.type) : OfValue(*ref.slot);
      continue;
    }
    Value &v = (*values)[&x];
    v = Eval(&x);
    types[k].value = &v;
    types[k].family = OfValue(v);
    // SQL's dates come back as text: the compiled expression's type says so.
    const auto compiled = compiled_.find(&x);
    if (types[k].family == Family::kChar && compiled != compiled_.end() && compiled->second &&
        !compiled->second->columns.empty() && compiled->second->columns[0].type.IsDatetime()) {
      types[k].family = Family::kDate;
    }
  }
  // The parameters' types, as the subprograms' declarations see them.
  auto scope = std::make_unique<Frame>();
  scope->parent = &declared;
  frames_.push_back(std::move(scope));
  struct Pop {
    std::vector<std::unique_ptr<Frame>> &frames;
    ~Pop() { frames.pop_back(); }
  } pop{frames_};
  const sql::Subprogram *best = nullptr;
  int bestScore = -1;
  int bestCount = 0;
  for (const sql::Subprogram *sub : candidates) {
    std::vector<const sql::PlParam *> params;
    for (const sql::PlParam *q : sub->params) params.push_back(q);
    std::vector<int> given(params.size(), -1);
    bool fits = true;
    size_t position = 0;
    for (size_t k = 0; k < args.size() && fits; ++k) {
      size_t slot = position;
      if (!names[k].empty()) {
        slot = 0;
        while (slot < params.size() && !Record::SameName(params[slot]->name->name, names[k])) ++slot;
      } else {
        ++position;
      }
      fits = slot < params.size() && given[slot] < 0;
      if (fits) given[slot] = static_cast<int>(k);
    }
    int score = 0;
    for (size_t p = 0; p < params.size() && fits; ++p) {
      if (given[p] < 0) {
        fits = params[p]->default_value != nullptr && params[p]->mode < 2;
        continue;
      }
      TypeRef type;
      try {
        type = TypeOf(*params[p]->type);
      } catch (const PlRaise &) {
      }
      const int fit = Fit(types[static_cast<size_t>(given[p])], type.get());
      fits = fit > 0;
      score += fit;
    }
    if (!fits) continue;
    if (score > bestScore) {
      best = sub;
      bestScore = score;
      bestCount = 1;
    } else if (score == bestScore) {
      ++bestCount;
    }
  }
  if (best == nullptr) {
    Raise(6550, "PLS-00306: wrong number or types of arguments in call to '" + name + "'");
  }
  if (bestCount > 1) Raise(6550, "PLS-00307: too many declarations of '" + name + "' match this call");
  return best;
}

std::vector<const sql::Subprogram *> Interpreter::Overloads(const Frame &frame,
                                                            std::string_view name) {
  std::vector<const sql::Subprogram *> out;
  for (const Symbol &s : frame.symbols) {
    if (s.kind == Symbol::kSubprogram && s.name == name) out.push_back(frame.subprograms[s.index]);
  }
  return out;
}

Value Interpreter::CallNamed(const Symbol &s, Frame &where, const Expr &call,
                             const StoredUnit *stored) {
  const sql::List<Expr> *args = call.kind == ExprKind::kFunction ? &call.args : nullptr;
  const std::vector<const sql::Subprogram *> all = Overloads(where, s.name);
  if (all.size() <= 1) return CallSubprogram(*where.subprograms[s.index], where, args, stored);
  ArgValues values;
  const sql::Subprogram *sub = ChooseOverload(all, where, call, &values);
  return CallSubprogram(*sub, where, args, stored, &values);
}

}  // namespace kestrel_engine::plsql
