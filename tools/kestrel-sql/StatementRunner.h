/*
** Runs one statement on a connection and prints what came of it: a
** query's rows as they are fetched (table, vertical or CSV), read as the
** database's text through the client interface; another statement's
** feedback, run through the library's classes, which commit it. Errors are returned,
** not printed: the caller knows where the statement came from.
*/
#ifndef KESTREL_SQL_STATEMENT_RUNNER_H
#define KESTREL_SQL_STATEMENT_RUNNER_H

#include <functional>
#include <ostream>
#include <string>

#include "ClientConnection.h"
#include "COCIRecordset.h"
#include "Feedback.h"
#include "Settings.h"

namespace kestrel_sql {

struct RunResult {
  bool ok = true;
  int code = 0;         // the ORA- number of a failure, else 0
  std::string message;  // the failure's one-line text
  // COLUMN ... NEW_VALUE: variable and value from the query's last row.
  std::vector<std::pair<std::string, std::string>> newValues;
  bool outputShown = false;  // the server output was printed already
  // A CREATE or ALTER of stored code, for SHOW ERRORS; compiled is false
  // when the statement did not run.
  CodeUnit unit;
  bool compiled = false;
};

class StatementRunner {
 public:
  // The connection must stay connected while the runner is used.
  StatementRunner(ClientConnection *connection, const Settings &settings,
                  std::ostream &out);

  // Asked between fetched rows; true stops the fetch (Ctrl-C).
  void SetInterruptCheck(std::function<bool()> check) { interrupted_ = std::move(check); }

  // Prints the session's DBMS_OUTPUT lines (SET SERVEROUTPUT ON) and
  // answers whether there were any. A block's lines come before its
  // feedback line, as SQL*Plus prints them; other statements' after.
  void SetServerOutput(std::function<bool()> show) { serverOutput_ = std::move(show); }

  RunResult Run(const std::string &sql);


 private:
  RunResult TextRows(class TextQuery &query);
  RunResult Code(class TextQuery &query, const CodeUnit &unit);
  RunResult Query(COCIRecordset &recordset, long columns);
  RunResult Rows(const std::vector<ResultColumn> &header,
                 const std::function<bool(std::vector<Cell> *)> &next,
                 const std::function<RunResult()> &failure);

  ClientConnection *connection_;
  const Settings &settings_;
  std::ostream &out_;
  std::function<bool()> interrupted_;
  std::function<bool()> serverOutput_;
};

// The error record's message as one line: "ORA-NNNNN: text" when the
// record holds a database error, else the status's name and code.
std::string ErrorRecordText();

// True when the error record holds a failure: a database error or a
// status worse than success, OCI_SUCCESS_WITH_INFO and OCI_NO_DATA.
bool ErrorRecorded();

}  // namespace kestrel_sql

#endif
