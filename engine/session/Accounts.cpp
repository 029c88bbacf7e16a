/*
** Account storage and password checks. The table is created by the first
** logon, inside the write transaction that inserts the claiming account,
** so two first logons racing on one database cannot both claim it.
*/
#include "session/Accounts.h"

#include <sodium.h>

#include <memory>
#include <utility>
#include <vector>

#include "errors/SqliteErrors.h"
#include "catalog/Catalog.h"
#include "catalog/Privileges.h"
#include "catalog/Profiles.h"
#include "catalog/Comments.h"
#include "catalog/Sequences.h"
#include "catalog/Synonyms.h"
#include "schema/Constraints.h"
#include "plsql/CodeCatalog.h"
#include "plsql/StoredCode.h"
#include "plsql/Triggers.h"
#include "session/FileFormat.h"
#include "sql/Lexer.h"

namespace kestrel_engine {

namespace {

struct StatementDeleter {
  void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

Statement Prepare(Connection &connection, const std::string &sql,
                  OraError *error) {
  sqlite3_stmt *raw = nullptr;
  if (sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &raw, nullptr) !=
      SQLITE_OK) {
    *error = ErrorFromSqlite(connection.db(), 0);
  }
  return Statement(raw);
}

std::string Quoted() { return std::string("\"") + kAccountsTable + "\""; }

bool TableExists(Connection &connection) {
  Connection::InternalScope scope(connection);
  sqlite3_stmt *raw = nullptr;
  sqlite3_prepare_v2(connection.db(),
                     "SELECT 1 FROM sqlite_master WHERE type='table' AND "
                     "name=?1",
                     -1, &raw, nullptr);
  Statement statement(raw);
  if (!statement) return false;
  sqlite3_bind_text(raw, 1, kAccountsTable, -1, SQLITE_STATIC);
  return sqlite3_step(raw) == SQLITE_ROW;
}

bool HashPassword(std::string_view password, std::string *hash,
                  OraError *error) {
  char out[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(out, password.data(), password.size(), kHashOpsLimit,
                        kHashMemLimit) != 0) {
    *error = OraError::Make(600, "password hashing ran out of memory");
    return false;
  }
  hash->assign(out);
  return true;
}

// The stored hash of `user`; false with no error when there is none.
bool StoredHash(Connection &connection, const std::string &user,
                std::string *hash, OraError *error) {
  Connection::InternalScope scope(connection);
  Statement statement = Prepare(
      connection, "SELECT hash FROM " + Quoted() + " WHERE name=?1", error);
  if (!statement) return false;
  sqlite3_bind_text(statement.get(), 1, user.data(),
                    static_cast<int>(user.size()), SQLITE_STATIC);
  const int rc = sqlite3_step(statement.get());
  if (rc == SQLITE_ROW) {
    hash->assign(
        reinterpret_cast<const char *>(sqlite3_column_text(statement.get(), 0)));
    return true;
  }
  if (rc != SQLITE_DONE) *error = ErrorFromSqlite(connection.db(), 0);
  return false;
}

long long AccountCount(Connection &connection, OraError *error) {
  Connection::InternalScope scope(connection);
  Statement statement =
      Prepare(connection, "SELECT count(*) FROM " + Quoted(), error);
  if (!statement) return -1;
  if (sqlite3_step(statement.get()) != SQLITE_ROW) {
    *error = ErrorFromSqlite(connection.db(), 0);
    return -1;
  }
  return sqlite3_column_int64(statement.get(), 0);
}

// Runs one change to the accounts table in its own transaction (account
// statements commit like any DDL).
bool Change(Connection &connection, const std::string &sql,
            const std::string &user, const std::string *hash,
            OraError *error) {
  Connection::InternalScope scope(connection);
  Statement statement = Prepare(connection, sql, error);
  if (!statement) return false;
  sqlite3_bind_text(statement.get(), 1, user.data(),
                    static_cast<int>(user.size()), SQLITE_STATIC);
  if (hash) {
    sqlite3_bind_text(statement.get(), 2, hash->data(),
                      static_cast<int>(hash->size()), SQLITE_STATIC);
  }
  if (sqlite3_step(statement.get()) != SQLITE_DONE) {
    *error = ErrorFromSqlite(connection.db(), 0);
    return false;
  }
  return true;
}

// One number from the engine's own SQL; -1 with `error` set on failure.
long long Count(Connection &connection, const std::string &sql,
                const std::string *name, OraError *error) {
  Connection::InternalScope scope(connection);
  Statement statement = Prepare(connection, sql, error);
  if (!statement) return -1;
  if (name) {
    sqlite3_bind_text(statement.get(), 1, name->data(),
                      static_cast<int>(name->size()), SQLITE_STATIC);
  }
  if (sqlite3_step(statement.get()) != SQLITE_ROW) {
    *error = ErrorFromSqlite(connection.db(), 0);
    return -1;
  }
  return sqlite3_column_int64(statement.get(), 0);
}

bool IsAdministrator(Connection &connection, const std::string &name,
                     OraError *error) {
  return Count(connection,
               "SELECT count(*) FROM " + Quoted() + " WHERE name=?1 AND admin",
               &name, error) > 0;
}

// A file with tables, views or anything else in it, but no accounts: not a
// database the engine made, so a logon does not take it silently.
bool HoldsObjects(Connection &connection, OraError *error) {
  return Count(connection, "SELECT count(*) FROM sqlite_master", nullptr,
               error) != 0;
}

bool Refuse(OraError *error, int code, std::string_view detail = {}) {
  *error = OraError::Make(code, detail);
  return false;
}

bool EnsureTable(Connection &connection, OraError *error) {
  return connection.ExecInternal(
      ("CREATE TABLE IF NOT EXISTS " + Quoted() +
       " (name TEXT PRIMARY KEY, hash TEXT NOT NULL, "
       "admin INTEGER NOT NULL DEFAULT 0, locked INTEGER NOT NULL DEFAULT 0, expired INTEGER "
       "NOT NULL DEFAULT 0, failed INTEGER NOT NULL DEFAULT 0, created DATE, "
       "default_tablespace TEXT NOT NULL DEFAULT 'USERS', profile TEXT NOT NULL DEFAULT "
       "'DEFAULT', locked_at REAL)")
          .c_str(),
      error);
}

// An account's lock: 1 by ACCOUNT LOCK, until ACCOUNT UNLOCK; 2 by failed
// logons, for its profile's PASSWORD_LOCK_TIME days from locked_at.
constexpr int kLockedByStatement = 1;
constexpr int kLockedByFailures = 2;

// The account's row, qualified for the profile subqueries.
std::string Row() { return Quoted() + ".profile"; }

// True (1) when the account's timed lock has run its time; an UNLIMITED
// lock time never does. Evaluated only for a timed lock.
std::string LockEndedSql() {
  return "CASE WHEN locked = " + std::to_string(kLockedByFailures) +
         " THEN coalesce(julianday('now') >= locked_at + " +
         EffectiveLimitSql("PASSWORD_LOCK_TIME", Row()) + ", 0) ELSE 0 END";
}

// A wrong password: one more in the count (a new count once a timed lock
// has ended), which locks the account when it reaches its profile's
// FAILED_LOGIN_ATTEMPTS (UNLIMITED never does). One statement: the one
// write a failed logon makes.
std::string CountFailureSql() {
  const std::string next = "(CASE WHEN locked = " + std::to_string(kLockedByFailures) +
                           " THEN 0 ELSE failed END + 1)";
  const std::string locks =
      next + " >= " + EffectiveLimitSql("FAILED_LOGIN_ATTEMPTS", Row());
  return "UPDATE " + Quoted() + " SET failed = " + next + ", locked = CASE WHEN " + locks +
         " THEN " + std::to_string(kLockedByFailures) + " ELSE 0 END, locked_at = CASE WHEN " +
         locks + " THEN julianday('now') END WHERE name=?1 AND (locked = 0 OR (" +
         LockEndedSql() + "))";
}

// The account's state after its password was checked: a wrong one
// counts, and the count locks the account; a right one meets the lock
// and the expiry, and sets the count back. A file the upgrade has not
// reached yet has no profiles: its count locks at the fixed ten, as
// before.
bool CheckStatus(Connection &connection, const std::string &name, bool right,
                 OraError *error) {
  int locked = 0, expired = 0, failed = 0;
  bool ended = false, profiles = true;
  {
    Connection::InternalScope scope(connection);
    OraError ignored;
    Statement statement =
        Prepare(connection,
                "SELECT locked, expired, failed, " + LockEndedSql() + " FROM " + Quoted() +
                    " WHERE name=?1",
                &ignored);
    if (!statement) {
      profiles = false;
      statement = Prepare(
          connection, "SELECT locked, expired, failed, 0 FROM " + Quoted() + " WHERE name=?1",
          &ignored);
    }
    if (!statement) return right ? true : Refuse(error, 1017);
    sqlite3_bind_text(statement.get(), 1, name.data(), static_cast<int>(name.size()),
                      SQLITE_STATIC);
    if (sqlite3_step(statement.get()) == SQLITE_ROW) {
      locked = sqlite3_column_int(statement.get(), 0);
      expired = sqlite3_column_int(statement.get(), 1);
      failed = sqlite3_column_int(statement.get(), 2);
      ended = sqlite3_column_int(statement.get(), 3) != 0;
    }
  }
  const bool held = locked != 0 && !ended;
  const bool write = !held && (!right || failed != 0 || ended);
  if (write && !connection.readOnly() && !connection.InTransaction()) {
    OraError ignored;
    std::string sql;
    if (right) {
      sql = "UPDATE " + Quoted() + " SET failed = 0" +
            (ended ? ", locked = 0, locked_at = NULL" : "") + " WHERE name=?1";
    } else if (profiles) {
      sql = CountFailureSql();
    } else {
      sql = "UPDATE " + Quoted() + " SET failed = failed + 1, locked = (failed + 1 >= " +
            std::to_string(kFailedLogonsToLock) + ") WHERE name=?1";
    }
    InOwnTransaction(connection, &ignored,
                     [&] { return Change(connection, sql, name, nullptr, &ignored); });
  }
  if (!right) return Refuse(error, 1017);
  if (held) return Refuse(error, 28000);
  if (expired) return Refuse(error, 28001);
  return true;
}

}  // namespace

std::string CanonicalUserName(std::string_view name) { return UpperAscii(name); }

bool LogOn(Connection &connection, std::string_view user,
           std::string_view password, OraError *error) {
  if (sodium_init() < 0) return Refuse(error, 600, "libsodium failed to start");
  if (user.empty()) return Refuse(error, 1017);
  if (password.empty()) return Refuse(error, 1005);
  if (!CheckFileFormat(connection, error)) return false;
  const std::string name = CanonicalUserName(user);
  std::string hash;
  const bool claimed = TableExists(connection);
  if (claimed && StoredHash(connection, name, &hash, error)) {
    const bool right =
        crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
    return CheckStatus(connection, name, right, error);
  }
  if (error->failed()) return false;
  if (claimed && AccountCount(connection, error) != 0) {
    return error->failed() ? false : Refuse(error, 1017);
  }

  // No account at all: the logon claims the database, if it may.
  if (connection.readOnly()) return Refuse(error, 16000);
  if (!claimed && !connection.claimAllowed() && HoldsObjects(connection, error)) {
    return error->failed()
               ? false
               : Refuse(error, 1017,
                        "the database has no accounts; add claim=1 to the "
                        "link's URI to claim it");
  }
  std::string newHash;
  if (!HashPassword(password, &newHash, error)) return false;
  if (connection.InTransaction()) return Refuse(error, 1017);
  bool inserted = false;
  const bool ok = InOwnTransaction(connection, error, [&] {
    if (!EnsureTable(connection, error)) return false;
    const long long count = AccountCount(connection, error);
    if (count != 0) return false;  // claimed by another session meanwhile
    inserted = Change(connection,
                      "INSERT INTO " + Quoted() +
                          " (name, hash, admin) VALUES (?1, ?2, 1)",
                      name, &newHash, error) &&
               StampFileFormat(connection, error) &&
               EnsureSequences(connection, error) &&
               EnsureComments(connection, error) &&
               schema::EnsureConstraintTables(connection, error) &&
               plsql::EnsureSource(connection, error) &&
               plsql::EnsureTriggers(connection, error) &&
               EnsureSynonyms(connection, error) &&
               plsql::EnsureCodeTables(connection, error) &&
               EnsurePrivileges(connection, error) &&
               EnsureProfiles(connection, error) &&
               Change(connection,
                      std::string("INSERT INTO \"") + kRolePrivsTable + "\" VALUES (?1, 'DBA', 1)",
                      name, nullptr, error) &&
               Change(connection,
                      "UPDATE " + Quoted() + " SET created = datetime('now', 'localtime') "
                      "WHERE name=?1",
                      name, nullptr, error) &&
               SyncCatalog(connection, name, error);
    return inserted;
  });
  if (ok && inserted) return true;
  if (!error->failed()) *error = OraError::Make(1017);
  return false;
}

// The stored hash of a password an account is given; an empty password is
// refused, as the vendor refuses it.
static bool HashNewPassword(std::string_view password, std::string *hash,
                            OraError *error) {
  if (password.empty()) return Refuse(error, 1005);
  return HashPassword(password, hash, error);
}

namespace {

bool Holds(Connection &connection, const std::string &user, const char *privilege) {
  return connection.Access().HasSys(user, privilege);
}

// The status columns an account statement sets besides the password.
bool ApplyStatus(Connection &connection, const AccountStatement &statement,
                 const std::string &name, OraError *error) {
  std::string set;
  if (statement.lock == 1) {
    set += ", locked = " + std::to_string(kLockedByStatement) + ", locked_at = julianday('now')";
  }
  if (statement.lock == 0) set += ", locked = 0, failed = 0, locked_at = NULL";
  if (statement.expire) set += ", expired = 1";
  if (!statement.defaultTablespace.empty()) {
    set += ", default_tablespace = '" + UpperAscii(statement.defaultTablespace) + "'";
    for (char c : statement.defaultTablespace) {
      if (c == '\'') return Refuse(error, 922);
    }
  }
  if (!statement.profile.empty()) {
    if (!ProfileExists(connection, statement.profile, error)) {
      return error->failed() ? false : Refuse(error, 2380, statement.profile);
    }
    std::string quoted;
    for (char c : statement.profile) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    set += ", profile = '" + quoted + "'";
  }
  if (set.empty()) return true;
  return Change(connection, "UPDATE " + Quoted() + " SET " + set.substr(2) + " WHERE name=?1",
                name, nullptr, error);
}

// Everything `owner` owns, by statement, for DROP USER CASCADE.
bool DropOwned(Connection &connection, const std::string &owner, OraError *error) {
  std::vector<std::pair<std::string, std::string>> objects;
  {
    Connection::InternalScope scope(connection);
    Statement statement = Prepare(
        connection,
        std::string("SELECT type, name FROM \"") + kObjectsTable +
            "\" WHERE owner=?1 AND type IN ('view', 'table') ORDER BY type = 'table'",
        error);
    if (!statement) return false;
    sqlite3_bind_text(statement.get(), 1, owner.data(), static_cast<int>(owner.size()),
                      SQLITE_STATIC);
    while (sqlite3_step(statement.get()) == SQLITE_ROW) {
      objects.emplace_back(
          reinterpret_cast<const char *>(sqlite3_column_text(statement.get(), 0)),
          reinterpret_cast<const char *>(sqlite3_column_text(statement.get(), 1)));
    }
  }
  std::string sql = "PRAGMA defer_foreign_keys = ON; ";
  for (const auto &o : objects) {
    std::string quoted = "\"";
    for (char c : o.second) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    sql += std::string("DROP ") + (o.first == "view" ? "VIEW" : "TABLE") + " IF EXISTS main." +
           quoted + "\"; ";
  }
  for (const char *table :
       {"kestrel$sequences", "kestrel$synonyms", "kestrel$source", "kestrel$code",
        "kestrel$errors", "kestrel$arguments", "kestrel$code_refs", "kestrel$triggers",
        "kestrel$constraints", "kestrel$cons_columns"}) {
    sql += std::string("DELETE FROM \"") + table + "\" WHERE owner = ?1; ";
  }
  // One statement at a time, each with the owner bound.
  size_t at = 0;
  while (at < sql.size()) {
    const size_t end = sql.find("; ", at);
    const std::string one = sql.substr(at, end - at);
    at = end == std::string::npos ? sql.size() : end + 2;
    if (one.find("?1") == std::string::npos) {
      if (!connection.ExecInternal(one.c_str(), error)) return false;
    } else if (!Change(connection, one, owner, nullptr, error)) {
      return false;
    }
  }
  return SyncCatalog(connection, owner, error);
}

}  // namespace

bool CreateAccount(Connection &connection, const AccountStatement &statement,
                   std::string_view currentUser, OraError *error) {
  const std::string name = CanonicalUserName(statement.user);
  const std::string current = CanonicalUserName(currentUser);
  if (!Holds(connection, current, "CREATE USER")) return Refuse(error, 1031);
  if (connection.Access().IsRole(name) || name == kPublicGrantee) {
    return Refuse(error, 1920, name);
  }
  std::string hash;
  if (!HashNewPassword(statement.password, &hash, error)) return false;
  return InOwnTransaction(connection, error, [&] {
    if (!EnsureTable(connection, error)) return false;
    std::string existing;
    if (StoredHash(connection, name, &existing, error)) {
      return Refuse(error, 1920, name);
    }
    if (error->failed()) return false;
    return Change(connection,
                  "INSERT INTO " + Quoted() +
                      " (name, hash, created) VALUES (?1, ?2, datetime('now', 'localtime'))",
                  name, &hash, error) &&
           ApplyStatus(connection, statement, name, error);
  });
}

bool AlterAccount(Connection &connection, const AccountStatement &statement,
                  std::string_view currentUser, OraError *error) {
  const std::string name = CanonicalUserName(statement.user);
  const std::string current = CanonicalUserName(currentUser);
  const bool administrator = Holds(connection, current, "ALTER USER");
  if (!administrator && name != current) return Refuse(error, 1031);
  if (!administrator && (statement.lock >= 0 || statement.expire || !statement.profile.empty())) {
    return Refuse(error, 1031);
  }
  // A plain user proves it knows the password it replaces; an
  // administrator may name it too, and is then held to it.
  if (!administrator && statement.hasPassword && !statement.hasReplace) {
    return Refuse(error, 28221);
  }
  std::string hash;
  if (statement.hasPassword && !HashNewPassword(statement.password, &hash, error)) return false;
  return InOwnTransaction(connection, error, [&] {
    std::string existing;
    if (!TableExists(connection) ||
        !StoredHash(connection, name, &existing, error)) {
      return error->failed() ? false : Refuse(error, 1918, name);
    }
    if (statement.hasReplace &&
        crypto_pwhash_str_verify(existing.c_str(), statement.replaced.data(),
                                 statement.replaced.size()) != 0) {
      return Refuse(error, 28008);
    }
    return (!statement.hasPassword ||
            Change(connection, "UPDATE " + Quoted() + " SET hash=?2, expired=0 WHERE name=?1",
                   name, &hash, error)) &&
           ApplyStatus(connection, statement, name, error);
  });
}

bool DropAccount(Connection &connection, const AccountStatement &statement,
                 std::string_view currentUser, OraError *error) {
  const std::string name = CanonicalUserName(statement.user);
  const std::string current = CanonicalUserName(currentUser);
  if (!Holds(connection, current, "DROP USER")) return Refuse(error, 1031);
  return InOwnTransaction(connection, error, [&] {
    std::string existing;
    if (!TableExists(connection) ||
        !StoredHash(connection, name, &existing, error)) {
      return error->failed() ? false : Refuse(error, 1918, name);
    }
    if (name == current) return Refuse(error, 1940);
    if (IsAdministrator(connection, name, error) &&
        Count(connection,
              "SELECT count(*) FROM " + Quoted() + " WHERE admin", nullptr,
              error) <= 1) {
      return error->failed()
                 ? false
                 : Refuse(error, 1031, "the last administrator cannot be dropped");
    }
    if (error->failed()) return false;
    const long long owned = Count(
        connection,
        std::string("SELECT (SELECT count(*) FROM \"") + kObjectsTable +
            "\" WHERE owner=?1) + (SELECT count(*) FROM \"kestrel$sequences\" WHERE owner=?1) + "
            "(SELECT count(*) FROM \"kestrel$code\" WHERE owner=?1) + (SELECT count(*) FROM "
            "\"kestrel$synonyms\" WHERE owner=?1)",
        &name, error);
    if (owned < 0) return false;
    if (owned > 0 && !statement.cascade) return Refuse(error, 1922, name);
    if (owned > 0 && !DropOwned(connection, name, error)) return false;
    for (const std::string &sql :
         {std::string("DELETE FROM \"") + kTabPrivsTable +
              "\" WHERE grantee=?1 OR owner=?1 OR grantor=?1",
          std::string("DELETE FROM \"") + kSysPrivsTable + "\" WHERE grantee=?1",
          std::string("DELETE FROM \"") + kRolePrivsTable + "\" WHERE grantee=?1"}) {
      if (!Change(connection, sql, name, nullptr, error)) return false;
    }
    return Change(connection, "DELETE FROM " + Quoted() + " WHERE name=?1",
                  name, nullptr, error);
  });
}

bool MayStartSession(Connection &connection, const std::string &user, OraError *error) {
  if (connection.Access().HasSys(user, "CREATE SESSION")) return true;
  return Refuse(error, 1045, user);
}

}  // namespace kestrel_engine
