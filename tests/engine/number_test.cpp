// The engine's NUMBER form: exact bytes, 64-bit integers, doubles that
// survive the round trip, range limits, text forms and rounding.
#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <charconv>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "number/OraNumber.h"

namespace {

using namespace kestrel_engine;

// The meaningful bytes (length byte and what it counts) as hex.
std::string Hex(const OCINumber &n) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  const int len = n.OCINumberPart[0] < OCI_NUMBER_SIZE ? n.OCINumberPart[0] : 21;
  for (int i = 0; i <= len; ++i) {
    if (i) s += ' ';
    s += kDigits[n.OCINumberPart[i] >> 4];
    s += kDigits[n.OCINumberPart[i] & 15];
  }
  return s;
}

OCINumber Bytes(std::initializer_list<int> bytes) {
  OCINumber n{};
  int i = 0;
  for (int b : bytes) n.OCINumberPart[i++] = static_cast<ub1>(b);
  return n;
}

OCINumber FromText(const std::string &text) {
  OCINumber n{};
  EXPECT_EQ(NumberFromText(text.data(), text.size(), &n), 0) << text;
  return n;
}

OCINumber FromDouble(double d) {
  OCINumber n{};
  EXPECT_EQ(NumberFromDouble(d, &n), 0) << d;
  return n;
}

std::string TextOf(const OCINumber &n) { return NumberToText(&n); }

std::string Shortest(double d) {
  char buf[40];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, d).ptr);
}

TEST(NumberForm, KnownByteLayouts) {
  struct Case {
    const char *text;
    double value;
    const char *hex;
  };
  const Case cases[] = {
      {"0", 0.0, "01 80"},
      {"1", 1.0, "02 C1 02"},
      {"-1", -1.0, "03 3E 64 66"},
      {"12.5", 12.5, "03 C1 0D 33"},
      {"3000000000", 3e9, "02 C5 1F"},
      {"-3.9", -3.9, "04 3E 62 0B 66"},
      {"100", 100.0, "02 C2 02"},
      {"0.01", 0.01, "02 C0 02"},
      {"-0.5", -0.5, "03 3F 33 66"},
      {"1e-130", 1e-130, "02 80 02"},
      {"-1e-130", -1e-130, "03 7F 64 66"},
      {"9.9e125", 9.9e125, "02 FF 64"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(Hex(FromText(c.text)), c.hex) << c.text;
    EXPECT_EQ(Hex(FromDouble(c.value)), c.hex) << c.text;
    double back = -42;
    const OCINumber n = FromText(c.text);
    EXPECT_EQ(NumberToDouble(&n, &back), 0);
    EXPECT_EQ(back, c.value) << c.text;
  }
  OCINumber n{};
  NumberFromInt64(-1, &n);
  EXPECT_EQ(Hex(n), "03 3E 64 66");
  NumberFromInt64(3000000000, &n);
  EXPECT_EQ(Hex(n), "02 C5 1F");
  NumberFromDouble(-0.0, &n);
  EXPECT_EQ(Hex(n), "01 80");
}

TEST(NumberForm, NegativeWithTwentyDigitsHasNoTerminator) {
  const OCINumber n = FromText("-1234567890123456789012345678901234567890");
  EXPECT_EQ(n.OCINumberPart[0], 21);
  EXPECT_NE(n.OCINumberPart[21], 102);
  EXPECT_TRUE(NumberIsValid(&n));
  EXPECT_EQ(NumberToText(&n), "-1234567890123456789012345678901234567890");
  // 19 digits and the terminator fill the same 21 bytes.
  const OCINumber m = FromText("-12345678901234567890123456789012345678");
  EXPECT_EQ(m.OCINumberPart[0], 21);
  EXPECT_EQ(m.OCINumberPart[21], 102);
  EXPECT_EQ(NumberToText(&m), "-12345678901234567890123456789012345678");
}

std::vector<uint64_t> IntegerEdges() {
  std::vector<uint64_t> v = {0, 1, 2, 9, 10, 11, 99, 101,
                             uint64_t{1} << 53, (uint64_t{1} << 53) + 1,
                             uint64_t(INT64_MAX), uint64_t(INT64_MAX) - 1,
                             uint64_t(INT64_MAX) + 1, UINT64_MAX, UINT64_MAX - 1};
  uint64_t p = 1;
  for (int k = 1; k <= 9; ++k) {
    p *= 100;
    v.insert(v.end(), {p - 1, p, p + 1, p * 10 - 1, p * 10, p * 10 + 1});
  }
  return v;
}

TEST(NumberForm, EverySixtyFourBitEdgeIsExact) {
  for (uint64_t u : IntegerEdges()) {
    OCINumber n{};
    ASSERT_EQ(NumberFromUInt64(u, &n), 0);
    EXPECT_TRUE(NumberIsValid(&n)) << u;
    EXPECT_EQ(NumberToText(&n), std::to_string(u));
    EXPECT_EQ(Hex(n), Hex(FromText(std::to_string(u)))) << u;
    int64_t back = 0;
    if (u <= uint64_t(INT64_MAX)) {
      ASSERT_TRUE(NumberToInt64(&n, &back)) << u;
      EXPECT_EQ(uint64_t(back), u);
    } else {
      EXPECT_FALSE(NumberToInt64(&n, &back)) << u;
    }
    if (u > uint64_t(INT64_MAX) + 1) continue;
    // The negation, down to INT64_MIN.
    const int64_t s = u == uint64_t(INT64_MAX) + 1 ? INT64_MIN : -int64_t(u);
    ASSERT_EQ(NumberFromInt64(s, &n), 0);
    EXPECT_EQ(NumberToText(&n), std::to_string(s));
    EXPECT_EQ(Hex(n), Hex(FromText(std::to_string(s)))) << s;
    ASSERT_TRUE(NumberToInt64(&n, &back)) << s;
    EXPECT_EQ(back, s);
  }
  OCINumber n{};
  NumberFromInt64(INT64_MIN, &n);
  EXPECT_EQ(Hex(n), "0C 35 5C 4F 44 1D 62 21 2F 18 2B 5D 66");
}

TEST(NumberForm, IntegersBeyondSixtyFourBitsOrWithFractionsAreNotInt64) {
  int64_t v = 7;
  for (const char *t : {"9223372036854775808", "-9223372036854775809", "1e20",
                        "12.5", "-.5", "1e125"}) {
    const OCINumber n = FromText(t);
    EXPECT_FALSE(NumberToInt64(&n, &v)) << t;
  }
  EXPECT_EQ(v, 7);
  const OCINumber n = FromText("-9223372036854775808");
  ASSERT_TRUE(NumberToInt64(&n, &v));
  EXPECT_EQ(v, INT64_MIN);
}

TEST(NumberForm, IntegersUpToTwoTo53DecodeExactly) {
  std::mt19937_64 rng(53);
  std::vector<int64_t> values = {int64_t{1} << 53, (int64_t{1} << 53) - 1,
                                 -(int64_t{1} << 53), 4503599627370497};
  for (int i = 0; i < 20000; ++i)
    values.push_back(int64_t(rng() % ((uint64_t{1} << 53) + 1)) * (i % 2 ? -1 : 1));
  for (int64_t i : values) {
    OCINumber n{};
    NumberFromInt64(i, &n);
    double d = 0;
    ASSERT_EQ(NumberToDouble(&n, &d), 0);
    ASSERT_EQ(d, double(i)) << i;
  }
}

// Every finite double in range comes back bit for bit, and the direct paths
// for short decimals give the same bytes and text as the shortest digits do.
TEST(NumberForm, RandomDoublesRoundTrip) {
  std::mt19937_64 rng(20240611);
  int checked = 0;
  for (int i = 0; i < 300000; ++i) {
    double d;
    const uint64_t bits = rng();
    memcpy(&d, &bits, sizeof d);
    const double a = fabs(d);
    if (!isfinite(d) || a >= 1e126 || a < 1e-130) continue;
    OCINumber n{};
    ASSERT_EQ(NumberFromDouble(d, &n), 0) << d;
    ASSERT_TRUE(NumberIsValid(&n));
    double back = 0;
    ASSERT_EQ(NumberToDouble(&n, &back), 0);
    ASSERT_EQ(memcmp(&back, &d, sizeof d), 0) << Shortest(d) << " " << Shortest(back);
    ASSERT_EQ(DoubleToText(d), TextOf(n)) << Shortest(d);
    ++checked;
  }
  EXPECT_GT(checked, 50000);
  for (int i = 0; i < 200000; ++i) {
    const int decimals = int(rng() % 16);
    const int64_t m = int64_t(rng() % 1000000000000000) - 500000000000000;
    const double d = double(m) / pow(10.0, decimals) / (i % 3 == 0 ? 1e6 : 1.0);
    if (d == 0) continue;
    const OCINumber n = FromDouble(d);
    ASSERT_EQ(Hex(n), Hex(FromText(Shortest(d)))) << Shortest(d);
    ASSERT_EQ(DoubleToText(d), TextOf(n)) << Shortest(d);
    double back = 0;
    ASSERT_EQ(NumberToDouble(&n, &back), 0);
    ASSERT_EQ(back, d) << Shortest(d);
  }
}

// Amounts with at most two decimals take a direct path, up to 1e12; they,
// their neighbours one ulp away and the amounts past that bound must give
// all 22 bytes that the shortest digits give.
TEST(NumberForm, AmountsAndTheirNeighboursMatchTheShortestDigits) {
  std::mt19937_64 rng(1225);
  std::vector<double> amounts;
  for (int64_t c = 1; c <= 20000; ++c) amounts.push_back(double(c) / 100);
  for (int i = 0; i < 100000; ++i) {
    // Amounts up to 1e6, and up to 1e15 to cross the bound.
    const uint64_t limit = i % 2 ? 100000000000000000 : 100000000;
    amounts.push_back(double(rng() % limit) / 100);
  }
  for (double edge : {1e12, 999999999999.99, 1e12 + 0.01, 4503599627370.49})
    amounts.push_back(edge);
  for (double a : amounts) {
    for (double d : {a, nextafter(a, 0.0), nextafter(a, INFINITY)}) {
      if (d == 0) continue;
      for (double v : {d, -d}) {
        const OCINumber n = FromDouble(v);
        const OCINumber want = FromText(Shortest(v));
        ASSERT_EQ(memcmp(&n, &want, sizeof n), 0)
            << Shortest(v) << ": " << Hex(n) << " vs " << Hex(want);
      }
    }
  }
}

// The fetch's writers put exactly the number's own bytes, the same as the
// full form's, and nothing at all on an error.
TEST(NumberForm, BytesWritersWriteOnlyTheNumber) {
  const auto check = [](const OCINumber &full, const ub1 *buffer) {
    const size_t len = full.OCINumberPart[0] + 1u;
    EXPECT_EQ(memcmp(buffer, full.OCINumberPart, len), 0) << Hex(full);
    for (size_t i = len; i < OCI_NUMBER_SIZE; ++i) EXPECT_EQ(buffer[i], 0xEE) << Hex(full);
  };
  for (int64_t v : {int64_t{0}, int64_t{7}, int64_t{-7}, int64_t{100}, int64_t{-123456789},
                    int64_t{99999999}, int64_t{100000000}, INT64_MIN, INT64_MAX}) {
    ub1 buffer[OCI_NUMBER_SIZE];
    memset(buffer, 0xEE, sizeof buffer);
    ASSERT_EQ(NumberFromInt64Bytes(v, buffer), 0);
    OCINumber full{};
    NumberFromInt64(v, &full);
    check(full, buffer);
  }
  for (double d : {0.0, -0.0, 1234.25, -0.5, 1e15, 1.0 / 3, -2.5e-100, 9.99e125}) {
    ub1 buffer[OCI_NUMBER_SIZE];
    memset(buffer, 0xEE, sizeof buffer);
    ASSERT_EQ(NumberFromDoubleBytes(d, buffer), 0) << d;
    check(FromDouble(d), buffer);
  }
  for (double d : {double(NAN), double(INFINITY), 1e126, -1e200}) {
    ub1 buffer[OCI_NUMBER_SIZE];
    memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(NumberFromDoubleBytes(d, buffer), 1426) << d;
    for (ub1 b : buffer) EXPECT_EQ(b, 0xEE);
    OCINumber kept;
    memset(&kept, 0xEE, sizeof kept);
    EXPECT_EQ(NumberFromDouble(d, &kept), 1426);
    for (ub1 b : kept.OCINumberPart) EXPECT_EQ(b, 0xEE);
  }
}

TEST(NumberForm, RangeLimits) {
  OCINumber n{};
  const OCINumber untouched = Bytes({2, 0xC1, 8});
  struct Case {
    double value;
    int rc;
    bool zero;
  };
  const Case cases[] = {
      {1e125, 0, false},        {-1e125, 0, false},
      {nextafter(1e126, 0.0), 0, false},
      {1e126, 1426, false},     {-1e126, 1426, false},
      {1e300, 1426, false},     {1e-130, 0, false},
      {-1e-130, 0, false},      {1e-131, 0, true},
      {-9.99e-131, 0, true},    {5e-324, 0, true},
      {NAN, 1426, false},       {INFINITY, 1426, false},
      {-INFINITY, 1426, false},
  };
  for (const Case &c : cases) {
    n = untouched;
    EXPECT_EQ(NumberFromDouble(c.value, &n), c.rc) << c.value;
    if (c.rc) continue;
    EXPECT_EQ(Hex(n) == "01 80", c.zero) << c.value;
    double back = 1;
    NumberToDouble(&n, &back);
    EXPECT_EQ(back, c.zero ? 0.0 : c.value);
  }
  for (const char *t : {"1e126", "-1E126", "99999999999999999999999999999999999999999e85",
                        "1e999999999999999999"}) {
    EXPECT_EQ(NumberFromText(t, strlen(t), &n), 1426) << t;
  }
  for (const char *t : {"1e-131", "-1e-999999999999", "0.0000e5"}) {
    ASSERT_EQ(NumberFromText(t, strlen(t), &n), 0) << t;
    EXPECT_EQ(Hex(n), "01 80") << t;
  }
  // Hundreds of thousands of digits, before or after the point.
  const std::string many(300000, '7');
  EXPECT_EQ(NumberFromText(many.data(), many.size(), &n), 1426);
  const std::string tiny = "." + std::string(300000, '0') + "1e200000";
  ASSERT_EQ(NumberFromText(tiny.data(), tiny.size(), &n), 0);
  EXPECT_EQ(Hex(n), "01 80");
}

TEST(NumberForm, TextInput) {
  const std::string twelve_and_half = Hex(FromText("12.5"));
  for (const char *t : {"  12.5  ", "+12.5", "1.25e1", "125E-1", "0012.500",
                        "\t12.5\n", "1250e-2", ".125e+2"})
    EXPECT_EQ(Hex(FromText(t)), twelve_and_half) << t;
  EXPECT_EQ(Hex(FromText("5.")), Hex(FromText("5")));
  EXPECT_EQ(Hex(FromText("-0")), "01 80");
  OCINumber n = Bytes({2, 0xC1, 8});
  for (const char *t : {"", "   ", "abc", "1.2.3", "1e", "e1", "1 2", "--1", ".",
                        "+", "1e+", "0x10", "12,5", "1e5.5", "١"}) {
    EXPECT_EQ(NumberFromText(t, strlen(t), &n), 1722) << t;
  }
  EXPECT_EQ(Hex(n), "02 C1 08");  // a failure writes nothing
  // Only the given length is read.
  ASSERT_EQ(NumberFromText("12.5xyz", 4, &n), 0);
  EXPECT_EQ(Hex(n), twelve_and_half);
}

// The form keeps 20 base-100 digits: 40 significant digits when the first
// one has two, 39 when it has one; the rest rounds half away from zero.
TEST(NumberForm, TextRoundsToWhatTheFormHolds) {
  struct Case {
    const char *in;
    const char *out;
  };
  const Case cases[] = {
      {"1234567890123456789012345678901234567890", "1234567890123456789012345678901234567890"},
      {"123456789012345678901234567890123456789049", "1.23456789012345678901234567890123456789E+41"},
      {"123456789012345678901234567890123456789051", "1.234567890123456789012345678901234567891E+41"},
      {"1.234567890123456789012345678901234567894", "1.23456789012345678901234567890123456789"},
      {"1.234567890123456789012345678901234567895", "1.2345678901234567890123456789012345679"},
      {"-12345678901234567890123456789012345678951", "-1.2345678901234567890123456789012345679E+40"},
      {"-9.999999999999999999999999999999999999999", "-10"},
      {"0.99999999999999999999999999999999999999999", "1"},
      {".00000000000000000000000000000000000000000000000123", "1.23E-48"},
  };
  for (const Case &c : cases) EXPECT_EQ(TextOf(FromText(c.in)), c.out) << c.in;
}

TEST(NumberForm, DefaultTextForm) {
  struct Case {
    const char *in;
    const char *out;
  };
  const Case cases[] = {
      {"12.5", "12.5"},
      {"-3", "-3"},
      {"0.5", ".5"},
      {"-0.5", "-.5"},
      {"0", "0"},
      {"100", "100"},
      {"120.0100", "120.01"},
      {"0.001", ".001"},
      {"1e50", "1.0E+50"},
      {"-1.5e100", "-1.5E+100"},
      {"1e39", "1000000000000000000000000000000000000000"},
      {"-1e39", "-1000000000000000000000000000000000000000"},
      {"1e40", "1.0E+40"},
      {"1e-39", ".000000000000000000000000000000000000001"},
      {"1e-40", "1.0E-40"},
      {"1.25e-45", "1.25E-45"},
      {"1e-130", "1.0E-130"},
      {"9.9e125", "9.9E+125"},
      {"123456789.123456789", "123456789.123456789"},
  };
  for (const Case &c : cases) {
    const OCINumber n = FromText(c.in);
    EXPECT_EQ(NumberToText(&n), c.out) << c.in;
    // The text reads back as the same number.
    EXPECT_EQ(Hex(FromText(NumberToText(&n))), Hex(n)) << c.in;
  }
}

TEST(NumberForm, DoubleTextForm) {
  struct Case {
    double in;
    const char *out;
  };
  const Case cases[] = {
      {12.5, "12.5"},
      {-3.0, "-3"},
      {0.5, ".5"},
      {-0.5, "-.5"},
      {0.1, ".1"},
      {0.1 + 0.2, ".30000000000000004"},
      {1.0 / 3, ".3333333333333333"},
      {0.0, "0"},
      {-0.0, "0"},
      {9007199254740992.0, "9007199254740992"},
      {1e21, "1000000000000000000000"},
      {1e50, "1.0E+50"},
      {1e300, "1.0E+300"},
      {-1.25e-45, "-1.25E-45"},
      {5e-324, "5.0E-324"},
      {NAN, "Nan"},
      {INFINITY, "Inf"},
      {-INFINITY, "-Inf"},
  };
  for (const Case &c : cases) EXPECT_EQ(DoubleToText(c.in), c.out) << c.in;
  // Within the NUMBER range the double and its NUMBER read the same.
  for (double d : {12.5, 0.1, 1e50, -1.25e-45, 123456.789, 1.0 / 7})
    EXPECT_EQ(DoubleToText(d), TextOf(FromDouble(d))) << d;
}

TEST(NumberForm, RoundingHalfAwayFromZero) {
  struct Case {
    const char *in;
    int scale;
    const char *out;
  };
  const Case cases[] = {
      {"2.5", 0, "3"},          {"-2.5", 0, "-3"},       {"2.49", 0, "2"},
      {"1.005", 2, "1.01"},     {"-1.005", 2, "-1.01"},  {"1.004", 2, "1"},
      {"123.456", -1, "120"},   {"155", -1, "160"},      {"-155", -1, "-160"},
      {"0.4", 0, "0"},          {"0.5", 0, "1"},         {"-0.5", 0, "-1"},
      {"9.99", 1, "10"},        {"99.95", 1, "100"},     {"12345", -5, "0"},
      {"50000", -5, "100000"},  {"12.5", 2, "12.5"},     {"0", 3, "0"},
      {"0.000001", 5, "0"},     {"0.000005", 5, ".00001"},
      {"123.456", 200000, "123.456"}, {"123.456", -200000, "0"},
      {"1.5e-130", 130, "2.0E-130"},
  };
  for (const Case &c : cases) {
    OCINumber n = FromText(c.in);
    ASSERT_EQ(NumberRound(&n, c.scale), 0) << c.in;
    EXPECT_TRUE(NumberIsValid(&n));
    EXPECT_EQ(NumberToText(&n), c.out) << c.in << " scale " << c.scale;
  }
  OCINumber n = FromText("9.5e125");
  EXPECT_EQ(NumberRound(&n, -126), 1426);
}

TEST(NumberForm, IntegerDigits) {
  struct Case {
    const char *in;
    int digits;
  };
  const Case cases[] = {{"0", 0},   {".5", 0},   {"1", 1},      {"9.9", 1},
                        {"10", 2},  {"99", 2},   {"100", 3},    {"12345.6", 5},
                        {"-123", 3}, {"1e-100", 0}, {"1e125", 126}};
  for (const Case &c : cases)
    {
    const OCINumber n = FromText(c.in);
    EXPECT_EQ(NumberIntegerDigits(&n), c.digits) << c.in;
  }
}

TEST(NumberForm, MalformedBytesAreRejected) {
  const OCINumber bad[] = {
      Bytes({0}),                       // no exponent
      Bytes({22, 0xC1, 2}),             // longer than the form
      Bytes({1, 0x00}),                 // the vendor's minus infinity
      Bytes({2, 0xFF, 0x65}),           // and plus infinity
      Bytes({2, 0xC1, 0}),              // positive digit below range
      Bytes({2, 0xC1, 101}),            // positive digit above range
      Bytes({3, 0xC1, 1, 2}),           // leading zero digit
      Bytes({2, 0x3E, 0x64}),           // negative without its terminator
      Bytes({3, 0x3E, 102, 102}),       // negative digit out of range
      Bytes({2, 0x3E, 102}),            // negative with no digits
      Bytes({3, 0x3E, 101, 102}),       // negative leading zero digit
      Bytes({4, 0x3E, 100, 1, 102}),    // negative digit below range
  };
  for (const OCINumber &n : bad) {
    EXPECT_FALSE(NumberIsValid(&n)) << Hex(n);
    double d = 7;
    EXPECT_EQ(NumberToDouble(&n, &d), 1722) << Hex(n);
    EXPECT_EQ(d, 7);
    EXPECT_EQ(NumberToText(&n), "");
    OCINumber copy = n;
    EXPECT_EQ(NumberRound(&copy, 0), 1722);
  }
  // Trailing zero digits are not the canonical form but still read.
  const OCINumber padded = Bytes({3, 0xC1, 2, 1});
  EXPECT_TRUE(NumberIsValid(&padded));
  EXPECT_EQ(NumberToText(&padded), "1");
  double d = 0;
  ASSERT_EQ(NumberToDouble(&padded, &d), 0);
  EXPECT_EQ(d, 1.0);
  const OCINumber negative = Bytes({4, 0x3E, 100, 101, 102});  // -1 padded
  ASSERT_EQ(NumberToDouble(&negative, &d), 0);
  EXPECT_EQ(d, -1.0);
}

// Eight base-100 digits just past 2^53 need the correctly rounded path:
// the integer of the digits alone is not exact.
TEST(NumberForm, SixteenDigitsPastTwoTo53RoundCorrectly) {
  for (const char *t : {"9007199254740993", "-9007199254740993", "9999999999999999",
                        "99999999.99999999", "0.9007199254740993", "1234567890123457e-5"}) {
    const OCINumber n = FromText(t);
    double d = 0;
    ASSERT_EQ(NumberToDouble(&n, &d), 0) << t;
    EXPECT_EQ(d, strtod(t, nullptr)) << t;
  }
}

}  // namespace
