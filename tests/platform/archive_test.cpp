// CArchive: little-endian scalars, the count form, buffering, and the
// variant and array forms: round trips of every kind, exact bytes, kinds
// refused before anything is written, and truncated or corrupted archives
// that throw without crashing or allocating for counts they cannot hold.
#include <limits.h>
#include <string.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CArchive.h"
#include "CArray.h"
#include "CByteArray.h"
#include "CFile.h"
#include "CMemFile.h"
#include "COleCurrency.h"
#include "COleDateTime.h"
#include "COleVariant.h"

namespace {

std::string Contents(CFile &f) {
  f.SeekToBegin();
  std::string bytes(static_cast<size_t>(f.GetLength()), '\0');
  if (!bytes.empty()) f.Read(&bytes[0], static_cast<UINT>(bytes.size()));
  return bytes;
}

std::string Stored(const std::function<void(CArchive &)> &store,
                   int bufSize = 4096) {
  CMemFile f;
  CArchive ar(&f, CArchive::store, bufSize);
  store(ar);
  ar.Close();
  return Contents(f);
}

void Loaded(const std::string &bytes,
            const std::function<void(CArchive &)> &load, int bufSize = 4096) {
  CMemFile f;
  f.Write(bytes.data(), static_cast<UINT>(bytes.size()));
  f.SeekToBegin();
  CArchive ar(&f, CArchive::load, bufSize);
  load(ar);
}

std::string Hex(const std::string &bytes) {
  std::string out;
  char two[4];
  for (unsigned char c : bytes) {
    snprintf(two, sizeof two, "%02X ", c);
    out += two;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

// The cause of the CArchiveException f throws; -1 when it throws none.
int ArchiveCauseOf(const std::function<void()> &f) {
  try {
    f();
  } catch (CArchiveException *e) {
    const int cause = e->m_cause;
    e->Delete();
    return cause;
  }
  return -1;
}

SCODE OleErrorOf(const std::function<void()> &f) {
  try {
    f();
  } catch (COleException *e) {
    const SCODE sc = e->m_sc;
    e->Delete();
    return sc;
  }
  return S_OK;
}

COleVariant Kind(VARTYPE vt) {
  COleVariant v;
  v.vt = vt;
  return v;
}

COleVariant Bytes(const std::string &bytes) {
  CByteArray a;
  for (char c : bytes) a.Add(static_cast<BYTE>(c));
  return COleVariant(a);
}

COleVariant Decimal() {
  COleVariant v;
  v.decVal.Hi32 = 0x01020304u;
  v.decVal.Lo32 = 0x05060708u;
  v.decVal.Mid32 = 0x090A0B0Cu;
  v.decVal.scale = 3;
  v.decVal.sign = DECIMAL_NEG;
  v.vt = VT_DECIMAL;
  return v;
}

COleVariant StoreLoad(const COleVariant &v) {
  const std::string bytes = Stored([&](CArchive &ar) { ar << v; });
  COleVariant back;
  Loaded(bytes, [&](CArchive &ar) { ar >> back; });
  return back;
}

// Every kind the variant form covers, with values that exercise it.
std::vector<COleVariant> EveryKind() {
  std::vector<COleVariant> all;
  all.push_back(COleVariant());
  all.push_back(Kind(VT_NULL));
  all.push_back(COleVariant(static_cast<short>(-12345)));
  all.push_back(COleVariant(-123456789));
  all.push_back(COleVariant(-1.25f));
  all.push_back(COleVariant(6.02214076e23));
  all.push_back(COleVariant(COleCurrency(-1234, -5678)));
  all.push_back(COleVariant(COleDateTime(-1.25)));
  all.push_back(COleVariant(static_cast<short>(1), VT_BOOL));
  all.push_back(COleVariant(static_cast<BYTE>(0xFE)));
  all.push_back(COleVariant(static_cast<int>(DISP_E_OVERFLOW), VT_ERROR));
  all.push_back(Decimal());
  all.push_back(COleVariant("plain"));
  all.push_back(COleVariant("gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80"));  // emoji
  all.push_back(COleVariant(""));
  all.push_back(Bytes(std::string("\x00\x01\xFF", 3)));
  all.push_back(Bytes(""));
  return all;
}

}  // namespace

TEST(Archive, ScalarsAreLittleEndianAtWindowsWidths) {
  const std::string bytes = Stored([](CArchive &ar) {
    ar << static_cast<BYTE>(0xAB) << 'c' << true << static_cast<WORD>(0x1234)
       << static_cast<SHORT>(-2) << -2 << 0x01020304u
       << static_cast<LONGLONG>(-2) << static_cast<ULONGLONG>(0x0102030405060708)
       << 1.0f << 1.0;
  });
  EXPECT_EQ(Hex(bytes),
            "AB 63 01 34 12 FE FF FE FF FF FF 04 03 02 01 "
            "FE FF FF FF FF FF FF FF 08 07 06 05 04 03 02 01 "
            "00 00 80 3F 00 00 00 00 00 00 F0 3F");

  BYTE by;
  char ch;
  bool b;
  WORD w;
  SHORT s;
  int i;
  unsigned u;
  LONGLONG ll;
  ULONGLONG ull;
  float f;
  double d;
  Loaded(bytes, [&](CArchive &ar) {
    ar >> by >> ch >> b >> w >> s >> i >> u >> ll >> ull >> f >> d;
  });
  EXPECT_EQ(by, 0xAB);
  EXPECT_EQ(ch, 'c');
  EXPECT_TRUE(b);
  EXPECT_EQ(w, 0x1234);
  EXPECT_EQ(s, -2);
  EXPECT_EQ(i, -2);
  EXPECT_EQ(u, 0x01020304u);
  EXPECT_EQ(ll, -2);
  EXPECT_EQ(ull, 0x0102030405060708u);
  EXPECT_EQ(f, 1.0f);
  EXPECT_EQ(d, 1.0);
}

TEST(Archive, CountForms) {
  const struct {
    DWORD_PTR count;
    const char *hex;
  } cases[] = {
      {0, "00 00"},
      {0xFFFE, "FE FF"},
      {0xFFFF, "FF FF FF FF 00 00"},
      {0x12345, "FF FF 45 23 01 00"},
      {0xFFFFFFFE, "FF FF FE FF FF FF"},
      {0xFFFFFFFF, "FF FF FF FF FF FF FF FF FF FF 00 00 00 00"},
      {0x123456789A, "FF FF FF FF FF FF 9A 78 56 34 12 00 00 00"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.hex);
    const std::string bytes =
        Stored([&](CArchive &ar) { ar.WriteCount(c.count); });
    EXPECT_EQ(Hex(bytes), c.hex);
    DWORD_PTR back = 0;
    Loaded(bytes, [&](CArchive &ar) { back = ar.ReadCount(); });
    EXPECT_EQ(back, c.count);
  }
}

TEST(Archive, DirectionAndEndOfDataAreChecked) {
  CMemFile f;
  {
    CArchive storing(&f, CArchive::store);
    EXPECT_TRUE(storing.IsStoring());
    int i;
    EXPECT_EQ(ArchiveCauseOf([&] { storing >> i; }),
              CArchiveException::writeOnly);
    EXPECT_EQ(storing.GetFile(), &f);
  }
  Loaded("\x01\x02\x03", [](CArchive &ar) {
    EXPECT_TRUE(ar.IsLoading());
    EXPECT_EQ(ArchiveCauseOf([&] { ar << 1; }), CArchiveException::readOnly);
    int i = 7;
    EXPECT_EQ(ArchiveCauseOf([&] { ar >> i; }), CArchiveException::endOfFile);
    char rest[8];
    EXPECT_EQ(ar.Read(rest, 8), 0u);
  });
  Loaded("\x01\x02\x03", [](CArchive &ar) {
    char some[8];
    EXPECT_EQ(ar.Read(some, 8), 3u);  // Read alone answers fewer
  });
}

TEST(Archive, BufferingAcrossSmallBuffers) {
  std::string block(1000, '\0');
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i);
  const std::string bytes = Stored(
      [&](CArchive &ar) {
        for (int i = 0; i < 100; ++i) ar << i;
        ar.Write(block.data(), 1000);  // larger than the buffer
        ar << 0.5;
      },
      128);
  ASSERT_EQ(bytes.size(), 400u + 1000u + 8u);
  Loaded(
      bytes,
      [&](CArchive &ar) {
        for (int i = 0; i < 100; ++i) {
          int v;
          ar >> v;
          ASSERT_EQ(v, i);
        }
        std::string back(1000, '\0');
        EXPECT_EQ(ar.Read(&back[0], 1000), 1000u);
        EXPECT_EQ(back, block);
        double d;
        ar >> d;
        EXPECT_EQ(d, 0.5);
      },
      128);
}

TEST(Archive, CloseFlushesAndLoadingGivesBackItsReadAhead) {
  CMemFile f;
  {
    CArchive ar(&f, CArchive::store);
    ar << 5;
    EXPECT_EQ(f.GetLength(), 0u);  // still buffered
  }  // the destructor flushes
  EXPECT_EQ(f.GetLength(), 4u);
  {
    CArchive ar(&f, CArchive::store | CArchive::bNoFlushOnDelete);
    ar << 6;
  }
  EXPECT_EQ(f.GetLength(), 4u);

  f.SeekToBegin();
  CArchive ar(&f, CArchive::load);
  BYTE first;
  ar >> first;
  ar.Close();
  EXPECT_EQ(f.GetPosition(), 1u);  // the file stands after what was used
}

TEST(Archive, DiskFileRoundTrip) {
  char path[] = "/tmp/kestrel-archive-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  {
    CFile f(path, CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&f, CArchive::store);
    ar << COleVariant("on disk") << 2.5;
    ar.Close();
  }
  {
    CFile f(path, CFile::modeRead);
    CArchive ar(&f, CArchive::load);
    COleVariant v;
    double d;
    ar >> v >> d;
    EXPECT_TRUE(v == COleVariant("on disk"));
    EXPECT_EQ(d, 2.5);
  }
  unlink(path);
}

TEST(VariantArchive, EveryKindRoundTrips) {
  for (const COleVariant &v : EveryKind()) {
    SCOPED_TRACE(v.vt);
    const COleVariant back = StoreLoad(v);
    EXPECT_EQ(back.vt, v.vt);
    EXPECT_TRUE(back == v);
  }
  // A NaN keeps its bits.
  const COleVariant nan = StoreLoad(COleVariant(std::nan("")));
  EXPECT_TRUE(std::isnan(nan.dblVal));
}

TEST(VariantArchive, ExactBytes) {
  const struct {
    COleVariant value;
    const char *hex;
  } cases[] = {
      {COleVariant(), "00 00"},
      {Kind(VT_NULL), "01 00"},
      {COleVariant(static_cast<short>(-2)), "02 00 FE FF"},
      {COleVariant(5), "03 00 05 00 00 00"},
      {COleVariant(static_cast<BYTE>(7)), "11 00 07"},
      {COleVariant(static_cast<short>(1), VT_BOOL), "0B 00 FF FF"},
      {COleVariant(COleCurrency(1, 0)), "06 00 10 27 00 00 00 00 00 00"},
      {COleVariant("A\xC3\xA9"), "08 00 04 00 00 00 41 00 E9 00"},
      {Bytes("\x01\x02\x03"), "11 20 03 00 00 00 01 02 03"},
      {Decimal(),
       "0E 00 0E 00 03 80 04 03 02 01 08 07 06 05 0C 0B 0A 09"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.hex);
    EXPECT_EQ(Hex(Stored([&](CArchive &ar) { ar << c.value; })), c.hex);
  }
}

TEST(VariantArchive, MarkedTextIsWrittenWidenedAndLoadsAsTheSameText) {
  const char *utf8 = "r\xC3\xA9sum\xC3\xA9";  // "résumé"
  const COleVariant marked(utf8, VT_BSTRT);
  const std::string bytes = Stored([&](CArchive &ar) { ar << marked; });
  EXPECT_EQ(bytes,
            Stored([&](CArchive &ar) { ar << COleVariant(utf8); }));
  const COleVariant back = StoreLoad(marked);
  EXPECT_FALSE(AfxIsAnsiBstr(back.bstrVal));
  EXPECT_EQ(std::u16string(back.bstrVal), u"r\u00e9sum\u00e9");
  EXPECT_TRUE(back == marked);
}

TEST(VariantArchive, ByteArrayWithoutStorageStoresNothing) {
  COleVariant missing = Kind(VT_ARRAY | VT_UI1);
  missing.parray = nullptr;
  EXPECT_EQ(Hex(Stored([&](CArchive &ar) { ar << missing; })),
            "11 20 00 00 00 00");
  const COleVariant back = StoreLoad(missing);
  ASSERT_EQ(back.vt, VT_ARRAY | VT_UI1);
  ASSERT_NE(back.parray, nullptr);
  EXPECT_EQ(back.parray->rgsabound[0].cElements, 0u);
}

TEST(VariantArchive, UncoveredKindsAreRefusedBeforeWriting) {
  std::vector<COleVariant> refused;
  COleVariant i8 = Kind(VT_I8);
  i8.llVal = 1;
  refused.push_back(i8);
  refused.push_back(Kind(VT_UI4));
  LONG target = 5;
  COleVariant byRef = Kind(VT_BYREF | VT_I4);
  byRef.plVal = &target;
  refused.push_back(byRef);
  SAFEARRAYBOUND bound = {2, 0};
  COleVariant longs = Kind(VT_EMPTY);
  longs.parray = SafeArrayCreate(VT_I4, 1, &bound);
  longs.vt = VT_ARRAY | VT_I4;
  refused.push_back(longs);
  SAFEARRAYBOUND square[2] = {{2, 0}, {2, 0}};
  COleVariant grid;
  grid.parray = SafeArrayCreate(VT_UI1, 2, square);
  grid.vt = VT_ARRAY | VT_UI1;
  refused.push_back(grid);

  for (const COleVariant &v : refused) {
    SCOPED_TRACE(v.vt);
    CMemFile f;
    CArchive ar(&f, CArchive::store);
    EXPECT_EQ(OleErrorOf([&] { ar << v; }), DISP_E_TYPEMISMATCH);
    ar.Close();
    EXPECT_EQ(f.GetLength(), 0u);

    // In an array, nothing of the array is written either.
    CArray<COleVariant> a;
    a.Add(COleVariant(1));
    a.Add(v);
    CMemFile g;
    CArchive arrayAr(&g, CArchive::store);
    EXPECT_EQ(OleErrorOf([&] { a.Serialize(arrayAr); }), DISP_E_TYPEMISMATCH);
    arrayAr.Close();
    EXPECT_EQ(g.GetLength(), 0u);
  }
}

TEST(VariantArchive, EveryTruncationThrowsAndKeepsTheTarget) {
  const std::vector<COleVariant> all = EveryKind();
  for (const COleVariant &v : all) {
    const std::string bytes = Stored([&](CArchive &ar) { ar << v; });
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      SCOPED_TRACE(testing::Message() << "vt " << v.vt << " cut " << cut);
      COleVariant target("unchanged");
      EXPECT_EQ(ArchiveCauseOf([&] {
                  Loaded(bytes.substr(0, cut),
                         [&](CArchive &ar) { ar >> target; });
                }),
                CArchiveException::endOfFile);
      EXPECT_TRUE(target == COleVariant("unchanged"));
    }
  }
}

TEST(VariantArchive, CorruptedFormsThrow) {
  const struct {
    std::string bytes;
    int cause;
  } cases[] = {
      {std::string("\x09\x00", 2), CArchiveException::badSchema},  // dispatch
      {std::string("\x03\x40\x00\x00\x00\x00", 6),
       CArchiveException::badSchema},  // by reference
      {std::string("\xFF\xFF", 2), CArchiveException::badSchema},
      // decimal with scale 29, then with a sign byte of 1
      {std::string("\x0E\x00\x00\x00\x1D\x00", 6) + std::string(12, '\0'),
       CArchiveException::badSchema},
      {std::string("\x0E\x00\x00\x00\x02\x01", 6) + std::string(12, '\0'),
       CArchiveException::badSchema},
      // counts far beyond the data: refused before any allocation
      {std::string("\x08\x00\xFF\xFF\xFF\xFF" "abcd", 10),
       CArchiveException::endOfFile},
      {std::string("\x11\x20\xFF\xFF\xFF\x7F" "abcd", 10),
       CArchiveException::endOfFile},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(Hex(c.bytes));
    COleVariant target(3);
    EXPECT_EQ(ArchiveCauseOf([&] {
                Loaded(c.bytes, [&](CArchive &ar) { ar >> target; });
              }),
              c.cause);
    EXPECT_TRUE(target == COleVariant(3));
  }
}

TEST(VariantArchive, UnknownLengthReadsInBoundedChunks) {
  // A pipe cannot tell its length: a huge count fails at the real end.
  const struct {
    std::string bytes;
  } cases[] = {
      {std::string("\x08\x00\xFE\xFF\xFF\xFF" "abcd", 10)},
      {std::string("\x11\x20\xFE\xFF\xFF\xFF" "abcd", 10)},
      {std::string("\xFF\xFF\xF0\xFF\xFF\x7F\x03\x00\x01\x00\x00\x00", 12)},
  };
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string &bytes = cases[i].bytes;
    ASSERT_EQ(write(fds[1], bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));
    close(fds[1]);
    CFile pipeEnd(fds[0]);
    CArchive ar(&pipeEnd, CArchive::load);
    ULONGLONG available;
    EXPECT_FALSE(ar.GetLoadableSize(available));
    EXPECT_EQ(ArchiveCauseOf([&] {
                if (i < 2) {
                  COleVariant v;
                  ar >> v;
                } else {
                  CArray<COleVariant> a;  // 0x7FFFFFF0 elements announced
                  a.Serialize(ar);
                }
              }),
              CArchiveException::endOfFile);
    ar.Abort();
    close(fds[0]);
  }
}

TEST(ArrayArchive, VariantArraysRoundTrip) {
  CArray<COleVariant, COleVariant &> stored;
  for (const COleVariant &v : EveryKind()) stored.Add(const_cast<COleVariant &>(v));
  const std::string bytes = Stored([&](CArchive &ar) { stored.Serialize(ar); });
  EXPECT_EQ(Hex(bytes.substr(0, 2)), "11 00");  // the element count

  CArray<COleVariant, COleVariant &> loaded;
  loaded.SetSize(40);  // shrinks to the stored count
  Loaded(bytes, [&](CArchive &ar) { loaded.Serialize(ar); });
  ASSERT_EQ(loaded.GetSize(), stored.GetSize());
  for (INT_PTR i = 0; i < stored.GetSize(); ++i)
    EXPECT_TRUE(loaded[i] == stored[i]) << i;

  CArray<COleVariant> empty;
  Loaded(Stored([&](CArchive &ar) { empty.Serialize(ar); }),
         [&](CArchive &ar) { loaded.Serialize(ar); });
  EXPECT_EQ(loaded.GetSize(), 0);
  EXPECT_EQ(loaded.GetData(), nullptr);
}

TEST(ArrayArchive, CountsBeyondTheDataThrowWithoutAllocating) {
  // 0xFFFFFFF0 elements announced, a few bytes present.
  const std::string huge("\xFF\xFF\xF0\xFF\xFF\xFF\x00\x00", 8);
  CArray<COleVariant> vars;
  EXPECT_EQ(ArchiveCauseOf([&] {
              Loaded(huge, [&](CArchive &ar) { vars.Serialize(ar); });
            }),
            CArchiveException::endOfFile);
  EXPECT_EQ(vars.GetSize(), 0);
  CByteArray bytes;
  EXPECT_EQ(ArchiveCauseOf([&] {
              Loaded(huge, [&](CArchive &ar) { bytes.Serialize(ar); });
            }),
            CArchiveException::endOfFile);
  // The 64-bit count form, beyond any array.
  const std::string vast("\xFF\xFF\xFF\xFF\xFF\xFF" "\x00\x00\x00\x00\x01\x00\x00\x00",
                         14);
  EXPECT_EQ(ArchiveCauseOf([&] {
              Loaded(vast, [&](CArchive &ar) { bytes.Serialize(ar); });
            }),
            CArchiveException::endOfFile);
}

TEST(ArrayArchive, ByteAndBitwiseArrays) {
  CByteArray bytes;
  for (BYTE b : {1, 2, 0xFF}) bytes.Add(b);
  const std::string form = Stored([&](CArchive &ar) { bytes.Serialize(ar); });
  EXPECT_EQ(Hex(form), "03 00 01 02 FF");
  CByteArray back;
  Loaded(form, [&](CArchive &ar) { back.Serialize(ar); });
  ASSERT_EQ(back.GetSize(), 3);
  EXPECT_EQ(back[2], 0xFF);

  CArray<int> ints;
  ints.Add(-1);
  ints.Add(0x01020304);
  EXPECT_EQ(Hex(Stored([&](CArchive &ar) { ints.Serialize(ar); })),
            "02 00 FF FF FF FF 04 03 02 01");
  EXPECT_EQ(ArchiveCauseOf([&] {
              Loaded(std::string("\x02\x00\x01\x00\x00\x00\x02", 7),
                     [&](CArchive &ar) { ints.Serialize(ar); });
            }),
            CArchiveException::endOfFile);
}
