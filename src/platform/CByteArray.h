/*
** CByteArray: the framework's growable byte array, here a CArray of BYTE
** with the same interface, storage and growth rule. Serialize writes the
** count in the archive's count form, then the bytes.
*/
#ifndef KESTREL_CBYTEARRAY_H
#define KESTREL_CBYTEARRAY_H

#include "CArray.h"
#include "KestrelExport.h"
#include "windef.h"

class KESTREL_API CByteArray : public CArray<BYTE, BYTE> {
 public:
  CByteArray();
  ~CByteArray() override;
};

#endif
