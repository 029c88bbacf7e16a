/*
** A value as text: integers, reals, currency, dates, booleans, bytes and
** byte arrays are rendered; most other kinds give their name, flagged kinds
** a description ("Array of ", "Pointer to ", then the base kind's name),
** and kinds nothing covers the fixed text "Murk".
*/
#include <stdint.h>
#include <stdio.h>

#include <charconv>

#include "COleCurrency.h"
#include "COleDateTime.h"
#include "RecordConvert.h"
#include "oleauto.h"

namespace {

const char kMurk[] = "Murk";

// Names of the kinds 0..72; null where a code has no name.
const char *const kKindNames[73] = {
    "VT_EMPTY", "VT_NULL", "VT_I2", "VT_I4", "VT_R4", "VT_R8", "VT_CY",
    "VT_DATE", "VT_BSTR", "VT_DISPATCH", "VT_ERROR", "VT_BOOL", "VT_VARIANT",
    "VT_UNKNOWN", nullptr, nullptr, "VT_I1", "VT_UI1", "VT_UI2", "VT_UI4",
    "VT_I8", "VT_UI8", "VT_INT", "VT_UINT", "VT_VOID", "VT_HRESULT", "VT_PTR",
    "VT_SAFEARRAY", "VT_CARRAY", "VT_USERDEFINED", "VT_LPSTR", "VT_LPWSTR",
    // 32 to 63 have no name.
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    "VT_FILETIME", "VT_BLOB", "VT_STREAM", "VT_STORAGE", "VT_STREAMED_OBJECT",
    "VT_STORED_OBJECT", "VT_BLOB_OBJECT", "VT_CF", "VT_CLSID"};

CString Formatted(const char *format, ...)
    __attribute__((format(printf, 1, 2)));

CString Formatted(const char *format, ...) {
  CString text;
  va_list args;
  va_start(args, format);
  text.FormatV(format, args);
  va_end(args);
  return text;
}

// An integer in decimal, exactly as printf's %d writes it, without the
// formatter's cost.
CString Decimal(int32_t number) {
  char digits[16];
  const std::to_chars_result end =
      std::to_chars(digits, digits + sizeof digits, number);
  return CString(digits, static_cast<int>(end.ptr - digits));
}

// Year to second as the date type reports them; midnight keeps the date
// only; the zero date is empty text.
CString DateText(DATE value) {
  if (value == 0.0) return CString();
  COleDateTime date(value);
  CString text = Formatted("%04d-%02d-%02d %02d:%02d:%02d", date.GetYear(),
                           date.GetMonth(), date.GetDay(), date.GetHour(),
                           date.GetMinute(), date.GetSecond());
  text.Replace(" 00:00:00", "");
  return text;
}

// OLE's decimal-to-text; "0" when the conversion fails.
CString DecimalText(const VARIANT &value) {
  VARIANT copy;
  VARIANT converted;
  VariantInit(&copy);
  VariantInit(&converted);
  CString text("0");
  if (SUCCEEDED(VariantCopy(&copy, &value)) &&
      SUCCEEDED(VariantChangeType(&converted, &copy, 0, VT_BSTR)))
    text = CString(converted.bstrVal);
  VariantClear(&copy);
  VariantClear(&converted);
  return text;
}

// Two upper-case digits per byte, high half first, nothing between.
CString HexText(const VARIANT &value) {
  CByteArray bytes;
  if (!VariantToByteArray(value, bytes)) return CString();
  static const char kDigits[] = "0123456789ABCDEF";
  const int count = static_cast<int>(bytes.GetSize());
  CString text;
  char *out = text.GetBufferSetLength(2 * count);
  for (int i = 0; i < count; ++i) {
    const BYTE b = bytes.GetAt(i);
    out[2 * i] = kDigits[b >> 4];
    out[2 * i + 1] = kDigits[b & 0x0F];
  }
  text.ReleaseBuffer(2 * count);
  return text;
}

CString KindText(const VARIANT &value) {
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return CString("NULL");
    case VT_I2:
      return Decimal(value.iVal);  // as "%hd" writes it
    case VT_I4:
      return Decimal(value.lVal);  // as "%d" writes it
    case VT_R4:
      return Formatted("%f", static_cast<double>(value.fltVal));
    case VT_R8:
      return Formatted("%lf", value.dblVal);
    case VT_CY: {
      COleCurrency amount(value.cyVal);
      return amount.Format(0, LANG_USER_DEFAULT);
    }
    case VT_DATE:
      return DateText(value.date);
    case VT_BSTR:
      // The record reads its text through GetData; this rule serves other
      // callers: the text, and a GUID tag taken off a tagged identifier.
      {
        CString text = BstrToText(value.bstrVal);
        if (text.Find("{guid {") == 0)
          text = text.Mid(6, text.GetLength() - 7);
        return text;
      }
    case VT_BOOL:
      return CString(value.boolVal != 0 ? "TRUE" : "FALSE");
    case 14:
      return DecimalText(value);
    case VT_UI1:
      return Formatted("0x%02hX", static_cast<unsigned short>(value.bVal));
    default: {
      const char *name = kKindNames[value.vt];
      return CString(name != nullptr ? name : kMurk);
    }
  }
}

CString Description(VARTYPE kind) {
  const bool array = (kind & VT_ARRAY) != 0;
  const bool byref = (kind & VT_BYREF) != 0;
  if (!array && !byref) return CString(kMurk);
  CString text;
  if (array) text += "Array of ";
  if (byref) text += "Pointer to ";
  const VARTYPE base = kind & ~(VT_ARRAY | VT_BYREF);
  if (base <= VT_CLSID && kKindNames[base] != nullptr) text += kKindNames[base];
  return text;
}

}  // namespace

CString VariantToString(const VARIANT &value) {
  if (value.vt == (VT_ARRAY | VT_UI1)) return HexText(value);
  if (value.vt <= VT_CLSID) return KindText(value);
  return Description(value.vt);
}
