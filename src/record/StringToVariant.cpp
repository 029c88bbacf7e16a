/*
** Text to a value of a requested kind. The numeric readers take the
** longest leading number and give 0 when there is none; an unsupported
** kind gives VT_NULL.
*/
#include <float.h>
#include <math.h>
#include <stdio.h>

#include "COleDateTime.h"
#include "COleVariant.h"
#include "CrtText.h"
#include "RecordConvert.h"
#include "oleauto.h"

namespace {

const char kGuidTag[] = "{guid {";

// The double rounded to a float; magnitudes beyond the float range become
// infinities as IEEE rounding gives them, never an undefined conversion.
float DoubleToFloat(double d) {
  if (d > FLT_MAX) return HUGE_VALF;
  if (d < -FLT_MAX) return -HUGE_VALF;
  return static_cast<float>(d);
}

// Moves a built variant into `out` without copying its value.
void Take(COleVariant &built, VARIANT &out) { out = built.Detach(); }

void TextVariant(const CString &text, VARTYPE kind, VARIANT &out) {
  COleVariant built(static_cast<const char *>(text), kind);
  Take(built, out);
}

// Two characters at a time read with %X, high half first; an odd last
// character is ignored. A pair with no hexadecimal number gives 0.
void HexToVariant(const CString &text, VARIANT &out) {
  CByteArray bytes;
  const int pairs = text.GetLength() / 2;
  for (int i = 0; i < pairs; ++i) {
    char pair[3] = {text.GetAt(2 * i), text.GetAt(2 * i + 1), '\0'};
    unsigned int number = 0;
    if (sscanf(pair, "%X", &number) != 1) number = 0;
    bytes.Add(static_cast<BYTE>(number & 0xFF));
  }
  ByteArrayToVariant(bytes, out);
}

}  // namespace

void StringToVariant(const CString &text, unsigned short kind,
                     VARIANT &out) {
  const char *s = text;
  out.vt = kind;
  // The kind is compared as a signed 16-bit number: codes from 0x8000 up
  // fall to the default rule.
  switch (static_cast<short>(kind)) {
    case VT_I2:
      out.iVal = static_cast<SHORT>(CrtAtoi(s) & 0xFFFF);
      break;
    case VT_I4:
      out.lVal = CrtAtol(s);
      break;
    case VT_R4:
      out.fltVal = DoubleToFloat(CrtAtof(s));
      break;
    case VT_R8:
      out.dblVal = CrtAtof(s);
      break;
    case VT_DATE: {
      COleDateTime date(0.0);
      date.ParseDateTime(s, 0, LANG_USER_DEFAULT);
      // Text the parser rejects reads as the zero date.
      out.date = date.GetStatus() == COleDateTime::valid ? date.m_dt : 0.0;
      break;
    }
    case VT_BSTR:
      TextVariant(text, VT_BSTR, out);
      break;
    case VT_BOOL:
      // 1, not OLE's usual -1, for true.
      out.boolVal = CrtAtoi(s) != 0 ? 1 : 0;
      break;
    case 14:
      TextVariant(text, VT_BSTRT, out);
      break;
    case VT_UI1:
      out.bVal = static_cast<BYTE>(CrtAtoi(s) & 0xFF);
      break;
    case VT_CLSID:
      if (text.Find(kGuidTag) == 0)
        TextVariant(text, VT_BSTRT, out);
      else
        TextVariant("{guid " + text + "}", VT_BSTR, out);
      break;
    case VT_ARRAY | VT_UI1:
      HexToVariant(text, out);
      break;
    default:
      out.vt = VT_NULL;
      break;
  }
}
