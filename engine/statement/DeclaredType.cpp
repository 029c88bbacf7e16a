/*
** The type mapping table. Names are matched case-insensitively after
** folding runs of blanks, and an optional "(p[, s])" is read with the
** vendor's BYTE/CHAR length qualifiers ignored. A name that is none of
** the vendor's falls back on SQLite's own affinity rules, so a column
** declared TEXT or BIGINT still describes sensibly.
*/
#include "statement/DeclaredType.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdlib>
#include <initializer_list>
#include <string>

namespace kestrel_engine {

namespace {

struct Declared {
  std::string name;  // upper case, single blanks
  int args[2] = {-1, -1};  // -1 absent; -2 for '*'
  int argCount = 0;
};

Declared Parse(const char *text) {
  Declared d;
  const char *p = text;
  while (*p && *p != '(') {
    if (std::isspace(static_cast<unsigned char>(*p))) {
      if (!d.name.empty() && d.name.back() != ' ') d.name.push_back(' ');
    } else {
      d.name.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*p))));
    }
    ++p;
  }
  while (!d.name.empty() && d.name.back() == ' ') d.name.pop_back();
  if (*p == '(') {
    ++p;
    while (*p && *p != ')' && d.argCount < 2) {
      while (std::isspace(static_cast<unsigned char>(*p))) ++p;
      if (*p == '*') {
        d.args[d.argCount++] = -2;
        ++p;
      } else if (std::isdigit(static_cast<unsigned char>(*p)) || *p == '-') {
        char *end = nullptr;
        const long v = std::strtol(p, &end, 10);
        d.args[d.argCount++] = static_cast<int>(v < -1000 ? -1000 : v > 100000 ? 100000 : v);
        p = end;
      }
      while (*p && *p != ',' && *p != ')') ++p;  // BYTE, CHAR, blanks
      if (*p == ',') ++p;
    }
  }
  return d;
}

bool Contains(const std::string &text, const char *part) {
  return text.find(part) != std::string::npos;
}

ub2 Size(int arg, int fallback) {
  if (arg <= 0) return static_cast<ub2>(fallback);
  return static_cast<ub2>(arg > 65535 ? 65535 : arg);
}

void Set(ColumnDescription *c, ub2 type, ub2 size, int precision, int scale) {
  c->dataType = type;
  c->dataSize = size;
  c->precision = static_cast<sb2>(precision);
  c->scale = static_cast<sb1>(scale < -127 ? -127 : scale > 127 ? 127 : scale);
}

bool Is(const std::string &name, std::initializer_list<const char *> names) {
  for (const char *n : names) {
    if (name == n) return true;
  }
  return false;
}

}  // namespace

bool DescribeDeclaredType(const char *declared, ColumnDescription *c) {
  if (declared == nullptr || *declared == '\0') return false;
  const Declared d = Parse(declared);
  const std::string &n = d.name;
  const int a0 = d.args[0];
  const int a1 = d.args[1];

  if (Is(n, {"VARCHAR2", "VARCHAR", "NVARCHAR2", "NVARCHAR",
             "CHARACTER VARYING", "CHAR VARYING", "NATIONAL CHARACTER VARYING"})) {
    Set(c, SQLT_CHR, Size(a0, 4000), 0, 0);
  } else if (Is(n, {"CHAR", "NCHAR", "CHARACTER", "NATIONAL CHARACTER"})) {
    Set(c, SQLT_AFC, Size(a0, 1), 0, 0);
  } else if (Is(n, {"NUMBER"})) {
    if (d.argCount == 0) {
      Set(c, SQLT_NUM, 22, 0, -127);
    } else {
      Set(c, SQLT_NUM, 22, a0 == -2 ? 38 : a0, d.argCount > 1 ? a1 : 0);
    }
  } else if (Is(n, {"NUMERIC", "DECIMAL", "DEC"})) {
    Set(c, SQLT_NUM, 22, d.argCount == 0 || a0 == -2 ? 38 : a0,
        d.argCount > 1 ? a1 : 0);
  } else if (Is(n, {"INTEGER", "INT", "SMALLINT"})) {
    Set(c, SQLT_NUM, 22, 38, 0);
  } else if (Is(n, {"FLOAT"})) {
    Set(c, SQLT_NUM, 22, d.argCount == 0 ? 126 : a0, -127);
  } else if (Is(n, {"PLS_INTEGER", "BINARY_INTEGER"})) {
    Set(c, SQLT_INT, 4, 0, 0);
  } else if (Is(n, {"BINARY_DOUBLE", "BINARY_FLOAT", "DOUBLE",
                    "DOUBLE PRECISION", "REAL"})) {
    Set(c, SQLT_FLT, 8, 0, 0);
  } else if (n == "BLOB") {
    Set(c, SQLT_BLOB, 4000, 0, 0);
  } else if (n == "CLOB" || n == "NCLOB") {
    Set(c, SQLT_CLOB, 4000, 0, 0);
  } else if (n == "DATE") {
    Set(c, SQLT_DAT, 7, 0, 0);
  } else if (n.compare(0, 9, "TIMESTAMP") == 0) {
    Set(c, SQLT_TIMESTAMP, 11, 0, a0 >= 0 ? a0 : 6);
  } else if (n == "RAW") {
    Set(c, SQLT_BIN, Size(a0, 2000), 0, 0);
  } else if (Contains(n, "INT")) {  // SQLite's affinity rules from here on
    Set(c, SQLT_NUM, 22, 38, 0);
  } else if (Contains(n, "CHAR") || Contains(n, "CLOB") || Contains(n, "TEXT")) {
    Set(c, SQLT_CHR, Size(a0, 4000), 0, 0);
  } else if (Contains(n, "BLOB")) {
    Set(c, SQLT_BIN, 2000, 0, 0);
  } else if (Contains(n, "REAL") || Contains(n, "FLOA") || Contains(n, "DOUB")) {
    Set(c, SQLT_FLT, 8, 0, 0);
  } else {
    Set(c, SQLT_NUM, 22, 0, -127);
  }
  return true;
}

void DescribeFromValue(int storageClass, ColumnDescription *c) {
  switch (storageClass) {
    case SQLITE_INTEGER:
      Set(c, SQLT_NUM, 22, 0, 0);
      break;
    case SQLITE_FLOAT:
      Set(c, SQLT_NUM, 22, 0, -127);
      break;
    case SQLITE_BLOB:
      Set(c, SQLT_BIN, 2000, 0, 0);
      break;
    default:  // text, NULL, or no row at all
      Set(c, SQLT_CHR, 4000, 0, 0);
      break;
  }
}

}  // namespace kestrel_engine
