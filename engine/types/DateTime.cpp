/*
** Calendar arithmetic for DATE and TIMESTAMP: day numbers (Fliegel and Van
** Flandern's conversion, proleptic Gregorian), months, and the stored text.
*/
#include "types/DateTime.h"

#include <math.h>
#include <stdio.h>

namespace kestrel_engine {

bool DateTime::operator==(const DateTime &o) const {
  return year == o.year && month == o.month && day == o.day && hour == o.hour &&
         minute == o.minute && second == o.second && nanosecond == o.nanosecond;
}

namespace {

// Year numbers with year 0: 1 BC is 0, so arithmetic has no gap.
int Astronomical(int year) { return year < 0 ? year + 1 : year; }
int Historical(int year) { return year <= 0 ? year - 1 : year; }

}  // namespace

bool IsLeapYear(int year) {
  const int y = Astronomical(year);
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int64_t JulianDay(int year, int month, int day) {
  const int64_t y = Astronomical(year);
  const int64_t a = (14 - month) / 12;
  const int64_t yy = y + 4800 - a;
  const int64_t mm = month + 12 * a - 3;
  // Floor division keeps the formula right for years before 4800 BC too.
  auto div = [](int64_t n, int64_t d) { return n >= 0 ? n / d : -((-n + d - 1) / d); };
  return day + div(153 * mm + 2, 5) + 365 * yy + div(yy, 4) - div(yy, 100) +
         div(yy, 400) - 32045;
}

void FromJulianDay(int64_t julian, int *year, int *month, int *day) {
  const int64_t a = julian + 32044;
  const int64_t b = (4 * a + 3) / 146097;
  const int64_t c = a - 146097 * b / 4;
  const int64_t d = (4 * c + 3) / 1461;
  const int64_t e = c - 1461 * d / 4;
  const int64_t m = (5 * e + 2) / 153;
  *day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
  *month = static_cast<int>(m + 3 - 12 * (m / 10));
  *year = Historical(static_cast<int>(100 * b + d - 4800 + m / 10));
}

int DayOfWeek(int year, int month, int day) {
  // Julian day 0 was a Monday.
  return static_cast<int>((JulianDay(year, month, day) + 1) % 7) + 1;
}

int DayOfYear(int year, int month, int day) {
  return static_cast<int>(JulianDay(year, month, day) - JulianDay(year, 1, 1)) + 1;
}

double ToDays(const DateTime &v) {
  return static_cast<double>(JulianDay(v.year, v.month, v.day)) +
         (v.hour * 3600.0 + v.minute * 60.0 + v.second + v.nanosecond / 1e9) / 86400.0;
}

bool FromDays(double days, bool keepFraction, DateTime *out) {
  if (!std::isfinite(days)) return false;
  double whole = floor(days);
  double seconds = (days - whole) * 86400.0;
  int64_t nanos = static_cast<int64_t>(llround(seconds * 1e9));
  if (!keepFraction) nanos = static_cast<int64_t>(llround(seconds)) * 1000000000;
  if (nanos >= 86400LL * 1000000000) {
    nanos -= 86400LL * 1000000000;
    whole += 1;
  }
  if (whole < -1e9 || whole > 1e9) return false;
  DateTime v;
  FromJulianDay(static_cast<int64_t>(whole), &v.year, &v.month, &v.day);
  const int64_t secs = nanos / 1000000000;
  v.nanosecond = static_cast<int>(nanos % 1000000000);
  v.hour = static_cast<int>(secs / 3600);
  v.minute = static_cast<int>(secs / 60 % 60);
  v.second = static_cast<int>(secs % 60);
  if (!IsValid(v)) return false;
  *out = v;
  return true;
}

bool AddMonths(const DateTime &value, int64_t months, DateTime *out) {
  const int64_t index = static_cast<int64_t>(Astronomical(value.year)) * 12 +
                        (value.month - 1) + months;
  const int64_t y = index >= 0 ? index / 12 : -((-index + 11) / 12);
  if (y < kMinYear - 1 || y > kMaxYear) return false;
  DateTime v = value;
  v.year = Historical(static_cast<int>(y));
  v.month = static_cast<int>(index - y * 12) + 1;
  const int last = DaysInMonth(v.year, v.month);
  if (value.day == DaysInMonth(value.year, value.month) || v.day > last) v.day = last;
  if (!IsValid(v)) return false;
  *out = v;
  return true;
}

bool IsValid(const DateTime &v) {
  return v.year >= kMinYear && v.year <= kMaxYear && v.year != 0 && v.month >= 1 &&
         v.month <= 12 && v.day >= 1 && v.day <= DaysInMonth(v.year, v.month) &&
         v.hour >= 0 && v.hour < 24 && v.minute >= 0 && v.minute < 60 &&
         v.second >= 0 && v.second < 60 && v.nanosecond >= 0 &&
         v.nanosecond < 1000000000;
}

std::string StoreDate(const DateTime &v) {
  char text[32];
  snprintf(text, sizeof text, "%s%04d-%02d-%02d %02d:%02d:%02d", v.year < 0 ? "-" : "",
           v.year < 0 ? -v.year : v.year, v.month, v.day, v.hour, v.minute, v.second);
  return text;
}

std::string StoreTimestamp(const DateTime &v) {
  char text[48];
  snprintf(text, sizeof text, "%s%04d-%02d-%02d %02d:%02d:%02d.%09d",
           v.year < 0 ? "-" : "", v.year < 0 ? -v.year : v.year, v.month, v.day,
           v.hour, v.minute, v.second, v.nanosecond);
  return text;
}

bool ParseStored(std::string_view text, DateTime *out) {
  size_t i = 0;
  auto number = [&](size_t digits, int *value) {
    if (i + digits > text.size()) return false;
    int n = 0;
    for (size_t k = 0; k < digits; ++k) {
      const char c = text[i + k];
      if (c < '0' || c > '9') return false;
      n = n * 10 + (c - '0');
    }
    i += digits;
    *value = n;
    return true;
  };
  auto expect = [&](char c) {
    if (i < text.size() && text[i] == c) {
      ++i;
      return true;
    }
    return false;
  };
  DateTime v;
  const bool negative = expect('-');
  if (!number(4, &v.year) || !expect('-') || !number(2, &v.month) || !expect('-') ||
      !number(2, &v.day)) {
    return false;
  }
  if (negative) v.year = -v.year;
  if (i < text.size()) {
    if (!expect(' ') && !expect('T')) return false;
    if (!number(2, &v.hour) || !expect(':') || !number(2, &v.minute)) return false;
    if (expect(':') && !number(2, &v.second)) return false;
    if (expect('.')) {
      int scale = 100000000;
      size_t digits = 0;
      while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (scale > 0) v.nanosecond += (text[i] - '0') * scale;
        scale /= 10;
        ++i;
        ++digits;
      }
      if (digits == 0) return false;
    }
    if (i != text.size()) return false;
  }
  if (!IsValid(v)) return false;
  *out = v;
  return true;
}

std::string DayToSecondText(int64_t seconds, int64_t nanos) {
  const bool negative = seconds < 0 || nanos < 0;
  const uint64_t s = static_cast<uint64_t>(seconds < 0 ? -seconds : seconds);
  const uint64_t ns = static_cast<uint64_t>(nanos < 0 ? -nanos : nanos);
  char buffer[64];
  snprintf(buffer, sizeof buffer, "%c%09llu %02llu:%02llu:%02llu.%09llu",
                negative ? '-' : '+', static_cast<unsigned long long>(s / 86400),
                static_cast<unsigned long long>(s / 3600 % 24),
                static_cast<unsigned long long>(s / 60 % 60),
                static_cast<unsigned long long>(s % 60), static_cast<unsigned long long>(ns));
  return buffer;
}

}  // namespace kestrel_engine
