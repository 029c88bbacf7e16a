/*
** Oracle's operators where SQLite's differ, which the SQL front end writes
** as calls: date ± days (fractions too, rounded to the second: a DATE
** holds seconds), date − date in days, timestamp − timestamp as an
** INTERVAL DAY TO SECOND in the text form NUMTODSINTERVAL answers, division
** that is exact when it can be and raises ORA-01476 on zero, and LIKE,
** which is case-sensitive in Oracle (SQLite's folds ASCII case), and a
** date or timestamp plus or minus an interval. Dates are
** read in the stored forms or the session's format, as every date function
** reads them.
*/
#include <cmath>
#include <cstdio>

#include "functions/FunctionFamilies.h"
#include "functions/FunctionSupport.h"

namespace kestrel_engine {

namespace {

constexpr int64_t kDaySeconds = 86400;

int64_t Seconds(const DateTime &d) {
  return JulianDay(d.year, d.month, d.day) * kDaySeconds + d.hour * 3600 + d.minute * 60 +
         d.second;
}

DateTime FromSeconds(int64_t total) {
  int64_t day = total / kDaySeconds;
  int64_t rest = total % kDaySeconds;
  if (rest < 0) {
    rest += kDaySeconds;
    --day;
  }
  DateTime d;
  FromJulianDay(day, &d.year, &d.month, &d.day);
  d.hour = static_cast<int>(rest / 3600);
  d.minute = static_cast<int>(rest / 60 % 60);
  d.second = static_cast<int>(rest % 60);
  return d;
}

// kestrel_date_add(date, days): a DATE, also for a TIMESTAMP argument.
void DateAdd(sqlite3_context *context, int, sqlite3_value **argv) {
  DateTime d;
  bool isNull = false;
  if (!ReadDateArg(context, argv[0], &d, &isNull)) return;
  const Num n = ReadNum(context, argv[1]);
  if (n.kind == Num::kNull || n.kind == Num::kError) return;
  const double seconds = n.kind == Num::kInt ? static_cast<double>(n.i) * kDaySeconds
                                             : n.d * kDaySeconds;
  if (!(std::fabs(seconds) < 1e15)) return Raise(context, 1841);
  // The fraction of a second a TIMESTAMP carries counts before rounding.
  const double exact = seconds + d.nanosecond / 1e9;
  ResultDate(context, FromSeconds(Seconds(d) + static_cast<int64_t>(std::llround(exact))));
}

// kestrel_days_between(a, b): a − b in days.
void DaysBetween(sqlite3_context *context, int, sqlite3_value **argv) {
  DateTime a, b;
  bool isNull = false;
  if (!ReadDateArg(context, argv[0], &a, &isNull)) return;
  if (!ReadDateArg(context, argv[1], &b, &isNull)) return;
  const int64_t diff = Seconds(a) - Seconds(b);
  if (diff % kDaySeconds == 0) {
    sqlite3_result_int64(context, diff / kDaySeconds);
  } else {
    ResultDouble(context, static_cast<double>(diff) / kDaySeconds);
  }
}

// kestrel_ts_diff(a, b): a − b as '+DDDDDDDDD HH:MM:SS.FFFFFFFFF'.
void TimestampDiff(sqlite3_context *context, int, sqlite3_value **argv) {
  DateTime a, b;
  bool isNull = false;
  if (!ReadDateArg(context, argv[0], &a, &isNull)) return;
  if (!ReadDateArg(context, argv[1], &b, &isNull)) return;
  int64_t seconds = Seconds(a) - Seconds(b);
  int64_t nanos = static_cast<int64_t>(a.nanosecond) - b.nanosecond;
  if (nanos < 0 && seconds > 0) {
    --seconds;
    nanos += 1000000000;
  } else if (nanos > 0 && seconds < 0) {
    ++seconds;
    nanos -= 1000000000;
  }
  ResultText(context, DayToSecondText(seconds, nanos));
}

// kestrel_div(a, b): Oracle's division.
void Divide(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num a = ReadNum(context, argv[0]);
  if (a.kind == Num::kError) return;
  const Num b = ReadNum(context, argv[1]);
  if (b.kind == Num::kError || a.kind == Num::kNull || b.kind == Num::kNull) return;
  if (b.AsDouble() == 0) return Raise(context, 1476);
  if (a.kind == Num::kInt && b.kind == Num::kInt && b.i != -1 && a.i % b.i == 0) {
    sqlite3_result_int64(context, a.i / b.i);
    return;
  }
  ResultDouble(context, a.AsDouble() / b.AsDouble());
}

// An interval in the stored text forms: '+D HH:MM:SS.F' (day to second)
// or '+Y-MM' (year to month). False for anything else.
bool ReadInterval(std::string_view t, bool *yearMonth, int64_t *amount, int64_t *nanos) {
  size_t i = 0;
  const bool negative = i < t.size() && t[i] == '-';
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  auto number = [&](int64_t *out) {
    const size_t start = i;
    *out = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9' && i - start < 12) {
      *out = *out * 10 + (t[i++] - '0');
    }
    return i > start;
  };
  int64_t a = 0, b = 0, c = 0, d = 0, f = 0;
  if (!number(&a)) return false;
  *nanos = 0;
  if (i < t.size() && t[i] == '-') {
    ++i;
    if (!number(&b) || i != t.size()) return false;
    *yearMonth = true;
    *amount = (a * 12 + b) * (negative ? -1 : 1);
    return true;
  }
  if (i >= t.size() || t[i++] != ' ' || !number(&b) || i >= t.size() || t[i++] != ':' ||
      !number(&c) || i >= t.size() || t[i++] != ':' || !number(&d)) {
    return false;
  }
  if (i < t.size() && t[i] == '.') {
    ++i;
    const size_t start = i;
    if (!number(&f) || i - start > 9) return false;
    for (size_t k = i - start; k < 9; ++k) f *= 10;
  }
  if (i != t.size()) return false;
  *yearMonth = false;
  *amount = ((a * 24 + b) * 60 + c) * 60 + d;
  *nanos = f;
  if (negative) {
    *amount = -*amount;
    *nanos = -*nanos;
  }
  return true;
}

// kestrel_add_interval(datetime, interval, sign, timestamp): datetime +
// sign * interval, a DATE (rounded to the second) unless `timestamp`.
// Months added keep the day: a day the month lacks is ORA-01839.
void AddInterval(sqlite3_context *context, int, sqlite3_value **argv) {
  DateTime d;
  bool isNull = false;
  if (!ReadDateArg(context, argv[0], &d, &isNull) || IsNullArg(argv[1])) return;
  std::string storage;
  bool yearMonth = false;
  int64_t amount = 0, nanos = 0;
  if (!ReadInterval(ArgText(argv[1], &storage), &yearMonth, &amount, &nanos)) {
    return Raise(context, 1867);
  }
  const int64_t sign = sqlite3_value_int64(argv[2]) < 0 ? -1 : 1;
  const bool timestamp = sqlite3_value_int(argv[3]) != 0;
  DateTime out = d;
  if (yearMonth) {
    const int64_t index = d.year * 12LL + (d.month - 1) + sign * amount;
    if (index < kMinYear * 12LL || index > kMaxYear * 12LL + 11) return Raise(context, 1841);
    out.year = static_cast<int>(index >= 0 ? index / 12 : (index - 11) / 12);
    out.month = static_cast<int>(index - out.year * 12LL) + 1;
    if (out.day > DaysInMonth(out.year, out.month)) return Raise(context, 1839);
  } else {
    int64_t total = d.nanosecond + sign * nanos;
    int64_t seconds = Seconds(d) + sign * amount;
    seconds += total >= 0 ? total / 1000000000 : -((-total + 999999999) / 1000000000);
    total -= (total >= 0 ? total / 1000000000 : -((-total + 999999999) / 1000000000)) *
             1000000000;
    const int keepNanos = static_cast<int>(total);
    out = FromSeconds(seconds);
    out.nanosecond = keepNanos;
  }
  if (!timestamp) {
    if (out.nanosecond >= 500000000) out = FromSeconds(Seconds(out) + 1);
    out.nanosecond = 0;
    return ResultDate(context, out);
  }
  if (!IsValid(out)) return Raise(context, 1841);
  ResultText(context, StoreTimestamp(out));
}

size_t CharBytes(std::string_view text, size_t at) { return CharAdvance(text, at, 1) - at; }

// Oracle's LIKE: % any run of characters, _ exactly one, `escape` (or -1)
// making the next character literal. False with *bad set when the escape
// character ends the pattern or precedes anything but %, _ or itself.
bool Like(std::string_view s, std::string_view p, int escape, bool *bad) {
  size_t si = 0, pi = 0, starP = std::string_view::npos, starS = 0;
  while (si < s.size() || pi < p.size()) {
    if (pi < p.size()) {
      const char c = p[pi];
      if (escape >= 0 && static_cast<unsigned char>(c) == escape) {
        if (pi + 1 >= p.size() ||
            (p[pi + 1] != '%' && p[pi + 1] != '_' &&
             static_cast<unsigned char>(p[pi + 1]) != escape)) {
          *bad = true;
          return false;
        }
        if (si < s.size() && s[si] == p[pi + 1]) {
          ++si;
          pi += 2;
          continue;
        }
      } else if (c == '%') {
        starP = ++pi;
        starS = si;
        continue;
      } else if (si < s.size()) {
        const size_t n = c == '_' ? CharBytes(s, si) : CharBytes(p, pi);
        if (c == '_') {
          si += n;
          ++pi;
          continue;
        }
        if (s.compare(si, n, p.substr(pi, n)) == 0) {
          si += n;
          pi += n;
          continue;
        }
      }
    }
    if (starP == std::string_view::npos || starS >= s.size()) return false;
    starS += CharBytes(s, starS);
    si = starS;
    pi = starP;
  }
  return true;
}

// kestrel_like(s, pattern [, escape])
void LikeCall(sqlite3_context *context, int argc, sqlite3_value **argv) {
  for (int i = 0; i < argc; ++i) {
    if (IsNullArg(argv[i])) return;
  }
  std::string s0, s1, s2;
  int escape = -1;
  if (argc == 3) {
    const std::string_view e = ArgText(argv[2], &s2);
    if (CharBytes(e, 0) != e.size() || e.size() != 1) return Raise(context, 1425);
    escape = static_cast<unsigned char>(e[0]);
  }
  bool bad = false;
  const bool match = Like(ArgText(argv[0], &s0), ArgText(argv[1], &s1), escape, &bad);
  if (bad) return Raise(context, 1424);
  sqlite3_result_int(context, match ? 1 : 0);
}

}  // namespace

int RegisterOperatorFunctions(sqlite3 *db, const SessionSettings *settings) {
  static const ScalarDef kDefs[] = {
      {"kestrel_like", 2, 3, true, LikeCall},
      {"kestrel_add_interval", 4, 4, true, AddInterval},
      {"kestrel_date_add", 2, 2, true, DateAdd},
      {"kestrel_days_between", 2, 2, true, DaysBetween},
      {"kestrel_ts_diff", 2, 2, true, TimestampDiff},
      {"kestrel_div", 2, 2, true, Divide},
  };
  return RegisterScalars(db, kDefs, sizeof kDefs / sizeof kDefs[0],
                         const_cast<SessionSettings *>(settings));
}

}  // namespace kestrel_engine
