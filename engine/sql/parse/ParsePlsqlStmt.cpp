/*
** PL/SQL statements: assignment, calls, IF, CASE, the loops, EXIT and
** CONTINUE, GOTO, RETURN, RAISE, cursors (OPEN, FETCH, CLOSE), EXECUTE
** IMMEDIATE, FORALL, nested blocks, and the SQL statements a block may
** hold (SELECT INTO, DML with RETURNING INTO, COMMIT, ROLLBACK,
** SAVEPOINT), which reuse the SQL grammar.
*/
#include "sql/parse/Parser.h"

namespace kestrel_engine::sql {

bool Parser::PeekAssign() const {
  // ':=' lexes as ':' then '=', written together.
  return PeekSym(Sym::kColon) && PeekSym(Sym::kEq, 1) && Peek(1).offset == Peek().offset + 1;
}

Expr *Parser::ContinuePlsqlName(Expr *e) {
  if (PeekSym(Sym::kPercent) && Peek(1).kind == Tok::kWord) {
    // c%FOUND, SQL%ROWCOUNT, ...
    e->kind = ExprKind::kCursorAttr;
    e->text = Peek(1).value;
    pos_ += 2;
    return e;
  }
  if (!PeekSym(Sym::kLParen)) {
    if (AcceptSym(Sym::kOuterJoin)) e->flags |= kOuterJoin;
    return e;
  }
  e = ParseFunction(e);
  ChainGuard chain(*this);
  while (PeekSym(Sym::kDot) && (Peek(1).kind == Tok::kWord || Peek(1).kind == Tok::kQuotedIdent)) {
    chain.Link();
    Expr *m = New<Expr>(Peek(1).offset);
    m->kind = ExprKind::kMember;
    m->left = e;
    AddNamePart(m->name, Peek(1));
    pos_ += 2;
    e = m;
  }
  return e;
}

Expr *Parser::ParsePlTarget() {
  // Words PL/SQL reserves that SQL does not: never a variable or a call.
  static constexpr Kw kReserved[] = {Kw::kEnd, Kw::kBegin, Kw::kDeclare, Kw::kException, Kw::kElsif, Kw::kWhen,
                                     Kw::kLoop, Kw::kThen, Kw::kIf, Kw::kCase};
  for (Kw w : kReserved) {
    if (PeekWord(w)) FailPls();
  }
  if (!PeekIdentifier() && Peek().kind != Tok::kBind) FailPls();
  return ParsePrimary();
}

void Parser::ParseTargets(List<Expr> &into) {
  do {
    into.Append(ParsePlTarget());
  } while (AcceptSym(Sym::kComma));
}

void Parser::ParsePlStatements(List<PlStmt> &into) {
  // At least one statement, as Oracle requires (NULL; when there is none).
  do {
    into.Append(ParsePlStatement());
  } while (!PeekWord(Kw::kEnd) && !PeekWord(Kw::kElsif) && !PeekWord(Kw::kElse) && !PeekWord(Kw::kWhen) &&
           !PeekWord(Kw::kException));
}

void Parser::ParseLoopBody(PlStmt *s) {
  ExpectPl(Kw::kLoop);
  ParsePlStatements(s->body);
  ExpectPl(Kw::kEnd);
  ExpectPl(Kw::kLoop);
  if (PeekIdentifier()) s->end_label = ParseIdent();
}

void Parser::ParseUsing(List<PlUsing> &into) {
  do {
    PlUsing *u = New<PlUsing>(Pos());
    if (AcceptWord(Kw::kIn)) u->mode = 1;
    if (AcceptWord(Kw::kOut)) u->mode = u->mode == 1 ? 3 : 2;
    u->expr = ParseExpr();
    into.Append(u);
  } while (AcceptSym(Sym::kComma));
}

PlStmt *Parser::ParsePlStatement() {
  DepthGuard guard(*this);
  PlStmt *s = New<PlStmt>(Pos());
  ParseLabels(s->labels);
  const Token &t = Peek();
  if (PeekWord(Kw::kBegin) || PeekWord(Kw::kDeclare)) {
    s->kind = PlStmtKind::kBlock;
    s->block = ParsePlBlock();
    s->block->labels = s->labels;
    s->labels = {};
    return s;  // the block's END took the semicolon
  }
  switch (t.kw) {
    case Kw::kNull:
      ++pos_;
      s->kind = PlStmtKind::kNull;
      break;
    case Kw::kIf:
      ParseIf(s);
      break;
    case Kw::kCase:
      ParseCaseStatement(s);
      break;
    case Kw::kLoop:
      s->kind = PlStmtKind::kLoop;
      ParseLoopBody(s);
      break;
    case Kw::kWhile:
      ++pos_;
      s->kind = PlStmtKind::kWhile;
      s->expr = ParseExpr();
      ParseLoopBody(s);
      break;
    case Kw::kFor:
    case Kw::kForall:
      ParseFor(s);
      break;
    case Kw::kExit:
    case Kw::kContinue:
      ++pos_;
      s->kind = t.kw == Kw::kExit ? PlStmtKind::kExit : PlStmtKind::kContinue;
      if (PeekIdentifier() && !PeekWord(Kw::kWhen)) s->name = ParseIdent();
      if (AcceptWord(Kw::kWhen)) s->expr = ParseExpr();
      break;
    case Kw::kGoto:
      ++pos_;
      s->kind = PlStmtKind::kGoto;
      if (!PeekIdentifier()) FailPls();
      s->name = ParseIdent();
      break;
    case Kw::kReturn:
      ++pos_;
      s->kind = PlStmtKind::kReturn;
      if (!PeekSym(Sym::kSemicolon)) s->expr = ParseExpr();
      break;
    case Kw::kRaise:
      ++pos_;
      s->kind = PlStmtKind::kRaise;
      if (!PeekSym(Sym::kSemicolon)) {
        if (!PeekIdentifier()) FailPls();
        s->expr = New<Expr>(Pos());
        s->expr->kind = ExprKind::kName;
        ParseName(s->expr->name);
      }
      break;
    case Kw::kOpen:
      ++pos_;
      s->kind = PlStmtKind::kOpen;
      s->target = ParsePlTarget();
      if (AcceptWord(Kw::kFor)) {
        s->kind = PlStmtKind::kOpenFor;
        if (PeekQueryStart()) {
          s->query = ParseQuery();
        } else {
          s->expr = ParseExpr();
        }
        if (AcceptWord(Kw::kUsing)) ParseUsing(s->using_args);
      }
      break;
    case Kw::kFetch:
      ++pos_;
      s->kind = PlStmtKind::kFetch;
      s->target = ParsePlTarget();
      if (AcceptWord(Kw::kBulk)) {
        ExpectPl(Kw::kCollect);
        s->bulk = true;
      }
      ExpectPl(Kw::kInto);
      ParseTargets(s->into);
      if (AcceptWord(Kw::kLimit)) s->upper = ParseExpr();
      break;
    case Kw::kClose:
      ++pos_;
      s->kind = PlStmtKind::kClose;
      s->target = ParsePlTarget();
      break;
    case Kw::kExecute:
      ParseExecute(s);
      break;
    case Kw::kPipe:
      ++pos_;
      ExpectPl(Kw::kRow);
      s->kind = PlStmtKind::kPipeRow;
      ExpectPlSym(Sym::kLParen);
      s->expr = ParseExpr();
      ExpectPlSym(Sym::kRParen);
      break;
    case Kw::kSelect:
    case Kw::kWith:
      s->kind = PlStmtKind::kSql;
      select_into_ = true;
      s->sql = ParseBody();
      select_into_ = false;
      break;
    case Kw::kInsert:
    case Kw::kUpdate:
    case Kw::kDelete:
    case Kw::kMerge:
    case Kw::kCommit:
    case Kw::kRollback:
    case Kw::kSavepoint:
      s->kind = PlStmtKind::kSql;
      s->sql = ParseBody();
      break;
    default:
      s->target = ParsePlTarget();
      if (PeekAssign()) {
        pos_ += 2;
        s->kind = PlStmtKind::kAssign;
        s->expr = ParseExpr();
      } else {
        if (s->target->kind != ExprKind::kName && s->target->kind != ExprKind::kFunction) FailPls();
        s->kind = PlStmtKind::kCall;
      }
      break;
  }
  ExpectPlSym(Sym::kSemicolon);
  return s;
}

void Parser::ParseIf(PlStmt *s) {
  s->kind = PlStmtKind::kIf;
  do {
    PlWhen *w = New<PlWhen>(Next().offset);  // IF or ELSIF
    w->cond = ParseExpr();
    ExpectPl(Kw::kThen);
    ParsePlStatements(w->body);
    s->whens.Append(w);
  } while (PeekWord(Kw::kElsif));
  if (AcceptWord(Kw::kElse)) {
    s->has_else = true;
    ParsePlStatements(s->body);
  }
  ExpectPl(Kw::kEnd);
  ExpectPl(Kw::kIf);
}

void Parser::ParseCaseStatement(PlStmt *s) {
  ++pos_;
  s->kind = PlStmtKind::kCase;
  if (!PeekWord(Kw::kWhen)) s->expr = ParseExpr();
  if (!PeekWord(Kw::kWhen)) FailPls();
  while (PeekWord(Kw::kWhen)) {
    PlWhen *w = New<PlWhen>(Next().offset);
    w->cond = ParseExpr();
    ExpectPl(Kw::kThen);
    ParsePlStatements(w->body);
    s->whens.Append(w);
  }
  if (AcceptWord(Kw::kElse)) {
    s->has_else = true;
    ParsePlStatements(s->body);
  }
  ExpectPl(Kw::kEnd);
  ExpectPl(Kw::kCase);
  if (PeekIdentifier()) s->end_label = ParseIdent();
}

void Parser::ParseFor(PlStmt *s) {
  const bool forall = Next().kw == Kw::kForall;
  if (!PeekIdentifier()) FailPls();
  s->name = ParseIdent();
  ExpectPl(Kw::kIn);
  if (!forall && PeekSym(Sym::kLParen) && PeekQueryStart()) {
    s->kind = PlStmtKind::kForCursor;
    ++pos_;
    DepthGuard guard(*this);
    s->query = ParseQuery();
    ExpectPlSym(Sym::kRParen);
    ParseLoopBody(s);
    return;
  }
  if (forall && (PeekWord(Kw::kIndices) || PeekWord(Kw::kValues)) && PeekWord(Kw::kOf, 1)) {
    s->kind = PlStmtKind::kForall;
    s->forall = Next().kw == Kw::kIndices ? 1 : 2;
    ++pos_;
    s->target = ParsePlTarget();
    if (s->forall == 1 && AcceptWord(Kw::kBetween)) {
      s->expr = ParseAdditive();
      ExpectPl(Kw::kAnd);
      s->upper = ParseAdditive();
    }
  } else {
    ParseForBounds(s, forall);
    if (!forall) {
      ParseLoopBody(s);
      return;
    }
  }
  if (AcceptWord(Kw::kSave)) {
    ExpectPl(Kw::kExceptions);
    s->bulk = true;
  }
  if (!PeekWord(Kw::kInsert) && !PeekWord(Kw::kUpdate) && !PeekWord(Kw::kDelete) && !PeekWord(Kw::kMerge)) {
    FailPls();
  }
  s->sql = ParseBody();
}

void Parser::ParseForBounds(PlStmt *s, bool forall) {
  if (!forall && AcceptWord(Kw::kReverse)) s->reverse = true;
  Expr *first = ParseAdditive();
  if (AcceptSym(Sym::kDotDot)) {
    s->kind = forall ? PlStmtKind::kForall : PlStmtKind::kForRange;
    s->expr = first;
    s->upper = ParseAdditive();
    return;
  }
  if (forall || s->reverse || (first->kind != ExprKind::kName && first->kind != ExprKind::kFunction)) FailPls();
  s->kind = PlStmtKind::kForCursor;
  s->target = first;
}

void Parser::ParseExecute(PlStmt *s) {
  ++pos_;
  ExpectPl(Kw::kImmediate);
  s->kind = PlStmtKind::kExecute;
  s->expr = ParseExpr();
  if (AcceptWord(Kw::kBulk)) {
    ExpectPl(Kw::kCollect);
    s->bulk = true;
    if (!PeekWord(Kw::kInto)) FailPls();
  }
  if (AcceptWord(Kw::kInto)) ParseTargets(s->into);
  if (AcceptWord(Kw::kUsing)) ParseUsing(s->using_args);
  if (AcceptWord(Kw::kReturning) || AcceptWord(Kw::kReturn)) {
    ExpectPl(Kw::kInto);
    ParseTargets(s->returning_into);
  }
}

}  // namespace kestrel_engine::sql
