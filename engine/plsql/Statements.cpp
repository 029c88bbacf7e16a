/*
** Statements: blocks with their declarations and exception handlers,
** assignment, IF, CASE, the loops with EXIT and CONTINUE, RAISE, and the
** ORA-06512 line an exception gathers where it leaves a statement.
*/
#include <algorithm>
#include <cmath>

#include "plsql/Interpreter.h"
#include "plsql/SessionState.h"
#include "session/Connection.h"

namespace kestrel_engine::plsql {

using sql::PlStmt;
using sql::PlStmtKind;

namespace {

// The innermost loop's label, or empty.
std::string_view LoopLabel(const PlStmt &s) {
  return s.labels.empty() ? std::string_view() : s.labels.last->name;
}

// Frames pushed for a block or a loop, popped however it is left.
class FrameGuard {
 public:
  FrameGuard(std::vector<std::unique_ptr<Frame>> &frames, std::string_view label, const void *scope,
             uint64_t &serials)
      : frames_(frames) {
    auto f = std::make_unique<Frame>();
    f->parent = frames.empty() ? nullptr : frames.back().get();
    f->label = label;
    f->scope = scope;
    f->serial = ++serials;
    frames.push_back(std::move(f));
  }
  ~FrameGuard() { frames_.pop_back(); }
  FrameGuard(const FrameGuard &) = delete;
  FrameGuard &operator=(const FrameGuard &) = delete;
  Frame &frame() { return *frames_.back(); }

 private:
  std::vector<std::unique_ptr<Frame>> &frames_;
};

}  // namespace

Flow Interpreter::ExecBlock(const sql::PlBlock &block) {
  if (++depth_ > 255) {
    --depth_;
    Raise(6500);
  }
  struct DepthGuard {
    int &d;
    ~DepthGuard() { --d; }
  } depth{depth_};
  FrameGuard guard(frames_, block.labels.empty() ? std::string_view() : block.labels.last->name,
                   &block, ctx_.connection.plsqlState().frame_serial);
  Frame &frame = guard.frame();
  // An error in the declarations is not for this block's handlers.
  for (const sql::PlDecl *d : block.decls) Declare(*d, frame);
  frame.sealed = true;
  try {
    const Flow flow = ExecList(block.body);
    // Cursors still open close with their block.
    for (CursorState &c : frame.cursors) {
      if (c.open) CloseCursor(c);
    }
    return flow == Flow::kReturn ? flow : Flow::kNext;
  } catch (PlRaise &raised) {
    for (CursorState &c : frame.cursors) {
      if (c.open) CloseCursor(c);
    }
    for (const sql::PlWhen *h : block.handlers) {
      bool hit = false;
      for (const sql::Expr *x : h->exceptions) {
        const sql::Name &n = x->name;
        if (n.count == 1 && n.part[0] == "OTHERS") {
          hit = true;
        } else if (n.count == 1 && PredefinedCode(n.part[0]) != 0) {
          hit = raised.user == nullptr && raised.code == PredefinedCode(n.part[0]);
        } else {
          Frame *where = nullptr;
          const Symbol *s = FindSymbol(n.Last(), &where);
          if (s != nullptr && s->kind == Symbol::kException) {
            const int code = where->exception_codes[s->index];
            hit = raised.user == where->exceptions[s->index] ||
                  (code != 0 && raised.code == code);
          }
        }
        if (hit) break;
      }
      if (!hit) continue;
      PlRaise current = std::move(raised);
      current.trace.clear();
      current.traced_in = nullptr;
      handling_.push_back(&current);
      struct Pop {
        std::vector<const PlRaise *> &h;
        ~Pop() { h.pop_back(); }
      } pop{handling_};
      const Flow flow = ExecList(h->body);
      return flow == Flow::kReturn ? flow : Flow::kNext;
    }
    throw;
  }
}

// A numeric FOR or FORALL range: PLS_INTEGER bounds (ORA-06502 for NULL,
// ORA-01426 past the range).
// The index of a numeric FOR or FORALL: a constant of the loop's own
// frame; its slot is what each iteration sets.
Value &Interpreter::AddLoopIndex(Frame &frame, const PlStmt &s) {
  Variable index;
  index.name = s.name->name;
  index.type = loop_index_type_;
  index.constant = true;
  frame.vars.push_back(index);
  frame.symbols.push_back({Symbol::kVariable, index.name, 0});
  frame.sealed = true;
  return frame.vars.front().value;
}

void Interpreter::LoopBounds(const PlStmt &s, int64_t *lo, int64_t *hi) {
  const Value a = Eval(s.expr), b = Eval(s.upper);
  Value n;
  if (!ToNumber(a, &n) || n.IsNull() || !ToNumber(b, &n) || n.IsNull()) Raise(6502);
  if (!ToWhole(a, INT32_MIN, INT32_MAX, lo) || !ToWhole(b, INT32_MIN, INT32_MAX, hi)) Raise(1426);
}

Flow Interpreter::ExecList(const sql::List<PlStmt> &list) {
  for (const PlStmt *s : list) {
    if (s->kind == PlStmtKind::kAssign) {
      // Whole-number assignments, without the general dispatch.
      try {
        if (AssignFast(*s->target, s->expr)) continue;
      } catch (PlRaise &raised) {
        TraceLine(raised, *s);
        throw;
      }
    }
    const Flow f = Exec(*s);
    if (f != Flow::kNext) return f;
  }
  return Flow::kNext;
}

Flow Interpreter::ExecLoopBody(const PlStmt &s, bool *stop) {
  // The break flag is read every few iterations: often enough for a
  // person waiting, rarely enough to cost nothing in a tight loop.
  if ((++loop_polls_ & 15) == 0) PollBreak();
  return LoopFlow(s, ExecList(s.body), stop);
}

Flow Interpreter::LoopFlow(const PlStmt &s, Flow f, bool *stop) {
  if (f == Flow::kExit || f == Flow::kContinue) {
    // EXIT/CONTINUE naming an outer loop travel on.
    if (!exit_label_.empty() && exit_label_ != LoopLabel(s)) {
      *stop = true;
      return f;
    }
    exit_label_ = {};
    *stop = f == Flow::kExit;
    return Flow::kNext;
  }
  *stop = f != Flow::kNext;
  return f;
}

Flow Interpreter::Exec(const PlStmt &s) {
  try {
    switch (s.kind) {
      case PlStmtKind::kNull:
        return Flow::kNext;
      case PlStmtKind::kAssign:
        Assign(*s.target, Eval(s.expr));
        return Flow::kNext;
      case PlStmtKind::kIf:
        for (const sql::PlWhen *w : s.whens) {
          if (Condition(w->cond)) return ExecList(w->body);
        }
        return s.has_else ? ExecList(s.body) : Flow::kNext;
      case PlStmtKind::kCase: {
        const bool simple = s.expr != nullptr;
        const Value subject = simple ? Eval(s.expr) : Value();
        for (const sql::PlWhen *w : s.whens) {
          bool hit;
          if (simple) {
            const Value v = Eval(w->cond);
            hit = !subject.IsNull() && !v.IsNull() && Compare(subject, v) == 0;
          } else {
            hit = Condition(w->cond);
          }
          if (hit) return ExecList(w->body);
        }
        if (!s.has_else) Raise(6592);
        return ExecList(s.body);
      }
      case PlStmtKind::kLoop:
        for (;;) {
          bool stop = false;
          const Flow f = ExecLoopBody(s, &stop);
          if (stop) return f;
        }
      case PlStmtKind::kWhile:
        while (Condition(s.expr)) {
          bool stop = false;
          const Flow f = ExecLoopBody(s, &stop);
          if (stop) return f;
        }
        return Flow::kNext;
      case PlStmtKind::kForRange: {
        int64_t a = 0, b = 0;
        LoopBounds(s, &a, &b);
        FrameGuard guard(frames_, std::string_view(), &s, ctx_.connection.plsqlState().frame_serial);
        Frame &frame = guard.frame();
        Value &slot = AddLoopIndex(frame, s);
        if (a > b) return Flow::kNext;
        slot = Value::Int(a);
        for (int64_t i = s.reverse ? b : a;; s.reverse ? --i : ++i) {
          slot.i = i;  // the index is a constant: it stays a whole number
          // ExecLoopBody, written out for the commonest loop.
          if ((++loop_polls_ & 15) == 0) PollBreak();
          const Flow f = ExecList(s.body);
          if (f != Flow::kNext) {
            bool stop = false;
            const Flow g = LoopFlow(s, f, &stop);
            if (stop) return g;
          }
          if (i == (s.reverse ? a : b)) break;
        }
        return Flow::kNext;
      }
      case PlStmtKind::kForCursor:
        return CursorLoop(s);
      case PlStmtKind::kForall: {
        // FORALL i IN lo .. hi dml: the statement once per index.
        if (s.forall != 0) Raise(6550, "PLS-00999: FORALL INDICES OF / VALUES OF is not supported");
        int64_t a = 0, b = 0;
        LoopBounds(s, &a, &b);
        FrameGuard guard(frames_, std::string_view(), &s, ctx_.connection.plsqlState().frame_serial);
        Frame &frame = guard.frame();
        Value &slot = AddLoopIndex(frame, s);
        int64_t total = 0;
        // RETURNING ... BULK COLLECT: the rows of every run, in order.
        const sql::Returning *bulk = BulkReturning(s);
        std::vector<Value> returned;
        struct Gather {
          ForallBulk &to;
          ~Gather() { to = ForallBulk(); }
        } gather{forall_bulk_};
        if (bulk != nullptr) forall_bulk_ = {bulk, &returned};
        for (int64_t i = a; i <= b; ++i) {
          PollBreak();
          slot = Value::Int(i);
          RunSql(s);
          total += sql_cursor_.rowcount;
        }
        forall_bulk_ = ForallBulk();
        if (bulk != nullptr) {
          const size_t columns = bulk->exprs.size;
          BulkInto(bulk->into, returned.data(), returned.size() / columns, columns);
        }
        sql_cursor_.rowcount = total;
        sql_cursor_.found = total > 0;
        return Flow::kNext;
      }
      case PlStmtKind::kExit: case PlStmtKind::kContinue:
        if (s.expr != nullptr && !Condition(s.expr)) return Flow::kNext;
        exit_label_ = s.name != nullptr ? s.name->name : std::string_view();
        return s.kind == PlStmtKind::kExit ? Flow::kExit : Flow::kContinue;
      case PlStmtKind::kReturn:
        if (s.expr != nullptr) return_value_ = Eval(s.expr);
        return Flow::kReturn;
      case PlStmtKind::kRaise: {
        if (s.expr == nullptr) {
          if (handling_.empty()) Raise(6550, "PLS-00367: a RAISE statement with no exception name must be inside an exception handler");
          PlRaise again = *handling_.back();
          throw again;
        }
        const sql::Name &n = s.expr->name;
        if (n.count == 1 && PredefinedCode(n.part[0]) != 0) Raise(PredefinedCode(n.part[0]));
        Frame *where = nullptr;
        const Symbol *sym = FindSymbol(n.Last(), &where);
        if (sym == nullptr || sym->kind != Symbol::kException) {
          Raise(6550, "PLS-00201: identifier '" + std::string(n.Last()) + "' must be declared");
        }
        const int code = where->exception_codes[sym->index];
        PlRaise r = code != 0 ? PlRaise::Ora(code) : PlRaise::Ora(6510);
        if (code == 0) r.code = kUserException;
        r.user = where->exceptions[sym->index];
        throw r;
      }
      case PlStmtKind::kSql:
        RunSql(s);
        return Flow::kNext;
      case PlStmtKind::kExecute:
        ExecuteImmediate(s);
        return Flow::kNext;
      case PlStmtKind::kOpen: {
        Frame *frame = nullptr;
        CursorState *c = FindCursor(*s.target, &frame);
        sql::List<sql::Expr> none;
        OpenCursor(*c, *frame, s.target->kind == sql::ExprKind::kFunction ? s.target->args : none);
        return Flow::kNext;
      }
      case PlStmtKind::kFetch: {
        Frame *frame = nullptr;
        CursorState *c = FindCursor(*s.target, &frame);
        if (s.bulk) {
          // FETCH ... BULK COLLECT INTO [LIMIT n]: the next n rows (all without LIMIT).
          if (!c->open) Raise(1001);
          PollBreak();
          const size_t n = c->columns.empty() ? 1 : c->columns.size();
          size_t want = (c->rows.size() - c->next) / n;
          if (s.upper != nullptr) {
            int64_t limit = 0;
            if (!ToWhole(Eval(s.upper), 1, INT32_MAX, &limit)) Raise(6502);
            want = std::min(want, static_cast<size_t>(limit));
          }
          BulkInto(s.into, c->rows.data() + c->next, want, n);
          c->next += want * n;
          c->rowcount += static_cast<int64_t>(want);
          c->fetched = true;
          c->found = want > 0;
          return Flow::kNext;
        }
        if (FetchRow(*c)) IntoTargets(s.into, c->row, c->columns.size());
        return Flow::kNext;
      }
      case PlStmtKind::kClose: {
        Frame *frame = nullptr;
        CursorState *c = FindCursor(*s.target, &frame);
        if (!c->open) Raise(1001);
        CloseCursor(*c);
        return Flow::kNext;
      }
      case PlStmtKind::kCall:
        Call(*s.target);
        return Flow::kNext;
      case PlStmtKind::kBlock:
        return ExecBlock(*s.block);
      default:
        Raise(6550, "line " + std::to_string(LineOf(s.pos)) +
                        ": PLS-00999: this statement is not supported");
    }
  } catch (PlRaise &raised) {
    TraceLine(raised, s);
    throw;
  }
}

void Interpreter::TraceLine(PlRaise &raised, const PlStmt &s) {
  if (raised.traced_in == text_.data()) return;
  raised.traced_in = text_.data();
  const std::string where = unit_name_.empty() ? std::string() : "\"" + unit_name_ + "\", ";
  raised.trace += OraError::Make(6512, where + "line " + std::to_string(LineOf(s.pos))).message;
  raised.trace += '\n';
}

}  // namespace kestrel_engine::plsql
