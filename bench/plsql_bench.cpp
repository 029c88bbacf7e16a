// PL/SQL in the engine: a block that inserts 100,000 rows in a loop next
// to one prepared SQLite INSERT executed 100,000 times with bound values
// in one transaction, and a block looping 1,000,000 times over
// `x := x + i * 2`. The work is in the functions named *Rows and
// *Iterations, for callgrind's --toggle-collect.
#include <stdlib.h>

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "EngineSession.h"
#include "oci.h"

namespace {

constexpr int kRows = 100000;
constexpr int kIterations = 1000000;

void Fail(const char *what) {
  std::fprintf(stderr, "plsql_bench: %s\n", what);
  std::abort();
}

struct TempDir {
  TempDir() {
    char pattern[] = "/tmp/kestrel-plsql-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) Fail("mkdtemp");
    path = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

void Run(EngineSession &s, OCIStmt *stmt, const std::string &sql) {
  if (OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(sql.data()),
                     static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT) != OCI_SUCCESS ||
      OCIStmtExecute(s.svc, stmt, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS) {
    Fail(sql.c_str());
  }
}

__attribute__((noinline)) void BlockInsertRows(EngineSession &s, OCIStmt *stmt) {
  Run(s, stmt, "BEGIN FOR i IN 1 .. " + std::to_string(kRows) +
                   " LOOP INSERT INTO t VALUES (i, 'x' || i); END LOOP; END;");
}

__attribute__((noinline)) void RawInsertRows(sqlite3 *db) {
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt *insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?1, ?2)", -1, &insert, nullptr);
  char text[24];
  for (int i = 1; i <= kRows; ++i) {
    const int n = std::snprintf(text, sizeof text, "x%d", i);
    sqlite3_bind_int(insert, 1, i);
    sqlite3_bind_text(insert, 2, text, n, SQLITE_STATIC);
    if (sqlite3_step(insert) != SQLITE_DONE) Fail(sqlite3_errmsg(db));
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

__attribute__((noinline)) void BlockLoopIterations(EngineSession &s, OCIStmt *stmt) {
  Run(s, stmt, "DECLARE x NUMBER := 0; BEGIN FOR i IN 1 .. " + std::to_string(kIterations) +
                   " LOOP x := x + i * 2; END LOOP; END;");
}

void BM_BlockInsert(benchmark::State &state) {
  TempDir dir;
  EngineSession s("file:" + dir.path + "/b.db?mode=rwc");
  OCIStmt *stmt = nullptr;
  OCIHandleAlloc(s.env, reinterpret_cast<void **>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  Run(s, stmt, "CREATE TABLE t (a NUMBER, b VARCHAR2(20))");
  for (auto _ : state) {
    BlockInsertRows(s, stmt);
    state.PauseTiming();
    OCITransRollback(s.svc, s.err, OCI_DEFAULT);
    state.ResumeTiming();
  }
  OCIHandleFree(stmt, OCI_HTYPE_STMT);
}
BENCHMARK(BM_BlockInsert)->Unit(benchmark::kMillisecond);

void BM_RawInsert(benchmark::State &state) {
  TempDir dir;
  sqlite3 *db = nullptr;
  sqlite3_open((dir.path + "/r.db").c_str(), &db);
  sqlite3_exec(db, "CREATE TABLE t (a NUMBER, b VARCHAR2(20))", nullptr, nullptr, nullptr);
  for (auto _ : state) {
    RawInsertRows(db);
    state.PauseTiming();
    sqlite3_exec(db, "DELETE FROM t", nullptr, nullptr, nullptr);
    state.ResumeTiming();
  }
  sqlite3_close(db);
}
BENCHMARK(BM_RawInsert)->Unit(benchmark::kMillisecond);

void BM_BlockLoop(benchmark::State &state) {
  TempDir dir;
  EngineSession s("file:" + dir.path + "/l.db?mode=rwc");
  OCIStmt *stmt = nullptr;
  OCIHandleAlloc(s.env, reinterpret_cast<void **>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  for (auto _ : state) BlockLoopIterations(s, stmt);
  OCIHandleFree(stmt, OCI_HTYPE_STMT);
}
BENCHMARK(BM_BlockLoop)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
