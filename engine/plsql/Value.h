/*
** A PL/SQL value as the interpreter holds it: the scalar kinds SQLite
** stores (integer, real, text, bytes) plus BOOLEAN, and the composites
** (records and associative arrays) with value semantics. DATE and
** TIMESTAMP values are their stored text. Oracle's NULL rules: '' is NULL.
*/
#ifndef KESTREL_ENGINE_PLSQL_VALUE_H
#define KESTREL_ENGINE_PLSQL_VALUE_H

#include <sqlite3.h>
#include <stdint.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel_engine::plsql {

struct Record;
struct Table;

struct Value {
  enum Kind : uint8_t { kNull, kInt, kReal, kText, kBlob, kBool, kRecord, kTable };
  Kind kind = kNull;
  bool b = false;
  bool datetime = false;          // kText holding a DATE or TIMESTAMP
  int64_t i = 0;
  double d = 0;
  std::string s;                  // kText, kBlob
  std::shared_ptr<Record> rec;    // kRecord
  std::shared_ptr<Table> table;   // kTable

  static Value Int(int64_t v) {
    Value x;
    x.kind = kInt;
    x.i = v;
    return x;
  }
  static Value Real(double v);
  static Value Text(std::string v) {
    Value x;
    if (v.empty()) return x;
    x.kind = kText;
    x.s = std::move(v);
    return x;
  }
  static Value Bool(bool v) {
    Value x;
    x.kind = kBool;
    x.b = v;
    return x;
  }
  bool IsNull() const { return kind == kNull; }
  bool IsNumber() const { return kind == kInt || kind == kReal; }
  bool IsDatetimeText() const { return kind == kText && datetime; }
  double AsDouble() const { return kind == kInt ? static_cast<double>(i) : d; }
  // A copy that shares no composite with this one.
  Value Clone() const;
};

struct Record {
  std::vector<std::string> names;  // upper case, as declared
  std::vector<Value> values;
  // Field names compare without regard to ASCII case: the engine's
  // stored column names keep the case they were written in.
  int Find(std::string_view name) const {
    for (size_t k = 0; k < names.size(); ++k) {
      if (SameName(names[k], name)) return static_cast<int>(k);
    }
    return -1;
  }
  static bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      char x = a[i], y = b[i];
      if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
      if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
      if (x != y) return false;
    }
    return true;
  }
};

// An associative array: keys are integers (INDEX BY PLS_INTEGER) or text.
struct Table {
  bool text_keys = false;
  std::map<int64_t, Value> by_int;
  std::map<std::string, Value> by_text;
  size_t Count() const { return text_keys ? by_text.size() : by_int.size(); }
};

// Conversions; false when the value does not convert (the caller raises
// ORA-06502 / ORA-01722).
bool ToNumber(const Value &v, Value *out);
// Oracle's default text of a value: numbers as TO_CHAR prints them,
// booleans TRUE/FALSE, dates as stored.
std::string ToText(const Value &v);
std::string NumberText(const Value &v);
// A whole number (rounded half away from zero) within [lo, hi]; false for
// NULL, text that is not a number, and values outside the range.
bool ToWhole(const Value &v, int64_t lo, int64_t hi, int64_t *out);

// -1, 0, 1; both sides non-null scalars of comparable kinds (numbers
// with numbers, text with text). Mixed number/text compares as numbers
// when the text is numeric, else as text.
int Compare(const Value &a, const Value &b);

Value FromSqlite(sqlite3_value *v);
Value FromColumn(sqlite3_stmt *stmt, int column);
int BindTo(sqlite3_stmt *stmt, int index, const Value &v);

}  // namespace kestrel_engine::plsql

#endif
