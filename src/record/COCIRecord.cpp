/*
** COCIRecord's life: construction, copies, assignment, equality and the
** guarded element access the typed accessors share.
*/
#include "COCIRecord.h"

#include <utility>

COCIRecord::COCIRecord() : m_nRecordType(-1) {}

COCIRecord::COCIRecord(const COCIRecord &other)
    : m_nRecordType(other.m_nRecordType) {
  // Storage for exactly the source's size; if a copy fails part-way the
  // base array's destructor releases what was built.
  SetSize(other.GetSize());
  for (int i = 0; i < other.GetSize(); ++i) ElementAt(i) = other.GetAt(i);
}

COCIRecord::~COCIRecord() = default;

COCIRecord &COCIRecord::operator=(const COCIRecord &other) {
  if (this == &other) return *this;
  SetSize(other.GetSize());
  for (int i = 0; i < other.GetSize(); ++i) ElementAt(i) = other.GetAt(i);
  m_nRecordType = other.m_nRecordType;
  return *this;
}

BOOL COCIRecord::operator==(const COCIRecord &other) const {
  // Only this record's size governs the loop: an empty record equals every
  // record and a record equals a longer one whose leading elements match.
  // A shorter other record cannot hold what this one does.
  if (other.GetSize() < GetSize()) return FALSE;
  for (int i = 0; i < GetSize(); ++i) {
    if (!(GetAt(i) == other.GetAt(i))) return FALSE;
  }
  return TRUE;
}

BOOL COCIRecord::operator!=(const COCIRecord &other) const {
  return operator==(other) ? FALSE : TRUE;
}

short COCIRecord::GetRecordType(int index) const {
  const COleVariant *element = ElementOrNull(index);
  return element != nullptr ? static_cast<short>(element->vt)
                            : static_cast<short>(VT_EMPTY);
}

const COleVariant *COCIRecord::ElementOrNull(int index) const {
  if (index < 0 || index >= GetSize()) return nullptr;
  return &GetData()[index];
}

void COCIRecord::StoreAt(int index, COleVariant &value) {
  if (index < 0) return;
  // The value is built before the record grows, so a failure while growing
  // leaves the record as it was.
  if (index >= GetSize()) {
    if (index == INT32_MAX) AfxThrowMemoryException();
    SetSize(index + 1);
  }
  // The built value is ours: moved in rather than copied and cleared.
  ElementAt(index) = std::move(value);
}
