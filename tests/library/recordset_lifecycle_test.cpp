// COCIRecordset's life: initialising, every statement kind, closing,
// copies, re-opening, and operations without a statement.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "RecordsetAccess.h"
#include "SessionFixture.h"

namespace {

using Access = COCIRecordsetTestAccess;

class RecordsetLifecycle : public SessionTest {};

TEST_F(RecordsetLifecycle, InitNeedsAConnectedConnection) {
  COCIRecordset rs;
  rs.CloseRecordset();  // closed: nothing to do
  EXPECT_FALSE(rs.InitRecordset(nullptr));
  COCIConnection idle;
  EXPECT_FALSE(rs.InitRecordset(&idle));
  EXPECT_TRUE(rs.InitRecordset(&connection_));
  EXPECT_TRUE(Access::Opened(rs));
  rs.CloseRecordset();
  EXPECT_FALSE(Access::Opened(rs));
  rs.CloseRecordset();
}

TEST_F(RecordsetLifecycle, OperationsWithoutAStatement) {
  COCIRecordset fresh;
  COCIRecordset closed;
  ASSERT_TRUE(closed.InitRecordset(&connection_));
  closed.CloseRecordset();
  for (COCIRecordset *rs : {&fresh, &closed}) {
    COCIException::checkErr(nullptr, OCI_SUCCESS);
    EXPECT_THROW(rs->OpenRecordset("SELECT 1"), COCIException);
    EXPECT_EQ(COCIException::errCode(), OCI_INVALID_HANDLE);
    EXPECT_STREQ(COCIException::errMsg(), "OCI_INVALID_HANDLE");
    EXPECT_THROW(rs->GetFieldCount(), COCIException);
    EXPECT_THROW(rs->GetRSCount(), COCIException);
    EXPECT_THROW(rs->GetFieldName(1), COCIException);
    EXPECT_THROW(rs->GetFieldType(1), COCIException);
    COleVariant v;
    EXPECT_THROW(rs->GetFieldValue(0, v), COCIException);
    EXPECT_THROW(rs->SetFieldValue(0, v), COCIException);
    EXPECT_THROW(rs->AddRecord(COCIRecord()), COCIException);
    EXPECT_EQ(rs->GetFieldSize(1), 0);
    EXPECT_EQ(rs->GetFieldScale(1), 0);
    EXPECT_FALSE(rs->MoveNext());
    EXPECT_EQ(COCIException::errCode(), OCI_INVALID_HANDLE);
  }
}

TEST_F(RecordsetLifecycle, EveryStatementKindIsCommitted) {
  COCIConnection other;
  ASSERT_TRUE(Open(other));
  const char *const statements[] = {
      "CREATE TABLE t (id INTEGER PRIMARY KEY, name VARCHAR2(20))",
      "INSERT INTO t VALUES (1, 'one')",
      "INSERT INTO t VALUES (2, 'two')",
      "UPDATE t SET name = 'uno' WHERE id = 1",
      "DELETE FROM t WHERE id = 2",
      "ALTER TABLE t ADD note VARCHAR2(10)",
  };
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  for (const char *sql : statements) {
    EXPECT_EQ(rs.OpenRecordset(sql), TRUE) << sql;
    EXPECT_EQ(Access::Columns(rs), 0u);
  }
  EXPECT_EQ(rs.OpenRecordset("BEGIN INSERT INTO t (id, name) VALUES (3, 'x');"
                             " DELETE FROM t WHERE id = 3; END;"),
            TRUE);
  EXPECT_EQ(Scalar("SELECT name FROM t", &other), "uno");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM t", &other), "1");
  EXPECT_EQ(rs.OpenRecordset("DROP TABLE t"), TRUE);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM t", &other).substr(0, 9),
            "ORA-00942");
  rs.CloseRecordset();
}

TEST_F(RecordsetLifecycle, RowCountOfAStatement) {
  Exec("CREATE TABLE t (n INTEGER)");
  Exec("INSERT INTO t VALUES (1)");
  Exec("INSERT INTO t VALUES (2)");
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  rs.OpenRecordset("UPDATE t SET n = n + 1");
  EXPECT_EQ(rs.GetRSCount(), 2);
  rs.CloseRecordset();
}

TEST_F(RecordsetLifecycle, AFailedStatementIsRolledBack) {
  Exec("CREATE TABLE t (id INTEGER PRIMARY KEY)");
  Exec("INSERT INTO t VALUES (1)");
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  EXPECT_THROW(rs.OpenRecordset("INSERT INTO t VALUES (1)"), COCIException);
  EXPECT_EQ(COCIException::errCode(), 1);  // the execution's error
  EXPECT_EQ(strncmp(COCIException::errMsg(), "ORA-00001", 9), 0);
  // Nothing is left pending: another session writes at once.
  COCIConnection other;
  ASSERT_TRUE(Open(other));
  Exec("INSERT INTO t VALUES (2)", &other);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM t", &other), "2");
  rs.CloseRecordset();
}

TEST_F(RecordsetLifecycle, QueryTablesFollowEachQuery) {
  Exec("CREATE TABLE t (a INTEGER, b VARCHAR2(5), c NUMBER(6,2))");
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  rs.OpenRecordset("SELECT a, b, c FROM t");
  EXPECT_EQ(Access::Columns(rs), 3u);
  // Re-opening releases the held result first.
  rs.OpenRecordset("SELECT a FROM t");
  EXPECT_EQ(Access::Columns(rs), 1u);
  rs.CloseRecordset();
  EXPECT_EQ(Access::Columns(rs), 0u);

  ASSERT_TRUE(rs.InitRecordset(&connection_));
  rs.OpenRecordset("SELECT b, c FROM t");
  ASSERT_EQ(Access::Columns(rs), 2u);
  EXPECT_NE(Access::Define(rs, 0), nullptr);
  EXPECT_NE(Access::Define(rs, 1), nullptr);
  // Initialising again closes first.
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  EXPECT_EQ(Access::Columns(rs), 0u);
  rs.CloseRecordset();
}

TEST_F(RecordsetLifecycle, StatementTextOfAnyLength) {
  Exec("CREATE TABLE t (n INTEGER)");
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  for (size_t length : {1023u, 1024u, 5000u}) {
    std::string sql = "SELECT n FROM t WHERE n = 1";
    sql += std::string(length - sql.size() - 2, ' ');
    sql += "+0";
    ASSERT_EQ(sql.size(), length);
    EXPECT_NO_THROW(rs.OpenRecordset(sql.c_str())) << length;
    EXPECT_EQ(rs.GetFieldCount(), 1);
  }
  // Only the text before an embedded NUL is prepared.
  CString withNul("SELECT 1, 2", 11);
  withNul += CString("\0garbage", 8);
  rs.OpenRecordset(withNul);
  EXPECT_EQ(rs.GetFieldCount(), 2);
  rs.CloseRecordset();
}

TEST_F(RecordsetLifecycle, CopiesAreViews) {
  Exec("CREATE TABLE t (n INTEGER)");
  Exec("INSERT INTO t VALUES (1)");
  Exec("INSERT INTO t VALUES (2)");
  COCIRecordset owner;
  ASSERT_TRUE(owner.InitRecordset(&connection_));
  owner.OpenRecordset("SELECT n FROM t ORDER BY n");
  ASSERT_TRUE(owner.MoveNext());
  {
    COCIRecordset copy(owner);
    COleVariant v;
    ASSERT_TRUE(copy.GetFieldValue(0, v));
    EXPECT_EQ(v.lVal, 1);
    copy.CloseRecordset();  // forgets its view only
  }
  {
    COCIRecordset destroyed(owner);
  }
  COCIRecordset assigned;
  assigned = owner;
  ASSERT_TRUE(owner.MoveNext());
  COleVariant v;
  ASSERT_TRUE(owner.GetFieldValue(0, v));
  EXPECT_EQ(v.lVal, 2);
  assigned.CloseRecordset();
  owner.CloseRecordset();
}

TEST_F(RecordsetLifecycle, AssignmentOntoAnOwnerReleasesItFirst) {
  Exec("CREATE TABLE t (n INTEGER)");
  COCIRecordset target;
  ASSERT_TRUE(target.InitRecordset(&connection_));
  target.OpenRecordset("SELECT n FROM t");
  OCIStmt *released = Access::Stmt(target);
  COCIRecordset source;
  ASSERT_TRUE(source.InitRecordset(&connection_));
  target = source;
  EXPECT_EQ(Access::Stmt(target), Access::Stmt(source));
  ub4 type = 0;
  EXPECT_EQ(OCIAttrGet(released, OCI_HTYPE_STMT, &type, nullptr,
                       OCI_ATTR_STMT_TYPE, nullptr),
            OCI_INVALID_HANDLE);
  source.CloseRecordset();
}

TEST_F(RecordsetLifecycle, ARecordsetOutlivesItsConnectionsSession) {
  Exec("CREATE TABLE t (n INTEGER, b BLOB)");
  COCIConnection c;
  ASSERT_TRUE(Open(c));
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&c));
  rs.OpenRecordset("SELECT n, b FROM t");
  c.DisConnect();
  rs.CloseRecordset();  // no client call on the released statement
  EXPECT_FALSE(Access::Opened(rs));
  EXPECT_EQ(Access::Columns(rs), 0u);
}

TEST_F(RecordsetLifecycle, DestroyingAnOpenedRecordsetReleasesItsBuffers) {
  Exec("CREATE TABLE t (n NUMBER(5), s VARCHAR2(30))");
  auto *rs = new COCIRecordset;
  ASSERT_TRUE(rs->InitRecordset(&connection_));
  rs->OpenRecordset("SELECT n, s FROM t");
  delete rs;  // the sanitizer build reports the buffers if they leak
}

}  // namespace
