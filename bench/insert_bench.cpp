// 100,000 inserts of (NUMBER(10,0), NUMBER(12,2), VARCHAR2(30),
// BINARY_DOUBLE) rows through COCIRecordset (one prepared statement, its
// parameters set for each row, one transaction) next to raw SQLite's
// prepared insert of the same rows in one transaction (SQLite's default
// open); and 2,000 and 6,000 rows with one commit per row both ways, the
// raw side with the engine's durability (WAL, synchronous=FULL), whose
// difference is the cost of a row without the one-time work (the
// statement's compile, the session's first read of its privileges); and
// the time of a logon.
// The work per row is in the functions named *Rows, for callgrind's
// --toggle-collect.
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "COCIConnection.h"
#include "COCIException.h"
#include "COCIRecordset.h"

namespace {

constexpr int kInsertRows = 100000;
constexpr char kCreate[] =
    "CREATE TABLE ins (id NUMBER(10,0), amount NUMBER(12,2), "
    "name VARCHAR2(30), ratio BINARY_DOUBLE)";

// A new folder for one run's database; removed by its destructor.
struct TempDatabase {
  TempDatabase() {
    dir = (std::filesystem::temp_directory_path() / "kestrel-insert-XXXXXX")
              .string();
    if (mkdtemp(dir.data()) == nullptr) std::abort();
    path = dir + "/insert.db";
  }
  ~TempDatabase() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  std::string dir;
  std::string path;
};

void Row(int i, long *id, double *amount, char *name, double *ratio) {
  *id = i;
  *amount = (i % 100000) / 100.0 + 0.25;
  std::snprintf(name, 32, "customer-%07d", i);
  *ratio = i / 7.0;
}

// One transaction for all rows, or (`each`) a commit per row.
__attribute__((noinline)) bool LibraryInsertRows(COCIConnection &connection,
                                                 int rows, bool each) {
  COCIRecordset rs;
  if (!rs.InitRecordset(&connection)) return false;
  if (!each && !connection.BeginTrans()) return false;
  try {
    rs.Prepare("INSERT INTO ins VALUES (:1, :2, :3, :4)");
    char name[32];
    long id;
    double amount, ratio;
    for (int i = 0; i < rows; ++i) {
      Row(i, &id, &amount, name, &ratio);
      rs.SetParam(1, COleVariant(id));
      rs.SetParam(2, COleVariant(amount));
      rs.SetParam(3, COleVariant(name, VT_BSTRT));
      rs.SetParam(4, COleVariant(ratio));
      rs.Execute();
    }
  } catch (const COCIException &) {
    connection.Rollback();
    return false;
  }
  return connection.CommitTrans() != 0;
}

__attribute__((noinline)) bool RawInsertRows(sqlite3 *db, int rows,
                                             bool each) {
  if (!each) sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt *insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO ins VALUES (?1, ?2, ?3, ?4)", -1,
                     &insert, nullptr);
  char name[32];
  long id;
  double amount, ratio;
  for (int i = 0; i < rows; ++i) {
    Row(i, &id, &amount, name, &ratio);
    sqlite3_bind_int64(insert, 1, id);
    sqlite3_bind_double(insert, 2, amount);
    sqlite3_bind_text(insert, 3, name, -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(insert, 4, ratio);
    if (sqlite3_step(insert) != SQLITE_DONE) return false;
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  return each ||
         sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void LibraryInsert(benchmark::State &state, int rows, bool each) {
  for (auto _ : state) {
    state.PauseTiming();
    TempDatabase db;
    COCIConnection connection;
    const std::string link = "file:" + db.path + "?mode=rwc";
    if (!connection.Connect(link.c_str(), "bench", "bench")) {
      state.SkipWithError("connect failed");
      return;
    }
    COCIRecordset create;
    create.InitRecordset(&connection);
    create.OpenRecordset(kCreate);
    state.ResumeTiming();
    if (!LibraryInsertRows(connection, rows, each)) {
      state.SkipWithError(COCIException::errMsg());
      return;
    }
    state.PauseTiming();
    connection.DisConnect();
    state.ResumeTiming();
  }
  state.counters["rows"] = rows;
}

void RawInsert(benchmark::State &state, int rows, bool each) {
  for (auto _ : state) {
    state.PauseTiming();
    TempDatabase db;
    sqlite3 *raw = nullptr;
    sqlite3_open(db.path.c_str(), &raw);
    // One commit per row: the engine's durability (WAL, every commit
    // synced), so that both sides pay the same for each commit.
    if (each)
      sqlite3_exec(raw, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL",
                   nullptr, nullptr, nullptr);
    sqlite3_exec(raw, kCreate, nullptr, nullptr, nullptr);
    state.ResumeTiming();
    if (!RawInsertRows(raw, rows, each)) state.SkipWithError("insert failed");
    state.PauseTiming();
    sqlite3_close(raw);
    state.ResumeTiming();
  }
  state.counters["rows"] = rows;
}

void BM_LibraryInsert(benchmark::State &state) {
  LibraryInsert(state, kInsertRows, false);
}
void BM_RawSqliteInsert(benchmark::State &state) {
  RawInsert(state, kInsertRows, false);
}
void BM_LibraryInsertCommitEach(benchmark::State &state) {
  LibraryInsert(state, static_cast<int>(state.range(0)), true);
}
void BM_RawSqliteInsertCommitEach(benchmark::State &state) {
  RawInsert(state, static_cast<int>(state.range(0)), true);
}
BENCHMARK(BM_LibraryInsert)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawSqliteInsert)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibraryInsertCommitEach)
    ->Arg(2000)
    ->Arg(6000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RawSqliteInsertCommitEach)
    ->Arg(2000)
    ->Arg(6000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A logon to an existing database and its end, as an application opens a
// connection (most of it is the password hash, which stays). Run with
// --benchmark_repetitions=20 for the median.
void BM_Logon(benchmark::State &state) {
  TempDatabase db;
  const std::string link = "file:" + db.path + "?mode=rwc";
  {
    COCIConnection first;
    if (!first.Connect(link.c_str(), "bench", "bench")) {
      state.SkipWithError("connect failed");
      return;
    }
  }
  for (auto _ : state) {
    COCIConnection connection;
    if (!connection.Connect(link.c_str(), "bench", "bench")) {
      state.SkipWithError("connect failed");
      return;
    }
    connection.DisConnect();
  }
}
BENCHMARK(BM_Logon)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
