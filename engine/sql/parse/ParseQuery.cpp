/*
** Queries: WITH (recursive column lists, SEARCH and CYCLE), query blocks
** with their clauses, set operations (left to right, all of one
** precedence), ORDER BY, OFFSET/FETCH and FOR UPDATE.
*/
#include "sql/parse/Parser.h"

namespace kestrel_engine::sql {

namespace {

bool HasTail(const Query *q) {
  return !q->with.empty() || !q->order_by.empty() || q->offset != nullptr || q->fetch != nullptr ||
         q->for_update != nullptr;
}

}  // namespace

Query *Parser::AsTerm(Query *q) {
  if (!HasTail(q)) return q;
  Query *p = New<Query>(q->pos);
  p->kind = QueryKind::kParens;
  p->left = q;
  return p;
}

Query *Parser::ParseQuery() {
  DepthGuard guard(*this);
  if (PeekWord("WITH")) {
    const uint32_t pos = Pos();
    List<Cte> with;
    ParseWith(with);
    Query *q = AsTerm(ParseQueryBody());
    if (!q->with.empty()) FailAt(kOraMissingSelect, Peek());
    q->with = with;
    q->pos = pos;
    ParseQueryTail(q);
    return q;
  }
  Query *q = ParseQueryBody();
  if (PeekWord("ORDER") || PeekWord("OFFSET") || PeekWord("FETCH") || PeekWord("FOR")) {
    q = AsTerm(q);
    ParseQueryTail(q);
  }
  return q;
}

Query *Parser::ContinueQuery(Query *left) {
  Query *q = left;
  for (;;) {
    SetOp op;
    if (PeekWord("UNION")) op = SetOp::kUnion;
    else if (PeekWord("INTERSECT")) op = SetOp::kIntersect;
    else if (PeekWord("MINUS")) op = SetOp::kMinus;
    else if (PeekWord("EXCEPT")) op = SetOp::kExcept;
    else break;
    Query *s = New<Query>(Next().offset);
    s->kind = QueryKind::kSetOp;
    s->op = op;
    if (op == SetOp::kUnion && AcceptWord("ALL")) s->all = true;
    s->left = q;
    s->right = AsTerm(ParseQueryTerm());
    q = s;
  }
  if (PeekWord("ORDER") || PeekWord("OFFSET") || PeekWord("FETCH") || PeekWord("FOR")) {
    q = AsTerm(q);
    ParseQueryTail(q);
  }
  return q;
}

Query *Parser::ParseQueryBody() {
  Query *q = ParseQueryTerm();
  while (PeekWord("UNION") || PeekWord("INTERSECT") || PeekWord("MINUS") || PeekWord("EXCEPT")) {
    q = AsTerm(q);
    Query *s = New<Query>(Pos());
    s->kind = QueryKind::kSetOp;
    const Token &t = Next();
    s->op = t.value == "UNION" ? SetOp::kUnion
            : t.value == "INTERSECT" ? SetOp::kIntersect
            : t.value == "MINUS" ? SetOp::kMinus
                                 : SetOp::kExcept;
    if (s->op == SetOp::kUnion && AcceptWord("ALL")) s->all = true;
    s->left = q;
    s->right = AsTerm(ParseQueryTerm());
    q = s;
  }
  return q;
}

Query *Parser::ParseQueryTerm() {
  if (PeekSym(Sym::kLParen)) {
    ++pos_;
    DepthGuard guard(*this);
    Query *q = ParseQuery();
    ExpectRParen();
    return q;
  }
  return ParseSelectBlock();
}

Query *Parser::ParseSelectBlock() {
  if (!PeekWord("SELECT")) Fail(kOraMissingSelect);
  Query *q = New<Query>(Next().offset);
  if (AcceptWord("DISTINCT") || AcceptWord("UNIQUE")) {
    q->quantifier = 1;
  } else if (AcceptWord("ALL")) {
    q->quantifier = 2;
  }
  do {
    SelectItem *item = New<SelectItem>(Pos());
    if (PeekSym(Sym::kStar)) {
      Expr *star = New<Expr>(Next().offset);
      star->kind = ExprKind::kStar;
      item->expr = star;
    } else {
      item->expr = ParseExpr();
      if (AcceptWord("AS")) {
        item->alias = ParseIdent(kOraFromNotFound);
      } else if (PeekIdentifier()) {
        item->alias = ParseIdent();
      }
    }
    q->items.Append(item);
  } while (AcceptSym(Sym::kComma));
  if (!AcceptWord("FROM")) Fail(kOraFromNotFound);
  do {
    q->from.Append(ParseTableRef());
  } while (AcceptSym(Sym::kComma));
  if (AcceptWord("WHERE")) q->where = ParseExpr();
  for (int round = 0; round < 2; ++round) {
    if (q->start_with == nullptr && PeekWord("START")) {
      ++pos_;
      ExpectWord("WITH");
      q->start_with = ParseExpr();
    }
    if (q->connect_by == nullptr && PeekWord("CONNECT")) {
      ++pos_;
      ExpectWord("BY", kOraMissingBy);
      if (AcceptWord("NOCYCLE")) q->nocycle = true;
      q->connect_by = ParseExpr();
    }
  }
  if (q->start_with != nullptr && q->connect_by == nullptr) Fail(kOraMissingKeyword);
  if (PeekWord("GROUP")) {
    ++pos_;
    ExpectWord("BY", kOraMissingBy);
    do {
      q->group_by.Append(ParseGroupElement());
    } while (AcceptSym(Sym::kComma));
  }
  if (AcceptWord("HAVING")) q->having = ParseExpr();
  return q;
}

Expr *Parser::ParseGroupElement() {
  const uint32_t pos = Pos();
  ExprKind kind = ExprKind::kNull;
  if (PeekWord("ROLLUP") && PeekSym(Sym::kLParen, 1)) {
    kind = ExprKind::kRollup;
    ++pos_;
  } else if (PeekWord("CUBE") && PeekSym(Sym::kLParen, 1)) {
    kind = ExprKind::kCube;
    ++pos_;
  } else if (PeekWord("GROUPING") && PeekWord("SETS", 1)) {
    kind = ExprKind::kGroupingSets;
    pos_ += 2;
  } else if (PeekSym(Sym::kLParen) && PeekSym(Sym::kRParen, 1)) {
    pos_ += 2;
    Expr *e = New<Expr>(pos);
    e->kind = ExprKind::kEmptyGroup;
    return e;
  } else {
    return ParseExpr();
  }
  DepthGuard guard(*this);
  Expr *e = New<Expr>(pos);
  e->kind = kind;
  ExpectLParen();
  do {
    e->args.Append(ParseGroupElement());
  } while (ListContinues(kOraMissingRightParen));
  return e;
}

void Parser::ParseWith(List<Cte> &with) {
  ExpectWord("WITH");
  do {
    Cte *c = New<Cte>(Pos());
    c->name = ParseIdent();
    if (PeekSym(Sym::kLParen)) ParseIdentList(c->columns);
    ExpectWord("AS");
    ExpectLParen();
    c->query = ParseQuery();
    ExpectRParen();
    if (PeekWord("SEARCH")) {
      ++pos_;
      if (AcceptWord("DEPTH")) {
        c->search = 1;
      } else {
        ExpectWord("BREADTH");
        c->search = 2;
      }
      ExpectWord("FIRST");
      ExpectWord("BY", kOraMissingBy);
      ParseOrderBy(c->search_by);
      ExpectWord("SET");
      c->search_set = ParseIdent();
    }
    if (PeekWord("CYCLE")) {
      ++pos_;
      do {
        c->cycle.Append(ParseIdent());
      } while (AcceptSym(Sym::kComma));
      ExpectWord("SET");
      c->cycle_set = ParseIdent();
      ExpectWord("TO");
      c->cycle_to = ParsePrimary();
      ExpectWord("DEFAULT");
      c->cycle_default = ParsePrimary();
    }
    with.Append(c);
  } while (AcceptSym(Sym::kComma));
}

OrderItem *Parser::ParseOrderItem() {
  OrderItem *o = New<OrderItem>(Pos());
  o->expr = ParseExpr();
  if (AcceptWord("DESC")) {
    o->desc = true;
  } else {
    AcceptWord("ASC");
  }
  if (PeekWord("NULLS")) {
    ++pos_;
    if (AcceptWord("FIRST")) {
      o->nulls = 1;
    } else {
      ExpectWord("LAST");
      o->nulls = 2;
    }
  }
  return o;
}

void Parser::ParseOrderBy(List<OrderItem> &into) {
  do {
    into.Append(ParseOrderItem());
  } while (AcceptSym(Sym::kComma));
}

void Parser::ParseQueryTail(Query *q) {
  if (PeekWord("ORDER")) {
    ++pos_;
    if (AcceptWord("SIBLINGS")) q->order_siblings = true;
    ExpectWord("BY", kOraMissingBy);
    ParseOrderBy(q->order_by);
  }
  if (AcceptWord("OFFSET")) {
    q->offset = ParseAdditive();
    if (!AcceptWord("ROWS")) ExpectWord("ROW");
  }
  if (AcceptWord("FETCH")) {
    if (!AcceptWord("FIRST")) ExpectWord("NEXT");
    if (!PeekWord("ROW") && !PeekWord("ROWS")) {
      q->fetch = ParseAdditive();
      if (AcceptWord("PERCENT")) q->fetch_percent = true;
    } else {
      Expr *one = New<Expr>(Pos());
      one->kind = ExprKind::kNumber;
      one->text = "1";
      q->fetch = one;
    }
    if (!AcceptWord("ROWS")) ExpectWord("ROW");
    if (AcceptWord("WITH")) {
      ExpectWord("TIES");
      q->fetch_ties = true;
    } else {
      ExpectWord("ONLY");
    }
  }
  if (PeekWord("FOR")) {
    ForUpdate *f = New<ForUpdate>(Next().offset);
    ExpectWord("UPDATE");
    if (AcceptWord("OF")) {
      do {
        f->columns.Append(ParseNameExpr());
      } while (AcceptSym(Sym::kComma));
    }
    if (AcceptWord("NOWAIT")) {
      f->wait = 1;
    } else if (AcceptWord("WAIT")) {
      f->wait = 2;
      f->seconds = ParsePrimary();
    } else if (AcceptWord("SKIP")) {
      ExpectWord("LOCKED");
      f->wait = 3;
    }
    q->for_update = f;
  }
}

}  // namespace kestrel_engine::sql
