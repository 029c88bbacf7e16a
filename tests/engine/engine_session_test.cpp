// Attaching to databases, accounts and logons, through the client
// interface on temporary database files.
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
