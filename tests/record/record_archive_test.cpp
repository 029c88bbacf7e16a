// A record through the framework's archive: round trips of every kind the
// archive form covers, and loading that refuses truncated or corrupted
// input without crashing or allocating for counts the input cannot hold.
#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "AfxException.h"
#include "CArchive.h"
#include "CMemFile.h"
#include "COCIRecord.h"

namespace {

std::vector<BYTE> Store(COCIRecord &r) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    r.Serialize(ar);
    ar.Close();
  }
  std::vector<BYTE> bytes(static_cast<size_t>(file.GetLength()));
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

// Loads `bytes` into `r`; true when it loaded, false when the archive threw.
bool Load(std::vector<BYTE> bytes, COCIRecord &r) {
  CMemFile file;
  if (!bytes.empty()) file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
  file.SeekToBegin();
  CArchive ar(&file, CArchive::load);
  try {
    r.Serialize(ar);
  } catch (CArchiveException *e) {
    e->Delete();
    return false;
  }
  return true;
}

COCIRecord Sample() {
  COCIRecord r;
  r.SetData(0, static_cast<short>(-2));
  r.SetData(1, 70000);
  r.SetData(2, 1.25f);
  r.SetData(3, -6.5);
  r.SetData(4, static_cast<unsigned char>(9));
  r.SetData(5, CString("\xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC"));
  r.SetData(6, COleDateTime(1999, 12, 31, 23, 59, 58));
  CByteArray bytes;
  for (int i = 0; i < 300; ++i) bytes.Add(static_cast<BYTE>(i));
  r.SetData(7, bytes);
  r.SetData(8, COleCurrency(5, 1));
  r.SetString(9, "single \xC3\xBC", 14);
  r.SetString(10, "", VT_NULL);
  r.SetString(12, "1", VT_BOOL);  // 11 stays VT_EMPTY
  return r;
}

TEST(RecordArchive, RoundTripRestoresSizeAndValues) {
  COCIRecord source = Sample();
  source.m_nRecordType = 5;
  std::vector<BYTE> bytes = Store(source);

  COCIRecord loaded;
  loaded.SetData(20, 1);  // loading resizes to the stored count
  loaded.m_nRecordType = 42;
  ASSERT_TRUE(Load(bytes, loaded));
  ASSERT_EQ(loaded.GetSize(), source.GetSize());
  EXPECT_TRUE(loaded == source);
  EXPECT_EQ(loaded.m_nRecordType, 42);
  for (int i = 0; i < source.GetSize(); ++i)
    EXPECT_EQ(loaded.GetString(i), source.GetString(i)) << i;
}

TEST(RecordArchive, EmptyRecordRoundTrips) {
  COCIRecord empty;
  std::vector<BYTE> bytes = Store(empty);
  COCIRecord loaded;
  loaded.SetData(2, 1);
  ASSERT_TRUE(Load(bytes, loaded));
  EXPECT_EQ(loaded.GetSize(), 0);
}

TEST(RecordArchive, EveryTruncationThrows) {
  COCIRecord source = Sample();
  std::vector<BYTE> bytes = Store(source);
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    COCIRecord loaded;
    EXPECT_FALSE(Load(std::vector<BYTE>(bytes.begin(), bytes.begin() + cut),
                      loaded))
        << "cut at " << cut;
  }
}

TEST(RecordArchive, CountsTheArchiveCannotHoldAreRefused) {
  const std::vector<std::vector<BYTE>> inputs = {
      {0xFE, 0xFF},                                // 65534 elements, no data
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},        // 2^31-1 elements
      {0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF},        // 32-bit count 0xFFFFFFFE
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,         // 64-bit count
       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
      {0x01, 0x00, 0x08, 0x00, 0xFF, 0xFF, 0xFF, 0x7F},  // huge text length
      {0x01, 0x00, 0x11, 0x20, 0xFF, 0xFF, 0xFF, 0x7F},  // huge byte array
      {0x01, 0x00, 0x34, 0x12},                    // unknown kind
  };
  for (const auto &input : inputs) {
    COCIRecord loaded;
    EXPECT_FALSE(Load(input, loaded)) << input.size();
  }
}

}  // namespace
