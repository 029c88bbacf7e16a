/*
** COleVariant: construction, assignment, conversion and equality, on top
** of the OLE Automation functions.
*/
#include "COleVariant.h"

#include <limits.h>
#include <string.h>

#include "AfxException.h"
#include "CByteArray.h"
#include "CLongBinary.h"
#include "COleCurrency.h"
#include "COleDateTime.h"

namespace {

// The framework's check: memory failures as CMemoryException, any other
// failure as COleException.
void CheckError(HRESULT hr) {
  if (SUCCEEDED(hr)) return;
  if (hr == E_OUTOFMEMORY) AfxThrowMemoryException();
  AfxThrowOleException(hr);
}

// Frees a BSTR when it goes out of scope.
struct BstrHolder {
  explicit BstrHolder(BSTR b) : bstr(b) {}
  ~BstrHolder() { SysFreeString(bstr); }
  BstrHolder(const BstrHolder &) = delete;
  BstrHolder &operator=(const BstrHolder &) = delete;
  BSTR bstr;
};

BSTR AllocText(LPCTSTR lpszSrc, VARTYPE vtSrc) {
  const char *text = lpszSrc != nullptr ? lpszSrc : "";
  BSTR result;
  if (vtSrc == VT_BSTRT) {
    const size_t len = strlen(text);
    if (len > UINT_MAX) AfxThrowMemoryException();
    result = AfxAllocAnsiBstr(text, static_cast<UINT>(len));
  } else {
    result = CString(text).AllocSysString();
  }
  if (result == nullptr) AfxThrowMemoryException();
  return result;
}

LONG Low32(long value) {
  // Modular: the low 32 bits, read as a signed 32-bit number.
  return static_cast<LONG>(static_cast<uint32_t>(value));
}

bool SameBytes(const void *a, const void *b, size_t n) {
  return n == 0 || memcmp(a, b, n) == 0;
}

// Text by content; single-byte text is widened from UTF-8 before it is
// compared with UTF-16 text.
bool TextEqual(BSTR a, BSTR b) {
  const bool ansiA = a != nullptr && AfxIsAnsiBstr(a);
  const bool ansiB = b != nullptr && AfxIsAnsiBstr(b);
  if (ansiA != ansiB) {
    const BSTR ansi = ansiA ? a : b;
    const BstrHolder wide(
        CString(reinterpret_cast<const char *>(ansi),
                static_cast<int>(SysStringByteLen(ansi)))
            .AllocSysString());
    if (wide.bstr == nullptr) AfxThrowMemoryException();
    return TextEqual(wide.bstr, ansiA ? b : a);
  }
  const UINT len = SysStringByteLen(a);
  return len == SysStringByteLen(b) && SameBytes(a, b, len);
}

// A decimal reduced to its shortest scale: equal values compare equal.
struct Decimal {
  uint32_t limb[3];  // most significant first
  int scale;
  bool negative;
};

Decimal Normalise(const DECIMAL &d) {
  Decimal n = {{d.Hi32, d.Mid32, d.Lo32}, d.scale, (d.sign & DECIMAL_NEG) != 0};
  if ((n.limb[0] | n.limb[1] | n.limb[2]) == 0) {
    n.scale = 0;
    n.negative = false;
    return n;
  }
  while (n.scale > 0) {
    uint32_t q[3];
    uint64_t rem = 0;
    for (int i = 0; i < 3; ++i) {
      const uint64_t cur = (rem << 32) | n.limb[i];
      q[i] = static_cast<uint32_t>(cur / 10);
      rem = cur % 10;
    }
    if (rem != 0) break;
    memcpy(n.limb, q, sizeof q);
    --n.scale;
  }
  return n;
}

bool DecimalEqual(const DECIMAL &a, const DECIMAL &b) {
  const Decimal x = Normalise(a), y = Normalise(b);
  return x.scale == y.scale && x.negative == y.negative &&
         memcmp(x.limb, y.limb, sizeof x.limb) == 0;
}

// Elements in all dimensions; false when the count cannot be held.
bool ElementCount(const SAFEARRAY *psa, size_t &count) {
  count = 1;
  for (USHORT i = 0; i < psa->cDims; ++i) {
    const size_t n = psa->rgsabound[i].cElements;
    if (n != 0 && count > SIZE_MAX / n) return false;
    count *= n;
  }
  return true;
}

bool ArraysEqual(const SAFEARRAY *a, const SAFEARRAY *b, VARTYPE base) {
  size_t count = 0;
  if (a == nullptr || b == nullptr) {
    // A missing array holds nothing, as an empty one.
    const SAFEARRAY *other = a != nullptr ? a : b;
    return other == nullptr ||
           (ElementCount(other, count) && count == 0);
  }
  if (a->cDims != b->cDims || a->cbElements != b->cbElements) return false;
  for (USHORT i = 0; i < a->cDims; ++i)
    if (a->rgsabound[i].cElements != b->rgsabound[i].cElements ||
        a->rgsabound[i].lLbound != b->rgsabound[i].lLbound)
      return false;
  if (!ElementCount(a, count)) return false;
  if (count == 0) return true;
  if (a->pvData == nullptr || b->pvData == nullptr)
    return a->pvData == b->pvData;
  switch (base) {
    case VT_BSTR:
      for (size_t i = 0; i < count; ++i)
        if (!TextEqual(static_cast<BSTR *>(a->pvData)[i],
                       static_cast<BSTR *>(b->pvData)[i]))
          return false;
      return true;
    case VT_VARIANT:
      for (size_t i = 0; i < count; ++i)
        if (!COleVariant::IsEqual(static_cast<const VARIANT *>(a->pvData)[i],
                                  static_cast<const VARIANT *>(b->pvData)[i]))
          return false;
      return true;
    default:
      if (count > SIZE_MAX / a->cbElements) return false;
      return SameBytes(a->pvData, b->pvData, count * a->cbElements);
  }
}

}  // namespace

void AfxVariantInit(LPVARIANT pVar) { memset(pVar, 0, sizeof(VARIANT)); }

// --- construction ---

COleVariant::COleVariant() { AfxVariantInit(this); }

COleVariant::COleVariant(const VARIANT &varSrc) {
  AfxVariantInit(this);
  *this = varSrc;
}

COleVariant::COleVariant(LPCVARIANT pSrc) {
  AfxVariantInit(this);
  if (pSrc != nullptr) *this = *pSrc;
}

COleVariant::COleVariant(const COleVariant &varSrc) : tagVARIANT() {
  AfxVariantInit(this);
  *this = static_cast<const VARIANT &>(varSrc);
}

COleVariant::COleVariant(COleVariant &&varSrc) noexcept : tagVARIANT() {
  *static_cast<VARIANT *>(this) = varSrc;
  varSrc.vt = VT_EMPTY;
}

COleVariant::COleVariant(LPCTSTR lpszSrc, VARTYPE vtSrc) {
  AfxVariantInit(this);
  SetString(lpszSrc, vtSrc);
}

COleVariant::COleVariant(const CString &strSrc) {
  AfxVariantInit(this);
  SetString(strSrc, VT_BSTR);
}

COleVariant::COleVariant(BYTE nSrc) {
  AfxVariantInit(this);
  vt = VT_UI1;
  bVal = nSrc;
}

COleVariant::COleVariant(short nSrc, VARTYPE vtSrc) {
  AfxVariantInit(this);
  if (vtSrc == VT_BOOL) {
    vt = VT_BOOL;
    boolVal = nSrc != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  } else {
    vt = VT_I2;
    iVal = nSrc;
  }
}

COleVariant::COleVariant(int nSrc, VARTYPE vtSrc) {
  AfxVariantInit(this);
  if (vtSrc == VT_BOOL) {
    vt = VT_BOOL;
    boolVal = nSrc != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (vtSrc == VT_ERROR) {
    vt = VT_ERROR;
    scode = nSrc;
  } else {
    vt = VT_I4;
    lVal = nSrc;
  }
}

COleVariant::COleVariant(long lSrc, VARTYPE vtSrc)
    : COleVariant(static_cast<int>(Low32(lSrc)), vtSrc) {}

COleVariant::COleVariant(float fltSrc) {
  AfxVariantInit(this);
  vt = VT_R4;
  fltVal = fltSrc;
}

COleVariant::COleVariant(double dblSrc) {
  AfxVariantInit(this);
  vt = VT_R8;
  dblVal = dblSrc;
}

COleVariant::COleVariant(const COleCurrency &curSrc) {
  AfxVariantInit(this);
  vt = VT_CY;
  cyVal = curSrc.m_cur;
}

COleVariant::COleVariant(const COleDateTime &dateSrc) {
  AfxVariantInit(this);
  vt = VT_DATE;
  date = dateSrc.m_dt;
}

COleVariant::COleVariant(const CByteArray &arrSrc) {
  AfxVariantInit(this);
  SetBytes(arrSrc.GetData(), static_cast<size_t>(arrSrc.GetSize()));
}

COleVariant::COleVariant(const CLongBinary &lbSrc) {
  AfxVariantInit(this);
  SetBytes(lbSrc.GetData(), lbSrc.GetSize());
}

COleVariant::~COleVariant() { VariantClear(this); }

// --- assignment ---

COleVariant &COleVariant::operator=(const COleVariant &varSrc) {
  return *this = static_cast<const VARIANT &>(varSrc);
}

COleVariant &COleVariant::operator=(COleVariant &&varSrc) noexcept {
  if (this != &varSrc) {
    VariantClear(this);
    *static_cast<VARIANT *>(this) = varSrc;
    varSrc.vt = VT_EMPTY;
  }
  return *this;
}

COleVariant &COleVariant::operator=(const VARIANT &varSrc) {
  if (&varSrc == static_cast<const VARIANT *>(this)) return *this;
  // Copied aside first, so that a failure leaves this value as it was.
  VARIANT copy;
  AfxVariantInit(&copy);
  const HRESULT hr = VariantCopy(&copy, &varSrc);
  if (FAILED(hr)) {
    VariantClear(&copy);
    CheckError(hr);
  }
  Clear();
  *static_cast<VARIANT *>(this) = copy;
  return *this;
}

COleVariant &COleVariant::operator=(LPCVARIANT pSrc) {
  if (pSrc == nullptr) {
    Clear();
    return *this;
  }
  return *this = *pSrc;
}

COleVariant &COleVariant::operator=(LPCTSTR lpszSrc) {
  SetString(lpszSrc, VT_BSTR);
  return *this;
}

COleVariant &COleVariant::operator=(const CString &strSrc) {
  SetString(strSrc, VT_BSTR);
  return *this;
}

COleVariant &COleVariant::operator=(BYTE nSrc) {
  Clear();
  vt = VT_UI1;
  bVal = nSrc;
  return *this;
}

COleVariant &COleVariant::operator=(short nSrc) {
  Clear();
  vt = VT_I2;
  iVal = nSrc;
  return *this;
}

COleVariant &COleVariant::operator=(int nSrc) {
  Clear();
  vt = VT_I4;
  lVal = nSrc;
  return *this;
}

COleVariant &COleVariant::operator=(long lSrc) {
  return *this = static_cast<int>(Low32(lSrc));
}

COleVariant &COleVariant::operator=(float fltSrc) {
  Clear();
  vt = VT_R4;
  fltVal = fltSrc;
  return *this;
}

COleVariant &COleVariant::operator=(double dblSrc) {
  Clear();
  vt = VT_R8;
  dblVal = dblSrc;
  return *this;
}

COleVariant &COleVariant::operator=(const COleCurrency &curSrc) {
  Clear();
  vt = VT_CY;
  cyVal = curSrc.m_cur;
  return *this;
}

COleVariant &COleVariant::operator=(const COleDateTime &dateSrc) {
  Clear();
  vt = VT_DATE;
  date = dateSrc.m_dt;
  return *this;
}

COleVariant &COleVariant::operator=(const CByteArray &arrSrc) {
  SetBytes(arrSrc.GetData(), static_cast<size_t>(arrSrc.GetSize()));
  return *this;
}

COleVariant &COleVariant::operator=(const CLongBinary &lbSrc) {
  SetBytes(lbSrc.GetData(), lbSrc.GetSize());
  return *this;
}

// --- operations ---

void COleVariant::SetString(LPCTSTR lpszSrc, VARTYPE vtSrc) {
  BSTR text = AllocText(lpszSrc, vtSrc);  // before the old value goes
  Clear();
  vt = VT_BSTR;
  bstrVal = text;
}

void COleVariant::SetBytes(const BYTE *pData, size_t nCount) {
  if (nCount > ULONG_MAX) AfxThrowMemoryException();
  SAFEARRAYBOUND bound;
  bound.cElements = static_cast<ULONG>(nCount);
  bound.lLbound = 0;
  SAFEARRAY *psa = SafeArrayCreate(VT_UI1, 1, &bound);
  if (psa == nullptr) AfxThrowMemoryException();
  if (nCount > 0) {
    void *data = nullptr;
    const HRESULT hr = SafeArrayAccessData(psa, &data);
    if (FAILED(hr)) {
      SafeArrayDestroy(psa);
      CheckError(hr);
    }
    memcpy(data, pData, nCount);
    SafeArrayUnaccessData(psa);
  }
  Clear();
  vt = VT_ARRAY | VT_UI1;
  parray = psa;
}

void COleVariant::Clear() {
  // A kind that OLE cannot clear owns nothing to release.
  if (FAILED(VariantClear(this))) vt = VT_EMPTY;
}

void COleVariant::ChangeType(VARTYPE vartype, LPVARIANT pSrc) {
  if (pSrc == nullptr) pSrc = this;
  if (pSrc == this && vartype == vt) return;
  VARIANT result;
  AfxVariantInit(&result);
  const HRESULT hr = VariantChangeType(&result, pSrc, 0, vartype);
  if (FAILED(hr)) {
    VariantClear(&result);
    CheckError(hr);
  }
  Clear();
  *static_cast<VARIANT *>(this) = result;
}

void COleVariant::Attach(VARIANT &varSrc) {
  if (&varSrc == static_cast<VARIANT *>(this)) return;
  Clear();
  *static_cast<VARIANT *>(this) = varSrc;
  varSrc.vt = VT_EMPTY;
}

VARIANT COleVariant::Detach() {
  const VARIANT result = *this;
  vt = VT_EMPTY;
  return result;
}

COleVariant::operator LPVARIANT() { return this; }
COleVariant::operator LPCVARIANT() const { return this; }

// --- equality ---

bool COleVariant::IsEqual(const VARIANT &a, const VARIANT &b) {
  if (a.vt != b.vt) return false;
  if (a.vt & VT_BYREF) return a.byref == b.byref;
  if (a.vt & VT_ARRAY)
    return ArraysEqual(a.parray, b.parray,
                       static_cast<VARTYPE>(a.vt & VT_TYPEMASK));
  switch (a.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return true;
    case VT_I2:
      return a.iVal == b.iVal;
    case VT_I4:
      return a.lVal == b.lVal;
    case VT_R4:
      return a.fltVal == b.fltVal;
    case VT_R8:
      return a.dblVal == b.dblVal;
    case VT_CY:
      return a.cyVal.int64 == b.cyVal.int64;
    case VT_DATE:
      return a.date == b.date;
    case VT_BSTR:
      return TextEqual(a.bstrVal, b.bstrVal);
    case VT_ERROR:
      return a.scode == b.scode;
    case VT_BOOL:
      return a.boolVal == b.boolVal;
    case VT_DECIMAL:
      return DecimalEqual(a.decVal, b.decVal);
    case VT_I1:
      return a.cVal == b.cVal;
    case VT_UI1:
      return a.bVal == b.bVal;
    case VT_UI2:
      return a.uiVal == b.uiVal;
    case VT_UI4:
      return a.ulVal == b.ulVal;
    case VT_I8:
      return a.llVal == b.llVal;
    case VT_UI8:
      return a.ullVal == b.ullVal;
    case VT_INT:
      return a.intVal == b.intVal;
    case VT_UINT:
      return a.uintVal == b.uintVal;
    case VT_DISPATCH:
      return a.pdispVal == b.pdispVal;
    case VT_UNKNOWN:
      return a.punkVal == b.punkVal;
    default:
      return false;
  }
}

bool COleVariant::operator==(const VARIANT &varSrc) const {
  return IsEqual(*this, varSrc);
}

bool COleVariant::operator==(LPCVARIANT pSrc) const {
  return pSrc != nullptr && IsEqual(*this, *pSrc);
}

bool COleVariant::operator!=(const VARIANT &varSrc) const {
  return !(*this == varSrc);
}

bool COleVariant::operator!=(LPCVARIANT pSrc) const {
  return !(*this == pSrc);
}
