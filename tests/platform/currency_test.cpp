// COleCurrency: construction from parts, the text form (no trailing zeros,
// the most negative amount) and the parser's rounding and range.
#include <stdint.h>

#include <gtest/gtest.h>

#include "COleCurrency.h"

namespace {

COleCurrency Amount(int64_t tenThousandths) {
  CY cy;
  cy.int64 = tenThousandths;
  return COleCurrency(cy);
}

}  // namespace

TEST(Currency, FormatsLikeOleCurrencyText) {
  const struct {
    int64_t value;
    const char *text;
  } cases[] = {
      {12345000, "1234.5"},
      {120000, "12"},
      {-1, "-0.0001"},
      {0, "0"},
      {5, "0.0005"},
      {10500, "1.05"},
      {-12345678, "-1234.5678"},
      {INT64_MAX, "922337203685477.5807"},
      {INT64_MIN, "-922337203685477.5808"},
      {-10000, "-1"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_STREQ(Amount(c.value).Format(0, LANG_USER_DEFAULT), c.text);
  }
}

TEST(Currency, BuildsFromUnitsAndFractionalParts) {
  EXPECT_EQ(COleCurrency(1, 5000).m_cur.int64, 15000);
  EXPECT_EQ(COleCurrency(-1, 5000).m_cur.int64, -5000);
  EXPECT_EQ(COleCurrency(-1, -5000).m_cur.int64, -15000);
  EXPECT_EQ(COleCurrency(0, 12345).m_cur.int64, 12345);
  EXPECT_EQ(COleCurrency(INT32_MAX, 9999).m_cur.int64,
            int64_t{INT32_MAX} * 10000 + 9999);
  EXPECT_EQ(COleCurrency(INT32_MIN, -9999).m_cur.int64,
            int64_t{INT32_MIN} * 10000 - 9999);
  EXPECT_EQ(COleCurrency().m_cur.int64, 0);
  EXPECT_EQ(COleCurrency().GetStatus(), COleCurrency::valid);
}

TEST(Currency, StatusShapesTheText) {
  COleCurrency c(3, 0);
  c.SetStatus(COleCurrency::null);
  EXPECT_STREQ(c.Format(), "");
  c.SetStatus(COleCurrency::invalid);
  EXPECT_STREQ(c.Format(), "Invalid currency");
}

// The locale forms' expected values: oleaut32's text-to-currency answers
// (scripts/ole-differential under Wine).
TEST(Currency, Parses) {
  const struct {
    const char *text;
    int64_t value;
  } good[] = {
      {"1234.5", 12345000},
      {"  -0.0001 ", -1},
      {"+12", 120000},
      {".5", 5000},
      {"7.", 70000},
      {"1.00005", 10000},   // half to even: down
      {"1.00015", 10002},   // half to even: up
      {"1.000051", 10001},  // above half
      {"0.99995", 10000},   // carries into the units
      {"922337203685477.5807", INT64_MAX},
      {"-922337203685477.5808", INT64_MIN},
      {"1e3", 10000000},
      {"1E-2", 100},
      {"\t12\r\n", 120000},
      {"1,234.5678", 12345678},
      {"$1.00", 10000},
      {"($1,234.50)", -12345000},
      {"1.5-", -15000},
      {"\xC2\xA0" "1", 10000},  // a non-breaking space
  };
  for (const auto &c : good) {
    SCOPED_TRACE(c.text);
    COleCurrency cur;
    EXPECT_TRUE(cur.ParseCurrency(c.text));
    EXPECT_EQ(cur.m_cur.int64, c.value);
    EXPECT_EQ(cur.GetStatus(), COleCurrency::valid);
  }
  const char *bad[] = {"",  "-",   ".", "1.2.3", "12a", "$$1", "(1", "1e",
                       "922337203685477.5808", "-922337203685477.5809",
                       "99999999999999999999999", nullptr};
  for (const char *text : bad) {
    SCOPED_TRACE(text != nullptr ? text : "(null)");
    COleCurrency cur(5, 0);
    EXPECT_FALSE(cur.ParseCurrency(text));
    EXPECT_EQ(cur.m_cur.int64, 0);
    EXPECT_EQ(cur.GetStatus(), COleCurrency::invalid);
  }
}

TEST(Currency, FormatThenParseGivesTheSameAmount) {
  for (int64_t v : {int64_t{0}, int64_t{1}, int64_t{-1}, int64_t{123456789},
                    INT64_MAX, INT64_MIN}) {
    COleCurrency back;
    ASSERT_TRUE(back.ParseCurrency(Amount(v).Format()));
    EXPECT_EQ(back.m_cur.int64, v);
  }
}

TEST(Currency, Compares) {
  EXPECT_TRUE(COleCurrency(1, 5000) == Amount(15000));
  EXPECT_TRUE(COleCurrency(1, 5000) != Amount(15001));
  EXPECT_TRUE(Amount(-1) < Amount(0));
  EXPECT_TRUE(Amount(INT64_MAX) > Amount(INT64_MIN));
  COleCurrency invalid(1, 0);
  invalid.SetStatus(COleCurrency::invalid);
  EXPECT_FALSE(invalid == COleCurrency(1, 0));
}
