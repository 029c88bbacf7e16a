// A 1,000,000-row scan through COCIRecordset (MoveNext and GetFieldValue on
// every column) next to the raw SQLite scan of the same table, in one run.
// Target: at most 1.25 times the raw scan of SQLite's default open, and no
// heap allocation per row (counted here by interposing malloc).
#include <stdlib.h>

#include <cstdio>
#include <filesystem>

#include <atomic>
#include <string>

#include <benchmark/benchmark.h>

#include "COCIConnection.h"
#include "COCIException.h"
#include "COCIRecordset.h"
#include "ScanTable.h"

namespace {

std::atomic<long long> g_allocations{0};

std::string &Database() {
  static std::string path;
  return path;
}

void BM_RawSqliteScan(benchmark::State &state) {
  for (auto _ : state) benchmark::DoNotOptimize(RawScan(Database()));
  state.counters["rows"] = kScanRows;
}
BENCHMARK(BM_RawSqliteScan)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same scan on a connection opened as sqlite3_open opens it (SQLite's
// serialized mode, with its mutex): the figure the targets are stated
// against.
void BM_RawSqliteScanDefaultOpen(benchmark::State &state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(RawScan(Database(), RawOpen::kDefault));
  state.counters["rows"] = kScanRows;
}
BENCHMARK(BM_RawSqliteScanDefaultOpen)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Reads the given columns of every row; reports heap allocations per row.
// Only the scan is in this function, kept out of line so that callgrind
// can count it by name (`*::Scan(*`); the
// logon is its caller's.
__attribute__((noinline)) void Scan(benchmark::State &state,
                                    COCIConnection &connection,
                                    const long *columns, int count) {
  long long allocations = 0;
  for (auto _ : state) {
    COCIRecordset rs;
    rs.InitRecordset(&connection);
    rs.OpenRecordset(kScanSelect);
    COleVariant value;
    const long long before = g_allocations.load();
    while (rs.MoveNext()) {
      for (int c = 0; c < count; ++c) rs.GetFieldValue(columns[c], value);
    }
    allocations += g_allocations.load() - before;
    rs.CloseRecordset();
  }
  state.counters["allocs_per_row"] =
      static_cast<double>(allocations) /
      (static_cast<double>(state.iterations()) * kScanRows);
}

// Logs on and scans the given columns.
void ScanColumns(benchmark::State &state, const long *columns, int count) {
  COCIConnection connection;
  const std::string link = "file:" + Database();
  if (!connection.Connect(link.c_str(), "bench", "bench")) {
    state.SkipWithError("connect failed");
    return;
  }
  Scan(state, connection, columns, count);
}

void BM_RecordsetScanAllColumns(benchmark::State &state) {
  const long columns[] = {0, 1, 2, 3};
  ScanColumns(state, columns, 4);
}
BENCHMARK(BM_RecordsetScanAllColumns)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_RecordsetScanNumericColumns(benchmark::State &state) {
  const long columns[] = {0, 1, 3};
  ScanColumns(state, columns, 3);
}
BENCHMARK(BM_RecordsetScanNumericColumns)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

// The scan table, written through the library (one prepared INSERT with
// parameters, one transaction), so that it has the engine's storage; the
// raw scans read the same file.
std::string CreateThroughLibrary() {
  std::string dir =
      (std::filesystem::temp_directory_path() / "kestrel-scan-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) std::abort();
  const std::string path = dir + "/scan.db";
  COCIConnection connection;
  const std::string link = "file:" + path + "?mode=rwc";
  if (!connection.Connect(link.c_str(), "bench", "bench")) std::abort();
  COCIRecordset rs;
  rs.InitRecordset(&connection);
  rs.OpenRecordset(
      "CREATE TABLE scan (id NUMBER(10,0), amount NUMBER(12,2), "
      "name VARCHAR2(30), ratio BINARY_DOUBLE)");
  if (!connection.BeginTrans()) std::abort();
  rs.Prepare("INSERT INTO scan VALUES (:1, :2, :3, :4)");
  char name[32];
  for (int i = 0; i < kScanRows; ++i) {
    std::snprintf(name, sizeof name, "customer-%07d", i);
    rs.SetParam(1, COleVariant(static_cast<long>(i)));
    rs.SetParam(2, COleVariant((i % 100000) / 100.0 + 0.25));
    rs.SetParam(3, COleVariant(name, VT_BSTRT));
    rs.SetParam(4, COleVariant(i / 7.0));
    rs.Execute();
  }
  if (!connection.CommitTrans()) std::abort();
  rs.CloseRecordset();
  connection.DisConnect();
  return path;
}

// Every heap allocation goes through malloc: operator new, BSTRs and the
// engine's own. Interposing it counts them all.
extern "C" void *__libc_malloc(size_t size);

extern "C" void *malloc(size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}

int main(int argc, char **argv) {
  Database() = CreateThroughLibrary();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  RemoveScanDatabase(Database());
  return 0;
}
