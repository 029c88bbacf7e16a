/*
** CFile over POSIX descriptors: open flags mapped to open(2), reads and
** writes retried until complete, errno mapped to the framework's causes.
*/
#include "CFile.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int CauseOf(int err) {
  switch (err) {
    case ENOENT:
      return CFileException::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return CFileException::badPath;
    case EMFILE:
    case ENFILE:
      return CFileException::tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBADF:
      return CFileException::accessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return CFileException::diskFull;
    case EINVAL:
    case ESPIPE:
    case EOVERFLOW:
      return CFileException::badSeek;
    case EIO:
      return CFileException::hardIO;
    default:
      return CFileException::genericException;
  }
}

}  // namespace

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(int hFile) : m_hFile(hFile), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCTSTR lpszFileName, UINT nOpenFlags)
    : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {
  CFileException error;
  if (!Open(lpszFileName, nOpenFlags, &error))
    AfxThrowFileException(error.m_cause, error.m_lOsError,
                          error.m_strFileName);
}

CFile::~CFile() {
  if (m_hFile != hFileNull && m_bCloseOnDelete) Abort();
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags,
                 CFileException *pError) {
  const char *name = lpszFileName != nullptr ? lpszFileName : "";
  int err = 0;
  int flags = O_CLOEXEC;
  switch (nOpenFlags & 3) {
    case modeRead:
      flags |= O_RDONLY;
      break;
    case modeWrite:
      flags |= O_WRONLY;
      break;
    case modeReadWrite:
      flags |= O_RDWR;
      break;
    default:
      err = EINVAL;
      break;
  }
  if (nOpenFlags & modeCreate) {
    flags |= O_CREAT;
    if (!(nOpenFlags & modeNoTruncate)) flags |= O_TRUNC;
  }
  if (m_hFile != hFileNull) err = EBUSY;  // already open

  int fd = -1;
  if (err == 0) {
    do {
      fd = ::open(name, flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) err = errno;
  }
  if (err != 0) {
    if (pError != nullptr) {
      pError->m_cause = err == EBUSY ? CFileException::genericException
                                     : CauseOf(err);
      pError->m_lOsError = err;
      pError->m_strFileName = name;
    }
    return FALSE;
  }
  m_hFile = fd;
  m_bCloseOnDelete = TRUE;
  m_strFileName = name;
  return TRUE;
}

void CFile::ThrowOsError(int err) const {
  AfxThrowFileException(CauseOf(err), err, m_strFileName);
}

void CFile::CheckOpen() const {
  if (m_hFile == hFileNull)
    AfxThrowFileException(CFileException::invalidFile, -1, m_strFileName);
}

UINT CFile::Read(void *lpBuf, UINT nCount) {
  CheckOpen();
  UINT done = 0;
  char *out = static_cast<char *>(lpBuf);
  while (done < nCount) {
    const ssize_t got = ::read(m_hFile, out + done, nCount - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowOsError(errno);
    }
    if (got == 0) break;  // end of file
    done += static_cast<UINT>(got);
  }
  return done;
}

void CFile::Write(const void *lpBuf, UINT nCount) {
  CheckOpen();
  UINT done = 0;
  const char *in = static_cast<const char *>(lpBuf);
  while (done < nCount) {
    const ssize_t put = ::write(m_hFile, in + done, nCount - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      ThrowOsError(errno);
    }
    if (put == 0) ThrowOsError(ENOSPC);
    done += static_cast<UINT>(put);
  }
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
  CheckOpen();
  int whence;
  switch (nFrom) {
    case begin:
      whence = SEEK_SET;
      break;
    case current:
      whence = SEEK_CUR;
      break;
    case end:
      whence = SEEK_END;
      break;
    default:
      AfxThrowFileException(CFileException::badSeek, EINVAL, m_strFileName);
  }
  const off_t pos = ::lseek(m_hFile, static_cast<off_t>(lOff), whence);
  if (pos < 0) ThrowOsError(errno);
  return static_cast<ULONGLONG>(pos);
}

void CFile::SeekToBegin() { Seek(0, begin); }

ULONGLONG CFile::SeekToEnd() { return Seek(0, end); }

ULONGLONG CFile::GetLength() const {
  CheckOpen();
  struct stat st;
  if (::fstat(m_hFile, &st) != 0) ThrowOsError(errno);
  if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode)) ThrowOsError(ESPIPE);
  return static_cast<ULONGLONG>(st.st_size);
}

ULONGLONG CFile::GetPosition() const {
  CheckOpen();
  const off_t pos = ::lseek(m_hFile, 0, SEEK_CUR);
  if (pos < 0) ThrowOsError(errno);
  return static_cast<ULONGLONG>(pos);
}

void CFile::SetLength(ULONGLONG dwNewLen) {
  CheckOpen();
  if (dwNewLen > static_cast<ULONGLONG>(LLONG_MAX)) ThrowOsError(EFBIG);
  if (::ftruncate(m_hFile, static_cast<off_t>(dwNewLen)) != 0)
    ThrowOsError(errno);
}

void CFile::Flush() {
  if (m_hFile == hFileNull) return;
  // Pipes and terminals cannot be synchronised; nothing is lost by that.
  if (::fsync(m_hFile) != 0 && errno != EINVAL && errno != EROFS &&
      errno != ENOTSUP)
    ThrowOsError(errno);
}

void CFile::Close() {
  if (m_hFile == hFileNull) return;
  const int fd = m_hFile;
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
  // A descriptor is released by close(2) even when it reports an error,
  // so it is never retried.
  if (::close(fd) != 0 && errno != EINTR) ThrowOsError(errno);
}

void CFile::Abort() {
  if (m_hFile == hFileNull) return;
  ::close(m_hFile);
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
}

CString CFile::GetFileName() const {
  const int slash = m_strFileName.ReverseFind('/');
  return slash < 0 ? m_strFileName : m_strFileName.Mid(slash + 1);
}

CString CFile::GetFilePath() const { return m_strFileName; }
