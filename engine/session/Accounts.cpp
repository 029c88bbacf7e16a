/*
** Account storage and password checks. The table is created by the first
** logon, inside the write transaction that inserts the claiming account,
** so two first logons racing on one database cannot both claim it.
*/
#include "session/Accounts.h"

#include <sodium.h>

#include <memory>

#include "errors/SqliteErrors.h"
#include "catalog/Catalog.h"
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
       "admin INTEGER NOT NULL DEFAULT 0)")
          .c_str(),
      error);
}

// Runs `body` inside a write transaction of its own, committed on success.
template <typename Body>
bool InOwnTransaction(Connection &connection, OraError *error, Body body) {
  if (!connection.Commit(error)) return false;  // an account change commits
  if (!connection.BeginWrite(error)) return false;
  if (!body()) {
    OraError ignored;
    connection.Rollback(&ignored);
    return false;
  }
  return connection.Commit(error);
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
    if (crypto_pwhash_str_verify(hash.c_str(), password.data(),
                                 password.size()) == 0) {
      return true;
    }
    return Refuse(error, 1017);
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

bool CreateAccount(Connection &connection, std::string_view user,
                   std::string_view password, std::string_view currentUser,
                   OraError *error) {
  const std::string name = CanonicalUserName(user);
  const std::string current = CanonicalUserName(currentUser);
  if (!IsAdministrator(connection, current, error)) {
    return error->failed() ? false : Refuse(error, 1031);
  }
  std::string hash;
  if (!HashNewPassword(password, &hash, error)) return false;
  return InOwnTransaction(connection, error, [&] {
    if (!EnsureTable(connection, error)) return false;
    std::string existing;
    if (StoredHash(connection, name, &existing, error)) {
      return Refuse(error, 1920, name);
    }
    if (error->failed()) return false;
    return Change(connection,
                  "INSERT INTO " + Quoted() + " (name, hash) VALUES (?1, ?2)",
                  name, &hash, error);
  });
}

bool AlterAccount(Connection &connection, std::string_view user,
                  std::string_view password, const std::string *replaced,
                  std::string_view currentUser, OraError *error) {
  const std::string name = CanonicalUserName(user);
  const std::string current = CanonicalUserName(currentUser);
  const bool administrator = IsAdministrator(connection, current, error);
  if (error->failed()) return false;
  if (!administrator && name != current) return Refuse(error, 1031);
  // A plain user proves it knows the password it replaces; an
  // administrator may name it too, and is then held to it.
  if (!administrator && replaced == nullptr) return Refuse(error, 28221);
  std::string hash;
  if (!HashNewPassword(password, &hash, error)) return false;
  return InOwnTransaction(connection, error, [&] {
    std::string existing;
    if (!TableExists(connection) ||
        !StoredHash(connection, name, &existing, error)) {
      return error->failed() ? false : Refuse(error, 1918, name);
    }
    if (replaced != nullptr &&
        crypto_pwhash_str_verify(existing.c_str(), replaced->data(),
                                 replaced->size()) != 0) {
      return Refuse(error, 28008);
    }
    return Change(connection,
                  "UPDATE " + Quoted() + " SET hash=?2 WHERE name=?1", name,
                  &hash, error);
  });
}

bool DropAccount(Connection &connection, std::string_view user,
                 std::string_view currentUser, OraError *error) {
  const std::string name = CanonicalUserName(user);
  const std::string current = CanonicalUserName(currentUser);
  if (!IsAdministrator(connection, current, error)) {
    return error->failed() ? false : Refuse(error, 1031);
  }
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
    return Change(connection, "DELETE FROM " + Quoted() + " WHERE name=?1",
                  name, nullptr, error);
  });
}

}  // namespace kestrel_engine
