/*
** CDumpContext: diagnostic text to a file or to standard error.
*/
#include "CDumpContext.h"

#include <inttypes.h>
#include <stdio.h>
#include <string.h>

#include "CFile.h"
#include "CObject.h"

CDumpContext::CDumpContext(CFile *pFile) : m_pFile(pFile), m_nDepth(0) {}

int CDumpContext::GetDepth() const { return m_nDepth; }
void CDumpContext::SetDepth(int nNewDepth) { m_nDepth = nNewDepth; }

void CDumpContext::OutputString(LPCTSTR lpsz) {
  if (lpsz == nullptr) lpsz = "(null)";
  if (m_pFile != nullptr)
    m_pFile->Write(lpsz, static_cast<UINT>(strlen(lpsz)));
  else
    fputs(lpsz, stderr);
}

CDumpContext &CDumpContext::operator<<(LPCTSTR lpsz) {
  OutputString(lpsz);
  return *this;
}

CDumpContext &CDumpContext::operator<<(const void *lp) {
  char text[32];
  snprintf(text, sizeof text, "%p", lp);
  OutputString(text);
  return *this;
}

CDumpContext &CDumpContext::operator<<(int n) {
  return *this << static_cast<LONGLONG>(n);
}

CDumpContext &CDumpContext::operator<<(unsigned int u) {
  return *this << static_cast<ULONGLONG>(u);
}

CDumpContext &CDumpContext::operator<<(LONGLONG n) {
  char text[32];
  snprintf(text, sizeof text, "%" PRId64, static_cast<int64_t>(n));
  OutputString(text);
  return *this;
}

CDumpContext &CDumpContext::operator<<(ULONGLONG n) {
  char text[32];
  snprintf(text, sizeof text, "%" PRIu64, static_cast<uint64_t>(n));
  OutputString(text);
  return *this;
}

CDumpContext &CDumpContext::operator<<(double d) {
  char text[48];
  snprintf(text, sizeof text, "%g", d);
  OutputString(text);
  return *this;
}

CDumpContext &CDumpContext::operator<<(const CObject *pOb) {
  if (pOb == nullptr)
    OutputString("NULL");
  else
    pOb->Dump(*this);
  return *this;
}

CDumpContext &CDumpContext::operator<<(const CObject &ob) {
  return *this << &ob;
}

void CDumpContext::Flush() {
  if (m_pFile != nullptr)
    m_pFile->Flush();
  else
    fflush(stderr);
}
