/*
** Account storage and password checks. The table is created by the first
** logon, inside the write transaction that inserts the claiming account,
** so two first logons racing on one database cannot both claim it.
*/
#include "session/Accounts.h"

#include <sodium.h>

#include <memory>

#include "errors/SqliteErrors.h"
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

bool EnsureTable(Connection &connection, OraError *error) {
  return connection.ExecInternal(
      ("CREATE TABLE IF NOT EXISTS " + Quoted() +
       " (name TEXT PRIMARY KEY, hash TEXT NOT NULL)")
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
  if (sodium_init() < 0) {
    *error = OraError::Make(600, "libsodium failed to start");
    return false;
  }
  if (user.empty()) {
    *error = OraError::Make(1017);
    return false;
  }
  if (password.empty()) {
    *error = OraError::Make(1005);
    return false;
  }
  const std::string name = CanonicalUserName(user);
  std::string hash;
  if (TableExists(connection) && StoredHash(connection, name, &hash, error)) {
    if (crypto_pwhash_str_verify(hash.c_str(), password.data(),
                                 password.size()) == 0) {
      return true;
    }
    *error = OraError::Make(1017);
    return false;
  }
  if (error->failed()) return false;

  // No such account: the logon claims the database if it has none at all.
  std::string newHash;
  if (!HashPassword(password, &newHash, error)) return false;
  if (connection.InTransaction()) {
    *error = OraError::Make(1017);
    return false;
  }
  bool claimed = false;
  const bool ok = InOwnTransaction(connection, error, [&] {
    if (!EnsureTable(connection, error)) return false;
    const long long count = AccountCount(connection, error);
    if (count != 0) return false;  // someone else's database
    claimed = Change(connection,
                     "INSERT INTO " + Quoted() + " (name, hash) VALUES (?1, ?2)",
                     name, &newHash, error);
    return claimed;
  });
  if (ok && claimed) return true;
  if (!error->failed()) *error = OraError::Make(1017);
  return false;
}

// The stored hash of a password an account is given; an empty password is
// refused, as the vendor refuses it.
static bool HashNewPassword(std::string_view password, std::string *hash,
                            OraError *error) {
  if (password.empty()) {
    *error = OraError::Make(1005);
    return false;
  }
  return HashPassword(password, hash, error);
}

bool CreateAccount(Connection &connection, std::string_view user,
                   std::string_view password, OraError *error) {
  const std::string name = CanonicalUserName(user);
  std::string hash;
  if (!HashNewPassword(password, &hash, error)) return false;
  return InOwnTransaction(connection, error, [&] {
    if (!EnsureTable(connection, error)) return false;
    std::string existing;
    if (StoredHash(connection, name, &existing, error)) {
      *error = OraError::Make(1920, name);
      return false;
    }
    if (error->failed()) return false;
    return Change(connection,
                  "INSERT INTO " + Quoted() + " (name, hash) VALUES (?1, ?2)",
                  name, &hash, error);
  });
}

bool AlterAccount(Connection &connection, std::string_view user,
                  std::string_view password, OraError *error) {
  const std::string name = CanonicalUserName(user);
  std::string hash;
  if (!HashNewPassword(password, &hash, error)) return false;
  return InOwnTransaction(connection, error, [&] {
    std::string existing;
    if (!TableExists(connection) ||
        !StoredHash(connection, name, &existing, error)) {
      if (!error->failed()) *error = OraError::Make(1918, name);
      return false;
    }
    return Change(connection,
                  "UPDATE " + Quoted() + " SET hash=?2 WHERE name=?1", name,
                  &hash, error);
  });
}

bool DropAccount(Connection &connection, std::string_view user,
                 std::string_view currentUser, OraError *error) {
  const std::string name = CanonicalUserName(user);
  return InOwnTransaction(connection, error, [&] {
    std::string existing;
    if (!TableExists(connection) ||
        !StoredHash(connection, name, &existing, error)) {
      if (!error->failed()) *error = OraError::Make(1918, name);
      return false;
    }
    if (name == CanonicalUserName(currentUser) ||
        AccountCount(connection, error) <= 1) {
      if (!error->failed()) *error = OraError::Make(1940);
      return false;
    }
    return Change(connection, "DELETE FROM " + Quoted() + " WHERE name=?1",
                  name, nullptr, error);
  });
}

}  // namespace kestrel_engine
