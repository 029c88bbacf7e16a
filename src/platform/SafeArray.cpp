/*
** Safe arrays: a descriptor with one bound per dimension and one
** zero-filled block of elements. As in OLE, the element kind is kept in
** the 32-bit word just before the descriptor (FADF_HAVEVARTYPE), the
** descriptor holds the bounds in reverse order of creation, and the first
** index varies fastest. BSTR and VARIANT elements are owned by the array.
*/
#include <stdlib.h>
#include <string.h>

#include "BstrInternal.h"
#include "oleauto.h"

namespace {

// Room before the descriptor; the kind sits in its last four bytes. Sixteen
// keeps the descriptor as aligned as malloc's block.
constexpr size_t kPrefix = 16;

// An array's data block is kept within what a 32-bit signed byte count can
// address; larger requests are refused rather than attempted.
constexpr uint64_t kMaxDataBytes = 0x7FFFFFFF;

ULONG ElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8:
      return 8;
    case VT_BSTR:
      return sizeof(BSTR);
    case VT_DECIMAL:
      return sizeof(DECIMAL);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;  // no COM objects or records in this subset
  }
}

char *BlockOf(SAFEARRAY *psa) { return reinterpret_cast<char *>(psa) - kPrefix; }

VARTYPE KindOf(SAFEARRAY *psa) {
  uint32_t vt;
  memcpy(&vt, reinterpret_cast<char *>(psa) - sizeof vt, sizeof vt);
  return static_cast<VARTYPE>(vt);
}

uint64_t ElementCount(const SAFEARRAY *psa) {
  uint64_t n = 1;
  for (USHORT d = 0; d < psa->cDims; ++d) n *= psa->rgsabound[d].cElements;
  return n;
}

// Frees what the elements own and zeroes them.
void ReleaseElements(SAFEARRAY *psa) {
  if (psa->pvData == nullptr) return;
  const uint64_t n = ElementCount(psa);
  if (psa->fFeatures & FADF_BSTR) {
    BSTR *items = static_cast<BSTR *>(psa->pvData);
    for (uint64_t i = 0; i < n; ++i) {
      SysFreeString(items[i]);
      items[i] = nullptr;
    }
  } else if (psa->fFeatures & FADF_VARIANT) {
    VARIANT *items = static_cast<VARIANT *>(psa->pvData);
    for (uint64_t i = 0; i < n; ++i) {
      VariantClear(&items[i]);
      VariantInit(&items[i]);
    }
  }
}

void FreeArray(SAFEARRAY *psa) {
  ReleaseElements(psa);
  free(psa->pvData);
  free(BlockOf(psa));
}

// The element at the given indices (first index = first dimension given
// at creation), or null when an index is outside its bounds.
void *CellOf(SAFEARRAY *psa, const LONG *rgIndices) {
  uint64_t cell = 0;
  uint64_t stride = 1;
  for (USHORT d = 0; d < psa->cDims; ++d) {
    const SAFEARRAYBOUND &b = psa->rgsabound[psa->cDims - 1 - d];
    const int64_t offset = static_cast<int64_t>(rgIndices[d]) - b.lLbound;
    if (offset < 0 || static_cast<uint64_t>(offset) >= b.cElements)
      return nullptr;
    cell += static_cast<uint64_t>(offset) * stride;
    stride *= b.cElements;
  }
  return static_cast<char *>(psa->pvData) + cell * psa->cbElements;
}

// Copies one element into dest (whose previous value the caller owns),
// deeply for BSTR and VARIANT kinds.
HRESULT CopyElement(VARTYPE vt, void *dest, const void *src, size_t size) {
  if (vt == VT_BSTR) {
    BSTR copy;
    BSTR from;
    memcpy(&from, src, sizeof from);
    const HRESULT hr = kestrel::BstrDuplicate(from, &copy);
    if (FAILED(hr)) return hr;
    memcpy(dest, &copy, sizeof copy);
    return S_OK;
  }
  if (vt == VT_VARIANT) {
    VARIANT *to = static_cast<VARIANT *>(dest);
    VariantInit(to);
    return VariantCopy(to, static_cast<const VARIANT *>(src));
  }
  memcpy(dest, src, size);
  return S_OK;
}

// Creates an array whose d-th dimension (in creation order) has the bound
// boundAt(d); null when the kind, the dimensions or the size are refused.
template <class BoundAt>
SAFEARRAY *Create(VARTYPE vt, UINT cDims, BoundAt boundAt) {
  const ULONG size = ElementSize(vt);
  if (size == 0 || cDims == 0 || cDims > 0xFFFF) return nullptr;
  uint64_t bytes = size;
  for (UINT d = 0; d < cDims; ++d) {
    bytes *= boundAt(d).cElements;  // at most 2^31 * 2^32: no wrap
    if (bytes > kMaxDataBytes) return nullptr;
  }
  const size_t descriptor =
      sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
  char *block = static_cast<char *>(calloc(1, kPrefix + descriptor));
  if (block == nullptr) return nullptr;
  void *data = nullptr;
  if (bytes > 0) {
    data = calloc(1, static_cast<size_t>(bytes));
    if (data == nullptr) {
      free(block);
      return nullptr;
    }
  }
  const uint32_t kind = vt;
  memcpy(block + kPrefix - sizeof kind, &kind, sizeof kind);
  SAFEARRAY *psa = reinterpret_cast<SAFEARRAY *>(block + kPrefix);
  psa->cDims = static_cast<USHORT>(cDims);
  psa->fFeatures = FADF_HAVEVARTYPE;
  if (vt == VT_BSTR) psa->fFeatures |= FADF_BSTR;
  if (vt == VT_VARIANT) psa->fFeatures |= FADF_VARIANT;
  psa->cbElements = size;
  psa->cLocks = 0;
  psa->pvData = data;
  for (UINT d = 0; d < cDims; ++d) psa->rgsabound[cDims - 1 - d] = boundAt(d);
  return psa;
}

}  // namespace

SAFEARRAY *SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND *rgsabound) {
  if (rgsabound == nullptr) return nullptr;
  return Create(vt, cDims, [rgsabound](UINT d) { return rgsabound[d]; });
}

SAFEARRAY *SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
  SAFEARRAYBOUND bound{cElements, lLbound};
  return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY *psa) {
  if (psa == nullptr) return S_OK;  // as OLE: nothing to free
  if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  FreeArray(psa);
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY *psa, SAFEARRAY **ppsaOut) {
  if (ppsaOut == nullptr) return E_INVALIDARG;
  *ppsaOut = nullptr;
  if (psa == nullptr) return S_OK;  // as OLE: a null array copies as null
  const VARTYPE vt = KindOf(psa);
  SAFEARRAY *copy = Create(vt, psa->cDims, [psa](UINT d) {
    return psa->rgsabound[psa->cDims - 1 - d];
  });
  if (copy == nullptr) return E_OUTOFMEMORY;
  const uint64_t n = ElementCount(psa);
  for (uint64_t i = 0; i < n; ++i) {
    const size_t at = static_cast<size_t>(i * psa->cbElements);
    const HRESULT hr =
        CopyElement(vt, static_cast<char *>(copy->pvData) + at,
                    static_cast<const char *>(psa->pvData) + at,
                    psa->cbElements);
    if (FAILED(hr)) {
      FreeArray(copy);
      return hr;
    }
  }
  *ppsaOut = copy;
  return S_OK;
}

HRESULT SafeArrayPutElement(SAFEARRAY *psa, LONG *rgIndices, void *pv) {
  if (psa == nullptr || rgIndices == nullptr) return E_INVALIDARG;
  const VARTYPE vt = KindOf(psa);
  // A BSTR is passed as itself, so null is a valid (empty) value.
  if (pv == nullptr && vt != VT_BSTR) return E_INVALIDARG;
  void *cell = CellOf(psa, rgIndices);
  if (cell == nullptr) return DISP_E_BADINDEX;
  if (vt == VT_BSTR) {
    BSTR copy;
    const HRESULT hr = kestrel::BstrDuplicate(static_cast<BSTR>(pv), &copy);
    if (FAILED(hr)) return hr;
    BSTR old;
    memcpy(&old, cell, sizeof old);
    SysFreeString(old);
    memcpy(cell, &copy, sizeof copy);
    return S_OK;
  }
  if (vt == VT_VARIANT)
    return VariantCopy(static_cast<VARIANT *>(cell),
                       static_cast<const VARIANT *>(pv));
  memcpy(cell, pv, psa->cbElements);
  return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY *psa, LONG *rgIndices, void *pv) {
  if (psa == nullptr || rgIndices == nullptr || pv == nullptr)
    return E_INVALIDARG;
  const void *cell = CellOf(psa, rgIndices);
  if (cell == nullptr) return DISP_E_BADINDEX;
  return CopyElement(KindOf(psa), pv, cell, psa->cbElements);
}

HRESULT SafeArrayAccessData(SAFEARRAY *psa, void **ppvData) {
  if (psa == nullptr || ppvData == nullptr) return E_INVALIDARG;
  if (psa->cLocks == UINT32_MAX) return E_UNEXPECTED;
  ++psa->cLocks;
  *ppvData = psa->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY *psa) {
  if (psa == nullptr) return E_INVALIDARG;
  if (psa->cLocks == 0) return E_UNEXPECTED;
  --psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY *psa, UINT nDim, LONG *plLbound) {
  if (psa == nullptr || plLbound == nullptr) return E_INVALIDARG;
  if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
  *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY *psa, UINT nDim, LONG *plUbound) {
  if (psa == nullptr || plUbound == nullptr) return E_INVALIDARG;
  if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND &b = psa->rgsabound[psa->cDims - nDim];
  // As OLE: the bound wraps like a LONG, so an empty dimension at
  // lLbound 0 reports -1.
  *plUbound = static_cast<LONG>(static_cast<uint32_t>(b.lLbound) +
                                b.cElements - 1u);
  return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY *psa) { return psa == nullptr ? 0 : psa->cDims; }

UINT SafeArrayGetElemsize(SAFEARRAY *psa) {
  return psa == nullptr ? 0 : psa->cbElements;
}

HRESULT SafeArrayGetVartype(SAFEARRAY *psa, VARTYPE *pvt) {
  if (psa == nullptr || pvt == nullptr) return E_INVALIDARG;
  *pvt = KindOf(psa);
  return S_OK;
}
