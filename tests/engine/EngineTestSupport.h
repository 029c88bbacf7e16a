// Helpers for the engine's tests: temporary databases, a logged-on session
// through the client interface, and statements run with text defines.
#ifndef KESTREL_TESTS_ENGINE_TEST_SUPPORT_H
#define KESTREL_TESTS_ENGINE_TEST_SUPPORT_H

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "oci.h"

namespace engine_test {

// A directory of its own under the system's temporary directory, removed
// with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  std::string File(const std::string &name) const;
  // A URI that creates the database file `name` on first attach.
  std::string CreateLink(const std::string &name,
                         const std::string &extra = "") const;

 private:
  std::filesystem::path path_;
};

using Cell = std::optional<std::string>;
using Rows = std::vector<std::vector<Cell>>;

// One environment with an attached server and a logged-on session, set up
// as the library does it.
class Session {
 public:
  Session(const std::string &link, const std::string &user = "scott",
          const std::string &password = "tiger");
  ~Session();
  Session(const Session &) = delete;
  Session &operator=(const Session &) = delete;

  bool ok() const { return attachStatus == OCI_SUCCESS && beginStatus == OCI_SUCCESS; }
  sword attachStatus = OCI_ERROR;
  sword beginStatus = OCI_ERROR;

  // Prepares and executes once (a query with 0 iterations).
  sword Run(const std::string &sql, OCIStmt *stmt = nullptr);
  // Runs a query and fetches every row as text (type 5 defines).
  Rows Query(const std::string &sql);
  sword Commit();
  sword Rollback();
  OCIStmt *NewStatement();
  void End();  // session end and detach, as the library disconnects
  // Frees the environment with the session still open, as a process that
  // never ends its session leaves it.
  void Abandon();

  // The error record of the session's error handle.
  int ErrorCode() const;
  std::string ErrorText() const;

  OCIEnv *env = nullptr;
  OCIError *err = nullptr;
  OCIServer *server = nullptr;
  OCISvcCtx *svc = nullptr;
  OCISession *session = nullptr;
  OCITrans *trans = nullptr;

 private:
  std::vector<OCIStmt *> statements_;
  bool ended_ = false;
};

// The statements of a SQL*Plus script such as Oracle's sample scripts:
// each to its ';' at the end of a line outside a literal, comments and
// the client's commands (SET, PROMPT, REM, ...) skipped; a block (BEGIN,
// DECLARE) or a PL/SQL unit (CREATE OR REPLACE PROCEDURE / TRIGGER) runs
// whole, up to its '/' line.
std::vector<std::string> ScriptStatements(const std::filesystem::path &file);

}  // namespace engine_test

#endif
