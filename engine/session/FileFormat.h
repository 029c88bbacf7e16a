/*
** The version of the engine's stored form, kept in the database header's
** user_version. Each release that changes what the engine stores adds one
** step to the upgrade path; a file is upgraded in one transaction at its
** first read-write logon, and never on a read-only open.
*/
#ifndef KESTREL_ENGINE_FILEFORMAT_H
#define KESTREL_ENGINE_FILEFORMAT_H

#include "errors/OraError.h"
#include "session/Connection.h"

namespace kestrel_engine {

// 0: the first release (accounts of name and password hash).
// 1: accounts are administrators or plain users.
// 2: the catalog records each object's owner and times (kestrel$objects).
// 3: sequences (kestrel$sequences).
// 4: comments on tables and columns (kestrel$comments).
// 5: constraints and identity columns (kestrel$constraints,
//    kestrel$cons_columns, kestrel$identities).
// 6: stored PL/SQL source (kestrel$source).
// 7: PL/SQL triggers (kestrel$triggers).
// 8: synonyms (kestrel$synonyms).
// 9: stored units' records: kestrel$code, kestrel$errors,
//    kestrel$arguments, kestrel$code_refs.
// 10: overloaded packaged subprograms numbered in kestrel$arguments.
// 11: users, roles and privileges: kestrel$roles, kestrel$sys_privs,
//     kestrel$role_privs, kestrel$tab_privs, and each account's lock,
//     expiry and failed-logon count.
// 12: each schema its own namespace of table and view names (another
//     schema's name stored as "OWNER.NAME"); private synonyms keep the
//     names accounts reached unqualified before.
// 13: the count of grant changes (kestrel$grant_changes) and the
//     triggers on the grant tables that move it.
// 14: each schema its own stored units; private synonyms keep the units
//     accounts called unqualified before.
// 15: profiles (kestrel$profiles with DEFAULT), each account's profile
//     and the time of its lock.
constexpr int kFileFormatVersion = 15;

// The file's version; -1 with `error` set when it cannot be read.
int FileFormatVersion(Connection &connection, OraError *error);

// Refuses (ORA-00201) a file written by a newer engine.
bool CheckFileFormat(Connection &connection, OraError *error);

// Brings an older file to kFileFormatVersion in one write transaction.
// Nothing to do for a current file or a read-only connection.
bool UpgradeFileFormat(Connection &connection, OraError *error);

// Records the current version; for a database the engine has just
// claimed, inside the claiming transaction.
bool StampFileFormat(Connection &connection, OraError *error);

}  // namespace kestrel_engine

#endif
