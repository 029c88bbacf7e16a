// Transactions as the vendor's: pending changes are invisible to other
// sessions until commit, rollback and session end discard them, and a
// writer waiting for another writer gives up with ORA-00054.
#include <chrono>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Cell;
using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;

class EngineTransaction : public ::testing::Test {
 protected:
  void SetUp() override {
    Session owner(dir.CreateLink("x.db"));
    ASSERT_TRUE(owner.ok()) << owner.ErrorText();
    ASSERT_EQ(owner.Run("CREATE TABLE t (a NUMBER(10))"), OCI_SUCCESS);
  }
  std::string Link() const { return dir.File("x.db"); }
  static Rows Count(Session &s) { return s.Query("SELECT count(*) FROM t"); }
  static Rows Counted(int n) { return Rows{{Cell(std::to_string(n))}}; }

  TempDir dir;
};

TEST_F(EngineTransaction, CommitPublishesRollbackDiscards) {
  Session a(Link());
  Session b(Link());
  ASSERT_EQ(a.Run("INSERT INTO t VALUES (1)"), OCI_SUCCESS);
  EXPECT_EQ(Count(a), Counted(1));  // a sees its own change
  EXPECT_EQ(Count(b), Counted(0));  // b does not
  ASSERT_EQ(a.Commit(), OCI_SUCCESS);
  EXPECT_EQ(Count(b), Counted(1));

  ASSERT_EQ(a.Run("DELETE FROM t"), OCI_SUCCESS);
  ASSERT_EQ(a.Rollback(), OCI_SUCCESS);
  EXPECT_EQ(Count(a), Counted(1));
  EXPECT_EQ(Count(b), Counted(1));
  EXPECT_EQ(a.Commit(), OCI_SUCCESS);  // nothing pending: nothing to do
}

TEST_F(EngineTransaction, TransStartKeepsPendingChanges) {
  Session a(Link());
  Session b(Link());
  ASSERT_EQ(a.Run("INSERT INTO t VALUES (1)"), OCI_SUCCESS);
  ASSERT_EQ(OCITransStart(a.svc, a.err, 60, OCI_TRANS_NEW), OCI_SUCCESS);
  ASSERT_EQ(a.Run("INSERT INTO t VALUES (2)"), OCI_SUCCESS);
  EXPECT_EQ(Count(b), Counted(0));
  ASSERT_EQ(a.Commit(), OCI_SUCCESS);
  EXPECT_EQ(Count(b), Counted(2));
}

// OCI_COMMIT_ON_SUCCESS commits the whole transaction when the statement
// succeeds; when it fails nothing is committed and earlier pending work
// stays pending, while a failed statement that was the transaction keeps
// the sequence numbers it handed out.
TEST_F(EngineTransaction, CommitOnSuccess) {
  Session a("file:" + Link() + "?busy_timeout=150");
  Session b(Link());
  ASSERT_EQ(a.Run("CREATE SEQUENCE s NOCACHE"), OCI_SUCCESS);
  ASSERT_EQ(a.Run("CREATE TABLE u (a NUMBER(1))"), OCI_SUCCESS);
  OCIStmt *stmt = a.NewStatement();
  auto run = [&](const std::string &sql) {
    EXPECT_EQ(OCIStmtPrepare(stmt, a.err, reinterpret_cast<const OraText *>(sql.data()),
                             static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_SUCCESS);
    return OCIStmtExecute(a.svc, stmt, a.err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS);
  };
  const struct {
    const char *before;  // run plainly first, left pending
    const char *sql;     // run with OCI_COMMIT_ON_SUCCESS
    sword status;
    int seenByOther;     // rows of t another session sees afterwards
  } cases[] = {
      {nullptr, "INSERT INTO t VALUES (1)", OCI_SUCCESS, 1},
      {"INSERT INTO t VALUES (2)", "INSERT INTO t VALUES (3)", OCI_SUCCESS, 3},
      {"INSERT INTO t VALUES (4)", "INSERT INTO u VALUES (10)", OCI_ERROR, 4},
      {nullptr, "INSERT INTO u VALUES (s.NEXTVAL * 10)", OCI_ERROR, 4},
      {nullptr, "INSERT INTO t VALUES (s.NEXTVAL)", OCI_SUCCESS, 5},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sql);
    if (c.before) {
      ASSERT_EQ(a.Run(c.before), OCI_SUCCESS) << a.ErrorText();
    }
    EXPECT_EQ(run(c.sql), c.status) << a.ErrorText();
    if (c.status == OCI_ERROR) {
      EXPECT_EQ(a.ErrorCode(), 1438);
    }
    // The failure committed nothing: the pending insert of 4 waits.
    if (c.before && c.status == OCI_ERROR) {
      ASSERT_EQ(a.Commit(), OCI_SUCCESS);
    }
    EXPECT_EQ(Count(b), Counted(c.seenByOther));
  }
  // The failed statement's NEXTVAL stays taken, as the vendor's sequences
  // are outside transactions.
  EXPECT_EQ(b.Query("SELECT s.NEXTVAL FROM dual"), Rows{{Cell("3")}});
  // A lone statement waits for another writer as a transaction does.
  ASSERT_EQ(b.Run("INSERT INTO t VALUES (6)"), OCI_SUCCESS);
  EXPECT_EQ(run("INSERT INTO t VALUES (7)"), OCI_ERROR);
  EXPECT_EQ(a.ErrorCode(), 54);
  EXPECT_NE(a.ErrorText().find("ms for another session's write lock"), std::string::npos)
      << a.ErrorText();
  ASSERT_EQ(b.Commit(), OCI_SUCCESS);
  EXPECT_EQ(run("INSERT INTO t VALUES (7)"), OCI_SUCCESS) << a.ErrorText();
  EXPECT_EQ(Count(b), Counted(7));
}

// The vendor's rule: OCISessionEnd commits; any other end rolls back.
TEST_F(EngineTransaction, EndingTheSessionCommitsAndAnyOtherEndRollsBack) {
  Session b(Link());
  {
    Session a(Link());
    ASSERT_EQ(a.Run("INSERT INTO t VALUES (1)"), OCI_SUCCESS);
    a.End();
  }
  EXPECT_EQ(Count(b), Counted(1));
  {
    Session a(Link());
    ASSERT_EQ(a.Run("INSERT INTO t VALUES (1)"), OCI_SUCCESS);
    a.Abandon();  // the environment takes the database down with it
  }
  {
    Session a(Link());
    ASSERT_EQ(a.Run("INSERT INTO t VALUES (1)"), OCI_SUCCESS);
    // only the session handle freed, the server left attached
    OCIHandleFree(a.session, OCI_HTYPE_SESSION);
    a.session = nullptr;
  }
  EXPECT_EQ(Count(b), Counted(1));
}

TEST_F(EngineTransaction, DdlCommitsWhatIsPending) {
  Session a(Link());
  Session b(Link());
  ASSERT_EQ(a.Run("INSERT INTO t VALUES (1)"), OCI_SUCCESS);
  ASSERT_EQ(a.Run("CREATE TABLE u (b INT)"), OCI_SUCCESS);
  ASSERT_EQ(a.Rollback(), OCI_SUCCESS);
  EXPECT_EQ(Count(b), Counted(1));
}

TEST_F(EngineTransaction, EachStatementSeesWhatWasCommittedBeforeIt) {
  Session a(Link());
  Session b(Link());
  EXPECT_EQ(Count(b), Counted(0));
  for (int i = 1; i <= 3; ++i) {
    ASSERT_EQ(a.Run("INSERT INTO t VALUES (1)"), OCI_SUCCESS);
    ASSERT_EQ(a.Commit(), OCI_SUCCESS);
    EXPECT_EQ(Count(b), Counted(i));  // no snapshot kept between statements
  }
}

TEST_F(EngineTransaction, WriterWaitsBoundedThenFailsWith54) {
  Session a(Link());
  Session b("file:" + Link() + "?busy_timeout=150");
  ASSERT_TRUE(b.ok()) << b.ErrorText();
  ASSERT_EQ(a.Run("INSERT INTO t VALUES (1)"), OCI_SUCCESS);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(b.Run("INSERT INTO t VALUES (2)"), OCI_ERROR);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(b.ErrorCode(), 54) << b.ErrorText();
  EXPECT_GE(waited, std::chrono::milliseconds(140));
  EXPECT_LT(waited, std::chrono::seconds(3));
  EXPECT_EQ(Count(b), Counted(0));  // readers are never blocked
  ASSERT_EQ(a.Commit(), OCI_SUCCESS);
  EXPECT_EQ(b.Run("INSERT INTO t VALUES (2)"), OCI_SUCCESS) << b.ErrorText();
  ASSERT_EQ(b.Commit(), OCI_SUCCESS);
  EXPECT_EQ(Count(a), Counted(2));
}

TEST_F(EngineTransaction, CommitAndRollbackAsStatements) {
  Session a(Link());
  Session b(Link());
  ASSERT_EQ(a.Run("INSERT INTO t VALUES (1)"), OCI_SUCCESS);
  ASSERT_EQ(a.Run("COMMIT"), OCI_SUCCESS);
  ASSERT_EQ(a.Run("INSERT INTO t VALUES (2)"), OCI_SUCCESS);
  ASSERT_EQ(a.Run("ROLLBACK WORK"), OCI_SUCCESS);
  EXPECT_EQ(Count(b), Counted(1));
  ASSERT_EQ(a.Run("SAVEPOINT s1"), OCI_SUCCESS) << a.ErrorText();
  ASSERT_EQ(a.Run("INSERT INTO t VALUES (3)"), OCI_SUCCESS);
  ASSERT_EQ(a.Run("ROLLBACK TO s1"), OCI_SUCCESS) << a.ErrorText();
  ASSERT_EQ(a.Commit(), OCI_SUCCESS);
  EXPECT_EQ(Count(b), Counted(1));
  EXPECT_EQ(a.Run("RELEASE s1"), OCI_ERROR);
  EXPECT_EQ(a.ErrorCode(), 900);
}

}  // namespace
