/*
** Reading, checking and upgrading the stored form's version. The steps
** run in order from the file's version to the engine's, inside the write
** transaction that stamps the new version, so a failure or a crash leaves
** the file as it was.
*/
#include "session/FileFormat.h"

#include <string>

#include "catalog/Catalog.h"
#include "catalog/Comments.h"
#include "catalog/NamespaceUpgrade.h"
#include "catalog/GrantChanges.h"
#include "catalog/Privileges.h"
#include "catalog/Profiles.h"
#include "catalog/Sequences.h"
#include "catalog/Synonyms.h"
#include "errors/SqliteErrors.h"
#include "schema/Constraints.h"
#include "plsql/CodeCatalog.h"
#include "plsql/StoredCode.h"
#include "plsql/Triggers.h"

namespace kestrel_engine {

namespace {

bool AccountsTableExists(Connection &connection) {
  Connection::InternalScope scope(connection);
  sqlite3_stmt *statement = nullptr;
  sqlite3_prepare_v2(connection.db(),
                     "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1",
                     -1, &statement, nullptr);
  if (statement == nullptr) return false;
  sqlite3_bind_text(statement, 1, kAccountsTable, -1, SQLITE_STATIC);
  const bool found = sqlite3_step(statement) == SQLITE_ROW;
  sqlite3_finalize(statement);
  return found;
}

// 0 to 1: every existing account becomes an administrator, since nothing
// recorded which of them claimed the database.
bool AddAdministrators(Connection &connection, OraError *error) {
  if (!AccountsTableExists(connection)) return true;
  const std::string table = std::string("\"") + kAccountsTable + "\"";
  return connection.ExecInternal(
      ("ALTER TABLE " + table +
       " ADD COLUMN admin INTEGER NOT NULL DEFAULT 0; UPDATE " + table +
       " SET admin = 1")
          .c_str(),
      error);
}

// 1 to 2: the catalog, its objects owned by the first administrator, who
// is most likely the account that made them.
bool AddCatalog(Connection &connection, OraError *error) {
  std::string owner;
  if (AccountsTableExists(connection)) {
    Connection::InternalScope scope(connection);
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(connection.db(),
                       (std::string("SELECT name FROM \"") + kAccountsTable +
                        "\" ORDER BY admin DESC, rowid LIMIT 1")
                           .c_str(),
                       -1, &statement, nullptr);
    if (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW) {
      owner = reinterpret_cast<const char *>(sqlite3_column_text(statement, 0));
    }
    sqlite3_finalize(statement);
  }
  return EnsureCatalog(connection, error) && SyncCatalog(connection, owner, error);
}

using Step = bool (*)(Connection &, OraError *);

// kSteps[v] brings version v to v + 1.
constexpr Step kSteps[kFileFormatVersion] = {AddAdministrators, AddCatalog,
                                             EnsureSequences,   EnsureComments,
                                             schema::EnsureConstraintTables, plsql::EnsureSource,
                                             plsql::EnsureTriggers, EnsureSynonyms,
                                             plsql::EnsureCodeTables,
                                             plsql::AddArgumentOverloads,
                                             UpgradeToPrivileges, UpgradeToSchemaNamespaces,
                                             EnsureGrantChanges, UpgradeToCodeNamespaces,
                                             EnsureProfiles};

}  // namespace

int FileFormatVersion(Connection &connection, OraError *error) {
  Connection::InternalScope scope(connection);
  sqlite3_stmt *statement = nullptr;
  int version = -1;
  if (sqlite3_prepare_v2(connection.db(), "PRAGMA user_version", -1, &statement,
                         nullptr) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW) {
    version = sqlite3_column_int(statement, 0);
  } else {
    *error = ErrorFromSqlite(connection.db(), 0);
  }
  sqlite3_finalize(statement);
  return version;
}

bool CheckFileFormat(Connection &connection, OraError *error) {
  const int version = FileFormatVersion(connection, error);
  if (version < 0) return false;
  if (version > kFileFormatVersion) {
    *error = OraError::Make(201, std::to_string(version) +
                                     " incompatible with ORACLE version " +
                                     std::to_string(kFileFormatVersion));
    return false;
  }
  return true;
}

bool StampFileFormat(Connection &connection, OraError *error) {
  return connection.ExecInternal(
      ("PRAGMA user_version = " + std::to_string(kFileFormatVersion)).c_str(),
      error);
}

bool UpgradeFileFormat(Connection &connection, OraError *error) {
  if (connection.readOnly()) return true;
  int version = FileFormatVersion(connection, error);
  if (version < 0) return false;
  if (version >= kFileFormatVersion) return true;
  if (!connection.BeginWrite(error)) return false;
  // Another session may have upgraded it while this one waited.
  version = FileFormatVersion(connection, error);
  bool ok = version >= 0;
  for (int v = version; ok && v < kFileFormatVersion; ++v) {
    ok = kSteps[v](connection, error);
  }
  if (ok && version < kFileFormatVersion) ok = StampFileFormat(connection, error);
  if (!ok) {
    OraError ignored;
    connection.Rollback(&ignored);
    return false;
  }
  return connection.Commit(error);
}

}  // namespace kestrel_engine
