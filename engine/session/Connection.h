/*
** One open database: the SQLite connection behind a server handle, opened
** from a link (a file path or an SQLite URI), in WAL mode once a session
** has logged on, with foreign keys on and client SQL held to the rules of
** SqlGuard. It also runs
** the transaction: a write transaction is begun lazily before the first
** statement that writes and lasts until commit or rollback, so between
** statements with nothing pending no snapshot is held. Each connection
** also carries the engine's SQL functions and the vendor's DUAL.
*/
#ifndef KESTREL_ENGINE_CONNECTION_H
#define KESTREL_ENGINE_CONNECTION_H

#include <sqlite3.h>

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "errors/OraError.h"
#include "session/SessionSettings.h"

namespace kestrel_engine::sql {
class SqliteCatalog;
}  // namespace kestrel_engine::sql

namespace kestrel_engine {

class SequenceState;
class AccessData;
class ViewReads;
namespace plsql {
struct SessionState;
}

// The table of accounts kept in every database the engine has logged on to.
extern const char kAccountsTable[];

// How long a writer waits for another writer's lock, unless the link's URI
// says otherwise with busy_timeout=MILLISECONDS.
constexpr int kDefaultBusyTimeoutMs = 5000;

class Connection {
 public:
  // Opens the database `link` names: an existing database file, or an
  // SQLite URI (file:PATH?mode=rwc creates one). Fills `error` with 12154
  // when the link names no openable database.
  static std::unique_ptr<Connection> Open(std::string_view link,
                                          OraError *error);
  ~Connection();
  Connection(const Connection &) = delete;
  Connection &operator=(const Connection &) = delete;

  sqlite3 *db() const { return db_; }
  int busyTimeoutMs() const { return busyTimeoutMs_; }
  // Opened read-only (mode=ro, a write-protected file or read-only media).
  bool readOnly() const { return readOnly_; }
  // The link asked to claim a database that holds no accounts but is not
  // empty (claim=1 in its URI).
  bool claimAllowed() const { return claimAllowed_; }

  // The session's NLS settings (ALTER SESSION SET).
  SessionSettings &settings() { return *settings_; }
  // The sequence values the session holds.
  SequenceState &sequences() { return *sequences_; }
  // PL/SQL's per-session state (the DBMS_OUTPUT buffer).
  plsql::SessionState &plsqlState() { return *plsqlState_; }

  // The server's break flag: while a statement runs, SQLite's progress
  // handler polls it, and a set flag interrupts the statement (ORA-01013).
  void WatchForBreak(std::atomic<bool> *flag);
  // A break asked for while no call ran is forgotten when the next starts.
  void ClearBreak() {
    if (break_) break_->store(false, std::memory_order_relaxed);
  }
  // True, once, when a break was asked for (for work outside SQLite).
  bool TakeBreak() {
    return break_ && break_->exchange(false, std::memory_order_relaxed);
  }

  // Makes the database ready for a logged-on session's writes: WAL mode,
  // so readers run beside a writer. Called only after a successful logon,
  // so a failed one changes nothing in the file.
  void PrepareForWrites();

  // True while changes are pending (a write transaction is open), or
  // while a statement runs in SQLite's own transaction (RunImplicit), so
  // that the engine's code it calls writes inside it as inside ours.
  bool InTransaction() const { return implicit_ || sqlite3_get_autocommit(db_) == 0; }

  // Begins the write transaction unless one is open: waits up to the busy
  // timeout (or `waitMs`, when not negative) for another writer, then
  // fails with 54.
  bool BeginWrite(OraError *error, int waitMs = -1);
  // The same for a transaction that is to be one DML statement, committed
  // when it succeeds (OCI_COMMIT_ON_SUCCESS): no mark at its start, which
  // only an undo of earlier work needs. If the statement fails, SQLite has
  // undone it, and EndAloneAfterFailure ends the transaction keeping the
  // sequence numbers it handed out.
  bool BeginWriteAlone(OraError *error);
  bool Alone() const { return alone_ && InTransaction(); }
  bool EndAloneAfterFailure(OraError *error);
  // The cheaper form of an alone transaction when nothing is pending:
  // the statement runs in SQLite's own transaction, which commits when
  // it succeeds and undoes it when it fails, saving a BEGIN and a COMMIT
  // a row. EndImplicit then keeps the sequence marks either way; if the
  // engine's code the statement ran began a transaction of ours after
  // all, that one is left to end as an alone transaction.
  void BeginImplicit() { implicit_ = true; }
  // Whether any table declares a deferrable constraint, which SQLite
  // checks when its own transaction commits; a failure there is Oracle's
  // 2091, which only a commit of ours can tell apart.
  bool HasDeferrableKeys();
  // Counts this session's changes of schema.
  unsigned schemaGeneration() const { return schemaGeneration_; }
  void EndImplicit(bool succeeded);
  // A step that failed on another session's lock: the error BeginWrite
  // gives for it.
  OraError LockFailure(const OraError &cause, int waitMs = -1) const;
  // Commits what is pending. A commit that fails (a deferred constraint)
  // rolls back and reports 2091.
  bool Commit(OraError *error);
  bool Rollback(OraError *error);

  // An anonymous block is one statement: BeginBlock opens the write
  // transaction and a savepoint, EndBlock releases it, or first undoes
  // everything since BeginBlock when `undo` is set.
  bool BeginBlock(OraError *error);
  void EndBlock(bool undo);

  // Runs the engine's own SQL, which may see the accounts table.
  bool ExecInternal(const char *sql, OraError *error);

  // Called before a client statement is prepared: what the authorizer saw
  // of the one before no longer counts.
  void ClientStatementBegins() {
    droppingTable_.clear();
    deniedObject_ = deniedInvisible_ = deniedEngineTable_ = false;
    viewsInStatement_.clear();
    reachedOthers_ = false;
    Access();
  }
  // Whether the statement prepared since ClientStatementBegins reaches an
  // object of another owner or code that may (a stored function, a
  // sequence): only such a statement can be touched by a GRANT or REVOKE,
  // since an owner holds every right on what it owns.
  bool ReachedOthers() const { return reachedOthers_; }

  // What the front end knows of the schema, kept between statements. It is
  // forgotten when another connection commits (SQLite's data version
  // moves) and when this one runs anything but a query or DML.
  sql::SqliteCatalog &Catalog();
  void ForgetCatalog();

  // Makes the dictionary view `name`, or the one the last error says is
  // missing, with the engine's rights; true when it is there now.
  bool MakeDictionaryView(std::string_view name);
  bool MakeMissingDictionaryView();
  // Prepares a client statement (ClientStatementBegins first), once more
  // after making a dictionary view it names that is missing (one the
  // front end did not meet, or one a rollback took away). SQLite's code.
  int PrepareClient(const std::string &sql, sqlite3_stmt **statement, const char **tail);
  // The grants as the privilege checks read them (catalog/Privileges.h),
  // read again when another session has committed or this one ran
  // anything but a query or DML. Never read inside the authorizer, which
  // uses what the last call read.
  AccessData &Access();
  // The file's count of grant changes (catalog/GrantChanges.h), for a
  // prepared statement to tell whether its checks still hold: read again
  // unless this session's transaction is open (no other session can
  // commit then), no commit came before it began, and the session changed
  // no grant since; 0 for a file without it.
  long long GrantChanges();
  // The user whose rights SQL runs with: the session's, or the owner of
  // the definer's-rights unit running (DefinerScope).
  const std::string &RightsHolder() const;
  // Inside a definer's-rights unit (whose owner may be the session's user).
  bool InDefinerCode() const { return !definer_.empty(); }
  // The schema unqualified names resolve in: the definer's inside
  // definer's-rights code, else the session's CURRENT_SCHEMA, else its
  // user; empty on a connection without a session.
  const std::string &NameSchema() const;
  class DefinerScope {
   public:
    DefinerScope(Connection &connection, std::string owner);
    ~DefinerScope();
    DefinerScope(const DefinerScope &) = delete;
    DefinerScope &operator=(const DefinerScope &) = delete;

   private:
    Connection &connection_;
    std::string previous_;
  };

  // The error for a statement that failed to prepare: the authorizer's
  // refusal of an engine table reads as a table that does not exist.
  OraError PrepareError(int statementType);

  // While alive, statements prepared and run on the connection may use
  // the engine's own tables.
  class InternalScope {
   public:
    explicit InternalScope(Connection &connection);
    ~InternalScope();
    InternalScope(const InternalScope &) = delete;
    InternalScope &operator=(const InternalScope &) = delete;

   private:
    Connection &connection_;
    bool previous_;
  };

 private:
  explicit Connection(sqlite3 *db);
  // Commits what a rolled-back transaction must keep (sequence marks).
  bool KeepAfterUndo(OraError *error);
  bool Run(sqlite3_stmt *statement, OraError *error);
  static int Authorize(void *self, int action, const char *a, const char *b,
                       const char *database, const char *trigger);

  sqlite3 *db_;
  // Held apart so the functions registered with its address never see it
  // move.
  std::unique_ptr<SessionSettings> settings_ = std::make_unique<SessionSettings>();
  std::unique_ptr<SequenceState> sequences_;
  std::unique_ptr<sql::SqliteCatalog> catalog_;
  unsigned catalogDataVersion_ = 0;
  std::unique_ptr<AccessData> access_;
  unsigned accessDataVersion_ = 0;
  bool accessStale_ = true;
  sqlite3_stmt *grantChangesQuery_ = nullptr;
  long long grantChanges_ = 0;
  unsigned grantChangesDataVersion_ = 0;  // when it was read
  bool grantChangesKnown_ = false;
  bool grantChangesAbsent_ = false;
  std::string definer_;  // empty: the session's user
  // The views the statement being prepared reaches, as the authorizer
  // met them (session/CountedReads.h).
  std::vector<std::string> viewsInStatement_;
  std::unique_ptr<ViewReads> viewReads_;  // read with access_
  bool deniedInvisible_ = false;  // the authorizer hid another's object
  bool deniedObject_ = false;     // the authorizer refused an object already
  std::unique_ptr<plsql::SessionState> plsqlState_;
  std::atomic<bool> *break_ = nullptr;
  int busyTimeoutMs_ = kDefaultBusyTimeoutMs;
  bool readOnly_ = false;
  bool claimAllowed_ = false;
  bool internal_ = false;
  bool deniedEngineTable_ = false;
  bool reachedOthers_ = false;
  void NoteReach(int action, const char *a, const char *b, const char *database,
                 const char *view);
  // The table a DROP TABLE being prepared names: its rule triggers go with
  // it, the one time client SQL may drop the engine's objects.
  std::string droppingTable_;
  sqlite3_stmt *begin_ = nullptr;
  bool Begin(OraError *error, int waitMs, bool mark);
  bool alone_ = false;                // the transaction has no mark
  bool implicit_ = false;             // a statement runs in SQLite's transaction
  unsigned schemaGeneration_ = 0;
  sqlite3_stmt *mark_ = nullptr;      // SAVEPOINT at the transaction's start
  sqlite3_stmt *undoWork_ = nullptr;  // ROLLBACK TO it
  sqlite3_stmt *commit_ = nullptr;
  sqlite3_stmt *rollback_ = nullptr;
};

}  // namespace kestrel_engine

#endif
