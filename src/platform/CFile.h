/*
** CFile: unbuffered binary access to a file on disk, with the framework's
** open flags and seek origins. Failures throw CFileException (Open alone
** reports them through its result and an optional exception object).
**
** On this platform the file handle is a POSIX descriptor. The share flags
** are accepted and not enforced, and typeText is treated as binary (there
** is no newline translation to do).
*/
#ifndef KESTREL_CFILE_H
#define KESTREL_CFILE_H

#include "AfxException.h"
#include "CObject.h"
#include "CString.h"
#include "KestrelExport.h"
#include "windef.h"

class KESTREL_API CFile : public CObject {
 public:
  enum OpenFlags {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000
  };
  enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };

  static constexpr int hFileNull = -1;

  CFile();
  // Adopts an open descriptor; Close closes it, the destructor does not.
  explicit CFile(int hFile);
  // Opens or throws CFileException.
  CFile(LPCTSTR lpszFileName, UINT nOpenFlags);
  ~CFile() override;

  // Opens the file; on failure answers FALSE and, when pError is given,
  // fills it with the cause, the system error and the file name.
  virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags,
                    CFileException *pError = nullptr);

  // Reads up to nCount bytes; fewer only at the end of the file.
  virtual UINT Read(void *lpBuf, UINT nCount);
  virtual void Write(const void *lpBuf, UINT nCount);
  virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
  void SeekToBegin();
  ULONGLONG SeekToEnd();
  virtual ULONGLONG GetLength() const;
  virtual ULONGLONG GetPosition() const;
  virtual void SetLength(ULONGLONG dwNewLen);
  virtual void Flush();
  virtual void Close();
  // Closes without reporting errors; harmless on a closed file.
  virtual void Abort();

  virtual CString GetFileName() const;
  virtual CString GetFilePath() const;

  int m_hFile;

 protected:
  [[noreturn]] void ThrowOsError(int err) const;
  void CheckOpen() const;

  BOOL m_bCloseOnDelete;
  CString m_strFileName;
};

#endif
