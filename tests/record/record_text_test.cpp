// Values to and from text: the kind table, flagged-kind descriptions,
// numbers, dates, hexadecimal bytes, the GUID tag and single-byte text.
#include <math.h>

#include <vector>

#include <gtest/gtest.h>

#include "COCIRecord.h"
#include "record/RecordConvert.h"
#include "oleauto.h"

namespace {

COleVariant OfKind(VARTYPE kind) {
  COleVariant v;
  v.vt = kind;  // value bits zero: the named kinds ignore them
  return v;
}

TEST(VariantToString, EveryCodeOfTheKindTable) {
  // Codes whose text is their name, whatever the value holds.
  const std::pair<VARTYPE, const char *> named[] = {
      {9, "VT_DISPATCH"},      {10, "VT_ERROR"},    {12, "VT_VARIANT"},
      {13, "VT_UNKNOWN"},      {16, "VT_I1"},       {18, "VT_UI2"},
      {19, "VT_UI4"},          {20, "VT_I8"},       {21, "VT_UI8"},
      {22, "VT_INT"},          {23, "VT_UINT"},     {24, "VT_VOID"},
      {25, "VT_HRESULT"},      {26, "VT_PTR"},      {27, "VT_SAFEARRAY"},
      {28, "VT_CARRAY"},       {29, "VT_USERDEFINED"}, {30, "VT_LPSTR"},
      {31, "VT_LPWSTR"},       {64, "VT_FILETIME"}, {65, "VT_BLOB"},
      {66, "VT_STREAM"},       {67, "VT_STORAGE"},
      {68, "VT_STREAMED_OBJECT"}, {69, "VT_STORED_OBJECT"},
      {70, "VT_BLOB_OBJECT"},  {71, "VT_CF"},       {72, "VT_CLSID"},
  };
  for (const auto &n : named) {
    COleVariant v = OfKind(n.first);
    v.llVal = 12345;
    EXPECT_EQ(VariantToString(v), n.second) << n.first;
  }
  for (VARTYPE code = 32; code <= 63; ++code)
    EXPECT_EQ(VariantToString(OfKind(code)), "Murk") << code;
  EXPECT_EQ(VariantToString(OfKind(15)), "Murk");
  EXPECT_EQ(VariantToString(OfKind(VT_EMPTY)), "NULL");
  EXPECT_EQ(VariantToString(OfKind(VT_NULL)), "NULL");
}

TEST(VariantToString, RenderedValues) {
  struct Case {
    COleVariant value;
    const char *text;
  };
  COleVariant boolMinusOne = OfKind(VT_BOOL);
  boolMinusOne.boolVal = -1;
  COleVariant boolOne = OfKind(VT_BOOL);
  boolOne.boolVal = 1;
  const Case cases[] = {
      {COleVariant(static_cast<short>(-32768)), "-32768"},
      {COleVariant(static_cast<LONG>(2147483647)), "2147483647"},
      {COleVariant(0.5f), "0.500000"},
      {COleVariant(2.0), "2.000000"},
      {COleVariant(0.0000001), "0.000000"},
      {boolMinusOne, "TRUE"},
      {boolOne, "TRUE"},
      {OfKind(VT_BOOL), "FALSE"},
      {COleVariant(static_cast<BYTE>(0)), "0x00"},
      {COleVariant(static_cast<BYTE>(10)), "0x0A"},
      {COleVariant(static_cast<BYTE>(255)), "0xFF"},
      {COleVariant(COleCurrency(1234, 5000)), "1234.5"},
      {COleVariant(COleCurrency(12, 0)), "12"},
  };
  for (const Case &c : cases) EXPECT_EQ(VariantToString(c.value), c.text);
}

TEST(VariantToString, FlaggedKindsAreDescribed) {
  const std::pair<VARTYPE, const char *> cases[] = {
      {VT_ARRAY | VT_I4, "Array of VT_I4"},
      {VT_BYREF | VT_I4, "Pointer to VT_I4"},
      {VT_ARRAY | VT_BYREF | VT_R8, "Array of Pointer to VT_R8"},
      {VT_ARRAY | VT_BYREF | VT_UI1, "Array of Pointer to VT_UI1"},
      {VT_ARRAY | 14, "Array of "},
      {VT_BYREF | 40, "Pointer to "},
      {VT_ARRAY | VT_NULL, "Array of VT_NULL"},
      {VT_VECTOR | VT_I4, "Murk"},
      {VT_ARRAY | 0x0FFF, "Array of "},
  };
  for (const auto &c : cases) {
    COleVariant v = OfKind(c.first);
    v.byref = nullptr;
    EXPECT_EQ(VariantToString(v), c.second) << c.first;
    v.vt = VT_EMPTY;  // nothing of its own to release
  }
}

TEST(VariantToString, DecimalsGiveTheirExactValue) {
  struct Case {
    uint64_t magnitude;
    BYTE scale;
    BYTE sign;
    const char *text;
  };
  const Case cases[] = {
      {12345, 2, 0, "123.45"},
      {250, 2, 0, "2.5"},
      {1, 28, 0, "0.0000000000000000000000000001"},
      {0, 0, 0, "0"},
      {39, 1, DECIMAL_NEG, "-3.9"},
  };
  for (const Case &c : cases) {
    COleVariant v;
    v.decVal.Lo64 = c.magnitude;
    v.decVal.scale = c.scale;
    v.decVal.sign = c.sign;
    v.vt = VT_DECIMAL;
    EXPECT_EQ(VariantToString(v), c.text);
  }
}

TEST(RecordText, DatesAsText) {
  struct Case {
    DATE value;
    const char *text;
  };
  const Case cases[] = {
      {0.0, ""},
      {1.0, "1899-12-31"},
      {1.75, "1899-12-31 18:00:00"},
      {-1.25, "1899-12-29 06:00:00"},
      {36526.5, "2000-01-01 12:00:00"},
      {2.0 + 59.0 / 86400 + 0.6 / 86400, "1900-01-01 00:01:00"},
  };
  for (const Case &c : cases) {
    COCIRecord r;
    r.SetData(0, COleDateTime(c.value));
    EXPECT_EQ(r.GetString(0), c.text) << c.value;
  }
}

TEST(RecordText, DatesRoundTripThroughText) {
  for (DATE value : {1.0, 1.75, -1.25, 36526.5, 45000.0 + 3723.0 / 86400}) {
    COCIRecord r;
    r.SetData(0, COleDateTime(value));
    COCIRecord back;
    back.SetString(0, r.GetString(0), VT_DATE);
    COleDateTime date;
    ASSERT_TRUE(back.GetData(0, date));
    EXPECT_NEAR(date.m_dt, value, 1e-9) << r.GetString(0);
  }
}

TEST(RecordText, RejectedDateTextIsTheZeroDate) {
  COCIRecord r;
  r.SetString(0, "not a date", VT_DATE);
  EXPECT_EQ(r.GetRecordType(0), VT_DATE);
  COleDateTime date;
  ASSERT_TRUE(r.GetData(0, date));
  EXPECT_EQ(date.m_dt, 0.0);
  EXPECT_EQ(r.GetString(0), "");
}

struct Parsed {
  const char *text;
  unsigned short kind;
  VARTYPE vt;
  double value;  // numeric kinds
};

double NumberOf(const COleVariant &v) {
  switch (v.vt) {
    case VT_I2: return v.iVal;
    case VT_I4: return v.lVal;
    case VT_R4: return v.fltVal;
    case VT_R8: return v.dblVal;
    case VT_BOOL: return v.boolVal;
    case VT_UI1: return v.bVal;
    default: return -999;
  }
}

TEST(RecordText, NumbersReadFromText) {
  const Parsed cases[] = {
      {"42", VT_I2, VT_I2, 42},
      {"70000", VT_I2, VT_I2, 4464},
      {"-7", VT_I2, VT_I2, -7},
      {"3000000000", VT_I2, VT_I2, -1},  // saturates, then the low 16 bits
      {"12abc", VT_I4, VT_I4, 12},
      {"abc", VT_I4, VT_I4, 0},
      {"  -15", VT_I4, VT_I4, -15},
      {"3000000000", VT_I4, VT_I4, 2147483647},
      {"-3000000000", VT_I4, VT_I4, -2147483647.0 - 1},
      {"99999999999999999999999", VT_I4, VT_I4, 2147483647},
      {"1.5", VT_R4, VT_R4, 1.5},
      {"1e300", VT_R4, VT_R4, HUGE_VAL},
      {"", VT_R8, VT_R8, 0.0},
      {"2.25xyz", VT_R8, VT_R8, 2.25},
      {"1", VT_BOOL, VT_BOOL, 1},
      {"-1", VT_BOOL, VT_BOOL, 1},
      {"0", VT_BOOL, VT_BOOL, 0},
      {"TRUE", VT_BOOL, VT_BOOL, 0},
      {"FALSE", VT_BOOL, VT_BOOL, 0},
      {"255", VT_UI1, VT_UI1, 255},
      {"256", VT_UI1, VT_UI1, 0},
      {"-1", VT_UI1, VT_UI1, 255},
      {"0x0A", VT_UI1, VT_UI1, 0},
  };
  for (const Parsed &c : cases) {
    COCIRecord r;
    r.SetString(0, c.text, c.kind);
    COleVariant v;
    ASSERT_TRUE(r.GetData(0, v));
    EXPECT_EQ(v.vt, c.vt) << c.text;
    EXPECT_EQ(NumberOf(v), c.value) << c.text << " as " << c.kind;
  }
}

TEST(RecordText, UnsupportedKindsGiveNull) {
  for (unsigned short kind :
       {0, 1, 6, 16, 0x2003, 0x8002, 0xFFFF, VT_DECIMAL + 1}) {
    COCIRecord r;
    r.SetString(0, "12", kind);
    EXPECT_EQ(r.GetRecordType(0), VT_NULL) << kind;
    EXPECT_EQ(r.GetString(0), "") << kind;
  }
}

TEST(RecordText, NumbersRoundTripWithinTheirTextPrecision) {
  COCIRecord r;
  r.SetData(0, static_cast<short>(-32768));
  r.SetData(1, -2147483647 - 1);
  r.SetData(2, 3.14159265f);
  r.SetData(3, 2.718281828);
  COCIRecord back;
  const VARTYPE kinds[] = {VT_I2, VT_I4, VT_R4, VT_R8};
  for (int i = 0; i < 4; ++i) back.SetString(i, r.GetString(i), kinds[i]);
  short s;
  int n;
  float f;
  double d;
  ASSERT_TRUE(back.GetData(0, s) && back.GetData(1, n) &&
              back.GetData(2, f) && back.GetData(3, d));
  EXPECT_EQ(s, -32768);
  EXPECT_EQ(n, -2147483647 - 1);
  EXPECT_FLOAT_EQ(f, 3.141593f);
  EXPECT_DOUBLE_EQ(d, 2.718282);
}

TEST(RecordText, HexadecimalBytesBothWays) {
  struct Case {
    const char *text;
    std::vector<BYTE> bytes;
    const char *back;
  };
  const Case cases[] = {
      {"0aFf1", {0x0A, 0xFF}, "0AFF"},
      {"000FA0", {0x00, 0x0F, 0xA0}, "000FA0"},
      {"0", {}, ""},
      {"", {}, ""},
      {"1z", {0x01}, "01"},
      {"zz12", {0x00, 0x12}, "0012"},
      {"-1", {0xFF}, "FF"},
  };
  for (const Case &c : cases) {
    COCIRecord r;
    r.SetString(0, c.text, VT_ARRAY | VT_UI1);
    EXPECT_EQ(r.GetRecordType(0), VT_ARRAY | VT_UI1);
    CByteArray bytes;
    ASSERT_TRUE(r.GetData(0, bytes)) << c.text;
    ASSERT_EQ(static_cast<size_t>(bytes.GetSize()), c.bytes.size()) << c.text;
    for (size_t i = 0; i < c.bytes.size(); ++i)
      EXPECT_EQ(bytes[static_cast<int>(i)], c.bytes[i]) << c.text;
    EXPECT_EQ(r.GetString(0), c.back) << c.text;
  }
}

TEST(RecordText, ByteArraysThatHoldNoReadableArray) {
  COleVariant noArray;
  noArray.vt = VT_ARRAY | VT_UI1;
  noArray.parray = nullptr;

  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  COleVariant twoDims;
  twoDims.parray = SafeArrayCreate(VT_UI1, 2, bounds);
  twoDims.vt = VT_ARRAY | VT_UI1;

  SAFEARRAYBOUND one = {3, 0};
  COleVariant wideElements;
  wideElements.parray = SafeArrayCreate(VT_I4, 1, &one);
  wideElements.vt = VT_ARRAY | VT_UI1;

  for (COleVariant *v : {&noArray, &twoDims, &wideElements}) {
    CByteArray bytes;
    bytes.Add(9);
    EXPECT_FALSE(VariantToByteArray(*v, bytes));
    ASSERT_EQ(bytes.GetSize(), 1);
    EXPECT_EQ(bytes[0], 9);
    EXPECT_EQ(VariantToString(*v), "");
  }
  noArray.vt = VT_EMPTY;
}

TEST(RecordText, ByteArrayConverters) {
  CByteArray empty;
  COleVariant v;
  ByteArrayToVariant(empty, v);
  ASSERT_EQ(v.vt, VT_ARRAY | VT_UI1);
  ASSERT_NE(v.parray, nullptr);
  EXPECT_EQ(SafeArrayGetDim(v.parray), 1u);
  EXPECT_EQ(v.parray->rgsabound[0].cElements, 0u);
  EXPECT_EQ(v.parray->rgsabound[0].lLbound, 0);

  CByteArray untouched;
  untouched.Add(5);
  COleVariant i4(static_cast<LONG>(3));
  EXPECT_FALSE(VariantToByteArray(i4, untouched));
  COleVariant byref;
  byref.vt = VT_ARRAY | VT_UI1 | VT_BYREF;
  byref.byref = nullptr;
  EXPECT_FALSE(VariantToByteArray(byref, untouched));
  byref.vt = VT_EMPTY;
  EXPECT_EQ(untouched.GetSize(), 1);
}

TEST(RecordText, GuidTagRule) {
  struct Case {
    const char *text;
    const char *stored;
    bool singleByte;
  };
  const Case cases[] = {
      {"{0000}", "{guid {0000}}", false},
      {"abc", "{guid abc}", false},
      {"x{guid {y}}", "{guid x{guid {y}}}", false},
      {"{guid {1234}}", "{guid {1234}}", true},
  };
  for (const Case &c : cases) {
    COCIRecord r;
    r.SetString(0, c.text, VT_CLSID);
    ASSERT_EQ(r.GetRecordType(0), VT_BSTR);
    EXPECT_EQ(r.GetString(0), c.stored) << c.text;
    COleVariant v;
    r.GetData(0, v);
    EXPECT_EQ(AfxIsAnsiBstr(v.bstrVal) != FALSE, c.singleByte) << c.text;
  }
  // The converter's own text rule takes the tag off an identifier.
  COleVariant tagged("{guid {1234}}", VT_BSTR);
  EXPECT_EQ(VariantToString(tagged), "{1234}");
}

TEST(RecordText, TextIsNeverAltered) {
  for (const char *text : {"NULLABLE", "NU***LL", "***", "NULL", ""}) {
    for (unsigned short kind : {static_cast<unsigned short>(VT_BSTR),
                                static_cast<unsigned short>(14)}) {
      COCIRecord r;
      r.SetString(0, text, kind);
      EXPECT_EQ(r.GetString(0), text) << kind;
      CString back;
      ASSERT_TRUE(r.GetData(0, back));
      EXPECT_EQ(back, text);
    }
  }
}

TEST(RecordText, SingleByteTextReadsBackAsItsBytes) {
  const CString text("caf\xC3\xA9 \xE2\x82\xAC");
  COCIRecord r;
  r.SetString(0, text, 14);
  COleVariant v;
  ASSERT_TRUE(r.GetData(0, v));
  EXPECT_EQ(SysStringByteLen(v.bstrVal),
            static_cast<UINT>(text.GetLength()));
  EXPECT_EQ(r.GetString(0), text);
  CString back;
  ASSERT_TRUE(r.GetData(0, back));
  EXPECT_EQ(back, text);

  // Kept in another record, the mark travels with the value.
  COCIRecord copy(r);
  EXPECT_EQ(copy.GetString(0), text);
  COCIRecord third;
  third.SetAtGrow(0, v);
  EXPECT_EQ(third.GetString(0), text);
}

TEST(RecordText, EmptyAndNullReadAsEmptyText) {
  COCIRecord r;
  r.SetString(1, "x", VT_NULL);  // element 0 stays VT_EMPTY
  EXPECT_EQ(r.GetString(0), "");
  EXPECT_EQ(r.GetString(1), "");
  CString text("keep");
  ASSERT_TRUE(r.GetData(1, text));
  EXPECT_EQ(text, "");
}

}  // namespace
