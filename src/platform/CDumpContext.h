/*
** CDumpContext: where CObject::Dump writes its diagnostic text; a CFile
** when one is given, else the process's standard error.
*/
#ifndef KESTREL_CDUMPCONTEXT_H
#define KESTREL_CDUMPCONTEXT_H

#include "KestrelExport.h"
#include "windef.h"

class CFile;
class CObject;

class KESTREL_API CDumpContext {
 public:
  explicit CDumpContext(CFile *pFile = nullptr);

  int GetDepth() const;
  void SetDepth(int nNewDepth);

  CDumpContext &operator<<(LPCTSTR lpsz);
  CDumpContext &operator<<(const void *lp);
  CDumpContext &operator<<(int n);
  CDumpContext &operator<<(unsigned int u);
  CDumpContext &operator<<(LONGLONG n);
  CDumpContext &operator<<(ULONGLONG n);
  CDumpContext &operator<<(double d);
  CDumpContext &operator<<(const CObject *pOb);
  CDumpContext &operator<<(const CObject &ob);

  void Flush();

  CDumpContext(const CDumpContext &) = delete;
  CDumpContext &operator=(const CDumpContext &) = delete;

 private:
  void OutputString(LPCTSTR lpsz);

  CFile *m_pFile;
  int m_nDepth;
};

#endif
