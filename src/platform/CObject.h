/*
** CObject: the framework's root class, with its virtual interface in the
** framework's slot order (GetRuntimeClass, destructor, Serialize,
** AssertValid, Dump), and the minimal run-time class record it answers.
*/
#ifndef KESTREL_COBJECT_H
#define KESTREL_COBJECT_H

#include <stddef.h>
#include <stdint.h>

#include "KestrelExport.h"
#include "windef.h"

class CArchive;
class CDumpContext;
class CObject;

// What GetRuntimeClass answers: the class's name, its instance size and its
// base class's record. Classes of this layer declare none of their own.
struct KESTREL_API CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;  // 0xFFFF: not serialisable through the class registry
  CObject *(*m_pfnCreateObject)();
  CRuntimeClass *m_pBaseClass;

  BOOL IsDerivedFrom(const CRuntimeClass *pBaseClass) const;
};

#define RUNTIME_CLASS(class_name) \
  (const_cast<CRuntimeClass *>(&class_name::class##class_name))

class KESTREL_API CObject {
 public:
  virtual CRuntimeClass *GetRuntimeClass() const;
  virtual ~CObject();
  virtual void Serialize(CArchive &ar);
  virtual void AssertValid() const;
  virtual void Dump(CDumpContext &dc) const;

  BOOL IsSerializable() const;
  BOOL IsKindOf(const CRuntimeClass *pClass) const;

  static const CRuntimeClass classCObject;

 protected:
  CObject();

 public:
  // Objects are not copied through the root class; derived classes that
  // are copyable say how.
  CObject(const CObject &) = delete;
  CObject &operator=(const CObject &) = delete;
};

#endif
