// Safe arrays: creation limits, bounds and indexing, owned BSTR and
// VARIANT elements, locking and copying.
#include <string.h>

#include <gtest/gtest.h>

#include "oleauto.h"

namespace {

// Destroys the array when the test ends, whatever happens.
struct ArrayGuard {
  SAFEARRAY *psa;
  ~ArrayGuard() { SafeArrayDestroy(psa); }
};

}  // namespace

TEST(SafeArray, CreatesZeroFilledArraysOfEachKind) {
  struct Case {
    VARTYPE vt;
    UINT size;
  } cases[] = {
      {VT_UI1, 1}, {VT_I2, 2}, {VT_I4, 4},  {VT_R4, 4},
      {VT_R8, 8},  {VT_BSTR, sizeof(BSTR)}, {VT_VARIANT, sizeof(VARIANT)},
      {VT_DECIMAL, 16}, {VT_CY, 8}, {VT_BOOL, 2},
  };
  for (const Case &c : cases) {
    SAFEARRAYBOUND bound{3, -1};
    ArrayGuard a{SafeArrayCreate(c.vt, 1, &bound)};
    ASSERT_NE(a.psa, nullptr) << c.vt;
    EXPECT_EQ(SafeArrayGetElemsize(a.psa), c.size);
    EXPECT_EQ(SafeArrayGetDim(a.psa), 1u);
    VARTYPE vt = 0;
    EXPECT_EQ(SafeArrayGetVartype(a.psa, &vt), S_OK);
    EXPECT_EQ(vt, c.vt);
    LONG lo = 0, hi = 0;
    EXPECT_EQ(SafeArrayGetLBound(a.psa, 1, &lo), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(a.psa, 1, &hi), S_OK);
    EXPECT_EQ(lo, -1);
    EXPECT_EQ(hi, 1);
    const auto *bytes = static_cast<const unsigned char *>(a.psa->pvData);
    for (UINT i = 0; i < 3 * c.size; ++i) ASSERT_EQ(bytes[i], 0) << c.vt;
  }
}

TEST(SafeArray, RefusedCreationsGiveNull) {
  SAFEARRAYBOUND huge{0xFFFFFFFFu, 0};
  EXPECT_EQ(SafeArrayCreate(VT_VARIANT, 1, &huge), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_UI1, 1, &huge), nullptr);
  // 2^16 * 2^16 elements: the count itself overflows 32 bits.
  SAFEARRAYBOUND square[2] = {{0x10000, 0}, {0x10000, 0}};
  EXPECT_EQ(SafeArrayCreate(VT_UI1, 2, square), nullptr);
  SAFEARRAYBOUND many[4] = {{0xFFFF, 0}, {0xFFFF, 0}, {0xFFFF, 0}, {0xFFFF, 0}};
  EXPECT_EQ(SafeArrayCreate(VT_R8, 4, many), nullptr);
  SAFEARRAYBOUND one{1, 0};
  EXPECT_EQ(SafeArrayCreate(VT_EMPTY, 1, &one), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_UNKNOWN, 1, &one), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &one), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_I4, 1, nullptr), nullptr);
}

TEST(SafeArray, MultiDimensionalIndexingAndBounds) {
  // Dimension 1: indices 1..2; dimension 2: indices -1..1.
  SAFEARRAYBOUND bounds[2] = {{2, 1}, {3, -1}};
  ArrayGuard a{SafeArrayCreate(VT_I4, 2, bounds)};
  ASSERT_NE(a.psa, nullptr);
  EXPECT_EQ(SafeArrayGetDim(a.psa), 2u);
  LONG lo = 0, hi = 0;
  SafeArrayGetLBound(a.psa, 2, &lo);
  SafeArrayGetUBound(a.psa, 2, &hi);
  EXPECT_EQ(lo, -1);
  EXPECT_EQ(hi, 1);
  EXPECT_EQ(SafeArrayGetLBound(a.psa, 0, &lo), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetUBound(a.psa, 3, &hi), DISP_E_BADINDEX);

  for (LONG j = -1; j <= 1; ++j) {
    for (LONG i = 1; i <= 2; ++i) {
      LONG index[2] = {i, j};
      LONG value = i * 10 + j;
      ASSERT_EQ(SafeArrayPutElement(a.psa, index, &value), S_OK);
    }
  }
  // The first index varies fastest in memory.
  LONG *data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(a.psa, reinterpret_cast<void **>(&data)), S_OK);
  const LONG expected[] = {9, 19, 10, 20, 11, 21};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(data[k], expected[k]);
  SafeArrayUnaccessData(a.psa);

  LONG out = 0;
  LONG index[2] = {2, 0};
  EXPECT_EQ(SafeArrayGetElement(a.psa, index, &out), S_OK);
  EXPECT_EQ(out, 20);
  const LONG bad[][2] = {{0, 0}, {3, 0}, {1, -2}, {1, 2}};
  for (const auto &b : bad) {
    LONG at[2] = {b[0], b[1]};
    EXPECT_EQ(SafeArrayGetElement(a.psa, at, &out), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayPutElement(a.psa, at, &out), DISP_E_BADINDEX);
  }
}

TEST(SafeArray, NullArgumentsAreRefused) {
  SAFEARRAYBOUND one{1, 0};
  ArrayGuard a{SafeArrayCreate(VT_I4, 1, &one)};
  LONG index = 0, value = 0;
  void *data;
  EXPECT_EQ(SafeArrayPutElement(nullptr, &index, &value), E_INVALIDARG);
  EXPECT_EQ(SafeArrayPutElement(a.psa, nullptr, &value), E_INVALIDARG);
  EXPECT_EQ(SafeArrayPutElement(a.psa, &index, nullptr), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetElement(a.psa, &index, nullptr), E_INVALIDARG);
  EXPECT_EQ(SafeArrayAccessData(nullptr, &data), E_INVALIDARG);
  EXPECT_EQ(SafeArrayUnaccessData(nullptr), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &value), E_INVALIDARG);
  EXPECT_EQ(SafeArrayCopy(a.psa, nullptr), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
  EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);  // as OLE: nothing to free
  SAFEARRAY *copy = a.psa;
  EXPECT_EQ(SafeArrayCopy(nullptr, &copy), S_OK);
  EXPECT_EQ(copy, nullptr);
}

TEST(SafeArray, BstrElementsAreCopiedInAndOut) {
  SAFEARRAYBOUND two{2, 0};
  ArrayGuard a{SafeArrayCreate(VT_BSTR, 1, &two)};
  BSTR mine = SysAllocString(u"first");
  LONG index = 0;
  ASSERT_EQ(SafeArrayPutElement(a.psa, &index, mine), S_OK);
  SysFreeString(mine);  // the array holds its own copy
  BSTR other = SysAllocString(u"second");
  ASSERT_EQ(SafeArrayPutElement(a.psa, &index, other), S_OK);  // frees old
  SysFreeString(other);

  BSTR got = nullptr;
  ASSERT_EQ(SafeArrayGetElement(a.psa, &index, &got), S_OK);
  EXPECT_EQ(std::u16string(got), u"second");
  SysFreeString(got);

  index = 1;  // never set: a null BSTR
  got = SysAllocString(u"x");
  BSTR before = got;
  ASSERT_EQ(SafeArrayGetElement(a.psa, &index, &got), S_OK);
  EXPECT_EQ(got, nullptr);
  SysFreeString(before);
  EXPECT_EQ(SafeArrayPutElement(a.psa, &index, nullptr), S_OK);
}

TEST(SafeArray, LockingAndDestroy) {
  SAFEARRAYBOUND one{1, 0};
  SAFEARRAY *psa = SafeArrayCreate(VT_UI1, 1, &one);
  void *data = nullptr;
  EXPECT_EQ(SafeArrayUnaccessData(psa), E_UNEXPECTED);
  ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
  ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
  EXPECT_EQ(data, psa->pvData);
  EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
  SafeArrayUnaccessData(psa);
  EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
  SafeArrayUnaccessData(psa);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, CopyIsDeep) {
  SAFEARRAYBOUND bounds[2] = {{2, 5}, {1, 0}};
  ArrayGuard a{SafeArrayCreate(VT_VARIANT, 2, bounds)};
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(u"shared?");
  LONG index[2] = {6, 0};
  ASSERT_EQ(SafeArrayPutElement(a.psa, index, &text), S_OK);
  VariantClear(&text);

  SAFEARRAY *copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(a.psa, &copy), S_OK);
  ArrayGuard c{copy};
  LONG lo = 0;
  SafeArrayGetLBound(copy, 1, &lo);
  EXPECT_EQ(lo, 5);
  VARIANT *original = static_cast<VARIANT *>(a.psa->pvData);
  VARIANT *copied = static_cast<VARIANT *>(copy->pvData);
  EXPECT_EQ(copied[1].vt, VT_BSTR);
  EXPECT_NE(copied[1].bstrVal, original[1].bstrVal);
  EXPECT_EQ(std::u16string(copied[1].bstrVal), u"shared?");
  EXPECT_EQ(copied[0].vt, VT_EMPTY);
}

TEST(SafeArray, EmptyDimension) {
  ArrayGuard a{SafeArrayCreateVector(VT_UI1, 0, 0)};
  ASSERT_NE(a.psa, nullptr);
  LONG hi = 0;
  EXPECT_EQ(SafeArrayGetUBound(a.psa, 1, &hi), S_OK);
  EXPECT_EQ(hi, -1);
  LONG index = 0;
  BYTE b = 0;
  EXPECT_EQ(SafeArrayGetElement(a.psa, &index, &b), DISP_E_BADINDEX);
  SAFEARRAY *copy = nullptr;
  EXPECT_EQ(SafeArrayCopy(a.psa, &copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
}
