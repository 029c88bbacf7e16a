/*
** Oracle's numeric functions. ROUND, TRUNC, MOD and REMAINDER work on the
** values' decimal forms, so ROUND(1.005, 2) is 1.01 and MOD(0.3, 0.1) is
** 0 as in NUMBER arithmetic; the others compute in doubles. ROUND and
** TRUNC of a date go to the date family.
*/
#include <cmath>
#include <cstdlib>

#include "functions/FunctionFamilies.h"
#include "functions/FunctionSupport.h"

namespace kestrel_engine {

namespace {

bool IsDateArgument(sqlite3_value *value) {
  if (sqlite3_value_type(value) != SQLITE_TEXT || IsNullArg(value)) return false;
  std::string storage;
  DateTime date;
  return ParseStored(ArgText(value, &storage), &date);
}

void RoundOrTrunc(sqlite3_context *context, int argc, sqlite3_value **argv, bool truncate) {
  if (IsDateArgument(argv[0])) {
    RoundDate(context, argc, argv, truncate);
    return;
  }
  Decimal value;
  const Num::Kind kind = ReadDecimal(context, argv[0], &value);
  if (kind == Num::kNull || kind == Num::kError) return;
  int64_t scale = 0;
  bool isNull = false;
  if (argc == 2 && !ReadInt(context, argv[1], &scale, &isNull)) return;
  scale = std::max<int64_t>(-1000, std::min<int64_t>(1000, scale));
  DecimalRound(&value, static_cast<int>(scale), truncate);
  ResultDecimal(context, value);
}

void Round(sqlite3_context *context, int argc, sqlite3_value **argv) {
  RoundOrTrunc(context, argc, argv, false);
}
void Trunc(sqlite3_context *context, int argc, sqlite3_value **argv) {
  RoundOrTrunc(context, argc, argv, true);
}

void CeilOrFloor(sqlite3_context *context, sqlite3_value *arg, bool ceil) {
  const Num n = ReadNum(context, arg);
  if (n.kind == Num::kInt) sqlite3_result_int64(context, n.i);
  if (n.kind == Num::kReal) ResultDouble(context, ceil ? std::ceil(n.d) : std::floor(n.d));
}
void Ceil(sqlite3_context *context, int, sqlite3_value **argv) { CeilOrFloor(context, argv[0], true); }
void Floor(sqlite3_context *context, int, sqlite3_value **argv) { CeilOrFloor(context, argv[0], false); }

// Both numbers as integers scaled by a common power of ten, when they fit.
bool Scaled(sqlite3_context *context, sqlite3_value **argv, int64_t *a, int64_t *b,
            int *scale, bool *isNull) {
  Decimal x, y;
  const Num::Kind kx = ReadDecimal(context, argv[0], &x);
  if (kx == Num::kError) return *isNull = false;
  const Num::Kind ky = ReadDecimal(context, argv[1], &y);
  if (ky == Num::kError) return *isNull = false;
  *isNull = kx == Num::kNull || ky == Num::kNull;
  if (*isNull) return false;
  *scale = std::max(DecimalScale(x), DecimalScale(y));
  return DecimalScaled(x, *scale, a) && DecimalScaled(y, *scale, b);
}

void ResultScaled(sqlite3_context *context, int64_t value, int scale) {
  Decimal d = DecimalFromInt(value);
  if (!d.digits.empty()) d.exponent -= scale;
  ResultDecimal(context, d);
}

bool ReadTwo(sqlite3_context *context, sqlite3_value **argv, Num *x, Num *y) {
  *x = ReadNum(context, argv[0]);
  if (x->kind == Num::kNull || x->kind == Num::kError) return false;
  *y = ReadNum(context, argv[1]);
  return y->kind != Num::kNull && y->kind != Num::kError;
}

// MOD(m, n): m - n * TRUNC(m / n); MOD(m, 0) is m.
void Mod(sqlite3_context *context, int, sqlite3_value **argv) {
  Num x, y;
  if (!ReadTwo(context, argv, &x, &y)) return;
  if (x.kind == Num::kInt && y.kind == Num::kInt) {
    return sqlite3_result_int64(context, y.i == 0 ? x.i : (y.i == -1 ? 0 : x.i % y.i));
  }
  int64_t a = 0, b = 0;
  int scale = 0;
  bool isNull = false;
  if (Scaled(context, argv, &a, &b, &scale, &isNull)) {
    ResultScaled(context, b == 0 ? a : (b == -1 ? 0 : a % b), scale);
    return;
  }
  ResultDouble(context, y.AsDouble() == 0 ? x.AsDouble() : std::fmod(x.AsDouble(), y.AsDouble()));
}

// REMAINDER(m, n): m - n * N, N the integer nearest m / n (ties to even).
void Remainder(sqlite3_context *context, int, sqlite3_value **argv) {
  Num x, y;
  if (!ReadTwo(context, argv, &x, &y)) return;
  if (y.AsDouble() == 0) {
    Raise(context, 1476);
    return;
  }
  int64_t a = 0, b = 0;
  int scale = 0;
  bool isNull = false;
  if (Scaled(context, argv, &a, &b, &scale, &isNull) && b != INT64_MIN) {
    const int64_t q = b == -1 ? -a : a / b;
    int64_t r = b == -1 ? 0 : a % b;
    const uint64_t ur = r < 0 ? 0 - static_cast<uint64_t>(r) : static_cast<uint64_t>(r);
    const uint64_t ub = b < 0 ? 0 - static_cast<uint64_t>(b) : static_cast<uint64_t>(b);
    if (ur > ub - ur || (ur == ub - ur && (q & 1) != 0)) {
      r = r > 0 ? r - static_cast<int64_t>(ub) : r + static_cast<int64_t>(ub);
    }
    ResultScaled(context, r, scale);
    return;
  }
  ResultDouble(context, std::remainder(x.AsDouble(), y.AsDouble()));
}

void OutOfRange(sqlite3_context *context, const Num &n) {
  Raise(context, 1428, n.kind == Num::kInt ? std::to_string(n.i) : std::to_string(n.d));
}

void Power(sqlite3_context *context, int, sqlite3_value **argv) {
  Num x, y;
  if (!ReadTwo(context, argv, &x, &y)) return;
  if (x.kind == Num::kInt && y.kind == Num::kInt && y.i >= 0 && y.i < 64) {
    int64_t result = 1;
    bool overflow = false;
    for (int64_t k = 0; k < y.i && !overflow; ++k) {
      overflow = __builtin_mul_overflow(result, x.i, &result);
    }
    if (!overflow) {
      sqlite3_result_int64(context, result);
      return;
    }
  }
  const double base = x.AsDouble(), exponent = y.AsDouble();
  if (base < 0 && exponent != std::trunc(exponent)) {
    OutOfRange(context, x);
    return;
  }
  ResultDouble(context, std::pow(base, exponent));
}

void Sqrt(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num x = ReadNum(context, argv[0]);
  if (x.kind == Num::kNull || x.kind == Num::kError) return;
  if (x.AsDouble() < 0) return OutOfRange(context, x);
  ResultDouble(context, std::sqrt(x.AsDouble()));
}

void Exp(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num x = ReadNum(context, argv[0]);
  if (x.kind == Num::kNull || x.kind == Num::kError) return;
  ResultDouble(context, std::exp(x.AsDouble()));
}

void Ln(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num x = ReadNum(context, argv[0]);
  if (x.kind == Num::kNull || x.kind == Num::kError) return;
  if (x.AsDouble() <= 0) return OutOfRange(context, x);
  ResultDouble(context, std::log(x.AsDouble()));
}

void Log(sqlite3_context *context, int, sqlite3_value **argv) {
  Num b, x;
  if (!ReadTwo(context, argv, &b, &x)) return;
  const double base = b.AsDouble(), value = x.AsDouble();
  if (base <= 0 || base == 1) return OutOfRange(context, b);
  if (value <= 0) return OutOfRange(context, x);
  double result = base == 10 ? std::log10(value) : base == 2 ? std::log2(value)
                                                              : std::log(value) / std::log(base);
  // An exact power (LOG(3, 81)) gives its whole exponent, not 3.9999999999999996.
  const double whole = std::round(result);
  if (std::fabs(result - whole) < 1e-9 && std::pow(base, whole) == value) result = whole;
  ResultDouble(context, result);
}

void Sign(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num x = ReadNum(context, argv[0]);
  if (x.kind == Num::kNull || x.kind == Num::kError) return;
  const double v = x.AsDouble();
  sqlite3_result_int(context, v > 0 ? 1 : (v < 0 ? -1 : 0));
}

void Bitand(sqlite3_context *context, int, sqlite3_value **argv) {
  int64_t a = 0, b = 0;
  bool nullA = false, nullB = false;
  if (!ReadInt(context, argv[0], &a, &nullA) || nullA) return;
  if (!ReadInt(context, argv[1], &b, &nullB) || nullB) return;
  sqlite3_result_int64(context, a & b);
}

// WIDTH_BUCKET(expr, low, high, buckets): 0 below the range, buckets + 1
// above it; a range from high to low counts downwards.
void WidthBucket(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num e = ReadNum(context, argv[0]);
  if (e.kind == Num::kError) return;
  const Num low = ReadNum(context, argv[1]);
  if (low.kind == Num::kError) return;
  const Num high = ReadNum(context, argv[2]);
  if (high.kind == Num::kError) return;
  int64_t buckets = 0;
  bool isNull = false;
  if (!ReadInt(context, argv[3], &buckets, &isNull)) return;
  if (isNull || buckets < 1) return Raise(context, 30494, "4");
  if (low.kind == Num::kNull) return Raise(context, 30494, "2");
  if (high.kind == Num::kNull) return Raise(context, 30494, "3");
  if (e.kind == Num::kNull) return;
  const double x = e.AsDouble(), lo = low.AsDouble(), hi = high.AsDouble();
  if (lo == hi) return Raise(context, 30494, "3");
  double bucket;
  if (lo < hi) {
    bucket = x < lo ? 0 : x >= hi ? static_cast<double>(buckets) + 1
                                  : std::floor((x - lo) * static_cast<double>(buckets) / (hi - lo)) + 1;
  } else {
    bucket = x > lo ? 0 : x <= hi ? static_cast<double>(buckets) + 1
                                  : std::floor((lo - x) * static_cast<double>(buckets) / (lo - hi)) + 1;
  }
  ResultDouble(context, bucket);
}

}  // namespace

int RegisterNumericFunctions(sqlite3 *db, const SessionSettings *settings) {
  static const ScalarDef kFunctions[] = {
      {"round", 1, 2, true, Round},
      {"trunc", 1, 2, true, Trunc},
      {"ceil", 1, 1, true, Ceil},
      {"floor", 1, 1, true, Floor},
      {"mod", 2, 2, true, Mod},
      {"remainder", 2, 2, true, Remainder},
      {"power", 2, 2, true, Power},
      {"sqrt", 1, 1, true, Sqrt},
      {"exp", 1, 1, true, Exp},
      {"ln", 1, 1, true, Ln},
      {"log", 2, 2, true, Log},
      {"sign", 1, 1, true, Sign},
      {"bitand", 2, 2, true, Bitand},
      {"width_bucket", 4, 4, true, WidthBucket},
  };
  return RegisterScalars(db, kFunctions, sizeof kFunctions / sizeof kFunctions[0],
                         const_cast<SessionSettings *>(settings));
}

}  // namespace kestrel_engine
