// VariantInit, VariantClear and VariantCopy: ownership, deep copies, marks
// kept by copies, self-copy and null arrays.
#include <string.h>

#include <gtest/gtest.h>

#include "oleauto.h"

namespace {

VARIANT Text(const char16_t *text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(text);
  return v;
}

}  // namespace

TEST(Variant, InitAndClear) {
  VARIANT v;
  memset(&v, 0xAB, sizeof v);
  VariantInit(&v);
  EXPECT_EQ(v.vt, VT_EMPTY);

  v = Text(u"owned");
  EXPECT_EQ(VariantClear(&v), S_OK);  // frees the string (ASan checks)
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(v.vt, VT_EMPTY);

  v.vt = VT_ARRAY | VT_UI1;
  v.parray = nullptr;
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(Variant, SizeMatchesTheWindowsLayout) {
  EXPECT_EQ(sizeof(VARIANT), sizeof(void *) == 8 ? 24u : 16u);
  EXPECT_EQ(sizeof(DECIMAL), 16u);
}

TEST(Variant, CopyIsDeep) {
  VARIANT src = Text(u"deep");
  VARIANT dst;
  VariantInit(&dst);
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
  EXPECT_EQ(dst.vt, VT_BSTR);
  EXPECT_NE(dst.bstrVal, src.bstrVal);
  EXPECT_EQ(std::u16string(dst.bstrVal), u"deep");
  VariantClear(&src);
  EXPECT_EQ(std::u16string(dst.bstrVal), u"deep");

  // Copying over a value frees that value first.
  VARIANT other = Text(u"replaced");
  ASSERT_EQ(VariantCopy(&dst, &other), S_OK);
  EXPECT_EQ(std::u16string(dst.bstrVal), u"replaced");
  VariantClear(&dst);
  VariantClear(&other);
}

TEST(Variant, CopyKeepsTheSingleByteMark) {
  VARIANT src;
  VariantInit(&src);
  src.vt = VT_BSTR;
  src.bstrVal = AfxAllocAnsiBstr("abc", 3);
  VARIANT dst;
  VariantInit(&dst);
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
  EXPECT_TRUE(AfxIsAnsiBstr(dst.bstrVal));
  EXPECT_EQ(SysStringByteLen(dst.bstrVal), 3u);
  VariantClear(&dst);
  VariantClear(&src);
}

TEST(Variant, SelfCopyIsANoOp) {
  VARIANT v = Text(u"self");
  BSTR before = v.bstrVal;
  EXPECT_EQ(VariantCopy(&v, &v), S_OK);
  EXPECT_EQ(v.bstrVal, before);
  EXPECT_EQ(std::u16string(v.bstrVal), u"self");
  VariantClear(&v);
}

TEST(Variant, CopiesScalarsAndDecimals) {
  VARIANT src;
  VariantInit(&src);
  src.decVal.Lo64 = 12345;
  src.decVal.Hi32 = 7;
  src.decVal.scale = 2;
  src.decVal.sign = DECIMAL_NEG;
  src.vt = VT_DECIMAL;
  VARIANT dst;
  VariantInit(&dst);
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
  EXPECT_EQ(dst.vt, VT_DECIMAL);
  EXPECT_EQ(dst.decVal.Lo64, 12345u);
  EXPECT_EQ(dst.decVal.Hi32, 7u);
  EXPECT_EQ(dst.decVal.scale, 2);
  EXPECT_EQ(dst.decVal.sign, DECIMAL_NEG);
}

TEST(Variant, ArrayWithNullDescriptorCopiesAsNull) {
  VARIANT src;
  VariantInit(&src);
  src.vt = VT_ARRAY | VT_UI1;
  src.parray = nullptr;
  VARIANT dst = Text(u"old");
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
  EXPECT_EQ(dst.vt, VT_ARRAY | VT_UI1);
  EXPECT_EQ(dst.parray, nullptr);
  EXPECT_EQ(VariantClear(&dst), S_OK);
}

TEST(Variant, ArrayCopyIsDeepAndKeepsMarks) {
  SAFEARRAYBOUND bound{2, 0};
  SAFEARRAY *sa = SafeArrayCreate(VT_VARIANT, 1, &bound);
  ASSERT_NE(sa, nullptr);
  VARIANT item;
  VariantInit(&item);
  item.vt = VT_BSTR;
  item.bstrVal = AfxAllocAnsiBstr("x", 1);
  LONG index = 1;
  ASSERT_EQ(SafeArrayPutElement(sa, &index, &item), S_OK);
  VariantClear(&item);

  VARIANT src;
  VariantInit(&src);
  src.vt = VT_ARRAY | VT_VARIANT;
  src.parray = sa;
  VARIANT dst;
  VariantInit(&dst);
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
  ASSERT_NE(dst.parray, sa);
  VariantClear(&src);  // the copy must not share anything with it

  VARIANT got;
  ASSERT_EQ(SafeArrayGetElement(dst.parray, &index, &got), S_OK);
  EXPECT_EQ(got.vt, VT_BSTR);
  EXPECT_TRUE(AfxIsAnsiBstr(got.bstrVal));
  VariantClear(&got);
  VariantClear(&dst);
}

TEST(Variant, LockedArrayIsNotCleared) {
  SAFEARRAYBOUND bound{1, 0};
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ARRAY | VT_I4;
  v.parray = SafeArrayCreate(VT_I4, 1, &bound);
  void *data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(v.parray, &data), S_OK);
  EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(v.vt, VT_ARRAY | VT_I4);
  SafeArrayUnaccessData(v.parray);
  EXPECT_EQ(VariantClear(&v), S_OK);
}

TEST(Variant, UnknownKindsAreRefused) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_UNKNOWN;
  v.punkVal = nullptr;
  EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
  VARIANT dst;
  VariantInit(&dst);
  EXPECT_EQ(VariantCopy(&dst, &v), DISP_E_BADVARTYPE);
  EXPECT_EQ(dst.vt, VT_EMPTY);
}
