// A 1,000,000-row scan through the engine (defines of external types 6, 6,
// 5 and 4, fetched one row at a time as the library does) next to the same
// scan through the raw SQLite C API, in one run; prints both times and
// their ratio (target: the engine at most 1.5 times the raw scan).
#include <sqlite3.h>

#include <cstdio>
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

void EngineScan(benchmark::State &state) {
  // The table was written with the raw API: the first logon claims the
  // database, which it allows only when the link asks for it.
  EngineSession s("file:" + DatabasePath() + "?claim=1");
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
    long rows = 0;
    while (OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT) == OCI_SUCCESS) {
      ++rows;
      benchmark::DoNotOptimize(id);
      benchmark::DoNotOptimize(amount);
      benchmark::DoNotOptimize(name);
      benchmark::DoNotOptimize(ratio);
    }
    if (rows != kRows) state.SkipWithError("wrong row count");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void RawScan(benchmark::State &state) {
  sqlite3 *db = nullptr;
  // The engine's own open flags, so only the layer above SQLite differs.
  sqlite3_open_v2(DatabasePath().c_str(), &db,
                  SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
  sqlite3_stmt *stmt = nullptr;
  sqlite3_prepare_v2(db, kSelect, -1, &stmt, nullptr);
  for (auto _ : state) {
    long rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      ++rows;
      benchmark::DoNotOptimize(sqlite3_column_int64(stmt, 0));
      benchmark::DoNotOptimize(sqlite3_column_double(stmt, 1));
      benchmark::DoNotOptimize(sqlite3_column_text(stmt, 2));
      benchmark::DoNotOptimize(sqlite3_column_double(stmt, 3));
    }
    sqlite3_reset(stmt);
    if (rows != kRows) state.SkipWithError("wrong row count");
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
  DatabasePath() = CreateScanDatabase();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double engine = reporter.times["EngineScan/min_time:2.000"];
  const double raw = reporter.times["RawScan/min_time:2.000"];
  if (engine > 0 && raw > 0) {
    std::printf("engine scan %.1f ms, raw SQLite scan %.1f ms, ratio %.2f (target <= 1.5)\n",
                engine, raw, engine / raw);
  }
  RemoveScanDatabase(DatabasePath());
  return 0;
}
