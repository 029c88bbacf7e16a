/*
** Opening a database from a link, and the transaction statements. The
** write transaction starts with BEGIN IMMEDIATE so that a writer waits for
** the database's write lock once, up front, under the busy timeout, instead
** of failing midway through a transaction when its snapshot is stale.
*/
#include "session/Connection.h"

#include <algorithm>
#include <string>

#include "errors/SqliteErrors.h"
#include "oci.h"
#include "catalog/Catalog.h"
#include "catalog/Comments.h"
#include "catalog/Dictionary.h"
#include "catalog/Privileges.h"
#include "catalog/Profiles.h"
#include "catalog/Sequences.h"
#include "catalog/Synonyms.h"
#include "schema/Constraints.h"
#include "session/AccessGuard.h"
#include "session/CountedReads.h"
#include "session/SqlGuard.h"
#include "sql/BoundedPrintf.h"
#include "functions/FunctionLibrary.h"
#include "plsql/CodeCatalog.h"
#include "plsql/SessionState.h"
#include "plsql/SqlCalls.h"
#include "plsql/StoredCode.h"
#include "plsql/Triggers.h"
#include "sql/RuleFunctions.h"
#include "sql/resolve/Catalog.h"

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

// The value of `key` in an SQLite URI's query ("" when absent).
std::string UriParameter(const std::string &link, const char *key) {
  if (link.compare(0, 5, "file:") != 0) return "";
  const size_t query = link.find('?');
  if (query == std::string::npos) return "";
  const std::string wanted = std::string(key) + "=";
  size_t at = query + 1;
  while (at <= link.size()) {
    size_t end = link.find_first_of("&#", at);
    if (end == std::string::npos) end = link.size();
    if (link.compare(at, wanted.size(), wanted) == 0) {
      return link.substr(at + wanted.size(), end - at - wanted.size());
    }
    if (end >= link.size() || link[end] == '#') break;
    at = end + 1;
  }
  return "";
}

// True for a link that names no file: "", "file:" or "file:?...". SQLite
// would open a temporary database there, and the work would vanish.
bool NamesNoFile(const std::string &link) {
  if (link.empty()) return true;
  if (link.compare(0, 5, "file:") != 0) return false;
  const size_t end = link.find_first_of("?#", 5);
  return (end == std::string::npos ? link.size() : end) == 5;
}

// The link as a URI that opens the same file immutable: read-only media
// cannot hold the WAL index, so SQLite reads the file as it stands,
// without locks.
std::string ImmutableLink(const std::string &link) {
  std::string uri;
  if (link.compare(0, 5, "file:") == 0) {
    uri = link;
  } else {
    uri = "file:";
    for (char c : link) {
      if (c == '%' || c == '?' || c == '#') {
        static const char kHex[] = "0123456789abcdef";
        uri += '%';
        uri += kHex[(c >> 4) & 0xf];
        uri += kHex[c & 0xf];
      } else {
        uri += c;
      }
    }
  }
  const size_t fragment = uri.find('#');
  const std::string tail = fragment == std::string::npos ? "" : uri.substr(fragment);
  uri.resize(fragment == std::string::npos ? uri.size() : fragment);
  uri += uri.find('?') == std::string::npos ? "?" : "&";
  uri += "mode=ro&immutable=1";
  return uri + tail;
}

// The link's busy_timeout=MS, within 0 .. one hour.
int BusyTimeoutOf(sqlite3 *db) {
  const char *file = sqlite3_db_filename(db, "main");
  const sqlite3_int64 busy =
      file ? sqlite3_uri_int64(file, "busy_timeout", kDefaultBusyTimeoutMs)
           : kDefaultBusyTimeoutMs;
  return busy < 0 ? 0 : busy > 3600000 ? 3600000 : static_cast<int>(busy);
}

// Opens `path` and reads its schema, which tells a database from any other
// file. Returns the SQLite result; `db` is set either way.
int OpenAndRead(const std::string &path, int flags, sqlite3 **db) {
  int rc = sqlite3_open_v2(path.c_str(), db, flags, nullptr);
  if (rc != SQLITE_OK) return rc;
  sqlite3_extended_result_codes(*db, 1);
  sqlite3_busy_timeout(*db, BusyTimeoutOf(*db));
  return sqlite3_exec(*db, "SELECT count(*) FROM sqlite_master", nullptr,
                      nullptr, nullptr);
}

}  // namespace

namespace {

// The client SQL's catalog: it makes the dictionary views its statements
// name.
class SessionCatalog : public sql::SqliteCatalog {
 public:
  explicit SessionCatalog(Connection &connection)
      : SqliteCatalog(connection.db()), connection_(connection) {}

 protected:
  bool MakeOnFirstUse(std::string_view name) override {
    return connection_.MakeDictionaryView(name);
  }

 private:
  Connection &connection_;
};

}  // namespace

Connection::Connection(sqlite3 *db)
    : db_(db),
      sequences_(std::make_unique<SequenceState>()),
      plsqlState_(std::make_unique<plsql::SessionState>()) {}

sql::SqliteCatalog &Connection::Catalog() {
  unsigned version = 0;
  sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &version);
  if (catalog_ == nullptr) {
    catalog_ = std::make_unique<SessionCatalog>(*this);
  } else if (version != catalogDataVersion_) {
    catalog_->Clear();
  }
  catalogDataVersion_ = version;
  return *catalog_;
}

void Connection::ForgetCatalog() {
  ++schemaGeneration_;
  if (catalog_ != nullptr) catalog_->Clear();
  accessStale_ = true;
  grantChangesKnown_ = grantChangesAbsent_ = false;
}

AccessData &Connection::Access() {
  unsigned version = 0;
  sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &version);
  if (access_ == nullptr) access_ = std::make_unique<AccessData>();
  if (accessStale_ || version != accessDataVersion_) {
    OraError ignored;
    // A failed read leaves nothing granted but what owners hold.
    access_->Load(*this, &ignored);
    if (viewReads_ == nullptr) viewReads_ = std::make_unique<ViewReads>();
    {
      InternalScope scope(*this);
      viewReads_->Load(db_);
    }
    accessStale_ = false;
    accessDataVersion_ = version;
  }
  return *access_;
}

const std::string &Connection::RightsHolder() const {
  return definer_.empty() ? settings_->user : definer_;
}

const std::string &Connection::NameSchema() const {
  if (!definer_.empty()) return definer_;
  return settings_->currentSchema.empty() ? settings_->user : settings_->currentSchema;
}

Connection::DefinerScope::DefinerScope(Connection &connection, std::string owner)
    : connection_(connection), previous_(std::move(connection.definer_)) {
  connection.definer_ = std::move(owner);
}

Connection::DefinerScope::~DefinerScope() { connection_.definer_ = std::move(previous_); }

Connection::~Connection() {
  sqlite3_finalize(grantChangesQuery_);
  sqlite3_finalize(begin_);
  sqlite3_finalize(mark_);
  sqlite3_finalize(undoWork_);
  sqlite3_finalize(commit_);
  sqlite3_finalize(rollback_);
  // A transaction still open is rolled back by the close. close_v2 waits
  // for any statement not yet finalized rather than failing.
  sqlite3_close_v2(db_);
}

std::unique_ptr<Connection> Connection::Open(std::string_view link,
                                             OraError *error) {
  const std::string path(link);
  if (NamesNoFile(path) || path.find('\0') != std::string::npos) {
    *error = CannotResolve(link, "empty or malformed link");
    return nullptr;
  }
  // No SQLITE_OPEN_CREATE: a plain path must name an existing database;
  // a URI may ask for creation with mode=rwc. Each connection is used by
  // one thread at a time (its environment's lock), so no SQLite mutex.
  const bool create = UriParameter(path, "mode") == "rwc";
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI |
                    SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  sqlite3 *db = nullptr;
  int rc = OpenAndRead(path, flags, &db);
  if (rc != SQLITE_OK && db != nullptr && sqlite3_db_readonly(db, "main") == 1 &&
      (rc & 0xff) != SQLITE_BUSY && (rc & 0xff) != SQLITE_NOTADB) {
    // Read-only media: the WAL index cannot be made beside the file.
    sqlite3_close_v2(db);
    db = nullptr;
    rc = OpenAndRead(ImmutableLink(path), flags, &db);
  }
  if (rc != SQLITE_OK) {
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED) {
      *error = OraError::Make(54, "another session holds the database "
                                  "exclusively");
    } else {
      *error = CannotResolve(link, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    }
    sqlite3_close_v2(db);
    return nullptr;
  }
  std::unique_ptr<Connection> connection(new Connection(db));
  connection->busyTimeoutMs_ = BusyTimeoutOf(db);
  const char *file = sqlite3_db_filename(db, "main");
  connection->readOnly_ = sqlite3_db_readonly(db, "main") == 1;
  connection->claimAllowed_ = file && sqlite3_uri_boolean(file, "claim", 0);

  if (ApplyDefences(db) != SQLITE_OK) {
    *error = CannotResolve(link, "cannot secure the connection");
    return nullptr;
  }
  // Settings of this connection only: nothing here writes to the file.
  sqlite3_exec(db, "PRAGMA foreign_keys=ON", nullptr, nullptr, nullptr);
  // The vendor's LIKE tells case apart ('SMITH' LIKE 's%' is false).
  sqlite3_exec(db, "PRAGMA case_sensitive_like=ON", nullptr, nullptr, nullptr);
  // A commit is on disk before it is reported (some builds default WAL
  // databases to NORMAL, which may lose the last commits on power loss).
  sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
  // The vendor's one-row table, private to the connection: nothing is
  // written to the database, and a table of that name in it stays
  // reachable as main.dual.
  sqlite3_exec(db, "CREATE TEMP VIEW dual(dummy) AS SELECT 'X'", nullptr,
               nullptr, nullptr);
  if (RegisterRuleFunctions(db) != SQLITE_OK ||
      RegisterSequenceFunctions(db, connection.get()) != SQLITE_OK ||
      plsql::RegisterSqlCalls(db, connection.get()) != SQLITE_OK ||
      RegisterBoundedPrintf(db) != SQLITE_OK ||
      RegisterAccessFunctions(db, connection.get()) != SQLITE_OK ||
      RegisterOracleFunctions(db, connection->settings_.get()) != SQLITE_OK ||
      plsql::RegisterTriggerFunctions(*connection) != SQLITE_OK) {
    *error = CannotResolve(link, sqlite3_errmsg(db));
    return nullptr;
  }
  // The vendor's dictionary views, private to the connection like DUAL,
  // are made as statements name them; their functions now.
  if (RegisterDictionaryFunctions(db, connection->settings_.get()) != SQLITE_OK) {
    *error = CannotResolve(link, sqlite3_errmsg(db));
    return nullptr;
  }
  sqlite3_set_authorizer(db, &Connection::Authorize, connection.get());
  plsql::EnsureTriggersReadable(*connection);

  connection->begin_ = PrepareFixed(db, "BEGIN IMMEDIATE");
  connection->mark_ = PrepareFixed(db, "SAVEPOINT kestrel_tx");
  connection->undoWork_ = PrepareFixed(db, "ROLLBACK TO kestrel_tx");
  connection->commit_ = PrepareFixed(db, "COMMIT");
  connection->rollback_ = PrepareFixed(db, "ROLLBACK");
  if (!connection->begin_ || !connection->mark_ || !connection->undoWork_ ||
      !connection->commit_ || !connection->rollback_) {
    *error = CannotResolve(link, sqlite3_errmsg(db));
    return nullptr;
  }
  return connection;
}

namespace {

// SQLite's progress handler: a set flag stops the running statement, once.
int PollBreak(void *flag) {
  return static_cast<std::atomic<bool> *>(flag)->exchange(false, std::memory_order_relaxed)
             ? 1
             : 0;
}

}  // namespace

void Connection::WatchForBreak(std::atomic<bool> *flag) {
  break_ = flag;
  // Every thousand virtual-machine steps: a few nanoseconds in a million.
  sqlite3_progress_handler(db_, 1000, PollBreak, flag);
}

void Connection::PrepareForWrites() {
  // WAL lets readers run beside a writer. A database that cannot switch
  // (in memory, immutable) keeps its mode.
  if (readOnly_ || InTransaction()) return;
  InternalScope scope(*this);
  sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
}

OraError Connection::PrepareError(int statementType) {
  OraError error = ErrorFromSqlite(db_, statementType);
  if ((deniedEngineTable_ || deniedInvisible_) && error.code == 1031) {
    error = OraError::Make(942);
  }
  deniedEngineTable_ = false;
  deniedInvisible_ = false;
  deniedObject_ = false;
  std::string &mutating = plsqlState_->triggers.mutating_hit;
  if (!mutating.empty()) {
    error = OraError::Make(4091, mutating);
    mutating.clear();
  }
  return error;
}

// Client SQL is held to SqlGuard's rules; the engine's own SQL passes.
int Connection::Authorize(void *self, int action, const char *a, const char *b,
                          const char *database, const char *view) {
  Connection *connection = static_cast<Connection *>(self);
  if (connection->internal_) return SQLITE_OK;
  if (!connection->reachedOthers_) connection->NoteReach(action, a, b, database, view);
  if (view != nullptr && (action == SQLITE_SELECT || action == SQLITE_READ)) {
    std::vector<std::string> &views = connection->viewsInStatement_;
    if (std::find(views.begin(), views.end(), view) == views.end()) views.emplace_back(view);
  }
  // The dictionary's views read the catalog for client SQL; nothing else
  // does, and no client object may take a dictionary view's name.
  if (action == SQLITE_READ && a != nullptr &&
      (sqlite3_stricmp(a, kObjectsTable) == 0 || sqlite3_stricmp(a, kSequencesTable) == 0 ||
       sqlite3_stricmp(a, kCommentsTable) == 0 ||
       sqlite3_stricmp(a, schema::kConstraintsTable) == 0 ||
       sqlite3_stricmp(a, schema::kConsColumnsTable) == 0 ||
       sqlite3_stricmp(a, plsql::kSourceTable) == 0 ||
       sqlite3_stricmp(a, plsql::kTriggersTable) == 0 || sqlite3_stricmp(a, kSynonymsTable) == 0 ||
       plsql::IsCodeTable(a) || IsPrivilegeTable(a) || sqlite3_stricmp(a, kAccountsTable) == 0 ||
       sqlite3_stricmp(a, kProfilesTable) == 0) &&
      // SQLite names no view for a table read with no column (the count
      // of an ALL_ view with no condition); such a count of the catalog
      // is what that view shows anyway, but only where the statement
      // reached a dictionary view, not where it named the table itself.
      (IsDictionaryView(view) ||
       (b != nullptr && *b == '\0' && !IsPrivilegeTable(a) &&
        sqlite3_stricmp(a, kAccountsTable) != 0 &&
        CountedThroughDictionary(connection->viewsInStatement_)))) {
    return SQLITE_OK;
  }
  switch (action) {
    case SQLITE_CREATE_TABLE: case SQLITE_CREATE_TEMP_TABLE:
    case SQLITE_CREATE_VIEW: case SQLITE_CREATE_TEMP_VIEW:
    case SQLITE_DROP_TEMP_VIEW: case SQLITE_DROP_VIEW:
      if (IsDictionaryView(a)) return SQLITE_DENY;
      break;
    default:
      break;
  }
  // A row trigger's body may not read or change the table whose change
  // fired it (its own SQL, not the engine's triggers under it).
  if (view == nullptr && (action == SQLITE_READ || action == SQLITE_INSERT ||
                          action == SQLITE_UPDATE || action == SQLITE_DELETE)) {
    plsql::TriggerSession &triggers = connection->plsqlState_->triggers;
    for (size_t k = 0; a != nullptr && k < triggers.mutating.size(); ++k) {
      if (sqlite3_stricmp(a, triggers.mutating[k].c_str()) == 0) {
        triggers.mutating_hit = triggers.mutating_owner[k] + "." + UpperAscii(a);
        return SQLITE_DENY;
      }
    }
  }
  std::string &dropping = connection->droppingTable_;
  if (action == SQLITE_DROP_TABLE && a != nullptr && !IsEngineTable(a)) {
    dropping = a;
  } else if (action == SQLITE_DROP_TRIGGER && IsEngineTable(a) && b != nullptr &&
             !dropping.empty() && sqlite3_stricmp(b, dropping.c_str()) == 0) {
    return SQLITE_OK;
  }
  bool invisible = false;
  // A table read for none of its columns (COUNT(*)) has a rule of its own.
  const bool counted = action == SQLITE_READ && b != nullptr && *b == '\0' &&
                       (database == nullptr || sqlite3_stricmp(database, "main") == 0);
  if (connection->access_ != nullptr && connection->settings_->user.size() != 0 &&
      (counted ? AuthorizeCountedRead(*connection->access_, connection->RightsHolder(), a, view,
                                      connection->viewsInStatement_,
                                      *connection->viewReads_, &invisible)
               : AuthorizeObjectAccess(*connection->access_, connection->RightsHolder(), action,
                                       a, b, database, view, &invisible)) != SQLITE_OK) {
    // SQLite goes on asking about the rest of the statement after a
    // refusal: one object the user may see but not use makes it 1031.
    connection->deniedInvisible_ =
        invisible && (!connection->deniedObject_ || connection->deniedInvisible_);
    connection->deniedObject_ = true;
    return SQLITE_DENY;
  }
  const int verdict = AuthorizeClientAction(action, a, b);
  if (verdict != SQLITE_OK && (IsEngineTable(a) || IsEngineTable(b))) {
    connection->deniedEngineTable_ = true;
  }
  return verdict;
}

void Connection::NoteReach(int action, const char *a, const char *b, const char *database,
                           const char *view) {
  if (action == SQLITE_FUNCTION) {
    reachedOthers_ = b != nullptr && (sqlite3_stricmp(b, "kestrel_call") == 0 ||
                                      sqlite3_stricmp(b, "kestrel_nextval") == 0 ||
                                      sqlite3_stricmp(b, "kestrel_currval") == 0);
    return;
  }
  if (action != SQLITE_READ && action != SQLITE_INSERT && action != SQLITE_UPDATE &&
      action != SQLITE_DELETE) {
    return;
  }
  if (access_ == nullptr || !access_->enforced()) return;
  const std::string &holder = RightsHolder();
  const auto others = [&](const char *name) {
    if (name == nullptr || IsEngineTable(name) || IsDictionaryView(name) ||
        sqlite3_strnicmp(name, "sqlite_", 7) == 0) {
      return false;
    }
    const std::string owner = access_->OwnerOf(name);
    return owner.empty() || owner != holder;  // unknown: as another's
  };
  const bool main = database == nullptr || sqlite3_stricmp(database, "main") == 0;
  reachedOthers_ = (main && others(a)) || (view != nullptr && others(view));
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
  return Begin(error, waitMs, true);
}

bool Connection::Begin(OraError *error, int waitMs, bool mark) {
  const int wait = waitMs < 0 ? busyTimeoutMs_ : waitMs;
  if (wait != busyTimeoutMs_) sqlite3_busy_timeout(db_, wait);
  const bool begun = Run(begin_, error);
  if (wait != busyTimeoutMs_) sqlite3_busy_timeout(db_, busyTimeoutMs_);
  // The transaction's start is marked, so a rollback can undo its work
  // and still keep what must outlive it before the lock goes.
  if (begun && (!mark || Run(mark_, error))) return true;
  if (begun) {
    OraError ignored;
    Run(rollback_, &ignored);
    return false;
  }
  *error = LockFailure(*error, waitMs);
  return false;
}

OraError Connection::LockFailure(const OraError &cause, int waitMs) const {
  const int wait = waitMs < 0 ? busyTimeoutMs_ : waitMs;
  if (sqlite3_extended_errcode(db_) == SQLITE_BUSY_SNAPSHOT) {
    // Waiting would not help: SQLite writes only on the newest snapshot.
    return OraError::Make(54, "an open query of this session reads data "
                              "another session has changed since; fetch "
                              "it to the end or close it first");
  }
  if (cause.code == 54 && waitMs > 0) {
    // FOR UPDATE WAIT n: the vendor names the timeout apart from NOWAIT.
    return OraError::Make(30006);
  }
  if (cause.code == 54) {
    return OraError::Make(54, "waited " + std::to_string(wait) +
                                  " ms for another session's write lock");
  }
  return cause;
}

bool Connection::BeginWriteAlone(OraError *error) {
  if (InTransaction()) return true;
  if (!Begin(error, -1, false)) return false;
  alone_ = true;
  return true;
}

bool Connection::HasDeferrableKeys() {
  InternalScope scope(*this);
  sqlite3_stmt *query = nullptr;
  // Conservative: any DEFERRABLE counts, initially deferred or not.
  if (sqlite3_prepare_v2(db_,
                         "SELECT 1 FROM main.sqlite_master WHERE type = 'table' "
                         "AND upper(sql) GLOB '*DEFERRABLE*' LIMIT 1",
                         -1, &query, nullptr) != SQLITE_OK) {
    sqlite3_finalize(query);
    return true;
  }
  const bool found = sqlite3_step(query) != SQLITE_DONE;
  sqlite3_finalize(query);
  return found;
}

void Connection::EndImplicit(bool succeeded) {
  implicit_ = false;
  OraError ignored;
  if (sqlite3_get_autocommit(db_) == 0) {
    // Something the statement ran began a transaction of ours, which
    // also kept SQLite from ending the statement's: the caller commits it
    // as an alone one, or it is undone here, as SQLite would have.
    if (succeeded) {
      alone_ = true;
      return;
    }
    Run(rollback_, &ignored);
    KeepAfterUndo(&ignored);
    return;
  }
  // SQLite has committed the statement with its marks, or undone both.
  if (succeeded) {
    ForgetSequenceMarks(*this);
  } else {
    KeepAfterUndo(&ignored);
  }
}

bool Connection::EndAloneAfterFailure(OraError *error) {
  alone_ = false;
  if (!InTransaction()) return true;
  // Nothing but the kept sequence marks is left to write.
  if (!RestoreSequenceMarks(*this)) return Run(rollback_, error);
  return Run(commit_, error);
}

bool Connection::Commit(OraError *error) {
  alone_ = false;
  if (!InTransaction()) return true;
  if (Run(commit_, error)) {
    ForgetSequenceMarks(*this);
    return true;
  }
  const OraError cause = *error;
  if (InTransaction()) {
    OraError ignored;
    Rollback(&ignored);
  }
  *error = OraError::Make(2091, cause.message);
  return false;
}

bool Connection::Rollback(OraError *error) {
  if (alone_) {
    // No mark to go back to: undo it all, then keep the sequence marks in
    // a transaction of their own.
    alone_ = false;
    if (!Run(rollback_, error)) return false;
    return KeepAfterUndo(error);
  }
  if (!InTransaction()) {
    // A commit that failed has already undone everything: what must be
    // kept is written again in a transaction of its own.
    return KeepAfterUndo(error);
  }
  if (sequences_->raisedInTransaction.empty()) return Run(rollback_, error);
  // Undo the work but keep the write lock, put the kept marks back, then
  // end the transaction.
  if (!Run(undoWork_, error)) return Run(rollback_, error);
  RestoreSequenceMarks(*this);
  return Run(commit_, error);
}

bool Connection::KeepAfterUndo(OraError *error) {
  if (sequences_->raisedInTransaction.empty()) return true;
  if (!BeginWrite(error)) return false;
  RestoreSequenceMarks(*this);
  return Run(commit_, error);
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
    RestoreSequenceMarks(*this);
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

bool Connection::MakeDictionaryView(std::string_view name) {
  InternalScope scope(*this);
  return EnsureDictionaryView(db_, name) == SQLITE_OK;
}

int Connection::PrepareClient(const std::string &sql, sqlite3_stmt **statement,
                              const char **tail) {
  ClientStatementBegins();
  int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), statement, tail);
  if (rc != SQLITE_OK && MakeMissingDictionaryView()) {
    sqlite3_finalize(*statement);
    *statement = nullptr;
    rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), statement, tail);
  }
  return rc;
}

bool Connection::MakeMissingDictionaryView() {
  InternalScope scope(*this);
  return EnsureMissingDictionaryView(db_) == SQLITE_OK;
}

Connection::InternalScope::InternalScope(Connection &connection)
    : connection_(connection), previous_(connection.internal_) {
  connection.internal_ = true;
}

Connection::InternalScope::~InternalScope() {
  connection_.internal_ = previous_;
}

}  // namespace kestrel_engine
