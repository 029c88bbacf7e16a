/*
** COCIRecord's text access: GetString renders a value as text and SetString
** stores a value read from text.
*/
#include "COCIRecord.h"
#include "RecordConvert.h"
#include "oleauto.h"

CString COCIRecord::GetString(int index) const {
  const COleVariant *element = ElementOrNull(index);
  if (element == nullptr) return CString();
  switch (element->vt) {
    case VT_EMPTY:
    case VT_NULL:
      return CString();
    case VT_BSTR: {
      CString text;
      GetData(index, text);
      return text;
    }
    default:
      return VariantToString(*element);
  }
}

void COCIRecord::SetString(int index, const CString &text,
                           unsigned short kind) {
  if (index < 0) return;
  COleVariant value;
  StringToVariant(text, kind, value);
  StoreAt(index, value);
}
