// Builds and scans the benchmark table with the raw SQLite C API.
#include "ScanTable.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>

std::string CreateScanDatabase() {
  std::string dir =
      (std::filesystem::temp_directory_path() / "kestrel-scan-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) std::abort();
  const std::string path = dir + "/scan.db";
  sqlite3 *db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db,
               "PRAGMA journal_mode=WAL; BEGIN; CREATE TABLE scan ("
               "id NUMBER(10,0), amount NUMBER(12,2), name VARCHAR2(30), "
               "ratio BINARY_DOUBLE)",
               nullptr, nullptr, nullptr);
  sqlite3_stmt *insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO scan VALUES (?1, ?2, ?3, ?4)", -1,
                     &insert, nullptr);
  char name[32];
  for (int i = 0; i < kScanRows; ++i) {
    sqlite3_bind_int64(insert, 1, i);
    sqlite3_bind_double(insert, 2, (i % 100000) / 100.0 + 0.25);
    std::snprintf(name, sizeof name, "customer-%07d", i);
    sqlite3_bind_text(insert, 3, name, -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(insert, 4, i / 7.0);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return path;
}

void RemoveScanDatabase(const std::string &path) {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path).parent_path(),
                              ignored);
}

double RawScan(const std::string &path, RawOpen open) {
  sqlite3 *db = nullptr;
  // The engine's own open flags, so that only the layers above SQLite
  // differ; or sqlite3_open's.
  if (open == RawOpen::kEngineFlags)
    sqlite3_open_v2(path.c_str(), &db,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
                    nullptr);
  else
    sqlite3_open(path.c_str(), &db);
  sqlite3_stmt *stmt = nullptr;
  sqlite3_prepare_v2(db, kScanSelect, -1, &stmt, nullptr);
  double sum = 0;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    sum += static_cast<double>(sqlite3_column_int64(stmt, 0));
    sum += sqlite3_column_double(stmt, 1);
    sum += sqlite3_column_bytes(stmt, 2) > 0
               ? sqlite3_column_text(stmt, 2)[0]
               : 0;
    sum += sqlite3_column_double(stmt, 3);
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return sum;
}
