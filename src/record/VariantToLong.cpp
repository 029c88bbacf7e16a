/*
** A variant as the framework's 32-bit long: VT_I4 as it is, VT_DECIMAL by
** value.
*/
#include "DecimalValue.h"
#include "RecordConvert.h"

BOOL VariantToLong(const VARIANT &value, long &out) {
  if (value.vt == VT_I4) {
    out = value.lVal;
    return TRUE;
  }
  int64_t whole = 0;
  if (value.vt == VT_DECIMAL &&
      DecimalToWhole(value.decVal, INT32_MIN, INT32_MAX, &whole)) {
    out = static_cast<long>(whole);
    return TRUE;
  }
  return FALSE;
}
