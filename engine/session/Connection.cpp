/*
** Opening a database from a link, and the transaction statements. The
** write transaction starts with BEGIN IMMEDIATE so that a writer waits for
** the database's write lock once, up front, under the busy timeout, instead
** of failing midway through a transaction when its snapshot is stale.
*/
#include "session/Connection.h"

#include <string>

#include "errors/SqliteErrors.h"
#include "oci.h"
#include "sql/RuleFunctions.h"

namespace kestrel_engine {

const char kAccountsTable[] = "kestrel$users";

namespace {

sqlite3_stmt *PrepareFixed(sqlite3 *db, const char *sql) {
  sqlite3_stmt *statement = nullptr;
  sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement,
                     nullptr);
  return statement;
}

OraError CannotResolve(std::string_view link, const char *why) {
  std::string detail(why ? why : "cannot open");
  detail.append(": ").append(link);
  return OraError::Make(12154, detail);
}

// True for an SQLite URI whose query asks for creation (mode=rwc). SQLite
// refuses a URI mode less restrictive than the open flags, so CREATE is
// passed exactly when the link asks for it.
bool AsksForCreation(const std::string &link) {
  if (link.compare(0, 5, "file:") != 0) return false;
  const size_t query = link.find('?');
  if (query == std::string::npos) return false;
  size_t at = query + 1;
  while (at <= link.size()) {
    size_t end = link.find_first_of("&#", at);
    if (end == std::string::npos) end = link.size();
    if (link.compare(at, end - at, "mode=rwc") == 0) return true;
    if (end >= link.size() || link[end] == '#') break;
    at = end + 1;
  }
  return false;
}

}  // namespace

Connection::Connection(sqlite3 *db) : db_(db) {}

Connection::~Connection() {
  sqlite3_finalize(begin_);
  sqlite3_finalize(commit_);
  sqlite3_finalize(rollback_);
  // A transaction still open is rolled back by the close. close_v2 waits
  // for any statement not yet finalized rather than failing.
  sqlite3_close_v2(db_);
}

std::unique_ptr<Connection> Connection::Open(std::string_view link,
                                             OraError *error) {
  const std::string path(link);
  if (path.empty() || path.find('\0') != std::string::npos) {
    *error = CannotResolve(link, "empty or malformed link");
    return nullptr;
  }
  sqlite3 *db = nullptr;
  // No SQLITE_OPEN_CREATE: a plain path must name an existing database;
  // a URI may ask for creation with mode=rwc. Each connection is used by
  // one thread at a time (its environment's lock), so no SQLite mutex.
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI |
                    SQLITE_OPEN_NOMUTEX |
                    (AsksForCreation(path) ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    *error = CannotResolve(link, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_close_v2(db);
    return nullptr;
  }
  std::unique_ptr<Connection> connection(new Connection(db));
  sqlite3_extended_result_codes(db, 1);

  const char *file = sqlite3_db_filename(db, "main");
  const sqlite3_int64 busy =
      file ? sqlite3_uri_int64(file, "busy_timeout", kDefaultBusyTimeoutMs)
           : kDefaultBusyTimeoutMs;
  connection->busyTimeoutMs_ =
      busy < 0 ? 0 : busy > 3600000 ? 3600000 : static_cast<int>(busy);
  sqlite3_busy_timeout(db, connection->busyTimeoutMs_);

  // Reading the schema is what tells a database from any other file.
  rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr,
                    nullptr, nullptr);
  if (rc != SQLITE_OK) {
    *error = CannotResolve(link, sqlite3_errmsg(db));
    return nullptr;
  }
  // WAL lets readers run beside a writer. A database that cannot switch
  // (read-only, in memory) keeps its mode.
  sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "PRAGMA foreign_keys=ON", nullptr, nullptr, nullptr);
  // A commit is on disk before it is reported (some builds default WAL
  // databases to NORMAL, which may lose the last commits on power loss).
  sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
  // The vendor's one-row table, private to the connection: nothing is
  // written to the database, and a table of that name in it stays
  // reachable as main.dual.
  sqlite3_exec(db, "CREATE TEMP VIEW dual(dummy) AS SELECT 'X'", nullptr,
               nullptr, nullptr);
  if (RegisterRuleFunctions(db) != SQLITE_OK) {
    *error = CannotResolve(link, sqlite3_errmsg(db));
    return nullptr;
  }
  sqlite3_set_authorizer(db, &Connection::Authorize, connection.get());

  connection->begin_ = PrepareFixed(db, "BEGIN IMMEDIATE");
  connection->commit_ = PrepareFixed(db, "COMMIT");
  connection->rollback_ = PrepareFixed(db, "ROLLBACK");
  if (!connection->begin_ || !connection->commit_ || !connection->rollback_) {
    *error = CannotResolve(link, sqlite3_errmsg(db));
    return nullptr;
  }
  return connection;
}

// Refuses user SQL any use of the accounts table, whatever the action: the
// table's name is the first or the second argument, depending on it.
int Connection::Authorize(void *self, int, const char *a, const char *b,
                          const char *, const char *) {
  const Connection *connection = static_cast<const Connection *>(self);
  if (connection->internal_) return SQLITE_OK;
  if ((a && sqlite3_stricmp(a, kAccountsTable) == 0) ||
      (b && sqlite3_stricmp(b, kAccountsTable) == 0)) {
    return SQLITE_DENY;
  }
  return SQLITE_OK;
}

bool Connection::Run(sqlite3_stmt *statement, OraError *error) {
  const int rc = sqlite3_step(statement);
  if (rc == SQLITE_DONE || rc == SQLITE_ROW) {
    sqlite3_reset(statement);
    return true;
  }
  *error = ErrorFromSqlite(db_, 0);
  sqlite3_reset(statement);
  return false;
}

bool Connection::BeginWrite(OraError *error, int waitMs) {
  if (InTransaction()) return true;
  const int wait = waitMs < 0 ? busyTimeoutMs_ : waitMs;
  if (wait != busyTimeoutMs_) sqlite3_busy_timeout(db_, wait);
  const bool begun = Run(begin_, error);
  if (wait != busyTimeoutMs_) sqlite3_busy_timeout(db_, busyTimeoutMs_);
  if (begun) return true;
  if (sqlite3_extended_errcode(db_) == SQLITE_BUSY_SNAPSHOT) {
    // Waiting would not help: SQLite writes only on the newest snapshot.
    *error = OraError::Make(54, "an open query of this session reads data "
                                "another session has changed since; fetch "
                                "it to the end or close it first");
  } else if (error->code == 54) {
    *error = OraError::Make(54, "waited " + std::to_string(wait) +
                                    " ms for another session's write lock");
  }
  return false;
}

bool Connection::Commit(OraError *error) {
  if (!InTransaction()) return true;
  if (Run(commit_, error)) return true;
  const OraError cause = *error;
  if (InTransaction()) {
    OraError ignored;
    Run(rollback_, &ignored);
  }
  *error = OraError::Make(2091, cause.message);
  return false;
}

bool Connection::Rollback(OraError *error) {
  if (!InTransaction()) return true;
  return Run(rollback_, error);
}

bool Connection::BeginBlock(OraError *error) {
  if (!BeginWrite(error)) return false;
  if (sqlite3_exec(db_, "SAVEPOINT kestrel_block", nullptr, nullptr, nullptr) ==
      SQLITE_OK) {
    return true;
  }
  *error = ErrorFromSqlite(db_, OCI_STMT_BEGIN);
  return false;
}

void Connection::EndBlock(bool undo) {
  if (undo) {
    sqlite3_exec(db_, "ROLLBACK TO kestrel_block", nullptr, nullptr, nullptr);
  }
  sqlite3_exec(db_, "RELEASE kestrel_block", nullptr, nullptr, nullptr);
}

bool Connection::ExecInternal(const char *sql, OraError *error) {
  InternalScope scope(*this);
  char *message = nullptr;
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
  if (rc != SQLITE_OK) {
    *error = ErrorFromSqlite(sqlite3_extended_errcode(db_), message, 0);
  }
  sqlite3_free(message);
  return rc == SQLITE_OK;
}

Connection::InternalScope::InternalScope(Connection &connection)
    : connection_(connection), previous_(connection.internal_) {
  connection.internal_ = true;
}

Connection::InternalScope::~InternalScope() {
  connection_.internal_ = previous_;
}

}  // namespace kestrel_engine
