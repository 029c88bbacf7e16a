/*
** Declarations: the types of variables (SQL types, PLS_INTEGER, BOOLEAN,
** %TYPE, %ROWTYPE, records, associative arrays), their initial values,
** and the conversion of a value to a declared type on assignment.
*/
#include <cmath>

#include "plsql/Interpreter.h"

namespace kestrel_engine::plsql {

using sql::OracleType;
using sql::PlDeclKind;
using sql::TypeCategory;

TypeRef Interpreter::ScalarType(const OracleType &t) {
  auto v = std::make_shared<VarType>();
  v->sql = t;
  return v;
}

TypeRef Interpreter::RowType(const std::vector<sql::ColumnInfo> &columns) {
  auto v = std::make_shared<VarType>();
  v->kind = VarType::kRecord;
  for (const sql::ColumnInfo &c : columns) {
    v->field_names.push_back(c.name);
    v->field_types.push_back(ScalarType(c.type));
  }
  return v;
}

TypeRef Interpreter::TypeOf(const sql::PlType &t) {
  if (t.sql != nullptr) return ScalarType(sql::TypeFromTypeName(*t.sql));
  const sql::Name &n = t.name;
  if (t.attr == 0 && n.count == 1) {
    const std::string_view name = n.part[0];
    if (name == "PLS_INTEGER" || name == "BINARY_INTEGER" || name == "NATURAL" ||
        name == "POSITIVE" || name == "SIMPLE_INTEGER" || name == "NATURALN" ||
        name == "POSITIVEN") {
      auto v = std::make_shared<VarType>();
      v->sql = sql::MakeType(TypeCategory::kNumber);
      v->sql.precision = 10;
      v->sql.scale = 0;
      v->pls_integer = true;
      return v;
    }
    if (name == "STRING") return ScalarType(sql::MakeType(TypeCategory::kVarchar2, 32767));
    Frame *where = nullptr;
    if (const Symbol *s = FindSymbol(name, &where); s && s->kind == Symbol::kType) {
      return where->types[s->index];
    }
  }
  if (t.attr == 1) {  // x%TYPE: a variable's or a column's
    Ref ref;
    sql::Expr e;
    e.kind = sql::ExprKind::kName;
    e.name = n;
    if (Locate(e, &ref, false) && ref.type) return ref.type;
    if (n.count >= 2) {
      const sql::CatalogTable *table =
          catalog_->FindTable(n.count == 3 ? n.part[0] : std::string_view(), n.part[n.count - 2]);
      if (table != nullptr) {
        for (const sql::CatalogColumn &c : table->columns) {
          if (sqlite3_stricmp(c.name.c_str(), std::string(n.part[n.count - 1]).c_str()) == 0) {
            return ScalarType(c.type);
          }
        }
      }
    }
  }
  if (t.attr == 2) {  // x%ROWTYPE: a table's or a cursor's row
    if (n.count == 1) {
      Frame *where = nullptr;
      if (const Symbol *s = FindSymbol(n.part[0], &where); s && s->kind == Symbol::kCursor) {
        CursorState &c = where->cursors[s->index];
        sql::SelectStmt st;
        st.query = c.decl->query;
        // The parameters are names of the query: typed, without values.
        auto params = std::make_unique<Frame>();
        params->parent = where;
        for (const sql::PlParam *p : c.decl->params) {
          Variable v;
          v.name = p->name->name;
          v.type = TypeOf(*p->type);
          params->vars.push_back(std::move(v));
          params->symbols.push_back({Symbol::kVariable, params->vars.back().name,
                                     params->vars.size() - 1});
        }
        frames_.push_back(std::move(params));
        struct Pop {
          std::vector<std::unique_ptr<Frame>> &f;
          ~Pop() { f.pop_back(); }
        } pop{frames_};
        return RowType(Compile(c.decl, st)->columns);
      }
    }
    const sql::CatalogTable *table =
        catalog_->FindTable(n.count == 2 ? n.part[0] : std::string_view(), n.Last());
    if (table != nullptr) {
      std::vector<sql::ColumnInfo> columns;
      for (const sql::CatalogColumn &c : table->columns) columns.push_back({c.name, c.type});
      return RowType(columns);
    }
  }
  std::string shown;
  for (int i = 0; i < n.count; ++i) {
    if (i) shown += '.';
    shown.append(n.part[i]);
  }
  throw PlRaise::From(OraError::Make(
      6550, "line " + std::to_string(LineOf(t.pos)) + ": PLS-00201: identifier '" + shown +
                "' must be declared"));
}

Value Interpreter::Initial(const TypeRef &type) {
  Value v;
  if (type->kind == VarType::kRecord) {
    v.kind = Value::kRecord;
    v.rec = std::make_shared<Record>();
    v.rec->names = type->field_names;
    for (size_t k = 0; k < type->field_types.size(); ++k) {
      const sql::Expr *init = k < type->field_defaults.size() ? type->field_defaults[k] : nullptr;
      v.rec->values.push_back(init != nullptr ? Coerce(Eval(init), *type->field_types[k])
                                              : Initial(type->field_types[k]));
    }
  } else if (type->kind == VarType::kTable) {
    v.kind = Value::kTable;
    v.table = std::make_shared<Table>();
    v.table->text_keys = type->text_keys;
  }
  return v;
}

Value Interpreter::Coerce(Value v, const VarType &type) {
  if (type.kind == VarType::kRecord) {
    if (v.kind != Value::kRecord || v.rec->values.size() != type.field_types.size()) {
      Raise(6504);  // ROWTYPE_MISMATCH
    }
    Value out = Initial(std::make_shared<VarType>(type));
    for (size_t k = 0; k < type.field_types.size(); ++k) {
      out.rec->values[k] = Coerce(v.rec->values[k], *type.field_types[k]);
    }
    return out;
  }
  if (type.kind == VarType::kTable) {
    if (v.kind != Value::kTable) Raise(6502);
    return v.Clone();
  }
  if (v.IsNull()) return v;
  switch (type.sql.category) {
    case TypeCategory::kNumber: case TypeCategory::kBinaryDouble: {
      Value n;
      if (v.IsNumber()) {
        n = std::move(v);
      } else if (v.kind == Value::kBool || !ToNumber(v, &n)) {
        Raise(6502, ": character to number conversion error");
      }
      if (type.pls_integer || type.sql.scale == 0) {
        if (n.kind == Value::kReal) n = Value::Real(std::round(n.d));
        if (n.kind == Value::kReal) Raise(1426);
      } else if (type.sql.scale > 0 && n.kind == Value::kReal) {
        const double f = std::pow(10.0, type.sql.scale);
        n = Value::Real(std::round(n.d * f) / f);
      }
      if (type.pls_integer && (n.i > 2147483647 || n.i < -2147483648LL)) Raise(1426);
      if (type.sql.precision > 0 && type.sql.precision < 38 && type.sql.scale >= 0) {
        const double limit = std::pow(10.0, type.sql.precision - type.sql.scale);
        if (std::fabs(n.AsDouble()) >= limit) Raise(6502, ": number precision too large");
      }
      return n;
    }
    case TypeCategory::kVarchar2: case TypeCategory::kChar: case TypeCategory::kClob: {
      if (v.kind != Value::kText || v.datetime) v = Value::Text(TextOf(v));
      if (type.sql.length > 0 && type.sql.category != TypeCategory::kClob &&
          v.s.size() > static_cast<size_t>(type.sql.length)) {
        Raise(6502, ": character string buffer too small");
      }
      if (type.sql.category == TypeCategory::kChar && type.sql.length > 0) {
        v.s.resize(static_cast<size_t>(type.sql.length), ' ');
      }
      return v;
    }
    case TypeCategory::kBoolean:
      if (v.kind != Value::kBool) Raise(6502);
      return v;
    case TypeCategory::kDate: case TypeCategory::kTimestamp:
      if (v.kind != Value::kText) Raise(6502);
      v.datetime = true;
      return v;
    case TypeCategory::kRaw: case TypeCategory::kBlob:
      if (v.kind == Value::kText) {
        // Text into RAW reads as hex, as Oracle converts it.
        std::string bytes;
        auto hex = [](char c) {
          return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10
                 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        };
        if (v.s.size() % 2) Raise(6502, ": hex to raw conversion error");
        for (size_t k = 0; k < v.s.size(); k += 2) {
          const int hi = hex(v.s[k]), lo = hex(v.s[k + 1]);
          if (hi < 0 || lo < 0) Raise(6502, ": hex to raw conversion error");
          bytes.push_back(static_cast<char>(hi * 16 + lo));
        }
        v.kind = Value::kBlob;
        v.s = std::move(bytes);
      }
      return v;
    default:
      if (v.kind == Value::kBool) Raise(6502);
      return v;
  }
}

void Interpreter::Declare(const sql::PlDecl &d, Frame &frame) {
  const std::string_view name = d.name != nullptr ? d.name->name : std::string_view();
  switch (d.kind) {
    case PlDeclKind::kVariable: {
      Variable v;
      v.name = name;
      v.type = TypeOf(*d.type);
      v.constant = d.constant;
      v.not_null = d.not_null;
      v.value = Initial(v.type);
      if (d.init != nullptr) v.value = Coerce(Eval(d.init), *v.type);
      if (v.not_null && v.value.IsNull()) Raise(6502);
      frame.vars.push_back(std::move(v));
      frame.symbols.push_back({Symbol::kVariable, name, frame.vars.size() - 1});
      return;
    }
    case PlDeclKind::kException:
      frame.exceptions.push_back(&d);
      frame.exception_codes.push_back(0);
      frame.symbols.push_back({Symbol::kException, name, frame.exceptions.size() - 1});
      return;
    case PlDeclKind::kCursor: {
      CursorState c;
      c.decl = &d;
      frame.cursors.push_back(c);
      frame.symbols.push_back({Symbol::kCursor, name, frame.cursors.size() - 1});
      return;
    }
    case PlDeclKind::kRecordType: {
      auto t = std::make_shared<VarType>();
      t->kind = VarType::kRecord;
      for (const sql::PlDecl *f : d.fields) {
        t->field_names.emplace_back(f->name->name);
        t->field_types.push_back(TypeOf(*f->type));
        t->field_defaults.push_back(f->init);
      }
      frame.types.push_back(t);
      frame.symbols.push_back({Symbol::kType, name, frame.types.size() - 1});
      return;
    }
    case PlDeclKind::kTableType: {
      // A nested table (no INDEX BY) is kept as one indexed by integers
      // from 1, as BULK COLLECT fills it.
      auto t = std::make_shared<VarType>();
      t->kind = VarType::kTable;
      t->element = TypeOf(*d.type);
      if (d.index_by != nullptr) {
        const TypeRef key = TypeOf(*d.index_by);
        t->text_keys = key->kind == VarType::kScalar && key->sql.IsCharacter();
      }
      frame.types.push_back(t);
      frame.symbols.push_back({Symbol::kType, name, frame.types.size() - 1});
      return;
    }
    case PlDeclKind::kSubtype:
      frame.types.push_back(TypeOf(*d.type));
      frame.symbols.push_back({Symbol::kType, name, frame.types.size() - 1});
      return;
    case PlDeclKind::kPragma: {
      // PRAGMA EXCEPTION_INIT(name, -code): the exception is that error.
      if (d.name != nullptr && d.name->name == "EXCEPTION_INIT" && d.args.size == 2) {
        const sql::Expr *ex = d.args.first;
        Frame *where = nullptr;
        const Symbol *s = ex->kind == sql::ExprKind::kName && ex->name.count == 1
                              ? FindSymbol(ex->name.part[0], &where) : nullptr;
        if (s == nullptr || s->kind != Symbol::kException) Raise(6550, "PLS-00109: unknown exception name");
        int64_t code = 0;
        if (!ToWhole(Eval(static_cast<const sql::Expr *>(ex->next)), -99999, -1, &code)) {
          Raise(6550, "PLS-00701: illegal ORACLE error number");
        }
        where->exception_codes[s->index] = static_cast<int>(-code);
      }
      return;
    }
    case PlDeclKind::kSubprogram:
      if (d.sub != nullptr && d.sub->body != nullptr) {
        frame.subprograms.push_back(d.sub);
        frame.symbols.push_back({Symbol::kSubprogram, d.sub->name.Last(), frame.subprograms.size() - 1});
      }
      return;
    default:
      Raise(6550, "PLS-00999: this declaration is not supported");
  }
}

}  // namespace kestrel_engine::plsql
