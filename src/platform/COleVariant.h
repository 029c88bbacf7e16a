/*
** COleVariant: a VARIANT with value semantics. Copies are deep, the
** destructor clears, self-assignment is a no-op. Failures of the OLE calls
** throw the framework's exceptions: CMemoryException for E_OUTOFMEMORY,
** else COleException with the result code.
**
** Text: built from 8-bit text with kind VT_BSTR (the default) the text is
** widened from UTF-8 to UTF-16; with kind VT_BSTRT the bytes are kept
** unconverted in a BSTR marked as single-byte text (AfxAllocAnsiBstr).
** Both give vt VT_BSTR, and empty text gives an empty, non-null BSTR.
**
** The framework's long is 32 bits; on this platform the C++ long is 64.
** A long is stored as VT_I4 holding its low 32 bits.
*/
#ifndef KESTREL_COLEVARIANT_H
#define KESTREL_COLEVARIANT_H

#include "CString.h"
#include "KestrelExport.h"
#include "oaidl.h"
#include "oleauto.h"
#include "windef.h"

class CArchive;
class CByteArray;
class CLongBinary;
class COleCurrency;
class COleDateTime;

typedef const VARIANT *LPCVARIANT;

// Sets a variant to VT_EMPTY without reading what it held.
KESTREL_API void AfxVariantInit(LPVARIANT pVar);

class KESTREL_API COleVariant : public tagVARIANT {
 public:
  COleVariant();
  COleVariant(const VARIANT &varSrc);
  COleVariant(LPCVARIANT pSrc);  // null gives VT_EMPTY
  COleVariant(const COleVariant &varSrc);
  COleVariant(COleVariant &&varSrc) noexcept;

  // vtSrc VT_BSTRT keeps the bytes; any other kind widens (VT_BSTR).
  COleVariant(LPCTSTR lpszSrc, VARTYPE vtSrc = VT_BSTR);
  COleVariant(const CString &strSrc);

  COleVariant(BYTE nSrc);                         // VT_UI1
  COleVariant(short nSrc, VARTYPE vtSrc = VT_I2);  // VT_I2 or VT_BOOL
  COleVariant(int nSrc, VARTYPE vtSrc = VT_I4);    // VT_I4, VT_ERROR, VT_BOOL
  COleVariant(long lSrc, VARTYPE vtSrc = VT_I4);   // low 32 bits, as int
  COleVariant(float fltSrc);                       // VT_R4
  COleVariant(double dblSrc);                      // VT_R8
  COleVariant(const COleCurrency &curSrc);         // VT_CY
  COleVariant(const COleDateTime &dateSrc);        // VT_DATE
  // VT_ARRAY|VT_UI1: a one-dimensional safe array of bytes, lower bound 0.
  COleVariant(const CByteArray &arrSrc);
  COleVariant(const CLongBinary &lbSrc);

  ~COleVariant();

  COleVariant &operator=(const COleVariant &varSrc);
  COleVariant &operator=(COleVariant &&varSrc) noexcept;
  COleVariant &operator=(const VARIANT &varSrc);
  COleVariant &operator=(LPCVARIANT pSrc);
  COleVariant &operator=(LPCTSTR lpszSrc);
  COleVariant &operator=(const CString &strSrc);
  COleVariant &operator=(BYTE nSrc);
  COleVariant &operator=(short nSrc);
  COleVariant &operator=(int nSrc);
  COleVariant &operator=(long lSrc);
  COleVariant &operator=(float fltSrc);
  COleVariant &operator=(double dblSrc);
  COleVariant &operator=(const COleCurrency &curSrc);
  COleVariant &operator=(const COleDateTime &dateSrc);
  COleVariant &operator=(const CByteArray &arrSrc);
  COleVariant &operator=(const CLongBinary &lbSrc);

  // Same VARTYPE and equal value. Text compares by content: single-byte
  // text counts as the UTF-8 text it holds, so a marked and an unmarked
  // BSTR with the same characters are equal. Arrays compare by bounds and
  // content (a null array as an empty one); decimals by value; interface
  // and by-reference values by pointer. Kinds with no value rule are
  // never equal.
  bool operator==(const VARIANT &varSrc) const;
  bool operator==(LPCVARIANT pSrc) const;
  bool operator!=(const VARIANT &varSrc) const;
  bool operator!=(LPCVARIANT pSrc) const;

  void Clear();
  // Converts pSrc (this variant when null) to vartype into this variant.
  // On failure throws and leaves this variant as it was.
  void ChangeType(VARTYPE vartype, LPVARIANT pSrc = nullptr);
  void Attach(VARIANT &varSrc);  // takes the value; varSrc becomes empty
  VARIANT Detach();              // gives the value away; this becomes empty
  void SetString(LPCTSTR lpszSrc, VARTYPE vtSrc);  // as the constructor

  operator LPVARIANT();
  operator LPCVARIANT() const;

  // Equality of two plain variants, by the rules of operator==.
  static bool IsEqual(const VARIANT &a, const VARIANT &b);

 private:
  void SetBytes(const BYTE *pData, size_t nCount);
};

// The variant archive form: a 16-bit VARTYPE, then the value. Storing a
// kind the form does not cover throws COleException(DISP_E_TYPEMISMATCH)
// before anything is written; loading a truncated or corrupted form throws
// CArchiveException and leaves the variant as it was.
KESTREL_API CArchive &operator<<(CArchive &ar, COleVariant varSrc);
KESTREL_API CArchive &operator>>(CArchive &ar, COleVariant &varSrc);

#endif
