// Failures injected at each client-interface call that OpenRecordset,
// allocateCursor and the row operations make: each is reported as the
// recordset's rules say, and closing then releases everything (the
// sanitizer build checks that nothing leaks).
#include <string>

#include <gtest/gtest.h>

#include "RecordsetAccess.h"
#include "SessionFixture.h"

namespace {

using Access = COCIRecordsetTestAccess;

class RecordsetFaults : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    Exec("CREATE TABLE t (v VARCHAR2(8), n NUMBER(6,1), b BLOB, c BLOB)");
    Exec("INSERT INTO t VALUES ('a', 1.5, NULL, NULL)");
  }
};

struct Fault {
  const char *function;
  unsigned skip;
  bool throws;
};

TEST_F(RecordsetFaults, EachCallOfAQuery) {
  // The query's calls in order: prepare, statement type, execute, column
  // count, then per column type/size/scale describes and a define (and a
  // locator for each BLOB).
  const Fault faults[] = {
      {"OCIStmtPrepare", 0, true},      {"OCIAttrGet", 0, true},
      {"OCIStmtExecute", 0, true},      {"OCIAttrGet", 1, true},
      {"OCIParamGet", 0, true},         {"OCIAttrGet", 2, true},
      {"OCIParamGet", 1, false},        {"OCIAttrGet", 3, false},
      {"OCIParamGet", 2, false},        {"OCIAttrGet", 4, false},
      {"OCIDefineByPos", 0, true},      {"OCIDefineByPos", 1, true},
      {"OCIDefineByPos", 2, true},      {"OCIDefineByPos", 3, true},
      {"OCIDescriptorAlloc", 0, true},  {"OCIDescriptorAlloc", 1, true},
      {"OCIParamGet", 6, true},
  };
  for (const Fault &f : faults) {
    SCOPED_TRACE(std::string(f.function) + " after " +
                 std::to_string(f.skip));
    COCIRecordset rs;
    ASSERT_TRUE(rs.InitRecordset(&connection_));
    ASSERT_EQ(kestrel_fault_inject(f.function, OCI_ERROR, f.skip, 1, 3114),
              0);
    bool thrown = false;
    try {
      rs.OpenRecordset("SELECT v, n, b, c FROM t");
    } catch (const COCIException &) {
      thrown = true;
      // A descriptor allocation has no error handle to carry the number.
      if (f.function != std::string("OCIDescriptorAlloc")) {
        EXPECT_EQ(COCIException::errCode(), 3114);
      }
    }
    kestrel_fault_clear();
    EXPECT_EQ(thrown, f.throws);
    rs.CloseRecordset();
    EXPECT_EQ(Access::Columns(rs), 0u);
    EXPECT_EQ(Access::Lob(rs), nullptr);
  }
}

TEST_F(RecordsetFaults, EachCallOfAStatement) {
  const Fault faults[] = {
      {"OCIStmtPrepare", 0, true},
      {"OCIAttrGet", 0, true},
      {"OCITransStart", 0, false},  // recorded, not fatal
      {"OCIStmtExecute", 0, true},
      {"OCITransCommit", 0, false},
  };
  for (const Fault &f : faults) {
    SCOPED_TRACE(f.function);
    COCIRecordset rs;
    ASSERT_TRUE(rs.InitRecordset(&connection_));
    ASSERT_EQ(kestrel_fault_inject(f.function, OCI_ERROR, f.skip, 1, 3114),
              0);
    bool thrown = false;
    try {
      EXPECT_EQ(rs.OpenRecordset("UPDATE t SET n = n + 1"), TRUE);
    } catch (const COCIException &) {
      thrown = true;
    }
    kestrel_fault_clear();
    EXPECT_EQ(thrown, f.throws);
    // The commit after a failed start records its own success.
    const bool recovered = f.function == std::string("OCITransStart");
    EXPECT_EQ(COCIException::errCode(), recovered ? 0 : 3114);
    rs.CloseRecordset();
  }
}

TEST_F(RecordsetFaults, InitRecordsetRecordsNothing) {
  COCIException::checkErr(nullptr, OCI_NO_DATA);
  ASSERT_EQ(kestrel_fault_inject("OCIHandleAlloc", OCI_ERROR, 0, 1, 3114),
            0);
  COCIRecordset rs;
  EXPECT_FALSE(rs.InitRecordset(&connection_));
  EXPECT_EQ(COCIException::errCode(), OCI_NO_DATA);
  ASSERT_EQ(kestrel_fault_inject("OCIHandleAlloc", OCI_SUCCESS_WITH_INFO, 0,
                                 1, 0),
            0);
  EXPECT_FALSE(rs.InitRecordset(&connection_));
  rs.CloseRecordset();
}

TEST_F(RecordsetFaults, FailedFetchIsRecordedAndTheEndIsNot) {
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  rs.OpenRecordset("SELECT v, n FROM t");
  ASSERT_EQ(kestrel_fault_inject("OCIStmtFetch", OCI_ERROR, 0, 1, 3114), 0);
  EXPECT_FALSE(rs.MoveNext());
  EXPECT_EQ(COCIException::errCode(), 3114);
  ASSERT_TRUE(rs.MoveNext());
  COCIException::checkErr(nullptr, OCI_SUCCESS);
  EXPECT_FALSE(rs.MoveNext());
  EXPECT_EQ(COCIException::errCode(), 0);
  EXPECT_STREQ(COCIException::errMsg(), "OCI_SUCCESS");
  rs.CloseRecordset();
}

TEST_F(RecordsetFaults, FailedConversionsThrow) {
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  rs.OpenRecordset("SELECT v, n FROM t");
  ASSERT_TRUE(rs.MoveNext());
  COleVariant v(4.0);
  ASSERT_EQ(kestrel_fault_inject("OCINumberToReal", OCI_ERROR, 0, 1, 1426),
            0);
  EXPECT_THROW(rs.GetFieldValue(1, v), COCIException);
  EXPECT_EQ(COCIException::errCode(), 1426);
  EXPECT_EQ(v.dblVal, 4.0);
  ASSERT_EQ(kestrel_fault_inject("OCIAttrGet", OCI_ERROR, 0, 1, 3114), 0);
  EXPECT_THROW(rs.GetFieldValue(0, v), COCIException);
  rs.CloseRecordset();
}

}  // namespace
