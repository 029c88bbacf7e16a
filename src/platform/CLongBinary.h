/*
** CLongBinary: a block of bytes of any length. The framework keeps it in a
** global memory handle; here it is an owned buffer, read through GetData
** and GetSize and replaced with SetData. m_dwDataLength is the block's
** length, kept current by every member; it is public, as the framework
** has it, for reading.
*/
#ifndef KESTREL_CLONGBINARY_H
#define KESTREL_CLONGBINARY_H

#include <vector>

#include "CObject.h"
#include "KestrelExport.h"
#include "windef.h"

class KESTREL_API CLongBinary : public CObject {
 public:
  CLongBinary();
  ~CLongBinary() override;

  // Replaces the block with a copy of nBytes bytes (none when pData is
  // null).
  void SetData(const void *pData, SIZE_T nBytes);
  // Resizes the block, keeping its leading bytes; new bytes are zero.
  void SetSize(SIZE_T nBytes);
  void Empty();

  const BYTE *GetData() const;  // null while the block is empty
  BYTE *GetData();
  SIZE_T GetSize() const;

  SIZE_T m_dwDataLength;

 private:
  std::vector<BYTE> m_data;
};

#endif
