// A 1,000,000-row scan through the engine (defines of external types 6, 6,
// 5 and 4, fetched one row at a time as the library does) next to the same
// scan through the raw SQLite C API opened as sqlite3_open does, in one
// run; prints both times and their ratio (target: the engine at most 1.25
// times the raw scan). The table is written through the engine (binds, one
// transaction), so it holds what the engine stores. The work per row is in
// the functions named *Rows, for callgrind's --toggle-collect.
#include <sqlite3.h>

#include <stdint.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include <benchmark/benchmark.h>

#include "EngineSession.h"
#include "ScanTable.h"
#include "oci.h"

namespace {

constexpr int kRows = kScanRows;
const char *const kSelect = kScanSelect;

std::string &DatabasePath() {
  static std::string path;
  return path;
}

__attribute__((noinline)) long FetchRows(EngineSession &s, OCIStmt *stmt, OCINumber *id,
                                         OCINumber *amount, char *name, double *ratio) {
  long rows = 0;
  while (OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT) == OCI_SUCCESS) {
    ++rows;
    benchmark::DoNotOptimize(*id);
    benchmark::DoNotOptimize(*amount);
    benchmark::DoNotOptimize(name);
    benchmark::DoNotOptimize(*ratio);
  }
  return rows;
}

// The scan table, written through the engine with one prepared INSERT.
std::string CreateThroughEngine() {
  std::string dir = (std::filesystem::temp_directory_path() / "kestrel-scan-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) std::abort();
  const std::string path = dir + "/scan.db";
  EngineSession s("file:" + path + "?mode=rwc");
  OCIStmt *stmt = nullptr;
  OCIHandleAlloc(s.env, reinterpret_cast<void **>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  auto run = [&](const char *sql, ub4 iterations) {
    OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(sql),
                   static_cast<ub4>(std::strlen(sql)), OCI_NTV_SYNTAX, OCI_DEFAULT);
    return iterations;
  };
  run("CREATE TABLE scan (id NUMBER(10,0), amount NUMBER(12,2), name VARCHAR2(30), "
      "ratio BINARY_DOUBLE)", 1);
  if (OCIStmtExecute(s.svc, stmt, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS) {
    std::abort();
  }
  run("INSERT INTO scan VALUES (:1, :2, :3, :4)", 1);
  int64_t id = 0;
  double amount = 0;
  char name[32];
  double ratio = 0;
  OCIBind *binds[4] = {nullptr, nullptr, nullptr, nullptr};
  OCIBindByPos(stmt, &binds[0], s.err, 1, &id, sizeof id, SQLT_INT, nullptr, nullptr, nullptr,
               0, nullptr, OCI_DEFAULT);
  OCIBindByPos(stmt, &binds[1], s.err, 2, &amount, sizeof amount, SQLT_FLT, nullptr, nullptr,
               nullptr, 0, nullptr, OCI_DEFAULT);
  OCIBindByPos(stmt, &binds[2], s.err, 3, name, sizeof name, SQLT_STR, nullptr, nullptr,
               nullptr, 0, nullptr, OCI_DEFAULT);
  OCIBindByPos(stmt, &binds[3], s.err, 4, &ratio, sizeof ratio, SQLT_FLT, nullptr, nullptr,
               nullptr, 0, nullptr, OCI_DEFAULT);
  for (int i = 0; i < kRows; ++i) {
    id = i;
    amount = (i % 100000) / 100.0 + 0.25;
    std::snprintf(name, sizeof name, "customer-%07d", i);
    ratio = i / 7.0;
    if (OCIStmtExecute(s.svc, stmt, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS) {
      std::abort();
    }
  }
  if (OCITransCommit(s.svc, s.err, OCI_DEFAULT) != OCI_SUCCESS) std::abort();
  OCIHandleFree(stmt, OCI_HTYPE_STMT);
  return path;
}

void EngineScan(benchmark::State &state) {
  EngineSession s(DatabasePath());
  OCIStmt *stmt = nullptr;
  OCIHandleAlloc(s.env, reinterpret_cast<void **>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(kSelect),
                 sizeof kScanSelect - 1, OCI_NTV_SYNTAX, OCI_DEFAULT);
  OCINumber id;
  OCINumber amount;
  char name[31];
  double ratio = 0;
  sb2 indicators[4];
  for (auto _ : state) {
    OCIStmtExecute(s.svc, stmt, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT);
    OCIDefine *defines[4] = {nullptr, nullptr, nullptr, nullptr};
    OCIDefineByPos(stmt, &defines[0], s.err, 1, &id, 22, SQLT_VNU, &indicators[0], nullptr,
                   nullptr, OCI_DEFAULT);
    OCIDefineByPos(stmt, &defines[1], s.err, 2, &amount, 22, SQLT_VNU, &indicators[1],
                   nullptr, nullptr, OCI_DEFAULT);
    OCIDefineByPos(stmt, &defines[2], s.err, 3, name, sizeof name, SQLT_STR, &indicators[2],
                   nullptr, nullptr, OCI_DEFAULT);
    OCIDefineByPos(stmt, &defines[3], s.err, 4, &ratio, 8, SQLT_FLT, &indicators[3], nullptr,
                   nullptr, OCI_DEFAULT);
    if (FetchRows(s, stmt, &id, &amount, name, &ratio) != kRows) {
      state.SkipWithError("wrong row count");
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

__attribute__((noinline)) long RawRows(sqlite3_stmt *stmt) {
  long rows = 0;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    ++rows;
    benchmark::DoNotOptimize(sqlite3_column_int64(stmt, 0));
    benchmark::DoNotOptimize(sqlite3_column_double(stmt, 1));
    benchmark::DoNotOptimize(sqlite3_column_text(stmt, 2));
    benchmark::DoNotOptimize(sqlite3_column_double(stmt, 3));
  }
  sqlite3_reset(stmt);
  return rows;
}

void RawScan(benchmark::State &state) {
  sqlite3 *db = nullptr;
  sqlite3_open(DatabasePath().c_str(), &db);  // as an application would
  sqlite3_stmt *stmt = nullptr;
  sqlite3_prepare_v2(db, kSelect, -1, &stmt, nullptr);
  for (auto _ : state) {
    if (RawRows(stmt) != kRows) state.SkipWithError("wrong row count");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  sqlite3_finalize(stmt);
  sqlite3_close(db);
}

BENCHMARK(EngineScan)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RawScan)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each benchmark's time per scan for the closing ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs) {
      if (run.run_type == Run::RT_Iteration) {
        times[run.benchmark_name()] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  DatabasePath() = CreateThroughEngine();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double engine = reporter.times["EngineScan/min_time:2.000"];
  const double raw = reporter.times["RawScan/min_time:2.000"];
  if (engine > 0 && raw > 0) {
    std::printf("engine scan %.1f ms, raw SQLite scan %.1f ms, ratio %.2f (target <= 1.25)\n",
                engine, raw, engine / raw);
  }
  RemoveScanDatabase(DatabasePath());
  return 0;
}
