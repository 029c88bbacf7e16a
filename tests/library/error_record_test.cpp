// The process-wide error record: statuses, their names and results, and
// Oracle errors read from a real error handle.
#include <string.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "COCIException.h"
#include "SessionFixture.h"

namespace {

// Runs first in its process (each test runs in its own under CTest).
TEST(ErrorRecord, StartsEmpty) {
  EXPECT_EQ(COCIException::errCode(), 0);
  EXPECT_STREQ(COCIException::errMsg(), "");
}

TEST(ErrorRecord, StatusesAndTheirNames) {
  struct Case {
    int status;
    int result;
    const char *message;
  };
  const Case cases[] = {
      {OCI_SUCCESS, 1, "OCI_SUCCESS"},
      {OCI_SUCCESS_WITH_INFO, 1, "OCI_SUCCESS_WITH_INFO"},
      {OCI_NEED_DATA, 0, "OCI_NEED_DATA"},
      {OCI_NO_DATA, 0, "OCI_NO_DATA"},
      {OCI_INVALID_HANDLE, 0, "OCI_INVALID_HANDLE"},
      {OCI_STILL_EXECUTING, 0, "OCI_STILL_EXECUTING"},
      {OCI_CONTINUE, 0, "OCI_CONTINUE"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(COCIException::checkErr(nullptr, c.status), c.result)
        << c.status;
    EXPECT_EQ(COCIException::errCode(), c.status);
    EXPECT_STREQ(COCIException::errMsg(), c.message);
  }
}

TEST(ErrorRecord, UnknownStatusKeepsTheMessage) {
  COCIException::checkErr(nullptr, OCI_NO_DATA);
  EXPECT_EQ(COCIException::checkErr(nullptr, 2), 0);
  EXPECT_EQ(COCIException::errCode(), 2);
  EXPECT_STREQ(COCIException::errMsg(), "OCI_NO_DATA");
}

TEST(ErrorRecord, MessageIsAlwaysTheSameStore) {
  char *first = COCIException::errMsg();
  COCIException::checkErr(nullptr, OCI_SUCCESS);
  EXPECT_EQ(COCIException::errMsg(), first);
}

class ErrorRecordSession : public SessionTest {};

TEST_F(ErrorRecordSession, OracleErrorReplacesTheStatus) {
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  EXPECT_THROW(rs.OpenRecordset("SELECT * FROM no_such_table"),
               COCIException);
  EXPECT_EQ(COCIException::errCode(), 942);
  EXPECT_EQ(strncmp(COCIException::errMsg(), "ORA-00942: ", 11), 0)
      << COCIException::errMsg();
  rs.CloseRecordset();
}

TEST_F(ErrorRecordSession, LongMessagesAreCutToTheStore) {
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&connection_));
  EXPECT_THROW(
      rs.OpenRecordset("BEGIN RAISE_APPLICATION_ERROR(-20001, RPAD('x', 700, 'x')); END;"),
      COCIException);
  EXPECT_EQ(COCIException::errCode(), 20001);
  EXPECT_EQ(strlen(COCIException::errMsg()), 511u);
  rs.CloseRecordset();
}

// Threads writing at once: each write is whole, so the record ends as one
// thread's entry, its code with its own message.
TEST(ErrorRecord, WritersOnManyThreadsLeaveOneWholeEntry) {
  struct Entry {
    int status;
    const char *message;
  };
  static const Entry entries[] = {
      {OCI_SUCCESS, "OCI_SUCCESS"},
      {OCI_NO_DATA, "OCI_NO_DATA"},
      {OCI_SUCCESS_WITH_INFO, "OCI_SUCCESS_WITH_INFO"},
      {OCI_INVALID_HANDLE, "OCI_INVALID_HANDLE"},
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 20000; ++i)
        COCIException::checkErr(nullptr, entries[(t + i) % 4].status);
    });
  }
  for (std::thread &thread : threads) thread.join();
  bool found = false;
  for (const Entry &e : entries) {
    if (e.status != COCIException::errCode()) continue;
    found = true;
    EXPECT_STREQ(COCIException::errMsg(), e.message);
  }
  EXPECT_TRUE(found) << COCIException::errCode();
}

// One connection per thread, each running queries and failing statements
// at once (run under a thread sanitizer, this reports no race).
TEST_F(ErrorRecordSession, OneConnectionPerThread) {
  Exec("CREATE TABLE t (n INTEGER)");
  Exec("INSERT INTO t VALUES (7)");
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([this, &wrong] {
      COCIConnection c;
      if (!Open(c)) {
        ++wrong;
        return;
      }
      for (int i = 0; i < 100; ++i) {
        COCIRecordset rs;
        rs.InitRecordset(&c);
        try {
          rs.OpenRecordset("SELECT n FROM t");
          COleVariant v;
          if (!rs.MoveNext() || !rs.GetFieldValue(0, v) || v.lVal != 7)
            ++wrong;
          rs.OpenRecordset("SELECT * FROM no_such_table");
          ++wrong;  // never reached
        } catch (const COCIException &) {
        }
      }
    });
  }
  for (std::thread &thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
