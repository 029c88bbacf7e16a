/*
** The framework's exceptions, thrown by pointer as the framework throws
** them: catch (CException* e) { ...; e->Delete(); }.
*/
#ifndef KESTREL_AFXEXCEPTION_H
#define KESTREL_AFXEXCEPTION_H

#include "CString.h"
#include "KestrelExport.h"
#include "windef.h"

[[noreturn]] KESTREL_API void AfxThrowMemoryException();

class KESTREL_API CException {
 public:
  CException();
  virtual ~CException();
  // Frees a heap-allocated exception; the shared out-of-memory exception
  // is never freed.
  void Delete();
  virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError,
                               UINT *pnHelpContext = nullptr) const;

 protected:
  explicit CException(BOOL bAutoDelete);

 private:
  BOOL m_bAutoDelete;
};

class KESTREL_API CMemoryException : public CException {
 public:
  CMemoryException();
  BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError,
                       UINT *pnHelpContext = nullptr) const override;

 protected:
  explicit CMemoryException(BOOL bAutoDelete);
  friend void AfxThrowMemoryException();
};

class KESTREL_API COleException : public CException {
 public:
  COleException();
  explicit COleException(SCODE sc);
  BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError,
                       UINT *pnHelpContext = nullptr) const override;
  static SCODE Process(const CException *pAnyException);

  SCODE m_sc;
};

class KESTREL_API CArchiveException : public CException {
 public:
  enum {
    none,
    genericException,
    readOnly,
    endOfFile,
    writeOnly,
    badIndex,
    badClass,
    badSchema,
    bufferFull
  };
  explicit CArchiveException(int cause = none,
                             LPCTSTR lpszArchiveName = nullptr);
  BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError,
                       UINT *pnHelpContext = nullptr) const override;

  int m_cause;
  CString m_strFileName;
};

class KESTREL_API CFileException : public CException {
 public:
  enum {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };
  explicit CFileException(int cause = none, LONG lOsError = -1,
                          LPCTSTR lpszFileName = nullptr);
  BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError,
                       UINT *pnHelpContext = nullptr) const override;

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;
};

[[noreturn]] KESTREL_API void AfxThrowOleException(SCODE sc);
[[noreturn]] KESTREL_API void AfxThrowArchiveException(
    int cause, LPCTSTR lpszArchiveName = nullptr);
[[noreturn]] KESTREL_API void AfxThrowFileException(
    int cause, LONG lOsError = -1, LPCTSTR lpszFileName = nullptr);

#endif
