// DECIMAL arithmetic: exact text, parsing with rounding into 96 bits,
// half-to-even rounding to integers and currency, conversion from doubles.
#include "DecimalMath.h"

#include <math.h>
#include <string.h>

#include <gtest/gtest.h>

namespace decimal = kestrel::decimal;

namespace {

DECIMAL Dec(uint64_t lo, int scale, bool negative = false, ULONG hi = 0) {
  DECIMAL d{};
  d.Lo64 = lo;
  d.Hi32 = hi;
  d.scale = static_cast<BYTE>(scale);
  d.sign = negative ? DECIMAL_NEG : 0;
  return d;
}

// The text of a parsed decimal, or the failure code as text.
std::string Parsed(const char *text) {
  DECIMAL d;
  const HRESULT hr = decimal::FromText(text, strlen(text), d);
  if (hr == DISP_E_OVERFLOW) return "overflow";
  if (hr == DISP_E_TYPEMISMATCH) return "mismatch";
  return decimal::ToText(d);
}

}  // namespace

TEST(Decimal, TextIsExactWithoutTrailingZeros) {
  struct Case {
    DECIMAL d;
    const char *text;
  } cases[] = {
      {Dec(12345, 2), "123.45"},
      {Dec(250, 2), "2.5"},
      {Dec(100, 2), "1"},
      {Dec(1, 28), "0.0000000000000000000000000001"},
      {Dec(0, 5), "0"},
      {Dec(0, 0, true), "0"},
      {Dec(5, 1, true), "-0.5"},
      {Dec(UINT64_MAX, 0, false, UINT32_MAX), "79228162514264337593543950335"},
      {Dec(UINT64_MAX, 28, true, UINT32_MAX),
       "-7.9228162514264337593543950335"},
  };
  for (const Case &c : cases) EXPECT_EQ(decimal::ToText(c.d), c.text);
}

TEST(Decimal, ParsesTextRoundingWhatDoesNotFit) {
  struct Case {
    const char *in, *out;
  } cases[] = {
      {"123.45", "123.45"},
      {"  -0.50  ", "-0.5"},
      {"+.5", "0.5"},
      {"7.", "7"},
      {"0.000", "0"},
      {"-0", "0"},
      {"1.5E3", "1500"},
      {"25e-1", "2.5"},
      {"1e28", "10000000000000000000000000000"},
      {"79228162514264337593543950335", "79228162514264337593543950335"},
      // Beyond 28 decimals: rounded half to even at the 28th.
      {"1e-29", "0"},
      {"1.5e-28", "0.0000000000000000000000000002"},
      {"2.5e-28", "0.0000000000000000000000000002"},
      {"2.51e-28", "0.0000000000000000000000000003"},
      // 29 significant digits that overflow 96 bits at scale 28 keep 27.
      {"7.92281625142643375935439503355", "7.922816251426433759354395034"},
      {"0.1234567890123456789012345678901234", "0.1234567890123456789012345679"},
      {"79228162514264337593543950336", "overflow"},
      {"1e29", "overflow"},
      {"1e999999999999", "overflow"},
      {"1e-999999999999", "0"},
      {"", "mismatch"},
      {".", "mismatch"},
      {"1e", "mismatch"},
      {"1,5", "15"},  // OLE takes a thousands separator anywhere
      {"- 1", "-1"},  // and blanks after a sign
      {"1 2", "mismatch"},
      {"0x10", "mismatch"},
  };
  for (const Case &c : cases) EXPECT_EQ(Parsed(c.in), c.out) << c.in;
}

TEST(Decimal, ToIntegerRoundsHalfToEven) {
  struct Case {
    const char *in;
    HRESULT hr;
    int64_t out;
  } cases[] = {
      {"2.5", S_OK, 2},
      {"3.5", S_OK, 4},
      {"-2.5", S_OK, -2},
      {"-3.5", S_OK, -4},
      {"2.5000000000000000000000001", S_OK, 3},
      {"2.4999999999999999999999999", S_OK, 2},
      {"9223372036854775807", S_OK, INT64_MAX},
      {"9223372036854775807.5", DISP_E_OVERFLOW, 0},
      {"-9223372036854775808.5", S_OK, INT64_MIN},  // ...808 is even
      {"-9223372036854775809", DISP_E_OVERFLOW, 0},
  };
  for (const Case &c : cases) {
    DECIMAL d;
    ASSERT_EQ(decimal::FromText(c.in, strlen(c.in), d), S_OK) << c.in;
    int64_t n = 0;
    EXPECT_EQ(decimal::ToInt64(d, n), c.hr) << c.in;
    if (c.hr == S_OK) {
      EXPECT_EQ(n, c.out) << c.in;
    }
  }
}

TEST(Decimal, CurrencyRoundsToFourPlaces) {
  struct Case {
    const char *in;
    HRESULT hr;
    int64_t out;
  } cases[] = {
      {"1.23455", S_OK, 12346},
      {"1.23445", S_OK, 12344},
      {"-0.00005", S_OK, 0},
      {"-0.00015", S_OK, -2},
      {"922337203685477.5807", S_OK, INT64_MAX},
      {"922337203685477.5808", DISP_E_OVERFLOW, 0},
  };
  for (const Case &c : cases) {
    DECIMAL d;
    ASSERT_EQ(decimal::FromText(c.in, strlen(c.in), d), S_OK) << c.in;
    int64_t n = 0;
    EXPECT_EQ(decimal::ToCurrency(d, n), c.hr) << c.in;
    if (c.hr == S_OK) {
      EXPECT_EQ(n, c.out) << c.in;
    }
  }
  EXPECT_EQ(decimal::ToText(decimal::FromCurrency(-1)), "-0.0001");
  EXPECT_EQ(decimal::ToText(decimal::FromCurrency(INT64_MIN)),
            "-922337203685477.5808");
}

TEST(Decimal, FromDoubleUsesSignificantDigitsAsOleDoes) {
  struct Case {
    double in;
    int digits;
    const char *out;
  } cases[] = {
      {0.1, 15, "0.1"},
      {1.0 / 3.0, 15, "0.333333333333333"},
      {-2.5, 15, "-2.5"},
      {1e20, 15, "100000000000000000000"},
      {123456.7f, 7, "123456.7"},
      {1e-30, 15, "0"},
      {-0.0, 15, "0"},
  };
  for (const Case &c : cases) {
    DECIMAL d;
    ASSERT_EQ(decimal::FromDouble(c.in, c.digits, d), S_OK) << c.in;
    EXPECT_EQ(decimal::ToText(d), c.out) << c.in;
  }
  DECIMAL d;
  EXPECT_EQ(decimal::FromDouble(1e29, 15, d), DISP_E_OVERFLOW);
  EXPECT_EQ(decimal::FromDouble(NAN, 15, d), DISP_E_OVERFLOW);
  EXPECT_EQ(decimal::FromDouble(-INFINITY, 15, d), DISP_E_OVERFLOW);
}

TEST(Decimal, ToDoubleIsTheNearestDouble) {
  double x = 0;
  ASSERT_EQ(decimal::ToDouble(Dec(1, 1), x), S_OK);
  EXPECT_EQ(x, 0.1);
  ASSERT_EQ(decimal::ToDouble(Dec(1, 28, true), x), S_OK);
  EXPECT_EQ(x, -1e-28);
  ASSERT_EQ(decimal::ToDouble(Dec(UINT64_MAX, 0, false, UINT32_MAX), x), S_OK);
  EXPECT_EQ(x, 79228162514264337593543950335.0);
}

TEST(Decimal, MalformedDecimalsAreRefused) {
  int64_t n;
  double x;
  EXPECT_EQ(decimal::ToInt64(Dec(1, 29), n), E_INVALIDARG);
  DECIMAL badSign = Dec(1, 0);
  badSign.sign = 1;
  EXPECT_EQ(decimal::ToCurrency(badSign, n), E_INVALIDARG);
  EXPECT_EQ(decimal::ToDouble(Dec(1, 200), x), E_INVALIDARG);
}
