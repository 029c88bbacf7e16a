/*
** COCIRecord's typed setters and getters. Each getter answers FALSE and
** leaves its out parameter untouched when the element's kind does not fit;
** no conversion between kinds takes place except VT_DECIMAL, read by value.
*/
#include <limits.h>

#include "COCIRecord.h"
#include "DecimalValue.h"
#include "RecordConvert.h"
#include "oleauto.h"

namespace {

// A VT_DECIMAL element's whole value when it lies in [min, max].
bool DecimalIn(const VARIANT &element, int64_t min, int64_t max,
               int64_t *out) {
  return DecimalToWhole(element.decVal, min, max, out);
}

}  // namespace

void COCIRecord::SetData(int index, short value) {
  COleVariant v(value);
  StoreAt(index, v);
}

void COCIRecord::SetData(int index, int value) {
  COleVariant v(static_cast<LONG>(value));
  StoreAt(index, v);
}

void COCIRecord::SetData(int index, long value) {
  // The framework's long is 32 bits: only the low 32 bits are kept.
  COleVariant v(static_cast<LONG>(static_cast<uint32_t>(value)));
  StoreAt(index, v);
}

void COCIRecord::SetData(int index, unsigned int value) {
  COleVariant v(static_cast<LONG>(value));
  StoreAt(index, v);
}

void COCIRecord::SetData(int index, unsigned long value) {
  COleVariant v(static_cast<LONG>(static_cast<uint32_t>(value)));
  StoreAt(index, v);
}

void COCIRecord::SetData(int index, float value) {
  COleVariant v(value);
  StoreAt(index, v);
}

void COCIRecord::SetData(int index, double value) {
  COleVariant v(value);
  StoreAt(index, v);
}

void COCIRecord::SetData(int index, unsigned char value) {
  COleVariant v(static_cast<BYTE>(value));
  StoreAt(index, v);
}

void COCIRecord::SetData(int index, const CString &value) {
  COleVariant v;
  v.SetString(value, VT_BSTR);
  StoreAt(index, v);
}

void COCIRecord::SetData(int index, const COleDateTime &value) {
  COleVariant v(value);
  StoreAt(index, v);
}

void COCIRecord::SetData(int index, const CByteArray &value) {
  COleVariant v;
  ByteArrayToVariant(value, v);
  StoreAt(index, v);
}

void COCIRecord::SetData(int index, const COleCurrency &value) {
  COleVariant v(value);
  StoreAt(index, v);
}

void COCIRecord::SetData(int index, const CLongBinary &value) {
  CByteArray bytes;
  const int count = static_cast<int>(value.GetSize());
  bytes.SetSize(count);
  for (int i = 0; i < count; ++i) bytes.SetAt(i, value.GetData()[i]);
  COleVariant v;
  ByteArrayToVariant(bytes, v);
  StoreAt(index, v);
}

BOOL COCIRecord::GetData(int index, unsigned char &value) const {
  const COleVariant *e = ElementOrNull(index);
  if (e == nullptr || e->vt != VT_UI1) return FALSE;
  value = e->bVal;
  return TRUE;
}

BOOL COCIRecord::GetData(int index, short &value) const {
  const COleVariant *e = ElementOrNull(index);
  if (e == nullptr) return FALSE;
  if (e->vt == VT_I2) {
    value = e->iVal;
    return TRUE;
  }
  int64_t whole = 0;
  if (e->vt == VT_DECIMAL && DecimalIn(*e, INT16_MIN, INT16_MAX, &whole)) {
    value = static_cast<short>(whole);
    return TRUE;
  }
  return FALSE;
}

BOOL COCIRecord::GetData(int index, int &value) const {
  long wide = 0;
  const COleVariant *e = ElementOrNull(index);
  if (e == nullptr || !VariantToLong(*e, wide)) return FALSE;
  value = static_cast<int>(wide);
  return TRUE;
}

BOOL COCIRecord::GetData(int index, long &value) const {
  long wide = 0;
  const COleVariant *e = ElementOrNull(index);
  if (e == nullptr || !VariantToLong(*e, wide)) return FALSE;
  value = wide;
  return TRUE;
}

BOOL COCIRecord::GetData(int index, unsigned int &value) const {
  const COleVariant *e = ElementOrNull(index);
  if (e == nullptr) return FALSE;
  if (e->vt == VT_I4) {
    value = static_cast<uint32_t>(e->lVal);
    return TRUE;
  }
  int64_t whole = 0;
  if (e->vt == VT_DECIMAL && DecimalIn(*e, 0, UINT32_MAX, &whole)) {
    value = static_cast<unsigned int>(whole);
    return TRUE;
  }
  return FALSE;
}

BOOL COCIRecord::GetData(int index, unsigned long &value) const {
  unsigned int narrow = 0;
  if (!GetData(index, narrow)) return FALSE;
  value = narrow;
  return TRUE;
}

BOOL COCIRecord::GetData(int index, float &value) const {
  const COleVariant *e = ElementOrNull(index);
  if (e == nullptr) return FALSE;
  if (e->vt == VT_R4) {
    value = e->fltVal;
    return TRUE;
  }
  if (e->vt == VT_DECIMAL) {
    COleVariant copy(*e);
    copy.ChangeType(VT_R4);
    value = copy.fltVal;
    return TRUE;
  }
  return FALSE;
}

BOOL COCIRecord::GetData(int index, double &value) const {
  const COleVariant *e = ElementOrNull(index);
  if (e == nullptr) return FALSE;
  if (e->vt == VT_R8) {
    value = e->dblVal;
    return TRUE;
  }
  if (e->vt == VT_DECIMAL) {
    COleVariant copy(*e);
    copy.ChangeType(VT_R8);
    value = copy.dblVal;
    return TRUE;
  }
  return FALSE;
}

BOOL COCIRecord::GetData(int index, COleDateTime &value) const {
  const COleVariant *e = ElementOrNull(index);
  if (e == nullptr || e->vt != VT_DATE) return FALSE;
  value = COleDateTime(e->date);
  return TRUE;
}

BOOL COCIRecord::GetData(int index, CString &value) const {
  const COleVariant *e = ElementOrNull(index);
  if (e == nullptr) return FALSE;
  switch (e->vt) {
    case VT_EMPTY:
    case VT_NULL:
      value.Empty();
      return TRUE;
    case VT_BSTR:
      value = BstrToText(e->bstrVal);
      return TRUE;
    default:
      return FALSE;
  }
}

BOOL COCIRecord::GetData(int index, CByteArray &value) const {
  const COleVariant *e = ElementOrNull(index);
  if (e == nullptr) return FALSE;
  return VariantToByteArray(*e, value);
}

BOOL COCIRecord::GetData(int index, COleVariant &value) const {
  const COleVariant *e = ElementOrNull(index);
  if (e == nullptr) return FALSE;
  value = *e;
  return TRUE;
}

BOOL COCIRecord::GetData(int index, COleCurrency &value) const {
  const COleVariant *e = ElementOrNull(index);
  if (e == nullptr || e->vt != VT_CY) return FALSE;
  value = COleCurrency(e->cyVal);
  return TRUE;
}

BOOL COCIRecord::GetData(int index, CLongBinary &value) const {
  CByteArray bytes;
  const COleVariant *e = ElementOrNull(index);
  if (e == nullptr || !VariantToByteArray(*e, bytes)) return FALSE;
  value.SetData(bytes.GetData(), static_cast<SIZE_T>(bytes.GetSize()));
  return TRUE;
}
