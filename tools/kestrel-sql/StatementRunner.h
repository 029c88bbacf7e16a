/*
** Runs one statement on a connection through the library's classes and
** prints what came of it: a query's rows as a table or CSV, another
** statement's feedback, or the error record's message.
*/
#ifndef KESTREL_SQL_STATEMENT_RUNNER_H
#define KESTREL_SQL_STATEMENT_RUNNER_H

#include <ostream>
#include <string>

#include "COCIConnection.h"
#include "COCIRecordset.h"
#include "ResultSet.h"
#include "StatementSplitter.h"

namespace kestrel_sql {

enum class OutputFormat { kTable, kCsv };

class StatementRunner {
 public:
  // The connection must stay connected while the runner is used.
  StatementRunner(COCIConnection *connection, OutputFormat format,
                  std::ostream &out, std::ostream &err);

  // Where errors say they come from: "FILE" makes them read
  // "FILE:LINE: ORA-...", empty leaves the message alone.
  void SetSourceName(const std::string &name) { source_ = name; }

  // True when the statement ran; on failure the error is printed.
  bool Run(const Statement &statement);

 private:
  bool Query(COCIRecordset &recordset, long columns);
  void ReportError(const Statement &statement, const std::string &message);

  COCIConnection *connection_;
  OutputFormat format_;
  std::ostream &out_;
  std::ostream &err_;
  std::string source_;
};

// The error record's message as one line: "ORA-NNNNN: text" when the
// record holds a database error, else the status's name and code.
std::string ErrorRecordText();

}  // namespace kestrel_sql

#endif
