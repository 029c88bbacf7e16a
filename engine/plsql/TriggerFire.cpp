/*
** Firing triggers: kestrel_trigger_row (what the SQLite row triggers
** call with the row's old and new values), the statement triggers run
** around a DML statement, and the interpreter's side of a trigger body:
** :NEW and :OLD, INSERTING / UPDATING / DELETING, the WHEN condition,
** the mutating-table rule, the nesting limit and the ORA-04088 line.
*/
#include <sqlite3.h>

#include <tuple>

#include "plsql/Interpreter.h"
#include "plsql/SessionState.h"
#include "plsql/Triggers.h"
#include "session/Connection.h"
#include "session/OwnedStatement.h"
#include "sql/parse/Parse.h"

namespace kestrel_engine::plsql {

// Oracle's limit on nested SQL levels; a trigger that fires itself ends
// here with ORA-00036 long before the stack would.
constexpr int kMaxTriggerDepth = 50;

struct LoadedTrigger {
  int64_t seq = 0;
  std::string owner, name, table;
  bool before = true;
  bool instead = false;  // INSTEAD OF, on a view
  bool compound = false;
  bool row = false;
  std::string text;
  sql::Arena arena;
  const sql::CreateTriggerStmt *stmt = nullptr;
  int line_base = 0;  // lines of the heading, before the body
};

// A compound trigger's declarations for the statement firing it.
struct CompoundState {
  std::shared_ptr<LoadedTrigger> trigger;
  std::unique_ptr<Frame> frame;
};

namespace {

// The trigger's definition, parsed once per session and kept while its
// sequence number (new at every CREATE) stays; `seq` < 0 takes the stored.
std::shared_ptr<LoadedTrigger> Load(Connection &connection, const std::string &owner,
                                    const std::string &name, int64_t seq, OraError *error) {
  TriggerSession &session = connection.plsqlState().triggers;
  const std::string key = owner + "." + name;
  auto found = session.loaded.find(key);
  if (found != session.loaded.end() && seq >= 0 && found->second->seq == seq) return found->second;
  Connection::InternalScope scope(connection);
  OwnedStatement f;
  const std::string sql = std::string("SELECT seq, table_name, timing, row_level, text FROM \"") +
                          kTriggersTable + "\" WHERE owner = ?1 AND name = ?2";
  if (sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &f.s, nullptr) != SQLITE_OK) {
    *error = OraError::Make(4080, name);
    return nullptr;
  }
  sqlite3_bind_text(f.s, 1, owner.data(), static_cast<int>(owner.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(f.s, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(f.s) != SQLITE_ROW) {
    *error = OraError::Make(4080, name);
    return nullptr;
  }
  const int64_t stored = sqlite3_column_int64(f.s, 0);
  if (found != session.loaded.end() && found->second->seq == stored) return found->second;
  auto t = std::make_shared<LoadedTrigger>();
  t->seq = stored;
  t->owner = owner;
  t->name = name;
  t->table = ColumnText(f.s, 1);
  t->before = ColumnText(f.s, 2) == "BEFORE";
  t->instead = ColumnText(f.s, 2) == "INSTEAD OF";
  t->compound = ColumnText(f.s, 2) == "COMPOUND";
  t->row = sqlite3_column_int(f.s, 3) != 0;
  t->text = ColumnText(f.s, 4);
  try {
    const sql::Statement *st = sql::Parse(t->text, t->arena);
    if (st->kind == sql::StmtKind::kCreateTrigger) t->stmt = static_cast<const sql::CreateTriggerStmt *>(st);
  } catch (const sql::SyntaxError &) {
  }
  if (t->stmt == nullptr) {
    *error = OraError::Make(4098, key);
    return nullptr;
  }
  for (uint32_t i = 0; i < t->stmt->block->pos && i < t->text.size(); ++i) {
    t->line_base += t->text[i] == '\n';
  }
  session.loaded[key] = t;
  return t;
}

bool Same(const Value &a, const Value &b) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull();
  if (a.IsNumber() != b.IsNumber()) return false;
  return Compare(a, b) == 0;
}

// Runs one trigger's body for one event; `oldRow` and `newRow` are the
// row's values (row triggers only).
// `newRow` gets the row's :NEW values back when `assignable` says which
// columns the statement writes ('0' none); otherwise a changed :NEW is
// refused.
// A compound trigger runs the section of `point` with the declarations
// its statement's BEFORE STATEMENT made.
bool RunTrigger(Connection &connection, const LoadedTrigger &t, uint8_t event,
                const std::vector<Value> *oldRow, std::vector<Value> *newRow, OraError *error,
                std::string_view assignable = {},
                sql::TriggerSection::Point point = sql::TriggerSection::kBeforeStatement) {
  TriggerSession &session = connection.plsqlState().triggers;
  const bool rowFiring = oldRow != nullptr || newRow != nullptr;
  const sql::PlBlock *body = t.stmt->block;
  if (t.compound) {
    body = nullptr;
    for (const sql::TriggerSection *section : t.stmt->sections) {
      if (section->point == point) body = section->block;
    }
  }
  if (session.depth >= kMaxTriggerDepth) {
    *error = OraError::Make(36, std::to_string(kMaxTriggerDepth));
    return false;
  }
  struct Nesting {
    TriggerSession &s;
    bool row;
    // A view is not mutating under its INSTEAD OF trigger: the trigger is the change.
    Nesting(TriggerSession &session, const LoadedTrigger &t, bool rowFiring)
        : s(session), row(rowFiring && !t.instead) {
      ++s.depth;
      if (row) {
        s.mutating.push_back(t.table);
        s.mutating_owner.push_back(t.owner);
      }
    }
    ~Nesting() {
      --s.depth;
      if (row) {
        s.mutating.pop_back();
        s.mutating_owner.pop_back();
      }
    }
  } nesting(session, t, rowFiring);
  // A trigger's body runs with its owner's rights, whoever's statement
  // fired it (Oracle's triggers are definer's rights units).
  Connection::DefinerScope rights(connection, t.owner);
  const std::string unit = t.owner + "." + t.name;
  RunContext context{connection, nullptr, {}};
  Interpreter in(context, t.text);
  in.unit_name_ = unit;
  in.line_base_ = t.line_base;
  // The statement that fired it is the unit of atomicity: no mark of its own.
  in.block_open_ = true;
  in.trigger_event_ = event;
  try {
    auto frame = std::make_unique<Frame>();
    auto boolean = in.ScalarType(sql::MakeType(sql::TypeCategory::kBoolean));
    auto add = [&](std::string_view name, TypeRef type, Value value) {
      Variable v;
      v.name = name;
      v.type = std::move(type);
      v.value = std::move(value);
      frame->vars.push_back(std::move(v));
      frame->symbols.push_back({Symbol::kVariable, name, frame->vars.size() - 1});
    };
    add("INSERTING", boolean, Value::Bool(event == sql::kOnInsert));
    add("UPDATING", boolean, Value::Bool(event == sql::kOnUpdate));
    add("DELETING", boolean, Value::Bool(event == sql::kOnDelete));
    for (Variable &v : frame->vars) v.constant = true;
    if (rowFiring) {
      const sql::CatalogTable *table = in.catalog_->FindTable("", t.table);
      auto type = std::make_shared<VarType>();
      type->kind = VarType::kRecord;
      if (table != nullptr) {
        for (const sql::CatalogColumn &c : table->columns) {
          type->field_names.push_back(c.name);
          type->field_types.push_back(in.ScalarType(c.type));
        }
      }
      auto record = [&](const std::vector<Value> *values) {
        Value r = in.Initial(type);
        for (size_t k = 0; values != nullptr && k < r.rec->values.size() && k < values->size(); ++k) {
          r.rec->values[k] = in.Coerce((*values)[k], *type->field_types[k]);
        }
        return r;
      };
      add(t.stmt->new_alias ? t.stmt->new_alias->name : "NEW", type, record(newRow));
      add(t.stmt->old_alias ? t.stmt->old_alias->name : "OLD", type, record(oldRow));
      frame->vars[4].constant = true;
    }
    in.trigger_frame_ = frame.get();
    Frame *shared = nullptr;
    bool fresh = false;
    if (t.compound) {
      std::shared_ptr<CompoundState> &state = session.compound[unit];
      const auto loaded = session.loaded.find(unit);
      if (point == sql::TriggerSection::kBeforeStatement || !state ||
          state->trigger.get() != &t) {
        state = std::make_shared<CompoundState>();
        if (loaded != session.loaded.end()) state->trigger = loaded->second;
        state->frame = std::make_unique<Frame>();
        fresh = true;
      }
      shared = state->frame.get();
      frame->parent = shared;
    }
    in.frames_.push_back(std::move(frame));
    if (fresh) {
      for (const sql::PlDecl *d : t.stmt->block->decls) in.Declare(*d, *shared);
    }
    if (body == nullptr) return true;  // a compound trigger without this section
    if (t.stmt->when != nullptr && !in.Condition(t.stmt->when)) return true;
    const Value before = rowFiring ? in.trigger_frame_->vars[3].value.Clone() : Value();
    in.ExecBlock(*body);
    if (rowFiring) {
      const Value &after = in.trigger_frame_->vars[3].value;
      for (size_t k = 0; k < after.rec->values.size(); ++k) {
        if (Same(before.rec->values[k], after.rec->values[k])) continue;
        if (k < assignable.size() && assignable[k] != '0' && newRow != nullptr && k < newRow->size()) {
          (*newRow)[k] = after.rec->values[k];
          continue;
        }
        // SQLite keeps the row it was given: a BEFORE ROW trigger's new
        // values are refused rather than lost.
        if (t.compound && point == sql::TriggerSection::kBeforeRow && event != sql::kOnDelete) {
          throw PlRaise::Ora(3001, "assigning :NEW in a compound trigger");
        }
        if (!t.before || event == sql::kOnDelete) throw PlRaise::Ora(4084);
        throw PlRaise::Ora(3001, "assigning :NEW in a BEFORE ROW trigger");
      }
    }
    return true;
  } catch (PlRaise &raised) {
    if (t.compound) session.compound.erase(unit);
    raised.trace += OraError::Make(4088, unit).message;
    raised.trace += '\n';
    *error = raised.ToOraError();
  } catch (const std::bad_alloc &) {
    *error = OraError::Make(4030);
  } catch (const std::exception &e) {
    *error = OraError::Make(600, e.what());
  }
  return false;
}

std::string ArgText(sqlite3_value *v) {
  const unsigned char *t = sqlite3_value_text(v);
  return t ? reinterpret_cast<const char *>(t) : "";
}

// kestrel_trigger_row(owner, name, seq, event, old values..., new values...)
void TriggerRow(sqlite3_context *context, int argc, sqlite3_value **argv) {
  Connection &connection = *static_cast<Connection *>(sqlite3_user_data(context));
  OraError error;
  const auto t = Load(connection, ArgText(argv[0]), ArgText(argv[1]), sqlite3_value_int64(argv[2]),
                      &error);
  if (t == nullptr) {
    sqlite3_result_error(context, error.message.c_str(), -1);
    return;
  }
  // A compound trigger's AFTER EACH ROW call adds kAfterRowCall to the event.
  const int code = sqlite3_value_int(argv[3]);
  const uint8_t event = static_cast<uint8_t>(code & ~kAfterRowCall);
  const auto point = code & kAfterRowCall ? sql::TriggerSection::kAfterRow : sql::TriggerSection::kBeforeRow;
  const int n = (argc - 4) / 2;
  std::vector<Value> oldRow, newRow;
  for (int k = 0; k < n; ++k) {
    oldRow.push_back(FromSqlite(argv[4 + k]));
    newRow.push_back(FromSqlite(argv[4 + n + k]));
  }
  // The body's own statements count their rows; the view's statement
  // counts one for each row the trigger took over.
  TriggerSession &session = connection.plsqlState().triggers;
  const uint32_t counted = session.instead_rows;
  if (!RunTrigger(connection, *t, event, &oldRow, &newRow, &error, {}, point)) {
    sqlite3_result_error(context, error.message.c_str(), -1);
    return;
  }
  session.instead_rows = counted + (t->instead ? 1 : 0);
  sqlite3_result_null(context);
}

void Result(sqlite3_context *context, const Value &v) {
  switch (v.kind) {
    case Value::kInt: return sqlite3_result_int64(context, v.i);
    case Value::kReal: return sqlite3_result_double(context, v.d);
    case Value::kText:
      return sqlite3_result_text(context, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
    case Value::kBlob:
      return sqlite3_result_blob(context, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
    case Value::kBool: return sqlite3_result_int(context, v.b ? 1 : 0);
    default: return sqlite3_result_null(context);
  }
}

// kestrel_before_row(table, event, written, column, old values..., new
// values...): runs the table's BEFORE ROW triggers of the event in
// creation order, each seeing the :NEW the one before left, and answers
// the final value of `column` (the first the statement writes; the rest
// come from kestrel_new_value). `written` has a character per column: '1'
// set by the statement, '2' written for the triggers, '0' left alone.
void BeforeRow(sqlite3_context *context, int argc, sqlite3_value **argv) {
  Connection &connection = *static_cast<Connection *>(sqlite3_user_data(context));
  const std::string table = ArgText(argv[0]);
  const uint8_t event = static_cast<uint8_t>(sqlite3_value_int(argv[1]));
  const std::string written = ArgText(argv[2]);
  const int column = sqlite3_value_int(argv[3]);
  const int n = (argc - 4) / 2;
  std::vector<Value> oldRow, newRow;
  for (int k = 0; k < n; ++k) {
    oldRow.push_back(FromSqlite(argv[4 + k]));
    newRow.push_back(FromSqlite(argv[4 + n + k]));
  }
  std::vector<std::tuple<std::string, std::string, std::string>> triggers;
  {
    Connection::InternalScope scope(connection);
    OwnedStatement f;
    const std::string sql = std::string("SELECT owner, name, coalesce(update_of, '') FROM \"") + kTriggersTable +
                            "\" WHERE table_name = ?1 COLLATE NOCASE AND timing = 'BEFORE' AND row_level = 1 AND status = "
                            "'ENABLED' AND (events & ?2) <> 0 ORDER BY seq";
    if (sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &f.s, nullptr) == SQLITE_OK) {
      sqlite3_bind_text(f.s, 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
      sqlite3_bind_int(f.s, 2, event);
      while (sqlite3_step(f.s) == SQLITE_ROW) {
        triggers.emplace_back(ColumnText(f.s, 0), ColumnText(f.s, 1), ColumnText(f.s, 2));
      }
    }
  }
  sql::SqliteCatalog catalog(connection.db());
  const sql::CatalogTable *shape = nullptr;
  {
    Connection::InternalScope scope(connection);
    shape = catalog.FindTable("", table);
  }
  for (const auto &[owner, name, updateOf] : triggers) {
    if (event == sql::kOnUpdate && !updateOf.empty() && shape != nullptr) {
      // UPDATE OF: only when the statement sets one of the columns.
      bool hit = false;
      size_t start = 0;
      while (!hit && start <= updateOf.size()) {
        size_t end = updateOf.find(',', start);
        if (end == std::string::npos) end = updateOf.size();
        for (size_t k = 0; k < shape->columns.size() && k < written.size(); ++k) {
          hit = hit || (written[k] == '1' &&
                        sql::SameName(shape->columns[k].name, std::string_view(updateOf).substr(start, end - start)));
        }
        start = end + 1;
      }
      if (!hit) continue;
    }
    OraError error;
    const auto t = Load(connection, owner, name, -1, &error);
    if (t == nullptr || !RunTrigger(connection, *t, event, &oldRow, &newRow, &error, written)) {
      sqlite3_result_error(context, error.message.c_str(), -1);
      return;
    }
  }
  if (column < 0 || column >= n) return sqlite3_result_null(context);
  Result(context, newRow[static_cast<size_t>(column)]);
  connection.plsqlState().triggers.new_row = std::move(newRow);
}

// kestrel_new_value(column): that column of the row kestrel_before_row made.
void NewValue(sqlite3_context *context, int, sqlite3_value **argv) {
  Connection &connection = *static_cast<Connection *>(sqlite3_user_data(context));
  const std::vector<Value> &row = connection.plsqlState().triggers.new_row;
  const int column = sqlite3_value_int(argv[0]);
  if (column < 0 || static_cast<size_t>(column) >= row.size()) return sqlite3_result_null(context);
  Result(context, row[static_cast<size_t>(column)]);
}

void AddTarget(Connection &connection, const sql::TableRef *target, uint8_t events,
               std::vector<DmlTarget> *out) {
  if (target == nullptr || target->kind != sql::TableKind::kTable || events == 0) return;
  Connection::InternalScope scope(connection);
  OwnedStatement f;
  const std::string sql = std::string("SELECT table_name FROM \"") + kTriggersTable +
                          "\" WHERE table_name = ?1 COLLATE NOCASE AND (row_level = 0 OR timing = "
                          "'COMPOUND') LIMIT 1";
  if (sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &f.s, nullptr) != SQLITE_OK) return;
  const std::string_view name = target->name.Last();
  sqlite3_bind_text(f.s, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(f.s) != SQLITE_ROW) return;
  const std::string table = ColumnText(f.s, 0);
  for (DmlTarget &d : *out) {
    if (d.table == table) {
      d.events |= events;
      return;
    }
  }
  out->push_back({table, events});
}

}  // namespace

bool Interpreter::LocateTriggerRow(const sql::Expr &e, Ref *out) {
  if (trigger_frame_ == nullptr || e.name.count != 1) return false;
  std::string_view bind = e.text;
  if (!bind.empty() && bind.front() == ':') bind.remove_prefix(1);
  for (size_t k = 3; k < trigger_frame_->vars.size(); ++k) {
    Variable &v = trigger_frame_->vars[k];
    if (!Record::SameName(v.name, bind)) continue;
    const int field = v.value.rec->Find(e.name.part[0]);
    // A column the table no longer has (dropped since the trigger was
    // made): Oracle's trigger is invalid then. Answering "no such name"
    // would send the bind back to be read as SQL, which binds it again.
    if (field < 0) Raise(4098, unit_name_);
    out->slot = &v.value.rec->values[static_cast<size_t>(field)];
    out->type = v.type->field_types[static_cast<size_t>(field)];
    out->var = &v;  // :OLD refuses assignment
    return true;
  }
  return false;
}

bool Interpreter::TriggerPredicate(const sql::Expr &call, Value *result) {
  // UPDATING('column'): in a row trigger, whether the update changed it.
  if (trigger_event_ == 0 || call.kind != sql::ExprKind::kFunction || call.name.count != 1 ||
      call.name.part[0] != "UPDATING" || call.args.size != 1) {
    return false;
  }
  const std::string column = ToText(Eval(call.args.first));
  bool updating = trigger_event_ == sql::kOnUpdate;
  if (updating && trigger_frame_ != nullptr && trigger_frame_->vars.size() > 4) {
    const Record &now = *trigger_frame_->vars[3].value.rec;
    const Record &was = *trigger_frame_->vars[4].value.rec;
    const int k = now.Find(column);
    updating = k >= 0 && !Same(now.values[static_cast<size_t>(k)], was.values[static_cast<size_t>(k)]);
  }
  *result = Value::Bool(updating);
  return true;
}

int RegisterTriggerFunctions(Connection &connection) {
  // Innocuous for SQLite's schema rule: only the engine's own triggers
  // (kestrel$t$...) call it, and it runs only triggers the catalog holds.
  int rc = sqlite3_create_function_v2(connection.db(), "kestrel_trigger_row", -1,
                                      SQLITE_UTF8 | SQLITE_INNOCUOUS, &connection, TriggerRow, nullptr,
                                      nullptr, nullptr);
  // Called by the statements the emitter writes, once per row and column,
  // in the order SQLite computes the row: never factored out as constant.
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(connection.db(), "kestrel_before_row", -1, SQLITE_UTF8, &connection,
                                    BeforeRow, nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(connection.db(), "kestrel_new_value", 1, SQLITE_UTF8, &connection,
                                    NewValue, nullptr, nullptr, nullptr);
  }
  return rc;
}

std::vector<DmlTarget> StatementTriggerTargets(Connection &connection, const sql::Statement &statement) {
  std::vector<DmlTarget> out;
  switch (statement.kind) {
    case sql::StmtKind::kInsert:
      AddTarget(connection, static_cast<const sql::DmlStmt &>(statement).target, sql::kOnInsert, &out);
      break;
    case sql::StmtKind::kUpdate:
      AddTarget(connection, static_cast<const sql::DmlStmt &>(statement).target, sql::kOnUpdate, &out);
      break;
    case sql::StmtKind::kDelete:
      AddTarget(connection, static_cast<const sql::DmlStmt &>(statement).target, sql::kOnDelete, &out);
      break;
    case sql::StmtKind::kMerge: {
      const auto &m = static_cast<const sql::MergeStmt &>(statement);
      AddTarget(connection, m.target,
                static_cast<uint8_t>((m.has_update ? sql::kOnUpdate : 0) |
                                     (m.has_insert ? sql::kOnInsert : 0) |
                                     (m.delete_where != nullptr ? sql::kOnDelete : 0)),
                &out);
      break;
    }
    case sql::StmtKind::kMultiInsert:
      for (const sql::InsertBranch *b : static_cast<const sql::MultiInsertStmt &>(statement).branches) {
        for (const sql::InsertInto *into : b->into) AddTarget(connection, into->target, sql::kOnInsert, &out);
      }
      break;
    default:
      break;
  }
  return out;
}

uint32_t TakeInsteadOfRows(Connection &connection) {
  TriggerSession &session = connection.plsqlState().triggers;
  const uint32_t rows = session.instead_rows;
  session.instead_rows = 0;
  return rows;
}

bool FireStatementTriggers(Connection &connection, const std::vector<DmlTarget> &targets, bool after,
                           OraError *error) {
  for (const DmlTarget &target : targets) {
    std::vector<std::pair<std::string, std::string>> names;
    std::vector<int> events;
    {
      Connection::InternalScope scope(connection);
      OwnedStatement f;
      const std::string sql = std::string("SELECT owner, name, events FROM \"") + kTriggersTable +
                              "\" WHERE table_name = ?1 AND status = 'ENABLED' AND ((row_level = 0 "
                              "AND timing = ?2) OR timing = 'COMPOUND') AND (events & ?3) <> 0 ORDER BY seq";
      if (sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &f.s, nullptr) != SQLITE_OK) continue;
      sqlite3_bind_text(f.s, 1, target.table.data(), static_cast<int>(target.table.size()),
                        SQLITE_TRANSIENT);
      sqlite3_bind_text(f.s, 2, after ? "AFTER" : "BEFORE", -1, SQLITE_STATIC);
      sqlite3_bind_int(f.s, 3, target.events);
      while (sqlite3_step(f.s) == SQLITE_ROW) {
        names.emplace_back(ColumnText(f.s, 0), ColumnText(f.s, 1));
        events.push_back(sqlite3_column_int(f.s, 2));
      }
    }
    for (size_t k = 0; k < names.size(); ++k) {
      const auto t = Load(connection, names[k].first, names[k].second, -1, error);
      if (t == nullptr) return false;
      for (const uint8_t bit : {sql::kOnInsert, sql::kOnUpdate, sql::kOnDelete}) {
        if (!(events[k] & target.events & bit)) continue;
        if (!RunTrigger(connection, *t, bit, nullptr, nullptr, error, {},
                        after ? sql::TriggerSection::kAfterStatement
                              : sql::TriggerSection::kBeforeStatement)) {
          return false;
        }
        if (t->compound && after) connection.plsqlState().triggers.compound.erase(t->owner + "." + t->name);
      }
    }
  }
  return true;
}

}  // namespace kestrel_engine::plsql
