/*
** The date text parser: the text is cut into numbers, words and
** separators; numbers joined by ":" or "." make the time, the other
** numbers and a month name make the date.
*/
#include "DateTextParser.h"

#include <ctype.h>
#include <string.h>

#include <string>

namespace kestrel {
namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

const char *const kMonths[] = {"january", "february", "march",     "april",
                               "may",     "june",     "july",      "august",
                               "september", "october", "november", "december"};
const char *const kWeekdays[] = {"sunday",   "monday", "tuesday", "wednesday",
                                 "thursday", "friday", "saturday"};

// The 1-based index of a full name or its first three letters, else 0.
int NameIndex(const std::string &word, const char *const *names, int count) {
  for (int i = 0; i < count; ++i) {
    if (word == names[i] ||
        (word.size() == 3 && strncmp(names[i], word.c_str(), 3) == 0))
      return i + 1;
  }
  return 0;
}

struct Number {
  int value;
  int digits;
};

// At most three numbers; more make the text no date.
struct Numbers {
  Number n[3] = {};
  int size = 0;
  bool Add(const Number &x) {
    if (size == 3) return false;
    n[size++] = x;
    return true;
  }
  const Number &operator[](int i) const { return n[i]; }
};

// A two-digit year in the window of Windows' default setting, which OLE
// reads: 00..49 are 2000..2049.
int FullYear(const Number &n) {
  if (n.digits > 2) return n.value;
  return n.value < 50 ? 2000 + n.value : 1900 + n.value;
}

bool IsDay(const Number &n) {
  return n.digits <= 2 && n.value >= 1 && n.value <= 31;
}
bool IsMonth(const Number &n) {
  return n.digits <= 2 && n.value >= 1 && n.value <= 12;
}

bool TryDate(const Number &y, const Number &m, const Number &d,
             DateTextParts &out) {
  if (!IsMonth(m) || !IsDay(d)) return false;
  const int year = FullYear(y);
  if (d.value > DaysInMonth(year, m.value)) return false;
  out.year = year;
  out.month = m.value;
  out.day = d.value;
  return true;
}

bool TryDayInYear(int year, const Number &m, const Number &d,
                  DateTextParts &out) {
  if (!IsMonth(m) || !IsDay(d) || d.value > DaysInMonth(year, m.value))
    return false;
  out.year = year;
  out.month = m.value;
  out.day = d.value;
  return true;
}

// The date from its numbers and an optional month name (0 for none).
bool MakeDate(const Numbers &n, int month, int (*currentYear)(),
              DateTextParts &out) {
  if (month != 0) {
    const Number m{month, 2};
    if (n.size == 1) {
      if (IsDay(n[0])) return TryDayInYear(currentYear(), m, n[0], out);
      return TryDate(n[0], m, Number{1, 1}, out);
    }
    if (n.size != 2) return false;
    // A number that cannot be a day is the year, whichever comes first.
    if (!IsDay(n[0])) return TryDate(n[0], m, n[1], out);
    return TryDate(n[1], m, n[0], out);
  }
  if (n.size == 3) {
    return TryDate(n[2], n[0], n[1], out) ||  // month-day-year
           TryDate(n[0], n[1], n[2], out) ||  // year-month-day
           TryDate(n[2], n[1], n[0], out);    // day-month-year
  }
  if (n.size == 2) {
    const int year = currentYear();
    return TryDayInYear(year, n[0], n[1], out) ||
           TryDayInYear(year, n[1], n[0], out) ||
           TryDate(n[1], n[0], Number{1, 1}, out) ||  // month-year
           TryDate(n[0], n[1], Number{1, 1}, out);    // year-month
  }
  return false;
}

bool IsBlank(const char *p) {
  const unsigned char c = static_cast<unsigned char>(*p);
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' ||
         c == '\f' || c == ',' ||
         (c == 0xC2 && static_cast<unsigned char>(p[1]) == 0xA0);
}

}  // namespace

bool ParseDateText(const char *p, int (*currentYear)(), DateTextParts &out) {
  out = DateTextParts();
  Numbers dateNumbers;
  Numbers time;  // hour, minute, second
  int month = 0;
  int meridiem = 0;  // 1 AM, 2 PM
  bool timeOpen = false;  // the last time part wants a following number

  while (*p != '\0') {
    if (IsBlank(p)) {
      p += static_cast<unsigned char>(*p) == 0xC2 ? 2 : 1;
      continue;
    }
    if (isdigit(static_cast<unsigned char>(*p))) {
      Number n{0, 0};
      for (; isdigit(static_cast<unsigned char>(*p)); ++p) {
        if (++n.digits > 5) return false;
        n.value = n.value * 10 + (*p - '0');
      }
      const bool timeNext = *p == ':' || *p == '.';
      if (timeOpen) {
        if (!time.Add(n)) return false;
        timeOpen = timeNext;
        if (timeNext) ++p;
      } else if (timeNext) {
        if (time.size != 0) return false;  // a second time
        time.Add(n);
        timeOpen = true;
        ++p;
      } else {
        if (!dateNumbers.Add(n)) return false;
        if (*p == '/' || *p == '-') {
          ++p;
        } else if (*p == 'T' || *p == 't') {
          if (!isdigit(static_cast<unsigned char>(p[1]))) return false;
          ++p;  // ISO's date-time separator
        }
      }
      continue;
    }
    if (timeOpen) return false;  // "1:" with nothing after
    if (isalpha(static_cast<unsigned char>(*p))) {
      std::string word;
      for (; isalpha(static_cast<unsigned char>(*p)); ++p) {
        const int c = tolower(static_cast<unsigned char>(*p));
        word.push_back(static_cast<char>(c));
      }
      if (word == "am" || word == "pm") {
        if (meridiem != 0) return false;
        meridiem = word == "am" ? 1 : 2;
        // An hour alone before AM or PM is a time ("1 PM").
        if (time.size == 0) {
          if (dateNumbers.size == 0) return false;
          time.Add(dateNumbers[--dateNumbers.size]);
        }
      } else if (const int m = NameIndex(word, kMonths, 12)) {
        if (month != 0) return false;
        month = m;
      } else if (!NameIndex(word, kWeekdays, 7)) {
        return false;
      }
      if (*p == '-' || *p == '/') ++p;  // 15-Jan-2024
      continue;
    }
    return false;
  }
  if (timeOpen) return false;

  if (time.size != 0) {
    for (int i = 0; i < time.size; ++i)
      if (time[i].digits > 2) return false;
    int h = time[0].value;
    const int mi = time.size > 1 ? time[1].value : 0;
    const int s = time.size > 2 ? time[2].value : 0;
    if (meridiem != 0 && h <= 12) {
      if (h == 12) h = 0;
      if (meridiem == 2) h += 12;
    }
    if (h > 23 || mi > 59 || s > 59) return false;
    out.hour = h;
    out.minute = mi;
    out.second = s;
  } else if (meridiem != 0) {
    return false;
  }
  if (dateNumbers.size == 0 && month == 0) return time.size != 0;
  return MakeDate(dateNumbers, month, currentYear, out);
}

}  // namespace kestrel
