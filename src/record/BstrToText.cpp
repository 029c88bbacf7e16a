/*
** A BSTR as 8-bit text. Single-byte text (built with the framework's
** ANSI-string kind) is the bytes it holds; other text is UTF-16 narrowed to
** the ANSI code page.
*/
#include "RecordConvert.h"
#include "oleauto.h"

CString BstrToText(BSTR bstr) {
  if (bstr == nullptr) return CString();
  if (AfxIsAnsiBstr(bstr))
    return CString(reinterpret_cast<const char *>(bstr),
                   static_cast<int>(SysStringByteLen(bstr)));
  return CString(bstr, static_cast<int>(SysStringLen(bstr)));
}
