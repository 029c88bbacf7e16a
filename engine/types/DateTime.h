/*
** Oracle's DATE and TIMESTAMP values as the engine computes with them, and
** their stored form. A DATE is stored as the text 'YYYY-MM-DD HH:MM:SS'
** (what SQLite's date functions read, in time order when sorted as text,
** readable in any SQLite tool); a TIMESTAMP adds '.fffffffff', always nine
** digits, so values of one column sort as text too. Years before 1 are
** written with a minus sign (-4712 is 4713 BC; there is no year 0).
**
** The calendar is the proleptic Gregorian one: day numbers and 'J' agree
** with the vendor's for every date from 1582-10-15 on.
*/
#ifndef KESTREL_ENGINE_DATETIME_H
#define KESTREL_ENGINE_DATETIME_H

#include <stdint.h>

#include <string>
#include <string_view>

namespace kestrel_engine {

struct DateTime {
  int year = 1;  // -4712 .. 9999, never 0
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int nanosecond = 0;

  bool operator==(const DateTime &o) const;
};

constexpr int kMinYear = -4712;
constexpr int kMaxYear = 9999;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// The Julian day number (4713 BC January 1 is 0; 2000-01-01 is 2451545).
int64_t JulianDay(int year, int month, int day);
void FromJulianDay(int64_t julian, int *year, int *month, int *day);

// 1 for Sunday .. 7 for Saturday.
int DayOfWeek(int year, int month, int day);
int DayOfYear(int year, int month, int day);

// Days since the Julian epoch with the time as a fraction, and back
// (rounded to the second for a DATE, to the nanosecond otherwise).
double ToDays(const DateTime &value);
bool FromDays(double days, bool keepFraction, DateTime *out);

// Adds months as ADD_MONTHS does: the last day of a month stays the last.
bool AddMonths(const DateTime &value, int64_t months, DateTime *out);

// True for a value within the vendor's range.
bool IsValid(const DateTime &value);

// The stored forms.
std::string StoreDate(const DateTime &value);
std::string StoreTimestamp(const DateTime &value);
// Reads a stored DATE or TIMESTAMP, and also 'YYYY-MM-DD', 'YYYY-MM-DD
// HH:MM', 'YYYY-MM-DDTHH:MM:SS' and fractions of any length, as SQLite's
// date functions write them. False for anything else.
bool ParseStored(std::string_view text, DateTime *out);

// An INTERVAL DAY TO SECOND of `seconds` and `nanos` (both of the same
// sign, or zero) in its stored text form, '+DDDDDDDDD HH:MM:SS.FFFFFFFFF'.
std::string DayToSecondText(int64_t seconds, int64_t nanos);

}  // namespace kestrel_engine

#endif
