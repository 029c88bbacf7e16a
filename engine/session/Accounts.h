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
// for an empty password. A failed logon writes nothing.
bool LogOn(Connection &connection, std::string_view user,
           std::string_view password, OraError *error);

// Accounts are administrators or plain users; only administrators create,
// alter or drop other accounts (1031 otherwise), and the accounts they
// create are plain. `currentUser` is the session's user.

// 1920 when the user exists.
bool CreateAccount(Connection &connection, std::string_view user,
                   std::string_view password, std::string_view currentUser,
                   OraError *error);
// 1918 when the user does not exist. A plain user may change its own
// password only, naming the old one: 28221 without REPLACE, 28008 when
// it is wrong. `replaced` is null when the statement has no REPLACE.
bool AlterAccount(Connection &connection, std::string_view user,
                  std::string_view password, const std::string *replaced,
                  std::string_view currentUser, OraError *error);
// 1918 when the user does not exist; 1940 for the session's own user (it
// is connected); 1031 for the last administrator.
bool DropAccount(Connection &connection, std::string_view user,
                 std::string_view currentUser, OraError *error);

}  // namespace kestrel_engine

#endif
