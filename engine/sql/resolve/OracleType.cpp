/*
** Declared types to Oracle types, following the same table describe uses
** for stored columns (VARCHAR2 family, CHAR family, NUMBER family, ...),
** with SQLite's affinity names as the fallback.
*/
#include "sql/resolve/OracleType.h"

#include <cctype>
#include <cstdlib>

namespace kestrel_engine::sql {

OracleType MakeType(TypeCategory c, int32_t length) {
  OracleType t;
  t.category = c;
  t.length = length;
  return t;
}

namespace {

bool Has(const std::string &text, const char *part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

OracleType TypeFromDeclared(std::string_view declared) {
  std::string name;
  size_t i = 0;
  for (; i < declared.size() && declared[i] != '('; ++i) {
    const char c = declared[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!name.empty() && name.back() != ' ') name.push_back(' ');
    } else {
      name.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  int32_t args[2] = {-1, -1};
  int count = 0;
  if (i < declared.size()) {
    std::string rest(declared.substr(i + 1));
    const char *p = rest.c_str();
    while (*p && *p != ')' && count < 2) {
      while (std::isspace(static_cast<unsigned char>(*p))) ++p;
      if (*p == '*') {
        args[count++] = 38;
        ++p;
      } else if (std::isdigit(static_cast<unsigned char>(*p)) || *p == '-') {
        char *end = nullptr;
        const long v = std::strtol(p, &end, 10);
        args[count++] = static_cast<int32_t>(v < -1000 ? -1000 : v > 100000 ? 100000 : v);
        p = end;
      }
      while (*p && *p != ',' && *p != ')') ++p;
      if (*p == ',') ++p;
    }
  }
  OracleType t;
  if (name == "VARCHAR2" || name == "VARCHAR" || name == "NVARCHAR2" || name == "NVARCHAR") {
    t = MakeType(TypeCategory::kVarchar2, args[0] > 0 ? args[0] : 4000);
  } else if (name == "CHAR" || name == "NCHAR" || name == "CHARACTER") {
    t = MakeType(TypeCategory::kChar, args[0] > 0 ? args[0] : 1);
  } else if (name == "NUMBER" || name == "NUMERIC" || name == "DECIMAL" || name == "DEC") {
    t = MakeType(TypeCategory::kNumber);
    t.precision = args[0];
    t.scale = count > 1 ? args[1] : (count == 1 ? 0 : -1);
  } else if (name == "INTEGER" || name == "INT" || name == "SMALLINT") {
    t = MakeType(TypeCategory::kNumber);
    t.precision = 38;
    t.scale = 0;
  } else if (name == "FLOAT") {
    t = MakeType(TypeCategory::kNumber);
    t.precision = count > 0 ? args[0] : 126;
    t.scale = kFloatScale;
  } else if (name == "BINARY_DOUBLE" || name == "BINARY_FLOAT" || Has(name, "DOUB") ||
             name == "REAL") {
    t = MakeType(TypeCategory::kBinaryDouble);
  } else if (name == "BLOB") {
    t = MakeType(TypeCategory::kBlob);
  } else if (name == "CLOB" || name == "NCLOB") {
    t = MakeType(TypeCategory::kClob);
  } else if (name == "DATE") {
    t = MakeType(TypeCategory::kDate);
  } else if (name.compare(0, 9, "TIMESTAMP") == 0) {
    t = MakeType(TypeCategory::kTimestamp);
    t.precision = args[0] >= 0 ? args[0] : 6;
  } else if (name.compare(0, 8, "INTERVAL") == 0) {
    t = MakeType(Has(name, "YEAR") ? TypeCategory::kIntervalYM : TypeCategory::kIntervalDS);
  } else if (name == "RAW") {
    t = MakeType(TypeCategory::kRaw, args[0] > 0 ? args[0] : 2000);
  } else if (Has(name, "INT")) {
    t = MakeType(TypeCategory::kNumber);
    t.precision = 38;
    t.scale = 0;
  } else if (Has(name, "CHAR") || Has(name, "CLOB") || Has(name, "TEXT")) {
    t = MakeType(TypeCategory::kVarchar2, args[0] > 0 ? args[0] : 4000);
  } else if (Has(name, "BLOB")) {
    t = MakeType(TypeCategory::kRaw, 2000);
  } else if (Has(name, "REAL") || Has(name, "FLOA")) {
    t = MakeType(TypeCategory::kBinaryDouble);
  } else if (name.empty()) {
    // A view's expression column: SQLite keeps no type for it. Text takes
    // Oracle's implicit conversions either way, so comparing it with a
    // number or a string both work.
    t = MakeType(TypeCategory::kVarchar2, 4000);
    t.guessed = true;
  } else {
    t = MakeType(TypeCategory::kNumber);
  }
  return t;
}

OracleType TypeFromTypeName(const TypeName &type) {
  OracleType t;
  switch (type.kind) {
    case TypeKind::kNumber: case TypeKind::kDecimal:
      t = MakeType(TypeCategory::kNumber);
      t.precision = type.precision == -2 ? 38 : type.precision;
      t.scale = type.scale >= 0 ? type.scale : (type.precision >= 0 ? 0 : -1);
      return t;
    case TypeKind::kInteger: case TypeKind::kSmallint:
      t = MakeType(TypeCategory::kNumber);
      t.precision = 38;
      t.scale = 0;
      return t;
    case TypeKind::kFloat:
      t = MakeType(TypeCategory::kNumber);
      t.precision = type.precision >= 0 ? type.precision : 126;
      t.scale = kFloatScale;
      return t;
    case TypeKind::kBinaryFloat: case TypeKind::kBinaryDouble: case TypeKind::kReal:
    case TypeKind::kDoublePrecision:
      return MakeType(TypeCategory::kBinaryDouble);
    case TypeKind::kVarchar2: case TypeKind::kVarchar: case TypeKind::kNVarchar2:
    case TypeKind::kLong:
      return MakeType(TypeCategory::kVarchar2, type.precision > 0 ? type.precision : 4000);
    case TypeKind::kChar: case TypeKind::kNChar:
      return MakeType(TypeCategory::kChar, type.precision > 0 ? type.precision : 1);
    case TypeKind::kRaw: case TypeKind::kLongRaw:
      return MakeType(TypeCategory::kRaw, type.precision > 0 ? type.precision : 2000);
    case TypeKind::kClob: case TypeKind::kNClob: return MakeType(TypeCategory::kClob);
    case TypeKind::kBlob: case TypeKind::kBfile: return MakeType(TypeCategory::kBlob);
    case TypeKind::kDate: return MakeType(TypeCategory::kDate);
    case TypeKind::kTimestamp:
      t = MakeType(TypeCategory::kTimestamp);
      t.precision = type.precision >= 0 ? type.precision : 6;
      return t;
    case TypeKind::kIntervalYM: return MakeType(TypeCategory::kIntervalYM);
    case TypeKind::kIntervalDS: return MakeType(TypeCategory::kIntervalDS);
    case TypeKind::kBoolean: return MakeType(TypeCategory::kBoolean);
    case TypeKind::kRowid: case TypeKind::kURowid: return MakeType(TypeCategory::kRowid);
    case TypeKind::kXmlType: case TypeKind::kJson: return MakeType(TypeCategory::kClob);
  }
  return t;
}

std::string TypeText(const OracleType &t) {
  auto sized = [](const char *name, int32_t n) {
    return std::string(name) + "(" + std::to_string(n) + ")";
  };
  switch (t.category) {
    case TypeCategory::kNull: return "VARCHAR2(0)";
    case TypeCategory::kNumber:
      if (t.precision < 0) return "NUMBER";
      if (t.scale == kFloatScale) return "FLOAT(" + std::to_string(t.precision) + ")";
      return "NUMBER(" + std::to_string(t.precision) + "," + std::to_string(t.scale) + ")";
    case TypeCategory::kVarchar2: return sized("VARCHAR2", t.length >= 0 ? t.length : 4000);
    case TypeCategory::kChar: return sized("CHAR", t.length >= 0 ? t.length : 1);
    case TypeCategory::kTimestamp: return sized("TIMESTAMP", t.precision >= 0 ? t.precision : 6);
    case TypeCategory::kRaw: return sized("RAW", t.length >= 0 ? t.length : 2000);
    case TypeCategory::kBoolean: return "BOOLEAN";
    default: return TypeCategoryName(t.category);
  }
}

const char *TypeCategoryName(TypeCategory c) {
  switch (c) {
    case TypeCategory::kNull: return "NULL";
    case TypeCategory::kNumber: return "NUMBER";
    case TypeCategory::kBinaryDouble: return "BINARY_DOUBLE";
    case TypeCategory::kVarchar2: return "VARCHAR2";
    case TypeCategory::kChar: return "CHAR";
    case TypeCategory::kDate: return "DATE";
    case TypeCategory::kTimestamp: return "TIMESTAMP";
    case TypeCategory::kIntervalDS: return "INTERVAL DAY TO SECOND";
    case TypeCategory::kIntervalYM: return "INTERVAL YEAR TO MONTH";
    case TypeCategory::kRaw: return "BINARY";
    case TypeCategory::kBlob: return "BLOB";
    case TypeCategory::kClob: return "CLOB";
    case TypeCategory::kBoolean: return "BOOLEAN";
    case TypeCategory::kRowid: return "ROWID";
  }
  return "NULL";
}

}  // namespace kestrel_engine::sql
