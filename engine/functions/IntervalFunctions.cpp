/*
** Interval arithmetic as the SQL front end writes it: interval ±
** interval of one kind, interval × number and interval ÷ number, and
** EXTRACT of an interval's fields. Intervals are the stored text forms,
** '+DDDDDDDDD HH:MM:SS.FFFFFFFFF' (day to second) and '+YYYYYYYYY-MM'
** (year to month).
*/
#include <cmath>
#include <cstdio>
#include <string>

#include "functions/FunctionFamilies.h"
#include "functions/FunctionSupport.h"

namespace kestrel_engine {

namespace {

// An interval: months (year to month) or seconds and nanoseconds of the
// same sign (day to second).
struct Interval {
  bool yearMonth = false;
  int64_t amount = 0;  // months, or whole seconds
  int64_t nanos = 0;
};

constexpr int64_t kMaxDays = 999999999;
constexpr int64_t kNano = 1000000000;

bool Parse(std::string_view t, Interval *out) {
  size_t i = 0;
  const bool negative = i < t.size() && t[i] == '-';
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  auto number = [&](int64_t *n, size_t most) {
    const size_t start = i;
    *n = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9' && i - start < most) {
      *n = *n * 10 + (t[i++] - '0');
    }
    return i > start;
  };
  int64_t a = 0, b = 0, c = 0, d = 0, f = 0;
  if (!number(&a, 9)) return false;
  const int64_t sign = negative ? -1 : 1;
  if (i < t.size() && t[i] == '-') {
    ++i;
    if (!number(&b, 2) || i != t.size()) return false;
    *out = {true, sign * (a * 12 + b), 0};
    return true;
  }
  if (i >= t.size() || t[i++] != ' ' || !number(&b, 2) || i >= t.size() || t[i++] != ':' ||
      !number(&c, 2) || i >= t.size() || t[i++] != ':' || !number(&d, 2)) {
    return false;
  }
  if (i < t.size() && t[i] == '.') {
    ++i;
    const size_t start = i;
    if (!number(&f, 9)) return false;
    for (size_t k = i - start; k < 9; ++k) f *= 10;
  }
  if (i != t.size()) return false;
  *out = {false, sign * (((a * 24 + b) * 60 + c) * 60 + d), sign * f};
  return true;
}

// The interval argument; false (NULL given, or an error raised) when
// there is none to work with.
bool Read(sqlite3_context *context, sqlite3_value *value, Interval *out) {
  if (IsNullArg(value)) return false;
  std::string storage;
  if (Parse(ArgText(value, &storage), out)) return true;
  Raise(context, 1867);
  return false;
}

void Result(sqlite3_context *context, const Interval &v) {
  char buffer[64];
  if (v.yearMonth) {
    const uint64_t m = static_cast<uint64_t>(v.amount < 0 ? -v.amount : v.amount);
    if (m / 12 > static_cast<uint64_t>(kMaxDays)) return Raise(context, 1873);
    std::snprintf(buffer, sizeof buffer, "%c%09llu-%02llu", v.amount < 0 ? '-' : '+',
                  static_cast<unsigned long long>(m / 12),
                  static_cast<unsigned long long>(m % 12));
    return ResultText(context, buffer);
  }
  const uint64_t s = static_cast<uint64_t>(v.amount < 0 ? -v.amount : v.amount);
  if (s / 86400 > static_cast<uint64_t>(kMaxDays)) return Raise(context, 1873);
  ResultText(context, DayToSecondText(v.amount, v.nanos));
}

// Seconds and nanoseconds brought to one sign, nanoseconds under a second.
Interval Normal(int64_t seconds, int64_t nanos) {
  seconds += nanos / kNano;
  nanos %= kNano;
  if (seconds > 0 && nanos < 0) {
    --seconds;
    nanos += kNano;
  } else if (seconds < 0 && nanos > 0) {
    ++seconds;
    nanos -= kNano;
  }
  return {false, seconds, nanos};
}

// kestrel_interval_add(a, b, sign): a + sign * b, both of one kind.
void Add(sqlite3_context *context, int, sqlite3_value **argv) {
  Interval a, b;
  if (!Read(context, argv[0], &a) || !Read(context, argv[1], &b)) return;
  if (a.yearMonth != b.yearMonth) return Raise(context, 30081);
  const int64_t sign = sqlite3_value_int64(argv[2]) < 0 ? -1 : 1;
  if (a.yearMonth) return Result(context, {true, a.amount + sign * b.amount, 0});
  Result(context, Normal(a.amount + sign * b.amount, a.nanos + sign * b.nanos));
}

// kestrel_interval_mul(interval, n, divide): interval × n, or ÷ n. Parts
// of a month are dropped, parts of a nanosecond rounded.
void Multiply(sqlite3_context *context, int, sqlite3_value **argv) {
  Interval v;
  if (!Read(context, argv[0], &v)) return;
  const Num n = ReadNum(context, argv[1]);
  if (n.kind == Num::kError || n.kind == Num::kNull) return;
  const bool divide = sqlite3_value_int(argv[2]) != 0;
  const long double factor = n.AsDouble();
  if (divide && factor == 0) return Raise(context, 1476);
  auto scaled = [&](long double x) { return divide ? x / factor : x * factor; };
  if (v.yearMonth) {
    const long double months = std::trunc(scaled(static_cast<long double>(v.amount)));
    if (std::fabs(months) > 12.0L * (kMaxDays + 1)) return Raise(context, 1873);
    return Result(context, {true, static_cast<int64_t>(months), 0});
  }
  const long double seconds = scaled(static_cast<long double>(v.amount));
  const long double whole = std::trunc(seconds);
  if (std::fabs(whole) > 86400.0L * (kMaxDays + 1)) return Raise(context, 1873);
  const long double nanos =
      std::round((seconds - whole) * kNano + scaled(static_cast<long double>(v.nanos)));
  Result(context, Normal(static_cast<int64_t>(whole), static_cast<int64_t>(nanos)));
}

}  // namespace

bool ExtractFromInterval(sqlite3_context *context, const std::string &field,
                         sqlite3_value *value) {
  std::string storage;
  Interval v;
  if (IsNullArg(value) || !Parse(ArgText(value, &storage), &v)) return false;
  if (v.yearMonth) {
    if (field == "YEAR") sqlite3_result_int64(context, v.amount / 12);
    else if (field == "MONTH") sqlite3_result_int64(context, v.amount % 12);
    else Raise(context, 30076);
    return true;
  }
  if (field == "DAY") {
    sqlite3_result_int64(context, v.amount / 86400);
  } else if (field == "HOUR") {
    sqlite3_result_int64(context, v.amount / 3600 % 24);
  } else if (field == "MINUTE") {
    sqlite3_result_int64(context, v.amount / 60 % 60);
  } else if (field == "SECOND") {
    Decimal seconds = DecimalFromInt((v.amount % 60) * kNano + v.nanos);
    if (!seconds.digits.empty()) seconds.exponent -= 9;
    ResultDecimal(context, seconds);
  } else {
    Raise(context, 30076);
  }
  return true;
}

int RegisterIntervalFunctions(sqlite3 *db, const SessionSettings *settings) {
  static const ScalarDef kDefs[] = {
      {"kestrel_interval_add", 3, 3, true, Add},
      {"kestrel_interval_mul", 3, 3, true, Multiply},
  };
  return RegisterScalars(db, kDefs, sizeof kDefs / sizeof kDefs[0],
                         const_cast<SessionSettings *>(settings));
}

}  // namespace kestrel_engine
