/*
** A statement handle: the SQL text and its kind from OCIStmtPrepare, the
** SQLite statement it runs as (prepared at execution, on the connection of
** the service context given there, and kept for the next execution), the
** description of its select list, its defines and its cursor position.
*/
#ifndef KESTREL_ENGINE_STATEMENTHANDLE_H
#define KESTREL_ENGINE_STATEMENTHANDLE_H

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

#include "errors/ErrorHandle.h"
#include "handles/Handle.h"
#include "sql/Lexer.h"
#include "sql/StatementKind.h"
#include "sql/Translate.h"
#include "statement/BindHandle.h"
#include "statement/ColumnDescription.h"
#include "statement/DefineHandle.h"
#include "statement/FrontEnd.h"
#include "statement/ParamHandle.h"
#include "types/ValueConvert.h"

namespace kestrel_engine {

class Connection;

// Who runs a statement: the open database and the logged-on user.
struct ExecutionContext {
  Connection &connection;
  std::string user;
  // OCI_COMMIT_ON_SUCCESS: the call commits when the statement succeeds.
  bool commitOnSuccess = false;
};

class StatementHandle : public Handle {
 public:
  StatementHandle(Environment *environment, Handle *parent);
  ~StatementHandle() override;

  // Keeps exactly `text` and classifies it; forgets any earlier execution.
  // Text with a NUL byte is refused whole (911) and leaves the statement
  // unprepared: running the part before the NUL would run another
  // statement than the one sent.
  bool Prepare(std::string_view text, OraError *error);
  bool prepared() const { return prepared_; }
  ub2 type() const { return kind_.type; }
  ub4 rowCount() const { return rowCount_; }
  // Where the latest syntax or name error was found, in bytes from the
  // start of the text (0 when none).
  ub2 errorOffset() const { return static_cast<ub2>(errorOffset_ > 0xFFFF ? 0xFFFF : errorOffset_); }
  // Select-list items of the latest execution (0 before, and for others).
  ub4 columnCount() const {
    return isQuery_ ? static_cast<ub4>(columns_.size()) : 0;
  }

  // As OCIStmtExecute: a query with 0 iterations executes and describes;
  // with n >= 1 it executes from the start and fetches n rows; any other
  // statement runs once per iteration.
  sword Execute(ExecutionContext &context, ErrorHandle *error, ub4 iterations);
  // As OCIStmtFetch: the next `rows` rows into the defines.
  sword Fetch(ErrorHandle *error, ub4 rows, ub2 orientation);
  // As OCIDefineByPos. `*define` is reused when set (it must be one of this
  // statement's), else the position's earlier define, else a new one.
  sword Define(ErrorHandle *error, OCIDefine **define, ub4 position,
               void *value, sb4 size, ub2 type, void *indicator,
               ub2 *returnLength, ub2 *returnCode);
  // As OCIBindByName when `name` is given, else OCIBindByPos. `*bind` is
  // reused when set (it must be one of this statement's), else the
  // placeholder's earlier bind, else a new one. A placeholder the
  // statement does not have is 1036.
  sword Bind(ErrorHandle *error, OCIBind **bind, ub4 position,
             const std::string *name, const BindSource &source);
  // As OCIParamGet: the position's descriptor, 24334 outside 1..n.
  sword ParamGet(ErrorHandle *error, ub4 position, ParamHandle **param);

  void Forget(const Handle *gone) override;
  void ForgetConnection(const Connection *gone) override;

 private:
  struct Slot {  // one defined column, ready for the fetch loop
    int column;
    ColumnTraits traits;
    DefineHandle *define;
    bool locator;
    StoreFunction store;  // for the define's type (unused for a locator)
  };

  void ResetExecution();
  bool EnsurePrepared(Connection &connection, OraError *error);
  void AddRowIdentity();
  void Describe(bool haveRow);
  sword ExecuteQuery(ErrorHandle *error, ub4 iterations);
  sword ExecuteOther(ExecutionContext &context, ErrorHandle *error,
                     ub4 iterations);
  void RecordSchemaChange(ExecutionContext &context);
  bool RunFollowingSteps(Connection &connection, ub4 row, OraError *error);
  bool StoreReturned(int count, ub4 row, OraError *error);
  void ClearReturned(ub4 row);
  const BindHandle *FindBind(const std::string &key) const;
  // A bind's memory as a place to write element `row` to.
  static OutputTarget BindTarget(const BindHandle &bind, ub4 row);
  sword ExecuteBlock(ExecutionContext &context, ErrorHandle *error);
  // PL/SQL blocks run by the interpreter (ExecutePlsql.cpp); `schema` is
  // where a CREATE, ALTER or DROP of a stored unit works (empty: the
  // session user's).
  sword ExecutePlsql(ExecutionContext &context, ErrorHandle *error, const std::string &schema = {});
  friend class BlockBinds;
  bool RunPiece(ExecutionContext &context, std::string_view text,
                ub4 *changes, OraError *error);
  bool RunAccountStatement(ExecutionContext &context,
                           const std::vector<Token> &tokens, OraError *error);
  bool BuildSlots(OraError *error);
  // Both answer kStored, kTruncated or the Oracle error number.
  int StoreRow(ub4 row);
  int StoreLocator(const Slot &slot, sqlite3_value *value, ub4 row);
  int StoreTimestamp(sqlite3_value *value, const OutputTarget &target);
  sword EndOfRows(ErrorHandle *error, int step);
  // Binds every parameter of `statement` from element `row` of the binds;
  // a parameter without a bind is 1008.
  bool ApplyBinds(sqlite3_stmt *statement, ub4 row, OraError *error);
  void ForgetBinds();
  void ForgetBind(const Handle *gone);

  std::string text_;
  std::vector<Token> tokens_;  // views into text_
  StatementKind kind_;
  Translation translation_;       // the older rewrite, for forms the front end does not write yet
  CompiledStatement compiled_;    // the front end's text and select list
  bool frontEnd_ = false;         // statement_ runs compiled_.sql
  uint32_t errorOffset_ = 0;      // OCI_ATTR_PARSE_ERROR_OFFSET
  std::vector<Token> sqlTokens_;  // views into translation_.sql
  bool prepared_ = false;
  std::vector<std::string> quotedNames_;

  Connection *connection_ = nullptr;  // where statement_ was prepared
  long long grantChanges_ = -1;       // the connection's count of grant changes then
  bool reachesOthers_ = true;         // reaches another owner's object (ReachedOthers)
  sqlite3_stmt *statement_ = nullptr;
  std::vector<sqlite3_stmt *> following_;  // compiled_.following, once prepared
  int visibleColumns_ = 0;
  int rowidColumn_ = -1;  // hidden rowid item, or -1
  std::string rowidTable_;

  bool executed_ = false;
  bool isQuery_ = false;
  bool rowPending_ = false;  // stepped by execute, not yet fetched
  bool exhausted_ = true;
  ub4 rowCount_ = 0;

  std::vector<ColumnDescription> columns_;
  std::vector<ParamHandle *> params_;        // by position - 1
  std::vector<DefineHandle *> byPosition_;   // by position - 1
  std::vector<Slot> slots_;
  std::vector<ColumnSlot> plainSlots_;  // the same, when none is a locator
  // For the later rows of an array fetch: the same slots, their targets
  // moved on to the row being stored.
  std::vector<ColumnSlot> aheadSlots_;
  std::vector<OutputTarget> aheadTargets_;
  bool aheadPlain_ = true;  // each has an indicator, none lengths or codes
  bool slotsDirty_ = true;

  std::vector<BindHandle *> binds_;
  // statement_'s parameters' binds in parameter order, while valid.
  std::vector<const BindHandle *> bindOrder_;
  bool bindOrderValid_ = false;
  std::vector<std::string> placeholders_;  // keys by position
  bool placeholdersKnown_ = false;
  // Whether a deferred constraint may fail this statement's commit,
  // known for the schema SQLite prepared it against and the session's
  // last change of schema.
  bool deferredKeys_ = true;
  int deferredReprepares_ = -1;
  unsigned deferredGeneration_ = 0;
  bool MayFailDeferred(Connection &connection);
};

}  // namespace kestrel_engine

#endif
