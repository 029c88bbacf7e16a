/*
** Reading a date and time from text the way OLE's text-to-date conversion
** reads it under the en-US user locale, for COleDateTime::ParseDateTime.
*/
#ifndef KESTREL_DATETEXTPARSER_H
#define KESTREL_DATETEXTPARSER_H

namespace kestrel {

struct DateTextParts {
  int year = 1899, month = 12, day = 30;  // no date: OLE's day zero
  int hour = 0, minute = 0, second = 0;
};

// Parses text (UTF-8, NUL-terminated); false when it is no date or time.
// The parts are checked against the calendar and the clock; the year may
// still lie outside OLE's range, which the caller checks.
//
// Accepted, in any order and separated by blanks or commas:
// - a date of numbers joined by "/", "-" or blanks: three are tried as
//   month-day-year, then year-month-day, then day-month-year, the first
//   that is a real date winning; two as month-day or day-month in the
//   current year, else as month and year (the day being the 1st);
// - a month name or its three-letter abbreviation, with a day, a year or
//   both ("January 15, 2024", "15-Jan-2024", "Jan 2024"); of two numbers
//   the first is the day unless it cannot be one ("15-Jan-24" is
//   2024-01-15);
// - a weekday name, which is ignored;
// - a time: H:MM[:SS] or H.MM[.SS], or an hour alone before AM or PM; an
//   AM or PM after an hour past 12 is ignored ("13:45 PM" is 13:45);
// - "T" between a date and a time, as in 2024-01-15T13:45:00.
// Two-digit years fall in 1950..2049.
// currentYear is asked only for a date that names no year.
bool ParseDateText(const char *text, int (*currentYear)(),
                   DateTextParts &out);

}  // namespace kestrel

#endif
