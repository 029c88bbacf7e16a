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
  if (PeekWord(Kw::kWith)) {
    const uint32_t pos = Pos();
    List<Cte> with;
    ParseWith(with);
    Query *q = AsTerm(ParseQueryBody());
    q->with = with;
    q->pos = pos;
    ParseQueryTail(q);
    return q;
  }
  Query *q = ParseQueryBody();
  if (PeekWord(Kw::kOrder) || PeekWord(Kw::kOffset) || PeekWord(Kw::kFetch) || PeekWord(Kw::kFor)) {
    q = AsTerm(q);
    ParseQueryTail(q);
  }
  return q;
}

Query *Parser::ContinueQuery(Query *left) {
  Query *q = left;
  ChainGuard chain(*this);
  for (;;) {
    SetOp op;
    if (PeekWord(Kw::kUnion)) op = SetOp::kUnion;
    else if (PeekWord(Kw::kIntersect)) op = SetOp::kIntersect;
    else if (PeekWord(Kw::kMinus)) op = SetOp::kMinus;
    else if (PeekWord(Kw::kExcept)) op = SetOp::kExcept;
    else break;
    chain.Link();
    Query *s = New<Query>(Next().offset);
    s->kind = QueryKind::kSetOp;
    s->op = op;
    if (AcceptWord(Kw::kAll)) s->all = true;  // INTERSECT ALL, MINUS ALL too
    s->left = q;
    s->right = AsTerm(ParseQueryTerm());
    q = s;
  }
  if (PeekWord(Kw::kOrder) || PeekWord(Kw::kOffset) || PeekWord(Kw::kFetch) || PeekWord(Kw::kFor)) {
    q = AsTerm(q);
    ParseQueryTail(q);
  }
  return q;
}

Query *Parser::ParseQueryBody() {
  Query *q = ParseQueryTerm();
  ChainGuard chain(*this);
  while (PeekWord(Kw::kUnion) || PeekWord(Kw::kIntersect) || PeekWord(Kw::kMinus) || PeekWord(Kw::kExcept)) {
    chain.Link();
    q = AsTerm(q);
    Query *s = New<Query>(Pos());
    s->kind = QueryKind::kSetOp;
    const Token &t = Next();
    s->op = t.kw == Kw::kUnion ? SetOp::kUnion
            : t.kw == Kw::kIntersect ? SetOp::kIntersect
            : t.kw == Kw::kMinus ? SetOp::kMinus
                                 : SetOp::kExcept;
    if (AcceptWord(Kw::kAll)) s->all = true;
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
  if (!PeekWord(Kw::kSelect)) Fail(kOraMissingSelect);
  Query *q = New<Query>(Next().offset);
  // PL/SQL: only the statement's first query block has INTO, not the
  // subqueries of its select list.
  const bool into = select_into_;
  select_into_ = false;
  if (AcceptWord(Kw::kDistinct) || AcceptWord(Kw::kUnique)) {
    q->quantifier = 1;
  } else if (AcceptWord(Kw::kAll)) {
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
      if (AcceptWord(Kw::kAs)) {
        item->alias = ParseIdent(kOraFromNotFound);
      } else if (PeekIdentifier() && !(into && PeekWord(Kw::kBulk))) {
        item->alias = ParseIdent();
      }
    }
    q->items.Append(item);
  } while (AcceptSym(Sym::kComma));
  if (into) {
    if (AcceptWord(Kw::kBulk)) {
      ExpectWord(Kw::kCollect);
      q->bulk_collect = true;
      if (!PeekWord(Kw::kInto)) Fail(kOraMissingInto);
    }
    if (AcceptWord(Kw::kInto)) ParseTargets(q->into);
  }
  if (!AcceptWord(Kw::kFrom)) Fail(kOraFromNotFound);
  do {
    q->from.Append(ParseTableRef());
  } while (AcceptSym(Sym::kComma));
  if (AcceptWord(Kw::kWhere)) q->where = ParseExpr();
  for (int round = 0; round < 2; ++round) {
    if (q->start_with == nullptr && PeekWord(Kw::kStart)) {
      ++pos_;
      ExpectWord(Kw::kWith);
      q->start_with = ParseExpr();
    }
    if (q->connect_by == nullptr && PeekWord(Kw::kConnect)) {
      ++pos_;
      ExpectWord(Kw::kBy, kOraMissingBy);
      if (AcceptWord(Kw::kNocycle)) q->nocycle = true;
      q->connect_by = ParseExpr();
    }
  }
  if (q->start_with != nullptr && q->connect_by == nullptr) Fail(kOraMissingKeyword);
  // Oracle takes HAVING before GROUP BY as well as after it.
  if (AcceptWord(Kw::kHaving)) q->having = ParseExpr();
  if (PeekWord(Kw::kGroup)) {
    ++pos_;
    ExpectWord(Kw::kBy, kOraMissingBy);
    do {
      q->group_by.Append(ParseGroupElement());
    } while (AcceptSym(Sym::kComma));
  }
  if (q->having == nullptr && AcceptWord(Kw::kHaving)) q->having = ParseExpr();
  return q;
}

Expr *Parser::ParseGroupElement() {
  const uint32_t pos = Pos();
  ExprKind kind = ExprKind::kNull;
  if (PeekWord(Kw::kRollup) && PeekSym(Sym::kLParen, 1)) {
    kind = ExprKind::kRollup;
    ++pos_;
  } else if (PeekWord(Kw::kCube) && PeekSym(Sym::kLParen, 1)) {
    kind = ExprKind::kCube;
    ++pos_;
  } else if (PeekWord(Kw::kGrouping) && PeekWord(Kw::kSets, 1)) {
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
  ExpectWord(Kw::kWith);
  // The INTO of a PL/SQL SELECT belongs to the main query, not to these.
  const bool into = select_into_;
  select_into_ = false;
  do {
    Cte *c = New<Cte>(Pos());
    c->name = ParseIdent();
    if (PeekSym(Sym::kLParen)) ParseIdentList(c->columns);
    ExpectWord(Kw::kAs);
    ExpectLParen();
    c->query = ParseQuery();
    ExpectRParen();
    if (PeekWord(Kw::kSearch)) {
      ++pos_;
      if (AcceptWord(Kw::kDepth)) {
        c->search = 1;
      } else {
        ExpectWord(Kw::kBreadth);
        c->search = 2;
      }
      ExpectWord(Kw::kFirst);
      ExpectWord(Kw::kBy, kOraMissingBy);
      ParseOrderBy(c->search_by);
      ExpectWord(Kw::kSet);
      c->search_set = ParseIdent();
    }
    if (PeekWord(Kw::kCycle)) {
      ++pos_;
      do {
        c->cycle.Append(ParseIdent());
      } while (AcceptSym(Sym::kComma));
      ExpectWord(Kw::kSet);
      c->cycle_set = ParseIdent();
      ExpectWord(Kw::kTo);
      c->cycle_to = ParsePrimary();
      ExpectWord(Kw::kDefault);
      c->cycle_default = ParsePrimary();
    }
    with.Append(c);
  } while (AcceptSym(Sym::kComma));
  select_into_ = into;
}

OrderItem *Parser::ParseOrderItem() {
  OrderItem *o = New<OrderItem>(Pos());
  o->expr = ParseExpr();
  if (AcceptWord(Kw::kDesc)) {
    o->desc = true;
  } else {
    AcceptWord(Kw::kAsc);
  }
  if (PeekWord(Kw::kNulls)) {
    ++pos_;
    if (AcceptWord(Kw::kFirst)) {
      o->nulls = 1;
    } else {
      ExpectWord(Kw::kLast);
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
  if (PeekWord(Kw::kOrder)) {
    ++pos_;
    if (AcceptWord(Kw::kSiblings)) q->order_siblings = true;
    ExpectWord(Kw::kBy, kOraMissingBy);
    ParseOrderBy(q->order_by);
  }
  if (AcceptWord(Kw::kOffset)) {
    q->offset = ParseAdditive();
    if (!AcceptWord(Kw::kRows)) ExpectWord(Kw::kRow);
  }
  if (AcceptWord(Kw::kFetch)) {
    if (!AcceptWord(Kw::kFirst)) ExpectWord(Kw::kNext);
    if (!PeekWord(Kw::kRow) && !PeekWord(Kw::kRows)) {
      q->fetch = ParseAdditive();
      if (AcceptWord(Kw::kPercent)) q->fetch_percent = true;
    } else {
      Expr *one = New<Expr>(Pos());
      one->kind = ExprKind::kNumber;
      one->text = "1";
      q->fetch = one;
    }
    if (!AcceptWord(Kw::kRows)) ExpectWord(Kw::kRow);
    if (AcceptWord(Kw::kWith)) {
      ExpectWord(Kw::kTies);
      q->fetch_ties = true;
    } else {
      ExpectWord(Kw::kOnly);
    }
  }
  if (PeekWord(Kw::kFor)) {
    ForUpdate *f = New<ForUpdate>(Next().offset);
    ExpectWord(Kw::kUpdate);
    if (AcceptWord(Kw::kOf)) {
      do {
        f->columns.Append(ParseNameExpr());
      } while (AcceptSym(Sym::kComma));
    }
    if (AcceptWord(Kw::kNowait)) {
      f->wait = 1;
    } else if (AcceptWord(Kw::kWait)) {
      f->wait = 2;
      f->seconds = ParsePrimary();
    } else if (AcceptWord(Kw::kSkip)) {
      ExpectWord(Kw::kLocked);
      f->wait = 3;
    }
    q->for_update = f;
  }
}

}  // namespace kestrel_engine::sql
