/*
** Enabling and reading DBMS_OUTPUT through the client interface.
*/
#include "ServerOutput.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "RowPrinter.h"

namespace kestrel_sql {

namespace {

constexpr size_t kLineRoom = 32767 + 1;  // DBMS_OUTPUT's longest line

// A statement handle freed however the call ends.
class Statement {
 public:
  Statement(OCIEnv *environment, OCIError *error) : error_(error) {
    if (OCIHandleAlloc(environment, reinterpret_cast<dvoid **>(&handle_),
                       OCI_HTYPE_STMT, 0, nullptr) != OCI_SUCCESS)
      handle_ = nullptr;
  }
  ~Statement() {
    if (handle_ != nullptr) OCIHandleFree(handle_, OCI_HTYPE_STMT);
  }
  Statement(const Statement &) = delete;
  Statement &operator=(const Statement &) = delete;

  OCIStmt *get() const { return handle_; }

  // The status as a message: empty for success.
  std::string Failure(sword status) const {
    if (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO) return std::string();
    char text[512] = "client call failed";
    sb4 code = 0;
    if (status == OCI_ERROR)
      OCIErrorGet(error_, 1, nullptr, &code, reinterpret_cast<OraText *>(text),
                  sizeof text, OCI_HTYPE_ERROR);
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
      message.pop_back();
    return message;
  }

 private:
  OCIStmt *handle_ = nullptr;
  OCIError *error_;
};

std::string Prepare(Statement &statement, OCIError *error, const std::string &sql) {
  if (statement.get() == nullptr) return "cannot open a statement on the session";
  return statement.Failure(OCIStmtPrepare(statement.get(), error,
                                          reinterpret_cast<const OraText *>(sql.data()),
                                          static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX,
                                          OCI_DEFAULT));
}

}  // namespace

bool SwitchServerOutput(OCIEnv *environment, OCISvcCtx *service, OCIError *error,
                        bool on, long size, std::string *message) {
  const std::string sql =
      !on ? "BEGIN DBMS_OUTPUT.DISABLE; END;"
          : "BEGIN DBMS_OUTPUT.ENABLE(" + (size > 0 ? std::to_string(size) : "NULL") + "); END;";
  Statement statement(environment, error);
  *message = Prepare(statement, error, sql);
  if (message->empty())
    *message = statement.Failure(
        OCIStmtExecute(service, statement.get(), error, 1, 0, nullptr, nullptr, OCI_DEFAULT));
  return message->empty();
}

bool ReadServerOutput(OCIEnv *environment, OCISvcCtx *service, OCIError *error,
                      const std::function<void(const std::string &)> &line,
                      std::string *message) {
  Statement statement(environment, error);
  *message = Prepare(statement, error, "BEGIN DBMS_OUTPUT.GET_LINE(:line, :status); END;");
  if (!message->empty()) return false;
  std::vector<char> text(kLineRoom);
  sb2 textIndicator = 0;
  ub2 textLength = 0;
  int status = 0;
  sb2 statusIndicator = 0;
  OCIBind *textBind = nullptr;
  OCIBind *statusBind = nullptr;
  *message = statement.Failure(OCIBindByName(
      statement.get(), &textBind, error, reinterpret_cast<const OraText *>(":line"), 5,
      text.data(), static_cast<sb4>(text.size()), SQLT_STR, &textIndicator, &textLength,
      nullptr, 0, nullptr, OCI_DEFAULT));
  if (message->empty())
    *message = statement.Failure(OCIBindByName(
        statement.get(), &statusBind, error, reinterpret_cast<const OraText *>(":status"), 7,
        &status, sizeof status, SQLT_INT, &statusIndicator, nullptr, nullptr, 0, nullptr,
        OCI_DEFAULT));
  while (message->empty()) {
    text[0] = '\0';
    status = 1;
    *message = statement.Failure(
        OCIStmtExecute(service, statement.get(), error, 1, 0, nullptr, nullptr, OCI_DEFAULT));
    if (!message->empty() || status != 0) break;
    // A NULL line (PUT_LINE('') or NEW_LINE) is an empty line.
    line(textIndicator == -1 ? std::string()
                             : std::string(text.data(), strnlen(text.data(), text.size())));
  }
  return message->empty();
}

std::vector<std::string> WrapOutputLine(const std::string &line, size_t width,
                                        OutputWrap wrap) {
  if (width == 0 || DisplayWidth(line) <= width) return {line};
  // Byte offsets of each character, so that UTF-8 sequences stay whole.
  std::vector<size_t> starts;
  for (size_t i = 0; i < line.size(); ++i) {
    if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  starts.push_back(line.size());
  if (wrap == OutputWrap::kTruncated) return {line.substr(0, starts[width])};
  std::vector<std::string> lines;
  size_t first = 0;  // index into starts
  const size_t count = starts.size() - 1;
  while (first < count) {
    if (wrap == OutputWrap::kWordWrapped) {
      while (first < count && line[starts[first]] == ' ') ++first;  // no leading blanks
      if (first == count) break;
    }
    size_t last = std::min(count, first + width);
    if (wrap == OutputWrap::kWordWrapped && last < count && line[starts[last]] != ' ') {
      // Break after the last blank that fits, when there is one.
      size_t blank = last;
      while (blank > first && line[starts[blank - 1]] != ' ') --blank;
      if (blank > first) last = blank;
    }
    std::string piece = line.substr(starts[first], starts[last] - starts[first]);
    if (wrap == OutputWrap::kWordWrapped) {
      while (!piece.empty() && piece.back() == ' ') piece.pop_back();
    }
    lines.push_back(piece);
    first = last;
  }
  if (lines.empty()) lines.emplace_back();
  return lines;
}

}  // namespace kestrel_sql
