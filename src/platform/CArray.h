/*
** CArray<TYPE, ARG_TYPE>: the framework's growable array, header-only,
** with the framework's storage and growth rule:
**
** SetSize(n, growBy): a growBy of 0 or more sets the grow-by step (a
** negative one keeps it). n = 0 destroys every element and frees the
** storage. Without storage, storage for exactly n elements is allocated.
** Within the capacity, elements are constructed or destroyed to reach n.
** Beyond it, the step is the grow-by step when non-zero, else the current
** size / 8 clamped to 4..1024; the new capacity is the larger of n and
** capacity + step; existing elements move bitwise (memcpy: neither copied
** nor destroyed) into the new storage and the new ones are constructed.
** New elements are value-initialised (zero for scalars).
**
** Sizes are kept as 32-bit ints, as in the framework's 32-bit world. A
** negative size, index or count, or a size that cannot be represented or
** allocated, throws CMemoryException and leaves the array as it was.
** GetAt, SetAt, ElementAt and operator[] do not check their index.
**
** Serialize writes the element count in the archive's count form, then
** the elements through SerializeElements: bitwise for any TYPE (as the
** framework does), by the variant archive form for COleVariant. Loading
** checks the count against what the archive can still hold before it
** allocates, and grows in bounded batches when the archive cannot tell.
*/
#ifndef KESTREL_CARRAY_H
#define KESTREL_CARRAY_H

#include <limits.h>
#include <stdint.h>
#include <string.h>

#include <functional>
#include <memory>
#include <new>
#include <type_traits>

#include "AfxException.h"
#include "CArchive.h"
#include "CObject.h"
#include "KestrelExport.h"

class COleVariant;

// Stores or loads nCount elements bitwise.
template <class TYPE>
void SerializeElements(CArchive &ar, TYPE *pElements, INT_PTR nCount) {
  if (nCount <= 0) return;
  if (static_cast<size_t>(nCount) > SIZE_MAX / sizeof(TYPE))
    AfxThrowMemoryException();
  BYTE *p = reinterpret_cast<BYTE *>(static_cast<void *>(pElements));
  size_t left = static_cast<size_t>(nCount) * sizeof(TYPE);
  while (left > 0) {
    const UINT chunk = left > 0x40000000u ? 0x40000000u
                                          : static_cast<UINT>(left);
    if (ar.IsStoring())
      ar.Write(p, chunk);
    else if (ar.Read(p, chunk) != chunk)
      AfxThrowArchiveException(CArchiveException::endOfFile);
    p += chunk;
    left -= chunk;
  }
}

// The variant archive form (defined with COleVariant).
template <>
KESTREL_API void SerializeElements<COleVariant>(CArchive &ar,
                                                COleVariant *pElements,
                                                INT_PTR nCount);

// This layer's own: throws, before anything is written, when an element
// cannot be stored. Every bitwise element can.
template <class TYPE>
void CheckStorableElements(const TYPE *, INT_PTR) {}

template <>
KESTREL_API void CheckStorableElements<COleVariant>(
    const COleVariant *pElements, INT_PTR nCount);

// This layer's own: the fewest archive bytes one element takes, so that a
// count can be checked against the bytes an archive still holds.
template <class TYPE>
inline ULONGLONG SerializedElementMinSize() {
  return sizeof(TYPE);
}

template <>
inline ULONGLONG SerializedElementMinSize<COleVariant>() {
  return 2;  // the VARTYPE alone (VT_EMPTY)
}

template <class TYPE, class ARG_TYPE = const TYPE &>
class KESTREL_API CArray : public CObject {
 public:
  CArray() : m_pData(nullptr), m_nSize(0), m_nMaxSize(0), m_nGrowBy(0) {}
  ~CArray() override { FreeAll(); }

  INT_PTR GetSize() const { return m_nSize; }
  INT_PTR GetCount() const { return m_nSize; }
  BOOL IsEmpty() const { return m_nSize == 0; }
  INT_PTR GetUpperBound() const { return m_nSize - 1; }

  void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1);
  void FreeExtra();
  void RemoveAll() { SetSize(0, -1); }

  const TYPE &GetAt(INT_PTR nIndex) const { return m_pData[nIndex]; }
  TYPE &GetAt(INT_PTR nIndex) { return m_pData[nIndex]; }
  void SetAt(INT_PTR nIndex, ARG_TYPE newElement) {
    m_pData[nIndex] = newElement;
  }
  const TYPE &ElementAt(INT_PTR nIndex) const { return m_pData[nIndex]; }
  TYPE &ElementAt(INT_PTR nIndex) { return m_pData[nIndex]; }
  const TYPE &operator[](INT_PTR nIndex) const { return m_pData[nIndex]; }
  TYPE &operator[](INT_PTR nIndex) { return m_pData[nIndex]; }

  const TYPE *GetData() const { return m_pData; }
  TYPE *GetData() { return m_pData; }

  // Grows to nIndex + 1 elements when needed, then assigns. The value may
  // be an element of this array.
  void SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement);
  INT_PTR Add(ARG_TYPE newElement) {
    const INT_PTR nIndex = m_nSize;
    SetAtGrow(nIndex, newElement);
    return nIndex;
  }
  // Appends copies of src's elements; answers the index of the first.
  INT_PTR Append(const CArray &src);
  // Makes this array a copy of src (a no-op for src itself).
  void Copy(const CArray &src);

  void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1);
  void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1);

  void Serialize(CArchive &ar) override;

 protected:
  TYPE *m_pData;   // the elements; null without storage
  int m_nSize;     // elements in use
  int m_nMaxSize;  // elements the storage holds
  int m_nGrowBy;   // growth step; 0: automatic

 private:
  static TYPE *Allocate(INT_PTR nCount) {
    // The framework's arrays live in a 32-bit world: a block beyond 2 GiB
    // cannot be represented there, so it is refused before any allocation.
    if (static_cast<size_t>(nCount) > static_cast<size_t>(INT_MAX) / sizeof(TYPE))
      AfxThrowMemoryException();
    void *p = ::operator new[](static_cast<size_t>(nCount) * sizeof(TYPE),
                               std::nothrow);
    if (p == nullptr) AfxThrowMemoryException();
    return static_cast<TYPE *>(p);
  }
  static void Release(TYPE *p) { ::operator delete[](static_cast<void *>(p)); }
  // Constructs nCount elements; if one throws, those built are destroyed.
  static void Construct(TYPE *p, INT_PTR nCount) {
    INT_PTR built = 0;
    try {
      for (; built < nCount; ++built) ::new (static_cast<void *>(p + built)) TYPE();
    } catch (...) {
      Destroy(p, built);
      throw;
    }
  }
  static void Destroy(TYPE *p, INT_PTR nCount) {
    for (INT_PTR i = 0; i < nCount; ++i) p[i].~TYPE();
  }
  static void Move(TYPE *to, const TYPE *from, INT_PTR nCount) {
    if (nCount > 0)
      memmove(static_cast<void *>(to), static_cast<const void *>(from),
              static_cast<size_t>(nCount) * sizeof(TYPE));
  }
  void FreeAll() {
    Destroy(m_pData, m_nSize);
    Release(m_pData);
    m_pData = nullptr;
    m_nSize = m_nMaxSize = 0;
  }
  // The index of the element p points to, or -1 when it is not one.
  INT_PTR IndexOf(const TYPE *p) const {
    std::less<const TYPE *> before;
    if (m_pData == nullptr || before(p, m_pData) ||
        !before(p, m_pData + m_nSize))
      return -1;
    return p - m_pData;
  }
};

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::SetSize(INT_PTR nNewSize, INT_PTR nGrowBy) {
  if (nNewSize < 0 || nNewSize > INT_MAX) AfxThrowMemoryException();
  const int nNew = static_cast<int>(nNewSize);
  const int growBy =
      nGrowBy < 0 ? m_nGrowBy
                  : (nGrowBy > INT_MAX ? INT_MAX : static_cast<int>(nGrowBy));

  if (nNew == 0) {
    FreeAll();
  } else if (m_pData == nullptr) {
    TYPE *p = Allocate(nNew);
    try {
      Construct(p, nNew);
    } catch (...) {
      Release(p);
      throw;
    }
    m_pData = p;
    m_nSize = m_nMaxSize = nNew;
  } else if (nNew <= m_nMaxSize) {
    if (nNew > m_nSize)
      Construct(m_pData + m_nSize, nNew - m_nSize);
    else
      Destroy(m_pData + nNew, m_nSize - nNew);
    m_nSize = nNew;
  } else {
    INT_PTR step = growBy;
    if (step == 0) {
      step = m_nSize / 8;
      step = step < 4 ? 4 : (step > 1024 ? 1024 : step);
    }
    INT_PTR newMax = static_cast<INT_PTR>(m_nMaxSize) + step;
    if (newMax < nNew) newMax = nNew;
    if (newMax > INT_MAX) newMax = INT_MAX;
    TYPE *p = Allocate(newMax);
    Move(p, m_pData, m_nSize);
    try {
      Construct(p + m_nSize, nNew - m_nSize);
    } catch (...) {
      Release(p);  // the old storage still holds the elements
      throw;
    }
    Release(m_pData);
    m_pData = p;
    m_nSize = nNew;
    m_nMaxSize = static_cast<int>(newMax);
  }
  m_nGrowBy = growBy;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::FreeExtra() {
  if (m_nSize == m_nMaxSize) return;
  TYPE *p = m_nSize > 0 ? Allocate(m_nSize) : nullptr;
  Move(p, m_pData, m_nSize);
  Release(m_pData);
  m_pData = p;
  m_nMaxSize = m_nSize;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement) {
  if (nIndex < 0) AfxThrowMemoryException();
  if (nIndex >= m_nSize) {
    if constexpr (std::is_reference<ARG_TYPE>::value &&
                  std::is_same<typename std::decay<ARG_TYPE>::type,
                               TYPE>::value) {
      // Growing may move the element the value refers to.
      const INT_PTR from = IndexOf(std::addressof(newElement));
      if (from >= 0) {
        SetSize(nIndex + 1, -1);
        m_pData[nIndex] = m_pData[from];
        return;
      }
    }
    SetSize(nIndex + 1, -1);
  }
  m_pData[nIndex] = newElement;
}

template <class TYPE, class ARG_TYPE>
INT_PTR CArray<TYPE, ARG_TYPE>::Append(const CArray &src) {
  const INT_PTR nOldSize = m_nSize;
  const INT_PTR nCount = src.m_nSize;
  SetSize(nOldSize + nCount, -1);
  // src may be this array: its first nCount elements are still in place.
  for (INT_PTR i = 0; i < nCount; ++i)
    m_pData[nOldSize + i] = src.m_pData[i];
  return nOldSize;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::Copy(const CArray &src) {
  if (this == &src) return;
  SetSize(src.m_nSize, -1);
  for (int i = 0; i < m_nSize; ++i) m_pData[i] = src.m_pData[i];
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::InsertAt(INT_PTR nIndex, ARG_TYPE newElement,
                                      INT_PTR nCount) {
  if (nIndex < 0 || nCount < 0 || nIndex > INT_MAX || nCount > INT_MAX)
    AfxThrowMemoryException();
  if (nCount == 0) return;
  const TYPE value(newElement);  // the value may be an element that moves
  if (nIndex >= m_nSize) {
    SetSize(nIndex + nCount, -1);
  } else {
    const INT_PTR nOldSize = m_nSize;
    SetSize(nOldSize + nCount, -1);
    Destroy(m_pData + nOldSize, nCount);
    Move(m_pData + nIndex + nCount, m_pData + nIndex, nOldSize - nIndex);
    Construct(m_pData + nIndex, nCount);
  }
  for (INT_PTR i = 0; i < nCount; ++i) m_pData[nIndex + i] = value;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::RemoveAt(INT_PTR nIndex, INT_PTR nCount) {
  if (nIndex < 0 || nCount < 0 || nIndex > m_nSize ||
      nCount > m_nSize - nIndex)
    AfxThrowMemoryException();
  Destroy(m_pData + nIndex, nCount);
  Move(m_pData + nIndex, m_pData + nIndex + nCount,
       m_nSize - nIndex - nCount);
  m_nSize -= static_cast<int>(nCount);
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::Serialize(CArchive &ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring()) {
    CheckStorableElements<TYPE>(m_pData, m_nSize);
    ar.WriteCount(static_cast<DWORD_PTR>(m_nSize));
    SerializeElements<TYPE>(ar, m_pData, m_nSize);
    return;
  }
  const DWORD_PTR nCount = ar.ReadCount();
  const ULONGLONG minSize = SerializedElementMinSize<TYPE>();
  if (minSize > 0 && nCount > ~0ULL / minSize)
    AfxThrowArchiveException(CArchiveException::endOfFile);
  ar.CheckLoadable(nCount * minSize);
  if (nCount > INT_MAX) AfxThrowMemoryException();
  if (nCount == 0) {
    SetSize(0, -1);
    return;
  }
  // Without a known length, grow only as far as elements actually arrive.
  ULONGLONG available = 0;
  const INT_PTR batch = ar.GetLoadableSize(available)
                            ? static_cast<INT_PTR>(nCount)
                            : 4096;
  INT_PTR done = 0;
  while (done < static_cast<INT_PTR>(nCount)) {
    INT_PTR next = done + batch;
    if (next > static_cast<INT_PTR>(nCount)) next = static_cast<INT_PTR>(nCount);
    SetSize(next, -1);
    SerializeElements<TYPE>(ar, m_pData + done, next - done);
    done = next;
  }
}

#endif
