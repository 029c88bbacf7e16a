// Test helpers: temporary directories and sessions over the client
// interface.
#include "EngineTestSupport.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <cctype>
#include <fstream>

#include <gtest/gtest.h>

namespace engine_test {

TempDir::TempDir() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "kestrel-engine-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string &name) const {
  return (path_ / name).string();
}

std::string TempDir::CreateLink(const std::string &name,
                                const std::string &extra) const {
  return "file:" + File(name) + "?mode=rwc" + (extra.empty() ? "" : "&" + extra);
}

Session::Session(const std::string &link, const std::string &user,
                 const std::string &password) {
  OCIInitialize(OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr);
  OCIEnvInit(&env, OCI_DEFAULT, 0, nullptr);
  OCIHandleAlloc(env, reinterpret_cast<dvoid **>(&err), OCI_HTYPE_ERROR, 0, nullptr);
  OCIHandleAlloc(env, reinterpret_cast<dvoid **>(&server), OCI_HTYPE_SERVER, 0, nullptr);
  attachStatus = OCIServerAttach(server, err,
                                 reinterpret_cast<const OraText *>(link.c_str()),
                                 static_cast<sb4>(link.size()), OCI_DEFAULT);
  if (attachStatus != OCI_SUCCESS) return;
  OCIHandleAlloc(env, reinterpret_cast<dvoid **>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
  OCIAttrSet(svc, OCI_HTYPE_SVCCTX, server, 0, OCI_ATTR_SERVER, err);
  OCIHandleAlloc(env, reinterpret_cast<dvoid **>(&session), OCI_HTYPE_SESSION, 0, nullptr);
  OCIAttrSet(session, OCI_HTYPE_SESSION, const_cast<char *>(user.data()),
             static_cast<ub4>(user.size()), OCI_ATTR_USERNAME, err);
  OCIAttrSet(session, OCI_HTYPE_SESSION, const_cast<char *>(password.data()),
             static_cast<ub4>(password.size()), OCI_ATTR_PASSWORD, err);
  beginStatus = OCISessionBegin(svc, err, session, OCI_CRED_RDBMS, OCI_DEFAULT);
  if (beginStatus != OCI_SUCCESS) return;
  OCIAttrSet(svc, OCI_HTYPE_SVCCTX, session, 0, OCI_ATTR_SESSION, err);
  OCIHandleAlloc(env, reinterpret_cast<dvoid **>(&trans), OCI_HTYPE_TRANS, 0, nullptr);
  OCIAttrSet(svc, OCI_HTYPE_SVCCTX, trans, 0, OCI_ATTR_TRANS, err);
}

void Session::End() {
  if (ended_) return;
  ended_ = true;
  if (beginStatus == OCI_SUCCESS) OCISessionEnd(svc, err, session, OCI_DEFAULT);
  if (attachStatus == OCI_SUCCESS) OCIServerDetach(server, err, OCI_DEFAULT);
}

void Session::Abandon() {
  ended_ = true;
  EXPECT_EQ(OCIHandleFree(env, OCI_HTYPE_ENV), OCI_SUCCESS);
  env = nullptr;
}

Session::~Session() {
  End();
  if (env) {
    EXPECT_EQ(OCIHandleFree(env, OCI_HTYPE_ENV), OCI_SUCCESS);
  }
}

OCIStmt *Session::NewStatement() {
  OCIStmt *stmt = nullptr;
  EXPECT_EQ(OCIHandleAlloc(env, reinterpret_cast<dvoid **>(&stmt), OCI_HTYPE_STMT, 0, nullptr),
            OCI_SUCCESS);
  return stmt;
}

sword Session::Run(const std::string &sql, OCIStmt *stmt) {
  if (stmt == nullptr) {
    if (statements_.empty()) statements_.push_back(NewStatement());
    stmt = statements_.front();
  }
  sword rc = OCIStmtPrepare(stmt, err, reinterpret_cast<const OraText *>(sql.data()),
                            static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT);
  if (rc != OCI_SUCCESS) return rc;
  ub2 type = 0;
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, err);
  return OCIStmtExecute(svc, stmt, err, type == OCI_STMT_SELECT ? 0 : 1, 0, nullptr,
                        nullptr, OCI_DEFAULT);
}

Rows Session::Query(const std::string &sql) {
  OCIStmt *stmt = NewStatement();
  Rows rows;
  const sword rc = Run(sql, stmt);
  EXPECT_EQ(rc, OCI_SUCCESS) << sql << ": " << ErrorText();
  ub4 count = 0;
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err);
  std::vector<std::vector<char>> buffers(count, std::vector<char>(4001));
  std::vector<sb2> indicators(count);
  for (ub4 i = 0; i < count; ++i) {
    OCIDefine *define = nullptr;
    OCIDefineByPos(stmt, &define, err, i + 1, buffers[i].data(), 4001, SQLT_STR,
                   &indicators[i], nullptr, nullptr, OCI_DEFAULT);
  }
  while (rc == OCI_SUCCESS) {
    const sword f = OCIStmtFetch(stmt, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
    if (f == OCI_NO_DATA) break;
    EXPECT_TRUE(f == OCI_SUCCESS || f == OCI_SUCCESS_WITH_INFO) << ErrorText();
    if (f != OCI_SUCCESS && f != OCI_SUCCESS_WITH_INFO) break;
    std::vector<Cell> row;
    for (ub4 i = 0; i < count; ++i) {
      row.push_back(indicators[i] == -1 ? Cell() : Cell(buffers[i].data()));
    }
    rows.push_back(row);
  }
  OCIHandleFree(stmt, OCI_HTYPE_STMT);
  return rows;
}

sword Session::Commit() { return OCITransCommit(svc, err, OCI_DEFAULT); }
sword Session::Rollback() { return OCITransRollback(svc, err, OCI_DEFAULT); }

int Session::ErrorCode() const {
  sb4 code = 0;
  if (OCIErrorGet(err, 1, nullptr, &code, nullptr, 0, OCI_HTYPE_ERROR) != OCI_SUCCESS) return 0;
  return code;
}

std::string Session::ErrorText() const {
  OraText buffer[512] = {0};
  sb4 code = 0;
  if (OCIErrorGet(err, 1, nullptr, &code, buffer, sizeof buffer, OCI_HTYPE_ERROR) !=
      OCI_SUCCESS) {
    return "";
  }
  return reinterpret_cast<char *>(buffer);
}

std::vector<std::string> ScriptStatements(const std::filesystem::path &file) {
  static const char *const kClient[] = {"SET", "PROMPT", "REM", "REMARK", "DEFINE", "SPOOL",
                                        "WHENEVER", "EXIT", "CONNECT", "SHOW", "PAUSE", "@"};
  std::ifstream in(file);
  std::vector<std::string> out;
  std::string line, current;
  int quotes = 0;
  bool block = false;
  while (std::getline(in, line)) {
    const size_t b = line.find_first_not_of(" \t\r");
    const std::string t = b == std::string::npos ? "" : line.substr(b);
    std::string upper = t;
    for (char &c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (block) {
      if (t.rfind("/", 0) == 0 && t.find_first_not_of("/ \t\r") == std::string::npos) {
        out.push_back(current);
        current.clear();
        block = false;
      } else {
        current += line + "\n";
      }
      continue;
    }
    if (current.empty() && (upper.rfind("BEGIN", 0) == 0 || upper.rfind("DECLARE", 0) == 0 ||
                            upper.rfind("CREATE OR REPLACE PROCEDURE", 0) == 0 ||
                            upper.rfind("CREATE OR REPLACE TRIGGER", 0) == 0)) {
      block = true;
      current = line + "\n";
      continue;
    }
    if (current.empty() && t == "/") continue;
    if (current.empty()) {
      bool client = t.empty() || t.rfind("--", 0) == 0;
      for (const char *w : kClient) {
        const size_t n = std::string(w).size();
        client = client || (upper.rfind(w, 0) == 0 &&
                            (upper.size() == n || !std::isalnum(static_cast<unsigned char>(upper[n]))));
      }
      if (client) continue;
    }
    current += line + "\n";
    const std::string code = line.substr(0, line.find("--"));
    quotes += static_cast<int>(std::count(code.begin(), code.end(), '\''));
    const size_t e = line.find_last_not_of(" \t\r");
    if (quotes % 2 == 0 && e != std::string::npos && line[e] == ';') {
      out.push_back(current.substr(0, current.rfind(';')));
      current.clear();
      quotes = 0;
    }
  }
  return out;
}

}  // namespace engine_test
