// BLOB and CLOB values through locators filled by fetches: length, reads and
// writes (overwriting, extending, padding), NULL and empty values, what a
// second session and the sqlite3 shell see after commit, misuse of
// locators, and one 100 MB value.
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Cell;
using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;

using Bytes = std::vector<unsigned char>;

std::string Hex(const Bytes &bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
  }
  return out;
}

Bytes FromHex(const std::string &hex) {
  Bytes out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

class EngineLob : public ::testing::Test {
 protected:
  EngineLob() : s(dir.CreateLink("lob.db")) {}
  void SetUp() override {
    ASSERT_TRUE(s.ok()) << s.ErrorText();
    Exec("CREATE TABLE docs (id NUMBER(10), body BLOB)");
    ASSERT_EQ(OCIDescriptorAlloc(s.env, reinterpret_cast<dvoid **>(&lob), OCI_DTYPE_LOB, 0,
                                 nullptr),
              OCI_SUCCESS);
  }

  void Exec(const std::string &sql, Session *session = nullptr) {
    Session &on = session ? *session : s;
    ASSERT_EQ(on.Run(sql), OCI_SUCCESS) << sql << ": " << on.ErrorText();
  }
  // Executes `sql` (a query of one BLOB column) and fetches its first row
  // into the locator; answers the fetch's status.
  sword Locate(const std::string &sql) {
    if (query) OCIHandleFree(query, OCI_HTYPE_STMT);  // closes its cursor
    query = s.NewStatement();
    EXPECT_EQ(OCIStmtPrepare(query, s.err, reinterpret_cast<const OraText *>(sql.data()),
                             static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_SUCCESS);
    EXPECT_EQ(OCIStmtExecute(s.svc, query, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS)
        << sql << ": " << s.ErrorText();
    OCIDefine *define = nullptr;
    EXPECT_EQ(OCIDefineByPos(query, &define, s.err, 1, &lob, 0, SQLT_BLOB, &indicator,
                             nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    return OCIStmtFetch(query, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
  }
  sword Locate(int id) {
    return Locate("SELECT body FROM docs WHERE id = " + std::to_string(id));
  }
  sword Length(ub4 *length) { return OCILobGetLength(s.svc, s.err, lob, length); }
  sword Read(ub4 offset, ub4 *amount, Bytes *buffer) {
    return OCILobRead(s.svc, s.err, lob, amount, offset, buffer->data(),
                      static_cast<ub4>(buffer->size()), nullptr, nullptr, 0, SQLCS_IMPLICIT);
  }
  sword Write(ub4 offset, const Bytes &bytes, ub4 *amount = nullptr) {
    ub4 local = static_cast<ub4>(bytes.size());
    return OCILobWrite(s.svc, s.err, lob, amount ? amount : &local, offset,
                       const_cast<unsigned char *>(bytes.data()),
                       static_cast<ub4>(bytes.size()), OCI_ONE_PIECE, nullptr, nullptr, 0,
                       SQLCS_IMPLICIT);
  }
  // The row's value as the session (or another) sees it through SQL.
  Cell Stored(int id, Session *session = nullptr) {
    Session &on = session ? *session : s;
    const Rows rows =
        on.Query("SELECT RAWTOHEX(body) FROM docs WHERE id = " + std::to_string(id));
    return rows.empty() ? Cell("<no row>") : rows[0][0];
  }

  TempDir dir;
  Session s;
  OCILobLocator *lob = nullptr;
  OCIStmt *query = nullptr;
  sb2 indicator = 7;
};

TEST_F(EngineLob, LengthAndReads) {
  Exec("INSERT INTO docs VALUES (1, HEXTORAW('0102030405'))");
  ASSERT_EQ(Locate(1), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(indicator, 0);
  ub4 length = 0;
  ASSERT_EQ(Length(&length), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(length, 5u);

  const struct {
    ub4 offset;
    ub4 amount;      // asked for
    size_t buffer;   // buffer length
    sword status;
    const char *read;
  } cases[] = {
      {1, 5, 5, OCI_SUCCESS, "0102030405"},
      {2, 3, 8, OCI_SUCCESS, "020304"},
      {4, 10, 10, OCI_SUCCESS, "0405"},    // past the end: fewer bytes
      {1, 10, 2, OCI_SUCCESS, "0102"},     // never more than the buffer
      {3, 0, 2, OCI_SUCCESS, "0304"},      // 0: what the buffer holds
      {5, 1, 1, OCI_SUCCESS, "05"},
      {6, 1, 1, OCI_NO_DATA, ""},          // starts past the end
      {1000, 4, 4, OCI_NO_DATA, ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.offset);
    Bytes buffer(c.buffer, 0xEE);
    ub4 amount = c.amount;
    ASSERT_EQ(Read(c.offset, &amount, &buffer), c.status) << s.ErrorText();
    buffer.resize(amount);
    EXPECT_EQ(Hex(buffer), c.read);
  }
}

// A CLOB through its locator: a copy of the text as fetched, counted in
// characters (UTF-8: 'é' is two bytes, '€' three), never split at the
// buffer's end, and read-only.
TEST_F(EngineLob, ClobLocatorsCountCharacters) {
  Exec("CREATE TABLE notes (id NUMBER(10), body CLOB, plain VARCHAR2(10))");
  Exec("INSERT INTO notes VALUES (1, 'a\xC3\xA9" "b\xE2\x82\xAC" "c', 'x')");
  auto locate = [&](const std::string &sql) {
    if (query) OCIHandleFree(query, OCI_HTYPE_STMT);
    query = s.NewStatement();
    EXPECT_EQ(OCIStmtPrepare(query, s.err, reinterpret_cast<const OraText *>(sql.data()),
                             static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_SUCCESS);
    EXPECT_EQ(OCIStmtExecute(s.svc, query, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS) << s.ErrorText();
    OCIDefine *define = nullptr;
    EXPECT_EQ(OCIDefineByPos(query, &define, s.err, 1, &lob, 0, SQLT_CLOB, &indicator,
                             nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
    return OCIStmtFetch(query, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
  };
  // From a column and from an expression alike.
  for (const char *sql : {"SELECT body FROM notes", "SELECT TO_CLOB(plain) || body FROM notes"}) {
    SCOPED_TRACE(sql);
    ASSERT_EQ(locate(sql), OCI_SUCCESS) << s.ErrorText();
    ub4 length = 0;
    ASSERT_EQ(Length(&length), OCI_SUCCESS) << s.ErrorText();
    EXPECT_EQ(length, std::string(sql).find("plain") != std::string::npos ? 6u : 5u);
  }
  ASSERT_EQ(locate("SELECT body FROM notes"), OCI_SUCCESS);
  const struct {
    ub4 offset;      // characters
    ub4 amount;      // characters asked for
    size_t buffer;   // bytes
    sword status;
    const char *read;  // bytes written
  } cases[] = {
      {1, 5, 16, OCI_SUCCESS, "a\xC3\xA9" "b\xE2\x82\xAC" "c"},
      {2, 1, 16, OCI_SUCCESS, "\xC3\xA9"},
      {2, 0, 4, OCI_SUCCESS, "\xC3\xA9" "b"},  // '€' would not fit whole
      {4, 9, 16, OCI_SUCCESS, "\xE2\x82\xAC" "c"},
      {6, 1, 4, OCI_NO_DATA, ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.offset);
    Bytes buffer(c.buffer, 0xEE);
    ub4 amount = c.amount;
    ASSERT_EQ(Read(c.offset, &amount, &buffer), c.status) << s.ErrorText();
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(buffer.data()), amount), c.read);
  }
  EXPECT_EQ(Write(1, Bytes{'z'}), OCI_ERROR);
  EXPECT_NE(s.ErrorText().find("ORA-03001"), std::string::npos) << s.ErrorText();
  // A CLOB locator needs a CLOB column.
  EXPECT_NE(locate("SELECT plain FROM notes"), OCI_SUCCESS);
  EXPECT_NE(s.ErrorText().find("ORA-00932"), std::string::npos) << s.ErrorText();
}

TEST_F(EngineLob, WritesOverwriteExtendAndPadButNeverTruncate) {
  const struct {
    const char *before;  // hex; "" is an empty BLOB
    ub4 offset;
    const char *written;
    const char *after;
  } cases[] = {
      {"0102030405", 1, "AA", "AA02030405"},
      {"0102030405", 3, "AABB", "0102AABB05"},
      {"0102030405", 4, "AABBCC", "010203AABBCC"},
      {"0102030405", 6, "AA", "0102030405AA"},
      {"0102030405", 8, "AA", "01020304050000AA"},
      {"", 1, "AABB", "AABB"},
      {"", 3, "AA", "0000AA"},
  };
  int id = 0;
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.before) + " at " + std::to_string(c.offset));
    ++id;
    const std::string value =
        *c.before ? "HEXTORAW('" + std::string(c.before) + "')" : std::string("EMPTY_BLOB()");
    Exec("INSERT INTO docs VALUES (" + std::to_string(id) + ", " + value + ")");
    ASSERT_EQ(Locate(id), OCI_SUCCESS) << s.ErrorText();
    ub4 amount = 0;
    const Bytes bytes = FromHex(c.written);
    amount = static_cast<ub4>(bytes.size());
    ASSERT_EQ(Write(c.offset, bytes, &amount), OCI_SUCCESS) << s.ErrorText();
    EXPECT_EQ(amount, bytes.size());
    EXPECT_EQ(Stored(id), Cell(c.after));
    ub4 length = 0;
    ASSERT_EQ(Length(&length), OCI_SUCCESS);
    EXPECT_EQ(length * 2, strlen(c.after));
  }
}

TEST_F(EngineLob, EmptyIsAValueAndNullIsNot) {
  // An empty BLOB is a locator of length 0, unlike NULL.
  Exec("INSERT INTO docs VALUES (1, EMPTY_BLOB())");
  Exec("INSERT INTO docs VALUES (2, EMPTY_BLOB())");
  Exec("INSERT INTO docs VALUES (3, NULL)");
  for (int id : {1, 2}) {
    SCOPED_TRACE(id);
    ASSERT_EQ(Locate(id), OCI_SUCCESS) << s.ErrorText();
    EXPECT_EQ(indicator, 0);
    ub4 length = 99;
    ASSERT_EQ(Length(&length), OCI_SUCCESS) << s.ErrorText();
    EXPECT_EQ(length, 0u);
    Bytes buffer(4);
    ub4 amount = 4;
    EXPECT_EQ(Read(1, &amount, &buffer), OCI_NO_DATA);
    EXPECT_EQ(amount, 0u);
  }

  ASSERT_EQ(Locate(3), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(indicator, -1);
  ub4 length = 0;
  EXPECT_EQ(Length(&length), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 22275);
  Bytes buffer(4);
  ub4 amount = 4;
  EXPECT_EQ(Read(1, &amount, &buffer), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 22275);
  EXPECT_EQ(Write(1, {1}), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 22275);
  EXPECT_EQ(Stored(3), Cell());
}

TEST_F(EngineLob, WritesAreTransactional) {
  Exec("INSERT INTO docs VALUES (1, HEXTORAW('0102'))");
  Exec("INSERT INTO docs VALUES (2, HEXTORAW('0304'))");
  ASSERT_EQ(s.Commit(), OCI_SUCCESS);
  Session other(dir.CreateLink("lob.db"));
  ASSERT_TRUE(other.ok()) << other.ErrorText();

  // The locator moves with the fetch; a write while the cursor is open
  // leaves the cursor usable.
  ASSERT_EQ(Locate("SELECT body FROM docs ORDER BY id"), OCI_SUCCESS);
  ASSERT_EQ(Write(2, {0xAA, 0xBB}), OCI_SUCCESS) << s.ErrorText();
  ASSERT_EQ(OCIStmtFetch(query, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS)
      << s.ErrorText();
  ASSERT_EQ(Write(1, {0xCC}), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(OCIStmtFetch(query, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
  EXPECT_EQ(Stored(1), Cell("01AABB"));
  EXPECT_EQ(Stored(2), Cell("CC04"));

  // Nothing is seen elsewhere before commit; everything after.
  EXPECT_EQ(Stored(1, &other), Cell("0102"));
  EXPECT_EQ(Stored(2, &other), Cell("0304"));
  ASSERT_EQ(s.Commit(), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(Stored(1, &other), Cell("01AABB"));
  EXPECT_EQ(Stored(2, &other), Cell("CC04"));

  // The sqlite3 shell reads the committed bytes from the file.
  const std::string command =
      "sqlite3 -readonly '" + dir.File("lob.db") + "' 'SELECT hex(body) FROM docs ORDER BY id'";
  FILE *shell = popen(command.c_str(), "r");
  ASSERT_NE(shell, nullptr);
  std::string output;
  char line[256];
  while (fgets(line, sizeof line, shell)) output += line;
  ASSERT_EQ(pclose(shell), 0) << "is the sqlite3 shell installed? " << output;
  EXPECT_EQ(output, "01AABB\nCC04\n");

  // A rolled back write is gone, the extension with it.
  ASSERT_EQ(Locate(1), OCI_SUCCESS);
  ASSERT_EQ(Write(3, {1, 2, 3, 4}), OCI_SUCCESS);
  EXPECT_EQ(Stored(1), Cell("01AA01020304"));
  ASSERT_EQ(s.Rollback(), OCI_SUCCESS);
  EXPECT_EQ(Stored(1), Cell("01AABB"));
}

TEST_F(EngineLob, LocatorMisuseFailsClearly) {
  Exec("INSERT INTO docs VALUES (1, HEXTORAW('0102'))");
  Exec("CREATE TABLE tags (id NUMBER(10), tag VARCHAR2(10))");
  Exec("INSERT INTO tags VALUES (1, 'a')");
  ub4 length = 0;
  Bytes buffer(2);
  ub4 amount = 2;

  // Never filled by a fetch.
  EXPECT_EQ(Length(&length), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 22275);

  // A value whose row cannot be told (a join) cannot be opened.
  ASSERT_EQ(Locate("SELECT d.body FROM docs d, tags t WHERE d.id = t.id"), OCI_SUCCESS)
      << s.ErrorText();
  EXPECT_EQ(indicator, 0);
  EXPECT_EQ(Read(1, &amount, &buffer), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 22275);

  // Bad arguments.
  ASSERT_EQ(Locate(1), OCI_SUCCESS);
  EXPECT_EQ(Read(0, &amount, &buffer), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 24801);
  EXPECT_EQ(OCILobRead(s.svc, s.err, lob, nullptr, 1, buffer.data(), 2, nullptr, nullptr, 0,
                       SQLCS_IMPLICIT),
            OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 21560);
  amount = 4;
  EXPECT_EQ(OCILobWrite(s.svc, s.err, lob, &amount, 1, buffer.data(), 2, OCI_ONE_PIECE,
                        nullptr, nullptr, 0, SQLCS_IMPLICIT),
            OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 24801);
  amount = 2;
  EXPECT_EQ(OCILobWrite(s.svc, s.err, lob, &amount, 1, buffer.data(), 2, OCI_FIRST_PIECE,
                        nullptr, nullptr, 0, SQLCS_IMPLICIT),
            OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 3001);
  EXPECT_EQ(Stored(1), Cell("0102"));

  // The row's value changed under the locator: now NULL, now a number.
  Exec("UPDATE docs SET body = NULL WHERE id = 1");
  EXPECT_EQ(Length(&length), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 22275);
  Exec("UPDATE docs SET body = 12 WHERE id = 1");
  EXPECT_EQ(Write(1, {1}), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 932);

  // The row is gone.
  Exec("DELETE FROM docs WHERE id = 1");
  amount = 2;
  EXPECT_EQ(Read(1, &amount, &buffer), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 22922);
  EXPECT_EQ(Write(1, {1}), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 22922);
  EXPECT_EQ(Write(5, {1}), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 22922);

  // The table is gone.
  Exec("INSERT INTO docs VALUES (2, HEXTORAW('01'))");
  ASSERT_EQ(Locate(2), OCI_SUCCESS);
  OCIStmtFetch(query, s.err, 0, OCI_FETCH_NEXT, OCI_DEFAULT);  // closes the cursor
  Exec("DROP TABLE docs");
  EXPECT_EQ(Length(&length), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 942);

  // A freed locator is no handle at all.
  ASSERT_EQ(OCIDescriptorFree(lob, OCI_DTYPE_LOB), OCI_SUCCESS);
  EXPECT_EQ(Length(&length), OCI_INVALID_HANDLE);
  EXPECT_EQ(Read(1, &amount, &buffer), OCI_INVALID_HANDLE);
  EXPECT_EQ(Write(1, {1}), OCI_INVALID_HANDLE);
}

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The one large test: 100 MB written into an empty BLOB from offset 1,
// committed, overwritten in the middle, and read back, within a few
// seconds and without the engine holding a copy of the value.
TEST_F(EngineLob, HundredMegabyteValue) {
  constexpr size_t kSize = 100u << 20;
  Bytes data(kSize);
  for (size_t i = 0; i < kSize; ++i) data[i] = static_cast<unsigned char>(i * 131 + (i >> 20));
  Bytes back(kSize);
  memset(back.data(), 0, kSize);  // both buffers resident before measuring
  const long before = PeakRssKiB();

  Exec("INSERT INTO docs VALUES (1, EMPTY_BLOB())");
  ASSERT_EQ(Locate(1), OCI_SUCCESS);
  ASSERT_EQ(Write(1, data), OCI_SUCCESS) << s.ErrorText();
  ASSERT_EQ(s.Commit(), OCI_SUCCESS) << s.ErrorText();
  const Bytes patch(1 << 20, 0x5A);
  ASSERT_EQ(Write(50u << 20, patch), OCI_SUCCESS) << s.ErrorText();
  memcpy(data.data() + (50u << 20) - 1, patch.data(), patch.size());
  ASSERT_EQ(s.Commit(), OCI_SUCCESS) << s.ErrorText();

  ub4 length = 0;
  ASSERT_EQ(Length(&length), OCI_SUCCESS);
  EXPECT_EQ(length, kSize);
  ub4 amount = static_cast<ub4>(kSize);
  ASSERT_EQ(Read(1, &amount, &back), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(amount, kSize);
  EXPECT_TRUE(back == data);
  // The value goes between the caller's buffers and the file without a
  // copy of its own: only SQLite's page cache is added (one copy would
  // show as 100 MB).
  EXPECT_LT(PeakRssKiB() - before, 48L * 1024);
}

}  // namespace
