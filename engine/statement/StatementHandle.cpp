/*
** A statement's life outside execution: preparing text, defines and
** parameter descriptors (both owned by the statement), and forgetting a
** closed connection or a freed child.
*/
#include "statement/StatementHandle.h"

#include <string>

#include "handles/Environment.h"
#include "handles/Registry.h"
#include "sql/ast/StatementType.h"

namespace kestrel_engine {

StatementHandle::StatementHandle(Environment *environment, Handle *parent)
    : Handle(OCI_HTYPE_STMT, environment, parent) {}

StatementHandle::~StatementHandle() {
  sqlite3_finalize(statement_);
  for (sqlite3_stmt *step : following_) sqlite3_finalize(step);
}

void StatementHandle::ResetExecution() {
  sqlite3_finalize(statement_);
  statement_ = nullptr;
  for (sqlite3_stmt *step : following_) sqlite3_finalize(step);
  following_.clear();
  bindOrderValid_ = false;
  connection_ = nullptr;
  visibleColumns_ = 0;
  rowidColumn_ = -1;
  rowidTable_.clear();
  executed_ = false;
  isQuery_ = false;
  rowPending_ = false;
  exhausted_ = true;
  rowCount_ = 0;
  columns_.clear();
  slotsDirty_ = true;
}

bool StatementHandle::Prepare(std::string_view text, OraError *error) {
  ResetExecution();
  if (text.find('\0') != std::string_view::npos) {
    prepared_ = false;
    text_.clear();
    tokens_.clear();
    sqlTokens_.clear();
    ForgetBinds();
    *error = OraError::Make(911, "NUL byte in the statement text");
    return false;
  }
  text_.assign(text.data(), text.size());
  tokens_ = Tokenize(text_);
  kind_ = Classify(tokens_);
  // The type the client sees comes from the tree where the text parses.
  kind_.type = sql::StatementTypeOf(text_, kind_);
  translation_ = Translate(text_, tokens_, kind_);
  sqlTokens_ = Tokenize(translation_.sql);
  prepared_ = true;
  quotedNames_.clear();
  for (const Token &t : tokens_) {
    if (t.kind == TokenKind::kQuotedIdentifier) quotedNames_.push_back(t.Name());
  }
  // Defines belong to the text they were made for; the handles stay with
  // the statement so a caller holding one can define it again.
  for (DefineHandle *d : byPosition_) {
    if (d) d->position = 0;
  }
  byPosition_.clear();
  ForgetBinds();
  return true;
}

sword StatementHandle::Define(ErrorHandle *error, OCIDefine **define,
                              ub4 position, void *value, sb4 size, ub2 type,
                              void *indicator, ub2 *returnLength,
                              ub2 *returnCode) {
  if (define == nullptr) return Report(error, OraError::Make(21560, "defnp"));
  if (position == 0) return Report(error, OraError::Make(1007));
  switch (type) {
    case SQLT_CHR: case SQLT_STR: case SQLT_VNU: case SQLT_NUM:
    case SQLT_INT: case SQLT_FLT: case SQLT_BLOB: case SQLT_CLOB: case SQLT_DAT:
    case SQLT_ODT: case SQLT_TIMESTAMP:
      break;
    default:
      return Report(error, OraError::Make(932, "external type " +
                                                   std::to_string(type)));
  }
  if (value == nullptr || size < 0) {
    return Report(error, OraError::Make(21560, "valuep"));
  }
  DefineHandle *d = nullptr;
  if (*define != nullptr) {
    Handle *h = Registry::Instance().Find(*define, OCI_HTYPE_DEFINE);
    if (h == nullptr || h->parent() != this) return OCI_INVALID_HANDLE;
    d = static_cast<DefineHandle *>(h);
  } else if (position <= byPosition_.size() && byPosition_[position - 1]) {
    d = byPosition_[position - 1];
  } else {
    d = environment()->Create<DefineHandle>(this);
  }
  if (d->position != 0 && d->position != position) {
    byPosition_[d->position - 1] = nullptr;
  }
  if (byPosition_.size() < position) byPosition_.resize(position, nullptr);
  byPosition_[position - 1] = d;
  d->position = position;
  d->target.value = value;
  d->target.size = size;
  d->target.type = type;
  d->target.indicator = static_cast<sb2 *>(indicator);
  d->target.returnLength = returnLength;
  d->target.returnCode = returnCode;
  *define = reinterpret_cast<OCIDefine *>(d);
  slotsDirty_ = true;
  return OCI_SUCCESS;
}

sword StatementHandle::ParamGet(ErrorHandle *error, ub4 position,
                                ParamHandle **param) {
  if (position < 1 || position > columnCount()) {
    return Report(error, OraError::Make(24334));
  }
  if (params_.size() < position) params_.resize(position, nullptr);
  ParamHandle *&p = params_[position - 1];
  if (p == nullptr) p = environment()->Create<ParamHandle>(this);
  p->column = columns_[position - 1];
  *param = p;
  return OCI_SUCCESS;
}

void StatementHandle::Forget(const Handle *gone) {
  if (gone->parent() != this) return;
  for (ParamHandle *&p : params_) {
    if (p == gone) p = nullptr;
  }
  for (DefineHandle *&d : byPosition_) {
    if (d == gone) d = nullptr;
  }
  ForgetBind(gone);
  slotsDirty_ = true;
}

void StatementHandle::ForgetConnection(const Connection *gone) {
  if (gone == connection_) ResetExecution();
}

}  // namespace kestrel_engine
