/*
** Turning column values into cell text. Single-byte text comes back from
** the library as a BSTR holding bytes (AfxIsAnsiBstr), printed as they
** are; numbers as VT_I4 or VT_R8.
*/
#include "ValueText.h"

#include <stdio.h>

#include "COCIRecord.h"
#include "oci.h"
#include "oleauto.h"

namespace kestrel_sql {

bool IsNumericType(int type) {
  return type == SQLT_NUM || type == SQLT_INT || type == SQLT_FLT ||
         type == SQLT_BFLOAT || type == SQLT_BDOUBLE ||
         type == SQLT_IBFLOAT || type == SQLT_IBDOUBLE;
}

std::string TypeLabel(int type) {
  switch (type) {
    case SQLT_DAT: return "<DATE>";
    case SQLT_TIMESTAMP: return "<TIMESTAMP>";
    case SQLT_BLOB: return "<BLOB>";
    case SQLT_CLOB: return "<CLOB>";
    case SQLT_BIN: return "<RAW>";
    case SQLT_LNG: return "<LONG>";
    case SQLT_BFLOAT:
    case SQLT_IBFLOAT: return "<BINARY_FLOAT>";
    case SQLT_BDOUBLE:
    case SQLT_IBDOUBLE: return "<BINARY_DOUBLE>";
    default: return "<TYPE " + std::to_string(type) + ">";
  }
}

std::string NumberText(double value) {
  if (value == 0) return "0";  // also -0
  char text[32];
  snprintf(text, sizeof text, "%.15g", value);
  return text;
}

std::string CellText(const COleVariant &value, int type) {
  switch (value.vt) {
    case VT_EMPTY:
      return TypeLabel(type);
    case VT_NULL:
      return std::string();
    case VT_BSTR:
      if (value.bstrVal == nullptr) return std::string();
      if (AfxIsAnsiBstr(value.bstrVal))
        return std::string(reinterpret_cast<const char *>(value.bstrVal),
                           SysStringByteLen(value.bstrVal));
      break;
    case VT_I4:
      return std::to_string(value.lVal);
    case VT_I2:
      return std::to_string(value.iVal);
    case VT_R8:
      return NumberText(value.dblVal);
    case VT_R4:
      return NumberText(value.fltVal);
    default:
      break;
  }
  // Any other kind: the record's own text form.
  COCIRecord record;
  COleVariant copy(value);
  record.Add(copy);
  return record.GetString(0).GetString();
}

}  // namespace kestrel_sql
