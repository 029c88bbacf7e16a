/*
** VariantInit, VariantClear and VariantCopy. This subset holds no COM
** objects or records, so VT_DISPATCH, VT_UNKNOWN and VT_RECORD values are
** refused with DISP_E_BADVARTYPE; by-reference values are never owned.
*/
#include "BstrInternal.h"
#include "oleauto.h"

namespace {

bool IsScalarKind(VARTYPE base) {
  switch (base) {
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_ERROR:
    case VT_BOOL:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
      return true;
    default:
      return false;
  }
}

// Whether a variant of this kind may exist in this subset.
bool IsValidKind(VARTYPE vt) {
  if (vt == VT_EMPTY || vt == VT_NULL) return true;
  const VARTYPE base = vt & VT_TYPEMASK;
  const VARTYPE flags = vt & ~VT_TYPEMASK;
  if (flags != 0 && flags != VT_ARRAY && flags != VT_BYREF &&
      flags != (VT_ARRAY | VT_BYREF))
    return false;
  if (flags == 0) return IsScalarKind(base);
  // Variants occur only inside arrays or behind a reference.
  return IsScalarKind(base) || base == VT_VARIANT;
}

}  // namespace

void VariantInit(VARIANTARG *pvarg) {
  if (pvarg == nullptr) return;
  pvarg->vt = VT_EMPTY;
  pvarg->wReserved1 = 0;
  pvarg->wReserved2 = 0;
  pvarg->wReserved3 = 0;
}

HRESULT VariantClear(VARIANTARG *pvarg) {
  if (pvarg == nullptr) return E_INVALIDARG;
  const VARTYPE vt = pvarg->vt;
  if (!IsValidKind(vt)) return DISP_E_BADVARTYPE;
  if (vt == VT_BSTR) {
    SysFreeString(pvarg->bstrVal);
  } else if ((vt & (VT_ARRAY | VT_BYREF)) == VT_ARRAY) {
    const HRESULT hr = SafeArrayDestroy(pvarg->parray);  // null: nothing
    if (FAILED(hr)) return hr;
  }
  VariantInit(pvarg);
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG *pvargDest, const VARIANTARG *pvargSrc) {
  if (pvargDest == nullptr || pvargSrc == nullptr) return E_INVALIDARG;
  if (pvargDest == pvargSrc) return S_OK;
  const VARTYPE vt = pvargSrc->vt;
  if (!IsValidKind(vt)) return DISP_E_BADVARTYPE;

  // Build the copy first, so that a failure leaves the destination as it
  // was and a source living inside the destination stays readable.
  VARIANT copy = *pvargSrc;
  if (vt == VT_BSTR) {
    const HRESULT hr = kestrel::BstrDuplicate(pvargSrc->bstrVal, &copy.bstrVal);
    if (FAILED(hr)) return hr;
  } else if ((vt & (VT_ARRAY | VT_BYREF)) == VT_ARRAY) {
    const HRESULT hr = SafeArrayCopy(pvargSrc->parray, &copy.parray);
    if (FAILED(hr)) return hr;
  }
  const HRESULT hr = VariantClear(pvargDest);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *pvargDest = copy;
  return S_OK;
}
