/*
** Conversions of interpreter values between kinds and to and from
** SQLite, with Oracle's default number text.
*/
#include "plsql/Value.h"

#include <cmath>

#include "functions/FunctionSupport.h"

namespace kestrel_engine::plsql {

Value Value::Real(double v) {
  Value x;
  // Whole values in range stay integers, as SQLite stores them.
  if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 9.0e15) {
    x.kind = kInt;
    x.i = static_cast<int64_t>(v);
    return x;
  }
  x.kind = kReal;
  x.d = v;
  return x;
}

Value Value::Clone() const {
  Value x = *this;
  if (rec) x.rec = std::make_shared<Record>(*rec);
  if (table) x.table = std::make_shared<Table>(*table);
  if (x.rec) {
    for (Value &f : x.rec->values) f = f.Clone();
  }
  if (x.table) {
    for (auto &kv : x.table->by_int) kv.second = kv.second.Clone();
    for (auto &kv : x.table->by_text) kv.second = kv.second.Clone();
  }
  return x;
}

bool ToNumber(const Value &v, Value *out) {
  switch (v.kind) {
    case Value::kNull: case Value::kInt: case Value::kReal:
      *out = v;
      return true;
    case Value::kText: {
      Decimal dec;
      if (!ParseDecimal(v.s, &dec)) return false;
      int64_t whole = 0;
      if (DecimalScaled(dec, 0, &whole) && DecimalScale(dec) == 0) {
        *out = Value::Int(whole);
      } else {
        *out = Value::Real(std::strtod(DecimalText(dec).c_str(), nullptr));
      }
      return true;
    }
    default:
      return false;
  }
}

bool ToWhole(const Value &v, int64_t lo, int64_t hi, int64_t *out) {
  Value n;
  if (!ToNumber(v, &n) || n.IsNull()) return false;
  if (n.kind == Value::kInt) {
    if (n.i < lo || n.i > hi) return false;
    *out = n.i;
    return true;
  }
  const double r = std::round(n.d);
  if (!(r >= static_cast<double>(lo) && r <= static_cast<double>(hi))) return false;
  *out = static_cast<int64_t>(r);
  return true;
}

std::string NumberText(const Value &v) {
  if (v.kind == Value::kInt) return std::to_string(v.i);
  Decimal dec;
  if (!DecimalFromDouble(v.d, &dec)) return v.d > 0 ? "~" : "-~";
  std::string t = DecimalText(dec);
  // Oracle writes no zero before the point: .5, -.25.
  if (t.compare(0, 2, "0.") == 0) t.erase(0, 1);
  if (t.compare(0, 3, "-0.") == 0) t.erase(1, 1);
  return t;
}

std::string ToText(const Value &v) {
  switch (v.kind) {
    case Value::kNull: return {};
    case Value::kInt: case Value::kReal: return NumberText(v);
    case Value::kText: return v.s;
    case Value::kBlob: {
      static const char kHex[] = "0123456789ABCDEF";
      std::string out;
      for (unsigned char c : v.s) {
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 15]);
      }
      return out;
    }
    case Value::kBool: return v.b ? "TRUE" : "FALSE";
    default: return {};
  }
}

int Compare(const Value &a, const Value &b) {
  if (a.IsNumber() && b.IsNumber()) {
    if (a.kind == Value::kInt && b.kind == Value::kInt) return a.i < b.i ? -1 : a.i > b.i;
    const double x = a.AsDouble(), y = b.AsDouble();
    return x < y ? -1 : x > y;
  }
  if (a.kind == Value::kBool && b.kind == Value::kBool) return a.b == b.b ? 0 : a.b ? 1 : -1;
  if (a.IsNumber() || b.IsNumber()) {
    Value x, y;
    if (ToNumber(a, &x) && ToNumber(b, &y) && !x.IsNull() && !y.IsNull()) return Compare(x, y);
  }
  const std::string x = ToText(a), y = ToText(b);
  const int c = x.compare(y);
  return c < 0 ? -1 : c > 0;
}

Value FromSqlite(sqlite3_value *v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return Value::Int(sqlite3_value_int64(v));
    case SQLITE_FLOAT: {
      Value x;
      x.kind = Value::kReal;
      x.d = sqlite3_value_double(v);
      return x;
    }
    case SQLITE_TEXT: {
      const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
      return Value::Text(std::string(p, static_cast<size_t>(sqlite3_value_bytes(v))));
    }
    case SQLITE_BLOB: {
      Value x;
      x.kind = Value::kBlob;
      const int n = sqlite3_value_bytes(v);
      const void *p = sqlite3_value_blob(v);
      if (p != nullptr) x.s.assign(static_cast<const char *>(p), static_cast<size_t>(n));
      return x;
    }
    default: return {};
  }
}

Value FromColumn(sqlite3_stmt *stmt, int column) {
  return FromSqlite(sqlite3_column_value(stmt, column));
}

int BindTo(sqlite3_stmt *stmt, int index, const Value &v) {
  switch (v.kind) {
    case Value::kInt: return sqlite3_bind_int64(stmt, index, v.i);
    case Value::kReal: return sqlite3_bind_double(stmt, index, v.d);
    case Value::kText:
      return sqlite3_bind_text(stmt, index, v.s.data(), static_cast<int>(v.s.size()),
                               SQLITE_TRANSIENT);
    case Value::kBlob:
      return sqlite3_bind_blob(stmt, index, v.s.data(), static_cast<int>(v.s.size()),
                               SQLITE_TRANSIENT);
    case Value::kBool: return sqlite3_bind_int(stmt, index, v.b ? 1 : 0);
    default: return sqlite3_bind_null(stmt, index);
  }
}

}  // namespace kestrel_engine::plsql
