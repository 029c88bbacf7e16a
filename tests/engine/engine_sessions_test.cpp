// Several sessions on one database file, in one process and in several:
// every kind of write waits the bounded busy timeout for another writer
// and then fails with ORA-00054, readers are never blocked and never see
// uncommitted changes, and a writer process killed in mid-transaction
// leaves the database whole with its transaction gone.
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Cell;
using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class EngineSessions : public ::testing::Test {
 protected:
  void SetUp() override {
    Session owner(dir.CreateLink("s.db"));
    ASSERT_TRUE(owner.ok()) << owner.ErrorText();
    ASSERT_EQ(owner.Run("CREATE TABLE t (a NUMBER(10), pad VARCHAR2(2000))"), OCI_SUCCESS);
    ASSERT_EQ(owner.Run("INSERT INTO t (a) VALUES (1)"), OCI_SUCCESS);
    ASSERT_EQ(owner.Commit(), OCI_SUCCESS);
  }
  std::string Link(const std::string &extra = "") const {
    return "file:" + dir.File("s.db") + (extra.empty() ? "" : "?" + extra);
  }
  static long Count(Session &s) {
    const Rows rows = s.Query("SELECT count(*) FROM t");
    return rows.size() == 1 && rows[0][0] ? std::stol(*rows[0][0]) : -1;
  }
  static void Exec(Session &s, const std::string &sql) {
    ASSERT_EQ(s.Run(sql), OCI_SUCCESS) << sql << ": " << s.ErrorText();
  }

  TempDir dir;
};

// 5,000 rows of 1.5 KB: more than SQLite's page cache holds, so the
// uncommitted pages spill into the database's write-ahead log.
constexpr char kBigInsert[] =
    "INSERT INTO t (a, pad) WITH c(n) AS (SELECT 1 FROM dual UNION ALL "
    "SELECT n + 1 FROM c WHERE n < 5000) SELECT n, RPAD('x', 1500, 'x') FROM c";

TEST_F(EngineSessions, EveryWriteWaitsTheBusyTimeoutThenFailsWith54) {
  Session holder(Link());
  Session waiter(Link("busy_timeout=200"));
  ASSERT_TRUE(holder.ok() && waiter.ok()) << waiter.ErrorText();
  Exec(holder, "UPDATE t SET a = 10");  // holds the write lock, uncommitted
  const char *writes[] = {
      "INSERT INTO t (a) VALUES (2)",
      "UPDATE t SET a = 3",
      "DELETE FROM t",
      "CREATE TABLE u (x NUMBER(3))",
      "ALTER TABLE t ADD (y VARCHAR2(3))",
      "DROP TABLE t",
      "SELECT a FROM t FOR UPDATE",
      "BEGIN INSERT INTO t (a) VALUES (4); UPDATE t SET a = 5; END;",
  };
  for (const char *sql : writes) {
    SCOPED_TRACE(sql);
    const auto start = Clock::now();
    EXPECT_EQ(waiter.Run(sql), OCI_ERROR);
    const auto waited = Clock::now() - start;
    EXPECT_EQ(waiter.ErrorCode(), 54) << waiter.ErrorText();
    EXPECT_GE(waited, milliseconds(180));
    EXPECT_LT(waited, milliseconds(3000));
    // The waiter is left as it was: no transaction, free to read.
    EXPECT_EQ(waiter.Query("SELECT a FROM t"), (Rows{{Cell("1")}}));
  }
  ASSERT_EQ(holder.Commit(), OCI_SUCCESS);
  Exec(waiter, "INSERT INTO t (a) VALUES (2)");
  ASSERT_EQ(waiter.Commit(), OCI_SUCCESS);
  EXPECT_EQ(Count(holder), 2);
}

TEST_F(EngineSessions, AWaitingWriterGoesOnWhenTheLockIsFreedInTime) {
  Session holder(Link());
  Session waiter(Link("busy_timeout=5000"));
  ASSERT_TRUE(holder.ok() && waiter.ok());
  Exec(holder, "INSERT INTO t (a) VALUES (2)");
  std::thread release([&] {
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_EQ(holder.Commit(), OCI_SUCCESS);
  });
  const auto start = Clock::now();
  EXPECT_EQ(waiter.Run("INSERT INTO t (a) VALUES (3)"), OCI_SUCCESS) << waiter.ErrorText();
  const auto waited = Clock::now() - start;
  release.join();
  EXPECT_GE(waited, milliseconds(250));
  EXPECT_LT(waited, milliseconds(4000));
  ASSERT_EQ(waiter.Commit(), OCI_SUCCESS);
  EXPECT_EQ(Count(holder), 3);
}

TEST_F(EngineSessions, ReadersAreNeverBlockedAndSeeOnlyWhatIsCommitted) {
  Session writer(Link());
  Session reader(Link());
  ASSERT_TRUE(writer.ok() && reader.ok());
  Exec(writer, kBigInsert);
  const auto start = Clock::now();
  EXPECT_EQ(Count(reader), 1);
  EXPECT_EQ(reader.Query("SELECT max(a) FROM t"), (Rows{{Cell("1")}}));
  EXPECT_LT(Clock::now() - start, milliseconds(1000));  // the wait would be 5 s
  EXPECT_EQ(Count(writer), 5001);  // the writer sees its own changes

  // A reader's open cursor keeps its snapshot and does not hold up a
  // writer's commit.
  ASSERT_EQ(writer.Commit(), OCI_SUCCESS);
  OCIStmt *cursor = reader.NewStatement();
  const std::string sql = "SELECT a FROM t";
  ASSERT_EQ(OCIStmtPrepare(cursor, reader.err, reinterpret_cast<const OraText *>(sql.data()),
                           static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIStmtExecute(reader.svc, cursor, reader.err, 1, 0, nullptr, nullptr,
                           OCI_DEFAULT),
            OCI_SUCCESS);
  Exec(writer, "DELETE FROM t");
  ASSERT_EQ(writer.Commit(), OCI_SUCCESS) << writer.ErrorText();
  ub4 fetched = 1;
  while (OCIStmtFetch(cursor, reader.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT) == OCI_SUCCESS) {
    ++fetched;
  }
  EXPECT_EQ(fetched, 5001u);
  EXPECT_EQ(Count(reader), 0);  // the next statement sees the delete

  // A column another session added is known to the next statement.
  Exec(writer, "ALTER TABLE t ADD (added VARCHAR2(5))");
  EXPECT_EQ(reader.Query("SELECT COUNT(added) FROM t"), (Rows{{Cell("0")}})) << reader.ErrorText();
}

TEST_F(EngineSessions, AnOpenCursorOnOlderDataCannotWriteUntilClosed) {
  Session a(Link());
  Session b(Link());
  Exec(a, kBigInsert);
  ASSERT_EQ(a.Commit(), OCI_SUCCESS);
  OCIStmt *cursor = a.NewStatement();
  const std::string sql = "SELECT a FROM t";
  ASSERT_EQ(OCIStmtPrepare(cursor, a.err, reinterpret_cast<const OraText *>(sql.data()),
                           static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIStmtExecute(a.svc, cursor, a.err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  // Without another session's commit, the cursor's session writes freely.
  Exec(a, "INSERT INTO t (a) VALUES (-1)");
  ASSERT_EQ(a.Commit(), OCI_SUCCESS);
  ASSERT_EQ(OCIStmtExecute(a.svc, cursor, a.err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  Exec(b, "INSERT INTO t (a) VALUES (-2)");
  ASSERT_EQ(b.Commit(), OCI_SUCCESS);
  // Now its snapshot is older than the database: no wait, a clear refusal.
  const auto start = Clock::now();
  EXPECT_EQ(a.Run("INSERT INTO t (a) VALUES (-3)"), OCI_ERROR);
  EXPECT_LT(Clock::now() - start, milliseconds(1000));
  EXPECT_EQ(a.ErrorCode(), 54);
  EXPECT_NE(a.ErrorText().find("open query"), std::string::npos) << a.ErrorText();
  ASSERT_EQ(OCIStmtFetch(cursor, a.err, 0, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
  Exec(a, "INSERT INTO t (a) VALUES (-3)");
  ASSERT_EQ(a.Commit(), OCI_SUCCESS);
  EXPECT_EQ(Count(b), 5004);
}

TEST_F(EngineSessions, ConcurrentReadersSeeOnlyWholeTransactions) {
  // The writer commits two rows at a time; readers on other threads must
  // only ever see an odd count (the first row and pairs), never falling.
  constexpr int kCommits = 40;
  std::atomic<bool> done{false};
  std::atomic<int> torn{0};
  std::atomic<int> reads{0};
  std::atomic<int> ready{0};
  auto read = [&] {
    Session reader(Link());
    long last = 0;
    bool counted = false;
    do {
      const long n = Count(reader);
      if (n < last || n % 2 == 0) ++torn;
      last = n;
      ++reads;
      if (!counted) ++ready;  // this reader has read once
      counted = true;
    } while (!done.load());
  };
  std::thread r1(read);
  std::thread r2(read);
  {
    Session writer(Link());
    // A logon is a slow password check: the writer starts only once both
    // readers are reading, so every run proves isolation, however loaded.
    while (ready.load() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (int i = 0; i < kCommits; ++i) {
      Exec(writer, "INSERT INTO t (a) VALUES (" + std::to_string(i) + ")");
      Exec(writer, "INSERT INTO t (a) VALUES (" + std::to_string(i) + ")");
      ASSERT_EQ(writer.Commit(), OCI_SUCCESS) << writer.ErrorText();
    }
  }
  done = true;
  r1.join();
  r2.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_GT(reads.load(), 0);
  Session check(Link());
  EXPECT_EQ(Count(check), 1 + 2 * kCommits);
}

// The child process: connects through the engine, commits one row, then
// writes 5,000 more without committing, tells the parent, and waits to be
// killed. Never returns.
[[noreturn]] void KilledWriter(const std::string &link, int ready) {
  {
    Session w(link);
    if (!w.ok() || w.Run("INSERT INTO t (a) VALUES (2)") != OCI_SUCCESS ||
        w.Commit() != OCI_SUCCESS || w.Run(kBigInsert) != OCI_SUCCESS) {
      _exit(2);
    }
    if (write(ready, "w", 1) != 1) _exit(3);
    for (;;) pause();
  }
}

TEST_F(EngineSessions, AKilledWriterLeavesTheDatabaseWholeWithItsWorkGone) {
  // No connection to the file may be open in this process across fork().
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(ready[0]);
    KilledWriter(Link(), ready[1]);
  }
  close(ready[1]);
  struct Reaper {  // the child never outlives the test
    pid_t pid;
    ~Reaper() {
      if (pid <= 0) return;
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  } reaper{child};
  pollfd wait{ready[0], POLLIN, 0};
  ASSERT_EQ(poll(&wait, 1, 60000), 1) << "the writer never got going";
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1) << "the writer failed";
  close(ready[0]);

  {
    // While the writer holds its lock: reads go on, writes wait and fail.
    Session other(Link("busy_timeout=200"));
    ASSERT_TRUE(other.ok()) << other.ErrorText();
    EXPECT_EQ(Count(other), 2);
    EXPECT_EQ(other.Run("INSERT INTO t (a) VALUES (3)"), OCI_ERROR);
    EXPECT_EQ(other.ErrorCode(), 54);
  }

  // The uncommitted pages reached the log: recovery has work to do.
  struct stat wal;
  ASSERT_EQ(stat(dir.File("s.db-wal").c_str(), &wal), 0);
  EXPECT_GT(wal.st_size, 1 << 20);

  ASSERT_EQ(kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  reaper.pid = 0;  // reaped

  Session after(Link("busy_timeout=2000"));
  ASSERT_TRUE(after.ok()) << after.ErrorText();
  EXPECT_EQ(after.Query("SELECT a FROM t ORDER BY a"), (Rows{{Cell("1")}, {Cell("2")}}));
  Exec(after, "INSERT INTO t (a) VALUES (3)");
  ASSERT_EQ(after.Commit(), OCI_SUCCESS) << after.ErrorText();
  EXPECT_EQ(Count(after), 3);

  sqlite3 *raw = nullptr;
  ASSERT_EQ(sqlite3_open(dir.File("s.db").c_str(), &raw), SQLITE_OK);
  sqlite3_stmt *check = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(raw, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char *>(sqlite3_column_text(check, 0)), "ok");
  sqlite3_finalize(check);
  sqlite3_close(raw);
}

}  // namespace

// OCIBreak from another thread stops the statement running on a service
// context with ORA-01013; a break while nothing runs stops nothing.
TEST_F(EngineSessions, BreakStopsTheRunningStatementFromAnotherThread) {
  Session a(Link());
  ASSERT_TRUE(a.ok()) << a.ErrorText();
  EXPECT_EQ(OCIBreak(a.svc, a.err), OCI_SUCCESS);  // idle: forgotten
  EXPECT_EQ(a.Query("SELECT 1 FROM dual"), (engine_test::Rows{{std::string("1")}}));
  const auto start = std::chrono::steady_clock::now();
  std::thread breaker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(OCIBreak(a.svc, nullptr), OCI_SUCCESS);
  });
  // Counts for far longer than the test may run.
  EXPECT_EQ(a.Run("WITH c(n) AS (SELECT 1 FROM dual UNION ALL SELECT n + 1 FROM c "
                  "WHERE n < 1000000000000) SELECT MAX(n) FROM c"),
            OCI_ERROR);
  breaker.join();
  EXPECT_EQ(a.ErrorCode(), 1013) << a.ErrorText();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(a.Query("SELECT 2 FROM dual"), (engine_test::Rows{{std::string("2")}}));
  EXPECT_EQ(OCIReset(a.server, a.err), OCI_SUCCESS);
  EXPECT_EQ(OCIBreak(a.err, a.err), OCI_INVALID_HANDLE);
  EXPECT_EQ(OCIBreak(nullptr, a.err), OCI_INVALID_HANDLE);
}
