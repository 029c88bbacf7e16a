// COleVariant: the kinds each constructor and assignment gives, text with
// and without the single-byte mark, deep copies, ownership hand-over,
// conversion failures and equality by kind and value.
#include <limits.h>
#include <string.h>

#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "CByteArray.h"
#include "CLongBinary.h"
#include "COleCurrency.h"
#include "COleDateTime.h"
#include "COleVariant.h"

namespace {

std::u16string Wide(const VARIANT &v) {
  return std::u16string(v.bstrVal, SysStringLen(v.bstrVal));
}

std::string Bytes(const VARIANT &v) {
  return std::string(reinterpret_cast<const char *>(v.bstrVal),
                     SysStringByteLen(v.bstrVal));
}

COleVariant ByteArray(const std::string &bytes) {
  CByteArray a;
  for (char c : bytes) a.Add(static_cast<BYTE>(c));
  return COleVariant(a);
}

COleVariant Decimal(ULONGLONG lo, BYTE scale, bool negative) {
  COleVariant v;
  v.decVal.Lo64 = lo;
  v.decVal.Hi32 = 0;
  v.decVal.scale = scale;
  v.decVal.sign = negative ? DECIMAL_NEG : 0;
  v.vt = VT_DECIMAL;
  return v;
}

COleVariant Null() {
  COleVariant v;
  v.vt = VT_NULL;
  return v;
}

// Runs f and answers the SCODE of the COleException it throws (S_OK when
// it throws none).
template <typename F>
SCODE OleErrorOf(F f) {
  try {
    f();
  } catch (COleException *e) {
    const SCODE sc = e->m_sc;
    e->Delete();
    return sc;
  }
  return S_OK;
}

}  // namespace

TEST(OleVariant, EachSourceGivesItsKind) {
  const struct {
    COleVariant built;
    VARTYPE vt;
    LONGLONG bits;  // the value's leading bytes, zero-extended
  } cases[] = {
      {COleVariant(), VT_EMPTY, 0},
      {COleVariant(static_cast<short>(-7)), VT_I2, 0xFFF9},
      {COleVariant(static_cast<short>(3), VT_BOOL), VT_BOOL, 0xFFFF},
      {COleVariant(123456), VT_I4, 123456},
      {COleVariant(5, VT_ERROR), VT_ERROR, 5},
      {COleVariant(1.5f), VT_R4, 0x3FC00000},
      {COleVariant(2.0), VT_R8, 0x4000000000000000},
      {COleVariant(static_cast<BYTE>(200)), VT_UI1, 200},
      {COleVariant(COleDateTime(2.0)), VT_DATE, 0x4000000000000000},
      {COleVariant(COleCurrency(1, 5000)), VT_CY, 15000},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.vt);
    EXPECT_EQ(c.built.vt, c.vt);
    LONGLONG bits = 0;
    const size_t width = c.vt == VT_R8 || c.vt == VT_DATE || c.vt == VT_CY
                             ? 8
                             : c.vt == VT_I2 || c.vt == VT_BOOL ? 2
                             : c.vt == VT_UI1                   ? 1
                                                                : 4;
    memcpy(&bits, &c.built.llVal, c.vt == VT_EMPTY ? 0 : width);
    EXPECT_EQ(bits, c.bits);
  }

  // Each assignment replaces the kind (and frees a text value).
  COleVariant v(CString("text"));
  v = static_cast<short>(1);
  EXPECT_EQ(v.vt, VT_I2);
  v = 2;
  EXPECT_EQ(v.vt, VT_I4);
  v = 2.5f;
  EXPECT_EQ(v.vt, VT_R4);
  v = 2.5;
  EXPECT_EQ(v.vt, VT_R8);
  v = static_cast<BYTE>(9);
  EXPECT_EQ(v.vt, VT_UI1);
  v = COleDateTime(3.0);
  EXPECT_EQ(v.vt, VT_DATE);
  v = COleCurrency(2, 0);
  EXPECT_EQ(v.vt, VT_CY);
  v = "back to text";
  EXPECT_EQ(Wide(v), u"back to text");
}

TEST(OleVariant, LongKeepsItsLow32Bits) {
  const struct {
    long value;
    LONG stored;
  } cases[] = {{5L, 5},
               {-1L, -1},
               {0x100000005L, 5},
               {0x80000000L, INT_MIN},
               {0xFFFFFFFFL, -1},
               {-0x100000001L, -1}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.value);
    const COleVariant built(c.value);
    EXPECT_EQ(built.vt, VT_I4);
    EXPECT_EQ(built.lVal, c.stored);
    COleVariant assigned;
    assigned = c.value;
    EXPECT_EQ(assigned.vt, VT_I4);
    EXPECT_EQ(assigned.lVal, c.stored);
  }
}

TEST(OleVariant, TextWidensOrKeepsItsBytes) {
  const char *utf8 = "h\xC3\xA9llo \xE2\x82\xAC";  // "héllo €"
  const COleVariant wide(utf8);
  EXPECT_EQ(wide.vt, VT_BSTR);
  EXPECT_FALSE(AfxIsAnsiBstr(wide.bstrVal));
  EXPECT_EQ(Wide(wide), u"h\u00e9llo \u20ac");

  const COleVariant ansi(utf8, VT_BSTRT);
  EXPECT_EQ(ansi.vt, VT_BSTR);
  EXPECT_TRUE(AfxIsAnsiBstr(ansi.bstrVal));
  EXPECT_EQ(Bytes(ansi), utf8);

  for (VARTYPE kind : {static_cast<VARTYPE>(VT_BSTR), VT_BSTRT}) {
    const COleVariant empty("", kind);
    EXPECT_EQ(empty.vt, VT_BSTR);
    ASSERT_NE(empty.bstrVal, nullptr);
    EXPECT_EQ(SysStringByteLen(empty.bstrVal), 0u);
    const COleVariant none(static_cast<LPCTSTR>(nullptr), kind);
    ASSERT_NE(none.bstrVal, nullptr);
    EXPECT_EQ(SysStringByteLen(none.bstrVal), 0u);
  }

  COleVariant set(3);
  set.SetString("abc", VT_BSTRT);
  EXPECT_TRUE(AfxIsAnsiBstr(set.bstrVal));
  EXPECT_EQ(SysStringByteLen(set.bstrVal), 3u);
  set.SetString("abc", VT_BSTR);
  EXPECT_FALSE(AfxIsAnsiBstr(set.bstrVal));
  EXPECT_EQ(Wide(set), u"abc");
}

TEST(OleVariant, CopiesAreDeepAndKeepTheMark) {
  COleVariant original("mark me", VT_BSTRT);
  COleVariant copy(original);
  EXPECT_NE(copy.bstrVal, original.bstrVal);
  EXPECT_TRUE(AfxIsAnsiBstr(copy.bstrVal));
  original.Clear();
  EXPECT_EQ(Bytes(copy), "mark me");

  COleVariant bytes = ByteArray(std::string("\x01\x02\x03", 3));
  COleVariant assigned;
  assigned = bytes;
  ASSERT_EQ(assigned.vt, VT_ARRAY | VT_UI1);
  EXPECT_NE(assigned.parray, bytes.parray);
  static_cast<BYTE *>(bytes.parray->pvData)[0] = 0x7F;
  EXPECT_EQ(static_cast<BYTE *>(assigned.parray->pvData)[0], 0x01);

  // Copies from a plain VARIANT and through a pointer; null gives empty.
  const VARIANT &plain = copy;
  EXPECT_TRUE(COleVariant(plain) == copy);
  EXPECT_TRUE(COleVariant(&plain) == copy);
  EXPECT_EQ(COleVariant(static_cast<LPCVARIANT>(nullptr)).vt, VT_EMPTY);
}

TEST(OleVariant, SelfAssignmentAndMovesKeepTheValue) {
  COleVariant v("same");
  COleVariant &alias = v;
  v = alias;
  EXPECT_EQ(Wide(v), u"same");
  v = static_cast<const VARIANT &>(alias);
  EXPECT_EQ(Wide(v), u"same");

  COleVariant moved(std::move(v));
  EXPECT_EQ(v.vt, VT_EMPTY);  // NOLINT: a moved-from variant is empty
  EXPECT_EQ(Wide(moved), u"same");
  COleVariant target(1);
  target = std::move(moved);
  EXPECT_EQ(Wide(target), u"same");
  EXPECT_EQ(moved.vt, VT_EMPTY);  // NOLINT
}

TEST(OleVariant, AttachAndDetachHandOverOwnership) {
  VARIANT raw;
  VariantInit(&raw);
  raw.vt = VT_BSTR;
  raw.bstrVal = SysAllocString(u"owned");

  COleVariant v(5);
  v.Attach(raw);
  EXPECT_EQ(raw.vt, VT_EMPTY);
  EXPECT_EQ(Wide(v), u"owned");

  VARIANT out = v.Detach();
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_EQ(out.vt, VT_BSTR);
  EXPECT_EQ(std::u16string(out.bstrVal), u"owned");
  VariantClear(&out);  // the only owner now (ASan checks)

  VARIANT junk;
  memset(&junk, 0xCD, sizeof junk);
  AfxVariantInit(&junk);
  EXPECT_EQ(junk.vt, VT_EMPTY);

  COleVariant viaPointer(7);
  LPVARIANT p = viaPointer;
  EXPECT_EQ(p, static_cast<VARIANT *>(&viaPointer));
  EXPECT_EQ(VariantClear(p), S_OK);
  EXPECT_EQ(viaPointer.vt, VT_EMPTY);
}

TEST(OleVariant, ChangeTypeConvertsOrThrowsAndKeepsTheValue) {
  COleVariant v(42);
  v.ChangeType(VT_BSTR);
  EXPECT_EQ(v.vt, VT_BSTR);
  EXPECT_EQ(Wide(v), u"42");

  COleVariant marked("12", VT_BSTRT);
  marked.ChangeType(VT_I4);
  EXPECT_EQ(marked.vt, VT_I4);
  EXPECT_EQ(marked.lVal, 12);

  COleVariant text("not a number");
  EXPECT_EQ(OleErrorOf([&] { text.ChangeType(VT_I4); }), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(text.vt, VT_BSTR);
  EXPECT_EQ(Wide(text), u"not a number");

  COleVariant big(1e20);
  EXPECT_EQ(OleErrorOf([&] { big.ChangeType(VT_I2); }), DISP_E_OVERFLOW);
  EXPECT_EQ(big.dblVal, 1e20);

  COleVariant result;
  COleVariant source(2.5);
  result.ChangeType(VT_BSTR, &source);
  EXPECT_EQ(Wide(result), u"2.5");
  EXPECT_EQ(source.vt, VT_R8);
}

TEST(OleVariant, ByteArraysAndLongBinariesBecomeSafeArrays) {
  const COleVariant v = ByteArray(std::string("\x00\xFF\x10", 3));
  ASSERT_EQ(v.vt, VT_ARRAY | VT_UI1);
  ASSERT_NE(v.parray, nullptr);
  EXPECT_EQ(SafeArrayGetDim(v.parray), 1u);
  LONG lower = -1;
  SafeArrayGetLBound(v.parray, 1, &lower);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(v.parray->rgsabound[0].cElements, 3u);
  EXPECT_EQ(memcmp(v.parray->pvData, "\x00\xFF\x10", 3), 0);

  const COleVariant empty = ByteArray("");
  ASSERT_NE(empty.parray, nullptr);
  EXPECT_EQ(empty.parray->rgsabound[0].cElements, 0u);

  CLongBinary blob;
  blob.SetData("xyz", 3);
  const COleVariant fromBlob(blob);
  EXPECT_TRUE(fromBlob == ByteArray("xyz"));
}

TEST(OleVariant, EqualityBySameKindAndValue) {
  const char *e_utf8 = "caf\xC3\xA9";
  const struct {
    const char *name;
    COleVariant a, b;
    bool equal;
  } cases[] = {
      {"empty", COleVariant(), COleVariant(), true},
      {"null", Null(), Null(), true},
      {"empty vs null", COleVariant(), Null(), false},
      {"I2 vs I4", COleVariant(static_cast<short>(7)), COleVariant(7), false},
      {"I4", COleVariant(7), COleVariant(7), true},
      {"I4 differs", COleVariant(7), COleVariant(8), false},
      {"R8", COleVariant(0.1 + 0.2), COleVariant(0.1 + 0.2), true},
      {"NaN", COleVariant(std::nan("")), COleVariant(std::nan("")), false},
      {"CY", COleVariant(COleCurrency(1, 1)), COleVariant(COleCurrency(1, 1)),
       true},
      {"DATE", COleVariant(COleDateTime(2.0)), COleVariant(COleDateTime(3.0)),
       false},
      {"wide text", COleVariant("abc"), COleVariant("abc"), true},
      {"wide text differs", COleVariant("abc"), COleVariant("abd"), false},
      {"marked vs wide", COleVariant("abc", VT_BSTRT), COleVariant("abc"),
       true},
      {"marked vs wide, non-ASCII", COleVariant(e_utf8, VT_BSTRT),
       COleVariant(e_utf8), true},
      {"marked vs wide differs", COleVariant("abc", VT_BSTRT),
       COleVariant("abcd"), false},
      {"marked vs marked", COleVariant(e_utf8, VT_BSTRT),
       COleVariant(e_utf8, VT_BSTRT), true},
      {"empty texts", COleVariant("", VT_BSTRT), COleVariant(""), true},
      {"bytes", ByteArray("ab"), ByteArray("ab"), true},
      {"bytes differ", ByteArray("ab"), ByteArray("ac"), false},
      {"bytes lengths", ByteArray("ab"), ByteArray("abc"), false},
      {"decimal scales", Decimal(10, 1, false), Decimal(1, 0, false), true},
      {"decimal 2.5 vs 2.50", Decimal(25, 1, false), Decimal(250, 2, false),
       true},
      {"decimal signs", Decimal(25, 1, true), Decimal(25, 1, false), false},
      {"decimal zeros", Decimal(0, 3, true), Decimal(0, 0, false), true},
      {"decimal differs", Decimal(25, 1, false), Decimal(26, 1, false), false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const COleVariant a(c.a), b(c.b);
    EXPECT_EQ(a == b, c.equal);
    EXPECT_EQ(b == a, c.equal);
    EXPECT_EQ(a != b, !c.equal);
    EXPECT_EQ(a == static_cast<LPCVARIANT>(&b), c.equal);
  }
}

TEST(OleVariant, ArrayWithoutStorageComparesAsEmpty) {
  COleVariant missing;
  missing.vt = VT_ARRAY | VT_UI1;
  missing.parray = nullptr;
  COleVariant alsoMissing(missing);
  EXPECT_TRUE(missing == alsoMissing);
  EXPECT_TRUE(missing == ByteArray(""));
  EXPECT_FALSE(missing == ByteArray("x"));
  EXPECT_FALSE(ByteArray("x") == missing);
}

TEST(OleVariant, TextArraysCompareElementByElement) {
  auto make = [](const char16_t *first, const char16_t *second) {
    SAFEARRAYBOUND bound = {2, 0};
    COleVariant v;
    v.parray = SafeArrayCreate(VT_BSTR, 1, &bound);
    v.vt = VT_ARRAY | VT_BSTR;
    const char16_t *texts[] = {first, second};
    for (LONG i = 0; i < 2; ++i) {
      BSTR text = SysAllocString(texts[i]);
      SafeArrayPutElement(v.parray, &i, text);
      SysFreeString(text);
    }
    return v;
  };
  EXPECT_TRUE(make(u"a", u"b") == make(u"a", u"b"));
  EXPECT_FALSE(make(u"a", u"b") == make(u"a", u"c"));
}
