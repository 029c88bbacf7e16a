// The test-only fault switch: a named call fails on demand with a chosen
// status, once or several times, with no other effect.
#include <string.h>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "kestrel_engine_fault.h"

namespace {

using engine_test::Cell;
using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;

class EngineFault : public ::testing::Test {
 protected:
  EngineFault() : s(dir.CreateLink("f.db")) {}
  void SetUp() override {
    ASSERT_TRUE(s.ok());
    ASSERT_EQ(s.Run("CREATE TABLE t (a NUMBER(10))"), OCI_SUCCESS);
  }
  void TearDown() override { kestrel_fault_clear(); }
  TempDir dir;
  Session s;
};

TEST_F(EngineFault, InjectedErrorIsReportedAndChangesNothing) {
  ASSERT_EQ(kestrel_fault_inject("OCIStmtExecute", OCI_ERROR, 0, 1, 942), 0);
  EXPECT_EQ(s.Run("INSERT INTO t VALUES (1)"), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 942);
  EXPECT_EQ(s.ErrorText(),
            "ORA-00942: table or view does not exist (injected in OCIStmtExecute)");
  EXPECT_EQ(s.Query("SELECT count(*) FROM t"), (Rows{{Cell("0")}}));  // once only
  EXPECT_EQ(s.Run("INSERT INTO t VALUES (1)"), OCI_SUCCESS);
}

TEST_F(EngineFault, InjectedWarningStillDoesTheWork) {
  ASSERT_EQ(kestrel_fault_inject("OCIStmtExecute", OCI_SUCCESS_WITH_INFO, 0, 1, 0), 0);
  EXPECT_EQ(s.Run("INSERT INTO t VALUES (1)"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(s.Query("SELECT count(*) FROM t"), (Rows{{Cell("1")}}));
  // A real failure is not turned into a warning.
  ASSERT_EQ(kestrel_fault_inject("OCIStmtExecute", OCI_SUCCESS_WITH_INFO, 0, 1, 0), 0);
  EXPECT_EQ(s.Run("INSERT INTO missing VALUES (1)"), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 942);
}

TEST_F(EngineFault, SkipThenCountThenBackToNormal) {
  ASSERT_EQ(kestrel_fault_inject("OCITransCommit", OCI_NO_DATA, 1, 2, 0), 0);
  const sword expected[] = {OCI_SUCCESS, OCI_NO_DATA, OCI_NO_DATA, OCI_SUCCESS};
  for (sword e : expected) EXPECT_EQ(s.Commit(), e);
}

TEST_F(EngineFault, InjectedAllocationAllocatesNothing) {
  ASSERT_EQ(kestrel_fault_inject("OCIHandleAlloc", OCI_ERROR, 0, 1, 0), 0);
  void *handle = reinterpret_cast<void *>(0x1);
  EXPECT_EQ(OCIHandleAlloc(s.env, &handle, OCI_HTYPE_STMT, 0, nullptr), OCI_ERROR);
  EXPECT_EQ(handle, reinterpret_cast<void *>(0x1));
  ASSERT_EQ(kestrel_fault_inject("OCIDescriptorAlloc", OCI_INVALID_HANDLE, 0, 1, 0), 0);
  void *lob = nullptr;
  EXPECT_EQ(OCIDescriptorAlloc(s.env, &lob, OCI_DTYPE_LOB, 0, nullptr), OCI_INVALID_HANDLE);
  EXPECT_EQ(lob, nullptr);
}

TEST_F(EngineFault, InjectedFetchKeepsTheCursorWhereItWas) {
  ASSERT_EQ(s.Run("BEGIN INSERT INTO t VALUES (1); INSERT INTO t VALUES (2); END;"),
            OCI_SUCCESS);
  OCIStmt *stmt = s.NewStatement();
  ASSERT_EQ(s.Run("SELECT a FROM t ORDER BY a", stmt), OCI_SUCCESS);
  int value = 0;
  OCIDefine *define = nullptr;
  ASSERT_EQ(OCIDefineByPos(stmt, &define, s.err, 1, &value, 4, SQLT_INT, nullptr, nullptr,
                           nullptr, 0),
            OCI_SUCCESS);
  ASSERT_EQ(kestrel_fault_inject("OCIStmtFetch", OCI_ERROR, 0, 1, 3113), 0);
  EXPECT_EQ(OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, 0), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 3113);
  EXPECT_EQ(value, 0);
  ASSERT_EQ(OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, 0), OCI_SUCCESS);
  EXPECT_EQ(value, 1);
}

TEST_F(EngineFault, UnknownNamesAndClearing) {
  EXPECT_EQ(kestrel_fault_inject("OCINoSuchCall", OCI_ERROR, 0, 1, 0), -1);
  EXPECT_EQ(kestrel_fault_inject(nullptr, OCI_ERROR, 0, 1, 0), -1);
  ASSERT_EQ(kestrel_fault_inject("OCIStmtPrepare", OCI_ERROR, 0, 100, 0), 0);
  kestrel_fault_clear();
  EXPECT_EQ(s.Run("SELECT 1 FROM dual"), OCI_SUCCESS);
  ASSERT_EQ(kestrel_fault_inject("OCIStmtPrepare", OCI_ERROR, 0, 100, 0), 0);
  ASSERT_EQ(kestrel_fault_inject("OCIStmtPrepare", OCI_ERROR, 0, 0, 0), 0);  // disarm
  EXPECT_EQ(s.Run("SELECT 1 FROM dual"), OCI_SUCCESS);
  // An invalid handle is reported as such and does not use the fault up.
  ASSERT_EQ(kestrel_fault_inject("OCITransRollback", OCI_ERROR, 0, 1, 0), 0);
  EXPECT_EQ(OCITransRollback(nullptr, s.err, 0), OCI_INVALID_HANDLE);
  EXPECT_EQ(s.Rollback(), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 600);
}

}  // namespace
