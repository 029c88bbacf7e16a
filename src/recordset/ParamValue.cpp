/*
** A parameter's value from a variant into the form it is bound in, and
** decimal text into the VARNUM form, so that currency and decimal values
** reach the database exactly rather than through a double.
*/
#include "recordset/ParamValue.h"

#include <stdint.h>
#include <string.h>

#include <algorithm>

#include "COleDateTime.h"
#include "DecimalMath.h"
#include "record/RecordConvert.h"

namespace kestrel {

namespace {

// A value that fits the buffer and keeps its type is written in place;
// anything else gets a new buffer (at least twice the old one for text and
// bytes, so values that grow slowly rebind rarely) and must be bound again.
void Store(Param &param, ub2 type, const void *data, size_t size,
           bool variable) {
  const bool fits = param.type == type && param.bytes.size() >= size &&
                    (variable || param.bytes.size() == size);
  if (!fits) {
    size_t capacity = size;
    if (variable)
      capacity = std::max({size, 2 * param.bytes.size(), static_cast<size_t>(32)});
    std::vector<unsigned char> fresh(capacity);
    param.bytes.swap(fresh);
    param.type = type;
    param.bound = false;
  }
  if (size > 0) memcpy(param.bytes.data(), data, size);
  if (variable) {
    // A length says at most 65535 bytes: a longer value is bound with its
    // exact size instead.
    const bool useLength = size <= 0xFFFF;
    if (!useLength && param.bytes.size() != size) {
      param.bytes.resize(size);
      param.bound = false;
    }
    if (useLength != param.useLength) param.bound = false;
    param.useLength = useLength;
    param.length = useLength ? static_cast<ub2>(size) : 0;
  }
  param.indicator = 0;
}

void StoreInteger(Param &param, int64_t value) {
  Store(param, SQLT_INT, &value, sizeof value, false);
}

bool StoreDecimalText(Param &param, const std::string &text) {
  unsigned char varnum[22];
  if (!VarnumFromDecimalText(text, varnum)) return false;
  Store(param, SQLT_VNU, varnum, sizeof varnum, false);
  return true;
}

// Bytes of a one-dimensional array of one-byte elements, as the record
// reads them; false for any other array.
bool ArrayBytes(const SAFEARRAY *array, const unsigned char **data,
                size_t *count) {
  if (array == nullptr || array->cDims != 1 || array->cbElements != 1)
    return false;
  *count = array->rgsabound[0].cElements;
  if (*count > 0 && array->pvData == nullptr) return false;
  *data = static_cast<const unsigned char *>(array->pvData);
  return true;
}

}  // namespace

int SetParamValue(Param &param, const VARIANT &value) {
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
      // The buffer and its bind stay: only the indicator says NULL.
      if (param.bytes.empty()) Store(param, SQLT_CHR, "", 0, true);
      param.indicator = -1;
      return 0;
    case VT_BSTR: {
      if (value.bstrVal != nullptr && AfxIsAnsiBstr(value.bstrVal)) {
        // Its bytes are the text already.
        Store(param, SQLT_CHR, value.bstrVal, SysStringByteLen(value.bstrVal), true);
        return 0;
      }
      const CString text = BstrToText(value.bstrVal);
      Store(param, SQLT_CHR, text.GetString(),
            static_cast<size_t>(text.GetLength()), true);
      return 0;
    }
    case VT_I1: StoreInteger(param, value.cVal); return 0;
    case VT_UI1: StoreInteger(param, value.bVal); return 0;
    case VT_I2: StoreInteger(param, value.iVal); return 0;
    case VT_UI2: StoreInteger(param, value.uiVal); return 0;
    case VT_I4: StoreInteger(param, value.lVal); return 0;
    case VT_UI4: StoreInteger(param, value.ulVal); return 0;
    case VT_INT: StoreInteger(param, value.intVal); return 0;
    case VT_UINT: StoreInteger(param, value.uintVal); return 0;
    case VT_I8: StoreInteger(param, value.llVal); return 0;
    case VT_UI8:
      if (value.ullVal <= static_cast<ULONGLONG>(INT64_MAX)) {
        StoreInteger(param, static_cast<int64_t>(value.ullVal));
        return 0;
      }
      return StoreDecimalText(param, std::to_string(value.ullVal)) ? 0 : 932;
    case VT_BOOL:
      StoreInteger(param, value.boolVal != 0 ? 1 : 0);
      return 0;
    case VT_R4: {
      const double d = value.fltVal;
      Store(param, SQLT_FLT, &d, sizeof d, false);
      return 0;
    }
    case VT_R8:
      Store(param, SQLT_FLT, &value.dblVal, sizeof value.dblVal, false);
      return 0;
    case VT_CY:
      return StoreDecimalText(param, decimal::ToText(decimal::FromCurrency(
                                         value.cyVal.int64)))
                 ? 0
                 : 932;
    case VT_DECIMAL:
      if (!decimal::IsValid(value.decVal)) return 932;
      return StoreDecimalText(param, decimal::ToText(value.decVal)) ? 0 : 932;
    case VT_DATE: {
      const COleDateTime when(value.date);
      if (when.GetStatus() != COleDateTime::valid) return 1841;
      OCIDate d;
      d.OCIDateYYYY = static_cast<sb2>(when.GetYear());
      d.OCIDateMM = static_cast<ub1>(when.GetMonth());
      d.OCIDateDD = static_cast<ub1>(when.GetDay());
      d.OCIDateTime.OCITimeHH = static_cast<ub1>(when.GetHour());
      d.OCIDateTime.OCITimeMI = static_cast<ub1>(when.GetMinute());
      d.OCIDateTime.OCITimeSS = static_cast<ub1>(when.GetSecond());
      Store(param, SQLT_ODT, &d, sizeof d, false);
      return 0;
    }
    case VT_ARRAY | VT_UI1: {
      const unsigned char *data = nullptr;
      size_t count = 0;
      if (!ArrayBytes(value.parray, &data, &count)) return 932;
      Store(param, SQLT_BIN, data, count, true);
      return 0;
    }
    default:
      return 932;
  }
}

bool VarnumFromDecimalText(const std::string &text, unsigned char out[22]) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  std::string digits;
  long point = -1;  // digits before the decimal point
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && point < 0) {
      point = static_cast<long>(digits.size());
    } else if (c >= '0' && c <= '9') {
      digits += c;
    } else {
      return false;
    }
  }
  if (digits.empty()) return false;
  if (point < 0) point = static_cast<long>(digits.size());
  // Leading zeros move the point; trailing zeros say nothing.
  const size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) {
    out[0] = 1;
    out[1] = 0x80;  // zero
    return true;
  }
  digits.erase(0, first);
  point -= static_cast<long>(first);
  digits.erase(digits.find_last_not_of('0') + 1);
  // Base-100 digits: the point must fall between pairs.
  if (point % 2 != 0) {
    digits.insert(digits.begin(), '0');
    ++point;
  }
  if (digits.size() % 2 != 0) digits += '0';
  const size_t pairs = digits.size() / 2;
  if (pairs > 20) return false;
  const long exponent = point / 2;  // value = 0.d1d2... * 100^exponent
  if (exponent < -64 || exponent > 62) return false;
  // The exponent byte: excess-192, its complement for a negative number.
  out[1] = static_cast<unsigned char>(negative ? 63 - exponent : 192 + exponent);
  for (size_t k = 0; k < pairs; ++k) {
    const int d = (digits[2 * k] - '0') * 10 + (digits[2 * k + 1] - '0');
    out[2 + k] = static_cast<unsigned char>(negative ? 101 - d : d + 1);
  }
  size_t length = 1 + pairs;
  // A negative number shorter than the longest ends with 102.
  if (negative && pairs < 20) out[1 + length++] = 102;
  out[0] = static_cast<unsigned char>(length);
  return true;
}

}  // namespace kestrel
