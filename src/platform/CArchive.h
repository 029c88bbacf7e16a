/*
** CArchive: the framework's binary serialisation stream over a CFile,
** buffered, little-endian. An archive either stores or loads; storing
** operators on a loading archive (and the reverse) throw
** CArchiveException. Loading past the end of the data throws
** CArchiveException::endOfFile; Read alone answers fewer bytes instead.
**
** Types are written at their Windows widths: WORD and SHORT 2 bytes, int,
** unsigned, LONG and DWORD 4, LONGLONG and ULONGLONG 8, float 4, double 8,
** BYTE, char and bool 1. The C++ long is LONGLONG on this platform and is
** written with 8 bytes.
*/
#ifndef KESTREL_CARCHIVE_H
#define KESTREL_CARCHIVE_H

#include "AfxException.h"
#include "CObject.h"
#include "KestrelExport.h"
#include "windef.h"

class CFile;

class KESTREL_API CArchive {
 public:
  enum Mode { store = 0, load = 1, bNoFlushOnDelete = 2 };

  // lpBuf, when given, is a caller's buffer of nBufSize bytes used instead
  // of one the archive allocates; it must outlive the archive.
  CArchive(CFile *pFile, UINT nMode, int nBufSize = 4096,
           void *lpBuf = nullptr);
  // Closes an archive that was not closed (unless created with
  // bNoFlushOnDelete); errors are dropped, as a destructor cannot report
  // them: call Close to see them.
  ~CArchive();

  BOOL IsLoading() const;
  BOOL IsStoring() const;
  BOOL IsBufferEmpty() const;
  CFile *GetFile() const;

  // Reads up to nMax bytes; fewer only at the end of the data.
  UINT Read(void *lpBuf, UINT nMax);
  void Write(const void *lpBuf, UINT nMax);

  // Writes the buffered bytes to the file (storing); drops read-ahead and
  // moves the file back to the first unread byte (loading).
  void Flush();
  // Flushes and detaches from the file, which stays open.
  void Close();
  // Detaches without flushing.
  void Abort();

  // Counts: below 0xFFFF a WORD; else 0xFFFF and, below 0xFFFFFFFF, a
  // DWORD; else 0xFFFF, 0xFFFFFFFF and the 64-bit count.
  void WriteCount(DWORD_PTR dwCount);
  DWORD_PTR ReadCount();

  // This layer's own: what is known of the bytes still to load. Answers
  // FALSE when the file cannot tell its length (a pipe); else TRUE with
  // the bytes buffered plus those after the file position.
  BOOL GetLoadableSize(ULONGLONG &nBytes);
  // Throws CArchiveException::endOfFile when the archive knows it holds
  // fewer than nBytes more bytes; loaders call it before allocating for a
  // count read from the archive.
  void CheckLoadable(ULONGLONG nBytes);

  CArchive &operator<<(BYTE by);
  CArchive &operator<<(char ch);
  CArchive &operator<<(bool b);
  CArchive &operator<<(WORD w);
  CArchive &operator<<(SHORT n);
  CArchive &operator<<(int i);  // also LONG
  CArchive &operator<<(unsigned u);  // also DWORD
  CArchive &operator<<(LONGLONG n);
  CArchive &operator<<(ULONGLONG n);
  CArchive &operator<<(float f);
  CArchive &operator<<(double d);

  CArchive &operator>>(BYTE &by);
  CArchive &operator>>(char &ch);
  CArchive &operator>>(bool &b);
  CArchive &operator>>(WORD &w);
  CArchive &operator>>(SHORT &n);
  CArchive &operator>>(int &i);
  CArchive &operator>>(unsigned &u);
  CArchive &operator>>(LONGLONG &n);
  CArchive &operator>>(ULONGLONG &n);
  CArchive &operator>>(float &f);
  CArchive &operator>>(double &d);

  CArchive(const CArchive &) = delete;
  CArchive &operator=(const CArchive &) = delete;

 private:
  void CheckStoring();
  void CheckLoading();
  void StoreLE(ULONGLONG value, UINT nBytes);
  ULONGLONG LoadLE(UINT nBytes);
  // Reads exactly nCount bytes or throws endOfFile.
  void ReadExact(void *lpBuf, UINT nCount);
  void FlushStore();
  // Throws CArchiveException with the cause and the file's name.
  [[noreturn]] void ThrowArchive(int cause) const;

  CFile *m_pFile;
  UINT m_nMode;
  BYTE *m_lpBufStart;
  UINT m_nBufSize;
  UINT m_nCur;  // next byte to read or write
  UINT m_nMax;  // end of the valid bytes (loading)
  BOOL m_bUserBuf;
};

#endif
