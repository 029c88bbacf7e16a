/*
** A query run through the client interface with every column fetched as
** the database's own text: numbers exactly as the database writes them,
** dates and timestamps in the session's format, CLOBs as text, BLOB and
** RAW values as hex. Statements other than queries are left to the
** library, which commits them.
*/
#ifndef KESTREL_SQL_TEXT_QUERY_H
#define KESTREL_SQL_TEXT_QUERY_H

#include <memory>
#include <string>
#include <vector>

#include "ResultSet.h"
#include "RowPrinter.h"
#include "oci.h"

namespace kestrel_sql {

// A select-list column as the describe gives it (for DESCRIBE).
struct ColumnDescription {
  std::string name;
  int type = 0;
  int size = 0;
  int precision = 0;
  int scale = 0;
  bool nullable = true;
};

// The column's type as DESCRIBE shows it: VARCHAR2(30), NUMBER(8,2), DATE.
std::string TypeName(const ColumnDescription &column);

class TextQuery {
 public:
  // `longLimit` bounds the characters shown of a CLOB, and of a BLOB's or
  // RAW's hex (SET LONG); a longer value ends in "..." and its length.
  TextQuery(OCIEnv *environment, OCISvcCtx *service, OCIError *error,
            size_t longLimit);
  ~TextQuery();
  TextQuery(const TextQuery &) = delete;
  TextQuery &operator=(const TextQuery &) = delete;

  enum class Kind { kQuery, kOther, kError };
  // Prepares the text and tells a query from other statements.
  Kind Prepare(const std::string &sql);
  // Executes a prepared statement other than a query and commits it;
  // `info` gets the code of a success with information (24344: stored
  // code created with compilation errors), else 0.
  bool ExecuteOther(int *info);
  // Executes the prepared query and describes its columns.
  bool Execute(std::vector<ResultColumn> *columns);
  // The next row; false after the last row or on an error (then
  // ErrorCode() is not 0).
  bool Fetch(std::vector<Cell> *row);

  // The columns Execute described.
  const std::vector<ColumnDescription> &Described() const { return described_; }

  int ErrorCode() const { return errorCode_; }
  const std::string &ErrorText() const { return errorText_; }

 private:
  struct Column;

  bool Check(sword status);
  std::string LobText(Column &column);

  OCIEnv *environment_;
  OCISvcCtx *service_;
  OCIError *error_;
  size_t longLimit_;
  OCIStmt *statement_ = nullptr;
  std::vector<std::unique_ptr<Column>> columns_;
  std::vector<ColumnDescription> described_;
  int errorCode_ = 0;
  std::string errorText_;
};

// Bytes as upper-case hex, at most `limit` digits, then "..." and the
// length in bytes when cut.
std::string HexText(const unsigned char *data, size_t size, size_t total,
                    size_t limit);

}  // namespace kestrel_sql

#endif
