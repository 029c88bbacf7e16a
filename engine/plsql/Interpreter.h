/*
** The interpreter's state while one unit runs: the frames of declared
** names, the cursors, the exception being handled, and the SQL of the
** unit compiled once per run. Its methods are spread over files by
** concern: declarations, expressions, statements, SQL, cursors and the
** built-in packages.
*/
#ifndef KESTREL_ENGINE_PLSQL_INTERPRETER_H
#define KESTREL_ENGINE_PLSQL_INTERPRETER_H

#include <sqlite3.h>

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "plsql/PlError.h"
#include "plsql/Plsql.h"
#include "plsql/Triggers.h"
#include "plsql/Value.h"
#include "sql/ast/Arena.h"
#include "sql/resolve/Resolve.h"

namespace kestrel_engine::plsql {

struct VarType;
using TypeRef = std::shared_ptr<const VarType>;

struct VarType {
  enum Kind : uint8_t { kScalar, kRecord, kTable };
  Kind kind = kScalar;
  sql::OracleType sql;       // kScalar
  bool pls_integer = false;  // PLS_INTEGER, BINARY_INTEGER: whole, 32-bit
  std::vector<std::string> field_names;  // kRecord
  std::vector<TypeRef> field_types;
  std::vector<const sql::Expr *> field_defaults;  // := or DEFAULT of a record type's field
  TypeRef element;           // kTable
  bool text_keys = false;
};

struct Variable {
  std::string_view name;
  TypeRef type;
  Value value;
  bool constant = false;
  bool not_null = false;
};

// An explicit cursor, or the state of a cursor FOR loop. OPEN reads the
// whole result, so the rows are those of that moment however the loop
// changes the table (as Oracle's read consistency gives them).
struct CursorState {
  const sql::PlDecl *decl = nullptr;
  std::vector<sql::ColumnInfo> columns;
  std::vector<Value> rows;       // row after row
  size_t next = 0;               // the next row's first value
  const Value *row = nullptr;    // the row the last FETCH read
  bool open = false;
  bool fetched = false;          // %FOUND is NULL before the first fetch
  bool found = false;
  int64_t rowcount = 0;
};

struct Symbol {
  enum Kind : uint8_t { kVariable, kCursor, kException, kType, kSubprogram };
  Kind kind;
  std::string_view name;
  size_t index;
};

struct Frame {
  Frame *parent = nullptr;
  std::string_view label;
  std::vector<Symbol> symbols;
  std::deque<Variable> vars;
  std::deque<CursorState> cursors;
  std::vector<const sql::PlDecl *> exceptions;
  std::vector<int> exception_codes;  // EXCEPTION_INIT, 0 when none
  std::vector<TypeRef> types;
  std::vector<const sql::Subprogram *> subprograms;
  bool unit = false;  // a subprogram's outermost frame: names stop here
                      // except those of the frames it was declared in
  // The syntax node whose run made this frame (a block, a loop, a
  // subprogram): frames made for one node always sit in the same chain of
  // scopes, so a name found from there is found at the same place again.
  // Null where that does not hold or is not known: names are then not cached.
  const void *scope = nullptr;
  // All its declarations are made: it gains no more names.
  bool sealed = false;
  // Unique in the session (0: none given): names found from this frame
  // as the innermost keep the variable itself while it lives.
  uint64_t serial = 0;

  const Symbol *Find(std::string_view name) const {
    for (size_t i = symbols.size(); i-- > 0;) {
      if (symbols[i].name == name) return &symbols[i];
    }
    return nullptr;
  }
};

// One SQL statement of the unit, prepared. `params` are the PL/SQL names
// (and binds) its numbered parameters stand for.
struct Compiled {
  sqlite3_stmt *stmt = nullptr;
  std::vector<const sql::Expr *> params;
  std::vector<sql::ColumnInfo> columns;
  bool busy = false;
  std::vector<DmlTarget> triggers;  // tables whose statement triggers fire around it
  bool triggers_known = false;
  ~Compiled() { sqlite3_finalize(stmt); }
};

// Where a name refers to: a value slot with its declared type.
struct Ref {
  Value *slot = nullptr;
  TypeRef type;
  const Variable *var = nullptr;  // the variable (constants refuse writes)
  std::string host;               // a client bind: its key
};

enum class Flow : uint8_t { kNext, kExit, kContinue, kReturn };

// Arguments evaluated before the call (to choose among overloads), by
// their expressions.
using ArgValues = std::unordered_map<const sql::Expr *, Value>;

// A stored procedure or function loaded for this run.
struct StoredUnit {
  std::string text;  // CREATE ... as parsed
  sql::Arena arena;
  const sql::Subprogram *sub = nullptr;
  std::string name;  // OWNER.NAME, for the ORA-06512 lines
  bool invoker = false;  // AUTHID CURRENT_USER (a package's, for its members)
};

class Interpreter {
 public:
  Interpreter(const RunContext &context, std::string_view text);
  ~Interpreter();

  void RunBlock(const sql::PlBlock &block);
  uint32_t rows() const { return rows_; }

  // --- declarations (Declare.cpp)
  void Declare(const sql::PlDecl &d, Frame &frame);
  TypeRef TypeOf(const sql::PlType &t);
  TypeRef ScalarType(const sql::OracleType &t);
  TypeRef RowType(const std::vector<sql::ColumnInfo> &columns);
  Value Initial(const TypeRef &type);
  // Converts to the declared type (ORA-06502 and kin when it does not fit).
  Value Coerce(Value v, const VarType &type);

  // --- names and expressions (Eval.cpp)
  bool Locate(const sql::Expr &e, Ref *out, bool create);
  const Symbol *FindSymbol(std::string_view name, Frame **where);
  // The variable the first part of a name refers to, through the slot the
  // name node caches (NameSlots.cpp); null when it is no variable.
  Variable *FindVariable(const sql::Expr &e) {
    if (e.found_scope != nullptr && !frames_.empty()) {
      Frame *const top = frames_.back().get();
      if (top->serial == e.found_frame && top->serial != 0) return static_cast<Variable *>(e.found_var);
      if (e.found_scope == top->scope && e.found_name == e.name.part[0].data()) {
        Frame *f = top;
        for (uint32_t h = e.found_hops; h > 0; --h) f = f->parent;
        if (e.found_symbol < f->symbols.size()) {
          Variable *v = &f->vars[f->symbols[e.found_symbol].index];
          e.found_var = v;
          e.found_frame = top->serial;
          return v;
        }
      }
    }
    return SearchVariable(e);
  }
  Variable *SearchVariable(const sql::Expr &e);
  // Whole-number arithmetic over variables and literals without building
  // values; false (having done nothing) for any other form (FastPath.cpp).
  bool EvalWhole(const sql::Expr *e, int64_t *out);
  // `target := expr` for a plain variable whose value stays a whole
  // number or is simply replaced; false when the general path must run.
  bool AssignFast(const sql::Expr &target, const sql::Expr *expr);
  Value Eval(const sql::Expr *e);
  bool Condition(const sql::Expr *e);  // NULL reads as false
  Value EvalSql(const sql::Expr *e);
  void Assign(const sql::Expr &target, Value v);
  void Store(const Ref &ref, Value v);

  // --- statements (Statements.cpp)
  Flow ExecList(const sql::List<sql::PlStmt> &list);
  Flow Exec(const sql::PlStmt &s);
  Flow ExecBlock(const sql::PlBlock &block);
  Flow ExecLoopBody(const sql::PlStmt &s, bool *stop);
  // What the flow `f` out of loop `s`'s body does to the loop: *stop when
  // it ends it, with the flow to go on with.
  Flow LoopFlow(const sql::PlStmt &s, Flow f, bool *stop);
  // Adds the ORA-06512 line of statement `s` once per unit an error leaves.
  void TraceLine(PlRaise &raised, const sql::PlStmt &s);
  void LoopBounds(const sql::PlStmt &s, int64_t *lo, int64_t *hi);
  Value &AddLoopIndex(Frame &frame, const sql::PlStmt &s);

  // --- SQL (SqlRun.cpp)
  Compiled *Compile(const void *key, const sql::Statement &st);
  void BindParams(Compiled &c);
  void RunSql(const sql::PlStmt &s);
  void RunReturning(const sql::Statement &st, const sql::Returning &returning);
  // The DML's RETURNING ... BULK COLLECT, if it has one.
  const sql::Returning *BulkReturning(const sql::PlStmt &s) const;
  void ExecuteImmediate(const sql::PlStmt &s);
  void EnsureBlockWrite();
  // The statement triggers of a DML statement's tables, BEFORE or AFTER.
  void FireStatementLevel(const std::vector<DmlTarget> &targets, bool after);
  std::vector<DmlTarget> &TriggersOf(Compiled &c, const sql::Statement &st);
  void RunText(std::string_view text);
  std::string_view StatementText(uint32_t pos);
  void IntoTargets(const sql::List<sql::Expr> &into, const Value *row, size_t columns);
  std::vector<Value> RowOf(sqlite3_stmt *stmt);
  void BulkInto(const sql::List<sql::Expr> &into, const Value *rows, size_t count, size_t columns);

  // --- cursors (Cursors.cpp)
  CursorState *FindCursor(const sql::Expr &e, Frame **frame);
  void OpenCursor(CursorState &c, Frame &frame, const sql::List<sql::Expr> &args);
  bool FetchRow(CursorState &c);
  void CloseCursor(CursorState &c);
  void ReadResult(Compiled &compiled, CursorState &c);
  Value CursorAttr(const sql::Expr &e);
  Flow CursorLoop(const sql::PlStmt &s);

  // --- calls and built-in packages (Calls.cpp)
  void Call(const sql::Expr &target);
  Value CallSubprogram(const sql::Subprogram &sub, Frame &declared,
                       const sql::List<sql::Expr> *args, const struct StoredUnit *stored = nullptr,
                       const ArgValues *evaluated = nullptr);
  // --- overloads (Overloads.cpp)
  // The subprograms of `name` declared in `frame`.
  std::vector<const sql::Subprogram *> Overloads(const Frame &frame, std::string_view name);
  // The one of `candidates` the call means (PLS-00306, PLS-00307); the
  // arguments it had to evaluate are kept in `values`.
  const sql::Subprogram *ChooseOverload(const std::vector<const sql::Subprogram *> &candidates,
                                        Frame &declared, const sql::Expr &call, ArgValues *values);
  // Calls the subprogram symbol `s` of `where`, choosing among its overloads.
  Value CallNamed(const Symbol &s, Frame &where, const sql::Expr &call,
                  const struct StoredUnit *stored = nullptr);
  bool CallStored(const sql::Expr &call, Value *result);
  // owner.unit(...): a stored procedure or function named with its schema.
  bool CallOwnerQualified(const sql::Expr &call, Value *result);
  // The stored procedure or function `name`, parsed once per run; null
  // when there is none. An INVALID one raises PLS-00905 (ORA-06575 for SQL).
  const StoredUnit *LoadStored(std::string_view schema, std::string_view name, uint32_t pos,
                              bool from_sql);
  // A stored function called from SQL: `call` names it, its arguments are
  // the binds :1 .. :n (SqlCalls.cpp); ORA-06572 when it has OUT parameters.
  Value CallFromSql(const sql::Expr &call);
  bool Builtin(const sql::Expr &call, Value *result);
  bool TableMethod(const sql::Expr &call, size_t argc, Value *result);
  void PollBreak();

  // --- triggers (TriggerFire.cpp)
  // :NEW.col and :OLD.col (or their REFERENCING names) in a row trigger.
  bool LocateTriggerRow(const sql::Expr &e, Ref *out);
  // UPDATING('column').
  bool TriggerPredicate(const sql::Expr &call, Value *result);
  // --- packages (Packages.cpp)
  // The package `name` (of `owner`, when given) as this session holds it,
  // declared and initialised at its first use; null when there is none or
  // the rights holder may not reach it. One it sees but may not execute
  // raises PLS-00904 (ORA-01031 for SQL).
  std::shared_ptr<struct PackageInstance> Package(std::string_view name, uint32_t pos,
                                                  std::string_view owner = {}, bool from_sql = false);
  void Initialise(struct PackageInstance &p);
  // pkg.item or owner.pkg.item: the public item (PLS-00302 for another),
  // null when the name is no package's; `parts` gets how many parts of the
  // name it took.
  const Symbol *PackageMember(const sql::Name &n, uint32_t pos, Frame **where, int *parts);
  // pkg.sub(...) or owner.pkg.sub(...); false when the name is no package's.
  bool PackagedCall(const sql::Expr &call, Value *result, bool from_sql = false);

  // A value's text, dates and timestamps in the session's format.
  std::string TextOf(const Value &v);
  int LineOf(uint32_t pos) const;
  [[noreturn]] void Raise(int code, std::string_view detail = {});
  // ORA-06550 with PLS-00905 for a call at `pos` of an INVALID unit.
  [[noreturn]] void InvalidUnit(uint32_t pos, const std::string &name);

  const RunContext &ctx_;
  std::string_view text_;
  sqlite3 *db_;
  sql::Arena arena_;
  std::unique_ptr<sql::SqliteCatalog> catalog_;
  std::vector<std::unique_ptr<Frame>> frames_;  // the active frames, innermost last
  std::unordered_map<const void *, std::unique_ptr<Compiled>> compiled_;
  std::vector<std::unique_ptr<Compiled>> spare_;  // prepared while the cached one was busy
  std::vector<const PlRaise *> handling_;  // exceptions whose handlers run
  CursorState sql_cursor_;  // SQL%...
  // FORALL's RETURNING ... BULK COLLECT: the rows its runs return so far.
  struct ForallBulk {
    const sql::Returning *returning = nullptr;
    std::vector<Value> *rows = nullptr;
  } forall_bulk_;
  uint32_t rows_ = 0;
  bool block_open_ = false;
  int depth_ = 0;
  uint32_t loop_polls_ = 0;      // loop iterations since the break flag was polled
  std::string_view exit_label_;  // EXIT/CONTINUE label travelling out
  Value return_value_;           // RETURN expr of a function
  TypeRef loop_index_type_;      // PLS_INTEGER
  std::string unit_name_;        // the stored unit running (empty: the block)
  Frame globals_;                // where stored units are declared
  std::unordered_map<std::string, std::unique_ptr<StoredUnit>> stored_;
  Compiled to_char_;             // SELECT to_char(?1), for TextOf
  int line_base_ = 0;            // a trigger's heading lines: its lines count from its body
  Frame *trigger_frame_ = nullptr;  // a trigger's INSERTING.., NEW, OLD
  uint8_t trigger_event_ = 0;    // the TriggerEvent firing it
  // Packages this run has looked up, by name (null: no such package).
  std::unordered_map<std::string, std::shared_ptr<struct PackageInstance>> packages_;
};

}  // namespace kestrel_engine::plsql

#endif
