// VariantChangeType: OLE's conversion rules between the kinds the library
// uses, checked through a compact description of each result.
#include <math.h>
#include <string.h>

#include <gtest/gtest.h>

#include "CString.h"
#include "oleauto.h"

namespace {

// Variants that own their value for the length of a test.
struct Var {
  VARIANT v;
  Var() { VariantInit(&v); }
  Var(const Var &o) {
    VariantInit(&v);
    VariantCopy(&v, &o.v);
  }
  ~Var() { VariantClear(&v); }
};

Var Empty() { return Var(); }
Var Null() { Var r; r.v.vt = VT_NULL; return r; }
Var I2(SHORT x) { Var r; r.v.vt = VT_I2; r.v.iVal = x; return r; }
Var I4(LONG x) { Var r; r.v.vt = VT_I4; r.v.lVal = x; return r; }
Var UI1(BYTE x) { Var r; r.v.vt = VT_UI1; r.v.bVal = x; return r; }
Var R4(float x) { Var r; r.v.vt = VT_R4; r.v.fltVal = x; return r; }
Var R8(double x) { Var r; r.v.vt = VT_R8; r.v.dblVal = x; return r; }
Var Date(double x) { Var r; r.v.vt = VT_DATE; r.v.date = x; return r; }
Var Cy(int64_t x) { Var r; r.v.vt = VT_CY; r.v.cyVal.int64 = x; return r; }
Var Bool(bool x) {
  Var r;
  r.v.vt = VT_BOOL;
  r.v.boolVal = x ? VARIANT_TRUE : VARIANT_FALSE;
  return r;
}
Var Str(const char16_t *s) {
  Var r;
  r.v.vt = VT_BSTR;
  r.v.bstrVal = SysAllocString(s);
  return r;
}
// Text of a given length, which may hold a NUL.
Var StrN(const std::u16string &s) {
  Var r;
  r.v.vt = VT_BSTR;
  r.v.bstrVal = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  return r;
}
Var BoolOf(VARIANT_BOOL x) { Var r; r.v.vt = VT_BOOL; r.v.boolVal = x; return r; }
Var Ansi(const char *s) {
  Var r;
  r.v.vt = VT_BSTR;
  r.v.bstrVal = AfxAllocAnsiBstr(s, static_cast<UINT>(strlen(s)));
  return r;
}
Var Dec(uint64_t lo, int scale, bool negative = false) {
  Var r;
  r.v.decVal.Lo64 = lo;
  r.v.decVal.Hi32 = 0;
  r.v.decVal.scale = static_cast<BYTE>(scale);
  r.v.decVal.sign = negative ? DECIMAL_NEG : 0;
  r.v.vt = VT_DECIMAL;
  return r;
}

// "KIND:value" for a successful result, the error's name otherwise.
std::string Describe(HRESULT hr, const VARIANT &v) {
  if (hr == DISP_E_OVERFLOW) return "overflow";
  if (hr == DISP_E_TYPEMISMATCH) return "mismatch";
  if (hr == DISP_E_BADVARTYPE) return "badvartype";
  if (hr != S_OK) return "error";
  char text[128];
  switch (v.vt) {
    case VT_EMPTY: return "EMPTY";
    case VT_NULL: return "NULL";
    case VT_I2: snprintf(text, sizeof text, "I2:%d", v.iVal); break;
    case VT_I4: snprintf(text, sizeof text, "I4:%d", v.lVal); break;
    case VT_UI1: snprintf(text, sizeof text, "UI1:%u", v.bVal); break;
    case VT_I1: snprintf(text, sizeof text, "I1:%d", v.cVal); break;
    case VT_I8:
      snprintf(text, sizeof text, "I8:%lld", (long long)v.llVal);
      break;
    case VT_R4: snprintf(text, sizeof text, "R4:%.9g", v.fltVal); break;
    case VT_R8: snprintf(text, sizeof text, "R8:%.17g", v.dblVal); break;
    case VT_DATE: snprintf(text, sizeof text, "DATE:%.17g", v.date); break;
    case VT_CY:
      snprintf(text, sizeof text, "CY:%lld", (long long)v.cyVal.int64);
      break;
    case VT_BOOL: snprintf(text, sizeof text, "BOOL:%d", v.boolVal); break;
    case VT_BSTR: return "BSTR:" + std::string(CString(v.bstrVal));
    case VT_DECIMAL: {
      // Through the conversion under test, which decimal_test pins down.
      VARIANT s;
      VariantInit(&s);
      if (VariantChangeType(&s, &v, 0, VT_BSTR) != S_OK) return "DEC:?";
      std::string r = "DEC:" + std::string(CString(s.bstrVal));
      VariantClear(&s);
      return r;
    }
    default: return "kind " + std::to_string(v.vt);
  }
  return text;
}

std::string Change(const Var &src, VARTYPE vt, USHORT flags = 0) {
  Var dst;
  const HRESULT hr = VariantChangeType(&dst.v, &src.v, flags, vt);
  return Describe(hr, dst.v);
}

struct Case {
  Var src;
  VARTYPE vt;
  const char *expected;
};

void Check(const std::vector<Case> &cases) {
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(Change(cases[i].src, cases[i].vt), cases[i].expected)
        << "row " << i;
}

}  // namespace

TEST(VariantChangeType, ToIntegersRoundsHalfToEvenAndChecksRange) {
  Check({
      {R8(2.5), VT_I4, "I4:2"},
      {R8(3.5), VT_I4, "I4:4"},
      {R8(-2.5), VT_I4, "I4:-2"},
      {R8(-2.51), VT_I4, "I4:-3"},
      {R8(2147483647.4), VT_I4, "I4:2147483647"},
      {R8(2147483647.5), VT_I4, "overflow"},
      {R8(-2147483648.5), VT_I4, "I4:-2147483648"},
      {R8(NAN), VT_I4, "overflow"},
      {R8(INFINITY), VT_I2, "overflow"},
      {R8(32767.5), VT_I2, "overflow"},
      {R8(254.5), VT_UI1, "UI1:254"},
      {R8(255.5), VT_UI1, "overflow"},
      {R8(-0.5), VT_UI1, "UI1:0"},
      {R8(-0.51), VT_UI1, "overflow"},
      {R4(1.5f), VT_I2, "I2:2"},
      {I4(70000), VT_I2, "overflow"},
      {I4(-1), VT_UI1, "overflow"},
      {I2(-7), VT_I4, "I4:-7"},
      {UI1(200), VT_I2, "I2:200"},
      {Cy(25000), VT_I4, "I4:2"},
      {Cy(35000), VT_I4, "I4:4"},
      {Cy(-15000), VT_I2, "I2:-2"},
      {Dec(25, 1), VT_I4, "I4:2"},
      {Dec(35, 1, true), VT_I4, "I4:-4"},
      {Dec(3000000000u, 0), VT_I4, "overflow"},
      {Date(45000.5), VT_I4, "I4:45000"},
      {Bool(true), VT_I4, "I4:-1"},
      {Bool(true), VT_UI1, "UI1:255"},  // OLE wraps true into unsigned
      {Empty(), VT_I4, "I4:0"},
  });
}

TEST(VariantChangeType, TextToNumbers) {
  Check({
      {Str(u" 42 "), VT_I4, "I4:42"},
      {Str(u"2.5"), VT_I2, "I2:2"},
      {Str(u"-3.5"), VT_I2, "I2:-4"},
      {Str(u"1e10"), VT_I4, "overflow"},
      {Str(u"1e40"), VT_I4, "overflow"},
      {Str(u"x"), VT_I4, "mismatch"},
      {Str(u""), VT_I4, "mismatch"},
      {Str(u"4\u00B2"), VT_I4, "mismatch"},
      {Str(u"12.5"), VT_R8, "R8:12.5"},
      {Str(u"+.25e1"), VT_R8, "R8:2.5"},
      {Str(u"1e400"), VT_R8, "overflow"},
      {Str(u"1e-400"), VT_R8, "R8:0"},
      {Str(u"1e39"), VT_R4, "overflow"},
      {Str(u"0.1"), VT_R4, "R4:0.100000001"},
      {Str(u"123.456"), VT_DECIMAL, "DEC:123.456"},
      {Str(u"1.23455"), VT_CY, "CY:12346"},
      {Str(u"-0.0001"), VT_CY, "CY:-1"},
      {Str(u"1e15"), VT_CY, "overflow"},
      {Str(u"true"), VT_BOOL, "BOOL:-1"},
      {Str(u" False "), VT_BOOL, "BOOL:0"},
      {Str(u"0.0"), VT_BOOL, "BOOL:0"},
      {Str(u"2"), VT_BOOL, "BOOL:-1"},
      {Str(u"yes"), VT_BOOL, "mismatch"},
      {Str(u"2024-01-01"), VT_DATE, "mismatch"},
      {Str(u"45000"), VT_DATE, "mismatch"},
      // Marked single-byte text reads as the UTF-8 it holds.
      {Ansi("  12.5"), VT_R8, "R8:12.5"},
      {Ansi("7"), VT_UI1, "UI1:7"},
      {Ansi("\xC3\xA9"), VT_I4, "mismatch"},
  });
}

TEST(VariantChangeType, NumbersToText) {
  Check({
      {I4(-123), VT_BSTR, "BSTR:-123"},
      {UI1(255), VT_BSTR, "BSTR:255"},
      {R8(12.5), VT_BSTR, "BSTR:12.5"},
      {R8(1e20), VT_BSTR, "BSTR:1E+20"},
      {R8(0.1), VT_BSTR, "BSTR:0.1"},
      {R8(-0.0), VT_BSTR, "BSTR:0"},
      {R8(1.0 / 3.0), VT_BSTR, "BSTR:0.333333333333333"},
      {R8(123456789012345.0), VT_BSTR, "BSTR:123456789012345"},
      {R8(1e15), VT_BSTR, "BSTR:1E+15"},
      {R8(123456789012345678.0), VT_BSTR, "BSTR:1.23456789012346E+17"},
      {R8(1e-5), VT_BSTR, "BSTR:1E-05"},
      {R8(0.0001), VT_BSTR, "BSTR:0.0001"},
      {R4(0.1f), VT_BSTR, "BSTR:0.1"},
      {R4(16777216.0f), VT_BSTR, "BSTR:1.677722E+07"},
      {Cy(12345000), VT_BSTR, "BSTR:1234.5"},
      {Cy(120000), VT_BSTR, "BSTR:12"},
      {Cy(-1), VT_BSTR, "BSTR:-0.0001"},
      {Dec(12345, 2), VT_BSTR, "BSTR:123.45"},
      {Dec(250, 2), VT_BSTR, "BSTR:2.5"},
      {Dec(1, 28), VT_BSTR, "BSTR:0.0000000000000000000000000001"},
      {Dec(0, 3), VT_BSTR, "BSTR:0"},
      {Bool(true), VT_BSTR, "BSTR:-1"},
      {Bool(false), VT_BSTR, "BSTR:0"},
      {Empty(), VT_BSTR, "BSTR:"},
      {Date(45000.5), VT_BSTR, "mismatch"},
  });
  EXPECT_EQ(Change(Bool(true), VT_BSTR, VARIANT_ALPHABOOL), "BSTR:True");
  EXPECT_EQ(Change(Bool(false), VT_BSTR, VARIANT_ALPHABOOL), "BSTR:False");
}

TEST(VariantChangeType, BetweenNumericKinds) {
  Check({
      {R8(0.1), VT_DECIMAL, "DEC:0.1"},
      {R4(0.1f), VT_DECIMAL, "DEC:0.1"},
      {R8(-1234.5678), VT_DECIMAL, "DEC:-1234.5678"},
      {R8(1e29), VT_DECIMAL, "overflow"},
      {R8(1.5), VT_CY, "CY:15000"},
      {R8(0.00025), VT_CY, "CY:3"},  // the double lies above the half
      {R8(1e15), VT_CY, "overflow"},
      {Dec(25, 1), VT_R8, "R8:2.5"},
      {Dec(25, 1), VT_R4, "R4:2.5"},
      {Dec(123456, 5), VT_CY, "CY:12346"},
      {Cy(-25000), VT_DECIMAL, "DEC:-2.5"},
      {Cy(25000), VT_R8, "R8:2.5"},
      {I4(7), VT_CY, "CY:70000"},
      {I4(7), VT_DECIMAL, "DEC:7"},
      {R8(1e39), VT_R4, "overflow"},
      {R8(45000.5), VT_DATE, "DATE:45000.5"},
      {R8(-657434.0), VT_DATE, "DATE:-657434"},
      {R8(3000000.0), VT_DATE, "overflow"},
      {Date(2.25), VT_R8, "R8:2.25"},
      {I4(5), VT_BOOL, "BOOL:-1"},
      {R8(0.0), VT_BOOL, "BOOL:0"},
      {Dec(1, 20), VT_BOOL, "BOOL:-1"},
      {Cy(0), VT_BOOL, "BOOL:0"},
      {Bool(true), VT_R8, "R8:-1"},
      {Bool(true), VT_DECIMAL, "DEC:1"},
      {Bool(true), VT_CY, "CY:-10000"},
  });
}

// Expected values: oleaut32's answers (scripts/ole-differential under
// Wine). The product with 10000 is exact and rounded half to even.
TEST(VariantChangeType, DoubleToCurrencyRoundsTheExactProduct) {
  Check({
      {R8(922337203685477.0), VT_CY, "CY:9223372036854770000"},
      {R8(775297633764963.0), VT_CY, "CY:7752976337649630000"},
      {R8(-922337203685477.5), VT_CY, "CY:-9223372036854775000"},
      {R8(-922337203685477.6), VT_CY, "overflow"},  // beyond the minimum
      {R8(922337203685477.5807), VT_CY, "overflow"},  // is ...477.625
      {R8(-99587.32595), VT_CY, "CY:-995873259"},  // the double is below
      {R8(0.00035), VT_CY, "CY:3"},
      {R8(0.00005), VT_CY, "CY:1"},  // 5.0000000000000002e-05
      {R8(-0.00005), VT_CY, "CY:-1"},
      {R8(0.12345), VT_CY, "CY:1235"},
      {R8(0.03125), VT_CY, "CY:312"},  // exact halves go to even
      {R8(0.09375), VT_CY, "CY:938"},
      {R8(-0.03125), VT_CY, "CY:-312"},
      {R8(1e15), VT_CY, "overflow"},
      {R8(INFINITY), VT_CY, "overflow"},
      {R4(0.5f), VT_CY, "CY:5000"},
  });
}

// Expected values: oleaut32's answers (scripts/ole-differential under
// Wine), except "-&H10" (Wine drops the sign), "+-1" (Wine takes two
// signs) and "&H10" as currency (Wine overflows); docs/framework.md.
TEST(VariantChangeType, TextInOleNumberGrammar) {
  Check({
      {Str(u"1,000"), VT_I2, "I2:1000"},
      {Str(u"1,234.5678"), VT_CY, "CY:12345678"},
      {Str(u"1,0,0"), VT_I4, "I4:100"},
      {Str(u"1,000,000"), VT_I2, "overflow"},
      {Str(u",1"), VT_I4, "mismatch"},
      {Str(u"$1.50"), VT_R8, "R8:1.5"},
      {Str(u"-$1.50"), VT_CY, "CY:-15000"},
      {Str(u"1$"), VT_I4, "I4:1"},
      {Str(u"$$1"), VT_I4, "mismatch"},
      {Str(u"($1,234.50)"), VT_DECIMAL, "DEC:-1234.5"},
      {Str(u"( 1 )"), VT_I4, "I4:-1"},
      {Str(u"(1.5)"), VT_UI1, "overflow"},
      {Str(u"(1"), VT_I4, "mismatch"},
      {Str(u"1.5-"), VT_I2, "I2:-2"},
      {Str(u"1.5 -"), VT_R8, "R8:-1.5"},
      {Str(u"-1.5-"), VT_R8, "mismatch"},
      {Str(u"+-1"), VT_I4, "mismatch"},
      {Str(u"&H10"), VT_I4, "I4:16"},
      {Str(u"&o17"), VT_I8, "I8:15"},
      {Str(u"&HFF"), VT_I1, "I1:-1"},   // bits read in the kind's width
      {Str(u"&H80"), VT_UI1, "UI1:128"},
      {Str(u"&HFFFF"), VT_I2, "I2:-1"},
      {Str(u"&HFFFF"), VT_I1, "overflow"},
      {Str(u"&H80000000"), VT_I4, "I4:-2147483648"},
      {Str(u"&HFFFFFFFF"), VT_I8, "I8:4294967295"},
      {Str(u"&H1G"), VT_I4, "mismatch"},
      {Str(u"&O8"), VT_I4, "mismatch"},
      {Str(u"-&H10"), VT_I4, "I4:-16"},
      {Str(u"&H10"), VT_CY, "CY:160000"},
      {Str(u"\u00A01"), VT_I4, "I4:1"},
      {Str(u"1\u00A0"), VT_DECIMAL, "DEC:1"},
      {StrN(std::u16string(u"12\0abc", 6)), VT_I4, "I4:12"},
      {StrN(std::u16string(u"\0" "1", 2)), VT_I4, "mismatch"},
      {Str(u"-0"), VT_R8, "R8:-0"},
      {Str(u"1e3"), VT_CY, "CY:10000000"},
      {Str(u"1e-1000"), VT_BOOL, "BOOL:0"},  // read as a double
      {Str(u"1e1000"), VT_BOOL, "overflow"},
      {Str(u"#TRUE#"), VT_BOOL, "BOOL:-1"},
      {Str(u"12abc"), VT_R8, "mismatch"},
  });
}

// Expected values: oleaut32's answers (scripts/ole-differential under
// Wine). A boolean is its 16-bit integer, except as a decimal (1 or 0).
TEST(VariantChangeType, BooleansConvertAsTheirInteger) {
  Check({
      {BoolOf(VARIANT_TRUE), VT_DECIMAL, "DEC:1"},
      {BoolOf(2), VT_DECIMAL, "DEC:1"},
      {BoolOf(2), VT_I4, "I4:2"},
      {BoolOf(-2), VT_UI1, "UI1:254"},
      {BoolOf(255), VT_I1, "I1:-1"},
      {BoolOf(2), VT_CY, "CY:20000"},
      {BoolOf(1), VT_BSTR, "BSTR:1"},
      {BoolOf(2), VT_BSTR, "BSTR:2"},
      {BoolOf(VARIANT_TRUE), VT_BSTR, "BSTR:-1"},
  });
  EXPECT_EQ(Change(BoolOf(2), VT_BSTR, VARIANT_ALPHABOOL), "BSTR:True");
  EXPECT_EQ(Change(BoolOf(1), VT_BSTR, VARIANT_ALPHABOOL), "BSTR:True");
}

// Expected values: oleaut32's answers (scripts/ole-differential under
// Wine). Text rounds halves away from zero as OLE's formatter does.
TEST(VariantChangeType, InfinitiesNanAndTextHalves) {
  Check({
      {R8(INFINITY), VT_R4, "overflow"},
      {R8(-INFINITY), VT_R4, "overflow"},
      {R8(3.5e38), VT_R4, "overflow"},
      {R8(1e-46), VT_R4, "R4:0"},
      {R8(INFINITY), VT_BSTR, "BSTR:INF"},
      {R8(-INFINITY), VT_BSTR, "BSTR:-INF"},
      {R8(NAN), VT_BSTR, "BSTR:NAN"},
      {R4(INFINITY), VT_BSTR, "BSTR:INF"},
      {R8(INFINITY), VT_BOOL, "BOOL:-1"},
      {R8(INFINITY), VT_DECIMAL, "overflow"},
      {R4(855027.25f), VT_BSTR, "BSTR:855027.3"},
      {R4(-855027.25f), VT_BSTR, "BSTR:-855027.3"},
  });
}

TEST(VariantChangeType, EmptyNullAndUnsupportedKinds) {
  Var array;
  array.v.vt = VT_ARRAY | VT_UI1;
  array.v.parray = SafeArrayCreateVector(VT_UI1, 0, 2);
  Check({
      {Empty(), VT_R8, "R8:0"},
      {Empty(), VT_BOOL, "BOOL:0"},
      {Null(), VT_I4, "mismatch"},
      {Null(), VT_BSTR, "mismatch"},
      {Null(), VT_EMPTY, "mismatch"},
      {Null(), VT_NULL, "NULL"},
      {I4(3), VT_NULL, "NULL"},
      {Str(u"x"), VT_EMPTY, "EMPTY"},
      {I4(3), VT_ERROR, "mismatch"},
      {I4(3), VT_UI8, "mismatch"},
      {I4(3), VT_ARRAY | VT_I4, "mismatch"},
      {array, VT_I4, "mismatch"},
      {array, VT_BSTR, "mismatch"},
      {I4(3), 0x0FFF, "badvartype"},
  });
  // An array converts to its own kind by a deep copy.
  Var copy;
  ASSERT_EQ(VariantChangeType(&copy.v, &array.v, 0, VT_ARRAY | VT_UI1), S_OK);
  EXPECT_NE(copy.v.parray, array.v.parray);
  Var bad = Dec(1, 29);
  EXPECT_EQ(VariantChangeType(&copy.v, &bad.v, 0, VT_I4), E_INVALIDARG);
  EXPECT_EQ(VariantChangeType(nullptr, &bad.v, 0, VT_I4), E_INVALIDARG);
}

TEST(VariantChangeType, InPlaceConversion) {
  Var v = Str(u"  -17 ");
  ASSERT_EQ(VariantChangeType(&v.v, &v.v, 0, VT_I4), S_OK);  // frees the text
  EXPECT_EQ(Describe(S_OK, v.v), "I4:-17");
  ASSERT_EQ(VariantChangeType(&v.v, &v.v, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Describe(S_OK, v.v), "BSTR:-17");
  ASSERT_EQ(VariantChangeType(&v.v, &v.v, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Describe(S_OK, v.v), "BSTR:-17");
}

TEST(VariantChangeType, FailureLeavesTheDestinationAlone) {
  Var src = Str(u"not a number");
  Var dst = Str(u"kept");
  EXPECT_EQ(VariantChangeType(&dst.v, &src.v, 0, VT_R8), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Describe(S_OK, dst.v), "BSTR:kept");
  EXPECT_EQ(VariantChangeType(&src.v, &src.v, 0, VT_R8), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Describe(S_OK, src.v), "BSTR:not a number");
}

TEST(VariantChangeType, MarkedTextKeepsItsMarkWhenCopiedToItsOwnKind) {
  Var src = Ansi("caf\xC3\xA9");
  Var dst;
  ASSERT_EQ(VariantChangeType(&dst.v, &src.v, 0, VT_BSTR), S_OK);
  EXPECT_TRUE(AfxIsAnsiBstr(dst.v.bstrVal));
  EXPECT_EQ(SysStringByteLen(dst.v.bstrVal), 5u);
}

TEST(VariantChangeType, ReadsThroughReferences) {
  double x = 2.5;
  Var ref;
  ref.v.vt = VT_R8 | VT_BYREF;
  ref.v.pdblVal = &x;
  EXPECT_EQ(Change(ref, VT_I4), "I4:2");
  BSTR text = SysAllocString(u"9");
  ref.v.vt = VT_BSTR | VT_BYREF;
  ref.v.pbstrVal = &text;
  EXPECT_EQ(Change(ref, VT_UI1), "UI1:9");
  EXPECT_EQ(Change(ref, VT_BSTR), "BSTR:9");
  SysFreeString(text);
  ref.v.vt = VT_I4 | VT_BYREF;
  ref.v.plVal = nullptr;
  EXPECT_EQ(Change(ref, VT_R8), "mismatch");
  ref.v.vt = VT_EMPTY;
}
