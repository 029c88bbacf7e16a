// COCIRecordset's private bind, define and large-object helpers on real
// statements and a real BLOB column.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "RecordsetAccess.h"
#include "SessionFixture.h"

namespace {

using Access = COCIRecordsetTestAccess;

class RecordsetHelpers : public SessionTest {
 protected:
  // Prepares `sql`, whose placeholders are not bound yet: the execution
  // that OpenRecordset attempts fails and leaves the statement prepared.
  void PrepareUnbound(COCIRecordset &rs, const char *sql) {
    ASSERT_TRUE(rs.InitRecordset(&connection_));
    EXPECT_THROW(rs.OpenRecordset(sql), COCIException);
    EXPECT_EQ(COCIException::errCode(), 1008);
  }
  // Commits what this session has pending, through a statement of its own.
  void CommitPending() { Exec("UPDATE marker SET n = n"); }

  void SetUp() override {
    SessionTest::SetUp();
    Exec("CREATE TABLE marker (n INTEGER)");
    Exec("CREATE TABLE t (id INTEGER, name VARCHAR2(20), amount NUMBER(8,2))");
  }
};

TEST_F(RecordsetHelpers, BindByNameAndPosition) {
  COCIRecordset rs;
  PrepareUnbound(rs, "INSERT INTO t VALUES (:id, :name, :amount)");
  int id = 7;
  char name[] = "seven";
  double amount = 12.5;
  Access::BindByName(rs, ":id", &id, sizeof id, nullptr, SQLT_INT);
  Access::BindByName(rs, ":NAME", name, sizeof name, nullptr, SQLT_STR);
  Access::BindByPos(rs, 3, &amount, sizeof amount, nullptr, SQLT_FLT);
  EXPECT_EQ(COCIException::errCode(), 0);
  EXPECT_STREQ(COCIException::errMsg(), "OCI_SUCCESS");
  EXPECT_TRUE(Access::Execute(rs, 1));
  // The caller's memory is read again at each execution.
  id = 8;
  strcpy(name, "eight");
  sb2 nullIndicator = -1;
  Access::BindByPos(rs, 3, &amount, sizeof amount, &nullIndicator, SQLT_FLT);
  EXPECT_TRUE(Access::Execute(rs, 1));
  rs.CloseRecordset();
  CommitPending();

  COCIConnection other;
  ASSERT_TRUE(Open(other));
  EXPECT_EQ(Scalar("SELECT name || ':' || amount FROM t WHERE id = 7", &other),
            "seven:12.5");
  EXPECT_EQ(Scalar("SELECT amount FROM t WHERE id = 8", &other), "<null>");
  EXPECT_EQ(Scalar("SELECT name FROM t WHERE id = 8", &other), "eight");
}

TEST_F(RecordsetHelpers, BindingAMissingNameThrows) {
  COCIRecordset rs;
  PrepareUnbound(rs, "INSERT INTO t (id) VALUES (:id)");
  int id = 1;
  EXPECT_THROW(Access::BindByName(rs, ":nope", &id, sizeof id, nullptr,
                                  SQLT_INT),
               COCIException);
  EXPECT_EQ(COCIException::errCode(), 1036);
  rs.CloseRecordset();
}

TEST_F(RecordsetHelpers, DefineByPositionFillsCallerMemory) {
  Exec("INSERT INTO t VALUES (41, 'x', 1.25)");
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  rs.OpenRecordset("SELECT id, amount FROM t");
  int id = 0;
  double amount = 0;
  sb2 indicator = 5;
  Access::DefineByPos(rs, 1, &id, sizeof id, &indicator, SQLT_INT);
  Access::DefineByPos(rs, 2, &amount, sizeof amount, nullptr, SQLT_FLT);
  ASSERT_TRUE(rs.MoveNext());
  EXPECT_EQ(id, 41);
  EXPECT_EQ(indicator, 0);
  EXPECT_EQ(amount, 1.25);
  rs.CloseRecordset();
}

TEST_F(RecordsetHelpers, BlobReadWriteAndSize) {
  Exec("CREATE TABLE files (id INTEGER, data BLOB)");
  Exec("INSERT INTO files VALUES (1, HEXTORAW('01020304'))");

  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  rs.OpenRecordset("SELECT data FROM files WHERE id = 1");
  ASSERT_TRUE(rs.MoveNext());
  EXPECT_EQ(Access::SizeBlob(rs), 4);
  unsigned char buffer[4] = {0};
  EXPECT_TRUE(Access::ReadBlob(rs, buffer, sizeof buffer));
  EXPECT_EQ(memcmp(buffer, "\x01\x02\x03\x04", 4), 0);

  // Overwrites from the first byte and extends; never truncates.
  const unsigned char longer[] = {9, 8, 7, 6, 5, 4};
  EXPECT_TRUE(Access::WriteBlob(rs, longer, sizeof longer));
  EXPECT_EQ(Access::SizeBlob(rs), 6);
  const unsigned char shorter[] = {1, 1};
  EXPECT_TRUE(Access::WriteBlob(rs, shorter, sizeof shorter));
  EXPECT_EQ(Access::SizeBlob(rs), 6);
  EXPECT_EQ(COCIException::errCode(), 0);
  rs.CloseRecordset();
  CommitPending();

  COCIConnection other;
  ASSERT_TRUE(Open(other));
  COCIRecordset seen;
  ASSERT_TRUE(seen.InitRecordset(&other));
  seen.OpenRecordset("SELECT data FROM files WHERE id = 1");
  ASSERT_TRUE(seen.MoveNext());
  unsigned char after[6] = {0};
  ASSERT_EQ(Access::SizeBlob(seen), 6);
  EXPECT_TRUE(Access::ReadBlob(seen, after, sizeof after));
  EXPECT_EQ(memcmp(after, "\x01\x01\x07\x06\x05\x04", 6), 0);
  seen.CloseRecordset();
}

TEST_F(RecordsetHelpers, BlobHelpersWithoutALocatorThrow) {
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  rs.OpenRecordset("SELECT id FROM t");
  EXPECT_THROW(Access::SizeBlob(rs), COCIException);
  unsigned char b[1];
  EXPECT_THROW(Access::ReadBlob(rs, b, 1), COCIException);
  EXPECT_THROW(Access::WriteBlob(rs, b, 1), COCIException);
  rs.CloseRecordset();

  Exec("CREATE TABLE files (data BLOB)");
  Exec("INSERT INTO files VALUES (NULL)");
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  rs.OpenRecordset("SELECT data FROM files");
  EXPECT_THROW(Access::SizeBlob(rs), COCIException);  // no row fetched yet
  ASSERT_TRUE(rs.MoveNext());
  EXPECT_THROW(Access::SizeBlob(rs), COCIException);  // a NULL value
  EXPECT_NE(COCIException::errCode(), 0);
  rs.CloseRecordset();
}

}  // namespace
