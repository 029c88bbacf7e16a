// Handle misuse answered with OCI_INVALID_HANDLE and never a crash (the
// sanitizer build runs these too), freeing of children with their parent,
// environments used from several threads at once, and the number calls.
#include <string.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Cell;
using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;

// Every call that takes a handle, with the handle under test in its first
// handle argument and everything else valid.
std::vector<sword> CallsWith(void *h, Session &s) {
  OCIStmt *stmt = static_cast<OCIStmt *>(h);
  OCISvcCtx *svc = static_cast<OCISvcCtx *>(h);
  void *out = nullptr;
  ub4 u4 = 0;
  ub2 u2 = 0;
  OCIDefine *define = nullptr;
  char buffer[8];
  return {
      OCIHandleFree(h, OCI_HTYPE_STMT),
      OCIHandleAlloc(h, &out, OCI_HTYPE_STMT, 0, nullptr),
      OCIDescriptorAlloc(h, &out, OCI_DTYPE_LOB, 0, nullptr),
      OCIDescriptorFree(h, OCI_DTYPE_LOB),
      OCIAttrGet(h, OCI_HTYPE_STMT, &u2, nullptr, OCI_ATTR_STMT_TYPE, s.err),
      OCIAttrSet(h, OCI_HTYPE_SVCCTX, s.server, 0, OCI_ATTR_SERVER, s.err),
      OCIParamGet(h, OCI_HTYPE_STMT, s.err, &out, 1),
      OCIErrorGet(h, 1, nullptr, nullptr, nullptr, 0, OCI_HTYPE_ERROR),
      OCIServerAttach(static_cast<OCIServer *>(h), s.err,
                      reinterpret_cast<const OraText *>("x"), 1, 0),
      OCIServerDetach(static_cast<OCIServer *>(h), s.err, 0),
      OCISessionBegin(svc, s.err, s.session, OCI_CRED_RDBMS, 0),
      OCISessionEnd(svc, s.err, s.session, 0),
      OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>("SELECT 1"), 8,
                     OCI_NTV_SYNTAX, 0),
      OCIStmtExecute(svc, stmt, s.err, 1, 0, nullptr, nullptr, 0),
      OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, 0),
      OCIDefineByPos(stmt, &define, s.err, 1, buffer, 8, SQLT_STR, nullptr, nullptr,
                     nullptr, 0),
      OCITransStart(svc, s.err, 60, OCI_TRANS_NEW),
      OCITransCommit(svc, s.err, 0),
      OCITransRollback(svc, s.err, 0),
      OCILobGetLength(svc, s.err, static_cast<OCILobLocator *>(h), &u4),
  };
}

TEST(EngineHandles, NullWrongKindAndFreedHandlesAreRefused) {
  TempDir dir;
  Session s(dir.CreateLink("h.db"));
  ASSERT_TRUE(s.ok());
  OCIStmt *freed = s.NewStatement();
  ASSERT_EQ(OCIHandleFree(freed, OCI_HTYPE_STMT), OCI_SUCCESS);
  int notAHandle = 0;
  void *const cases[] = {
      nullptr,      // null
      s.trans,      // a live handle of a kind no call above takes first
      freed,        // freed
      &notAHandle,  // never a handle
  };
  for (void *h : cases) {
    for (sword status : CallsWith(h, s)) EXPECT_EQ(status, OCI_INVALID_HANDLE) << h;
  }
  // The wrong type number for a live handle.
  EXPECT_EQ(OCIHandleFree(s.err, OCI_HTYPE_STMT), OCI_INVALID_HANDLE);
  EXPECT_EQ(OCIHandleFree(s.err, OCI_HTYPE_DEFINE), OCI_INVALID_HANDLE);
  // An error handle of another environment is not this call's.
  Session other(dir.File("h.db"));
  ASSERT_TRUE(other.ok());
  EXPECT_EQ(s.Run("SELECT 1 FROM dual", nullptr), OCI_SUCCESS);
  EXPECT_EQ(OCITransCommit(s.svc, other.err, 0), OCI_INVALID_HANDLE);
}

TEST(EngineHandles, FreeingAParentFreesItsChildren) {
  TempDir dir;
  OCIEnv *env = nullptr;
  ASSERT_EQ(OCIEnvInit(&env, OCI_DEFAULT, 16, nullptr), OCI_SUCCESS);
  OCIError *err = nullptr;
  OCIStmt *stmt = nullptr;
  OCILobLocator *lob = nullptr;
  void *user = nullptr;
  ASSERT_EQ(OCIHandleAlloc(env, reinterpret_cast<void **>(&err), OCI_HTYPE_ERROR, 32, &user),
            OCI_SUCCESS);
  ASSERT_NE(user, nullptr);
  memset(user, 0xAB, 32);  // the caller's extra memory is usable
  ASSERT_EQ(OCIHandleAlloc(env, reinterpret_cast<void **>(&stmt), OCI_HTYPE_STMT, 0, nullptr),
            OCI_SUCCESS);
  ASSERT_EQ(OCIDescriptorAlloc(env, reinterpret_cast<void **>(&lob), OCI_DTYPE_LOB, 0, nullptr),
            OCI_SUCCESS);
  void *bind = nullptr;
  EXPECT_EQ(OCIHandleAlloc(env, &bind, OCI_HTYPE_DEFINE, 0, nullptr), OCI_ERROR);
  ASSERT_EQ(OCIHandleFree(env, OCI_HTYPE_ENV), OCI_SUCCESS);
  ub2 type = 0;
  EXPECT_EQ(OCIAttrGet(stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, nullptr),
            OCI_INVALID_HANDLE);
  EXPECT_EQ(OCIHandleFree(err, OCI_HTYPE_ERROR), OCI_INVALID_HANDLE);
  EXPECT_EQ(OCIDescriptorFree(lob, OCI_DTYPE_LOB), OCI_INVALID_HANDLE);
  EXPECT_EQ(OCIHandleFree(env, OCI_HTYPE_ENV), OCI_INVALID_HANDLE);
}

TEST(EngineHandles, LibraryDisconnectOrderLeavesNothingDangling) {
  TempDir dir;
  Session s(dir.CreateLink("h.db"));
  ASSERT_TRUE(s.ok());
  OCIStmt *stmt = s.NewStatement();
  ASSERT_EQ(s.Run("SELECT 1 FROM dual", stmt), OCI_SUCCESS);
  s.End();
  // Freed in the library's order while the statement still holds a cursor.
  for (auto [h, type] : {std::pair<void *, ub4>{s.trans, OCI_HTYPE_TRANS},
                         {s.server, OCI_HTYPE_SERVER},
                         {s.svc, OCI_HTYPE_SVCCTX}}) {
    EXPECT_EQ(OCIHandleFree(h, type), OCI_SUCCESS);
  }
  EXPECT_EQ(OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, 0), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 24338);
}

TEST(EngineHandles, EnvironmentsWorkInParallelThreads) {
  TempDir dir;
  { Session owner(dir.CreateLink("p.db")); ASSERT_TRUE(owner.ok()); }
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      Session s(dir.File("p.db"));
      if (!s.ok()) ++failures;
      const std::string table = "t" + std::to_string(t);
      if (s.Run("CREATE TABLE " + table + " (a INT)") != OCI_SUCCESS) ++failures;
      for (int i = 0; i < 20; ++i) {
        if (s.Run("INSERT INTO " + table + " VALUES (1)") != OCI_SUCCESS) ++failures;
        if (s.Commit() != OCI_SUCCESS) ++failures;
      }
      if (s.Query("SELECT count(*) FROM " + table) != Rows{{Cell("20")}}) ++failures;
    });
  }
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
}

// Threads sharing one environment take turns: each allocates, uses and
// frees handles of the environment over and over (changing what the
// environment owns), and a call waits while a long query holds the lock.
TEST(EngineHandles, ThreadsSharingAnEnvironmentTakeTurns) {
  TempDir dir;
  Session s(dir.CreateLink("shared.db"));
  ASSERT_TRUE(s.ok());
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      OCIError *err = nullptr;
      if (OCIHandleAlloc(s.env, reinterpret_cast<void **>(&err), OCI_HTYPE_ERROR, 0,
                         nullptr) != OCI_SUCCESS) {
        ++failures;
        return;
      }
      for (int i = 0; i < 300; ++i) {
        OCIStmt *stmt = nullptr;
        const char sql[] = "SELECT 1 FROM DUAL";
        ub2 type = 0;
        if (OCIHandleAlloc(s.env, reinterpret_cast<void **>(&stmt), OCI_HTYPE_STMT, 0,
                           nullptr) != OCI_SUCCESS ||
            OCIStmtPrepare(stmt, err, reinterpret_cast<const OraText *>(sql), sizeof sql - 1,
                           OCI_NTV_SYNTAX, OCI_DEFAULT) != OCI_SUCCESS ||
            OCIAttrGet(stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, err) !=
                OCI_SUCCESS ||
            type != OCI_STMT_SELECT || OCIHandleFree(stmt, OCI_HTYPE_STMT) != OCI_SUCCESS)
          ++failures;
      }
      if (OCIHandleFree(err, OCI_HTYPE_ERROR) != OCI_SUCCESS) ++failures;
    });
  }
  // Meanwhile a query that runs for a while holds the environment.
  EXPECT_EQ(s.Query("WITH n(i) AS (SELECT 1 FROM dual UNION ALL SELECT i + 1 FROM n "
                    "WHERE i < 300000) SELECT count(*) FROM n"),
            Rows{{Cell("300000")}});
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(s.Query("SELECT 2 FROM DUAL"), Rows{{Cell("2")}});
}

// The thread that set an environment up keeps using it, call after call,
// while other threads come and use it too: the first of them takes the
// environment over from that thread's fast path in the middle of its calls.
TEST(EngineHandles, LateThreadsJoinTheFirstThreadsEnvironment) {
  TempDir dir;
  Session s(dir.CreateLink("late.db"));
  ASSERT_TRUE(s.ok());
  std::atomic<int> failures{0};
  std::atomic<bool> started{false};
  const auto churn = [&](int rounds) {
    for (int i = 0; i < rounds; ++i) {
      OCIStmt *stmt = nullptr;
      ub4 count = 7;
      if (OCIHandleAlloc(s.env, reinterpret_cast<void **>(&stmt), OCI_HTYPE_STMT, 0,
                         nullptr) != OCI_SUCCESS ||
          OCIAttrGet(stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT,
                     nullptr) != OCI_SUCCESS ||
          count != 0 || OCIHandleFree(stmt, OCI_HTYPE_STMT) != OCI_SUCCESS)
        ++failures;
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      while (!started.load()) std::this_thread::yield();
      churn(500);
    });
  }
  churn(200);  // the first thread's fast path is warm when the others come
  started = true;
  churn(2000);
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(s.Query("SELECT 3 FROM DUAL"), Rows{{Cell("3")}});
}

// A thread that comes while the environment's first thread is inside a
// long call waits for that call to end: here the newcomer prepares the very
// statement the first thread is executing, which must not disturb it.
TEST(EngineHandles, ALateThreadWaitsForTheCallInProgress) {
  TempDir dir;
  Session s(dir.CreateLink("wait.db"));
  ASSERT_TRUE(s.ok());
  OCIStmt *stmt = s.NewStatement();
  const std::string sql =
      "WITH n(i) AS (SELECT 1 FROM dual UNION ALL SELECT i + 1 FROM n WHERE i < 400000) "
      "SELECT count(*) FROM n";
  ASSERT_EQ(OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(sql.c_str()),
                           static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
            OCI_SUCCESS);
  int count = 0;
  OCIDefine *define = nullptr;
  ASSERT_EQ(OCIDefineByPos(stmt, &define, s.err, 1, &count, sizeof count, SQLT_INT, nullptr,
                           nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  std::atomic<bool> executing{false};
  sword prepared = OCI_ERROR;
  std::thread late([&] {
    while (!executing.load()) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const char other[] = "SELECT 1 FROM DUAL";
    prepared = OCIStmtPrepare(stmt, nullptr, reinterpret_cast<const OraText *>(other),
                              sizeof other - 1, OCI_NTV_SYNTAX, OCI_DEFAULT);
  });
  executing = true;
  EXPECT_EQ(OCIStmtExecute(s.svc, stmt, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS)
      << s.ErrorText();
  late.join();
  EXPECT_EQ(count, 400000);
  EXPECT_EQ(prepared, OCI_SUCCESS);
}

TEST(EngineNumbers, ConversionCallsWrapTheNumberForm) {
  OCINumber n;
  const int one = 1;
  ASSERT_EQ(OCINumberFromInt(nullptr, &one, sizeof one, OCI_NUMBER_SIGNED, &n), OCI_SUCCESS);
  EXPECT_EQ(memcmp(n.OCINumberPart, "\x02\xC1\x02", 3), 0);
  const unsigned char big = 200;
  ASSERT_EQ(OCINumberFromInt(nullptr, &big, 1, OCI_NUMBER_UNSIGNED, &n), OCI_SUCCESS);
  double d = 0;
  ASSERT_EQ(OCINumberToReal(nullptr, &n, 8, &d), OCI_SUCCESS);
  EXPECT_EQ(d, 200.0);
  const float f = -3.9f;
  ASSERT_EQ(OCINumberFromReal(nullptr, &f, 4, &n), OCI_SUCCESS);
  float back = 0;
  ASSERT_EQ(OCINumberToReal(nullptr, &n, 4, &back), OCI_SUCCESS);
  EXPECT_EQ(back, f);
  const double huge = 1e200;
  EXPECT_EQ(OCINumberFromReal(nullptr, &huge, 8, &n), OCI_ERROR);
  TempDir dir;
  Session s(dir.CreateLink("n.db"));
  ASSERT_EQ(OCINumberFromReal(s.err, &huge, 8, &n), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1426);
  EXPECT_EQ(OCINumberFromInt(s.err, &one, 3, OCI_NUMBER_SIGNED, &n), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 21560);
  EXPECT_EQ(OCINumberToReal(s.err, &n, 2, &d), OCI_ERROR);
  EXPECT_EQ(OCINumberFromInt(reinterpret_cast<OCIError *>(s.trans), &one, 4, OCI_NUMBER_SIGNED, &n), OCI_INVALID_HANDLE);
}

}  // namespace
