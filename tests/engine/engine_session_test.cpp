// Attaching to databases, accounts and logons, through the client
// interface on temporary database files.
#include <sys/mount.h>
#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;

TEST(EngineAttach, LinksThatNameNoDatabaseGive12154) {
  TempDir dir;
  std::ofstream(dir.File("notes.txt")) << "this is not a database file at all, "
                                          "just text long enough to have a header";
  const std::string links[] = {
      dir.File("missing.db"),                  // plain paths never create
      dir.File("notes.txt"),                   // exists, but no database
      dir.File(""),                            // a directory
      "",                                      // nothing
      "file:",                                 // would be a temporary database
      "file:?mode=rwc",
      "file:" + dir.File("missing.db") + "?mode=rw",
  };
  for (const std::string &link : links) {
    Session s(link);
    EXPECT_EQ(s.attachStatus, OCI_ERROR) << link;
    EXPECT_EQ(s.ErrorCode(), 12154) << link;
    EXPECT_EQ(s.ErrorText().rfind("ORA-12154: ", 0), 0u) << s.ErrorText();
  }
}

TEST(EngineAttach, UriCreatesThenPlainPathOpensInWalMode) {
  TempDir dir;
  { Session create(dir.CreateLink("a.db")); ASSERT_TRUE(create.ok()) << create.ErrorText(); }
  Session again(dir.File("a.db"));
  ASSERT_TRUE(again.ok()) << again.ErrorText();

  sqlite3 *raw = nullptr;
  ASSERT_EQ(sqlite3_open(dir.File("a.db").c_str(), &raw), SQLITE_OK);
  sqlite3_stmt *stmt = nullptr;
  sqlite3_prepare_v2(raw, "PRAGMA journal_mode", -1, &stmt, nullptr);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)), "wal");
  sqlite3_finalize(stmt);
  sqlite3_close(raw);
}

TEST(EngineAttach, SecondAttachOnOneServerIsRefused) {
  TempDir dir;
  Session s(dir.CreateLink("a.db"));
  ASSERT_TRUE(s.ok());
  const std::string link = dir.File("a.db");
  EXPECT_EQ(OCIServerAttach(s.server, s.err, reinterpret_cast<const OraText *>(link.c_str()),
                            -1, OCI_DEFAULT),
            OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 24309);
}

TEST(EngineAccounts, FirstLogonClaimsLaterLogonsMustMatch) {
  TempDir dir;
  { Session owner(dir.CreateLink("a.db"), "Scott", "Tiger"); ASSERT_TRUE(owner.ok()); }
  struct Case {
    const char *user;
    const char *password;
    int error;  // 0: logs on
  } cases[] = {
      {"scott", "Tiger", 0},      // names compare case-insensitively
      {"SCOTT", "Tiger", 0},
      {"scott", "tiger", 1017},   // passwords exactly
      {"scott", "Tiger ", 1017},
      {"adams", "Tiger", 1017},   // the database is claimed
      {"", "Tiger", 1017},
      {"scott", "", 1005},
  };
  for (const Case &c : cases) {
    Session s(dir.File("a.db"), c.user, c.password);
    ASSERT_EQ(s.attachStatus, OCI_SUCCESS);
    EXPECT_EQ(s.beginStatus, c.error ? OCI_ERROR : OCI_SUCCESS) << c.user << "/" << c.password;
    EXPECT_EQ(s.ErrorCode(), c.error) << c.user << "/" << c.password;
  }
}

TEST(EngineAccounts, PasswordsAreStoredOnlyAsSlowHashes) {
  TempDir dir;
  { Session owner(dir.CreateLink("a.db"), "scott", "tiger"); ASSERT_TRUE(owner.ok()); }
  sqlite3 *raw = nullptr;
  ASSERT_EQ(sqlite3_open(dir.File("a.db").c_str(), &raw), SQLITE_OK);
  sqlite3_stmt *stmt = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT name, hash FROM \"kestrel$users\"", -1, &stmt,
                               nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)), "SCOTT");
  const std::string hash = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1));
  EXPECT_EQ(hash.rfind("$argon2id$", 0), 0u) << hash;
  EXPECT_EQ(hash.find("tiger"), std::string::npos);
  sqlite3_finalize(stmt);
  sqlite3_close(raw);
}

TEST(EngineAccounts, CreateAlterDropUser) {
  TempDir dir;
  Session owner(dir.CreateLink("a.db"), "scott", "tiger");
  ASSERT_TRUE(owner.ok());
  struct Step {
    const char *sql;
    int error;
  } steps[] = {
      {"CREATE USER adams IDENTIFIED BY \"Secret1\"", 0},
      {"GRANT CREATE SESSION TO adams", 0},
      {"create user ADAMS identified by other", 1920},
      {"ALTER USER adams IDENTIFIED BY newpass", 0},
      {"ALTER USER nobody IDENTIFIED BY x", 1918},
      {"DROP USER nobody", 1918},
      {"DROP USER scott", 1940},  // the session's own account
      {"CREATE USER", 900},
      {"CREATE USER x IDENTIFIED y", 922},
  };
  for (const Step &step : steps) {
    EXPECT_EQ(owner.Run(step.sql), step.error ? OCI_ERROR : OCI_SUCCESS) << step.sql;
    EXPECT_EQ(owner.ErrorCode(), step.error) << step.sql << ": " << owner.ErrorText();
  }
  { Session old(dir.File("a.db"), "adams", "Secret1"); EXPECT_EQ(old.ErrorCode(), 1017); }
  { Session renewed(dir.File("a.db"), "Adams", "newpass"); EXPECT_TRUE(renewed.ok()); }
  EXPECT_EQ(owner.Run("DROP USER adams CASCADE"), OCI_SUCCESS) << owner.ErrorText();
  { Session gone(dir.File("a.db"), "adams", "newpass"); EXPECT_EQ(gone.ErrorCode(), 1017); }
}

// Administrators manage accounts; a plain user may only change its own
// password, proving it knows the old one.
TEST(EngineAccounts, OnlyAdministratorsManageOtherAccounts) {
  TempDir dir;
  Session owner(dir.CreateLink("a.db"), "scott", "tiger");
  ASSERT_TRUE(owner.ok());
  ASSERT_EQ(owner.Run("CREATE USER adams IDENTIFIED BY pw1"), OCI_SUCCESS);
  ASSERT_EQ(owner.Run("GRANT CREATE SESSION TO adams"), OCI_SUCCESS);
  Session plain(dir.File("a.db"), "adams", "pw1");
  ASSERT_TRUE(plain.ok()) << plain.ErrorText();
  const struct {
    Session *by;
    const char *sql;
    int error;
  } steps[] = {
      {&plain, "CREATE USER blake IDENTIFIED BY x", 1031},
      {&plain, "ALTER USER scott IDENTIFIED BY mine", 1031},
      {&plain, "DROP USER scott", 1031},
      {&plain, "ALTER USER adams IDENTIFIED BY pw2", 28221},
      {&plain, "ALTER USER adams IDENTIFIED BY pw2 REPLACE wrong", 28008},
      {&plain, "ALTER USER adams IDENTIFIED BY pw2 REPLACE pw1", 0},
      {&owner, "ALTER USER adams IDENTIFIED BY pw3", 0},
      {&owner, "ALTER USER scott IDENTIFIED BY tiger2 REPLACE nope", 28008},
      {&owner, "DROP USER scott", 1940},
  };
  for (const auto &step : steps) {
    EXPECT_EQ(step.by->Run(step.sql), step.error ? OCI_ERROR : OCI_SUCCESS) << step.sql;
    EXPECT_EQ(step.by->ErrorCode(), step.error) << step.sql << ": " << step.by->ErrorText();
  }
  { Session renewed(dir.File("a.db"), "adams", "pw3"); EXPECT_TRUE(renewed.ok()); }
  { Session owner2(dir.File("a.db"), "scott", "tiger"); EXPECT_TRUE(owner2.ok()); }
}

TEST(EngineAccounts, AccountTableIsHiddenFromUserSql) {
  TempDir dir;
  Session s(dir.CreateLink("a.db"));
  ASSERT_TRUE(s.ok());
  for (const char *sql : {"SELECT * FROM \"kestrel$users\"",
                          "DELETE FROM \"KESTREL$USERS\"",
                          "DROP TABLE \"kestrel$users\""}) {
    EXPECT_EQ(s.Run(sql), OCI_ERROR) << sql;
    EXPECT_EQ(s.ErrorCode(), 942) << sql;
  }
}

TEST(EngineAccounts, SessionEndThenStatementsAreRefused) {
  TempDir dir;
  Session s(dir.CreateLink("a.db"));
  ASSERT_TRUE(s.ok());
  EXPECT_EQ(OCISessionEnd(s.svc, s.err, s.session, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(s.Run("SELECT 1"), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1012);
  EXPECT_EQ(s.Commit(), OCI_ERROR);
  EXPECT_EQ(OCISessionEnd(s.svc, s.err, s.session, OCI_DEFAULT), OCI_ERROR);
}

}  // namespace

namespace {

// A one-row answer of raw SQL on the file, as text.
std::string RawValue(const std::string &path, const char *sql) {
  sqlite3 *raw = nullptr;
  std::string value = "<error>";
  if (sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(raw, sql, -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
      const unsigned char *text = sqlite3_column_text(stmt, 0);
      value = text ? reinterpret_cast<const char *>(text) : "NULL";
    } else if (stmt == nullptr || sqlite3_errcode(raw) == SQLITE_DONE) {
      value = "";
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close(raw);
  return value;
}

void RawExec(const std::string &path, const char *sql) {
  sqlite3 *raw = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(raw, sql, nullptr, nullptr, nullptr), SQLITE_OK)
      << sql << ": " << sqlite3_errmsg(raw);
  sqlite3_close(raw);
}

std::string Bytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

// A failed logon changes nothing in the file, not even its journal mode,
// but the failed-logon count of an account given a wrong password.
TEST(EngineFiles, AFailedLogonWritesNothing) {
  TempDir dir;
  { Session owner(dir.CreateLink("a.db")); ASSERT_TRUE(owner.ok()); }
  RawExec(dir.File("a.db"), "PRAGMA journal_mode=DELETE");
  const std::string before = Bytes(dir.File("a.db"));
  {
    Session unknown(dir.File("a.db"), "nobody", "wrong");
    EXPECT_EQ(unknown.ErrorCode(), 1017);
  }
  EXPECT_EQ(Bytes(dir.File("a.db")), before);
  {
    Session wrong(dir.File("a.db"), "scott", "wrong");
    EXPECT_EQ(wrong.ErrorCode(), 1017);
  }
  EXPECT_EQ(RawValue(dir.File("a.db"), "SELECT failed FROM \"kestrel$users\""), "1");
  EXPECT_EQ(RawValue(dir.File("a.db"), "PRAGMA journal_mode"), "delete");
}

// A database that has objects but no accounts is claimed only on request.
TEST(EngineFiles, AForeignDatabaseIsClaimedOnlyWhenTheLinkSaysSo) {
  TempDir dir;
  const std::string path = dir.File("f.db");
  RawExec(path, "CREATE TABLE theirs (a INTEGER); INSERT INTO theirs VALUES (7)");
  {
    Session s(path);
    EXPECT_EQ(s.ErrorCode(), 1017) << s.ErrorText();
  }
  EXPECT_EQ(RawValue(path, "SELECT count(*) FROM sqlite_master"), "1");
  Session claimed("file:" + path + "?claim=1");
  ASSERT_TRUE(claimed.ok()) << claimed.ErrorText();
  EXPECT_EQ(claimed.Query("SELECT a FROM theirs"), (Rows{{std::string("7")}}));
}

// The file records its format; an older one is upgraded at the first
// read-write logon, never on a read-only one; a newer one is refused.
TEST(EngineFiles, TheFileFormatIsVersionedAndUpgradedOnce) {
  TempDir dir;
  const std::string path = dir.File("a.db");
  { Session owner(dir.CreateLink("a.db")); ASSERT_TRUE(owner.ok()); }
  EXPECT_EQ(RawValue(path, "PRAGMA user_version"), "15");
  EXPECT_EQ(RawValue(path, "SELECT admin FROM \"kestrel$users\""), "1");
  // The first release's form: accounts without the administrator column.
  RawExec(path,
          "PRAGMA user_version=0; CREATE TABLE old AS SELECT name, hash FROM "
          "\"kestrel$users\"; DROP TABLE \"kestrel$users\"; CREATE TABLE "
          "\"kestrel$users\" (name TEXT PRIMARY KEY, hash TEXT NOT NULL); "
          "INSERT INTO \"kestrel$users\" SELECT * FROM old; DROP TABLE old; "
          "DROP TABLE \"kestrel$objects\"; DROP TABLE \"kestrel$sequences\"; "
          "DROP TABLE \"kestrel$comments\"; DROP TABLE \"kestrel$source\"; "
          "DROP TABLE \"kestrel$synonyms\"; "
          "ALTER TABLE \"kestrel$arguments\" DROP COLUMN overload; "
          "CREATE TABLE t (a INTEGER)");
  {
    Session reader("file:" + path + "?mode=ro");
    ASSERT_TRUE(reader.ok()) << reader.ErrorText();
  }
  EXPECT_EQ(RawValue(path, "PRAGMA user_version"), "0");
  {
    Session owner(path);
    ASSERT_TRUE(owner.ok()) << owner.ErrorText();
    // Every account of the old file is an administrator.
    EXPECT_EQ(owner.Run("CREATE USER adams IDENTIFIED BY pw"), OCI_SUCCESS)
        << owner.ErrorText();
  }
  EXPECT_EQ(RawValue(path, "PRAGMA user_version"), "15");
  EXPECT_EQ(RawValue(path, "SELECT count(*) FROM \"kestrel$source\""), "0");
  EXPECT_EQ(RawValue(path, "SELECT count(*) FROM \"kestrel$synonyms\""), "0");
  EXPECT_EQ(RawValue(path, "SELECT count(*) FROM \"kestrel$errors\""), "0");
  EXPECT_EQ(RawValue(path, "SELECT count(*) FROM \"kestrel$grant_changes\""), "1");
  EXPECT_EQ(RawValue(path, "SELECT profile FROM \"kestrel$users\" WHERE name = 'SCOTT'"),
            "DEFAULT");
  EXPECT_EQ(RawValue(path, "SELECT count(*) FROM pragma_table_info('kestrel$arguments') WHERE "
                           "name = 'overload'"),
            "1");
  // The catalog came with the upgrade, the old objects owned by the first
  // administrator.
  EXPECT_EQ(RawValue(path, "SELECT owner FROM \"kestrel$objects\" WHERE name = 't'"), "SCOTT");
  RawExec(path, "PRAGMA user_version=99");
  Session newer(path);
  EXPECT_EQ(newer.ErrorCode(), 201) << newer.ErrorText();
}

// Another program holding the file exclusively makes a logon wait, then
// fail as a lock does: ORA-00054, not "cannot resolve".
TEST(EngineFiles, AnExclusiveHolderGivesALockErrorNotAMissingDatabase) {
  TempDir dir;
  const std::string path = dir.File("a.db");
  { Session owner(dir.CreateLink("a.db")); ASSERT_TRUE(owner.ok()); }
  sqlite3 *holder = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder,
                         "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                         "CREATE TABLE held (a INTEGER)",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  {
    Session waiter("file:" + path + "?busy_timeout=100");
    EXPECT_EQ(waiter.ErrorCode(), 54) << waiter.ErrorText();
  }
  sqlite3_close(holder);
}

// A database on read-only media opens for reading: SQLite cannot make the
// WAL index there, so the engine reads the file as it stands.
TEST(EngineFiles, ADatabaseOnReadOnlyMediaOpensForReading) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("media"));
  std::filesystem::create_directory(dir.File("ro"));
  {
    Session owner(dir.CreateLink("media/a.db"));
    ASSERT_TRUE(owner.ok());
    ASSERT_EQ(owner.Run("CREATE TABLE t (a NUMBER)"), OCI_SUCCESS);
    ASSERT_EQ(owner.Run("INSERT INTO t VALUES (5)"), OCI_SUCCESS);
    ASSERT_EQ(owner.Commit(), OCI_SUCCESS);
  }
  const std::string ro = dir.File("ro");
  if (geteuid() != 0 || mount(dir.File("media").c_str(), ro.c_str(), nullptr, MS_BIND, nullptr) != 0) {
    GTEST_SKIP() << "a read-only bind mount needs root";
  }
  struct Unmount {
    std::string at;
    ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
  } unmount{ro};
  if (mount(nullptr, ro.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
    GTEST_SKIP() << "cannot remount read-only here";
  }
  for (const std::string &link : {"file:" + ro + "/a.db?mode=ro", ro + "/a.db"}) {
    Session reader(link);
    ASSERT_TRUE(reader.ok()) << link << ": " << reader.ErrorText();
    EXPECT_EQ(reader.Query("SELECT a FROM t"), (Rows{{std::string("5")}})) << link;
    EXPECT_EQ(reader.Run("INSERT INTO t VALUES (6)"), OCI_ERROR) << link;
    EXPECT_EQ(reader.ErrorCode(), 16000) << link << ": " << reader.ErrorText();
  }
}
