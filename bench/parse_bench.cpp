// The front end's parse of a typical 200-byte statement (a three-table
// join with a WHERE and an ORDER BY) next to SQLite's sqlite3_prepare_v2
// of the equivalent SQLite statement, in one run.
//
// Also parse + resolve + emit (the catalog's cache warm, as a connection's
// would be) next to sqlite3_prepare_v2 of the text the emitter writes.
//
// For callgrind's instruction counts run one side alone in a plain loop:
//   parse_bench --loop parse N    (or: --loop emit N, --loop prepare N,
//   --loop prepare-emitted N)
// and take (instructions at N - instructions at 0) / N.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <benchmark/benchmark.h>

#include "sql/emit/Backend.h"
#include "sql/parse/Parse.h"
#include "sql/resolve/Resolve.h"

namespace {

using kestrel_engine::sql::Arena;
using kestrel_engine::sql::Parse;
using kestrel_engine::sql::Resolve;
using kestrel_engine::sql::SqliteBackend;
using kestrel_engine::sql::SqliteCatalog;

const char kOracle[] =
    "SELECT e.empno, e.ename, e.sal, d.dname, l.city FROM emp e "
    "JOIN dept d ON e.deptno = d.deptno JOIN locations l ON d.loc_id = l.loc_id "
    "WHERE e.sal > :min_sal AND d.dname LIKE 'S%' AND e.hired >= :since "
    "ORDER BY d.dname, e.sal DESC";

// What the emitter will write for it: the same shape in SQLite's dialect.
const char kSqlite[] =
    "SELECT e.empno, e.ename, e.sal, d.dname, l.city FROM emp e "
    "JOIN dept d ON e.deptno = d.deptno JOIN locations l ON d.loc_id = l.loc_id "
    "WHERE e.sal > ?1 AND d.dname LIKE 'S%' AND e.hired >= ?2 "
    "ORDER BY d.dname, e.sal DESC";

sqlite3 *OpenSchema() {
  sqlite3 *db = nullptr;
  if (sqlite3_open(":memory:", &db) != SQLITE_OK) std::abort();
  const char *schema =
      "CREATE TABLE emp (empno NUMBER PRIMARY KEY, ename VARCHAR2(20), sal NUMBER, deptno NUMBER, "
      "hired DATE);"
      "CREATE TABLE dept (deptno NUMBER PRIMARY KEY, dname VARCHAR2(20), loc_id NUMBER);"
      "CREATE TABLE locations (loc_id NUMBER PRIMARY KEY, city VARCHAR2(30));"
      "CREATE INDEX emp_dept ON emp (deptno);";
  if (sqlite3_exec(db, schema, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
  // The emitted text calls the engine's LIKE; preparing only looks the
  // name up, so a stand-in of the same arity costs the same.
  auto like = [](sqlite3_context *context, int, sqlite3_value **) {
    sqlite3_result_int(context, 0);
  };
  if (sqlite3_create_function(db, "kestrel_like", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                              like, nullptr, nullptr) != SQLITE_OK) {
    std::abort();
  }
  return db;
}

void ParseOnce(Arena &arena) {
  arena.Reset();
  benchmark::DoNotOptimize(Parse(kOracle, arena));
}

void PrepareOnce(sqlite3 *db) {
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(db, kSqlite, -1, &stmt, nullptr) != SQLITE_OK) std::abort();
  sqlite3_finalize(stmt);
}

std::string EmitOnce(Arena &arena, SqliteCatalog &catalog) {
  arena.Reset();
  const auto *statement = Parse(kOracle, arena);
  return SqliteBackend().Emit(Resolve(*statement, kOracle, catalog));
}

void PrepareText(sqlite3 *db, const std::string &sql) {
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
      SQLITE_OK) {
    std::abort();
  }
  sqlite3_finalize(stmt);
}

void FrontEndEmit(benchmark::State &state) {
  sqlite3 *db = OpenSchema();
  SqliteCatalog catalog(db);
  Arena arena;
  for (auto _ : state) benchmark::DoNotOptimize(EmitOnce(arena, catalog));
  sqlite3_close(db);
}
BENCHMARK(FrontEndEmit);

void SqlitePrepareEmitted(benchmark::State &state) {
  sqlite3 *db = OpenSchema();
  SqliteCatalog catalog(db);
  Arena arena;
  const std::string sql = EmitOnce(arena, catalog);
  for (auto _ : state) PrepareText(db, sql);
  state.SetLabel(std::to_string(sql.size()) + " bytes");
  sqlite3_close(db);
}
BENCHMARK(SqlitePrepareEmitted);

void FrontEndParse(benchmark::State &state) {
  Arena arena;
  for (auto _ : state) ParseOnce(arena);
  state.SetLabel(std::to_string(sizeof kOracle - 1) + " bytes");
}
BENCHMARK(FrontEndParse);

void FrontEndParseNewArena(benchmark::State &state) {
  for (auto _ : state) {
    Arena arena;
    benchmark::DoNotOptimize(Parse(kOracle, arena));
  }
}
BENCHMARK(FrontEndParseNewArena);

void SqlitePrepare(benchmark::State &state) {
  sqlite3 *db = OpenSchema();
  for (auto _ : state) PrepareOnce(db);
  sqlite3_close(db);
}
BENCHMARK(SqlitePrepare);

}  // namespace

int main(int argc, char **argv) {
  if (argc == 4 && std::strcmp(argv[1], "--loop") == 0) {
    const long n = std::atol(argv[3]);
    if (std::strcmp(argv[2], "parse") == 0) {
      Arena arena;
      for (long i = 0; i < n; ++i) ParseOnce(arena);
    } else if (std::strcmp(argv[2], "emit") == 0 ||
               std::strcmp(argv[2], "prepare-emitted") == 0) {
      sqlite3 *db = OpenSchema();
      SqliteCatalog catalog(db);
      Arena arena;
      const std::string sql = EmitOnce(arena, catalog);  // warms the catalog
      const bool emit = std::strcmp(argv[2], "emit") == 0;
      for (long i = 0; i < n; ++i) {
        if (emit) {
          benchmark::DoNotOptimize(EmitOnce(arena, catalog));
        } else {
          PrepareText(db, sql);
        }
      }
      sqlite3_close(db);
    } else {
      sqlite3 *db = OpenSchema();
      for (long i = 0; i < n; ++i) PrepareOnce(db);
      sqlite3_close(db);
    }
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
