// COCIRecordset's life: initialising, every statement kind, closing,
// copies, re-opening, and operations without a statement.
#include <string.h>

#include <string>
#include <vector>

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
  rs.CloseRecordset();
}

TEST_F(RecordsetLifecycle, TextWithANulIsRefusedWhole) {
  Exec("CREATE TABLE t (a INTEGER)");
  Exec("INSERT INTO t VALUES (1)");
  Exec("INSERT INTO t VALUES (2)");
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  // Armed, and still armed afterwards: the refusal asked nothing of the
  // client.
  ASSERT_EQ(kestrel_fault_inject("OCIStmtPrepare", OCI_ERROR, 0, 1, 3114), 0);
  const std::string texts[] = {
      std::string("DELETE FROM t\0 WHERE a = 1", 26),
      std::string("SELECT a FROM t\0", 16),
      std::string("\0", 1),
  };
  for (const std::string &text : texts) {
    CString sql(text.data(), static_cast<int>(text.size()));
    EXPECT_THROW(rs.OpenRecordset(sql), COCIException);
    EXPECT_EQ(COCIException::errCode(), 911);
    EXPECT_STREQ(COCIException::errMsg(), "ORA-00911: invalid character");
  }
  EXPECT_THROW(rs.OpenRecordset("SELECT a FROM t"), COCIException);
  EXPECT_EQ(COCIException::errCode(), 3114);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM t"), "2");
  rs.CloseRecordset();
}

// Copies share one statement and its result: each step below once read
// freed buffers, read NULLs as values, leaked, or redefined another
// holder's statement.
TEST_F(RecordsetLifecycle, CopiesShareOneStatement) {
  Exec("CREATE TABLE t (n INTEGER, s VARCHAR2(5))");
  Exec("INSERT INTO t VALUES (1, NULL)");
  Exec("INSERT INTO t VALUES (2, 'two')");
  const char *query = "SELECT n, s FROM t ORDER BY n";
  const auto first = [](COCIRecordset &rs) {
    COleVariant v;
    return rs.GetFieldValue(0, v) ? v.lVal : -1;
  };

  // Assigning a copy back onto its holder.
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  rs.OpenRecordset(query);
  {
    COCIRecordset saved = rs;
    rs = saved;
    COCIRecordset &self = rs;
    rs = self;
    EXPECT_EQ(Access::Holders(rs), 2);
  }
  EXPECT_EQ(Access::Holders(rs), 1);
  ASSERT_TRUE(rs.MoveNext());
  EXPECT_EQ(first(rs), 1);

  // A copy reads what the fetch wrote, NULL indicators included, and
  // outlives the holder it came from.
  std::vector<COCIRecordset> grown;
  grown.push_back(rs);
  ASSERT_TRUE(rs.InitRecordset(&connection_));  // lets go, closes nothing
  for (int i = 0; i < 20; ++i) grown.emplace_back();  // copies move
  COCIRecordset &copy = grown.front();
  COleVariant v(5.0);
  EXPECT_FALSE(copy.GetFieldValue(1, v));  // NULL
  EXPECT_EQ(v.dblVal, 5.0);
  ASSERT_TRUE(copy.MoveNext());
  EXPECT_EQ(first(copy), 2);
  ASSERT_TRUE(copy.GetFieldValue(1, v));
  EXPECT_EQ(TextOf(v), "two");

  // A copy that opens its own statement leaves the others' alone.
  COCIRecordset owner;
  ASSERT_TRUE(owner.InitRecordset(&connection_));
  owner.OpenRecordset(query);
  COCIRecordset other(owner);
  other.OpenRecordset("SELECT s, n FROM t ORDER BY n DESC");
  EXPECT_NE(Access::Stmt(other), Access::Stmt(owner));
  ASSERT_TRUE(owner.MoveNext());
  EXPECT_EQ(first(owner), 1);
  ASSERT_TRUE(other.MoveNext());
  ASSERT_TRUE(other.GetFieldValue(1, v));
  EXPECT_EQ(v.lVal, 2);

  // Closing any holder closes it for all: the rest answer as never opened.
  COCIRecordset closer(owner);
  closer.CloseRecordset();
  EXPECT_FALSE(Access::Opened(owner));
  EXPECT_FALSE(owner.MoveNext());
  EXPECT_THROW(owner.GetFieldValue(0, v), COCIException);
  EXPECT_EQ(COCIException::errCode(), OCI_INVALID_HANDLE);
  owner.CloseRecordset();
  other.CloseRecordset();
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
  Exec("INSERT INTO t VALUES (1, NULL)");
  COCIConnection c;
  ASSERT_TRUE(Open(c));
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&c));
  rs.OpenRecordset("SELECT n, b FROM t");
  COCIRecordset copy(rs);
  c.DisConnect();
  EXPECT_FALSE(Access::Opened(rs));
  EXPECT_FALSE(rs.MoveNext());
  // A new session (whose handles may come back at the same addresses) is
  // not the old one: the old recordsets stay closed and harmless.
  ASSERT_TRUE(Open(c));
  COCIRecordset fresh;
  ASSERT_TRUE(fresh.InitRecordset(&c));
  fresh.OpenRecordset("SELECT n FROM t");
  EXPECT_FALSE(rs.MoveNext());
  EXPECT_THROW(rs.GetFieldCount(), COCIException);
  rs.CloseRecordset();  // no client call on the released statement
  EXPECT_FALSE(Access::Opened(rs));
  EXPECT_EQ(Access::Columns(rs), 0u);
  ASSERT_TRUE(fresh.MoveNext());
  COleVariant v;
  ASSERT_TRUE(fresh.GetFieldValue(0, v));
  EXPECT_EQ(v.lVal, 1);
  fresh.CloseRecordset();
}

// The last holder to go closes the statement: an exception between open
// and close used to leak it, with its read snapshot.
TEST_F(RecordsetLifecycle, TheLastHolderClosesTheStatement) {
  Exec("CREATE TABLE t (n NUMBER(5), s VARCHAR2(30))");
  Exec("INSERT INTO t VALUES (1, 'a')");
  Exec("INSERT INTO t VALUES (2, 'b')");
  COCIConnection other;
  ASSERT_TRUE(Open(other));
  for (int i = 0; i < 3; ++i) {
    auto *rs = new COCIRecordset;
    ASSERT_TRUE(rs->InitRecordset(&connection_));
    rs->OpenRecordset("SELECT n, s FROM t");
    ASSERT_TRUE(rs->MoveNext());  // holds a read snapshot
    auto *copy = new COCIRecordset(*rs);
    delete rs;
    delete copy;  // the sanitizer build reports anything left
    // Another session commits; this one can still write afterwards.
    Exec("INSERT INTO t VALUES (3, 'c')", &other);
    Exec("DELETE FROM t WHERE n = 3");
  }
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM t", &other), "2");
}

}  // namespace
