/*
** CArchive: buffering over the file, the little-endian scalar forms and
** the framework's count form.
*/
#include "CArchive.h"

#include <limits.h>
#include <string.h>

#include <new>

#include "CFile.h"

namespace {

const UINT kMinBufSize = 128;

template <typename To, typename From>
To BitCast(From from) {
  static_assert(sizeof(To) == sizeof(From), "same width");
  To to;
  memcpy(&to, &from, sizeof to);
  return to;
}

}  // namespace

CArchive::CArchive(CFile *pFile, UINT nMode, int nBufSize, void *lpBuf)
    : m_pFile(pFile),
      m_nMode(nMode),
      m_lpBufStart(nullptr),
      m_nBufSize(0),
      m_nCur(0),
      m_nMax(0),
      m_bUserBuf(FALSE) {
  if (lpBuf != nullptr && nBufSize > 0) {
    m_lpBufStart = static_cast<BYTE *>(lpBuf);
    m_nBufSize = static_cast<UINT>(nBufSize);
    m_bUserBuf = TRUE;
  } else {
    m_nBufSize = nBufSize > static_cast<int>(kMinBufSize)
                     ? static_cast<UINT>(nBufSize)
                     : kMinBufSize;
    m_lpBufStart = new (std::nothrow) BYTE[m_nBufSize];
    if (m_lpBufStart == nullptr) AfxThrowMemoryException();
  }
}

CArchive::~CArchive() {
  if (m_pFile != nullptr && !(m_nMode & bNoFlushOnDelete)) {
    try {
      Close();
    } catch (CException *e) {
      e->Delete();
    }
  }
  m_pFile = nullptr;
  if (!m_bUserBuf) delete[] m_lpBufStart;
}

BOOL CArchive::IsLoading() const { return (m_nMode & load) ? TRUE : FALSE; }
BOOL CArchive::IsStoring() const { return (m_nMode & load) ? FALSE : TRUE; }

BOOL CArchive::IsBufferEmpty() const {
  return IsLoading() ? m_nCur == m_nMax : m_nCur == 0;
}

CFile *CArchive::GetFile() const { return m_pFile; }

void CArchive::ThrowArchive(int cause) const {
  AfxThrowArchiveException(
      cause, m_pFile != nullptr ? m_pFile->GetFilePath() : CString());
}

void CArchive::CheckStoring() {
  if (!IsStoring()) ThrowArchive(CArchiveException::readOnly);
  if (m_pFile == nullptr) ThrowArchive(CArchiveException::genericException);
}

void CArchive::CheckLoading() {
  if (!IsLoading()) ThrowArchive(CArchiveException::writeOnly);
  if (m_pFile == nullptr) ThrowArchive(CArchiveException::genericException);
}

void CArchive::FlushStore() {
  if (m_nCur == 0) return;
  const UINT n = m_nCur;
  m_nCur = 0;  // a failed write is not retried from the destructor
  m_pFile->Write(m_lpBufStart, n);
}

void CArchive::Write(const void *lpBuf, UINT nMax) {
  CheckStoring();
  const BYTE *in = static_cast<const BYTE *>(lpBuf);
  if (nMax <= m_nBufSize - m_nCur) {
    if (nMax > 0) memcpy(m_lpBufStart + m_nCur, in, nMax);
    m_nCur += nMax;
    return;
  }
  FlushStore();
  if (nMax >= m_nBufSize) {
    m_pFile->Write(in, nMax);  // large blocks bypass the buffer
  } else {
    memcpy(m_lpBufStart, in, nMax);
    m_nCur = nMax;
  }
}

UINT CArchive::Read(void *lpBuf, UINT nMax) {
  CheckLoading();
  BYTE *out = static_cast<BYTE *>(lpBuf);
  UINT done = 0;
  while (done < nMax) {
    if (m_nCur == m_nMax) {
      const UINT want = nMax - done;
      if (want >= m_nBufSize) {  // large blocks bypass the buffer
        const UINT got = m_pFile->Read(out + done, want);
        done += got;
        break;
      }
      m_nCur = 0;
      m_nMax = m_pFile->Read(m_lpBufStart, m_nBufSize);
      if (m_nMax == 0) break;
    }
    UINT n = m_nMax - m_nCur;
    if (n > nMax - done) n = nMax - done;
    memcpy(out + done, m_lpBufStart + m_nCur, n);
    m_nCur += n;
    done += n;
  }
  return done;
}

void CArchive::ReadExact(void *lpBuf, UINT nCount) {
  if (Read(lpBuf, nCount) != nCount) ThrowArchive(CArchiveException::endOfFile);
}

void CArchive::Flush() {
  if (m_pFile == nullptr) return;
  if (IsStoring()) {
    FlushStore();
    return;
  }
  // Give back the read-ahead so the file stands after the bytes consumed.
  const UINT unread = m_nMax - m_nCur;
  m_nCur = m_nMax = 0;
  if (unread > 0) m_pFile->Seek(-static_cast<LONGLONG>(unread), 1);
}

void CArchive::Close() {
  if (m_pFile == nullptr) return;
  Flush();
  m_pFile = nullptr;
}

void CArchive::Abort() {
  m_pFile = nullptr;
  m_nCur = m_nMax = 0;
}

BOOL CArchive::GetLoadableSize(ULONGLONG &nBytes) {
  CheckLoading();
  ULONGLONG length = 0, position = 0;
  try {
    length = m_pFile->GetLength();
    position = m_pFile->GetPosition();
  } catch (CFileException *e) {
    e->Delete();
    return FALSE;
  }
  nBytes = (m_nMax - m_nCur) + (length > position ? length - position : 0);
  return TRUE;
}

void CArchive::CheckLoadable(ULONGLONG nBytes) {
  ULONGLONG available = 0;
  if (GetLoadableSize(available) && nBytes > available)
    ThrowArchive(CArchiveException::endOfFile);
}

void CArchive::StoreLE(ULONGLONG value, UINT nBytes) {
  BYTE bytes[8];
  for (UINT i = 0; i < nBytes; ++i)
    bytes[i] = static_cast<BYTE>(value >> (8 * i));
  Write(bytes, nBytes);
}

ULONGLONG CArchive::LoadLE(UINT nBytes) {
  BYTE bytes[8];
  ReadExact(bytes, nBytes);
  ULONGLONG value = 0;
  for (UINT i = 0; i < nBytes; ++i)
    value |= static_cast<ULONGLONG>(bytes[i]) << (8 * i);
  return value;
}

void CArchive::WriteCount(DWORD_PTR dwCount) {
  if (dwCount < 0xFFFF) {
    *this << static_cast<WORD>(dwCount);
    return;
  }
  // Checked first so that a refused count writes nothing.
  CheckStoring();
  *this << static_cast<WORD>(0xFFFF);
  if (dwCount < 0xFFFFFFFFu) {
    *this << static_cast<DWORD>(dwCount);
  } else {
    *this << static_cast<DWORD>(0xFFFFFFFFu);
    *this << static_cast<ULONGLONG>(dwCount);
  }
}

DWORD_PTR CArchive::ReadCount() {
  WORD w;
  *this >> w;
  if (w != 0xFFFF) return w;
  DWORD dw;
  *this >> dw;
  if (dw != 0xFFFFFFFFu) return dw;
  ULONGLONG qw;
  *this >> qw;
  return static_cast<DWORD_PTR>(qw);
}

CArchive &CArchive::operator<<(BYTE by) {
  StoreLE(by, 1);
  return *this;
}
CArchive &CArchive::operator<<(char ch) {
  StoreLE(static_cast<BYTE>(ch), 1);
  return *this;
}
CArchive &CArchive::operator<<(bool b) {
  StoreLE(b ? 1 : 0, 1);
  return *this;
}
CArchive &CArchive::operator<<(WORD w) {
  StoreLE(w, 2);
  return *this;
}
CArchive &CArchive::operator<<(SHORT n) {
  StoreLE(static_cast<WORD>(n), 2);
  return *this;
}
CArchive &CArchive::operator<<(int i) {
  StoreLE(static_cast<DWORD>(i), 4);
  return *this;
}
CArchive &CArchive::operator<<(unsigned u) {
  StoreLE(u, 4);
  return *this;
}
CArchive &CArchive::operator<<(LONGLONG n) {
  StoreLE(static_cast<ULONGLONG>(n), 8);
  return *this;
}
CArchive &CArchive::operator<<(ULONGLONG n) {
  StoreLE(n, 8);
  return *this;
}
CArchive &CArchive::operator<<(float f) {
  StoreLE(BitCast<DWORD>(f), 4);
  return *this;
}
CArchive &CArchive::operator<<(double d) {
  StoreLE(BitCast<ULONGLONG>(d), 8);
  return *this;
}

CArchive &CArchive::operator>>(BYTE &by) {
  by = static_cast<BYTE>(LoadLE(1));
  return *this;
}
CArchive &CArchive::operator>>(char &ch) {
  ch = static_cast<char>(static_cast<BYTE>(LoadLE(1)));
  return *this;
}
CArchive &CArchive::operator>>(bool &b) {
  b = LoadLE(1) != 0;
  return *this;
}
CArchive &CArchive::operator>>(WORD &w) {
  w = static_cast<WORD>(LoadLE(2));
  return *this;
}
CArchive &CArchive::operator>>(SHORT &n) {
  n = static_cast<SHORT>(static_cast<WORD>(LoadLE(2)));
  return *this;
}
CArchive &CArchive::operator>>(int &i) {
  i = static_cast<int>(static_cast<DWORD>(LoadLE(4)));
  return *this;
}
CArchive &CArchive::operator>>(unsigned &u) {
  u = static_cast<unsigned>(LoadLE(4));
  return *this;
}
CArchive &CArchive::operator>>(LONGLONG &n) {
  n = static_cast<LONGLONG>(LoadLE(8));
  return *this;
}
CArchive &CArchive::operator>>(ULONGLONG &n) {
  n = LoadLE(8);
  return *this;
}
CArchive &CArchive::operator>>(float &f) {
  f = BitCast<float>(static_cast<DWORD>(LoadLE(4)));
  return *this;
}
CArchive &CArchive::operator>>(double &d) {
  d = BitCast<double>(LoadLE(8));
  return *this;
}
