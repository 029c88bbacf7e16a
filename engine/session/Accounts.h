/*
** The accounts of a database, kept in its own table: user names compare
** case-insensitively (stored upper-case, as the vendor stores unquoted
** names), passwords exactly, and only as salted slow hashes. A database
** with no account is claimed by its first logon.
*/
#ifndef KESTREL_ENGINE_ACCOUNTS_H
#define KESTREL_ENGINE_ACCOUNTS_H

#include <string>
#include <string_view>

#include "errors/OraError.h"
#include "session/AccountStatement.h"
#include "session/Connection.h"

namespace kestrel_engine {

// Argon2id through crypto_pwhash_str with 2 passes over 16 MiB: about
// 15 ms per hash or check on a current machine, so a logon stays well
// under 100 ms while a stolen hash still costs real work per guess.
constexpr unsigned long long kHashOpsLimit = 2;
constexpr size_t kHashMemLimit = 16u << 20;

// The stored form of a user name.
std::string CanonicalUserName(std::string_view name);

// Checks a logon, or claims the database for it when it has no account
// yet: the claiming account is the database's first administrator. A
// database that holds other objects but no accounts is claimed only when
// the link allows it. 1017 for an unknown user or a wrong password, 1005
// for an empty password, 28000 for a locked account, 28001 for an
// expired password. A wrong password counts against its account, the one
// write a failed logon makes: the tenth in a row locks it.
bool LogOn(Connection &connection, std::string_view user,
           std::string_view password, OraError *error);

// Account statements are held to the system privileges CREATE USER,
// ALTER USER and DROP USER (1031 without); administrators hold them
// through DBA. `currentUser` is the session's user.

// 1920 when the user or a role has the name.
bool CreateAccount(Connection &connection, const AccountStatement &statement,
                   std::string_view currentUser, OraError *error);
// 1918 when the user does not exist. A user without ALTER USER may change
// its own password only, naming the old one: 28221 without REPLACE, 28008
// when it is wrong. ACCOUNT UNLOCK also clears the failed-logon count; a
// new password ends PASSWORD EXPIRE.
bool AlterAccount(Connection &connection, const AccountStatement &statement,
                  std::string_view currentUser, OraError *error);
// 1918 when the user does not exist; 1940 for the session's own user (it
// is connected); 1031 for the last administrator; 1922 when it owns
// objects and CASCADE is not given, which drops them and every grant
// made to or by it.
bool DropAccount(Connection &connection, const AccountStatement &statement,
                 std::string_view currentUser, OraError *error);

// After a logon has been checked and the file brought up to date: 1045
// when the user holds no CREATE SESSION, directly or through a role.
bool MayStartSession(Connection &connection, const std::string &user, OraError *error);

// Failed logons in a row that lock an account of a file the upgrade has
// not brought to profiles yet (Oracle's DEFAULT profile has
// FAILED_LOGIN_ATTEMPTS 10).
constexpr int kFailedLogonsToLock = 10;

// Runs `body` inside a write transaction of its own, committed on
// success: account and profile statements commit what is pending, as DDL.
template <typename Body>
bool InOwnTransaction(Connection &connection, OraError *error, Body body) {
  if (!connection.Commit(error)) return false;
  if (!connection.BeginWrite(error)) return false;
  if (!body()) {
    OraError ignored;
    connection.Rollback(&ignored);
    return false;
  }
  return connection.Commit(error);
}

}  // namespace kestrel_engine

#endif
