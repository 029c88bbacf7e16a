/*
** Locator access over SQLite's incremental blob calls.
**
** SQLite cannot change a value's size through a blob handle, so a write
** that extends the value first makes the row's value a zero-filled blob of
** the new size (an UPDATE with a bound zeroblob, which SQLite writes
** without building the bytes in memory when the column is the table's
** last), then writes the kept head of the old value and the caller's bytes
** into it in place. Only the part of the old value before the write's
** offset is held in memory meanwhile: nothing for a write from offset 1.
**
** Errors (the vendor's numbers): 22275 for a locator that designates no
** value (never filled by a fetch, a NULL value, a row that cannot be told,
** another session's locator); 22922 when the row is gone; 22925 when the
** value would grow past SQLite's largest value; 932 when the row's value
** is a number rather than a BLOB.
*/
#include "lob/LobAccess.h"

#include "lob/ClobText.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <string>

#include "errors/SqliteErrors.h"
#include "session/Connection.h"

namespace kestrel_engine {

namespace {

std::string Quoted(const std::string &name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string QualifiedTable(const LobLocator &locator) {
  return Quoted(locator.database) + "." + Quoted(locator.table);
}

class Statement {
 public:
  Statement(sqlite3 *db, const std::string &sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()),
                           &statement_, nullptr) != SQLITE_OK) {
      sqlite3_finalize(statement_);
      statement_ = nullptr;
    }
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement &) = delete;
  Statement &operator=(const Statement &) = delete;
  sqlite3_stmt *get() const { return statement_; }

 private:
  sqlite3_stmt *statement_ = nullptr;
};

class Blob {
 public:
  Blob() = default;
  ~Blob() { Close(); }
  Blob(const Blob &) = delete;
  Blob &operator=(const Blob &) = delete;
  sqlite3_blob **out() { return &blob_; }
  sqlite3_blob *get() const { return blob_; }
  void Close() {
    sqlite3_blob_close(blob_);
    blob_ = nullptr;
  }

 private:
  sqlite3_blob *blob_ = nullptr;
};

// Makes a write all or nothing inside the session's transaction: rolled
// back to its start unless released.
class Savepoint {
 public:
  explicit Savepoint(sqlite3 *db) : db_(db) {
    begun_ = sqlite3_exec(db_, "SAVEPOINT kestrel_lob", nullptr, nullptr,
                          nullptr) == SQLITE_OK;
  }
  ~Savepoint() {
    if (!begun_) return;
    sqlite3_exec(db_, "ROLLBACK TO kestrel_lob", nullptr, nullptr, nullptr);
    sqlite3_exec(db_, "RELEASE kestrel_lob", nullptr, nullptr, nullptr);
  }
  Savepoint(const Savepoint &) = delete;
  Savepoint &operator=(const Savepoint &) = delete;
  bool begun() const { return begun_; }
  bool Release() {
    const bool ok = sqlite3_exec(db_, "RELEASE kestrel_lob", nullptr, nullptr,
                                 nullptr) == SQLITE_OK;
    if (ok) begun_ = false;
    return ok;
  }

 private:
  sqlite3 *db_;
  bool begun_ = false;
};

bool Usable(const LobLocator &locator, const Connection &connection,
            OraError *error) {
  const char *why = nullptr;
  if (locator.connection == nullptr) {
    why = "not filled by a fetch, or its session has ended";
  } else if (locator.connection != &connection) {
    why = "the locator belongs to another session";
  } else if (locator.isNull) {
    why = "the value is NULL";
  } else if (!locator.hasRow && !locator.clob) {
    why = "the value's row cannot be told (a join, a view or an expression)";
  }
  if (why == nullptr) return true;
  *error = OraError::Make(22275, why);
  return false;
}

// Why the locator's value could not be opened: the row is gone, the value
// is NULL or a number now, or SQLite's own failure (a dropped table).
OraError Diagnose(const LobLocator &locator, sqlite3 *db) {
  const OraError failure = ErrorFromSqlite(db, 0);
  Statement probe(db, "SELECT typeof(" + Quoted(locator.column) + ") FROM " +
                          QualifiedTable(locator) + " WHERE rowid = ?1");
  if (probe.get() == nullptr) return failure;
  sqlite3_bind_int64(probe.get(), 1, locator.rowid);
  const int rc = sqlite3_step(probe.get());
  if (rc == SQLITE_DONE) {
    return OraError::Make(22922, "the row has been deleted");
  }
  if (rc != SQLITE_ROW) return failure;
  const char *type =
      reinterpret_cast<const char *>(sqlite3_column_text(probe.get(), 0));
  if (type && std::string(type) == "null") {
    return OraError::Make(22275, "the value is NULL");
  }
  if (type && (std::string(type) == "integer" || std::string(type) == "real")) {
    return OraError::Make(932, "the value is a number, not a BLOB");
  }
  return failure;
}

bool Open(const LobLocator &locator, Connection &connection, bool write,
          Blob *blob, OraError *error) {
  sqlite3 *db = connection.db();
  if (sqlite3_blob_open(db, locator.database.c_str(), locator.table.c_str(),
                        locator.column.c_str(), locator.rowid, write ? 1 : 0,
                        blob->out()) == SQLITE_OK) {
    return true;
  }
  *error = Diagnose(locator, db);
  blob->Close();
  return false;
}

bool Fail(sqlite3 *db, OraError *error) {
  *error = ErrorFromSqlite(db, 0);
  return false;
}

bool Check(int rc, sqlite3 *db, OraError *error) {
  return rc == SQLITE_OK || Fail(db, error);
}

// Makes the row's value `size` zero bytes.
bool Resize(const LobLocator &locator, sqlite3 *db, sqlite3_int64 size,
            OraError *error) {
  Statement update(db, "UPDATE " + QualifiedTable(locator) + " SET " +
                           Quoted(locator.column) + " = ?1 WHERE rowid = ?2");
  if (update.get() == nullptr) {
    *error = ErrorFromSqlite(db, OCI_STMT_UPDATE);
    return false;
  }
  sqlite3_bind_zeroblob64(update.get(), 1, static_cast<sqlite3_uint64>(size));
  sqlite3_bind_int64(update.get(), 2, locator.rowid);
  if (sqlite3_step(update.get()) != SQLITE_DONE) {
    *error = ErrorFromSqlite(db, OCI_STMT_UPDATE);
    return false;
  }
  if (sqlite3_changes(db) != 1) {
    *error = OraError::Make(22922, "the row has been deleted");
    return false;
  }
  return true;
}

}  // namespace

bool LobLength(const LobLocator &locator, Connection &connection, ub4 *length,
               OraError *error) {
  if (!Usable(locator, connection, error)) return false;
  if (locator.clob) {
    *length = ClobLength(locator.text);
    return true;
  }
  Blob blob;
  if (!Open(locator, connection, false, &blob, error)) return false;
  *length = static_cast<ub4>(sqlite3_blob_bytes(blob.get()));
  return true;
}

LobStatus LobRead(const LobLocator &locator, Connection &connection,
                  ub4 offset, void *buffer, ub4 size, ub4 *amount, OraError *error) {
  if (!Usable(locator, connection, error)) return LobStatus::kFailed;
  if (locator.clob) return ClobRead(locator.text, offset, buffer, size, amount);
  if (*amount == 0 || *amount > size) *amount = size;
  Blob blob;
  if (!Open(locator, connection, false, &blob, error)) return LobStatus::kFailed;
  const sqlite3_int64 length = sqlite3_blob_bytes(blob.get());
  if (offset < 1 || offset > length) {
    *amount = 0;
    return LobStatus::kNoData;
  }
  const sqlite3_int64 start = offset - 1;
  const sqlite3_int64 count = std::min<sqlite3_int64>(*amount, length - start);
  if (count > 0 &&
      !Check(sqlite3_blob_read(blob.get(), buffer, static_cast<int>(count),
                               static_cast<int>(start)),
             connection.db(), error)) {
    return LobStatus::kFailed;
  }
  *amount = static_cast<ub4>(count);
  return LobStatus::kDone;
}

bool LobWrite(const LobLocator &locator, Connection &connection, ub4 offset,
              const void *data, ub4 amount, OraError *error) {
  if (!Usable(locator, connection, error)) return false;
  if (locator.clob) {
    // The locator holds a copy of the text, not the row's value.
    *error = OraError::Make(3001, "writing a CLOB through a locator");
    return false;
  }
  sqlite3 *db = connection.db();
  const sqlite3_int64 start = static_cast<sqlite3_int64>(offset) - 1;
  const sqlite3_int64 end = start + amount;
  if (end > sqlite3_limit(db, SQLITE_LIMIT_LENGTH, -1)) {
    *error = OraError::Make(
        22925, "the value would reach " + std::to_string(end) + " bytes");
    return false;
  }
  if (amount == 0) {  // nothing to write, once the value is known to exist
    Blob blob;
    return Open(locator, connection, false, &blob, error);
  }
  if (!connection.BeginWrite(error)) return false;
  Savepoint savepoint(db);
  if (!savepoint.begun()) return Fail(db, error);
  Blob blob;  // closed before the savepoint ends
  if (!Open(locator, connection, true, &blob, error)) return false;
  const sqlite3_int64 length = sqlite3_blob_bytes(blob.get());
  if (end > length) {
    // The head of the old value that the write leaves in place.
    const sqlite3_int64 kept = std::min(start, length);
    std::unique_ptr<unsigned char[]> head;
    if (kept > 0) {
      head.reset(new unsigned char[static_cast<size_t>(kept)]);
      if (!Check(sqlite3_blob_read(blob.get(), head.get(),
                                   static_cast<int>(kept), 0),
                 db, error)) {
        return false;
      }
    }
    blob.Close();
    if (!Resize(locator, db, end, error)) return false;
    if (!Open(locator, connection, true, &blob, error)) return false;
    if (kept > 0 &&
        !Check(sqlite3_blob_write(blob.get(), head.get(),
                                  static_cast<int>(kept), 0),
               db, error)) {
      return false;
    }
  }
  if (!Check(sqlite3_blob_write(blob.get(), data, static_cast<int>(amount),
                                static_cast<int>(start)),
             db, error)) {
    return false;
  }
  blob.Close();
  return savepoint.Release() || Fail(db, error);
}

}  // namespace kestrel_engine
