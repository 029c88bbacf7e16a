/*
** Connection::GrantChanges: the file's grant-change count, read with one
** kept statement, so an execution of a prepared statement learns of a
** GRANT or REVOKE for the price of a one-row read.
*/
#include <sqlite3.h>

#include <string>

#include "catalog/GrantChanges.h"
#include "session/Connection.h"

namespace kestrel_engine {

long long Connection::GrantChanges() {
  // Inside this session's write transaction no other session commits,
  // and its own grant statements forget the count (ForgetCatalog); the
  // data version, current once the transaction has begun, tells of a
  // commit made between the last read and the transaction's start.
  if (grantChangesAbsent_) return grantChanges_;
  unsigned version = 0;
  if (grantChangesKnown_ && InTransaction()) {
    sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &version);
    if (version == grantChangesDataVersion_) return grantChanges_;
  }
  // Between statements the data version SQLite reports is the one of the
  // last read, so only a read learns of another session's commit.
  InternalScope scope(*this);
  if (grantChangesQuery_ == nullptr &&
      sqlite3_prepare_v3(db_,
                         (std::string("SELECT n FROM main.\"") + kGrantChangesTable + "\"").c_str(),
                         -1, SQLITE_PREPARE_PERSISTENT, &grantChangesQuery_, nullptr) != SQLITE_OK) {
    // A file from before the count, opened read-only: nothing to compare.
    sqlite3_finalize(grantChangesQuery_);
    grantChangesQuery_ = nullptr;
    grantChangesAbsent_ = true;
    grantChanges_ = 0;
    return grantChanges_;
  }
  if (sqlite3_step(grantChangesQuery_) == SQLITE_ROW) {
    grantChanges_ = sqlite3_column_int64(grantChangesQuery_, 0);
    grantChangesKnown_ = true;
  }
  sqlite3_reset(grantChangesQuery_);
  sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &grantChangesDataVersion_);
  return grantChanges_;
}

}  // namespace kestrel_engine
