// A temporary database for tests of the library's classes: a fresh file in
// a temporary folder, claimed by its first logon.
#ifndef KESTREL_TESTS_SESSION_FIXTURE_H
#define KESTREL_TESTS_SESSION_FIXTURE_H

#include <stdlib.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "COCIConnection.h"
#include "COCIException.h"
#include "COCIRecordset.h"
#include "kestrel_engine_fault.h"
#include "oleauto.h"

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kestrel-lib-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/test.db";
    ASSERT_TRUE(Open(connection_)) << COCIException::errMsg();
  }

  void TearDown() override {
    kestrel_fault_clear();
    connection_.DisConnect();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  // The link that creates the database file on first use.
  std::string Link() const { return "file:" + path_ + "?mode=rwc"; }

  BOOL Open(COCIConnection &c, const char *user = "scott",
            const char *password = "tiger") {
    return c.Connect(Link().c_str(), user, password);
  }

  // Runs a statement other than a query on its own recordset.
  void Exec(const char *sql, COCIConnection *c = nullptr) {
    COCIRecordset rs;
    ASSERT_TRUE(rs.InitRecordset(c != nullptr ? c : &connection_));
    try {
      rs.OpenRecordset(sql);
    } catch (const COCIException &) {
      ADD_FAILURE() << sql << ": " << COCIException::errMsg();
    }
    rs.CloseRecordset();
  }

  // The first column of the first row as text, through a second session.
  std::string Scalar(const char *sql, COCIConnection *c = nullptr) {
    COCIRecordset rs;
    std::string text;
    if (!rs.InitRecordset(c != nullptr ? c : &connection_)) return "<init>";
    try {
      rs.OpenRecordset(sql);
      if (rs.MoveNext()) {
        COleVariant v;
        if (rs.GetFieldValue(0, v)) {
          text = TextOf(v);
        } else {
          text = "<null>";
        }
      } else {
        text = "<no row>";
      }
    } catch (const COCIException &) {
      text = COCIException::errMsg();
    }
    rs.CloseRecordset();
    return text;
  }

  // A value as text: single-byte text as its bytes, anything else through
  // OLE's conversion.
  static std::string TextOf(const COleVariant &value) {
    if (value.vt == VT_BSTR && AfxIsAnsiBstr(value.bstrVal))
      return std::string(reinterpret_cast<const char *>(value.bstrVal),
                         SysStringByteLen(value.bstrVal));
    COleVariant copy(value);
    copy.ChangeType(VT_BSTR);
    return CString(copy.bstrVal).GetString();
  }

  std::string dir_;
  std::string path_;
  COCIConnection connection_;
};

#endif
