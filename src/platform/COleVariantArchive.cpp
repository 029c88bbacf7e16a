/*
** The variant archive form: a 16-bit VARTYPE, then the value at its
** natural width, little-endian:
**
**   VT_EMPTY, VT_NULL   nothing
**   VT_UI1              1 byte
**   VT_I2, VT_BOOL      2 bytes
**   VT_I4, VT_R4, VT_ERROR         4 bytes
**   VT_R8, VT_CY, VT_DATE          8 bytes
**   VT_DECIMAL          16 bytes: wReserved (2), scale (1), sign (1),
**                       Hi32 (4), Lo32 (4), Mid32 (4)
**   VT_BSTR             a 32-bit byte count and the UTF-16LE bytes;
**                       single-byte text is written widened, so it loads
**                       back as the same text in the ordinary form
**   VT_ARRAY|VT_UI1     a 32-bit count and the bytes (a missing array
**                       stores count 0; the lower bound is not kept:
**                       arrays load with lower bound 0)
**
** Any other kind, or a byte array of more than one dimension, is refused
** with COleException(DISP_E_TYPEMISMATCH) before anything is written.
** Loading checks counts against what the archive still holds and reads
** long values in bounded chunks, so a corrupted count never allocates
** more than the archive holds.
*/
#include <string.h>

#include <vector>

#include "AfxException.h"
#include "CArchive.h"
#include "CArray.h"
#include "COleVariant.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "UTF-16 text is written as its code units lie in memory");

namespace {

const VARTYPE kByteArray = VT_ARRAY | VT_UI1;
const UINT kChunk = 64 * 1024;

bool Storable(const VARIANT &v) {
  switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
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
    case VT_UI1:
      return true;
    case kByteArray:
      return v.parray == nullptr ||
             (v.parray->cDims == 1 && v.parray->cbElements == 1 &&
              (v.parray->pvData != nullptr ||
               v.parray->rgsabound[0].cElements == 0));
    default:
      return false;
  }
}

void CheckStorable(const VARIANT &v) {
  if (!Storable(v)) AfxThrowOleException(DISP_E_TYPEMISMATCH);
}

// Frees a BSTR when it goes out of scope.
struct BstrHolder {
  explicit BstrHolder(BSTR b) : bstr(b) {}
  ~BstrHolder() { SysFreeString(bstr); }
  BstrHolder(const BstrHolder &) = delete;
  BstrHolder &operator=(const BstrHolder &) = delete;
  BSTR bstr;
};

// Clears a variant being loaded unless it is handed over.
struct VariantHolder {
  VariantHolder() { AfxVariantInit(&v); }
  ~VariantHolder() { VariantClear(&v); }
  VariantHolder(const VariantHolder &) = delete;
  VariantHolder &operator=(const VariantHolder &) = delete;
  VARIANT v;
};

void StoreBlock(CArchive &ar, const void *data, UINT nBytes) {
  ar << static_cast<DWORD>(nBytes);
  if (nBytes > 0) ar.Write(data, nBytes);
}

void StoreVariant(CArchive &ar, const VARIANT &v) {
  CheckStorable(v);
  if (!ar.IsStoring())
    AfxThrowArchiveException(CArchiveException::readOnly);

  // Widening single-byte text may fail; it happens before any write.
  BstrHolder widened(nullptr);
  if (v.vt == VT_BSTR && v.bstrVal != nullptr && AfxIsAnsiBstr(v.bstrVal)) {
    widened.bstr = CString(reinterpret_cast<const char *>(v.bstrVal),
                           static_cast<int>(SysStringByteLen(v.bstrVal)))
                       .AllocSysString();
    if (widened.bstr == nullptr) AfxThrowMemoryException();
  }

  ar << static_cast<WORD>(v.vt);
  switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
      break;
    case VT_I2:
      ar << v.iVal;
      break;
    case VT_I4:
      ar << v.lVal;
      break;
    case VT_R4:
      ar << v.fltVal;
      break;
    case VT_R8:
      ar << v.dblVal;
      break;
    case VT_CY:
      ar << v.cyVal.int64;
      break;
    case VT_DATE:
      ar << v.date;
      break;
    case VT_ERROR:
      ar << v.scode;
      break;
    case VT_BOOL:
      ar << v.boolVal;
      break;
    case VT_UI1:
      ar << v.bVal;
      break;
    case VT_DECIMAL:
      ar << v.decVal.wReserved << v.decVal.scale << v.decVal.sign
         << v.decVal.Hi32 << v.decVal.Lo32 << v.decVal.Mid32;
      break;
    case VT_BSTR: {
      const BSTR text = widened.bstr != nullptr ? widened.bstr : v.bstrVal;
      StoreBlock(ar, text, SysStringByteLen(text));
      break;
    }
    case kByteArray:
      if (v.parray == nullptr)
        StoreBlock(ar, nullptr, 0);
      else
        StoreBlock(ar, v.parray->pvData, v.parray->rgsabound[0].cElements);
      break;
  }
}

// Reads a counted block in bounded chunks, after checking the count
// against what the archive can still hold.
std::vector<char> LoadBlock(CArchive &ar, DWORD nBytes) {
  ar.CheckLoadable(nBytes);
  std::vector<char> data;
  DWORD done = 0;
  while (done < nBytes) {
    const UINT chunk = nBytes - done < kChunk ? nBytes - done : kChunk;
    data.resize(done + chunk);
    if (ar.Read(data.data() + done, chunk) != chunk)
      AfxThrowArchiveException(CArchiveException::endOfFile);
    done += chunk;
  }
  return data;
}

void LoadVariant(CArchive &ar, COleVariant &target) {
  WORD vt;
  ar >> vt;
  VariantHolder loaded;
  VARIANT &v = loaded.v;
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
      break;
    case VT_I2:
      ar >> v.iVal;
      break;
    case VT_I4:
      ar >> v.lVal;
      break;
    case VT_R4:
      ar >> v.fltVal;
      break;
    case VT_R8:
      ar >> v.dblVal;
      break;
    case VT_CY:
      ar >> v.cyVal.int64;
      break;
    case VT_DATE:
      ar >> v.date;
      break;
    case VT_ERROR:
      ar >> v.scode;
      break;
    case VT_BOOL:
      ar >> v.boolVal;
      break;
    case VT_UI1:
      ar >> v.bVal;
      break;
    case VT_DECIMAL: {
      WORD reserved;
      BYTE scale, sign;
      DWORD hi, lo, mid;
      ar >> reserved >> scale >> sign >> hi >> lo >> mid;
      if (scale > DECIMAL_MAX_SCALE || (sign != 0 && sign != DECIMAL_NEG))
        AfxThrowArchiveException(CArchiveException::badSchema);
      v.decVal.scale = scale;
      v.decVal.sign = sign;
      v.decVal.Hi32 = hi;
      v.decVal.Lo32 = lo;
      v.decVal.Mid32 = mid;
      break;  // vt, which overlays wReserved, is set below
    }
    case VT_BSTR: {
      DWORD nBytes;
      ar >> nBytes;
      const std::vector<char> data = LoadBlock(ar, nBytes);
      v.bstrVal = SysAllocStringByteLen(nBytes > 0 ? data.data() : "", nBytes);
      if (v.bstrVal == nullptr) AfxThrowMemoryException();
      break;
    }
    case kByteArray: {
      DWORD nCount;
      ar >> nCount;
      const std::vector<char> data = LoadBlock(ar, nCount);
      SAFEARRAYBOUND bound;
      bound.cElements = nCount;
      bound.lLbound = 0;
      v.parray = SafeArrayCreate(VT_UI1, 1, &bound);
      if (v.parray == nullptr) AfxThrowMemoryException();
      v.vt = kByteArray;  // owned from here on
      if (nCount > 0) memcpy(v.parray->pvData, data.data(), nCount);
      break;
    }
    default:
      AfxThrowArchiveException(CArchiveException::badSchema);
  }
  v.vt = vt;
  target.Attach(v);
}

}  // namespace

CArchive &operator<<(CArchive &ar, COleVariant varSrc) {
  StoreVariant(ar, varSrc);
  return ar;
}

CArchive &operator>>(CArchive &ar, COleVariant &varSrc) {
  LoadVariant(ar, varSrc);
  return ar;
}

template <>
void CheckStorableElements<COleVariant>(const COleVariant *pElements,
                                        INT_PTR nCount) {
  for (INT_PTR i = 0; i < nCount; ++i) CheckStorable(pElements[i]);
}

template <>
void SerializeElements<COleVariant>(CArchive &ar, COleVariant *pElements,
                                    INT_PTR nCount) {
  if (ar.IsStoring()) {
    CheckStorableElements<COleVariant>(pElements, nCount);
    for (INT_PTR i = 0; i < nCount; ++i) StoreVariant(ar, pElements[i]);
  } else {
    for (INT_PTR i = 0; i < nCount; ++i) LoadVariant(ar, pElements[i]);
  }
}
