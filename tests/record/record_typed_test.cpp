// COCIRecord's typed setters and getters: the pairings that are accepted,
// those that are refused, and the reads of decimals, currency, long and
// unsigned values.
#include <stdint.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "COCIRecord.h"
#include "oleauto.h"

namespace {

// A record holding one value of each kind the setters make.
COCIRecord EveryKind() {
  COCIRecord r;
  r.SetData(0, static_cast<short>(-7));
  r.SetData(1, 123456);
  r.SetData(2, 1.5f);
  r.SetData(3, 2.25);
  r.SetData(4, static_cast<unsigned char>(200));
  r.SetData(5, CString("text"));
  r.SetData(6, COleDateTime(2001, 2, 3, 4, 5, 6));
  CByteArray bytes;
  bytes.Add(1);
  bytes.Add(2);
  r.SetData(7, bytes);
  r.SetData(8, COleCurrency(12, 5000));
  return r;
}

TEST(RecordTyped, SettersStoreTheFrameworkKinds) {
  COCIRecord r = EveryKind();
  const VARTYPE kinds[] = {VT_I2,   VT_I4,   VT_R4,           VT_R8, VT_UI1,
                           VT_BSTR, VT_DATE, VT_ARRAY | VT_UI1, VT_CY};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(r.GetRecordType(i), kinds[i]) << i;
}

// Which element each getter accepts: every other element answers FALSE and
// leaves the out parameter as it was.
template <typename T>
void ExpectOnlyAccepts(const COCIRecord &r, std::initializer_list<int> ok,
                       const char *what) {
  for (int i = 0; i < r.GetSize(); ++i) {
    T value{};
    const bool accepted =
        std::find(ok.begin(), ok.end(), i) != ok.end();
    EXPECT_EQ(r.GetData(i, value), accepted ? TRUE : FALSE)
        << what << " at " << i;
  }
}

TEST(RecordTyped, EachGetterAcceptsOnlyItsKinds) {
  COCIRecord r = EveryKind();
  ExpectOnlyAccepts<unsigned char>(r, {4}, "unsigned char");
  ExpectOnlyAccepts<short>(r, {0}, "short");
  ExpectOnlyAccepts<int>(r, {1}, "int");
  ExpectOnlyAccepts<long>(r, {1}, "long");
  ExpectOnlyAccepts<unsigned int>(r, {1}, "unsigned int");
  ExpectOnlyAccepts<unsigned long>(r, {1}, "unsigned long");
  ExpectOnlyAccepts<float>(r, {2}, "float");
  ExpectOnlyAccepts<double>(r, {3}, "double");
  ExpectOnlyAccepts<COleDateTime>(r, {6}, "date");
  ExpectOnlyAccepts<CString>(r, {5}, "text");
  ExpectOnlyAccepts<CByteArray>(r, {7}, "bytes");
  ExpectOnlyAccepts<COleCurrency>(r, {8}, "currency");
  ExpectOnlyAccepts<CLongBinary>(r, {7}, "long binary");
  ExpectOnlyAccepts<COleVariant>(r, {0, 1, 2, 3, 4, 5, 6, 7, 8}, "variant");
}

TEST(RecordTyped, RefusedReadLeavesTheOutParameter) {
  COCIRecord r = EveryKind();
  short s = 99;
  double d = 4.5;
  CString text("keep");
  EXPECT_FALSE(r.GetData(1, s));  // VT_I4 as short
  EXPECT_FALSE(r.GetData(2, d));  // VT_R4 as double
  EXPECT_FALSE(r.GetData(1, text));
  EXPECT_EQ(s, 99);
  EXPECT_EQ(d, 4.5);
  EXPECT_EQ(text, "keep");
}

TEST(RecordTyped, ValuesReadBackAsStored) {
  COCIRecord r = EveryKind();
  short s = 0;
  int i = 0;
  float f = 0;
  double d = 0;
  unsigned char b = 0;
  CString text;
  COleDateTime date;
  CByteArray bytes;
  COleCurrency amount;
  ASSERT_TRUE(r.GetData(0, s) && r.GetData(1, i) && r.GetData(2, f) &&
              r.GetData(3, d) && r.GetData(4, b) && r.GetData(5, text) &&
              r.GetData(6, date) && r.GetData(7, bytes) &&
              r.GetData(8, amount));
  EXPECT_EQ(s, -7);
  EXPECT_EQ(i, 123456);
  EXPECT_EQ(f, 1.5f);
  EXPECT_EQ(d, 2.25);
  EXPECT_EQ(b, 200);
  EXPECT_EQ(text, "text");
  EXPECT_EQ(date.GetYear(), 2001);
  EXPECT_EQ(date.GetSecond(), 6);
  EXPECT_EQ(date.GetStatus(), COleDateTime::valid);
  ASSERT_EQ(bytes.GetSize(), 2);
  EXPECT_EQ(bytes[1], 2);
  EXPECT_EQ(amount.m_cur.int64, 125000);
}

TEST(RecordTyped, TextWithNonAsciiCharactersRoundTrips) {
  COCIRecord r;
  const CString text("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80");
  r.SetData(0, text);
  CString back;
  ASSERT_TRUE(r.GetData(0, back));
  EXPECT_EQ(back, text);
  EXPECT_EQ(r.GetString(0), text);
}

TEST(RecordTyped, UnsignedValuesKeepTheirBits) {
  COCIRecord r;
  r.SetData(0, UINT32_MAX);
  unsigned int u = 0;
  int i = 0;
  unsigned long ul = 0;
  ASSERT_TRUE(r.GetData(0, u));
  ASSERT_TRUE(r.GetData(0, i));
  ASSERT_TRUE(r.GetData(0, ul));
  EXPECT_EQ(u, UINT32_MAX);
  EXPECT_EQ(i, -1);
  EXPECT_EQ(ul, 4294967295UL);
}

TEST(RecordTyped, LongKeepsTheFrameworks32Bits) {
  struct Case {
    long stored;
    long asLong;
    unsigned long asUnsigned;
  };
  const Case cases[] = {
      {-1L, -1L, 4294967295UL},
      {2147483647L, 2147483647L, 2147483647UL},
      {2147483648L, -2147483648L, 2147483648UL},
      {0x123456789L, 0x23456789L, 0x23456789UL},
  };
  for (const Case &c : cases) {
    COCIRecord r;
    r.SetData(0, c.stored);
    r.SetData(1, static_cast<unsigned long>(c.stored));
    long l = 0;
    unsigned long ul = 0;
    EXPECT_EQ(r.GetRecordType(0), VT_I4);
    ASSERT_TRUE(r.GetData(0, l));
    ASSERT_TRUE(r.GetData(1, ul));
    EXPECT_EQ(l, c.asLong) << c.stored;
    EXPECT_EQ(ul, c.asUnsigned) << c.stored;
  }
}

COleVariant Decimal(uint64_t magnitude, int scale, bool negative) {
  COleVariant v;
  v.decVal.Lo64 = magnitude;
  v.decVal.Hi32 = 0;
  v.decVal.scale = static_cast<BYTE>(scale);
  v.decVal.sign = negative ? DECIMAL_NEG : 0;
  v.vt = VT_DECIMAL;
  return v;
}

TEST(RecordTyped, DecimalsAreReadByValue) {
  struct Case {
    uint64_t magnitude;
    int scale;
    bool negative;
    bool intOk;
    int asInt;
    bool shortOk;
    bool unsignedOk;
    unsigned int asUnsigned;
    double asDouble;
  };
  const Case cases[] = {
      {25, 1, false, true, 2, true, true, 2u, 2.5},     // half to even
      {35, 1, false, true, 4, true, true, 4u, 3.5},
      {39, 1, true, true, -4, true, false, 0u, -3.9},
      {12345, 2, false, true, 123, true, true, 123u, 123.45},
      {70000, 0, false, true, 70000, false, true, 70000u, 70000.0},
      {3000000000ULL, 0, false, false, 0, false, true, 3000000000u, 3e9},
      {5000000000ULL, 0, false, false, 0, false, false, 0u, 5e9},
      {21474836475ULL, 1, true, true, -2147483647 - 1, false, false, 0u,
       -2147483647.5},
  };
  for (const Case &c : cases) {
    COCIRecord r;
    COleVariant decimal = Decimal(c.magnitude, c.scale, c.negative);
    r.SetAtGrow(0, decimal);
    int i = 77;
    short s = 77;
    unsigned int u = 77;
    double d = 0;
    float f = 0;
    EXPECT_EQ(r.GetData(0, i), c.intOk ? TRUE : FALSE) << c.magnitude;
    EXPECT_EQ(i, c.intOk ? c.asInt : 77) << c.magnitude;
    EXPECT_EQ(r.GetData(0, s), c.shortOk ? TRUE : FALSE) << c.magnitude;
    if (!c.shortOk) {
      EXPECT_EQ(s, 77);
    }
    EXPECT_EQ(r.GetData(0, u), c.unsignedOk ? TRUE : FALSE) << c.magnitude;
    EXPECT_EQ(u, c.unsignedOk ? c.asUnsigned : 77u) << c.magnitude;
    ASSERT_TRUE(r.GetData(0, d));
    EXPECT_DOUBLE_EQ(d, c.asDouble);
    ASSERT_TRUE(r.GetData(0, f));
    EXPECT_FLOAT_EQ(f, static_cast<float>(c.asDouble));
  }
}

TEST(RecordTyped, CurrencyAndLongBinaryAreKept) {
  COCIRecord r;
  r.SetData(0, COleCurrency(-3, -2500));
  COleCurrency amount;
  ASSERT_TRUE(r.GetData(0, amount));
  EXPECT_EQ(amount.m_cur.int64, -32500);
  EXPECT_EQ(r.GetString(0), "-3.25");

  const BYTE raw[] = {0, 0xFF, 0x10};
  CLongBinary blob;
  blob.SetData(raw, sizeof raw);
  r.SetData(1, blob);
  EXPECT_EQ(r.GetRecordType(1), VT_ARRAY | VT_UI1);
  EXPECT_EQ(r.GetString(1), "00FF10");
  CLongBinary back;
  ASSERT_TRUE(r.GetData(1, back));
  ASSERT_EQ(back.GetSize(), 3u);
  EXPECT_EQ(back.GetData()[1], 0xFF);
}

}  // namespace
