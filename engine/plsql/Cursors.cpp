/*
** Cursors: explicit cursors with parameters (OPEN, FETCH, CLOSE and
** their attributes), the implicit SQL cursor's attributes, and cursor
** FOR loops over a query or a declared cursor.
*/
#include "plsql/Interpreter.h"

#include "errors/SqliteErrors.h"

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
  Compiled *compiled = Compile(&d, st);
  BindParams(*compiled);
  compiled->busy = true;
  c.compiled = compiled;
  c.stmt = compiled->stmt;
  c.open = true;
  c.fetched = false;
  c.found = false;
  c.rowcount = 0;
}

bool Interpreter::FetchRow(CursorState &c) {
  if (!c.open) Raise(1001);
  PollBreak();
  const int rc = sqlite3_step(c.stmt);
  c.fetched = true;
  if (rc == SQLITE_ROW) {
    c.found = true;
    ++c.rowcount;
    return true;
  }
  if (rc != SQLITE_DONE) throw PlRaise::From(ErrorFromSqlite(db_, 1));
  c.found = false;
  // Past the last row the statement stays done; reset frees its snapshot.
  sqlite3_reset(c.stmt);
  return false;
}

void Interpreter::CloseCursor(CursorState &c) {
  if (c.stmt != nullptr) sqlite3_reset(c.stmt);
  if (c.compiled != nullptr) c.compiled->busy = false;
  c.stmt = nullptr;
  c.compiled = nullptr;
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
    Compiled *compiled = Compile(&s, st);
    BindParams(*compiled);
    compiled->busy = true;
    local.compiled = compiled;
    local.stmt = compiled->stmt;
    local.open = true;
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
  Variable record;
  record.name = s.name->name;
  record.type = RowType(c->compiled->columns);
  record.value = Initial(record.type);
  frame->vars.push_back(std::move(record));
  frame->symbols.push_back({Symbol::kVariable, frame->vars.front().name, 0});
  Value &slot = frame->vars.front().value;
  frames_.push_back(std::move(frame));
  struct Pop {
    std::vector<std::unique_ptr<Frame>> &f;
    ~Pop() { f.pop_back(); }
  } pop{frames_};
  const size_t columns = c->compiled->columns.size();
  while (FetchRow(*c)) {
    for (size_t k = 0; k < columns; ++k) {
      slot.rec->values[k] = FromColumn(c->stmt, static_cast<int>(k));
      slot.rec->values[k].datetime = c->compiled->columns[k].type.IsDatetime();
    }
    bool stop = false;
    const Flow f = ExecLoopBody(s, &stop);
    if (stop) return f;
  }
  return Flow::kNext;
}

}  // namespace kestrel_engine::plsql
