/*
** COleDateTime: conversion between OLE's day count and calendar parts,
** the text parser and the formatters.
**
** Calendar arithmetic uses the days-from-civil algorithms for the
** proleptic Gregorian calendar (era of 400 years). A value is split by
** taking its whole days (truncated toward zero) and its time of day (the
** fraction's magnitude), rounding the time to the nearest second, and then
** counting seconds on a single line from 1899-12-30 00:00, so a negative
** date that rounds up to midnight moves to the following day as any other.
*/
#include "COleDateTime.h"

#include <math.h>
#include <stdint.h>
#include <time.h>

#include <string>

#include "AfxException.h"
#include "DateTextParser.h"
#include "oleauto.h"

namespace {

const double kMinDay = -657434.0;  // 0100-01-01
const double kMaxDay = 2958465.0;  // 9999-12-31
const int64_t kSecondsPerDay = 86400;
const int64_t kLastSecond = (2958465LL + 1) * kSecondsPerDay - 1;
// Days from 1970-01-01 (the algorithms' origin) to 1899-12-30 are -25569.
const int64_t kOleEpoch = 25569;

struct Parts {
  int year, month, day, hour, minute, second;
  int dayOfWeek;  // 1 = Sunday
  int dayOfYear;  // 1 = 1 January
};

int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int &y, int &m, int &d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Splits an OLE date into parts, rounded to the nearest second; false when
// it is not a number or lies outside OLE's range. No conversion to an
// integer happens before the range is known.
bool Split(DATE dt, Parts &p) {
  if (!isfinite(dt)) return false;
  const double whole = trunc(dt);
  if (whole < kMinDay || whole > kMaxDay) return false;
  const int64_t days = static_cast<int64_t>(whole);
  const int64_t secs = llround(fabs(dt - whole) * kSecondsPerDay);
  const int64_t line = days * kSecondsPerDay + secs;
  if (line > kLastSecond) return false;

  const int64_t day = FloorDiv(line, kSecondsPerDay);
  const int64_t sod = line - day * kSecondsPerDay;
  CivilFromDays(day - kOleEpoch, p.year, p.month, p.day);
  p.hour = static_cast<int>(sod / 3600);
  p.minute = static_cast<int>(sod / 60 % 60);
  p.second = static_cast<int>(sod % 60);
  // 1899-12-30 was a Saturday (7).
  p.dayOfWeek = static_cast<int>(((day + 6) % 7 + 7) % 7) + 1;
  p.dayOfYear =
      static_cast<int>(day - (DaysFromCivil(p.year, 1, 1) + kOleEpoch)) + 1;
  return true;
}

bool InRange(DATE dt) {
  Parts p;
  return Split(dt, p);
}

// Builds an OLE date from parts; false for parts out of range.
bool Join(int y, int mo, int d, int h, int mi, int s, DATE &out) {
  if (y < 100 || y > 9999 || mo < 1 || mo > 12 || d < 1 ||
      d > DaysInMonth(y, mo) || h < 0 || h > 23 || mi < 0 || mi > 59 ||
      s < 0 || s > 59)
    return false;
  const int64_t day = DaysFromCivil(y, mo, d) + kOleEpoch;
  const double time = (h * 3600 + mi * 60 + s) / static_cast<double>(
                                                        kSecondsPerDay);
  // Before 1899-12-30 the time still runs forward from the day's start.
  out = day >= 0 ? static_cast<double>(day) + time
                 : static_cast<double>(day) - time;
  return true;
}

// The value on a single time line, for ordering.
double Linear(DATE dt) {
  if (dt >= 0) return dt;
  const double whole = trunc(dt);
  return whole + (whole - dt);
}

// The parsed text as a date. The time alone (VAR_TIMEVALUEONLY) is made
// from its parts, not cut from the whole date, which would lose digits.
int CurrentYear() {
  const time_t now = time(nullptr);
  struct tm local;
  return localtime_r(&now, &local) != nullptr ? local.tm_year + 1900 : 2000;
}

bool ParseText(const char *p, DWORD flags, DATE &out) {
  kestrel::DateTextParts t;
  if (!kestrel::ParseDateText(p, CurrentYear, t)) return false;
  DATE value;
  if (!Join(t.year, t.month, t.day, t.hour, t.minute, t.second, value))
    return false;
  if (flags & VAR_TIMEVALUEONLY)
    return Join(1899, 12, 30, t.hour, t.minute, t.second, out);
  if (flags & VAR_DATEVALUEONLY)
    return Join(t.year, t.month, t.day, 0, 0, 0, out);
  out = value;
  return true;
}

}  // namespace

COleDateTime COleDateTime::GetCurrentTime() {
  const time_t now = time(nullptr);
  struct tm local;
  if (localtime_r(&now, &local) == nullptr) {
    COleDateTime result;
    result.SetStatus(invalid);
    return result;
  }
  return COleDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                      local.tm_hour, local.tm_min, local.tm_sec);
}

COleDateTime::COleDateTime() : m_dt(0.0), m_status(valid) {}

COleDateTime::COleDateTime(DATE dtSrc)
    : m_dt(dtSrc), m_status(InRange(dtSrc) ? valid : invalid) {}

COleDateTime::COleDateTime(const VARIANT &varSrc)
    : m_dt(0.0), m_status(valid) {
  *this = varSrc;
}

COleDateTime::COleDateTime(int nYear, int nMonth, int nDay, int nHour,
                           int nMin, int nSec)
    : m_dt(0.0), m_status(valid) {
  SetDateTime(nYear, nMonth, nDay, nHour, nMin, nSec);
}

COleDateTime &COleDateTime::operator=(DATE dtSrc) {
  m_dt = dtSrc;
  m_status = InRange(dtSrc) ? valid : invalid;
  return *this;
}

COleDateTime &COleDateTime::operator=(const VARIANT &varSrc) {
  if (varSrc.vt == VT_DATE) return *this = varSrc.date;
  if (varSrc.vt == VT_BSTR) {
    // Text is parsed as ParseDateTime reads it (OLE's conversion parses).
    const BSTR text = varSrc.bstrVal;
    if (text != nullptr && AfxIsAnsiBstr(text))
      ParseDateTime(CString(reinterpret_cast<const char *>(text),
                            static_cast<int>(SysStringByteLen(text))));
    else
      ParseDateTime(CString(text, static_cast<int>(SysStringLen(text))));
    return *this;
  }
  VARIANT converted;
  VariantInit(&converted);
  const HRESULT hr = VariantChangeType(&converted, &varSrc, 0, VT_DATE);
  if (hr == E_OUTOFMEMORY) AfxThrowMemoryException();
  if (SUCCEEDED(hr) && converted.vt == VT_DATE) {
    *this = converted.date;
  } else {
    m_dt = 0.0;
    m_status = invalid;
  }
  VariantClear(&converted);
  return *this;
}

COleDateTime::DateTimeStatus COleDateTime::GetStatus() const {
  return m_status;
}

void COleDateTime::SetStatus(DateTimeStatus status) { m_status = status; }

int COleDateTime::SetDateTime(int nYear, int nMonth, int nDay, int nHour,
                              int nMin, int nSec) {
  DATE value;
  if (Join(nYear, nMonth, nDay, nHour, nMin, nSec, value)) {
    m_dt = value;
    m_status = valid;
  } else {
    m_dt = 0.0;
    m_status = invalid;
  }
  return m_status;
}

int COleDateTime::SetDate(int nYear, int nMonth, int nDay) {
  return SetDateTime(nYear, nMonth, nDay, 0, 0, 0);
}

int COleDateTime::SetTime(int nHour, int nMin, int nSec) {
  return SetDateTime(1899, 12, 30, nHour, nMin, nSec);
}

#define KESTREL_DATE_PART(name, field)                     \
  int COleDateTime::name() const {                         \
    Parts p;                                               \
    if (m_status != valid || !Split(m_dt, p))              \
      return AFX_OLE_DATETIME_ERROR;                       \
    return p.field;                                        \
  }

KESTREL_DATE_PART(GetYear, year)
KESTREL_DATE_PART(GetMonth, month)
KESTREL_DATE_PART(GetDay, day)
KESTREL_DATE_PART(GetHour, hour)
KESTREL_DATE_PART(GetMinute, minute)
KESTREL_DATE_PART(GetSecond, second)
KESTREL_DATE_PART(GetDayOfWeek, dayOfWeek)
KESTREL_DATE_PART(GetDayOfYear, dayOfYear)

#undef KESTREL_DATE_PART

bool COleDateTime::ParseDateTime(LPCTSTR lpszDate, DWORD dwFlags, LCID) {
  DATE value = 0.0;
  if (lpszDate != nullptr && ParseText(lpszDate, dwFlags, value)) {
    m_dt = value;
    m_status = valid;
    return true;
  }
  m_dt = 0.0;
  m_status = invalid;
  return false;
}

CString COleDateTime::Format(DWORD dwFlags, LCID) const {
  if (m_status == null) return CString();
  Parts p;
  if (m_status != valid || !Split(m_dt, p)) return CString("Invalid DateTime");
  const bool hasTime = p.hour != 0 || p.minute != 0 || p.second != 0;
  const bool hasDate = !(p.year == 1899 && p.month == 12 && p.day == 30);
  bool showDate = hasDate;
  bool showTime = hasTime || !hasDate;
  if (dwFlags & VAR_DATEVALUEONLY) {
    showDate = true;
    showTime = false;
  } else if (dwFlags & VAR_TIMEVALUEONLY) {
    showDate = false;
    showTime = true;
  }
  CString text;
  if (showDate) text.Format("%04d-%02d-%02d", p.year, p.month, p.day);
  if (showDate && showTime) text += ' ';
  if (showTime)
    text.AppendFormat("%02d:%02d:%02d", p.hour, p.minute, p.second);
  return text;
}

CString COleDateTime::Format(LPCTSTR lpszFormat) const {
  if (m_status == null) return CString();
  Parts p;
  if (m_status != valid || !Split(m_dt, p)) return CString("Invalid DateTime");
  if (lpszFormat == nullptr || *lpszFormat == '\0') return CString();
  struct tm t = {};
  t.tm_year = p.year - 1900;
  t.tm_mon = p.month - 1;
  t.tm_mday = p.day;
  t.tm_hour = p.hour;
  t.tm_min = p.minute;
  t.tm_sec = p.second;
  t.tm_wday = p.dayOfWeek - 1;
  t.tm_yday = p.dayOfYear - 1;
  t.tm_isdst = -1;
  // strftime answers 0 both for a short buffer and for empty output, so
  // the buffer grows a bounded number of times.
  std::string buffer;
  for (size_t size = 128; size <= 65536; size *= 4) {
    buffer.assign(size, '\0');
    const size_t n = strftime(&buffer[0], size, lpszFormat, &t);
    if (n > 0) return CString(buffer.data(), static_cast<int>(n));
  }
  return CString();
}

COleDateTime::operator DATE() const { return m_dt; }

bool COleDateTime::operator==(const COleDateTime &date) const {
  return m_status == date.m_status && Linear(m_dt) == Linear(date.m_dt);
}
bool COleDateTime::operator!=(const COleDateTime &date) const {
  return !(*this == date);
}
bool COleDateTime::operator<(const COleDateTime &date) const {
  return Linear(m_dt) < Linear(date.m_dt);
}
bool COleDateTime::operator>(const COleDateTime &date) const {
  return Linear(m_dt) > Linear(date.m_dt);
}
bool COleDateTime::operator<=(const COleDateTime &date) const {
  return Linear(m_dt) <= Linear(date.m_dt);
}
bool COleDateTime::operator>=(const COleDateTime &date) const {
  return Linear(m_dt) >= Linear(date.m_dt);
}
