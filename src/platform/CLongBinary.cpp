/*
** CLongBinary: the owned byte block.
*/
#include "CLongBinary.h"

#include <new>
#include <stdexcept>

#include "AfxException.h"

CLongBinary::CLongBinary() : m_dwDataLength(0) {}
CLongBinary::~CLongBinary() = default;

void CLongBinary::SetData(const void *pData, SIZE_T nBytes) {
  if (pData == nullptr) nBytes = 0;
  const BYTE *from = static_cast<const BYTE *>(pData);
  try {
    std::vector<BYTE> fresh(from, from + nBytes);
    m_data.swap(fresh);
  } catch (const std::bad_alloc &) {
    AfxThrowMemoryException();
  } catch (const std::length_error &) {
    AfxThrowMemoryException();
  }
  m_dwDataLength = m_data.size();
}

void CLongBinary::SetSize(SIZE_T nBytes) {
  try {
    m_data.resize(nBytes, 0);
  } catch (const std::bad_alloc &) {
    AfxThrowMemoryException();
  } catch (const std::length_error &) {
    AfxThrowMemoryException();
  }
  m_dwDataLength = m_data.size();
}

void CLongBinary::Empty() {
  std::vector<BYTE>().swap(m_data);
  m_dwDataLength = 0;
}

const BYTE *CLongBinary::GetData() const {
  return m_data.empty() ? nullptr : m_data.data();
}

BYTE *CLongBinary::GetData() { return m_data.empty() ? nullptr : m_data.data(); }

SIZE_T CLongBinary::GetSize() const { return m_data.size(); }
