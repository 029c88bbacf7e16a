/*
** COleDateTime: OLE's date, a double counting days since 1899-12-30 with
** the time of day as the fraction. For dates before that day the integer
** part counts days back while the fraction still runs forward: -1.25 is
** 1899-12-29 06:00. Dates use the proleptic Gregorian calendar.
**
** OLE's range is the days -657434 (0100-01-01) to 2958465 (9999-12-31),
** at any time of those days. A value outside it, or not a number, has
** status invalid and GetYear .. GetSecond, GetDayOfWeek and GetDayOfYear
** answer AFX_OLE_DATETIME_ERROR (-1). The parts are read after rounding to
** the nearest second, so 23:59:59.6 belongs to the next day; a value that
** rounds past 9999-12-31 23:59:59 is out of range.
*/
#ifndef KESTREL_COLEDATETIME_H
#define KESTREL_COLEDATETIME_H

#include "CString.h"
#include "KestrelExport.h"
#include "oaidl.h"
#include "windef.h"

#define AFX_OLE_DATETIME_ERROR (-1)

// ParseDateTime and Format flags, with OLE's values.
#ifndef VAR_TIMEVALUEONLY
#define VAR_TIMEVALUEONLY ((DWORD)0x00000001)
#endif
#ifndef VAR_DATEVALUEONLY
#define VAR_DATEVALUEONLY ((DWORD)0x00000002)
#endif

class KESTREL_API COleDateTime {
 public:
  enum DateTimeStatus { error = -1, valid = 0, invalid = 1, null = 2 };

  // The local time now, to the second.
  static COleDateTime GetCurrentTime();

  COleDateTime();  // 0.0 (1899-12-30 00:00), valid
  COleDateTime(DATE dtSrc);
  COleDateTime(const VARIANT &varSrc);
  // Parts out of range (year 100..9999, a real month and day, hour 0..23,
  // minute and second 0..59) give 0.0 with status invalid.
  COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin,
               int nSec);

  COleDateTime &operator=(DATE dtSrc);
  // VT_DATE takes the value; VT_BSTR is read by ParseDateTime; other
  // kinds are converted with VariantChangeType, and one that does not
  // convert gives 0.0, invalid.
  COleDateTime &operator=(const VARIANT &varSrc);

  DateTimeStatus GetStatus() const;
  void SetStatus(DateTimeStatus status);

  // Answer 0 (valid) on success; invalid parts leave 0.0, status invalid.
  int SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin,
                  int nSec);
  int SetDate(int nYear, int nMonth, int nDay);
  int SetTime(int nHour, int nMin, int nSec);  // on 1899-12-30: 0.x

  int GetYear() const;
  int GetMonth() const;      // 1..12
  int GetDay() const;        // 1..31
  int GetHour() const;       // 0..23
  int GetMinute() const;     // 0..59
  int GetSecond() const;     // 0..59
  int GetDayOfWeek() const;  // 1 = Sunday .. 7 = Saturday
  int GetDayOfYear() const;  // 1 = 1 January

  // Reads the forms OLE's text-to-date conversion reads under the en-US
  // locale (DateTextParser.h lists them): "2024-01-15 13:45", "1/15/24",
  // "13/01/2024", "January 15, 2024", "15-Jan-2024", "1:45 PM", ...; a
  // time alone gives a value on 1899-12-30 (0.x). VAR_DATEVALUEONLY drops
  // the time, VAR_TIMEVALUEONLY the date. Text that does not parse gives
  // 0.0, status invalid, and FALSE.
  bool ParseDateTime(LPCTSTR lpszDate, DWORD dwFlags = 0,
                     LCID lcid = LANG_USER_DEFAULT);

  // Diagnostic text: YYYY-MM-DD HH:MM:SS; the date alone at midnight, the
  // time alone on 1899-12-30 (as OLE's date-to-text omits them), subject
  // to VAR_DATEVALUEONLY / VAR_TIMEVALUEONLY. Status null gives "", any
  // other failure "Invalid DateTime".
  CString Format(DWORD dwFlags = 0, LCID lcid = LANG_USER_DEFAULT) const;
  // strftime's conversions over the date's parts.
  CString Format(LPCTSTR lpszFormat) const;

  operator DATE() const;

  // Compare the instants the values stand for (so -0.5 equals 0.5) and,
  // for equality, the status too.
  bool operator==(const COleDateTime &date) const;
  bool operator!=(const COleDateTime &date) const;
  bool operator<(const COleDateTime &date) const;
  bool operator>(const COleDateTime &date) const;
  bool operator<=(const COleDateTime &date) const;
  bool operator>=(const COleDateTime &date) const;

  DATE m_dt;
  DateTimeStatus m_status;
};

#endif
