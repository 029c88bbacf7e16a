// COleDateTime: OLE's day count around 1899-12-30 and for negative dates,
// rounding to the second, the range and NaN guards, parsing and formats.
#include <math.h>

#include <limits>

#include <gtest/gtest.h>

#include "COleDateTime.h"
#include "oleauto.h"

namespace {

const double kSecond = 1.0 / 86400.0;

struct Expected {
  DATE dt;
  int year, month, day, hour, minute, second;
  int dayOfWeek, dayOfYear;
};

void ExpectParts(const COleDateTime &d, int year, int month, int day,
                 int hour, int minute, int second) {
  EXPECT_EQ(d.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(d.GetYear(), year);
  EXPECT_EQ(d.GetMonth(), month);
  EXPECT_EQ(d.GetDay(), day);
  EXPECT_EQ(d.GetHour(), hour);
  EXPECT_EQ(d.GetMinute(), minute);
  EXPECT_EQ(d.GetSecond(), second);
}

void ExpectAllError(const COleDateTime &d) {
  EXPECT_EQ(d.GetYear(), AFX_OLE_DATETIME_ERROR);
  EXPECT_EQ(d.GetMonth(), AFX_OLE_DATETIME_ERROR);
  EXPECT_EQ(d.GetDay(), AFX_OLE_DATETIME_ERROR);
  EXPECT_EQ(d.GetHour(), AFX_OLE_DATETIME_ERROR);
  EXPECT_EQ(d.GetMinute(), AFX_OLE_DATETIME_ERROR);
  EXPECT_EQ(d.GetSecond(), AFX_OLE_DATETIME_ERROR);
  EXPECT_EQ(d.GetDayOfWeek(), AFX_OLE_DATETIME_ERROR);
  EXPECT_EQ(d.GetDayOfYear(), AFX_OLE_DATETIME_ERROR);
}

}  // namespace

TEST(DateTime, DayCountAroundTheEpochAndAtTheEnds) {
  const Expected cases[] = {
      {0.0, 1899, 12, 30, 0, 0, 0, 7, 364},
      {1.0, 1899, 12, 31, 0, 0, 0, 1, 365},
      {2.0, 1900, 1, 1, 0, 0, 0, 2, 1},
      {2.5, 1900, 1, 1, 12, 0, 0, 2, 1},
      {-1.0, 1899, 12, 29, 0, 0, 0, 6, 363},
      // Negative: whole days back, the fraction still forward.
      {-1.25, 1899, 12, 29, 6, 0, 0, 6, 363},
      {-1.75, 1899, 12, 29, 18, 0, 0, 6, 363},
      {-0.5, 1899, 12, 30, 12, 0, 0, 7, 364},
      {-2.5, 1899, 12, 28, 12, 0, 0, 5, 362},
      {36526.0, 2000, 1, 1, 0, 0, 0, 7, 1},
      {36585.0, 2000, 2, 29, 0, 0, 0, 3, 60},
      {45292.75, 2024, 1, 1, 18, 0, 0, 2, 1},
      {-657434.0, 100, 1, 1, 0, 0, 0, 6, 1},
      {-657434.5, 100, 1, 1, 12, 0, 0, 6, 1},
      {2958465.0, 9999, 12, 31, 0, 0, 0, 6, 365},
      {2958465.5, 9999, 12, 31, 12, 0, 0, 6, 365},
  };
  for (const Expected &e : cases) {
    SCOPED_TRACE(e.dt);
    const COleDateTime d(e.dt);
    ExpectParts(d, e.year, e.month, e.day, e.hour, e.minute, e.second);
    EXPECT_EQ(d.GetDayOfWeek(), e.dayOfWeek);
    EXPECT_EQ(d.GetDayOfYear(), e.dayOfYear);
  }
}

TEST(DateTime, RoundsToTheNearestSecond) {
  ExpectParts(COleDateTime(0.5 + 0.4 * kSecond), 1899, 12, 30, 12, 0, 0);
  ExpectParts(COleDateTime(0.5 + 0.6 * kSecond), 1899, 12, 30, 12, 0, 1);
  // 23:59:59.6 belongs to the next day, also for the day of the year.
  const COleDateTime late(1.0 - 0.4 * kSecond);
  ExpectParts(late, 1899, 12, 31, 0, 0, 0);
  EXPECT_EQ(late.GetDayOfYear(), 365);
  const COleDateTime newYear(36525.0 + 1.0 - 0.4 * kSecond);  // 1999-12-31
  ExpectParts(newYear, 2000, 1, 1, 0, 0, 0);
  EXPECT_EQ(newYear.GetDayOfYear(), 1);
  // Before the epoch: 1899-12-29 23:59:59.6 rounds to 1899-12-30 00:00.
  ExpectParts(COleDateTime(-(1.0 + 86399.6 * kSecond)), 1899, 12, 30, 0, 0,
              0);
  ExpectParts(COleDateTime(-(1.0 + 86399.4 * kSecond)), 1899, 12, 29, 23,
              59, 59);
}

TEST(DateTime, OutOfRangeAndNotANumberAreInvalid) {
  const double bad[] = {-657435.0,
                        2958466.0,
                        1e300,
                        -1e300,
                        // rounds past 9999-12-31 23:59:59
                        2958465.0 + 86399.6 * kSecond,
                        std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity()};
  for (double dt : bad) {
    SCOPED_TRACE(dt);
    const COleDateTime d(dt);
    EXPECT_EQ(d.GetStatus(), COleDateTime::invalid);
    ExpectAllError(d);
    COleDateTime assigned;
    assigned = dt;
    EXPECT_EQ(assigned.GetStatus(), COleDateTime::invalid);
  }
  // The last second of the range is still valid.
  ExpectParts(COleDateTime(2958465.0 + 86399.0 * kSecond), 9999, 12, 31, 23,
              59, 59);
  // Any status but valid answers the error value.
  COleDateTime nulled(2.0);
  nulled.SetStatus(COleDateTime::null);
  ExpectAllError(nulled);
}

TEST(DateTime, BuildsFromParts) {
  EXPECT_DOUBLE_EQ(COleDateTime(1899, 12, 29, 6, 0, 0).m_dt, -1.25);
  EXPECT_DOUBLE_EQ(COleDateTime(1899, 12, 30, 18, 0, 0).m_dt, 0.75);
  EXPECT_DOUBLE_EQ(COleDateTime(1900, 1, 1, 0, 0, 0).m_dt, 2.0);
  ExpectParts(COleDateTime(2024, 2, 29, 13, 45, 30), 2024, 2, 29, 13, 45, 30);
  ExpectParts(COleDateTime(100, 1, 1, 0, 0, 0), 100, 1, 1, 0, 0, 0);
  ExpectParts(COleDateTime(9999, 12, 31, 23, 59, 59), 9999, 12, 31, 23, 59,
              59);
  ExpectParts(COleDateTime(1600, 2, 29, 1, 2, 3), 1600, 2, 29, 1, 2, 3);

  COleDateTime d;
  EXPECT_EQ(d.SetDate(1900, 1, 1), 0);
  EXPECT_DOUBLE_EQ(d.m_dt, 2.0);
  EXPECT_EQ(d.SetTime(6, 0, 0), 0);
  EXPECT_DOUBLE_EQ(d.m_dt, 0.25);

  const int bad[][6] = {{2023, 2, 29, 0, 0, 0}, {1900, 2, 29, 0, 0, 0},
                        {2024, 13, 1, 0, 0, 0}, {2024, 0, 1, 0, 0, 0},
                        {2024, 4, 31, 0, 0, 0}, {2024, 1, 0, 0, 0, 0},
                        {99, 12, 31, 0, 0, 0},  {10000, 1, 1, 0, 0, 0},
                        {2024, 1, 1, 24, 0, 0}, {2024, 1, 1, 0, 60, 0},
                        {2024, 1, 1, 0, 0, 60}, {2024, 1, 1, -1, 0, 0}};
  for (const auto &p : bad) {
    SCOPED_TRACE(testing::Message() << p[0] << "-" << p[1] << "-" << p[2]
                                    << " " << p[3] << ":" << p[4] << ":"
                                    << p[5]);
    COleDateTime built(p[0], p[1], p[2], p[3], p[4], p[5]);
    EXPECT_EQ(built.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(built.m_dt, 0.0);
    COleDateTime set(5.0);
    EXPECT_NE(set.SetDateTime(p[0], p[1], p[2], p[3], p[4], p[5]), 0);
    EXPECT_EQ(set.GetStatus(), COleDateTime::invalid);
  }
}

// The forms after "12:00 PM": expected values are oleaut32's text-to-date
// answers (scripts/ole-differential under Wine), except "15-Jan-24"
// (docs/framework.md).
TEST(DateTime, ParsesTheAcceptedForms) {
  struct Case {
    const char *text;
    int year, month, day, hour, minute, second;
  };
  const Case cases[] = {
      {"2024-03-15", 2024, 3, 15, 0, 0, 0},
      {"2024-03-15 14:30", 2024, 3, 15, 14, 30, 0},
      {"2024-03-15 14:30:45", 2024, 3, 15, 14, 30, 45},
      {"2024-03-15T14:30:45", 2024, 3, 15, 14, 30, 45},
      {"  2024-3-5\t7:05:09  ", 2024, 3, 5, 7, 5, 9},
      {"2024/03/15 00:00:01", 2024, 3, 15, 0, 0, 1},
      {"03/15/2024", 2024, 3, 15, 0, 0, 0},
      {"3/15/2024 2:05 PM", 2024, 3, 15, 14, 5, 0},
      {"03/15/2024 12:30:10 am", 2024, 3, 15, 0, 30, 10},
      {"12/31/99", 1999, 12, 31, 0, 0, 0},
      {"1/2/05", 2005, 1, 2, 0, 0, 0},
      {"1899-12-29 06:00", 1899, 12, 29, 6, 0, 0},
      {"0100-01-01", 100, 1, 1, 0, 0, 0},
      {"14:30", 1899, 12, 30, 14, 30, 0},
      {"14:30:15", 1899, 12, 30, 14, 30, 15},
      {"12:00 PM", 1899, 12, 30, 12, 0, 0},
      {"January 15, 2024", 2024, 1, 15, 0, 0, 0},
      {"15-Jan-2024", 2024, 1, 15, 0, 0, 0},
      {"15-Jan-24", 2024, 1, 15, 0, 0, 0},  // Wine: 2015-01-24
      {"1/15-2024", 2024, 1, 15, 0, 0, 0},
      {"jan 15 2024 13:45", 2024, 1, 15, 13, 45, 0},
      {"2024 Jan 15", 2024, 1, 15, 0, 0, 0},
      {"Monday, January 15, 2024", 2024, 1, 15, 0, 0, 0},
      {"Jan 2024", 2024, 1, 1, 0, 0, 0},
      {"13/01/2024", 2024, 1, 13, 0, 0, 0},  // 13 cannot be a month
      {"1-15-2024", 2024, 1, 15, 0, 0, 0},
      {"03-15-2024", 2024, 3, 15, 0, 0, 0},
      {"24-03-15", 2024, 3, 15, 0, 0, 0},  // year-month-day
      {"5-13-12", 2012, 5, 13, 0, 0, 0},
      {"2024-01", 2024, 1, 1, 0, 0, 0},
      {"01-2024", 2024, 1, 1, 0, 0, 0},
      {"1/15/49", 2049, 1, 15, 0, 0, 0},
      {"1/15/50", 1950, 1, 15, 0, 0, 0},
      {"13:45 PM", 1899, 12, 30, 13, 45, 0},
      {"0:30 AM", 1899, 12, 30, 0, 30, 0},
      {"1 PM", 1899, 12, 30, 13, 0, 0},
      {"1.5", 1899, 12, 30, 1, 5, 0},  // "." separates time parts
      {"1.5.24", 1899, 12, 30, 1, 5, 24},
      {"1/15/2024 1.5", 2024, 1, 15, 1, 5, 0},
      {"\xC2\xA0" "2024-01-15", 2024, 1, 15, 0, 0, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    COleDateTime d;
    EXPECT_TRUE(d.ParseDateTime(c.text, 0, LANG_USER_DEFAULT));
    ExpectParts(d, c.year, c.month, c.day, c.hour, c.minute, c.second);
  }
  COleDateTime d;
  ASSERT_TRUE(d.ParseDateTime("1899-12-29 06:00"));
  EXPECT_DOUBLE_EQ(d.m_dt, -1.25);
  ASSERT_TRUE(d.ParseDateTime("18:00"));  // a bare time is a value 0.x
  EXPECT_DOUBLE_EQ(d.m_dt, 0.75);
  ASSERT_TRUE(d.ParseDateTime("2024-03-15 14:30", VAR_DATEVALUEONLY));
  ExpectParts(d, 2024, 3, 15, 0, 0, 0);
  ASSERT_TRUE(d.ParseDateTime("2024-03-15 18:00", VAR_TIMEVALUEONLY));
  EXPECT_DOUBLE_EQ(d.m_dt, 0.75);
  // The time alone is made from its parts, to the last bit.
  ASSERT_TRUE(d.ParseDateTime("2024-01-15 13:45:00", VAR_TIMEVALUEONLY));
  EXPECT_EQ(d.m_dt, (13 * 3600 + 45 * 60) / 86400.0);
  // A day and month without a year fall in the current year.
  const int year = COleDateTime::GetCurrentTime().GetYear();
  ASSERT_TRUE(d.ParseDateTime("12/25"));
  ExpectParts(d, year, 12, 25, 0, 0, 0);
  ASSERT_TRUE(d.ParseDateTime("Jan 15"));
  ExpectParts(d, year, 1, 15, 0, 0, 0);
}

TEST(DateTime, TextThatDoesNotParseLeavesZeroAndInvalid) {
  const char *bad[] = {"",
                       "   ",
                       "garbage",
                       "2024-13-01",
                       "2024-02-30",
                       "2024-03-15 25:00",
                       "2024-03-15 10:60",
                       "2024-03-15 10:00:60",
                       "20240-03-15",
                       "2024-03-15x",
                       "2024-03-15 10",
                       "2024-03-15T",
                       "10:",
                       ":30",
                       "Sept 1 2024",
                       "Janu 15 2024",
                       "31 Feb 2024",
                       "13-13-2024",
                       "1.5.2024",
                       "15.01.2024",
                       "1:45:30.5",
                       "1/15/2024 PM",
                       "4 A",
                       "0099-01-01",
                       "03/15/2024 14:30 XM",
                       "Jan Feb 2024",
                       "2024-03-15 14:30 and more",
                       nullptr};
  for (const char *text : bad) {
    SCOPED_TRACE(text != nullptr ? text : "(null)");
    COleDateTime d(45000.5);
    EXPECT_FALSE(d.ParseDateTime(text, VAR_DATEVALUEONLY));
    EXPECT_FALSE(d.ParseDateTime(text));
    EXPECT_EQ(d.m_dt, 0.0);
    EXPECT_EQ(d.GetStatus(), COleDateTime::invalid);
  }
}

TEST(DateTime, Formats) {
  EXPECT_STREQ(COleDateTime(2024, 3, 15, 14, 30, 45).Format(),
               "2024-03-15 14:30:45");
  EXPECT_STREQ(COleDateTime(2024, 3, 15, 0, 0, 0).Format(), "2024-03-15");
  EXPECT_STREQ(COleDateTime(0.25).Format(), "06:00:00");
  EXPECT_STREQ(COleDateTime(0.0).Format(), "00:00:00");
  EXPECT_STREQ(COleDateTime(-1.25).Format(), "1899-12-29 06:00:00");
  EXPECT_STREQ(COleDateTime(2024, 3, 15, 14, 30, 45).Format(VAR_DATEVALUEONLY),
               "2024-03-15");
  EXPECT_STREQ(COleDateTime(2024, 3, 15, 14, 30, 45).Format(VAR_TIMEVALUEONLY),
               "14:30:45");
  EXPECT_STREQ(COleDateTime(2024, 3, 15, 14, 30, 45)
                   .Format("%Y/%m/%d %H-%M-%S %A %j"),
               "2024/03/15 14-30-45 Friday 075");
  EXPECT_STREQ(COleDateTime(-1.75).Format("%Y-%m-%d %H:%M %a"),
               "1899-12-29 18:00 Fri");
  EXPECT_STREQ(COleDateTime(2.0).Format(""), "");

  EXPECT_STREQ(COleDateTime(std::nan("")).Format(), "Invalid DateTime");
  EXPECT_STREQ(COleDateTime(1e9).Format("%Y"), "Invalid DateTime");
  COleDateTime nulled;
  nulled.SetStatus(COleDateTime::null);
  EXPECT_STREQ(nulled.Format(), "");
}

TEST(DateTime, AssignsFromVariants) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DATE;
  v.date = -1.25;
  COleDateTime d;
  d = v;
  EXPECT_EQ(d.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(d.m_dt, -1.25);

  v.date = std::nan("");
  d = v;
  EXPECT_EQ(d.GetStatus(), COleDateTime::invalid);

  v.vt = VT_R8;
  v.dblVal = 45292.75;
  d = v;
  ExpectParts(d, 2024, 1, 1, 18, 0, 0);

  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(u"2024-03-15 14:30");
  const COleDateTime fromText(v);
  ExpectParts(fromText, 2024, 3, 15, 14, 30, 0);
  VariantClear(&v);

  v.vt = VT_BSTR;
  v.bstrVal = AfxAllocAnsiBstr("03/15/2024", 10);
  d = v;
  ExpectParts(d, 2024, 3, 15, 0, 0, 0);
  VariantClear(&v);

  d = COleDateTime(5.0);
  v.vt = VT_NULL;
  d = v;
  EXPECT_EQ(d.GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(d.m_dt, 0.0);
}

TEST(DateTime, ComparesInstantsNotRawDoubles) {
  // -1.75 (12-29 18:00) is later than -1.25 (12-29 06:00).
  EXPECT_TRUE(COleDateTime(-1.75) > COleDateTime(-1.25));
  EXPECT_TRUE(COleDateTime(-1.25) < COleDateTime(0.0));
  EXPECT_TRUE(COleDateTime(-0.5) == COleDateTime(0.5));
  EXPECT_TRUE(COleDateTime(1.0) != COleDateTime(2.0));
  EXPECT_TRUE(COleDateTime(2.0) >= COleDateTime(2.0));
}

TEST(DateTime, CurrentTimeIsValid) {
  const COleDateTime now = COleDateTime::GetCurrentTime();
  EXPECT_EQ(now.GetStatus(), COleDateTime::valid);
  EXPECT_GE(now.GetYear(), 2024);
}
