// Arbitrary text and kinds through COCIRecord::SetString, then every text
// and typed read of the stored value.
#include <stddef.h>
#include <stdint.h>

#include "AfxException.h"
#include "COCIRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 3) return 0;
  const unsigned short kind = static_cast<unsigned short>(data[0] | data[1] << 8);
  const int index = data[2] % 4;
  const CString text(reinterpret_cast<const char *>(data + 3),
                     static_cast<int>(size - 3));
  COCIRecord record;
  record.SetString(index, text, kind);
  CString back = record.GetString(index);
  record.SetString(index + 1, back, kind);
  (void)record.GetString(index + 1);

  COleVariant v;
  CString s;
  double d;
  long l;
  CByteArray bytes;
  record.GetData(index, v);
  record.GetData(index, s);
  record.GetData(index, d);
  record.GetData(index, l);
  record.GetData(index, bytes);
  COCIRecord copy(record);
  return copy == record ? 0 : 1;
}
