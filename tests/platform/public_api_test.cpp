// An application's view of the framework layer: only the shared library
// and the framework's umbrella headers. Everything here must be exported.
#include "afx.h"
#include "afxdisp.h"
#include "afxtempl.h"

#include <string>

#include <gtest/gtest.h>

TEST(PublicApi, ValueTypesThroughTheSharedLibrary) {
  CString text("caf\xC3\xA9");
  text += " au lait";
  EXPECT_EQ(text.GetLength(), 13);  // bytes of UTF-8

  const COleVariant wide(text);
  const COleVariant single(text, VT_BSTRT);
  EXPECT_TRUE(wide == single);
  EXPECT_EQ(std::u16string(wide.bstrVal), u"caf\u00e9 au lait");

  COleDateTime date;
  ASSERT_TRUE(date.ParseDateTime("1899-12-29 06:00", 0, LANG_USER_DEFAULT));
  EXPECT_EQ(date.m_dt, -1.25);
  EXPECT_EQ(date.GetHour(), 6);

  const COleCurrency money(1234, 5000);
  EXPECT_STREQ(money.Format(0, LANG_USER_DEFAULT), "1234.5");

  CByteArray bytes;
  bytes.Add(0x00);
  bytes.SetAtGrow(2, 0xFF);
  EXPECT_EQ(bytes.GetSize(), 3);

  CArray<COleVariant, COleVariant &> row;
  COleVariant values[] = {wide, single, COleVariant(date), COleVariant(money),
                          COleVariant(bytes), COleVariant(static_cast<short>(7)),
                          COleVariant(2.5)};
  for (COleVariant &v : values) row.Add(v);

  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    row.Serialize(ar);
    ar << COleVariant(42) << 3.5;
    ar.Close();
  }
  file.SeekToBegin();
  CArray<COleVariant, COleVariant &> back;
  COleVariant extra;
  double d = 0;
  {
    CArchive ar(&file, CArchive::load);
    back.Serialize(ar);
    ar >> extra >> d;
  }
  ASSERT_EQ(back.GetSize(), row.GetSize());
  for (INT_PTR i = 0; i < row.GetSize(); ++i) EXPECT_TRUE(back[i] == row[i]);
  EXPECT_TRUE(extra == COleVariant(42));
  EXPECT_EQ(d, 3.5);

  bool refused = false;
  try {
    COleVariant eight;
    eight.vt = VT_I8;
    CArchive ar(&file, CArchive::store);
    ar << eight;
  } catch (CException *e) {
    refused = dynamic_cast<COleException *>(e) != nullptr;
    e->Delete();
  }
  EXPECT_TRUE(refused);
}
