/*
** CMemFile: storage growth, reads and writes within the buffer, and the
** attach/detach hand-over of a caller's buffer.
*/
#include "CMemFile.h"

#include <errno.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

CMemFile::CMemFile(UINT nGrowBytes)
    : m_nGrowBytes(nGrowBytes),
      m_nPosition(0),
      m_nBufferSize(0),
      m_nFileSize(0),
      m_lpBuffer(nullptr),
      m_bAutoDelete(TRUE) {}

CMemFile::CMemFile(BYTE *lpBuffer, UINT nBufferSize, UINT nGrowBytes)
    : CMemFile(0) {
  Attach(lpBuffer, nBufferSize, nGrowBytes);
}

CMemFile::~CMemFile() { FreeStorage(); }

void CMemFile::FreeStorage() {
  if (m_bAutoDelete) free(m_lpBuffer);
  m_lpBuffer = nullptr;
  m_nBufferSize = 0;
  m_nFileSize = 0;
  m_nPosition = 0;
  m_bAutoDelete = TRUE;
}

void CMemFile::Attach(BYTE *lpBuffer, UINT nBufferSize, UINT nGrowBytes) {
  FreeStorage();
  m_nGrowBytes = nGrowBytes;
  m_lpBuffer = lpBuffer;
  m_nBufferSize = lpBuffer != nullptr ? nBufferSize : 0;
  m_nFileSize = nGrowBytes == 0 ? m_nBufferSize : 0;
  m_bAutoDelete = FALSE;
}

BYTE *CMemFile::Detach() {
  BYTE *buffer = m_lpBuffer;
  m_lpBuffer = nullptr;
  m_bAutoDelete = TRUE;
  FreeStorage();
  return buffer;
}

BOOL CMemFile::Open(LPCTSTR lpszFileName, UINT, CFileException *pError) {
  // A memory file has no name to open.
  if (pError != nullptr) {
    pError->m_cause = CFileException::genericException;
    pError->m_lOsError = EINVAL;
    pError->m_strFileName = lpszFileName != nullptr ? lpszFileName : "";
  }
  return FALSE;
}

void CMemFile::GrowFile(SIZE_T dwNewLen) {
  if (dwNewLen <= m_nBufferSize) return;
  if (m_nGrowBytes == 0) AfxThrowMemoryException();
  // The smallest whole number of grow steps that covers the new length.
  const SIZE_T missing = dwNewLen - m_nBufferSize;
  const SIZE_T steps = missing / m_nGrowBytes + (missing % m_nGrowBytes != 0);
  if (steps > (SIZE_MAX - m_nBufferSize) / m_nGrowBytes)
    AfxThrowMemoryException();
  const SIZE_T newSize = m_nBufferSize + steps * m_nGrowBytes;

  BYTE *fresh;
  if (m_bAutoDelete) {
    fresh = static_cast<BYTE *>(realloc(m_lpBuffer, newSize));
    if (fresh == nullptr) AfxThrowMemoryException();
  } else {
    // The caller's buffer stays the caller's: move to storage of our own.
    fresh = static_cast<BYTE *>(malloc(newSize));
    if (fresh == nullptr) AfxThrowMemoryException();
    if (m_nFileSize > 0) memcpy(fresh, m_lpBuffer, m_nFileSize);
    m_bAutoDelete = TRUE;
  }
  m_lpBuffer = fresh;
  m_nBufferSize = newSize;
}

void CMemFile::ZeroGap(SIZE_T from, SIZE_T to) {
  if (to > from) memset(m_lpBuffer + from, 0, to - from);
}

UINT CMemFile::Read(void *lpBuf, UINT nCount) {
  if (m_nPosition >= m_nFileSize || nCount == 0) return 0;
  const SIZE_T left = m_nFileSize - m_nPosition;
  const UINT n = left < nCount ? static_cast<UINT>(left) : nCount;
  memcpy(lpBuf, m_lpBuffer + m_nPosition, n);
  m_nPosition += n;
  return n;
}

void CMemFile::Write(const void *lpBuf, UINT nCount) {
  if (nCount == 0) return;
  if (m_nPosition > SIZE_MAX - nCount) AfxThrowMemoryException();
  const SIZE_T end = m_nPosition + nCount;
  GrowFile(end);
  ZeroGap(m_nFileSize, m_nPosition);
  memcpy(m_lpBuffer + m_nPosition, lpBuf, nCount);
  m_nPosition = end;
  if (end > m_nFileSize) m_nFileSize = end;
}

ULONGLONG CMemFile::Seek(LONGLONG lOff, UINT nFrom) {
  LONGLONG base;
  switch (nFrom) {
    case begin:
      base = 0;
      break;
    case current:
      base = static_cast<LONGLONG>(m_nPosition);
      break;
    case end:
      base = static_cast<LONGLONG>(m_nFileSize);
      break;
    default:
      AfxThrowFileException(CFileException::badSeek, EINVAL);
  }
  LONGLONG pos;
  if (__builtin_add_overflow(base, lOff, &pos) || pos < 0)
    AfxThrowFileException(CFileException::badSeek, EINVAL);
  m_nPosition = static_cast<SIZE_T>(pos);
  return static_cast<ULONGLONG>(pos);
}

ULONGLONG CMemFile::GetLength() const { return m_nFileSize; }

ULONGLONG CMemFile::GetPosition() const { return m_nPosition; }

void CMemFile::SetLength(ULONGLONG dwNewLen) {
  if (dwNewLen > SIZE_MAX) AfxThrowMemoryException();
  const SIZE_T len = static_cast<SIZE_T>(dwNewLen);
  GrowFile(len);
  ZeroGap(m_nFileSize, len);
  if (len < m_nPosition) m_nPosition = len;
  m_nFileSize = len;
}

void CMemFile::Flush() {}

void CMemFile::Close() { FreeStorage(); }

void CMemFile::Abort() { FreeStorage(); }
