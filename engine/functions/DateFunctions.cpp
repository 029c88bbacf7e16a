/*
** Oracle's date functions over the stored text forms of DATE and
** TIMESTAMP: ADD_MONTHS, MONTHS_BETWEEN, LAST_DAY, NEXT_DAY, ROUND and
** TRUNC to a format model's unit, the interval constructors (which answer
** the interval's text form) and kestrel_extract, which EXTRACT's syntax
** compiles to. A date argument may also be text in the session's format.
*/
#include <cctype>
#include <cmath>

#include "functions/FunctionFamilies.h"
#include "functions/FunctionSupport.h"
#include "format/DateFormat.h"

namespace kestrel_engine {

namespace {

DateTime DayOf(int64_t julian) {
  DateTime d;
  FromJulianDay(julian, &d.year, &d.month, &d.day);
  return d;
}

int64_t Julian(const DateTime &d) { return JulianDay(d.year, d.month, d.day); }

DateTime Ymd(int year, int month, int day) {
  DateTime d;
  d.year = year;
  d.month = month;
  d.day = day;
  return d;
}

DateTime NextMonthStart(const DateTime &d, int months) {
  const int index = d.year * 12 + (d.month - 1) + months;
  return Ymd(index / 12, index % 12 + 1, 1);
}

// Monday of the first ISO week of `year`.
int64_t IsoYearStart(int year) {
  const int64_t jan4 = JulianDay(year, 1, 4);
  return jan4 - (DayOfWeek(year, 1, 4) + 5) % 7;
}

std::string Upper(std::string_view text) {
  size_t a = 0, b = text.size();
  while (a < b && text[a] == ' ') ++a;
  while (b > a && text[b - 1] == ' ') --b;
  std::string out(text.substr(a, b - a));
  for (char &c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

enum class Unit { kCentury, kYear, kIsoYear, kQuarter, kMonth, kWeek, kIsoWeek, kMonthWeek,
                  kDay, kWeekStart, kHour, kMinute };

bool UnitOf(DateElement e, Unit *unit) {
  switch (e) {
    case DateElement::kCC: case DateElement::kSCC: *unit = Unit::kCentury; return true;
    case DateElement::kSYYYY: case DateElement::kYYYY: case DateElement::kYear:
    case DateElement::kSYear: case DateElement::kYYY: case DateElement::kYY:
    case DateElement::kY: case DateElement::kYCommaYYY: *unit = Unit::kYear; return true;
    case DateElement::kIYYY: case DateElement::kIYY: case DateElement::kIY:
    case DateElement::kI: *unit = Unit::kIsoYear; return true;
    case DateElement::kQ: *unit = Unit::kQuarter; return true;
    case DateElement::kMonth: case DateElement::kMon: case DateElement::kMM:
    case DateElement::kRM: *unit = Unit::kMonth; return true;
    case DateElement::kWW: *unit = Unit::kWeek; return true;
    case DateElement::kIW: *unit = Unit::kIsoWeek; return true;
    case DateElement::kW: *unit = Unit::kMonthWeek; return true;
    case DateElement::kDDD: case DateElement::kDD: case DateElement::kJ:
      *unit = Unit::kDay; return true;
    case DateElement::kDay: case DateElement::kDY: case DateElement::kD:
      *unit = Unit::kWeekStart; return true;
    case DateElement::kHH: case DateElement::kHH12: case DateElement::kHH24:
      *unit = Unit::kHour; return true;
    case DateElement::kMI: *unit = Unit::kMinute; return true;
    default: return false;
  }
}

// The start of the unit holding `d`, and the start of the next one.
void UnitBounds(const DateTime &d, Unit unit, DateTime *start, DateTime *next) {
  const int64_t jd = Julian(d);
  switch (unit) {
    case Unit::kCentury: {
      const int first = d.year > 0 ? (d.year - 1) / 100 * 100 + 1 : d.year;
      *start = Ymd(first, 1, 1);
      *next = Ymd(first + 100, 1, 1);
      return;
    }
    case Unit::kYear:
      *start = Ymd(d.year, 1, 1);
      *next = Ymd(d.year + 1, 1, 1);
      return;
    case Unit::kIsoYear: {
      int year = d.year;
      if (jd < IsoYearStart(year)) --year;
      if (jd >= IsoYearStart(year + 1)) ++year;
      *start = DayOf(IsoYearStart(year));
      *next = DayOf(IsoYearStart(year + 1));
      return;
    }
    case Unit::kQuarter:
      *start = Ymd(d.year, (d.month - 1) / 3 * 3 + 1, 1);
      *next = NextMonthStart(*start, 3);
      return;
    case Unit::kMonth:
      *start = Ymd(d.year, d.month, 1);
      *next = NextMonthStart(*start, 1);
      return;
    case Unit::kWeek: {
      const int64_t jan1 = JulianDay(d.year, 1, 1);
      *start = DayOf(jan1 + (jd - jan1) / 7 * 7);
      *next = DayOf(Julian(*start) + 7);
      return;
    }
    case Unit::kIsoWeek:
      *start = DayOf(jd - (DayOfWeek(d.year, d.month, d.day) + 5) % 7);
      *next = DayOf(Julian(*start) + 7);
      return;
    case Unit::kMonthWeek: {
      *start = Ymd(d.year, d.month, (d.day - 1) / 7 * 7 + 1);
      const int64_t end = Julian(NextMonthStart(d, 1));
      *next = DayOf(std::min(Julian(*start) + 7, end));
      return;
    }
    case Unit::kWeekStart:
      *start = DayOf(jd - (DayOfWeek(d.year, d.month, d.day) - 1));
      *next = DayOf(Julian(*start) + 7);
      return;
    case Unit::kDay:
      *start = Ymd(d.year, d.month, d.day);
      *next = DayOf(jd + 1);
      return;
    case Unit::kHour:
      *start = Ymd(d.year, d.month, d.day);
      start->hour = d.hour;
      // Past the last representable second: an invalid date, which
      // ROUND then reports.
      if (!FromDays(ToDays(*start) + 1.0 / 24, false, next)) next->year = kMaxYear + 1;
      return;
    case Unit::kMinute:
      *start = Ymd(d.year, d.month, d.day);
      start->hour = d.hour;
      start->minute = d.minute;
      if (!FromDays(ToDays(*start) + 1.0 / 1440, false, next)) next->year = kMaxYear + 1;
      return;
  }
}

// Where ROUND turns up: Oracle's calendar rules (July 1, the 16th day of a
// quarter's second month, the 16th, noon, half past), else the midpoint.
bool RoundsUp(const DateTime &d, Unit unit, const DateTime &start, const DateTime &next) {
  switch (unit) {
    case Unit::kCentury: return (d.year - start.year) >= 50;
    case Unit::kYear: return d.month >= 7;
    case Unit::kQuarter: {
      const int inQuarter = d.month - start.month;
      return inQuarter == 2 || (inQuarter == 1 && d.day >= 16);
    }
    case Unit::kMonth: return d.day >= 16;
    case Unit::kDay: return d.hour >= 12;
    case Unit::kHour: return d.minute >= 30;
    case Unit::kMinute: return d.second >= 30;
    default: {
      const double at = ToDays(d), a = ToDays(start), b = ToDays(next);
      return at - a >= b - at;
    }
  }
}

void AddMonthsCall(sqlite3_context *context, int, sqlite3_value **argv) {
  DateTime d, out;
  bool isNull = false;
  if (!ReadDateArg(context, argv[0], &d, &isNull)) return;
  int64_t months = 0;
  if (!ReadInt(context, argv[1], &months, &isNull) || isNull) return;
  if (months > 200000 || months < -200000 || !AddMonths(d, months, &out)) {
    Raise(context, 1841);
    return;
  }
  ResultDate(context, out);
}

// Whole months when the days of month agree or both are last days, else
// the difference in days (with the time) over 31.
void MonthsBetween(sqlite3_context *context, int, sqlite3_value **argv) {
  DateTime a, b;
  bool isNull = false;
  if (!ReadDateArg(context, argv[0], &a, &isNull)) return;
  if (!ReadDateArg(context, argv[1], &b, &isNull)) return;
  const double months = (a.year - b.year) * 12.0 + (a.month - b.month);
  const bool aLast = a.day == DaysInMonth(a.year, a.month);
  const bool bLast = b.day == DaysInMonth(b.year, b.month);
  if (a.day == b.day || (aLast && bLast)) {
    ResultDouble(context, months);
    return;
  }
  auto secondsOf = [](const DateTime &d) { return d.hour * 3600.0 + d.minute * 60.0 + d.second; };
  const double days = (a.day - b.day) + (secondsOf(a) - secondsOf(b)) / 86400.0;
  ResultDouble(context, months + days / 31.0);
}

void LastDay(sqlite3_context *context, int, sqlite3_value **argv) {
  DateTime d;
  bool isNull = false;
  if (!ReadDateArg(context, argv[0], &d, &isNull)) return;
  d.day = DaysInMonth(d.year, d.month);
  ResultDate(context, d);
}

void NextDay(sqlite3_context *context, int, sqlite3_value **argv) {
  static const char *const kDays[] = {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY",
                                      "THURSDAY", "FRIDAY", "SATURDAY"};
  DateTime d;
  bool isNull = false;
  if (!ReadDateArg(context, argv[0], &d, &isNull)) return;
  if (IsNullArg(argv[1])) return;
  std::string storage;
  const std::string name = Upper(ArgText(argv[1], &storage));
  int wanted = -1;
  for (int k = 0; k < 7; ++k) {
    const std::string full = kDays[k];
    if (name == full || name == full.substr(0, 3)) wanted = k + 1;
  }
  if (wanted < 0) {
    Raise(context, 1846);
    return;
  }
  const int today = DayOfWeek(d.year, d.month, d.day);
  const int ahead = (wanted - today + 6) % 7 + 1;
  DateTime out = DayOf(Julian(d) + ahead);
  out.hour = d.hour;
  out.minute = d.minute;
  out.second = d.second;
  ResultDate(context, out);
}

// `digits` (a whole number) times a small factor.
std::string TimesSmall(const std::string &digits, uint64_t factor) {
  std::string out;
  uint64_t carry = 0;
  for (size_t i = digits.size(); i-- > 0;) {
    const uint64_t v = static_cast<uint64_t>(digits[i] - '0') * factor + carry;
    out.push_back(static_cast<char>('0' + v % 10));
    carry = v / 10;
  }
  for (; carry; carry /= 10) out.push_back(static_cast<char>('0' + carry % 10));
  while (out.size() > 1 && out.back() == '0') out.pop_back();
  return out.empty() ? "0" : std::string(out.rbegin(), out.rend());
}

// The whole part of `value` * `factor` (rounded half away, or truncated), as
// a magnitude that fits 64 bits; false when it does not.
bool ScaledWhole(const Decimal &value, uint64_t factor, bool truncate, uint64_t *out) {
  Decimal product = value;
  if (!product.digits.empty()) product.digits = TimesSmall(product.digits, factor);
  DecimalRound(&product, 0, truncate);
  if (product.digits.size() + static_cast<size_t>(std::max(product.exponent, 0)) > 19) return false;
  uint64_t n = 0;
  for (char c : product.digits) n = n * 10 + static_cast<uint64_t>(c - '0');
  for (int k = 0; k < product.exponent; ++k) n *= 10;
  *out = n;
  return true;
}

void NumToDsInterval(sqlite3_context *context, int, sqlite3_value **argv) {
  Decimal n;
  const Num::Kind kind = ReadDecimal(context, argv[0], &n);
  if (kind == Num::kNull || kind == Num::kError || IsNullArg(argv[1])) return;
  std::string storage;
  const std::string unit = Upper(ArgText(argv[1], &storage));
  uint64_t seconds = 0;
  if (unit == "DAY") seconds = 86400;
  else if (unit == "HOUR") seconds = 3600;
  else if (unit == "MINUTE") seconds = 60;
  else if (unit == "SECOND") seconds = 1;
  else return Raise(context, 1760);
  // Whole seconds and nanoseconds apart, so 999999999 days still fit.
  Decimal product = n;
  product.negative = false;
  if (!product.digits.empty()) product.digits = TimesSmall(product.digits, seconds);
  Decimal whole = product;
  DecimalRound(&whole, 0, true);
  Decimal minusWhole = whole;
  minusWhole.negative = !whole.digits.empty();
  Decimal fraction = DecimalAdd(product, minusWhole);
  if (!fraction.digits.empty()) fraction.exponent += 9;
  DecimalRound(&fraction, 0, false);
  int64_t secs = 0, nanos = 0;
  if (!DecimalScaled(whole, 0, &secs) || !DecimalScaled(fraction, 0, &nanos)) {
    return Raise(context, 1873);
  }
  if (nanos >= 1000000000) {
    ++secs;
    nanos -= 1000000000;
  }
  if (secs / 86400 > 999999999) return Raise(context, 1873);
  const bool zero = secs == 0 && nanos == 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%c%09llu %02llu:%02llu:%02llu.%09llu",
                n.negative && !zero ? '-' : '+',
                static_cast<unsigned long long>(secs / 86400),
                static_cast<unsigned long long>(secs / 3600 % 24),
                static_cast<unsigned long long>(secs / 60 % 60),
                static_cast<unsigned long long>(secs % 60),
                static_cast<unsigned long long>(nanos));
  ResultText(context, buffer);
}

void NumToYmInterval(sqlite3_context *context, int, sqlite3_value **argv) {
  Decimal n;
  const Num::Kind kind = ReadDecimal(context, argv[0], &n);
  if (kind == Num::kNull || kind == Num::kError || IsNullArg(argv[1])) return;
  std::string storage;
  const std::string unit = Upper(ArgText(argv[1], &storage));
  if (unit != "YEAR" && unit != "MONTH") return Raise(context, 1760);
  Decimal magnitude = n;
  magnitude.negative = false;
  uint64_t months = 0;
  // Parts of a month are dropped.
  if (!ScaledWhole(magnitude, unit == "YEAR" ? 12 : 1, true, &months) ||
      months / 12 > 999999999ULL) {
    return Raise(context, 1873);
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%c%09llu-%02llu", n.negative && months != 0 ? '-' : '+',
                static_cast<unsigned long long>(months / 12),
                static_cast<unsigned long long>(months % 12));
  ResultText(context, buffer);
}

// kestrel_extract(field, value): EXTRACT(field FROM value). As the vendor
// does, a DATE has no HOUR, MINUTE or SECOND (ORA-30076); a TIMESTAMP's
// SECOND keeps its fraction.
void Extract(sqlite3_context *context, int, sqlite3_value **argv) {
  std::string s0, s1;
  const std::string field = Upper(ArgText(argv[0], &s0));
  if (ExtractFromInterval(context, field, argv[1])) return;
  DateTime d;
  bool isNull = false;
  if (!ReadDateArg(context, argv[1], &d, &isNull)) return;
  const bool timestamp = ArgText(argv[1], &s1).find('.') != std::string_view::npos;
  if (field == "YEAR") return sqlite3_result_int(context, d.year);
  if (field == "MONTH") return sqlite3_result_int(context, d.month);
  if (field == "DAY") return sqlite3_result_int(context, d.day);
  if (timestamp && field == "HOUR") return sqlite3_result_int(context, d.hour);
  if (timestamp && field == "MINUTE") return sqlite3_result_int(context, d.minute);
  if (timestamp && field == "SECOND") {
    Decimal seconds = DecimalFromInt(static_cast<int64_t>(d.second) * 1000000000 + d.nanosecond);
    if (!seconds.digits.empty()) seconds.exponent -= 9;
    return ResultDecimal(context, seconds);
  }
  Raise(context, 30076);
}

}  // namespace

void RoundDate(sqlite3_context *context, int argc, sqlite3_value **argv, bool truncate) {
  DateTime d;
  bool isNull = false;
  if (!ReadDateArg(context, argv[0], &d, &isNull)) return;
  Unit unit = Unit::kDay;
  if (argc == 2) {
    if (IsNullArg(argv[1])) return;
    std::string storage;
    DateFormat model;
    if (const int code = ParseDateFormat(ArgText(argv[1], &storage), &model)) {
      return Raise(context, code);
    }
    int units = 0;
    for (const DateFormatItem &item : model.items) {
      if (item.element == DateElement::kLiteral || item.element == DateElement::kFM ||
          item.element == DateElement::kFX) {
        continue;
      }
      if (!UnitOf(item.element, &unit)) return Raise(context, 1899);
      ++units;
    }
    if (units != 1) return Raise(context, units == 0 ? 1899 : 1898);
  }
  DateTime start, next;
  UnitBounds(d, unit, &start, &next);
  ResultDate(context, !truncate && RoundsUp(d, unit, start, next) ? next : start);
}

// kestrel_fixed_date(): the session's FIXED_DATE in the stored form, or
// NULL; SYSDATE and SYSTIMESTAMP read it before the clock.
void FixedDate(sqlite3_context *context, int, sqlite3_value **) {
  const auto *settings = static_cast<const SessionSettings *>(sqlite3_user_data(context));
  if (settings->fixedDate.empty()) return sqlite3_result_null(context);
  sqlite3_result_text(context, settings->fixedDate.data(), static_cast<int>(settings->fixedDate.size()),
                      SQLITE_TRANSIENT);
}

int RegisterDateFunctions(sqlite3 *db, const SessionSettings *settings) {
  // Evaluated once per execution, as SQLite evaluates 'now'.
  const int rc = sqlite3_create_function_v2(db, "kestrel_fixed_date", 0,
                                            SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                            const_cast<SessionSettings *>(settings), FixedDate,
                                            nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return rc;
  // Dates given as text in the session's format depend on the session, so
  // none of these is deterministic.
  static const ScalarDef kFunctions[] = {
      {"add_months", 2, 2, false, AddMonthsCall},
      {"months_between", 2, 2, false, MonthsBetween},
      {"last_day", 1, 1, false, LastDay},
      {"next_day", 2, 2, false, NextDay},
      {"numtodsinterval", 2, 2, true, NumToDsInterval},
      {"numtoyminterval", 2, 2, true, NumToYmInterval},
      {"kestrel_extract", 2, 2, false, Extract},
  };
  return RegisterScalars(db, kFunctions, sizeof kFunctions / sizeof kFunctions[0],
                         const_cast<SessionSettings *>(settings));
}

}  // namespace kestrel_engine
