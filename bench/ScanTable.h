// The table the scan benchmarks read: 1,000,000 rows of (NUMBER(10,0),
// NUMBER(12,2), VARCHAR2(30), BINARY_DOUBLE), written with the raw SQLite
// API into a fresh database file.
#ifndef KESTREL_BENCH_SCAN_TABLE_H
#define KESTREL_BENCH_SCAN_TABLE_H

#include <string>

constexpr int kScanRows = 1000000;
constexpr char kScanSelect[] = "SELECT id, amount, name, ratio FROM scan";

// Creates the database in a new temporary folder; returns its path.
std::string CreateScanDatabase();
// Removes the folder CreateScanDatabase made.
void RemoveScanDatabase(const std::string &path);
// How the raw scan opens the file: with the engine's own flags (no SQLite
// mutex), or as sqlite3_open does.
enum class RawOpen { kEngineFlags, kDefault };
// The raw SQLite scan of the table: reads every column of every row and
// returns a checksum so that nothing is optimised away.
double RawScan(const std::string &path, RawOpen open = RawOpen::kEngineFlags);

#endif
