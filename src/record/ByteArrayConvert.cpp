/*
** Byte arrays between the framework's CByteArray and the variant form
** VT_ARRAY|VT_UI1: a one-dimensional safe array of bytes, lower bound 0.
*/
#include "RecordConvert.h"
#include "oleauto.h"

void ByteArrayToVariant(const CByteArray &bytes, VARIANT &out) {
  const int count = static_cast<int>(bytes.GetSize());
  // The kind is set first and stays so when the array cannot be made.
  out.vt = VT_ARRAY | VT_UI1;
  SAFEARRAYBOUND bound;
  bound.cElements = static_cast<ULONG>(count);
  bound.lLbound = 0;
  SAFEARRAY *array = SafeArrayCreate(VT_UI1, 1, &bound);
  if (array == nullptr) return;
  for (LONG i = 0; i < count; ++i) {
    BYTE b = bytes.GetAt(i);
    SafeArrayPutElement(array, &i, &b);
  }
  out.parray = array;
}

BOOL VariantToByteArray(const VARIANT &value, CByteArray &bytes) {
  if (value.vt != (VT_ARRAY | VT_UI1)) return FALSE;
  SAFEARRAY *array = value.parray;
  // Only a one-dimensional array of one-byte elements is read; anything
  // else would read past the array.
  if (array == nullptr || array->cDims != 1 || array->cbElements != 1)
    return FALSE;
  const ULONG count = array->rgsabound[0].cElements;
  if (count > 0 && array->pvData == nullptr) return FALSE;
  if (count > static_cast<ULONG>(INT32_MAX)) return FALSE;
  bytes.SetSize(static_cast<int>(count));
  const BYTE *data = static_cast<const BYTE *>(array->pvData);
  for (ULONG i = 0; i < count; ++i) bytes.SetAt(static_cast<int>(i), data[i]);
  return TRUE;
}
