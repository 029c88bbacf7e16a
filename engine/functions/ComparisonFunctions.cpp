/*
** DECODE, NVL2, NULLIF, GREATEST and LEAST with Oracle's rules: '' is
** NULL, DECODE matches NULL with NULL, and values are compared as the
** type that leads (DECODE's first search value, the first argument of
** NULLIF, GREATEST and LEAST): numbers numerically, anything else as text.
** COALESCE and NVL replace SQLite's COALESCE and IFNULL, which take '' for
** a value; SQLite's stop evaluating at the first value, these cannot.
*/
#include <cstring>

#include "functions/FunctionFamilies.h"
#include "functions/FunctionSupport.h"

namespace kestrel_engine {

namespace {

bool IsNumeric(sqlite3_value *value) {
  const int type = sqlite3_value_type(value);
  return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

int CompareNums(const Num &a, const Num &b) {
  if (a.kind == Num::kInt && b.kind == Num::kInt) return a.i < b.i ? -1 : (a.i > b.i ? 1 : 0);
  const double x = a.AsDouble(), y = b.AsDouble();
  return x < y ? -1 : (x > y ? 1 : 0);
}

int CompareTexts(std::string_view a, std::string_view b) {
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Compares two values that are not NULL as `numeric` says; false when a
// conversion failed (the error is raised).
bool Compare(sqlite3_context *context, bool numeric, sqlite3_value *a, sqlite3_value *b,
             int *result) {
  if (numeric) {
    const Num x = ReadNum(context, a);
    if (x.kind == Num::kError) return false;
    const Num y = ReadNum(context, b);
    if (y.kind == Num::kError) return false;
    *result = CompareNums(x, y);
    return true;
  }
  std::string s1, s2;
  *result = CompareTexts(ArgText(a, &s1), ArgText(b, &s2));
  return true;
}

void ResultValue(sqlite3_context *context, sqlite3_value *value) {
  if (IsNullArg(value)) return;
  sqlite3_result_value(context, value);
}

void Decode(sqlite3_context *context, int argc, sqlite3_value **argv) {
  if (argc < 3) {
    Raise(context, 938);
    return;
  }
  sqlite3_value *expr = argv[0];
  const bool numeric = IsNumeric(argv[1]);
  int k = 1;
  for (; k + 1 < argc; k += 2) {
    const bool exprNull = IsNullArg(expr), searchNull = IsNullArg(argv[k]);
    bool match = exprNull && searchNull;
    if (!exprNull && !searchNull) {
      int c = 0;
      if (!Compare(context, numeric, expr, argv[k], &c)) return;
      match = c == 0;
    }
    if (match) return ResultValue(context, argv[k + 1]);
  }
  if (k < argc) ResultValue(context, argv[k]);
}

void Nvl2(sqlite3_context *context, int, sqlite3_value **argv) {
  ResultValue(context, IsNullArg(argv[0]) ? argv[2] : argv[1]);
}

void Coalesce(sqlite3_context *context, int argc, sqlite3_value **argv) {
  if (argc < 2) {
    Raise(context, 938);
    return;
  }
  for (int i = 0; i < argc; ++i) {
    if (!IsNullArg(argv[i])) return sqlite3_result_value(context, argv[i]);
  }
}

void NullIf(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0])) return;
  if (IsNullArg(argv[1])) return ResultValue(context, argv[0]);
  int c = 0;
  if (!Compare(context, IsNumeric(argv[0]), argv[0], argv[1], &c)) return;
  if (c != 0) ResultValue(context, argv[0]);
}

void Extreme(sqlite3_context *context, int argc, sqlite3_value **argv, int sign) {
  if (argc < 1) {
    Raise(context, 938);
    return;
  }
  for (int i = 0; i < argc; ++i) {
    if (IsNullArg(argv[i])) return;
  }
  const bool numeric = IsNumeric(argv[0]);
  int best = 0;
  for (int i = 1; i < argc; ++i) {
    int c = 0;
    if (!Compare(context, numeric, argv[i], argv[best], &c)) return;
    if (c * sign > 0) best = i;
  }
  if (!numeric || IsNumeric(argv[best])) return sqlite3_result_value(context, argv[best]);
  // Text chosen among numbers answers as the number it reads as.
  const Num n = ReadNum(context, argv[best]);
  if (n.kind == Num::kInt) sqlite3_result_int64(context, n.i);
  if (n.kind == Num::kReal) sqlite3_result_double(context, n.d);
}

void Greatest(sqlite3_context *context, int argc, sqlite3_value **argv) {
  Extreme(context, argc, argv, 1);
}
void Least(sqlite3_context *context, int argc, sqlite3_value **argv) {
  Extreme(context, argc, argv, -1);
}

}  // namespace

int RegisterComparisonFunctions(sqlite3 *db, const SessionSettings *settings) {
  static const ScalarDef kFunctions[] = {
      {"decode", 0, -1, true, Decode},
      {"nvl2", 3, 3, true, Nvl2},
      {"nvl", 2, 2, true, Coalesce},
      // NVL reaches SQLite as IFNULL until the SQL front end lands.
      {"ifnull", 2, 2, true, Coalesce},
      {"coalesce", 0, -1, true, Coalesce},
      {"nullif", 2, 2, true, NullIf},
      {"greatest", 0, -1, true, Greatest},
      {"least", 0, -1, true, Least},
  };
  return RegisterScalars(db, kFunctions, sizeof kFunctions / sizeof kFunctions[0],
                         const_cast<SessionSettings *>(settings));
}

}  // namespace kestrel_engine
