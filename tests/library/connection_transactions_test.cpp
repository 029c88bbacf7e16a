// COCIConnection's transactions: committed, rolled back, failed part-way,
// seen or not from a second session, ended by DDL, and left open at
// DisConnect and at the destruction of the last holder.
#include <string>

#include <gtest/gtest.h>

#include "SessionFixture.h"

namespace {

class Transactions : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    Exec("CREATE TABLE t (id NUMBER(10,0) PRIMARY KEY)");
    ASSERT_TRUE(Open(other_));
  }
  void TearDown() override {
    other_.DisConnect();
    SessionTest::TearDown();
  }
  // Inserts row `id` on `c`; false when the insert fails.
  bool Insert(COCIConnection &c, long id) {
    COCIRecordset rs;
    rs.InitRecordset(&c);
    rs.SetParam(1, COleVariant(id));
    try {
      return rs.OpenRecordset("INSERT INTO t VALUES (:1)") != 0;
    } catch (const COCIException &) {
      return false;
    }
  }
  std::string Rows(COCIConnection *c = nullptr) {
    return Scalar("SELECT COUNT(*) FROM t", c ? c : &other_);
  }
  COCIConnection other_;  // a second session, to see what was committed
};

TEST_F(Transactions, CommittedRolledBackAndFailedPartWay) {
  ASSERT_TRUE(connection_.BeginTrans());
  EXPECT_FALSE(connection_.BeginTrans());  // they do not nest
  ASSERT_TRUE(Insert(connection_, 1));
  ASSERT_TRUE(Insert(connection_, 2));
  EXPECT_EQ(Rows(&connection_), "2");
  EXPECT_EQ(Rows(), "0");  // not seen before the commit
  EXPECT_FALSE(Insert(connection_, 2));  // fails; the earlier rows stay
  EXPECT_EQ(Rows(&connection_), "2");
  EXPECT_TRUE(connection_.CommitTrans());
  EXPECT_EQ(Rows(), "2");

  // A copy shares the transaction: a rollback through it undoes the rows.
  COCIConnection copy(connection_);
  ASSERT_TRUE(connection_.BeginTrans());
  ASSERT_TRUE(Insert(copy, 3));
  EXPECT_TRUE(copy.Rollback());
  EXPECT_EQ(Rows(&connection_), "2");
  // Outside a transaction each statement commits on its own again.
  ASSERT_TRUE(Insert(connection_, 4));
  EXPECT_EQ(Rows(), "3");
  EXPECT_TRUE(connection_.CommitTrans());  // none open: TRUE
  EXPECT_TRUE(connection_.Rollback());
}

TEST_F(Transactions, DdlEndsTheTransaction) {
  ASSERT_TRUE(connection_.BeginTrans());
  ASSERT_TRUE(Insert(connection_, 1));
  Exec("CREATE TABLE u (x NUMBER)");  // commits what is pending
  EXPECT_EQ(Rows(), "1");
  ASSERT_TRUE(Insert(connection_, 2));  // commits on its own
  EXPECT_EQ(Rows(), "2");
  EXPECT_TRUE(connection_.CommitTrans());
  EXPECT_TRUE(connection_.BeginTrans());
  ASSERT_TRUE(Insert(connection_, 3));
  Exec("COMMIT");
  EXPECT_TRUE(connection_.Rollback());  // nothing left to undo
  EXPECT_EQ(Rows(), "3");
  // A block that commits ends it too; a word inside a literal does not.
  EXPECT_TRUE(connection_.BeginTrans());
  Exec("BEGIN INSERT INTO t VALUES (4); COMMIT; END;");
  EXPECT_TRUE(connection_.Rollback());
  EXPECT_EQ(Rows(), "4");
  EXPECT_TRUE(connection_.BeginTrans());
  Exec("BEGIN INSERT INTO u VALUES (LENGTH('COMMIT')); END;");
  EXPECT_TRUE(connection_.Rollback());
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM u", &other_), "0");
}

TEST_F(Transactions, LeftOpenAtDisconnectAndDestruction) {
  ASSERT_TRUE(connection_.BeginTrans());
  ASSERT_TRUE(Insert(connection_, 1));
  connection_.DisConnect();  // would commit if the session ended it
  EXPECT_EQ(Rows(), "0");
  EXPECT_FALSE(connection_.BeginTrans());
  EXPECT_EQ(COCIException::errCode(), 3114);
  EXPECT_FALSE(connection_.CommitTrans());

  {
    COCIConnection last;
    ASSERT_TRUE(Open(last));
    ASSERT_TRUE(last.BeginTrans());
    ASSERT_TRUE(Insert(last, 2));
    COCIRecordset outliving;  // a recordset keeps no session open
    outliving.InitRecordset(&last);
  }
  EXPECT_EQ(Rows(), "0");
}

}  // namespace
