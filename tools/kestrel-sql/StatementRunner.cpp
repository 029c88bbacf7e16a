/*
** Running statements through COCIRecordset. A query is told from other
** statements by its select list: OpenRecordset describes a query and
** leaves any other statement executed and committed. A statement counts
** as done only when OpenRecordset neither threw, nor answered FALSE, nor
** left an error in the record (a failed commit), so that no feedback line
** ever reports a change that was not kept.
*/
#include "StatementRunner.h"

#include <chrono>
#include <memory>

#include "COCIException.h"
#include "COCIRecordset.h"
#include "Feedback.h"
#include "NumberFormat.h"
#include "RowPrinter.h"
#include "TextQuery.h"
#include "ValueText.h"
#include "oci.h"

namespace kestrel_sql {

namespace {

// Clears the error record, so that a later failure can be told from the
// end of the rows (MoveNext answers FALSE for both).
void ClearErrorRecord() { COCIException::checkErr(nullptr, OCI_SUCCESS); }

RunResult Failure() {
  RunResult r;
  r.ok = false;
  const int code = COCIException::errCode();
  r.code = code > 1 ? code : 0;
  r.message = ErrorRecordText();
  return r;
}

std::string Elapsed(std::chrono::steady_clock::duration d) {
  const long long cs =
      std::chrono::duration_cast<std::chrono::milliseconds>(d).count() / 10;
  char text[48];
  snprintf(text, sizeof text, "Elapsed: %02lld:%02lld:%02lld.%02lld",
           cs / 360000, cs / 6000 % 60, cs / 100 % 60, cs % 100);
  return text;
}

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

bool ErrorRecorded() {
  const int code = COCIException::errCode();
  if (code == OCI_SUCCESS || code == OCI_SUCCESS_WITH_INFO) return false;
  if (code == OCI_NO_DATA)
    return std::string(COCIException::errMsg()).compare(0, 4, "ORA-") == 0;
  return true;
}

StatementRunner::StatementRunner(ClientConnection *connection,
                                 const Settings &settings, std::ostream &out)
    : connection_(connection), settings_(settings), out_(out) {}

RunResult StatementRunner::Run(const std::string &sql) {
  const auto started = std::chrono::steady_clock::now();
  {
    TextQuery query(connection_->Environment(), connection_->ServiceContext(),
                    connection_->ErrorHandle(),
                    static_cast<size_t>(settings_.longChars));
    const TextQuery::Kind kind = query.Prepare(sql);
    CodeUnit unit;
    if (kind == TextQuery::Kind::kOther && FindCodeUnit(sql, &unit)) {
      // Stored code is run here, where a compilation warning can be heard.
      RunResult result = Code(query, unit);
      if (settings_.timing && settings_.format != OutputFormat::kCsv)
        out_ << Elapsed(std::chrono::steady_clock::now() - started) << "\n";
      out_.flush();
      return result;
    }
    if (kind != TextQuery::Kind::kOther) {
      RunResult result;
      if (kind == TextQuery::Kind::kQuery) {
        result = TextRows(query);
      } else {
        result.ok = false;
        result.code = query.ErrorCode() > 0 ? query.ErrorCode() : 0;
        result.message = query.ErrorText();
      }
      if (settings_.timing && settings_.format != OutputFormat::kCsv)
        out_ << Elapsed(std::chrono::steady_clock::now() - started) << "\n";
      out_.flush();
      return result;
    }
  }
  COCIRecordset recordset;
  ClearErrorRecord();
  if (!recordset.InitRecordset(connection_)) {
    RunResult r;
    r.ok = false;
    r.message = "cannot open a statement on the session";  // nothing recorded
    return r;
  }
  RunResult result;
  try {
    const BOOL opened = recordset.OpenRecordset(sql.c_str());
    if (!opened || ErrorRecorded()) {
      result = Failure();
    } else {
      const long columns = recordset.GetFieldCount();
      if (columns > 0) {
        result = Query(recordset, columns);
      } else {
        const bool feedback = settings_.format != OutputFormat::kCsv && settings_.feedback > 0;
        if (serverOutput_ && IsBlock(sql)) {
          result.outputShown = true;
          if (serverOutput_() && feedback) out_ << "\n";
        }
        if (feedback) out_ << StatementFeedback(sql, recordset.GetRSCount()) << "\n\n";
      }
    }
  } catch (const COCIException &) {
    result = Failure();
  }
  recordset.CloseRecordset();
  if (settings_.timing && settings_.format != OutputFormat::kCsv)
    out_ << Elapsed(std::chrono::steady_clock::now() - started) << "\n";
  out_.flush();
  return result;
}

RunResult StatementRunner::Code(TextQuery &query, const CodeUnit &unit) {
  RunResult result;
  result.unit = unit;
  int info = 0;
  const bool ran = query.ExecuteOther(&info);
  // A client may answer compilation errors as a failure with ORA-24344;
  // the unit was stored all the same, as a success with information says.
  if (!ran && query.ErrorCode() != 24344) {
    result.ok = false;
    result.code = query.ErrorCode() > 0 ? query.ErrorCode() : 0;
    result.message = query.ErrorText();
    return result;
  }
  result.compiled = true;
  if (settings_.format == OutputFormat::kCsv) return result;
  if (!ran || info == 24344)  // shown whatever FEEDBACK says, as SQL*Plus does
    out_ << CompilationWarning(unit) << "\n\n";
  else if (settings_.feedback > 0)
    out_ << StatementFeedback(unit.verb + " " + unit.type, 0) << "\n\n";
  return result;
}

RunResult StatementRunner::TextRows(TextQuery &query) {
  auto failure = [&query] {
    RunResult r;
    r.ok = false;
    r.code = query.ErrorCode() > 0 ? query.ErrorCode() : 0;
    r.message = query.ErrorText();
    return r;
  };
  std::vector<ResultColumn> header;
  if (!query.Execute(&header)) return failure();
  return Rows(header, [&query](std::vector<Cell> *row) { return query.Fetch(row); },
              [&query, &failure] {
                return query.ErrorCode() != 0 ? failure() : RunResult();
              });
}

RunResult StatementRunner::Query(COCIRecordset &recordset, long columns) {
  std::vector<ResultColumn> header;
  std::vector<int> types;
  for (long position = 1; position <= columns; ++position) {
    const int type = recordset.GetFieldType(position);
    types.push_back(type);
    header.push_back(
        {recordset.GetFieldName(position).GetString(), IsNumericType(type)});
  }
  ClearErrorRecord();
  return Rows(
      header,
      [&](std::vector<Cell> *row) {
        if (!recordset.MoveNext()) return false;
        row->resize(static_cast<size_t>(columns));
        for (long index = 0; index < columns; ++index) {
          COleVariant value;  // stays VT_EMPTY where the library hands out nothing
          Cell &cell = (*row)[static_cast<size_t>(index)];
          if (recordset.GetFieldValue(index, value))
            cell = CellText(value, types[static_cast<size_t>(index)]);
          else
            cell.reset();  // NULL
        }
        return true;
      },
      [] { return ErrorRecorded() ? Failure() : RunResult(); });
}

RunResult StatementRunner::Rows(
    const std::vector<ResultColumn> &header,
    const std::function<bool(std::vector<Cell> *)> &next,
    const std::function<RunResult()> &failure) {
  // COLUMN settings: headings, widths, hidden columns, NEW_VALUE.
  std::vector<ResultColumn> shown;
  std::vector<size_t> visible;
  std::vector<std::string> numberFormats(header.size());
  std::vector<bool> fitted(header.size());
  std::vector<std::pair<size_t, std::string>> captured;  // column, variable
  for (size_t i = 0; i < header.size(); ++i) {
    ResultColumn column = header[i];
    const auto format = settings_.columns.find(Upper(column.name));
    if (format != settings_.columns.end()) {
      if (!format->second.newValue.empty()) captured.emplace_back(i, format->second.newValue);
      if (format->second.hidden) continue;
      if (!format->second.heading.empty()) column.name = format->second.heading;
      numberFormats[i] = format->second.numberFormat;
      column.width = format->second.width;
    }
    // A number without a COLUMN format fills SET NUMWIDTH in a table.
    if (column.numeric && numberFormats[i].empty() && column.width == 0 &&
        settings_.format == OutputFormat::kTable) {
      column.minWidth = static_cast<size_t>(settings_.numWidth);
      fitted[i] = true;
    }
    visible.push_back(i);
    shown.push_back(column);
  }
  std::unique_ptr<RowPrinter> printer =
      MakeRowPrinter(settings_.format, settings_.layout, shown, out_);
  size_t rows = 0;
  std::vector<Cell> row, cells;
  std::vector<std::pair<std::string, std::string>> newValues;
  bool stopped = false;
  while (next(&row)) {
    cells.clear();
    for (const size_t i : visible) {
      cells.push_back(i < row.size() ? row[i] : Cell());
      if (cells.back() && !numberFormats[i].empty())
        cells.back() = FormatNumber(*cells.back(), numberFormats[i]);
      else if (cells.back() && fitted[i])
        cells.back() = FitNumber(*cells.back(), static_cast<size_t>(settings_.numWidth));
    }
    if (!shown.empty()) printer->Row(cells);  // every column NOPRINT: nothing
    if (!captured.empty()) {
      newValues.clear();
      for (const auto &c : captured) {
        const Cell &cell = c.first < row.size() ? row[c.first] : Cell();
        newValues.emplace_back(c.second, cell ? *cell : std::string());
      }
    }
    ++rows;
    if (interrupted_ && interrupted_()) {
      stopped = true;
      break;
    }
  }
  printer->Finish();
  if (!stopped) {
    const RunResult failed = failure();
    if (!failed.ok) return failed;
  } else {
    RunResult r;
    r.ok = false;
    r.code = 1013;
    r.message = "ORA-01013: user requested cancel of current operation";
    return r;
  }
  if (settings_.format != OutputFormat::kCsv) {
    if (rows == 0) {
      if (settings_.feedback > 0) out_ << SelectedFeedback(0) << "\n\n";
    } else {
      if (!shown.empty()) out_ << '\n';
      if (settings_.feedback > 0 && rows >= static_cast<size_t>(settings_.feedback))
        out_ << SelectedFeedback(rows) << "\n\n";
    }
  }
  RunResult done;
  done.newValues = std::move(newValues);
  return done;
}

}  // namespace kestrel_sql
