// BLOB throughput on a 100 MB value: read and written through the engine's
// OCILobRead and OCILobWrite (in place, and extending an empty value),
// next to SQLite's own incremental blob reads and writes of the same size
// on the same file, in one run; prints MB/s (10^6 bytes) for each.
#include <stdlib.h>
#include <unistd.h>

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "EngineSession.h"
#include "oci.h"

namespace {

constexpr int kSize = 100 * 1000 * 1000;
constexpr int kFull = 1;   // row holding the 100 MB value
constexpr int kEmpty = 2;  // row emptied before each extending write

std::string &Directory() {
  static std::string path;
  return path;
}
std::string DatabaseFile() { return Directory() + "/blob.db"; }

std::vector<unsigned char> &Data() {
  static std::vector<unsigned char> data;
  return data;
}

void Fail(const char *what) {
  std::fprintf(stderr, "blob_bench: %s\n", what);
  std::abort();
}

void Exec(sqlite3 *db, const char *sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sqlite3_errmsg(db));
}

sqlite3 *OpenRaw() {
  sqlite3 *db = nullptr;
  if (sqlite3_open_v2(DatabaseFile().c_str(), &db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    Fail("cannot open the database");
  }
  Exec(db, "PRAGMA journal_mode=WAL");
  return db;
}

void CreateDatabase() {
  char pattern[] = "/tmp/kestrel-blob-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) Fail("mkdtemp");
  Directory() = pattern;
  sqlite3 *db = OpenRaw();
  Exec(db, "CREATE TABLE docs (id INTEGER, body BLOB)");
  Exec(db, ("INSERT INTO docs VALUES (1, zeroblob(" + std::to_string(kSize) +
            ")), (2, zeroblob(0))").c_str());
  sqlite3_close(db);
  Data().resize(kSize);
  for (int i = 0; i < kSize; ++i) Data()[i] = static_cast<unsigned char>(i * 131 + (i >> 16));
}

struct BlobSession : EngineSession {
  OCIStmt *stmt = nullptr;
  OCILobLocator *lob = nullptr;

  // The table was written with SQLite's own calls: the first logon claims
  // the file only when the link says so.
  BlobSession() : EngineSession("file:" + DatabaseFile() + "?claim=1") {
    OCIHandleAlloc(env, reinterpret_cast<void **>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
    OCIDescriptorAlloc(env, reinterpret_cast<void **>(&lob), OCI_DTYPE_LOB, 0, nullptr);
  }
  sword Run(const std::string &sql, ub4 iterations) {
    OCIStmtPrepare(stmt, err, reinterpret_cast<const OraText *>(sql.data()),
                   static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT);
    return OCIStmtExecute(svc, stmt, err, iterations, 0, nullptr, nullptr, OCI_DEFAULT);
  }
  // Fills the locator with row `id`'s value, as the library does.
  void Locate(int id) {
    if (Run("SELECT body FROM docs WHERE id = " + std::to_string(id), 0) != OCI_SUCCESS) {
      Fail("query failed");
    }
    OCIDefine *define = nullptr;
    OCIDefineByPos(stmt, &define, err, 1, &lob, 0, SQLT_BLOB, nullptr, nullptr, nullptr,
                   OCI_DEFAULT);
    if (OCIStmtFetch(stmt, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT) != OCI_SUCCESS) {
      Fail("fetch failed");
    }
  }
  void Write() {
    ub4 amount = kSize;
    if (OCILobWrite(svc, err, lob, &amount, 1, Data().data(), kSize, OCI_ONE_PIECE, nullptr,
                    nullptr, 0, SQLCS_IMPLICIT) != OCI_SUCCESS ||
        OCITransCommit(svc, err, OCI_DEFAULT) != OCI_SUCCESS) {
      Fail("engine write failed");
    }
  }
};

void EngineRead(benchmark::State &state) {
  BlobSession s;
  s.Locate(kFull);
  std::vector<unsigned char> buffer(kSize);
  for (auto _ : state) {
    ub4 amount = kSize;
    if (OCILobRead(s.svc, s.err, s.lob, &amount, 1, buffer.data(), kSize, nullptr, nullptr, 0,
                   SQLCS_IMPLICIT) != OCI_SUCCESS ||
        amount != static_cast<ub4>(kSize)) {
      state.SkipWithError("engine read failed");
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSize});
}

void RawRead(benchmark::State &state) {
  sqlite3 *db = OpenRaw();
  std::vector<unsigned char> buffer(kSize);
  for (auto _ : state) {
    sqlite3_blob *blob = nullptr;
    if (sqlite3_blob_open(db, "main", "docs", "body", kFull, 0, &blob) != SQLITE_OK ||
        sqlite3_blob_read(blob, buffer.data(), kSize, 0) != SQLITE_OK) {
      state.SkipWithError("raw read failed");
    }
    sqlite3_blob_close(blob);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSize});
  sqlite3_close(db);
}

// Overwrites the 100 MB value in place and commits.
void EngineWrite(benchmark::State &state) {
  BlobSession s;
  s.Locate(kFull);
  for (auto _ : state) s.Write();
  state.SetBytesProcessed(state.iterations() * int64_t{kSize});
}

void RawWrite(benchmark::State &state) {
  sqlite3 *db = OpenRaw();
  for (auto _ : state) {
    Exec(db, "BEGIN IMMEDIATE");
    sqlite3_blob *blob = nullptr;
    if (sqlite3_blob_open(db, "main", "docs", "body", kFull, 1, &blob) != SQLITE_OK ||
        sqlite3_blob_write(blob, Data().data(), kSize, 0) != SQLITE_OK) {
      state.SkipWithError("raw write failed");
    }
    sqlite3_blob_close(blob);
    Exec(db, "COMMIT");
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSize});
  sqlite3_close(db);
}

// Writes 100 MB into an empty value (which must grow) and commits.
void EngineExtend(benchmark::State &state) {
  BlobSession s;
  s.Locate(kEmpty);
  const std::string empty = "UPDATE docs SET body = zeroblob(0) WHERE id = 2";
  for (auto _ : state) {
    state.PauseTiming();
    if (s.Run(empty, 1) != OCI_SUCCESS || OCITransCommit(s.svc, s.err, OCI_DEFAULT)) {
      Fail("emptying failed");
    }
    state.ResumeTiming();
    s.Write();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSize});
}

void RawExtend(benchmark::State &state) {
  sqlite3 *db = OpenRaw();
  sqlite3_stmt *grow = nullptr;
  sqlite3_prepare_v2(db, "UPDATE docs SET body = ?1 WHERE id = 2", -1, &grow, nullptr);
  for (auto _ : state) {
    state.PauseTiming();
    Exec(db, "UPDATE docs SET body = zeroblob(0) WHERE id = 2");
    state.ResumeTiming();
    Exec(db, "BEGIN IMMEDIATE");
    sqlite3_bind_zeroblob(grow, 1, kSize);
    if (sqlite3_step(grow) != SQLITE_DONE) state.SkipWithError("raw resize failed");
    sqlite3_reset(grow);
    sqlite3_blob *blob = nullptr;
    if (sqlite3_blob_open(db, "main", "docs", "body", kEmpty, 1, &blob) != SQLITE_OK ||
        sqlite3_blob_write(blob, Data().data(), kSize, 0) != SQLITE_OK) {
      state.SkipWithError("raw write failed");
    }
    sqlite3_blob_close(blob);
    Exec(db, "COMMIT");
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSize});
  sqlite3_finalize(grow);
  sqlite3_close(db);
}

BENCHMARK(EngineRead)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(RawRead)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(EngineWrite)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(RawWrite)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(EngineExtend)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(RawExtend)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

// Keeps each benchmark's time per 100 MB for the closing table.
class ThroughputReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        const std::string name = run.benchmark_name();
        seconds[name.substr(0, name.find('/'))] =
            run.real_accumulated_time / static_cast<double>(run.iterations);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  CreateDatabase();
  ThroughputReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n100 MB value, MB/s (10^6 bytes per second):\n");
  for (const char *what : {"Read", "Write", "Extend"}) {
    const double engine = reporter.seconds[std::string("Engine") + what];
    const double raw = reporter.seconds[std::string("Raw") + what];
    if (engine > 0 && raw > 0) {
      std::printf("  %-7s engine %7.0f   raw SQLite %7.0f   (engine/raw time %.2f)\n", what,
                  kSize / 1e6 / engine, kSize / 1e6 / raw, engine / raw);
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(Directory(), ignored);
  return 0;
}
