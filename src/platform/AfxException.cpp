/*
** The framework's exception classes and their throw helpers.
*/
#include "AfxException.h"
#include "winerror.h"

#include <stdio.h>
#include <string.h>

namespace {

// Copies a message into a caller's buffer the way the framework does:
// always terminated, cut to the buffer.
BOOL CopyMessage(LPTSTR out, UINT max, const char *text) {
  if (out == nullptr || max == 0) return FALSE;
  snprintf(out, max, "%s", text);
  return TRUE;
}

}  // namespace

CException::CException() : m_bAutoDelete(TRUE) {}
CException::CException(BOOL bAutoDelete) : m_bAutoDelete(bAutoDelete) {}
CException::~CException() = default;

void CException::Delete() {
  if (m_bAutoDelete) delete this;
}

BOOL CException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError,
                                 UINT *pnHelpContext) const {
  if (pnHelpContext != nullptr) *pnHelpContext = 0;
  if (lpszError != nullptr && nMaxError > 0) *lpszError = '\0';
  return FALSE;
}

CMemoryException::CMemoryException() = default;
CMemoryException::CMemoryException(BOOL bAutoDelete)
    : CException(bAutoDelete) {}

BOOL CMemoryException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError,
                                       UINT *pnHelpContext) const {
  if (pnHelpContext != nullptr) *pnHelpContext = 0;
  return CopyMessage(lpszError, nMaxError, "Out of memory.");
}

COleException::COleException() : m_sc(S_OK) {}
COleException::COleException(SCODE sc) : m_sc(sc) {}

BOOL COleException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError,
                                    UINT *pnHelpContext) const {
  if (pnHelpContext != nullptr) *pnHelpContext = 0;
  char text[64];
  snprintf(text, sizeof text, "OLE error 0x%08X.", (unsigned)m_sc);
  return CopyMessage(lpszError, nMaxError, text);
}

SCODE COleException::Process(const CException *pAnyException) {
  if (const auto *ole = dynamic_cast<const COleException *>(pAnyException))
    return ole->m_sc;
  if (dynamic_cast<const CMemoryException *>(pAnyException) != nullptr)
    return E_OUTOFMEMORY;
  return E_UNEXPECTED;
}

CArchiveException::CArchiveException(int cause, LPCTSTR lpszArchiveName)
    : m_cause(cause),
      m_strFileName(lpszArchiveName != nullptr ? lpszArchiveName : "") {}

BOOL CArchiveException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError,
                                        UINT *pnHelpContext) const {
  static const char *const kCauses[] = {
      "No error.",           "Unexpected archive error.",
      "Archive is read-only.", "Unexpected end of archive.",
      "Archive is write-only.", "Invalid archive format.",
      "Invalid archive class.", "Unexpected archive schema.",
      "Archive buffer is full."};
  if (pnHelpContext != nullptr) *pnHelpContext = 0;
  const bool known = m_cause >= 0 && m_cause <= bufferFull;
  return CopyMessage(lpszError, nMaxError,
                     known ? kCauses[m_cause] : kCauses[genericException]);
}

CFileException::CFileException(int cause, LONG lOsError,
                               LPCTSTR lpszFileName)
    : m_cause(cause),
      m_lOsError(lOsError),
      m_strFileName(lpszFileName != nullptr ? lpszFileName : "") {}

BOOL CFileException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError,
                                     UINT *pnHelpContext) const {
  if (pnHelpContext != nullptr) *pnHelpContext = 0;
  char text[512];
  if (m_lOsError > 0)
    snprintf(text, sizeof text, "%s: %s", m_strFileName.GetString(),
             strerror(m_lOsError));
  else
    snprintf(text, sizeof text, "%s: file error %d",
             m_strFileName.GetString(), m_cause);
  return CopyMessage(lpszError, nMaxError, text);
}

void AfxThrowMemoryException() {
  // Out of memory, so no new object: one shared, never-freed instance.
  static CMemoryException shared(FALSE);
  throw &shared;
}

void AfxThrowOleException(SCODE sc) { throw new COleException(sc); }

void AfxThrowArchiveException(int cause, LPCTSTR lpszArchiveName) {
  throw new CArchiveException(cause, lpszArchiveName);
}

void AfxThrowFileException(int cause, LONG lOsError, LPCTSTR lpszFileName) {
  throw new CFileException(cause, lOsError, lpszFileName);
}
