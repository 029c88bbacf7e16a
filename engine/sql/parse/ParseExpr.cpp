/*
** Expressions and conditions with Oracle's precedence: OR, AND, NOT, the
** predicates (comparison, [NOT] IN/LIKE/BETWEEN, IS [NOT] NULL/JSON,
** quantified comparison, EXISTS), + - ||, * /, unary + - PRIOR
** CONNECT_BY_ROOT, AT TIME ZONE, and the primaries.
*/
#include "sql/parse/Parser.h"

namespace kestrel_engine::sql {

Expr *Parser::MakeBinary(Op op, Expr *l, Expr *r, uint32_t pos) {
  Expr *e = New<Expr>(pos);
  e->kind = ExprKind::kBinary;
  e->op = op;
  e->left = l;
  e->right = r;
  return e;
}

Expr *Parser::ParseExpr() {
  DepthGuard guard(*this);
  return ParseOr();
}

Expr *Parser::ParseOr() {
  Expr *first = ParseAnd();
  if (!PeekWord(Kw::kOr)) return first;
  Expr *e = New<Expr>(first->pos);
  e->kind = ExprKind::kLogical;
  e->op = Op::kOr;
  e->args.Append(first);
  while (AcceptWord(Kw::kOr)) e->args.Append(ParseAnd());
  return e;
}

Expr *Parser::ParseAnd() {
  Expr *first = ParseNot();
  if (!PeekWord(Kw::kAnd)) return first;
  Expr *e = New<Expr>(first->pos);
  e->kind = ExprKind::kLogical;
  e->op = Op::kAnd;
  e->args.Append(first);
  while (AcceptWord(Kw::kAnd)) e->args.Append(ParseNot());
  return e;
}

Expr *Parser::ParseNot() {
  if (!PeekWord(Kw::kNot)) return ParsePredicate();
  DepthGuard guard(*this);
  Expr *e = New<Expr>(Next().offset);
  e->kind = ExprKind::kUnary;
  e->op = Op::kNot;
  e->left = ParseNot();
  return e;
}

namespace {

Op ComparisonOp(const Token &t) {
  if (t.kind != Tok::kSymbol) return Op::kNone;
  switch (t.sym) {
    case Sym::kEq: return Op::kEq;
    case Sym::kNe: return Op::kNe;
    case Sym::kLt: return Op::kLt;
    case Sym::kLe: return Op::kLe;
    case Sym::kGt: return Op::kGt;
    case Sym::kGe: return Op::kGe;
    default: return Op::kNone;
  }
}

Op LikeOp(const Token &t) {
  if (t.kind != Tok::kWord) return Op::kNone;
  if (t.kw == Kw::kLike) return Op::kLike;
  if (t.kw == Kw::kLikec) return Op::kLikeC;
  if (t.kw == Kw::kLike2) return Op::kLike2;
  if (t.kw == Kw::kLike4) return Op::kLike4;
  return Op::kNone;
}

}  // namespace

Expr *Parser::ParsePredicate() {
  if (PeekWord(Kw::kExists) && PeekSym(Sym::kLParen, 1)) {
    Expr *e = New<Expr>(Next().offset);
    e->kind = ExprKind::kExists;
    ExpectLParen();
    DepthGuard guard(*this);
    if (!PeekQueryStart()) Fail(kOraMissingSelect);
    e->query = ParseQuery();
    ExpectRParen();
    return e;
  }
  Expr *l = ParseAdditive();
  const Token &t = Peek();
  const Op cmp = ComparisonOp(t);
  if (cmp != Op::kNone) {
    ++pos_;
    if ((PeekWord(Kw::kAny) || PeekWord(Kw::kSome) || PeekWord(Kw::kAll)) && PeekSym(Sym::kLParen, 1)) {
      Expr *e = New<Expr>(t.offset);
      e->kind = ExprKind::kQuantified;
      e->op = cmp;
      if (!PeekWord(Kw::kAll)) e->flags |= kAnyQuant;
      ++pos_;
      e->left = l;
      ParseExprListInParens(e->args) ;
      if (e->args.size == 1 && e->args.first->kind == ExprKind::kSubquery) {
        e->query = e->args.first->query;
        e->args = {};
      }
      return e;
    }
    return MakeBinary(cmp, l, ParseAdditive(), t.offset);
  }
  uint16_t negated = 0;
  size_t at = 0;
  if (PeekWord(Kw::kNot)) {
    const Token &n = Peek(1);
    if (IsWord(n, Kw::kIn) || IsWord(n, Kw::kBetween) || LikeOp(n) != Op::kNone) {
      negated = kNegated;
      at = 1;
    }
  }
  const Token &w = Peek(at);
  if (IsWord(w, Kw::kIn)) {
    pos_ += at + 1;
    Expr *e = New<Expr>(w.offset);
    e->kind = ExprKind::kIn;
    e->flags = negated;
    e->left = l;
    if (!PeekSym(Sym::kLParen)) Fail(kOraMissingLeftParen);
    ParseExprListInParens(e->args);
    if (e->args.size == 1 && e->args.first->kind == ExprKind::kSubquery) {
      e->query = e->args.first->query;
      e->args = {};
    }
    return e;
  }
  if (IsWord(w, Kw::kBetween)) {
    pos_ += at + 1;
    Expr *e = New<Expr>(w.offset);
    e->kind = ExprKind::kBetween;
    e->flags = negated;
    e->left = l;
    e->right = ParseAdditive();
    ExpectWord(Kw::kAnd);
    e->third = ParseAdditive();
    return e;
  }
  const Op like = LikeOp(w);
  if (like != Op::kNone) {
    pos_ += at + 1;
    Expr *e = New<Expr>(w.offset);
    e->kind = ExprKind::kLike;
    e->op = like;
    e->flags = negated;
    e->left = l;
    e->right = ParseAdditive();
    if (AcceptWord(Kw::kEscape)) e->third = ParseAdditive();
    return e;
  }
  if (IsWord(w, Kw::kIs)) {
    ++pos_;
    Expr *e = New<Expr>(w.offset);
    e->left = l;
    if (AcceptWord(Kw::kNot)) e->flags = kNegated;
    if (AcceptWord(Kw::kNull)) {
      e->kind = ExprKind::kIsNull;
    } else if (AcceptWord(Kw::kJson)) {
      e->kind = ExprKind::kIsJson;
      if (AcceptWord(Kw::kFormat)) ExpectWord(Kw::kJson);
      if (!AcceptWord(Kw::kStrict)) AcceptWord(Kw::kLax);
      if (PeekWord(Kw::kWith) || PeekWord(Kw::kWithout)) {
        ++pos_;
        ExpectWord(Kw::kUnique);
        ExpectWord(Kw::kKeys);
      }
    } else {
      Fail(kOraMissingKeyword);
    }
    return e;
  }
  return l;
}

Expr *Parser::ParseAdditive() {
  Expr *l = ParseMultiplicative();
  ChainGuard chain(*this);
  for (;;) {
    Op op = Op::kNone;
    if (PeekSym(Sym::kPlus)) op = Op::kAdd;
    else if (PeekSym(Sym::kMinus)) op = Op::kSub;
    else if (PeekSym(Sym::kConcat)) op = Op::kConcat;
    else return l;
    const uint32_t pos = Next().offset;
    chain.Link();
    l = MakeBinary(op, l, ParseMultiplicative(), pos);
  }
}

Expr *Parser::ParseMultiplicative() {
  Expr *l = ParseUnary();
  ChainGuard chain(*this);
  for (;;) {
    Op op = Op::kNone;
    if (PeekSym(Sym::kStar)) op = Op::kMul;
    else if (PeekSym(Sym::kSlash)) op = Op::kDiv;
    else return l;
    const uint32_t pos = Next().offset;
    chain.Link();
    l = MakeBinary(op, l, ParseUnary(), pos);
  }
}

Expr *Parser::ParseUnary() {
  Op op = Op::kNone;
  if (PeekSym(Sym::kMinus)) op = Op::kNeg;
  else if (PeekSym(Sym::kPlus)) op = Op::kPlus;
  else if (PeekWord(Kw::kPrior)) op = Op::kPrior;
  else if (PeekWord(Kw::kConnectByRoot)) op = Op::kConnectByRoot;
  if (op != Op::kNone) {
    DepthGuard guard(*this);
    Expr *e = New<Expr>(Next().offset);
    e->kind = ExprKind::kUnary;
    e->op = op;
    e->left = ParseUnary();
    return e;
  }
  Expr *e = ParsePrimary();
  if (plsql_ && PeekSym(Sym::kStar) && PeekSym(Sym::kStar, 1) && Peek(1).offset == Peek().offset + 1) {
    // a ** b ** c is a ** (b ** c); -a ** 2 is -(a ** 2).
    DepthGuard guard(*this);
    const uint32_t pos = Pos();
    pos_ += 2;
    return MakeBinary(Op::kPow, e, ParseUnary(), pos);
  }
  ChainGuard chain(*this);
  while (PeekWord(Kw::kAt) && (PeekWord(Kw::kTime, 1) || PeekWord(Kw::kLocal, 1))) {
    chain.Link();
    Expr *z = New<Expr>(Next().offset);
    z->kind = ExprKind::kAtTimeZone;
    z->left = e;
    if (!AcceptWord(Kw::kLocal)) {
      ++pos_;
      ExpectWord(Kw::kZone);
      z->right = ParsePrimary();
    }
    e = z;
  }
  return e;
}

Expr *Parser::ParseStringLiteral() {
  const Token &t = Peek();
  if (t.kind != Tok::kString && t.kind != Tok::kNString) Fail(kOraMissingExpression);
  ++pos_;
  Expr *e = New<Expr>(t.offset);
  e->kind = ExprKind::kString;
  e->text = t.value;
  if (t.kind == Tok::kNString) e->flags = kNational;
  return e;
}

Expr *Parser::ParsePrimary() {
  const Token &t = Peek();
  switch (t.kind) {
    case Tok::kNumber: {
      ++pos_;
      Expr *e = New<Expr>(t.offset);
      e->kind = ExprKind::kNumber;
      e->text = t.value;
      if (t.suffix == 'f') e->flags = kBinaryFloat;
      if (t.suffix == 'd') e->flags = kBinaryDouble;
      return e;
    }
    case Tok::kString:
    case Tok::kNString:
      return ParseStringLiteral();
    case Tok::kBind: {
      ++pos_;
      Expr *e = New<Expr>(t.offset);
      e->kind = ExprKind::kBind;
      e->text = t.value;
      // :NEW.col and :OLD.col in a trigger's body
      while (plsql_ && PeekSym(Sym::kDot) && (Peek(1).kind == Tok::kWord || Peek(1).kind == Tok::kQuotedIdent)) {
        AddNamePart(e->name, Peek(1));
        pos_ += 2;
      }
      return e;
    }
    case Tok::kSymbol:
      if (t.sym == Sym::kLParen) return ParseParenthesised();
      Fail(kOraMissingExpression);
    case Tok::kQuotedIdent:
      return ParseNameExpr();
    case Tok::kEnd:
      Fail(kOraMissingExpression);
    case Tok::kWord:
      break;
  }
  const Token &n = Peek(1);
  if (t.kw == Kw::kNull) {
    ++pos_;
    return New<Expr>(t.offset);  // kNull
  }
  if (t.kw == Kw::kCase) return ParseCase(Next().offset);
  if (plsql_ && t.kw == Kw::kCurrent && PeekWord(Kw::kOf, 1)) {
    pos_ += 2;
    Expr *e = New<Expr>(t.offset);
    e->kind = ExprKind::kCurrentOf;
    ParseName(e->name);
    return e;
  }
  if (plsql_ && (t.kw == Kw::kTrue || t.kw == Kw::kFalse)) {
    ++pos_;
    Expr *e = New<Expr>(t.offset);
    e->kind = ExprKind::kBoolean;
    e->text = t.value;
    return e;
  }
  if (n.kind == Tok::kString) {
    if (t.kw == Kw::kDate) return ParseLiteralAfterKeyword(ExprKind::kDateLit, Next().offset);
    if (t.kw == Kw::kTimestamp) return ParseLiteralAfterKeyword(ExprKind::kTimestampLit, Next().offset);
    if (t.kw == Kw::kInterval) return ParseInterval(Next().offset);
  }
  if (t.reserved) {
    // Reserved words that are pseudo-columns or functions without
    // arguments; any other reserved word cannot start an expression.
    static constexpr Kw kPseudo[] = {Kw::kLevel, Kw::kRownum, Kw::kRowid, Kw::kSysdate, Kw::kUser,
                                                   Kw::kUid};
    for (Kw w : kPseudo) {
      if (t.kw == w) {
        ++pos_;
        Expr *e = New<Expr>(t.offset);
        e->kind = ExprKind::kName;
        AddNamePart(e->name, t);
        return e;
      }
    }
    Fail(kOraMissingExpression);
  }
  return ParseNameExpr();
}

Expr *Parser::ParseNameExpr() {
  const Token &first = Next();
  Expr *e = New<Expr>(first.offset);
  e->kind = ExprKind::kName;
  AddNamePart(e->name, first);
  while (PeekSym(Sym::kDot)) {
    const Token &part = Peek(1);
    if (part.kind == Tok::kSymbol && part.sym == Sym::kStar) {
      pos_ += 2;
      e->kind = ExprKind::kStar;
      return e;
    }
    // After a dot any word is a name: t.ROWID, seq.NEXTVAL.
    if (part.kind != Tok::kWord && part.kind != Tok::kQuotedIdent) {
      FailAt(kOraInvalidIdentifier, part, part.raw);
    }
    pos_ += 2;
    AddNamePart(e->name, part);
  }
  if (PeekSym(Sym::kAt)) {
    ++pos_;
    const Token &link = Peek();
    if (link.kind != Tok::kWord && link.kind != Tok::kQuotedIdent) Fail(kOraMissingIdentifier);
    size_t start = link.offset;
    size_t stop = start + link.raw.size();
    ++pos_;
    while (PeekSym(Sym::kDot) && (Peek(1).kind == Tok::kWord || Peek(1).kind == Tok::kQuotedIdent)) {
      stop = Peek(1).offset + Peek(1).raw.size();
      pos_ += 2;
    }
    e->name.dblink = text_.substr(start, stop - start);
  }
  if (plsql_) return ContinuePlsqlName(e);
  if (PeekSym(Sym::kLParen)) return ParseFunction(e);
  if (AcceptSym(Sym::kOuterJoin)) e->flags |= kOuterJoin;
  return e;
}

bool Parser::PeekQueryStart() const {
  size_t i = 0;
  while (PeekSym(Sym::kLParen, i)) ++i;
  return PeekWord(Kw::kSelect, i) || PeekWord(Kw::kWith, i);
}

Expr *Parser::ParseExprListInParens(List<Expr> &into) {
  const uint32_t pos = Pos();
  ExpectLParen();
  DepthGuard guard(*this);
  if (PeekQueryStart() && (PeekWord(Kw::kSelect) || PeekWord(Kw::kWith))) {
    Expr *e = New<Expr>(pos);
    e->kind = ExprKind::kSubquery;
    e->query = ParseQuery();
    ExpectRParen();
    into.Append(e);
    return e;
  }
  Expr *first = ParseExpr();
  if (Expr *q = MaybeContinueSubquery(first, pos)) {
    into.Append(q);
    return q;
  }
  into.Append(first);
  while (ListContinues(kOraMissingRightParen)) into.Append(ParseExpr());
  return into.first;
}

Expr *Parser::MaybeContinueSubquery(Expr *first, uint32_t pos) {
  if (first->kind != ExprKind::kSubquery ||
      !(PeekWord(Kw::kUnion) || PeekWord(Kw::kIntersect) || PeekWord(Kw::kMinus) || PeekWord(Kw::kExcept) ||
        PeekWord(Kw::kOrder) || PeekWord(Kw::kOffset) || PeekWord(Kw::kFetch))) {
    return nullptr;
  }
  // ((SELECT ...) UNION (SELECT ...)): the inner parentheses were a query
  // term, not an expression.
  Expr *e = New<Expr>(pos);
  e->kind = ExprKind::kSubquery;
  e->query = ContinueQuery(AsTerm(first->query));
  ExpectRParen();
  return e;
}

Expr *Parser::ParseParenthesised() {
  // One nesting level per parenthesis: ParseExpr counts it.
  const uint32_t pos = Next().offset;
  if (PeekWord(Kw::kSelect) || PeekWord(Kw::kWith)) {
    Expr *e = New<Expr>(pos);
    e->kind = ExprKind::kSubquery;
    e->query = ParseQuery();
    ExpectRParen();
    return e;
  }
  Expr *first = ParseExpr();
  if (Expr *q = MaybeContinueSubquery(first, pos)) return q;
  if (!PeekSym(Sym::kComma)) {
    ExpectRParen();
    return first;
  }
  Expr *row = New<Expr>(pos);
  row->kind = ExprKind::kRow;
  row->args.Append(first);
  while (ListContinues(kOraMissingRightParen)) row->args.Append(ParseExpr());
  return row;
}

Expr *Parser::ParseCase(uint32_t pos) {
  Expr *e = New<Expr>(pos);
  e->kind = ExprKind::kCase;
  if (!PeekWord(Kw::kWhen)) e->left = ParseExpr();
  while (PeekWord(Kw::kWhen)) {
    Expr *w = New<Expr>(Next().offset);
    w->kind = ExprKind::kWhen;
    w->left = ParseExpr();
    ExpectWord(Kw::kThen);
    w->right = ParseExpr();
    e->args.Append(w);
  }
  if (e->args.empty()) Fail(kOraMissingKeyword);
  if (AcceptWord(Kw::kElse)) e->right = ParseExpr();
  ExpectWord(Kw::kEnd);
  return e;
}

Expr *Parser::ParseLiteralAfterKeyword(ExprKind kind, uint32_t pos) {
  Expr *e = ParseStringLiteral();
  e->kind = kind;
  e->pos = pos;
  return e;
}

Expr *Parser::ParseInterval(uint32_t pos) {
  Expr *e = ParseLiteralAfterKeyword(ExprKind::kIntervalLit, pos);
  e->type = New<TypeName>(Pos());
  ParseIntervalFields(e->type);
  return e;
}

void Parser::ParseIntervalFields(TypeName *type) {
  auto field = [this]() -> uint8_t {
    static constexpr Kw kFields[] = {Kw::kYear, Kw::kMonth, Kw::kDay, Kw::kHour, Kw::kMinute, Kw::kSecond};
    for (size_t i = 0; i < 6; ++i) {
      if (AcceptWord(kFields[i])) return static_cast<uint8_t>(i + 1);
    }
    Fail(kOraMissingKeyword);
  };
  type->from_field = field();
  type->kind = type->from_field <= kMonth ? TypeKind::kIntervalYM : TypeKind::kIntervalDS;
  if (AcceptSym(Sym::kLParen)) {
    type->leading = ParseIntegerArg();
    if (type->from_field == kSecond && AcceptSym(Sym::kComma)) type->precision = ParseIntegerArg();
    ExpectRParen();
  }
  if (AcceptWord(Kw::kTo)) {
    type->to_field = field();
    if (type->to_field == kSecond && AcceptSym(Sym::kLParen)) {
      type->precision = ParseIntegerArg();
      ExpectRParen();
    }
  }
}

}  // namespace kestrel_engine::sql
