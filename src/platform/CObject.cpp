/*
** CObject: the root class's run-time class record and its default,
** do-nothing virtual operations.
*/
#include "CObject.h"

#include "CDumpContext.h"

const CRuntimeClass CObject::classCObject = {"CObject", sizeof(CObject),
                                             0xFFFF, nullptr, nullptr};

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass *pBaseClass) const {
  for (const CRuntimeClass *p = this; p != nullptr; p = p->m_pBaseClass)
    if (p == pBaseClass) return TRUE;
  return FALSE;
}

CObject::CObject() = default;
CObject::~CObject() = default;

CRuntimeClass *CObject::GetRuntimeClass() const {
  return RUNTIME_CLASS(CObject);
}

void CObject::Serialize(CArchive &) {}
void CObject::AssertValid() const {}

void CObject::Dump(CDumpContext &dc) const {
  dc << "a " << GetRuntimeClass()->m_lpszClassName << " at "
     << static_cast<const void *>(this) << "\n";
}

BOOL CObject::IsSerializable() const {
  return GetRuntimeClass()->m_wSchema != 0xFFFF ? TRUE : FALSE;
}

BOOL CObject::IsKindOf(const CRuntimeClass *pClass) const {
  return GetRuntimeClass()->IsDerivedFrom(pClass);
}
