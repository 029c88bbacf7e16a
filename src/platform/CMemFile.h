/*
** CMemFile: a file held in memory that grows in steps of its grow size.
** Reading past the end reads fewer bytes; writing past the end grows the
** file, and a gap left by seeking beyond the end reads as zero bytes.
**
** An attached buffer with a grow size of 0 is a fixed-size file whose
** length is the buffer's size; writing beyond it throws CMemoryException.
** With a non-zero grow size the attached buffer starts an empty file, and
** when the file outgrows it the file moves to storage of its own (the
** caller's buffer is never reallocated or freed). Detach hands back the
** current storage: the caller's own buffer, or one the file allocated
** with malloc, which the caller then releases with free.
*/
#ifndef KESTREL_CMEMFILE_H
#define KESTREL_CMEMFILE_H

#include "CFile.h"
#include "KestrelExport.h"

class KESTREL_API CMemFile : public CFile {
 public:
  explicit CMemFile(UINT nGrowBytes = 1024);
  CMemFile(BYTE *lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
  ~CMemFile() override;

  void Attach(BYTE *lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
  BYTE *Detach();

  BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags,
            CFileException *pError = nullptr) override;
  UINT Read(void *lpBuf, UINT nCount) override;
  void Write(const void *lpBuf, UINT nCount) override;
  ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
  ULONGLONG GetLength() const override;
  ULONGLONG GetPosition() const override;
  void SetLength(ULONGLONG dwNewLen) override;
  void Flush() override;
  void Close() override;
  void Abort() override;

 protected:
  // Makes the storage hold at least dwNewLen bytes.
  void GrowFile(SIZE_T dwNewLen);
  // Zero-fills [from, to) of the storage: bytes the file never wrote.
  void ZeroGap(SIZE_T from, SIZE_T to);
  void FreeStorage();

  UINT m_nGrowBytes;
  SIZE_T m_nPosition;
  SIZE_T m_nBufferSize;
  SIZE_T m_nFileSize;
  BYTE *m_lpBuffer;
  BOOL m_bAutoDelete;  // the storage is the file's own (malloc)
};

#endif
