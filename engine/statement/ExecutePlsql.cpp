/*
** Running an anonymous block: the new front end parses it and the PL/SQL
** interpreter runs it, reading and writing the statement's binds. A
** block the parser refuses that is only a list of plain statements (DDL
** among them) still runs the way it did before, statement by statement.
*/
#include "statement/StatementHandle.h"

#include "plsql/Plsql.h"
#include "plsql/StoredCode.h"
#include "plsql/Triggers.h"
#include "session/Accounts.h"
#include "session/Connection.h"
#include "sql/Block.h"
#include "sql/parse/Parse.h"
#include "statement/Placeholders.h"

namespace kestrel_engine {

// The statement's binds as the interpreter sees them: values read through
// SQLite's own conversion of the bound bytes, written back with the
// define conversions.
class BlockBinds : public plsql::HostBinds {
 public:
  BlockBinds(StatementHandle &statement, sqlite3 *db) : statement_(statement), db_(db) {}
  ~BlockBinds() override { sqlite3_finalize(echo_); }
  BlockBinds(const BlockBinds &) = delete;
  BlockBinds &operator=(const BlockBinds &) = delete;

  bool Read(std::string_view key, plsql::Value *out, OraError *error) override {
    const BindHandle *b = Find(key);
    if (b == nullptr) return Missing(key, error);
    if (!Echo(error)) return false;
    if (const int rc = BindValue(echo_, 1, b->source, 0)) {
      *error = OraError::Make(rc, "bind " + std::string(key));
      return false;
    }
    sqlite3_step(echo_);
    *out = plsql::FromColumn(echo_, 0);
    sqlite3_reset(echo_);
    return true;
  }

  bool Write(std::string_view key, const plsql::Value &value, OraError *error) override {
    const BindHandle *b = Find(key);
    if (b == nullptr) return Missing(key, error);
    if (!Echo(error)) return false;
    plsql::BindTo(echo_, 1, value);
    sqlite3_step(echo_);
    ColumnTraits traits{};
    traits.dataType = value.IsNumber() ? SQLT_NUM : SQLT_CHR;
    traits.dataSize = 4000;
    OutputTarget target{};
    target.value = const_cast<void *>(b->source.value);
    target.size = b->source.size;
    target.type = b->source.type;
    target.indicator = const_cast<sb2 *>(b->source.indicator);
    target.returnLength = const_cast<ub2 *>(b->source.length);
    const int rc = StoreValue(sqlite3_column_value(echo_, 0), traits, target);
    sqlite3_reset(echo_);
    if (rc != kStored) {
      *error = OraError::Make(rc == kTruncated ? 6502 : rc,
                              rc == kTruncated ? ": character string buffer too small" : "");
      return false;
    }
    return true;
  }

 private:
  const BindHandle *Find(std::string_view key) const {
    const std::string wanted = PlaceholderKey(key);
    for (const BindHandle *b : statement_.binds_) {
      if (!b->key.empty() && b->key == wanted) return b;
    }
    return nullptr;
  }
  static bool Missing(std::string_view key, OraError *error) {
    *error = OraError::Make(1008, key);
    return false;
  }
  bool Echo(OraError *error) {
    if (echo_ != nullptr) return true;
    if (sqlite3_prepare_v2(db_, "SELECT ?", -1, &echo_, nullptr) == SQLITE_OK) return true;
    *error = OraError::Make(600, "bind echo");
    return false;
  }

  StatementHandle &statement_;
  sqlite3 *db_;
  sqlite3_stmt *echo_ = nullptr;
};

namespace {

// A unit kept with compilation errors: OCI_SUCCESS_WITH_INFO and ORA-24344
// in the error handle, as Oracle's client sees it.
sword CompilationWarning(ErrorHandle *error, const OraError &warning) {
  if (!warning.failed()) return OCI_SUCCESS;
  if (error != nullptr) error->Set(warning);
  return OCI_SUCCESS_WITH_INFO;
}

}  // namespace

sword StatementHandle::ExecutePlsql(ExecutionContext &context, ErrorHandle *error,
                                    const std::string &schema) {
  const std::string owner = schema.empty() ? CanonicalUserName(context.user) : schema;
  sql::Arena arena;
  const sql::Statement *tree = nullptr;
  try {
    tree = sql::Parse(text_, arena);
  } catch (const sql::SyntaxError &e) {
    // BEGIN CREATE TABLE ...; END; and the like: plain statements the
    // block path ran before PL/SQL was interpreted.
    std::vector<std::string_view> pieces;
    OraError ignored;
    if (kind_.action == Action::kBlock && SplitBlock(text_, tokens_, &pieces, &ignored)) {
      return ExecuteBlock(context, error);
    }
    // A stored unit that does not parse is kept, INVALID, with its error.
    OraError warning;
    plsql::RunContext run{context.connection, nullptr, {}};
    if (kind_.action == Action::kStoredCode && kind_.type == OCI_STMT_CREATE &&
        plsql::StoreUnparsedUnit(run, e, text_, owner, &warning)) {
      executed_ = true;
      return CompilationWarning(error, warning);
    }
    if (warning.failed()) {
      executed_ = false;
      return Report(error, warning);
    }
    executed_ = false;
    return Report(error, OraError::Verbatim(e.code(), e.message()));
  }
  executed_ = true;
  isQuery_ = false;
  rowCount_ = 0;
  columns_.clear();
  BlockBinds binds(*this, context.connection.db());
  plsql::RunContext run{context.connection, &binds,
                        [this, &context](std::string_view text, uint32_t *changes, OraError *failure) {
                          ub4 n = 0;
                          const bool ok = RunPiece(context, text, &n, failure);
                          *changes = n;
                          return ok;
                        }};
  uint32_t rows = 0;
  OraError failure;
  if (plsql::IsTriggerStatement(*tree)) {
    return plsql::RunTriggerStatement(context.connection, *tree, text_,
                                      CanonicalUserName(context.user), &failure)
               ? OCI_SUCCESS
               : Report(error, failure);
  }
  if (tree->kind != sql::StmtKind::kPlBlock) {
    return plsql::RunStoredCodeStatement(run, *tree, text_, owner, &failure)
               ? CompilationWarning(error, failure)
               : Report(error, failure);
  }
  if (!plsql::RunAnonymousBlock(run, static_cast<const sql::PlBlockStmt &>(*tree), text_, &rows,
                                &failure)) {
    return Report(error, failure);
  }
  rowCount_ = rows;
  return OCI_SUCCESS;
}

}  // namespace kestrel_engine
