// CFile on disk and CMemFile in memory: open flags, reads that stop at the
// end, seeking, lengths, errors as CFileException, and the memory file's
// growth and buffer hand-over.
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "CFile.h"
#include "CMemFile.h"

namespace {

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/kestrel-file-XXXXXX";
    path_ = mkdtemp(pattern) != nullptr ? pattern : "";
  }
  ~TempDir() {
    if (!path_.empty()) system(("rm -rf '" + path_ + "'").c_str());
  }
  std::string File(const char *name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Runs f and answers the cause of the CFileException it throws (-1 when it
// throws none).
template <typename F>
int FileCauseOf(F f) {
  try {
    f();
  } catch (CFileException *e) {
    const int cause = e->m_cause;
    e->Delete();
    return cause;
  }
  return -1;
}

template <typename F>
bool ThrowsMemory(F f) {
  try {
    f();
  } catch (CMemoryException *e) {
    e->Delete();
    return true;
  }
  return false;
}

std::string ReadAll(CFile &f) {
  f.SeekToBegin();
  std::string text(static_cast<size_t>(f.GetLength()) + 8, '\0');
  text.resize(f.Read(&text[0], static_cast<UINT>(text.size())));
  return text;
}

bool IsOpenDescriptor(int fd) { return fcntl(fd, F_GETFD) != -1; }

}  // namespace

TEST(DiskFile, WritesSeeksAndReads) {
  TempDir dir;
  const std::string path = dir.File("data.bin");
  CFile f;
  ASSERT_TRUE(f.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite |
                                       CFile::typeBinary));
  f.Write("hello world", 11);
  EXPECT_EQ(f.GetLength(), 11u);
  EXPECT_EQ(f.GetPosition(), 11u);
  EXPECT_EQ(f.Seek(-5, CFile::end), 6u);
  char buf[16] = {};
  EXPECT_EQ(f.Read(buf, sizeof buf), 5u);  // fewer at the end
  EXPECT_STREQ(buf, "world");
  EXPECT_EQ(f.Read(buf, sizeof buf), 0u);
  EXPECT_EQ(f.Seek(2, CFile::begin), 2u);
  EXPECT_EQ(f.Seek(1, CFile::current), 3u);
  f.SetLength(5);
  EXPECT_EQ(ReadAll(f), "hello");
  EXPECT_EQ(f.SeekToEnd(), 5u);
  f.Flush();
  EXPECT_EQ(f.GetFileName(), "data.bin");
  EXPECT_EQ(f.GetFilePath(), path.c_str());
  f.Close();
  f.Close();  // harmless

  CFile keep(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate |
                               CFile::modeWrite);
  keep.SeekToEnd();
  keep.Write("!", 1);
  keep.Close();
  CFile reader(path.c_str(), CFile::modeRead);
  EXPECT_EQ(ReadAll(reader), "hello!");
  reader.Close();

  CFile truncating(path.c_str(), CFile::modeCreate | CFile::modeWrite);
  EXPECT_EQ(truncating.GetLength(), 0u);
}

TEST(DiskFile, OpenReportsWhyItFailed) {
  TempDir dir;
  const struct {
    std::string path;
    UINT flags;
    int cause;
    int osError;
  } cases[] = {
      {dir.File("missing"), CFile::modeRead, CFileException::fileNotFound,
       ENOENT},
      {dir.File("no/such/dir"), CFile::modeCreate | CFile::modeWrite,
       CFileException::fileNotFound, ENOENT},
      {dir.File(""), CFile::modeWrite, CFileException::accessDenied, EISDIR},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.path);
    CFile f;
    CFileException error;
    EXPECT_FALSE(f.Open(c.path.c_str(), c.flags, &error));
    EXPECT_EQ(error.m_cause, c.cause);
    EXPECT_EQ(error.m_lOsError, c.osError);
    EXPECT_STREQ(error.m_strFileName, c.path.c_str());
    EXPECT_EQ(f.m_hFile, CFile::hFileNull);
    EXPECT_FALSE(f.Open(c.path.c_str(), c.flags));  // no error object
  }
  // A file used as a directory.
  const std::string plain = dir.File("plain");
  CFile(plain.c_str(), CFile::modeCreate | CFile::modeWrite).Close();
  CFileException error;
  CFile f;
  EXPECT_FALSE(f.Open((plain + "/x").c_str(), CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::badPath);

  EXPECT_EQ(FileCauseOf([&] {
              CFile thrown(dir.File("missing").c_str(), CFile::modeRead);
            }),
            CFileException::fileNotFound);
}

TEST(DiskFile, MisuseThrows) {
  TempDir dir;
  const std::string path = dir.File("w");
  CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
  char c;
  EXPECT_EQ(FileCauseOf([&] { f.Read(&c, 1); }), CFileException::accessDenied);
  EXPECT_EQ(FileCauseOf([&] { f.Seek(-1, CFile::begin); }),
            CFileException::badSeek);
  EXPECT_EQ(FileCauseOf([&] { f.Seek(0, 7); }), CFileException::badSeek);
  f.Close();
  EXPECT_EQ(FileCauseOf([&] { f.Write("x", 1); }),
            CFileException::invalidFile);
  EXPECT_EQ(FileCauseOf([&] { f.GetLength(); }), CFileException::invalidFile);
}

TEST(DiskFile, DestructorClosesOnlyWhatItOpened) {
  TempDir dir;
  const std::string path = dir.File("d");
  int fd;
  {
    CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    fd = f.m_hFile;
    EXPECT_TRUE(IsOpenDescriptor(fd));
  }
  EXPECT_FALSE(IsOpenDescriptor(fd));

  fd = open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  {
    CFile adopted(fd);
    EXPECT_EQ(adopted.GetLength(), 0u);
  }
  EXPECT_TRUE(IsOpenDescriptor(fd));
  close(fd);
}

TEST(MemoryFile, GrowsAndReadsBack) {
  CMemFile f(16);
  f.Write("0123456789", 10);
  f.Write("abcdefghij", 10);
  EXPECT_EQ(f.GetLength(), 20u);
  EXPECT_EQ(ReadAll(f), "0123456789abcdefghij");

  // A gap left by seeking past the end reads as zeros.
  EXPECT_EQ(f.Seek(4, CFile::end), 24u);
  f.Write("Z", 1);
  EXPECT_EQ(ReadAll(f), std::string("0123456789abcdefghij\0\0\0\0Z", 25));

  EXPECT_EQ(f.Seek(-3, CFile::end), 22u);
  char buf[8];
  EXPECT_EQ(f.Read(buf, 8), 3u);  // fewer at the end
  EXPECT_EQ(f.Read(buf, 8), 0u);
  f.Seek(100, CFile::begin);
  EXPECT_EQ(f.Read(buf, 8), 0u);

  f.SetLength(5);
  EXPECT_EQ(f.GetPosition(), 5u);
  f.SetLength(8);
  EXPECT_EQ(ReadAll(f), std::string("01234\0\0\0", 8));
  EXPECT_EQ(FileCauseOf([&] { f.Seek(-9, CFile::current); }),
            CFileException::badSeek);

  BYTE *taken = f.Detach();
  ASSERT_NE(taken, nullptr);
  EXPECT_EQ(memcmp(taken, "01234", 5), 0);
  free(taken);
  EXPECT_EQ(f.GetLength(), 0u);
}

TEST(MemoryFile, FixedBufferDoesNotGrow) {
  BYTE buffer[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
  CMemFile f(buffer, sizeof buffer);
  EXPECT_EQ(f.GetLength(), 8u);
  char head[3];
  EXPECT_EQ(f.Read(head, 3), 3u);
  f.Write("XY", 2);
  EXPECT_EQ(buffer[3], 'X');
  f.SeekToEnd();
  EXPECT_TRUE(ThrowsMemory([&] { f.Write("!", 1); }));
  EXPECT_EQ(f.GetLength(), 8u);
  EXPECT_EQ(f.Detach(), buffer);
}

TEST(MemoryFile, OutgrowingAnAttachedBufferLeavesItToTheCaller) {
  BYTE buffer[4] = {};
  CMemFile f;
  f.Attach(buffer, sizeof buffer, 8);
  EXPECT_EQ(f.GetLength(), 0u);  // a growable attached buffer starts empty
  f.Write("abc", 3);
  EXPECT_EQ(memcmp(buffer, "abc", 3), 0);
  f.Write("defg", 4);  // moves to storage of its own
  f.Write("h", 1);
  EXPECT_EQ(buffer[3], 0);
  EXPECT_EQ(ReadAll(f), "abcdefgh");
  BYTE *own = f.Detach();
  EXPECT_NE(own, buffer);
  free(own);

  CMemFile unopened;
  CFileException error;
  EXPECT_FALSE(unopened.Open("name", CFile::modeRead, &error));
}
