// Oracle's query forms through the engine next to raw SQLite's own way of
// asking the same, on the same file (opened as sqlite3_open does):
//
// - the top-n pattern `SELECT * FROM (SELECT ... ORDER BY k) WHERE
//   ROWNUM <= 10` over an indexed 1,000,000-row table, against `ORDER BY k
//   LIMIT 10`;
// - `CONNECT BY PRIOR id = parent START WITH parent IS NULL` over a
//   10,000-row tree (ten children a node), against a WITH RECURSIVE query
//   written here by hand, depth first as Oracle's rows come (SQLite's
//   ORDER BY in the recursive member makes its queue a stack).
//
// Both tables are written through the engine. The work per call is in the
// functions named *Call, for callgrind's --toggle-collect.
#include <sqlite3.h>
#include <stdint.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "EngineSession.h"
#include "oci.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kTreeRows = 10000;
const char kTopN[] = "SELECT * FROM (SELECT id, k FROM t ORDER BY k) WHERE ROWNUM <= 10";
const char kRawTopN[] = "SELECT id, k FROM t ORDER BY k LIMIT 10";
const char kTree[] =
    "SELECT id, LEVEL FROM tree CONNECT BY PRIOR id = parent START WITH parent IS NULL";
const char kRawTree[] =
    "WITH RECURSIVE r(id, lvl) AS (SELECT id, 1 FROM tree WHERE parent IS NULL "
    "UNION ALL SELECT tree.id, r.lvl + 1 FROM tree JOIN r ON tree.parent = r.id "
    "ORDER BY 2 DESC) SELECT id, lvl FROM r";

std::string &Path() {
  static std::string path;
  return path;
}

void Check(sword rc, const char *what) {
  if (rc != OCI_SUCCESS) {
    std::fprintf(stderr, "%s failed\n", what);
    std::abort();
  }
}

void Prepare(EngineSession &s, OCIStmt *stmt, const char *sql) {
  Check(OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(sql),
                       static_cast<ub4>(std::strlen(sql)), OCI_NTV_SYNTAX, OCI_DEFAULT),
        sql);
}

// Both tables, through the engine's binds in one transaction each.
std::string CreateTables() {
  std::string dir = (std::filesystem::temp_directory_path() / "kestrel-forms-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) std::abort();
  const std::string path = dir + "/forms.db";
  EngineSession s("file:" + path + "?mode=rwc");
  OCIStmt *stmt = nullptr;
  OCIHandleAlloc(s.env, reinterpret_cast<void **>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  for (const char *ddl : {"CREATE TABLE t (id NUMBER(10), k NUMBER(10))",
                          "CREATE TABLE tree (id NUMBER(10), parent NUMBER(10))"}) {
    Prepare(s, stmt, ddl);
    Check(OCIStmtExecute(s.svc, stmt, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT), ddl);
  }
  int64_t a = 0;
  int64_t b = 0;
  sb2 bIndicator = 0;
  auto fill = [&](const char *sql, int rows, bool tree) {
    Prepare(s, stmt, sql);
    OCIBind *binds[2] = {nullptr, nullptr};
    OCIBindByPos(stmt, &binds[0], s.err, 1, &a, sizeof a, SQLT_INT, nullptr, nullptr, nullptr, 0,
                 nullptr, OCI_DEFAULT);
    OCIBindByPos(stmt, &binds[1], s.err, 2, &b, sizeof b, SQLT_INT, &bIndicator, nullptr,
                 nullptr, 0, nullptr, OCI_DEFAULT);
    for (int i = 0; i < rows; ++i) {
      a = i;
      // t: keys in a scrambled order; tree: node i's parent is (i - 1) / 10.
      b = tree ? (i - 1) / 10 : (static_cast<int64_t>(i) * 7919) % kRows;
      bIndicator = tree && i == 0 ? -1 : 0;
      Check(OCIStmtExecute(s.svc, stmt, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT), sql);
    }
    Check(OCITransCommit(s.svc, s.err, OCI_DEFAULT), "commit");
  };
  fill("INSERT INTO t VALUES (:1, :2)", kRows, false);
  fill("INSERT INTO tree VALUES (:1, :2)", kTreeRows, true);
  for (const char *ddl : {"CREATE INDEX t_k ON t (k)", "CREATE INDEX tree_parent ON tree (parent)"}) {
    Prepare(s, stmt, ddl);
    Check(OCIStmtExecute(s.svc, stmt, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT), ddl);
  }
  OCIHandleFree(stmt, OCI_HTYPE_STMT);
  return path;
}

__attribute__((noinline)) long EngineCall(EngineSession &s, OCIStmt *stmt, OCINumber *a,
                                          OCINumber *b) {
  OCIStmtExecute(s.svc, stmt, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT);
  OCIDefine *defines[2] = {nullptr, nullptr};
  OCIDefineByPos(stmt, &defines[0], s.err, 1, a, 22, SQLT_VNU, nullptr, nullptr, nullptr,
                 OCI_DEFAULT);
  OCIDefineByPos(stmt, &defines[1], s.err, 2, b, 22, SQLT_VNU, nullptr, nullptr, nullptr,
                 OCI_DEFAULT);
  long rows = 0;
  while (OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT) == OCI_SUCCESS) {
    ++rows;
    benchmark::DoNotOptimize(*a);
    benchmark::DoNotOptimize(*b);
  }
  return rows;
}

__attribute__((noinline)) long RawCall(sqlite3_stmt *stmt) {
  long rows = 0;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    ++rows;
    benchmark::DoNotOptimize(sqlite3_column_int64(stmt, 0));
    benchmark::DoNotOptimize(sqlite3_column_int64(stmt, 1));
  }
  sqlite3_reset(stmt);
  return rows;
}

void Engine(benchmark::State &state, const char *sql, long expected) {
  EngineSession s(Path());
  OCIStmt *stmt = nullptr;
  OCIHandleAlloc(s.env, reinterpret_cast<void **>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  Prepare(s, stmt, sql);
  OCINumber a;
  OCINumber b;
  for (auto _ : state) {
    if (EngineCall(s, stmt, &a, &b) != expected) state.SkipWithError("wrong row count");
  }
  OCIHandleFree(stmt, OCI_HTYPE_STMT);
}

void Raw(benchmark::State &state, const char *sql, long expected) {
  sqlite3 *db = nullptr;
  sqlite3_open(Path().c_str(), &db);
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) std::abort();
  for (auto _ : state) {
    if (RawCall(stmt) != expected) state.SkipWithError("wrong row count");
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
}

void EngineTopN(benchmark::State &state) { Engine(state, kTopN, 10); }
void RawTopN(benchmark::State &state) { Raw(state, kRawTopN, 10); }
void EngineConnectBy(benchmark::State &state) { Engine(state, kTree, kTreeRows); }
void RawRecursiveWith(benchmark::State &state) { Raw(state, kRawTree, kTreeRows); }

BENCHMARK(EngineTopN)->Unit(benchmark::kMicrosecond);
BENCHMARK(RawTopN)->Unit(benchmark::kMicrosecond);
BENCHMARK(EngineConnectBy)->Unit(benchmark::kMillisecond);
BENCHMARK(RawRecursiveWith)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  Path() = CreateTables();
  benchmark::RunSpecifiedBenchmarks();
  std::filesystem::remove_all(std::filesystem::path(Path()).parent_path());
  return 0;
}
