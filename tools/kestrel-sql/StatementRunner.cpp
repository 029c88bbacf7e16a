/*
** Running statements through COCIRecordset. A query is told from other
** statements by its select list: OpenRecordset describes a query and
** leaves any other statement executed and committed.
*/
#include "StatementRunner.h"

#include "COCIException.h"
#include "COCIRecordset.h"
#include "CsvOutput.h"
#include "Feedback.h"
#include "TableOutput.h"
#include "ValueText.h"
#include "oci.h"

namespace kestrel_sql {

namespace {

// Clears the error record, so that a later failure can be told from the
// end of the rows (MoveNext answers FALSE for both).
void ClearErrorRecord() { COCIException::checkErr(nullptr, OCI_SUCCESS); }

}  // namespace

std::string ErrorRecordText() {
  std::string message = COCIException::errMsg();
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  for (char &c : message) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  const int code = COCIException::errCode();
  if (message.compare(0, 4, "ORA-") == 0) return message;
  if (code > 0) {
    char number[16];
    snprintf(number, sizeof number, "ORA-%05d", code);
    return message.empty() ? std::string(number) : number + (": " + message);
  }
  return "client status " + std::to_string(code) +
         (message.empty() ? std::string() : " (" + message + ")");
}

StatementRunner::StatementRunner(COCIConnection *connection,
                                 OutputFormat format, std::ostream &out,
                                 std::ostream &err)
    : connection_(connection), format_(format), out_(out), err_(err) {}

bool StatementRunner::Run(const Statement &statement) {
  COCIRecordset recordset;
  ClearErrorRecord();
  if (!recordset.InitRecordset(connection_)) {
    // InitRecordset records nothing of its own.
    ReportError(statement, "cannot open a statement on the session");
    return false;
  }
  bool ok = true;
  try {
    recordset.OpenRecordset(statement.text.c_str());
    const long columns = recordset.GetFieldCount();
    if (columns > 0) {
      ok = Query(recordset, columns);
    } else if (format_ == OutputFormat::kTable) {
      out_ << StatementFeedback(statement.text, recordset.GetRSCount())
           << "\n\n";
    }
  } catch (const COCIException &) {
    ok = false;
  }
  if (!ok) ReportError(statement, ErrorRecordText());
  recordset.CloseRecordset();
  out_.flush();
  return ok;
}

bool StatementRunner::Query(COCIRecordset &recordset, long columns) {
  ResultSet result;
  std::vector<int> types;
  for (long position = 1; position <= columns; ++position) {
    const int type = recordset.GetFieldType(position);
    types.push_back(type);
    result.columns.push_back(
        {recordset.GetFieldName(position).GetString(), IsNumericType(type)});
  }
  ClearErrorRecord();
  while (recordset.MoveNext()) {
    std::vector<std::string> row;
    for (long index = 0; index < columns; ++index) {
      COleVariant value;  // stays VT_EMPTY where the library hands out nothing
      if (recordset.GetFieldValue(index, value))
        row.push_back(CellText(value, types[static_cast<size_t>(index)]));
      else
        row.emplace_back();  // NULL
    }
    result.rows.push_back(std::move(row));
  }
  if (COCIException::errCode() != OCI_SUCCESS) return false;

  if (format_ == OutputFormat::kCsv) {
    WriteCsv(out_, result);
  } else if (result.rows.empty()) {
    out_ << SelectedFeedback(0) << "\n\n";
  } else {
    WriteTable(out_, result);
    out_ << '\n' << SelectedFeedback(result.rows.size()) << "\n\n";
  }
  return true;
}

void StatementRunner::ReportError(const Statement &statement,
                                  const std::string &message) {
  if (!source_.empty())
    err_ << source_ << ':' << statement.firstLine << ": ";
  err_ << message << std::endl;
}

}  // namespace kestrel_sql
