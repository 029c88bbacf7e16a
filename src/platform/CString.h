/*
** CString: the framework's counted 8-bit text in the process's ANSI code
** page, which on this platform is UTF-8. Built from or assigned UTF-16
** (a BSTR or other wide text) it narrows exactly for valid text; an unpaired
** surrogate becomes "?". A null wide pointer gives empty text. A wide
** pointer is always read as UTF-16: a BSTR holding single-byte text
** (AfxIsAnsiBstr) must be built from its bytes instead.
**
** Positions and counts are clamped as the framework clamps them; an
** out-of-range GetAt or operator[] answers '\0' and an out-of-range SetAt
** does nothing. Running out of memory throws the framework's
** CMemoryException.
*/
#ifndef KESTREL_CSTRING_H
#define KESTREL_CSTRING_H

#include <stdarg.h>

#include <string>

#include "KestrelExport.h"
#include "oaidl.h"
#include "oleauto.h"  // SysFreeString, for what AllocSysString returns

class KESTREL_API CString {
 public:
  CString();
  CString(const CString &other);
  CString(CString &&other) noexcept;
  CString(const char *psz);
  CString(const char *pch, int nLength);
  CString(char ch, int nRepeat = 1);
  CString(const OLECHAR *wide);  // UTF-16, NUL-terminated; null gives ""
  CString(const OLECHAR *wide, int nLength);
  ~CString();

  CString &operator=(const CString &other);
  CString &operator=(CString &&other) noexcept;
  CString &operator=(const char *psz);
  CString &operator=(char ch);
  CString &operator=(const OLECHAR *wide);

  int GetLength() const;
  bool IsEmpty() const;
  void Empty();
  char GetAt(int nIndex) const;
  void SetAt(int nIndex, char ch);
  char operator[](int nIndex) const;
  operator const char *() const;
  const char *GetString() const;

  char *GetBuffer(int nMinBufLength);
  char *GetBufferSetLength(int nNewLength);
  void ReleaseBuffer(int nNewLength = -1);

  int Find(char ch, int nStart = 0) const;
  int Find(const char *pszSub, int nStart = 0) const;
  int ReverseFind(char ch) const;
  int Replace(const char *pszOld, const char *pszNew);  // every occurrence
  int Replace(char chOld, char chNew);
  int Delete(int nIndex, int nCount = 1);
  int Insert(int nIndex, const char *psz);
  int Insert(int nIndex, char ch);
  int Remove(char ch);

  CString Mid(int nFirst) const;
  CString Mid(int nFirst, int nCount) const;
  CString Left(int nCount) const;
  CString Right(int nCount) const;

  CString &MakeUpper();
  CString &MakeLower();
  CString &Trim();
  CString &TrimLeft();
  CString &TrimRight();

  int Compare(const char *psz) const;
  int CompareNoCase(const char *psz) const;

  void Format(const char *pszFormat, ...)
      __attribute__((format(printf, 2, 3)));
  void AppendFormat(const char *pszFormat, ...)
      __attribute__((format(printf, 2, 3)));
  void FormatV(const char *pszFormat, va_list args);
  void Append(const char *pch, int nLength);

  CString &operator+=(const CString &other);
  CString &operator+=(const char *psz);
  CString &operator+=(char ch);

  // A new BSTR holding the text widened to UTF-16; the caller frees it.
  BSTR AllocSysString() const;

 private:
  std::string m_str;
};

KESTREL_API CString operator+(const CString &a, const CString &b);
KESTREL_API CString operator+(const CString &a, const char *b);
KESTREL_API CString operator+(const char *a, const CString &b);
KESTREL_API CString operator+(const CString &a, char b);
KESTREL_API CString operator+(char a, const CString &b);

KESTREL_API bool operator==(const CString &a, const CString &b);
KESTREL_API bool operator==(const CString &a, const char *b);
KESTREL_API bool operator==(const char *a, const CString &b);
KESTREL_API bool operator!=(const CString &a, const CString &b);
KESTREL_API bool operator!=(const CString &a, const char *b);
KESTREL_API bool operator!=(const char *a, const CString &b);
KESTREL_API bool operator<(const CString &a, const CString &b);
KESTREL_API bool operator>(const CString &a, const CString &b);
KESTREL_API bool operator<=(const CString &a, const CString &b);
KESTREL_API bool operator>=(const CString &a, const CString &b);

#endif
