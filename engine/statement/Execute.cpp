/*
** Executing a statement. Queries are stepped once at execution, so errors
** surface there and expressions can be typed from their first row; the
** row is kept for the first fetch. Other statements run to completion once
** per iteration: a statement that writes first opens the session's write
** transaction (changes stay pending until commit or rollback), while DDL
** and account statements commit what is pending and then run on their
** own, as the vendor's do.
*/
#include "statement/StatementHandle.h"

#include "catalog/Catalog.h"
#include "catalog/Comments.h"
#include "catalog/Sequences.h"
#include "errors/SqliteErrors.h"
#include "plsql/Triggers.h"
#include "schema/SchemaStatement.h"
#include "session/AccountStatement.h"
#include "session/ProfileStatement.h"
#include "session/Accounts.h"
#include "session/DdlPrivileges.h"
#include "session/GrantStatement.h"
#include "session/Connection.h"
#include "sql/Block.h"
#include "sql/ColumnRules.h"
#include "statement/DeclaredType.h"
#include "statement/RowIdentity.h"

namespace kestrel_engine {

namespace {

// True when only blanks, comments and semicolons follow the first
// statement: one statement per call, a trailing semicolon tolerated.
bool OnlyTerminators(const char *tail) {
  if (tail == nullptr) return true;
  for (const Token &t : Tokenize(tail)) {
    if (t.kind == TokenKind::kEnd) return true;
    if (!t.IsSymbol(';')) return false;
  }
  return true;
}

bool IsDml(ub2 type) {
  return type == OCI_STMT_UPDATE || type == OCI_STMT_DELETE ||
         type == OCI_STMT_INSERT || type == OCI_STMT_MERGE;
}

}  // namespace

bool StatementHandle::EnsurePrepared(Connection &connection, OraError *error) {
  // A GRANT or REVOKE since it was prepared: the names and the authorizer
  // are checked again, as Oracle checks a cursor's rights at each run. The
  // statement lets go of its snapshot first, so the count read is today's
  // unless another open query of the session holds an older one (DML
  // leaves ExecuteOther reset already; a query may stop anywhere).
  // A statement that reaches only its user's own objects cannot be
  // touched by one, and skips the read of the count.
  if (statement_ != nullptr && kind_.action != Action::kDml) sqlite3_reset(statement_);
  if (statement_ != nullptr && connection_ == &connection &&
      (!reachesOthers_ || connection.GrantChanges() == grantChanges_)) {
    return true;
  }
  ResetExecution();
  grantChanges_ = connection.GrantChanges();
  const char *tail = nullptr;
  frontEnd_ = false;
  errorOffset_ = 0;
  if (kind_.action == Action::kQuery || kind_.action == Action::kDml) {
    switch (CompileStatement(connection, text_, &compiled_, error, &errorOffset_)) {
      case FrontEndOutcome::kCompiled:
        frontEnd_ = true;
        break;
      case FrontEndOutcome::kNotYet:
        // A query may still run as the older rewrite reads it; a write
        // may not, since only the front end holds values to their columns.
        if (kind_.action == Action::kDml) {
          *error = OraError::Make(3001);
          return false;
        }
        break;
      case FrontEndOutcome::kFailed:
        return false;
    }
  }
  const std::string &sql = frontEnd_ ? compiled_.sql : translation_.sql;
  const int rc = connection.PrepareClient(sql, &statement_, &tail);
  if (rc != SQLITE_OK) {
    *error = connection.PrepareError(kind_.type);
    sqlite3_finalize(statement_);
    statement_ = nullptr;
    return false;
  }
  if (statement_ == nullptr) {  // only blanks or comments
    *error = OraError::Make(900);
    return false;
  }
  if (!OnlyTerminators(tail)) {
    *error = OraError::Make(933, "one statement per call");
    sqlite3_finalize(statement_);
    statement_ = nullptr;
    return false;
  }
  connection_ = &connection;
  reachesOthers_ = connection.ReachedOthers();
  visibleColumns_ = sqlite3_column_count(statement_);
  if (kind_.type == OCI_STMT_SELECT && visibleColumns_ > 0) AddRowIdentity();
  return true;
}

// A query with a BLOB column from one table gets that table's rowid as a
// hidden last item, so its locators can name their rows.
void StatementHandle::AddRowIdentity() {
  std::string table;
  for (int i = 0; i < visibleColumns_ && table.empty(); ++i) {
    ColumnDescription c;
    const char *origin = sqlite3_column_table_name(statement_, i);
    if (origin && DescribeDeclaredType(sqlite3_column_decltype(statement_, i), &c) &&
        c.dataType == SQLT_BLOB) {
      table = origin;
    }
  }
  if (table.empty()) return;
  const std::string sql =
      frontEnd_ ? WithRowId(compiled_.sql, Tokenize(compiled_.sql), table)
                : WithRowId(translation_.sql, sqlTokens_, table);
  if (sql.empty()) return;
  sqlite3_stmt *withRowId = nullptr;
  if (sqlite3_prepare_v2(connection_->db(), sql.c_str(),
                         static_cast<int>(sql.size()), &withRowId,
                         nullptr) != SQLITE_OK ||
      sqlite3_column_count(withRowId) != visibleColumns_ + 1) {
    sqlite3_finalize(withRowId);  // e.g. a table without rowid
    return;
  }
  sqlite3_finalize(statement_);
  statement_ = withRowId;
  bindOrderValid_ = false;
  rowidColumn_ = visibleColumns_;
  rowidTable_ = table;
}

sword StatementHandle::Execute(ExecutionContext &context, ErrorHandle *error,
                               ub4 iterations) {
  if (!prepared_) return Report(error, OraError::Make(24337));
  // A break asked for while nothing ran does not stop this statement.
  context.connection.ClearBreak();
  // Anything but a query or DML may change the schema: the front end's
  // knowledge of it goes, before and after.
  struct CatalogRefresh {
    Connection *connection;
    ~CatalogRefresh() {
      if (connection) connection->ForgetCatalog();
    }
  } refresh{kind_.action == Action::kQuery || kind_.action == Action::kDml ? nullptr
                                                                           : &context.connection};
  if (refresh.connection) refresh.connection->ForgetCatalog();
  OraError failure;
  // The schema the statement's new object goes to, once its privilege
  // has been checked.
  std::string owner;
  if ((kind_.action == Action::kDdl || kind_.action == Action::kSequence ||
       kind_.action == Action::kStoredCode) &&
      !CheckSchemaPrivilege(context.connection, tokens_, &owner, &failure)) {
    return Report(error, failure);
  }
  const bool plain = kind_.action == Action::kQuery || kind_.action == Action::kDml;
  if (owner.empty() && !plain) owner = CanonicalUserName(context.user);
  switch (kind_.action) {
    case Action::kPrivilege:
      rowCount_ = 0;
      return RunPrivilegeStatement(context.connection, tokens_, CanonicalUserName(context.user),
                                   &failure)
                 ? OCI_SUCCESS
                 : Report(error, failure);
    case Action::kCommit:
      rowCount_ = 0;
      return context.connection.Commit(&failure) ? OCI_SUCCESS
                                                 : Report(error, failure);
    case Action::kRollback:
      rowCount_ = 0;
      return context.connection.Rollback(&failure) ? OCI_SUCCESS
                                                   : Report(error, failure);
    case Action::kAccount:
      rowCount_ = 0;
      return RunAccountStatement(context, tokens_, &failure)
                 ? OCI_SUCCESS
                 : Report(error, failure);
    case Action::kComment:
      rowCount_ = 0;
      return RunCommentStatement(context.connection, tokens_, &failure)
                 ? OCI_SUCCESS
                 : Report(error, failure);
    case Action::kSequence:
      rowCount_ = 0;
      return RunSequenceStatement(context.connection, tokens_, context.user, &failure)
                 ? OCI_SUCCESS
                 : Report(error, failure);
    case Action::kSession:
      rowCount_ = 0;
      return AlterSessionChecked(context.connection, tokens_, &failure)
                 ? OCI_SUCCESS
                 : Report(error, failure);
    case Action::kBlock:
    case Action::kDeclare:
      return ExecutePlsql(context, error);
    case Action::kStoredCode:
      return ExecutePlsql(context, error, owner);
    case Action::kRefused:
      return Report(error, OraError::Make(900));
    case Action::kDdl:
      // The schema language on the syntax tree (engine/schema/); what it
      // does not take yet runs through the translation below.
      if (iterations == 0) return Report(error, OraError::Make(24333));
      {
        bool handled = false;
        const bool done = plsql::RunAllTriggersStatement(context.connection, text_, &handled, &failure);
        if (handled) {
          executed_ = true;
          isQuery_ = false;
          rowCount_ = 0;
          columns_.clear();
          return done ? OCI_SUCCESS : Report(error, failure);
        }
      }
      switch (RunSchemaStatement(context.connection, text_, owner, &failure)) {
        case SchemaOutcome::kDone:
          plsql::RefreshAfterAlterTable(context.connection, text_);
          executed_ = true;
          isQuery_ = false;
          rowCount_ = 0;
          columns_.clear();
          return OCI_SUCCESS;
        case SchemaOutcome::kDoneWithErrors:
          executed_ = true;
          isQuery_ = false;
          rowCount_ = 0;
          columns_.clear();
          if (error != nullptr) error->Set(failure);
          return OCI_SUCCESS_WITH_INFO;
        case SchemaOutcome::kFailed:
          return Report(error, failure);
        case SchemaOutcome::kNotMine:
          break;
      }
      break;
    default:
      break;
  }
  if (!EnsurePrepared(context.connection, &failure)) {
    return Report(error, failure);
  }
  // Every placeholder needs a bind: none reads as NULL silently.
  if (!ApplyBinds(statement_, 0, &failure)) return Report(error, failure);
  // SELECT ... FOR UPDATE: the rows stay locked, as the whole database
  // does, until commit or rollback.
  const bool forUpdate = frontEnd_ ? compiled_.forUpdate : translation_.forUpdate;
  const int lockWaitMs = frontEnd_ ? compiled_.lockWaitMs : translation_.lockWaitMs;
  if (forUpdate && !context.connection.BeginWrite(&failure, lockWaitMs)) {
    return Report(error, failure);
  }
  if (kind_.type == OCI_STMT_SELECT && visibleColumns_ > 0) {
    return ExecuteQuery(error, iterations);
  }
  return ExecuteOther(context, error, iterations);
}

sword StatementHandle::ExecuteQuery(ErrorHandle *error, ub4 iterations) {
  executed_ = true;
  isQuery_ = true;
  rowCount_ = 0;
  rowPending_ = false;
  exhausted_ = false;
  slotsDirty_ = true;
  int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ERROR && connection_->MakeMissingDictionaryView()) {
    // Prepared before a rollback took away a dictionary view it reads:
    // SQLite prepares it again on the next step.
    sqlite3_reset(statement_);
    rc = sqlite3_step(statement_);
  }
  if (rc == SQLITE_ROW) {
    rowPending_ = true;
  } else if (rc == SQLITE_DONE) {
    exhausted_ = true;
  } else {
    const OraError failure = ErrorFromSqlite(connection_->db(), kind_.type);
    sqlite3_reset(statement_);
    exhausted_ = true;
    isQuery_ = false;
    executed_ = false;
    return Report(error, failure);
  }
  Describe(rowPending_);
  // No rows: let go of the read snapshot now.
  if (exhausted_) sqlite3_reset(statement_);
  if (iterations == 0) return OCI_SUCCESS;
  return Fetch(error, iterations, OCI_FETCH_NEXT);
}

sword StatementHandle::ExecuteOther(ExecutionContext &context,
                                    ErrorHandle *error, ub4 iterations) {
  executed_ = true;
  isQuery_ = false;
  rowCount_ = 0;
  columns_.clear();
  if (iterations == 0) return Report(error, OraError::Make(24333));
  Connection &connection = context.connection;
  OraError failure;
  const bool ddl = kind_.action == Action::kDdl;
  if (ddl && !translation_.table.name.empty()) {
    return RunTableStatement(connection, statement_, translation_,
                             context.user, &failure)
               ? OCI_SUCCESS
               : Report(error, failure);
  }
  // A statement written as several runs them as one, and one returning
  // INTO fails after SQLite made its changes: all or nothing either way.
  const bool stepped = frontEnd_ && !compiled_.following.empty();
  // Statement triggers run with the statement, as one.
  const bool triggers = frontEnd_ && !compiled_.triggerTargets.empty();
  const bool atomic = stepped || triggers || (frontEnd_ && !compiled_.returningInto.empty());
  // One DML statement that is its transaction, committed by this call when
  // it succeeds: SQLite undoes it alone when it fails.
  const bool alone = context.commitOnSuccess && kind_.action == Action::kDml &&
                     !atomic && iterations == 1;
  // Alone with nothing pending: SQLite's own transaction is ours.
  struct Implicit {
    Connection *connection = nullptr;
    bool succeeded = false;
    ~Implicit() {
      if (connection != nullptr) connection->EndImplicit(succeeded);
    }
  } implicit;
  if (ddl) {
    if (!connection.Commit(&failure)) return Report(error, failure);
  } else if (alone && !connection.InTransaction() && !MayFailDeferred(connection)) {
    connection.BeginImplicit();
    implicit.connection = &connection;
  } else if (!sqlite3_stmt_readonly(statement_) || stepped ||
             kind_.action == Action::kSavepoint) {
    if (!(alone ? connection.BeginWriteAlone(&failure) : connection.BeginWrite(&failure)))
      return Report(error, failure);
  }
  sqlite3 *db = connection.db();
  if (atomic && !connection.BeginBlock(&failure)) return Report(error, failure);
  auto fail = [&](const OraError &f) {
    if (atomic) connection.EndBlock(true);
    rowCount_ = 0;
    return Report(error, f);
  };
  if (triggers &&
      !plsql::FireStatementTriggers(connection, compiled_.triggerTargets, false, &failure)) {
    return fail(failure);
  }
  for (ub4 i = 0; i < iterations; ++i) {
    // Iteration i reads element i of each bind (array execution).
    if (i > 0 && !ApplyBinds(statement_, i, &failure)) return fail(failure);
    int rc;
    int returned = 0;
    plsql::TakeInsteadOfRows(connection);
    while ((rc = sqlite3_step(statement_)) == SQLITE_ROW) {
      if (frontEnd_ && !compiled_.returningInto.empty() &&
          !StoreReturned(++returned, i, &failure)) {
        sqlite3_reset(statement_);
        return fail(failure);
      }
    }
    if (rc != SQLITE_DONE) {
      failure = ErrorFromSqlite(db, kind_.type);
      if (implicit.connection != nullptr) failure = connection.LockFailure(failure);
      sqlite3_reset(statement_);
      return fail(failure);
    }
    if (frontEnd_ && !compiled_.returningInto.empty() && returned == 0) {
      ClearReturned(i);
    }
    if (IsDml(kind_.type) && (!frontEnd_ || compiled_.counted)) {
      rowCount_ += static_cast<ub4>(sqlite3_changes(db)) + plsql::TakeInsteadOfRows(connection);
    }
    sqlite3_reset(statement_);
    if (stepped && !RunFollowingSteps(connection, i, &failure)) return fail(failure);
  }
  if (triggers &&
      !plsql::FireStatementTriggers(connection, compiled_.triggerTargets, true, &failure)) {
    return fail(failure);
  }
  if (atomic) connection.EndBlock(false);
  if (ddl) RecordSchemaChange(context);
  implicit.succeeded = true;
  return OCI_SUCCESS;
}

// Asked again when SQLite has prepared the statement anew (another
// session changed the schema; then the first run after it still goes by
// the old answer) or this session changed the schema.
bool StatementHandle::MayFailDeferred(Connection &connection) {
  const int reprepares = sqlite3_stmt_status(statement_, SQLITE_STMTSTATUS_REPREPARE, 0);
  if (reprepares != deferredReprepares_ ||
      connection.schemaGeneration() != deferredGeneration_) {
    deferredKeys_ = connection.HasDeferrableKeys();
    deferredReprepares_ = reprepares;
    deferredGeneration_ = connection.schemaGeneration();
  }
  return deferredKeys_;
}

// RETURNING ... INTO: the row the DML returned, column by column into
// element `row` of the INTO binds. One row per execution, as for scalar
// binds: a second is ORA-01422.
bool StatementHandle::StoreReturned(int count, ub4 row, OraError *error) {
  if (count > 1) {
    *error = OraError::Make(1422);
    return false;
  }
  for (size_t k = 0; k < compiled_.returningInto.size(); ++k) {
    const BindHandle *b = FindBind(compiled_.returningInto[k]);
    if (b == nullptr) {
      *error = OraError::Make(1008, compiled_.returningInto[k]);
      return false;
    }
    sqlite3_value *value = sqlite3_column_value(statement_, static_cast<int>(k));
    ColumnTraits traits{};
    traits.dataType = sqlite3_value_type(value) == SQLITE_TEXT ? SQLT_CHR : SQLT_NUM;
    traits.dataSize = 4000;
    const int rc = StoreValue(value, traits, BindTarget(*b, row));
    if (rc != kStored) {
      *error = OraError::Make(rc == kTruncated ? 1406 : rc);
      return false;
    }
  }
  return true;
}

// No row returned: the INTO binds read as NULL.
void StatementHandle::ClearReturned(ub4 row) {
  for (const std::string &key : compiled_.returningInto) {
    if (const BindHandle *b = FindBind(key)) {
      const OutputTarget target = BindTarget(*b, row);
      if (target.indicator != nullptr) *target.indicator = -1;
    }
  }
}

// The steps after the first of a statement SQLite runs as several,
// prepared once and kept with the statement.
bool StatementHandle::RunFollowingSteps(Connection &connection, ub4 row, OraError *error) {
  sqlite3 *db = connection.db();
  if (following_.size() != compiled_.following.size()) {
    for (const FollowingStep &step : compiled_.following) {
      sqlite3_stmt *prepared = nullptr;
      if (sqlite3_prepare_v2(db, step.sql.data(), static_cast<int>(step.sql.size()), &prepared,
                             nullptr) != SQLITE_OK) {
        *error = ErrorFromSqlite(db, kind_.type);
        sqlite3_finalize(prepared);
        return false;
      }
      following_.push_back(prepared);
    }
  }
  for (size_t k = 0; k < following_.size(); ++k) {
    sqlite3_stmt *step = following_[k];
    if (!ApplyBinds(step, row, error)) return false;
    int rc;
    while ((rc = sqlite3_step(step)) == SQLITE_ROW) {
    }
    sqlite3_reset(step);
    if (rc != SQLITE_DONE) {
      *error = ErrorFromSqlite(db, kind_.type);
      return false;
    }
    if (compiled_.following[k].counted) rowCount_ += static_cast<ub4>(sqlite3_changes(db));
  }
  return true;
}

// DDL has committed: the catalog follows the schema. A failure here leaves
// the DDL done and the catalog behind until the next DDL catches it up.
void StatementHandle::RecordSchemaChange(ExecutionContext &context) {
  OraError ignored;
  SyncCatalog(context.connection, CanonicalUserName(context.user), &ignored);
}

sword StatementHandle::ExecuteBlock(ExecutionContext &context,
                                    ErrorHandle *error) {
  executed_ = true;
  isQuery_ = false;
  rowCount_ = 0;
  columns_.clear();
  std::vector<std::string_view> pieces;
  OraError failure;
  if (!SplitBlock(text_, tokens_, &pieces, &failure)) {
    return Report(error, failure);
  }
  // As one statement: a failure undoes the block's earlier statements.
  bool writes = false;
  const bool undoable = BlockIsUndoable(pieces, &writes) && writes;
  if (undoable && !context.connection.BeginBlock(&failure)) {
    return Report(error, failure);
  }
  for (std::string_view piece : pieces) {
    ub4 changes = 0;
    if (!RunPiece(context, piece, &changes, &failure)) {
      if (undoable) context.connection.EndBlock(true);
      rowCount_ = 0;
      return Report(error, failure);
    }
    rowCount_ += changes;
  }
  if (undoable) context.connection.EndBlock(false);
  return OCI_SUCCESS;
}

// One statement of a block, run to completion.
bool StatementHandle::RunPiece(ExecutionContext &context, std::string_view text,
                               ub4 *changes, OraError *error) {
  Connection &connection = context.connection;
  const std::vector<Token> tokens = Tokenize(text);
  const StatementKind kind = Classify(tokens);
  const Translation translation = Translate(text, tokens, kind);
  std::string sql = translation.sql;
  // A block's schema change is seen by its next statements.
  if (kind.action != Action::kQuery && kind.action != Action::kDml) connection.ForgetCatalog();
  std::vector<plsql::DmlTarget> targets;
  CompiledStatement compiled;  // MERGE, INSERT ALL: its steps after the first
  if (kind.action == Action::kQuery || kind.action == Action::kDml) {
    uint32_t offset = 0;
    switch (CompileStatement(connection, text, &compiled, error, &offset)) {
      case FrontEndOutcome::kCompiled:
        sql = std::move(compiled.sql);
        targets = std::move(compiled.triggerTargets);
        break;
      case FrontEndOutcome::kNotYet:
        if (kind.action == Action::kDml) {
          *error = OraError::Make(3001);
          return false;
        }
        break;
      case FrontEndOutcome::kFailed:
        return false;
    }
  }
  std::string owner;
  if ((kind.action == Action::kDdl || kind.action == Action::kSequence) &&
      !CheckSchemaPrivilege(connection, tokens, &owner, error)) {
    return false;
  }
  if (owner.empty()) owner = CanonicalUserName(context.user);
  switch (kind.action) {
    case Action::kPrivilege:
      return RunPrivilegeStatement(connection, tokens, CanonicalUserName(context.user), error);
    case Action::kCommit:
      return connection.Commit(error);
    case Action::kRollback:
      return connection.Rollback(error);
    case Action::kAccount:
      return RunAccountStatement(context, tokens, error);
    case Action::kSession:
      return AlterSessionChecked(connection, tokens, error);
    case Action::kSequence:
      return RunSequenceStatement(connection, tokens, context.user, error);
    case Action::kComment:
      return RunCommentStatement(connection, tokens, error);
    case Action::kBlock:
    case Action::kDeclare:
      *error = OraError::Make(6550, "nested blocks are not supported");
      return false;
    case Action::kRefused:
      *error = OraError::Make(900);
      return false;
    case Action::kDdl: {
      // As in Execute: the schema language first, the translation after.
      bool handled = false;
      const bool done = plsql::RunAllTriggersStatement(connection, text, &handled, error);
      if (handled) return done;
      switch (RunSchemaStatement(connection, text, owner, error)) {
        case SchemaOutcome::kDone:
          plsql::RefreshAfterAlterTable(connection, text);
          return true;
        case SchemaOutcome::kDoneWithErrors:  // made, but PL/SQL sees ORA-24344 raised
        case SchemaOutcome::kFailed:
          return false;
        case SchemaOutcome::kNotMine:
          break;
      }
      break;
    }
    default:
      break;
  }
  sqlite3 *db = connection.db();
  sqlite3_stmt *raw = nullptr;
  const char *tail = nullptr;
  int rc = connection.PrepareClient(sql, &raw, &tail);
  if (rc != SQLITE_OK) {
    *error = connection.PrepareError(kind.type);
    sqlite3_finalize(raw);
    return false;
  }
  struct Finalizer {
    sqlite3_stmt *s;
    ~Finalizer() { sqlite3_finalize(s); }
  } finalizer{raw};
  if (raw == nullptr) return true;
  if (!ApplyBinds(raw, 0, error)) return false;
  if (kind.action == Action::kDdl && !translation.table.name.empty()) {
    return RunTableStatement(connection, raw, translation, context.user, error);
  }
  if (translation.forUpdate &&
      !connection.BeginWrite(error, translation.lockWaitMs)) {
    return false;
  }
  if (kind.action == Action::kDdl) {
    if (!connection.Commit(error)) return false;
  } else if (!sqlite3_stmt_readonly(raw) || kind.action == Action::kSavepoint) {
    if (!connection.BeginWrite(error)) return false;
  }
  // A statement of several steps is undone whole when one fails.
  const bool stepped = !compiled.following.empty();
  if (stepped && !connection.BeginBlock(error)) return false;
  struct Undo {
    Connection &connection;
    bool active;
    bool done = false;
    ~Undo() {
      if (active) connection.EndBlock(!done);
    }
  } undo{connection, stepped};
  if (!targets.empty() && !plsql::FireStatementTriggers(connection, targets, false, error)) {
    return false;
  }
  plsql::TakeInsteadOfRows(connection);
  while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) {
    *error = ErrorFromSqlite(db, kind.type);
    return false;
  }
  if (IsDml(kind.type)) {
    *changes = (!stepped || compiled.counted ? static_cast<ub4>(sqlite3_changes(db)) : 0) +
               plsql::TakeInsteadOfRows(connection);
  }
  for (const FollowingStep &step : compiled.following) {
    sqlite3_stmt *next = nullptr;
    if (sqlite3_prepare_v2(db, step.sql.data(), static_cast<int>(step.sql.size()), &next,
                           nullptr) != SQLITE_OK) {
      *error = connection.PrepareError(kind.type);
      sqlite3_finalize(next);
      return false;
    }
    const Finalizer stepFinalizer{next};
    if (!ApplyBinds(next, 0, error)) return false;
    while ((rc = sqlite3_step(next)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
      *error = ErrorFromSqlite(db, kind.type);
      return false;
    }
    if (step.counted) *changes += static_cast<ub4>(sqlite3_changes(db));
  }
  undo.done = true;
  if (!targets.empty() && !plsql::FireStatementTriggers(connection, targets, true, error)) {
    return false;
  }
  if (kind.action == Action::kDdl) RecordSchemaChange(context);
  return true;
}

bool StatementHandle::RunAccountStatement(ExecutionContext &context,
                                          const std::vector<Token> &tokens,
                                          OraError *error) {
  if (tokens.size() > 1 && tokens[1].Is("PROFILE")) {
    return RunProfileStatement(context.connection, tokens, context.user, error);
  }
  AccountStatement statement;
  if (!ParseAccountStatement(tokens, &statement, error)) return false;
  switch (statement.verb) {
    case AccountStatement::Verb::kCreate:
      return CreateAccount(context.connection, statement, context.user, error);
    case AccountStatement::Verb::kAlter:
      return AlterAccount(context.connection, statement, context.user, error);
    case AccountStatement::Verb::kDrop:
      return DropAccount(context.connection, statement, context.user, error);
  }
  return false;
}

}  // namespace kestrel_engine
