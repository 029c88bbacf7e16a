// Arbitrary bytes loaded as an archived COCIRecord: loading either succeeds
// or throws the framework's archive exception, and what loads stores again.
#include <stddef.h>
#include <stdint.h>

#include "AfxException.h"
#include "CArchive.h"
#include "CMemFile.h"
#include "COCIRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  CMemFile file;
  if (size > 0) file.Write(data, static_cast<UINT>(size));
  file.SeekToBegin();
  COCIRecord record;
  try {
    CArchive ar(&file, CArchive::load);
    record.Serialize(ar);
  } catch (CException *e) {
    e->Delete();
    return 0;
  }
  for (int i = 0; i < record.GetSize(); ++i) (void)record.GetString(i);
  CMemFile out;
  try {
    CArchive ar(&out, CArchive::store);
    record.Serialize(ar);
    ar.Close();
  } catch (CException *e) {
    e->Delete();
  }
  return 0;
}
