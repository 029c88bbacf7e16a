/*
** COCIRecord: one row of values as a growable array of variants addressed
** by a 0-based index, with typed setters and getters and conversions to
** and from text.
**
** On this platform the C++ long is 64 bits, while the framework's is 32:
** the long overloads keep the framework's meaning. SetData with a long or
** unsigned long stores a VT_I4 holding the value's low 32 bits (a value
** beyond 32 bits cannot be kept); GetData(long&) gives the VT_I4 value
** sign-extended and GetData(unsigned long&) the same 32 bits as an unsigned
** 32-bit number.
*/
#ifndef KESTREL_COCIRECORD_H
#define KESTREL_COCIRECORD_H

#include "CArray.h"
#include "CByteArray.h"
#include "CLongBinary.h"
#include "CString.h"
#include "COleCurrency.h"
#include "COleDateTime.h"
#include "COleVariant.h"
#include "KestrelExport.h"

class KESTREL_API COCIRecord : public CArray<COleVariant, COleVariant &> {
 public:
  COCIRecord();
  COCIRecord(const COCIRecord &other);
  ~COCIRecord() override;

  COCIRecord &operator=(const COCIRecord &other);
  BOOL operator==(const COCIRecord &other) const;
  BOOL operator!=(const COCIRecord &other) const;

  // The VARTYPE of the element at index; VT_EMPTY outside the record.
  short GetRecordType(int index) const;

  // The element as text; empty text outside the record.
  CString GetString(int index) const;
  // Stores the value read from text as the given kind.
  void SetString(int index, const CString &text, unsigned short kind);

  void SetData(int index, short value);
  void SetData(int index, int value);
  void SetData(int index, long value);
  void SetData(int index, unsigned int value);
  void SetData(int index, unsigned long value);
  void SetData(int index, float value);
  void SetData(int index, double value);
  void SetData(int index, unsigned char value);
  void SetData(int index, const CString &value);
  void SetData(int index, const COleDateTime &value);
  void SetData(int index, const CByteArray &value);
  void SetData(int index, const COleCurrency &value);
  void SetData(int index, const CLongBinary &value);

  // The base array's storage access stays visible beside the typed reads.
  using CArray<COleVariant, COleVariant &>::GetData;

  BOOL GetData(int index, unsigned char &value) const;
  BOOL GetData(int index, short &value) const;
  BOOL GetData(int index, int &value) const;
  BOOL GetData(int index, long &value) const;
  BOOL GetData(int index, unsigned int &value) const;
  BOOL GetData(int index, unsigned long &value) const;
  BOOL GetData(int index, float &value) const;
  BOOL GetData(int index, double &value) const;
  BOOL GetData(int index, COleDateTime &value) const;
  BOOL GetData(int index, CString &value) const;
  BOOL GetData(int index, CByteArray &value) const;
  BOOL GetData(int index, COleVariant &value) const;
  BOOL GetData(int index, COleCurrency &value) const;
  BOOL GetData(int index, CLongBinary &value) const;

  // Travels with the record through copies; no operation reads it.
  int m_nRecordType;

 private:
  // Stores a built value at index, growing the record first when needed.
  void StoreAt(int index, COleVariant &value);
  // The element at index, or null outside the record.
  const COleVariant *ElementOrNull(int index) const;
};

#endif
