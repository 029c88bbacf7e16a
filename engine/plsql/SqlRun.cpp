/*
** SQL inside a unit: each statement resolved once per run with the
** unit's names bound as numbered parameters, emitted for SQLite and
** prepared, then bound with the current values at each execution.
** SELECT INTO, DML with SQL%ROWCOUNT, EXECUTE IMMEDIATE, expressions
** the interpreter leaves to SQLite, and the statements only the client
** path runs (DDL, SAVEPOINT, ...), by their text.
*/
#include "plsql/Interpreter.h"

#include "errors/SqliteErrors.h"
#include "plsql/SessionState.h"
#include "session/Connection.h"
#include "sql/emit/Backend.h"
#include "sql/parse/Lexer.h"
#include "sql/parse/Parse.h"

namespace kestrel_engine::plsql {

using sql::Expr;
using sql::ExprKind;
using sql::StmtKind;

namespace {

// The resolver's hook: a name the tables do not answer that the unit
// knows becomes a numbered parameter.
class UnitNames : public sql::NameScope {
 public:
  UnitNames(Interpreter &in, std::vector<const Expr *> *params) : in_(in), params_(params) {}
  bool Lookup(const Expr &e, sql::OracleType *type, uint32_t *ordinal) override {
    Ref ref;
    if (e.kind == ExprKind::kBind) {
      *type = sql::MakeType(sql::TypeCategory::kNull);
    } else if (in_.Locate(e, &ref, false)) {
      if (ref.slot->kind == Value::kRecord || ref.slot->kind == Value::kTable) return false;
      *type = ref.type ? ref.type->sql : sql::MakeType(sql::TypeCategory::kNull);
    } else {
      return false;
    }
    params_->push_back(&e);
    *ordinal = static_cast<uint32_t>(params_->size());
    return true;
  }

 private:
  Interpreter &in_;
  std::vector<const Expr *> *params_;
};

int OciType(StmtKind k) {
  switch (k) {
    case StmtKind::kSelect: return 1;
    case StmtKind::kUpdate: return 2;
    case StmtKind::kDelete: return 3;
    case StmtKind::kInsert: return 4;
    default: return 0;
  }
}

}  // namespace

Compiled *Interpreter::Compile(const void *key, const sql::Statement &st) {
  auto &slot = compiled_[key];
  if (slot && !slot->busy) return slot.get();
  auto c = std::make_unique<Compiled>();
  UnitNames names(*this, &c->params);
  std::string emitted;
  try {
    // The catalog reads the engine's own tables (sequences), as the
    // client path's does.
    Connection::InternalScope internal(ctx_.connection);
    const sql::ResolvedStatement r = sql::Resolve(st, text_, *catalog_, &names);
    c->columns = r.columns;
    emitted = sql::SqliteBackend().Emit(r);
  } catch (const sql::SemanticError &e) {
    throw PlRaise::From(OraError::Verbatim(e.code(), e.message()));
  }
  ctx_.connection.ClientStatementBegins();
  if (sqlite3_prepare_v2(db_, emitted.c_str(), static_cast<int>(emitted.size()), &c->stmt,
                         nullptr) != SQLITE_OK) {
    throw PlRaise::From(ctx_.connection.PrepareError(OciType(st.kind)));
  }
  if (slot && slot->busy) {
    // The cached one is in use (recursion, a loop over the same query):
    // this copy serves until the run ends.
    spare_.push_back(std::move(c));
    return spare_.back().get();
  }
  slot = std::move(c);
  return slot.get();
}

void Interpreter::BindParams(Compiled &c) {
  sqlite3_reset(c.stmt);
  for (size_t i = 0; i < c.params.size(); ++i) {
    const Value v = Eval(c.params[i]);
    if (v.kind == Value::kBool) Raise(6550, "PLS-00382: expression is of wrong type");
    BindTo(c.stmt, static_cast<int>(i + 1), v);
  }
}

namespace {

// The name ORA-00904 reports ("\"PK\".\"G\": invalid identifier") as
// PL/SQL writes it: PK.G.
std::string InvalidIdentifier(const std::string &message) {
  const size_t start = message.find(": ") == std::string::npos ? 0 : message.find(": ") + 2;
  const size_t end = message.find(": invalid identifier", start);
  std::string name;
  for (char ch : message.substr(start, end == std::string::npos ? std::string::npos : end - start)) {
    if (ch != '"') name += ch;
  }
  return name;
}

}  // namespace

Value Interpreter::EvalSql(const Expr *e) {
  // SELECT e FROM DUAL, or for a condition
  // SELECT CASE WHEN e THEN 1 WHEN NOT (e) THEN 0 END FROM DUAL.
  auto &slot = compiled_[e];
  bool condition = false;
  switch (e->kind) {
    case ExprKind::kLogical: case ExprKind::kLike: case ExprKind::kBetween: case ExprKind::kIn:
    case ExprKind::kIsNull: case ExprKind::kExists: case ExprKind::kQuantified:
    case ExprKind::kIsJson:
      condition = true;
      break;
    case ExprKind::kUnary: condition = e->op == sql::Op::kNot; break;
    case ExprKind::kBinary: condition = e->op >= sql::Op::kEq && e->op <= sql::Op::kGe; break;
    default: break;
  }
  Compiled *c = slot && !slot->busy ? slot.get() : nullptr;
  if (c == nullptr) {
    sql::Expr *item = const_cast<Expr *>(e);
    if (condition) {
      auto *when1 = arena_.New<Expr>();
      when1->kind = ExprKind::kWhen;
      when1->left = item;
      when1->right = arena_.New<Expr>();
      when1->right->kind = ExprKind::kNumber;
      when1->right->text = "1";
      auto *when0 = arena_.New<Expr>();
      when0->kind = ExprKind::kWhen;
      when0->left = arena_.New<Expr>();
      when0->left->kind = ExprKind::kUnary;
      when0->left->op = sql::Op::kNot;
      when0->left->left = item;
      when0->right = arena_.New<Expr>();
      when0->right->kind = ExprKind::kNumber;
      when0->right->text = "0";
      item = arena_.New<Expr>();
      item->kind = ExprKind::kCase;
      item->pos = e->pos;
      item->args.Append(when1);
      item->args.Append(when0);
    }
    auto *sel = arena_.New<sql::SelectItem>();
    sel->expr = item;
    auto *from = arena_.New<sql::TableRef>();
    from->kind = sql::TableKind::kTable;
    from->name.part[0] = "DUAL";
    from->name.count = 1;
    auto *q = arena_.New<sql::Query>();
    q->pos = e->pos;
    q->items.Append(sel);
    q->from.Append(from);
    sql::SelectStmt st;
    st.kind = StmtKind::kSelect;
    st.query = q;
    st.pos = e->pos;
    try {
      c = Compile(e, st);
    } catch (const PlRaise &raised) {
      // A name SQL does not know is, in PL/SQL, an undeclared identifier.
      if (raised.code != 904 || (e->kind != ExprKind::kName && e->kind != ExprKind::kFunction)) throw;
      Raise(6550, "line " + std::to_string(LineOf(e->pos)) + ": PLS-00201: identifier '" +
                      InvalidIdentifier(raised.message) + "' must be declared");
    }
  }
  BindParams(*c);
  c->busy = true;
  const int rc = sqlite3_step(c->stmt);
  c->busy = false;
  if (rc != SQLITE_ROW) {
    const OraError error = ErrorFromSqlite(db_, 1);
    sqlite3_reset(c->stmt);
    throw PlRaise::From(error);
  }
  Value v = FromColumn(c->stmt, 0);
  sqlite3_reset(c->stmt);
  if (condition) return v.IsNull() ? Value() : Value::Bool(v.i != 0);
  return v;
}

void Interpreter::EnsureBlockWrite() {
  if (ctx_.connection.plsqlState().query_calls > 0) Raise(14551);
  if (block_open_) return;
  OraError error;
  if (!ctx_.connection.BeginBlock(&error)) throw PlRaise::From(error);
  block_open_ = true;
}

void Interpreter::FireStatementLevel(const std::vector<DmlTarget> &targets, bool after) {
  if (targets.empty()) return;
  OraError error;
  if (!FireStatementTriggers(ctx_.connection, targets, after, &error)) throw PlRaise::From(error);
}

std::vector<DmlTarget> &Interpreter::TriggersOf(Compiled &c, const sql::Statement &st) {
  if (!c.triggers_known) {
    c.triggers = StatementTriggerTargets(ctx_.connection, st);
    c.triggers_known = true;
  }
  return c.triggers;
}

std::string_view Interpreter::StatementText(uint32_t pos) {
  // From the statement's first token to its semicolon.
  sql::Arena arena;
  const std::string_view rest = text_.substr(pos);
  const sql::TokenArray tokens = sql::Lex(rest, arena);
  int depth = 0;
  for (size_t i = 0; i < tokens.size; ++i) {
    const sql::Token &t = tokens.items[i];
    if (t.kind == sql::Tok::kEnd) break;
    if (t.kind != sql::Tok::kSymbol) continue;
    if (t.sym == sql::Sym::kLParen) ++depth;
    if (t.sym == sql::Sym::kRParen) --depth;
    if (t.sym == sql::Sym::kSemicolon && depth <= 0) return rest.substr(0, t.offset);
  }
  return rest;
}

void Interpreter::RunText(std::string_view text) {
  if (!ctx_.run_text) Raise(6550, "PLS-00999: this statement is not supported here");
  uint32_t changes = 0;
  OraError error;
  const bool ok = ctx_.run_text(text, &changes, &error);
  // A COMMIT or ROLLBACK (or DDL) ended the transaction and the block's mark.
  if (!ctx_.connection.InTransaction()) block_open_ = false;
  catalog_->Clear();
  if (!ok) throw PlRaise::From(error);
  rows_ += changes;
  sql_cursor_.rowcount = changes;
  sql_cursor_.fetched = true;
  sql_cursor_.found = changes > 0;
}

void Interpreter::BulkInto(const sql::List<Expr> &into, const Value *rows, size_t count,
                           size_t columns) {
  std::vector<Ref> targets;
  for (const Expr *target : into) {
    Ref ref;
    if (!Locate(*target, &ref, true) || ref.slot == nullptr || ref.slot->kind != Value::kTable) {
      Raise(6550, "PLS-00497: cannot mix between single row and multi-row (BULK) in INTO list");
    }
    if (ref.var != nullptr && ref.var->constant) Raise(6550, "PLS-00363: a constant is not a target");
    targets.push_back(ref);
  }
  const bool records = targets.size() == 1 && columns > 1;
  if (!records && targets.size() != columns) Raise(targets.size() < columns ? 913 : 947);
  for (size_t k = 0; k < targets.size(); ++k) {
    Table &t = *targets[k].slot->table;
    t.by_int.clear();
    t.by_text.clear();
    const VarType *element = targets[k].type ? targets[k].type->element.get() : nullptr;
    for (size_t r = 0; r < count; ++r) {
      Value v;
      if (records) {
        if (element == nullptr || element->kind != VarType::kRecord ||
            element->field_types.size() != columns) {
          Raise(6504);
        }
        v = Initial(targets[k].type->element);
        for (size_t c = 0; c < columns; ++c) {
          v.rec->values[c] = Coerce(rows[r * columns + c], *element->field_types[c]);
        }
      } else {
        v = element ? Coerce(rows[r * columns + k], *element) : rows[r * columns + k];
      }
      t.by_int[static_cast<int64_t>(r + 1)] = std::move(v);
    }
  }
}

std::vector<Value> Interpreter::RowOf(sqlite3_stmt *stmt) {
  std::vector<Value> row;
  const int n = sqlite3_column_count(stmt);
  for (int k = 0; k < n; ++k) row.push_back(FromColumn(stmt, k));
  return row;
}

void Interpreter::IntoTargets(const sql::List<Expr> &into, const Value *row, size_t columns) {
  if (into.size == 1 && columns > 1) {
    // One record for the whole row.
    Ref ref;
    if (!Locate(*into.first, &ref, true)) {
      Raise(6550, "PLS-00201: identifier '" + std::string(into.first->name.Last()) + "' must be declared");
    }
    if (ref.slot == nullptr || ref.slot->kind != Value::kRecord) Raise(913);
    if (ref.slot->rec->values.size() != columns) Raise(6504);
    Value record = Initial(ref.type);
    for (size_t k = 0; k < columns; ++k) record.rec->values[k] = row[k];
    Store(ref, record);
    return;
  }
  // More columns than targets is too many values, fewer not enough.
  if (into.size != columns) Raise(into.size < columns ? 913 : 947);
  int k = 0;
  for (const Expr *target : into) {
    Ref ref;
    if (!Locate(*target, &ref, true)) {
      Raise(6550, "PLS-00201: identifier '" + std::string(target->name.Last()) + "' must be declared");
    }
    if (ref.slot != nullptr && ref.slot->kind == Value::kRecord && columns == 1) Raise(6504);
    Store(ref, row[k++]);
  }
}

void Interpreter::RunSql(const sql::PlStmt &s) {
  const sql::Statement &st = *s.sql;
  switch (st.kind) {
    case StmtKind::kSelect: case StmtKind::kInsert: case StmtKind::kUpdate:
    case StmtKind::kDelete:
      break;
    default:
      // COMMIT, ROLLBACK, SAVEPOINT, MERGE: as the client runs them.
      if (st.kind != StmtKind::kCommit && st.kind != StmtKind::kRollback) EnsureBlockWrite();
      RunText(StatementText(st.pos));
      return;
  }
  const sql::Returning *returning =
      st.kind == StmtKind::kSelect ? nullptr : static_cast<const sql::DmlStmt &>(st).returning;
  if (returning != nullptr) return RunReturning(st, *returning);
  Compiled *c;
  try {
    c = Compile(&st, st);
  } catch (PlRaise &r) {
    // A form the new front end does not write yet, naming no PL/SQL
    // value: the client path runs it from its text.
    if (r.code != sql::kOraUnimplemented) throw;
    const auto found = compiled_.find(&st);
    if (found != compiled_.end()) compiled_.erase(found);
    if (st.kind == StmtKind::kSelect) throw;
    EnsureBlockWrite();
    RunText(StatementText(st.pos));
    return;
  }
  BindParams(*c);
  if (st.kind == StmtKind::kSelect &&
      static_cast<const sql::SelectStmt &>(st).query->bulk_collect) {
    // SELECT ... BULK COLLECT INTO collections: every row.
    CursorState all;
    ReadResult(*c, all);
    BulkInto(static_cast<const sql::SelectStmt &>(st).query->into, all.rows.data(),
             all.rows.size() / (all.columns.empty() ? 1 : all.columns.size()), all.columns.size());
    sql_cursor_.rowcount = static_cast<int64_t>(all.rows.size() / (all.columns.empty() ? 1 : all.columns.size()));
    sql_cursor_.fetched = true;
    sql_cursor_.found = sql_cursor_.rowcount > 0;
    return;
  }
  if (st.kind == StmtKind::kSelect) {
    const sql::Query *q = static_cast<const sql::SelectStmt &>(st).query;
    c->busy = true;
    int rc = sqlite3_step(c->stmt);
    c->busy = false;
    if (rc == SQLITE_DONE) {
      sqlite3_reset(c->stmt);
      sql_cursor_.rowcount = 0;
      sql_cursor_.fetched = true;
      sql_cursor_.found = false;
      Raise(1403);
    }
    if (rc != SQLITE_ROW) {
      const OraError error = ErrorFromSqlite(db_, 1);
      sqlite3_reset(c->stmt);
      throw PlRaise::From(error);
    }
    c->busy = true;
    struct Reset {
      Compiled *c;
      ~Reset() {
        c->busy = false;
        sqlite3_reset(c->stmt);
      }
    } reset{c};
    // Check for a second row before assigning, as Oracle leaves the
    // targets alone... it assigns the first row, then raises.
    const std::vector<Value> row = RowOf(c->stmt);
    IntoTargets(q->into, row.data(), row.size());
    rc = sqlite3_step(c->stmt);
    sql_cursor_.fetched = true;
    sql_cursor_.found = true;
    sql_cursor_.rowcount = 1;
    if (rc == SQLITE_ROW) Raise(1422);
    return;
  }
  EnsureBlockWrite();
  const std::vector<DmlTarget> &triggers = TriggersOf(*c, st);
  FireStatementLevel(triggers, false);
  TakeInsteadOfRows(ctx_.connection);
  const int rc = sqlite3_step(c->stmt);
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
    const OraError error = ErrorFromSqlite(db_, OciType(st.kind));
    sqlite3_reset(c->stmt);
    throw PlRaise::From(error);
  }
  const int changes = sqlite3_changes(db_) + static_cast<int>(TakeInsteadOfRows(ctx_.connection));
  sqlite3_reset(c->stmt);
  FireStatementLevel(triggers, true);
  rows_ += static_cast<uint32_t>(changes);
  sql_cursor_.rowcount = changes;
  sql_cursor_.fetched = true;
  sql_cursor_.found = changes > 0;
}

// DML ... RETURNING exprs INTO targets: the DML as the emitter writes it
// plus SQLite's RETURNING clause, its list written as the select list of
// the same expressions over the target table.
void Interpreter::RunReturning(const sql::Statement &st, const sql::Returning &returning) {
  auto &slot = compiled_[&returning];
  if (!slot) {
    auto c = std::make_unique<Compiled>();
    UnitNames names(*this, &c->params);
    auto &dml = const_cast<sql::DmlStmt &>(static_cast<const sql::DmlStmt &>(st));
    if (dml.target == nullptr || dml.target->kind != sql::TableKind::kTable ||
        dml.target->alias != nullptr) {
      Raise(3001, "RETURNING with this target");
    }
    std::string text;
    try {
      Connection::InternalScope internal(ctx_.connection);
      dml.returning = nullptr;
      struct Restore {
        sql::DmlStmt &d;
        const sql::Returning *r;
        ~Restore() { d.returning = const_cast<sql::Returning *>(r); }
      } restore{dml, &returning};
      text = sql::SqliteBackend().Emit(sql::Resolve(st, text_, *catalog_, &names));
      auto *from = arena_.New<sql::TableRef>();
      from->kind = sql::TableKind::kTable;
      from->name = dml.target->name;
      auto *q = arena_.New<sql::Query>();
      q->pos = returning.pos;
      for (const Expr *e : returning.exprs) {
        auto *item = arena_.New<sql::SelectItem>();
        item->expr = const_cast<Expr *>(e);
        q->items.Append(item);
      }
      q->from.Append(from);
      sql::SelectStmt sel;
      sel.query = q;
      sel.pos = returning.pos;
      const std::string select = sql::SqliteBackend().Emit(sql::Resolve(sel, text_, *catalog_, &names));
      const size_t fromAt = select.rfind(" FROM ");
      if (select.compare(0, 7, "SELECT ") != 0 || fromAt == std::string::npos) {
        Raise(3001, "RETURNING");
      }
      text += " RETURNING " + select.substr(7, fromAt - 7);
    } catch (const sql::SemanticError &e) {
      throw PlRaise::From(OraError::Verbatim(e.code(), e.message()));
    }
    ctx_.connection.ClientStatementBegins();
    if (sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()), &c->stmt, nullptr) !=
        SQLITE_OK) {
      throw PlRaise::From(ctx_.connection.PrepareError(OciType(st.kind)));
    }
    slot = std::move(c);
  }
  Compiled &c = *slot;
  BindParams(c);
  EnsureBlockWrite();
  const std::vector<DmlTarget> &triggers = TriggersOf(c, st);
  FireStatementLevel(triggers, false);
  std::vector<std::vector<Value>> rows;
  TakeInsteadOfRows(ctx_.connection);
  int rc;
  while ((rc = sqlite3_step(c.stmt)) == SQLITE_ROW) rows.push_back(RowOf(c.stmt));
  if (rc != SQLITE_DONE) {
    const OraError error = ErrorFromSqlite(db_, OciType(st.kind));
    sqlite3_reset(c.stmt);
    throw PlRaise::From(error);
  }
  const int changes = sqlite3_changes(db_) + static_cast<int>(TakeInsteadOfRows(ctx_.connection));
  sqlite3_reset(c.stmt);
  FireStatementLevel(triggers, true);
  rows_ += static_cast<uint32_t>(changes);
  sql_cursor_.rowcount = changes;
  sql_cursor_.fetched = true;
  sql_cursor_.found = changes > 0;
  if (returning.bulk) {
    // BULK COLLECT: every row, into collections (FORALL gathers the rows
    // of all its runs first).
    std::vector<Value> flat;
    for (std::vector<Value> &row : rows) {
      for (Value &v : row) flat.push_back(std::move(v));
    }
    if (forall_bulk_.returning == &returning) {
      for (Value &v : flat) forall_bulk_.rows->push_back(std::move(v));
      return;
    }
    return BulkInto(returning.into, flat.data(), rows.size(), returning.exprs.size);
  }
  if (rows.size() > 1) Raise(1422);
  if (rows.empty()) {
    // No row: the targets become NULL.
    for (const Expr *target : returning.into) Assign(*target, Value());
    return;
  }
  IntoTargets(returning.into, rows[0].data(), rows[0].size());
}

const sql::Returning *Interpreter::BulkReturning(const sql::PlStmt &s) const {
  if (s.sql == nullptr || (s.sql->kind != StmtKind::kInsert && s.sql->kind != StmtKind::kUpdate &&
                           s.sql->kind != StmtKind::kDelete)) {
    return nullptr;
  }
  const sql::Returning *r = static_cast<const sql::DmlStmt &>(*s.sql).returning;
  return r != nullptr && r->bulk ? r : nullptr;
}

void Interpreter::ExecuteImmediate(const sql::PlStmt &s) {
  const Value text = Eval(s.expr);
  if (text.IsNull()) Raise(6535, "EXECUTE IMMEDIATE");
  std::string sqltext = ToText(text);
  while (!sqltext.empty() && (sqltext.back() == ';' || sqltext.back() == ' ' ||
                              sqltext.back() == '\n')) {
    sqltext.pop_back();
  }
  sql::Arena arena;
  sql::Statement *st = nullptr;
  try {
    st = sql::Parse(sqltext, arena);
  } catch (const sql::SyntaxError &e) {
    throw PlRaise::From(OraError::Verbatim(e.code(), e.message()));
  }
  const bool plain = st->kind == StmtKind::kSelect || st->kind == StmtKind::kInsert ||
                     st->kind == StmtKind::kUpdate || st->kind == StmtKind::kDelete;
  std::string emitted;
  if (plain) {
    try {
      Connection::InternalScope internal(ctx_.connection);
      const sql::ResolvedStatement r = sql::Resolve(*st, sqltext, *catalog_);
      emitted = sql::SqliteBackend().Emit(r);
    } catch (const sql::SemanticError &e) {
      if (e.code() != sql::kOraUnimplemented || !s.using_args.empty() || !s.into.empty()) {
        throw PlRaise::From(OraError::Verbatim(e.code(), e.message()));
      }
    }
  }
  if (emitted.empty()) {
    // DDL and the rest: as the client runs them.
    if (!s.using_args.empty() || !s.into.empty()) Raise(6550, "PLS-00999: USING or INTO with this statement");
    if (st->kind != StmtKind::kCommit && st->kind != StmtKind::kRollback) EnsureBlockWrite();
    RunText(sqltext);
    return;
  }
  sqlite3_stmt *raw = nullptr;
  ctx_.connection.ClientStatementBegins();
  if (sqlite3_prepare_v2(db_, emitted.c_str(), static_cast<int>(emitted.size()), &raw, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(raw);
    throw PlRaise::From(ctx_.connection.PrepareError(OciType(st->kind)));
  }
  struct Finalize {
    sqlite3_stmt *s;
    ~Finalize() { sqlite3_finalize(s); }
  } finalize{raw};
  const int wanted = sqlite3_bind_parameter_count(raw);
  if (wanted != static_cast<int>(s.using_args.size)) Raise(1008);
  int k = 1;
  for (const sql::PlUsing *u : s.using_args) BindTo(raw, k++, Eval(u->expr));
  std::vector<DmlTarget> triggers;
  if (st->kind != StmtKind::kSelect) {
    EnsureBlockWrite();
    triggers = StatementTriggerTargets(ctx_.connection, *st);
    FireStatementLevel(triggers, false);
  }
  TakeInsteadOfRows(ctx_.connection);
  int rc = sqlite3_step(raw);
  if (st->kind == StmtKind::kSelect && !s.into.empty()) {
    if (rc == SQLITE_DONE) Raise(1403);
    if (rc != SQLITE_ROW) throw PlRaise::From(ErrorFromSqlite(db_, 1));
    const std::vector<Value> row = RowOf(raw);
    IntoTargets(s.into, row.data(), row.size());
    if (sqlite3_step(raw) == SQLITE_ROW) Raise(1422);
    return;
  }
  while (rc == SQLITE_ROW) rc = sqlite3_step(raw);
  if (rc != SQLITE_DONE) throw PlRaise::From(ErrorFromSqlite(db_, OciType(st->kind)));
  FireStatementLevel(triggers, true);
  if (st->kind != StmtKind::kSelect) {
    const int changes = sqlite3_changes(db_) + static_cast<int>(TakeInsteadOfRows(ctx_.connection));
    rows_ += static_cast<uint32_t>(changes);
    sql_cursor_.rowcount = changes;
    sql_cursor_.fetched = true;
    sql_cursor_.found = changes > 0;
  }
}

}  // namespace kestrel_engine::plsql
