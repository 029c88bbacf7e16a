/*
** Cursors: explicit cursors with parameters (OPEN, FETCH, CLOSE and
** their attributes), the implicit SQL cursor's attributes, and cursor
** FOR loops over a query or a declared cursor.
*/
#include "plsql/Interpreter.h"
#include "plsql/SessionState.h"

#include "errors/SqliteErrors.h"
#include "session/Connection.h"

namespace kestrel_engine::plsql {

using sql::Expr;
using sql::ExprKind;

CursorState *Interpreter::FindCursor(const Expr &e, Frame **frame) {
  const std::string_view name = e.name.Last();
  const Symbol *s = FindSymbol(name, frame);
  if (s == nullptr || s->kind != Symbol::kCursor) {
    Raise(6550, "line " + std::to_string(LineOf(e.pos)) + ": PLS-00201: identifier '" +
                    std::string(name) + "' must be declared");
  }
  return &(*frame)->cursors[s->index];
}

void Interpreter::OpenCursor(CursorState &c, Frame &frame, const sql::List<Expr> &args) {
  if (c.open) Raise(6511);
  const sql::PlDecl &d = *c.decl;
  if (d.query == nullptr) Raise(6550, "PLS-00999: a cursor without a query");
  // The parameters are names of a frame of their own, under the frame
  // the cursor was declared in, while the query is compiled and bound.
  auto params = std::make_unique<Frame>();
  params->parent = &frame;
  const Expr *arg = args.first;
  for (const sql::PlParam *p : d.params) {
    Variable v;
    v.name = p->name->name;
    v.type = TypeOf(*p->type);
    if (arg != nullptr) {
      v.value = Coerce(Eval(arg), *v.type);
      arg = static_cast<const Expr *>(arg->next);
    } else if (p->default_value != nullptr) {
      v.value = Coerce(Eval(p->default_value), *v.type);
    } else {
      Raise(6550, "PLS-00306: wrong number or types of arguments in call to '" +
                      std::string(d.name->name) + "'");
    }
    params->vars.push_back(std::move(v));
    params->symbols.push_back({Symbol::kVariable, params->vars.back().name, params->vars.size() - 1});
  }
  if (arg != nullptr) {
    Raise(6550, "PLS-00306: wrong number or types of arguments in call to '" +
                    std::string(d.name->name) + "'");
  }
  frames_.push_back(std::move(params));
  struct Pop {
    std::vector<std::unique_ptr<Frame>> &f;
    ~Pop() { f.pop_back(); }
  } pop{frames_};
  sql::SelectStmt st;
  st.query = d.query;
  st.pos = d.query->pos;
  ReadResult(*Compile(&d, st), c);
}

void Interpreter::ReadResult(Compiled &compiled, CursorState &c) {
  BindParams(compiled);
  c.columns = compiled.columns;
  c.rows.clear();
  const size_t n = compiled.columns.size();
  int rc;
  size_t count = 0;
  compiled.busy = true;
  while ((rc = sqlite3_step(compiled.stmt)) == SQLITE_ROW) {
    for (size_t k = 0; k < n; ++k) {
      c.rows.push_back(FromColumn(compiled.stmt, static_cast<int>(k)));
      c.rows.back().datetime = compiled.columns[k].type.IsDatetime();
    }
    if (++count % 1024 == 0 && ctx_.connection.TakeBreak()) {
      rc = SQLITE_INTERRUPT;
      break;
    }
  }
  compiled.busy = false;
  if (rc != SQLITE_DONE) {
    const OraError error = rc == SQLITE_INTERRUPT ? OraError::Make(1013) : ErrorFromSqlite(db_, 1);
    sqlite3_reset(compiled.stmt);
    throw PlRaise::From(error);
  }
  sqlite3_reset(compiled.stmt);
  c.next = 0;
  c.row = nullptr;
  c.open = true;
  c.fetched = false;
  c.found = false;
  c.rowcount = 0;
}

bool Interpreter::FetchRow(CursorState &c) {
  if (!c.open) Raise(1001);
  PollBreak();
  c.fetched = true;
  const size_t n = c.columns.size();
  if (n == 0 || c.next + n > c.rows.size()) {
    c.found = false;
    return false;
  }
  c.row = &c.rows[c.next];
  c.next += n;
  c.found = true;
  ++c.rowcount;
  return true;
}

void Interpreter::CloseCursor(CursorState &c) {
  c.rows.clear();
  c.rows.shrink_to_fit();
  c.row = nullptr;
  c.open = false;
}

Value Interpreter::CursorAttr(const Expr &e) {
  const std::string_view attr = e.text;
  CursorState *c = &sql_cursor_;
  const bool implicit = e.name.count == 1 && e.name.part[0] == "SQL";
  if (!implicit) {
    Frame *frame = nullptr;
    c = FindCursor(e, &frame);
  }
  if (attr == "ISOPEN") return Value::Bool(implicit ? false : c->open);
  if (!implicit && !c->open) Raise(1001);
  if (attr == "ROWCOUNT") return c->fetched || !implicit ? Value::Int(c->rowcount) : Value();
  if (!c->fetched) return {};
  if (attr == "FOUND") return Value::Bool(c->found);
  if (attr == "NOTFOUND") return Value::Bool(!c->found);
  Raise(6550, "PLS-00999: cursor attribute " + std::string(attr) + " is not supported");
}

Flow Interpreter::CursorLoop(const sql::PlStmt &s) {
  CursorState local;
  CursorState *c = &local;
  sql::PlDecl adhoc;
  Frame *declared = frames_.back().get();
  if (s.query != nullptr) {
    adhoc.kind = sql::PlDeclKind::kCursor;
    adhoc.query = s.query;
    local.decl = &adhoc;
  } else {
    c = FindCursor(*s.target, &declared);
  }
  sql::List<Expr> none;
  if (s.query != nullptr) {
    // The loop's own query: compiled under the statement as its key.
    sql::SelectStmt st;
    st.query = s.query;
    st.pos = s.query->pos;
    ReadResult(*Compile(&s, st), local);
  } else {
    OpenCursor(*c, *declared, s.target->kind == ExprKind::kFunction ? s.target->args : none);
  }
  struct Close {
    Interpreter &in;
    CursorState *c;
    ~Close() {
      if (c->open) in.CloseCursor(*c);
    }
  } close{*this, c};
  auto frame = std::make_unique<Frame>();
  frame->parent = frames_.back().get();
  frame->scope = &s;
  frame->sealed = true;
  frame->serial = ++ctx_.connection.plsqlState().frame_serial;
  Variable record;
  record.name = s.name->name;
  record.type = RowType(c->columns);
  record.value = Initial(record.type);
  frame->vars.push_back(std::move(record));
  frame->symbols.push_back({Symbol::kVariable, frame->vars.front().name, 0});
  Value &slot = frame->vars.front().value;
  frames_.push_back(std::move(frame));
  struct Pop {
    std::vector<std::unique_ptr<Frame>> &f;
    ~Pop() { f.pop_back(); }
  } pop{frames_};
  const size_t columns = c->columns.size();
  while (FetchRow(*c)) {
    for (size_t k = 0; k < columns; ++k) slot.rec->values[k] = c->row[k];
    bool stop = false;
    const Flow f = ExecLoopBody(s, &stop);
    if (stop) return f;
  }
  return Flow::kNext;
}

}  // namespace kestrel_engine::plsql
