/*
** Queries fetched as text through the client interface.
*/
#include "TextQuery.h"

#include <string.h>

#include "ValueText.h"

namespace kestrel_sql {

struct TextQuery::Column {
  ub2 type = 0;
  std::vector<char> buffer;
  OCILobLocator *locator = nullptr;
  OCIDefine *define = nullptr;
  sb2 indicator = 0;
  ub2 length = 0;
  ub2 code = 0;
};

std::string HexText(const unsigned char *data, size_t size, size_t total,
                    size_t limit) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = 0; i < size && text.size() + 2 <= limit; ++i) {
    text += kHex[data[i] >> 4];
    text += kHex[data[i] & 0xF];
  }
  if (text.size() < total * 2)
    text += "... (" + std::to_string(total) + " bytes)";
  return text;
}

std::string TypeName(const ColumnDescription &c) {
  const std::string size = "(" + std::to_string(c.size) + ")";
  switch (c.type) {
    case SQLT_CHR: return "VARCHAR2" + size;
    case SQLT_AFC: return "CHAR" + size;
    case SQLT_BIN: return "RAW" + size;
    case SQLT_DAT: return "DATE";
    case SQLT_TIMESTAMP: return "TIMESTAMP(" + std::to_string(c.scale) + ")";
    case SQLT_BLOB: return "BLOB";
    case SQLT_CLOB: return "CLOB";
    case SQLT_INT: return "PLS_INTEGER";
    case SQLT_FLT:
    case SQLT_IBDOUBLE: return "BINARY_DOUBLE";
    case SQLT_NUM:
      if (c.scale == -127) return c.precision == 0 ? "NUMBER" : "FLOAT(" + std::to_string(c.precision) + ")";
      if (c.precision == 0) return "NUMBER";
      if (c.scale == 0) return "NUMBER(" + std::to_string(c.precision) + ")";
      return "NUMBER(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
    default: return "TYPE " + std::to_string(c.type);
  }
}

TextQuery::TextQuery(OCIEnv *environment, OCISvcCtx *service, OCIError *error,
                     size_t longLimit)
    : environment_(environment), service_(service), error_(error),
      longLimit_(longLimit) {}

TextQuery::~TextQuery() {
  for (const auto &column : columns_) {
    if (column->locator != nullptr) OCIDescriptorFree(column->locator, OCI_DTYPE_LOB);
  }
  if (statement_ != nullptr) OCIHandleFree(statement_, OCI_HTYPE_STMT);
}

bool TextQuery::Check(sword status) {
  if (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO) return true;
  sb4 code = 0;
  char message[512] = {0};
  if (status == OCI_ERROR) {
    OCIErrorGet(error_, 1, nullptr, &code, reinterpret_cast<OraText *>(message),
                sizeof message, OCI_HTYPE_ERROR);
  } else {
    snprintf(message, sizeof message, "client status %d", static_cast<int>(status));
    code = -1;
  }
  errorCode_ = code == 0 ? -1 : code;
  errorText_ = message;
  while (!errorText_.empty() && (errorText_.back() == '\n' || errorText_.back() == ' '))
    errorText_.pop_back();
  for (char &c : errorText_) {
    if (c == '\n') c = ' ';
  }
  return false;
}

TextQuery::Kind TextQuery::Prepare(const std::string &sql) {
  if (!Check(OCIHandleAlloc(environment_, reinterpret_cast<dvoid **>(&statement_),
                            OCI_HTYPE_STMT, 0, nullptr)))
    return Kind::kError;
  if (!Check(OCIStmtPrepare(statement_, error_,
                            reinterpret_cast<const OraText *>(sql.data()),
                            static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT)))
    return Kind::kError;
  ub2 type = 0;
  if (!Check(OCIAttrGet(statement_, OCI_HTYPE_STMT, &type, nullptr,
                        OCI_ATTR_STMT_TYPE, error_)))
    return Kind::kError;
  return type == OCI_STMT_SELECT ? Kind::kQuery : Kind::kOther;
}

bool TextQuery::ExecuteOther(int *info) {
  *info = 0;
  const sword status =
      OCIStmtExecute(service_, statement_, error_, 1, 0, nullptr, nullptr, OCI_DEFAULT);
  if (status == OCI_SUCCESS_WITH_INFO) {
    sb4 code = 0;
    char text[512] = {0};
    OCIErrorGet(error_, 1, nullptr, &code, reinterpret_cast<OraText *>(text), sizeof text,
                OCI_HTYPE_ERROR);
    *info = code;
  }
  if (!Check(status)) {
    OCITransRollback(service_, error_, OCI_DEFAULT);
    return false;
  }
  return Check(OCITransCommit(service_, error_, OCI_DEFAULT));
}

bool TextQuery::Execute(std::vector<ResultColumn> *columns) {
  if (!Check(OCIStmtExecute(service_, statement_, error_, 0, 0, nullptr, nullptr,
                            OCI_DEFAULT)))
    return false;
  ub4 count = 0;
  if (!Check(OCIAttrGet(statement_, OCI_HTYPE_STMT, &count, nullptr,
                        OCI_ATTR_PARAM_COUNT, error_)))
    return false;
  for (ub4 position = 1; position <= count; ++position) {
    dvoid *param = nullptr;
    if (!Check(OCIParamGet(statement_, OCI_HTYPE_STMT, error_, &param, position)))
      return false;
    auto column = std::make_unique<Column>();
    ub2 size = 0;
    OraText *name = nullptr;
    ub4 nameLength = 0;
    if (!Check(OCIAttrGet(param, OCI_DTYPE_PARAM, &column->type, nullptr,
                          OCI_ATTR_DATA_TYPE, error_)) ||
        !Check(OCIAttrGet(param, OCI_DTYPE_PARAM, &size, nullptr,
                          OCI_ATTR_DATA_SIZE, error_)) ||
        !Check(OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &nameLength,
                          OCI_ATTR_NAME, error_)))
      return false;
    columns->push_back({std::string(reinterpret_cast<const char *>(name), nameLength),
                        IsNumericType(column->type)});
    ColumnDescription described;
    described.name = columns->back().name;
    described.type = column->type;
    described.size = size;
    sb2 precision = 0;
    sb1 scale = 0;
    ub1 isNull = 1;
    // Not every client answers these for every column; the defaults stand.
    OCIAttrGet(param, OCI_DTYPE_PARAM, &precision, nullptr, OCI_ATTR_PRECISION, error_);
    OCIAttrGet(param, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, error_);
    OCIAttrGet(param, OCI_DTYPE_PARAM, &isNull, nullptr, OCI_ATTR_IS_NULL, error_);
    described.precision = precision;
    described.scale = scale;
    described.nullable = isNull != 0;
    described_.push_back(described);
    sword status;
    if (column->type == SQLT_BLOB) {
      if (!Check(OCIDescriptorAlloc(environment_, reinterpret_cast<dvoid **>(&column->locator),
                                    OCI_DTYPE_LOB, 0, nullptr)))
        return false;
      status = OCIDefineByPos(statement_, &column->define, error_, position,
                              &column->locator, sizeof column->locator, SQLT_BLOB,
                              &column->indicator, &column->length, &column->code,
                              OCI_DEFAULT);
    } else {
      // Room for the longest text the column can hold, or for a number's
      // or a date's text form; values cut short are marked on fetch.
      const size_t room = column->type == SQLT_CHR || column->type == SQLT_AFC
                              ? std::max<size_t>(size, 1) * 4 + 1
                          : column->type == SQLT_BIN ? std::max<size_t>(size, 1) * 2 + 1
                          : column->type == SQLT_CLOB ? 32768
                                                      : 4001;
      column->buffer.resize(std::min<size_t>(room, 32768));
      status = OCIDefineByPos(statement_, &column->define, error_, position,
                              column->buffer.data(), static_cast<sb4>(column->buffer.size()),
                              SQLT_STR, &column->indicator, &column->length,
                              &column->code, OCI_DEFAULT);
    }
    if (!Check(status)) return false;
    columns_.push_back(std::move(column));
  }
  return true;
}

std::string TextQuery::LobText(Column &column) {
  ub4 total = 0;
  if (!Check(OCILobGetLength(service_, error_, column.locator, &total))) return std::string();
  const size_t wanted = (longLimit_ + 1) / 2;
  std::vector<unsigned char> data(std::min<size_t>(total, wanted) + 1);
  ub4 amount = static_cast<ub4>(data.size() - 1);
  if (amount > 0 &&
      !Check(OCILobRead(service_, error_, column.locator, &amount, 1, data.data(),
                        static_cast<ub4>(data.size() - 1), nullptr, nullptr, 0, 0)))
    return std::string();
  return HexText(data.data(), amount, total, longLimit_);
}

bool TextQuery::Fetch(std::vector<Cell> *row) {
  const sword status = OCIStmtFetch(statement_, error_, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
  if (status == OCI_NO_DATA) return false;
  if (!Check(status)) return false;
  row->resize(columns_.size());
  for (size_t i = 0; i < columns_.size(); ++i) {
    Column &column = *columns_[i];
    Cell &cell = (*row)[i];
    if (column.indicator == -1) {
      cell.reset();
    } else if (column.locator != nullptr) {
      cell = LobText(column);
      if (errorCode_ != 0) return false;
    } else {
      cell = std::string(column.buffer.data(), strnlen(column.buffer.data(), column.buffer.size()));
      if (column.type == SQLT_CLOB && cell->size() > longLimit_) {
        // SET LONG bounds what is shown of a CLOB, as in SQL*Plus.
        const size_t length = column.indicator > 0 ? static_cast<size_t>(column.indicator)
                                                   : cell->size();
        cell->resize(longLimit_);
        *cell += "... (" + std::to_string(length) + " characters)";
      } else if (column.indicator > 0 || column.code == 1406) {
        *cell += "...";  // longer than the column's declared size allows
      }
    }
  }
  return true;
}

}  // namespace kestrel_sql
