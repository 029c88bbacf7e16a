/*
** Function calls: arguments (DISTINCT/ALL, *, name => value), the analytic
** clauses (OVER, KEEP, WITHIN GROUP, IGNORE NULLS), LISTAGG's ON OVERFLOW,
** and the functions with their own argument syntax: CAST, EXTRACT, TRIM
** and the JSON functions.
*/
#include "sql/parse/Parser.h"

namespace kestrel_engine::sql {

FuncExtra *Parser::Extra(Expr *fn) {
  if (fn->extra == nullptr) fn->extra = New<FuncExtra>(fn->pos);
  return fn->extra;
}

Expr *Parser::ParseFunction(Expr *fn) {
  fn->kind = ExprKind::kFunction;
  DepthGuard guard(*this);
  if (fn->name.count == 1 && fn->name.dblink.empty()) {
    bool handled = false;
    Expr *special = ParseSpecialFunction(fn->name.part[0], fn->pos, handled);
    if (handled) return special;
  }
  ParseArguments(fn);
  ParseAnalytic(fn);
  return fn;
}

void Parser::ParseArguments(Expr *fn) {
  ExpectLParen();
  if (AcceptSym(Sym::kRParen)) return;
  if (AcceptWord("DISTINCT") || AcceptWord("UNIQUE")) {
    fn->flags |= kDistinct;
  } else if (AcceptWord("ALL")) {
    fn->flags |= kAllArgs;
  }
  if (PeekSym(Sym::kStar) && PeekSym(Sym::kRParen, 1)) {
    Expr *star = New<Expr>(Next().offset);
    star->kind = ExprKind::kStar;
    fn->args.Append(star);
    ++pos_;
    return;
  }
  const bool listagg = fn->name.count == 1 && fn->name.part[0] == "LISTAGG";
  for (;;) {
    Expr *arg;
    if (PeekIdentifier() && PeekSym(Sym::kArrow, 1)) {
      arg = New<Expr>(Pos());
      arg->kind = ExprKind::kNamedArg;
      arg->text = Next().value;
      ++pos_;
      arg->left = ParseExpr();
    } else {
      arg = ParseExpr();
    }
    if (AcceptWord("FORMAT")) {
      ExpectWord("JSON");
      arg->flags |= kFormatJson;
    }
    fn->args.Append(arg);
    if (AcceptSym(Sym::kComma)) continue;
    break;
  }
  if (PeekWord("ORDER")) {
    ++pos_;
    ExpectWord("BY", kOraMissingBy);
    ParseOrderBy(Extra(fn)->order);
  }
  if (PeekWord("IGNORE") || PeekWord("RESPECT")) {
    if (Next().value == "IGNORE") fn->flags |= kIgnoreNulls;
    ExpectWord("NULLS");
  }
  if (listagg && PeekWord("ON") && PeekWord("OVERFLOW", 1)) {
    pos_ += 2;
    FuncExtra *x = Extra(fn);
    if (AcceptWord("ERROR")) {
      x->overflow = 1;
    } else {
      ExpectWord("TRUNCATE");
      x->overflow = 2;
      if (Peek().kind == Tok::kString || Peek().kind == Tok::kNString) x->overflow_filler = ParseStringLiteral();
      if (AcceptWord("WITH")) {
        ExpectWord("COUNT");
        x->overflow_count = 1;
      } else if (AcceptWord("WITHOUT")) {
        ExpectWord("COUNT");
        x->overflow_count = 2;
      }
    }
  }
  if (PeekWord("NULL") || PeekWord("ABSENT") || PeekWord("RETURNING")) ParseJsonOptions(fn, false);
  ExpectRParen();
}

void Parser::ParseAnalytic(Expr *fn) {
  if ((PeekWord("IGNORE") || PeekWord("RESPECT")) && PeekWord("NULLS", 1)) {
    if (Next().value == "IGNORE") fn->flags |= kIgnoreNulls;
    ++pos_;
  }
  if (PeekWord("KEEP") && PeekSym(Sym::kLParen, 1)) {
    pos_ += 2;
    ExpectWord("DENSE_RANK");
    FuncExtra *x = Extra(fn);
    if (AcceptWord("FIRST")) {
      x->keep = 1;
    } else {
      ExpectWord("LAST");
      x->keep = 2;
    }
    ExpectWord("ORDER");
    ExpectWord("BY", kOraMissingBy);
    ParseOrderBy(x->keep_order);
    ExpectRParen();
  }
  if (PeekWord("WITHIN") && PeekWord("GROUP", 1)) {
    pos_ += 2;
    ExpectLParen();
    ExpectWord("ORDER");
    ExpectWord("BY", kOraMissingBy);
    FuncExtra *x = Extra(fn);
    x->has_within_group = true;
    ParseOrderBy(x->within_group);
    ExpectRParen();
  }
  if (AcceptWord("OVER")) Extra(fn)->over = ParseWindow();
}

Window *Parser::ParseWindow() {
  Window *w = New<Window>(Pos());
  ExpectLParen();
  if (AcceptWord("PARTITION")) {
    ExpectWord("BY", kOraMissingBy);
    do {
      w->partition.Append(ParseExpr());
    } while (AcceptSym(Sym::kComma));
  }
  if (AcceptWord("ORDER")) {
    ExpectWord("BY", kOraMissingBy);
    ParseOrderBy(w->order);
  }
  if (PeekWord("ROWS") || PeekWord("RANGE") || PeekWord("GROUPS")) {
    const Token &u = Next();
    w->units = u.value == "ROWS" ? 1 : u.value == "RANGE" ? 2 : 3;
    if (AcceptWord("BETWEEN")) {
      w->between = true;
      w->start = ParseFrameBound();
      ExpectWord("AND");
      w->end = ParseFrameBound();
    } else {
      w->start = ParseFrameBound();
    }
  }
  ExpectRParen();
  return w;
}

FrameBound Parser::ParseFrameBound() {
  FrameBound b;
  if (AcceptWord("UNBOUNDED")) {
    if (AcceptWord("PRECEDING")) {
      b.kind = FrameBound::kUnboundedPreceding;
    } else {
      ExpectWord("FOLLOWING");
      b.kind = FrameBound::kUnboundedFollowing;
    }
    return b;
  }
  if (AcceptWord("CURRENT")) {
    ExpectWord("ROW");
    b.kind = FrameBound::kCurrentRow;
    return b;
  }
  b.offset = ParseAdditive();
  if (AcceptWord("PRECEDING")) {
    b.kind = FrameBound::kPreceding;
  } else {
    ExpectWord("FOLLOWING");
    b.kind = FrameBound::kFollowing;
  }
  return b;
}

bool Parser::ParseJsonOn(JsonOn &on, std::string_view which) {
  // (ERROR | NULL | DEFAULT x | EMPTY [ARRAY|OBJECT] | TRUE | FALSE) ON which
  size_t save = pos_;
  JsonOn got;
  if (AcceptWord("ERROR")) got.kind = JsonOn::kError;
  else if (AcceptWord("NULL")) got.kind = JsonOn::kNull;
  else if (AcceptWord("TRUE")) got.kind = JsonOn::kTrue;
  else if (AcceptWord("FALSE")) got.kind = JsonOn::kFalse;
  else if (AcceptWord("EMPTY")) {
    got.kind = JsonOn::kEmpty;
    if (AcceptWord("ARRAY")) got.kind = JsonOn::kEmptyArray;
    else if (AcceptWord("OBJECT")) got.kind = JsonOn::kEmptyObject;
  } else if (AcceptWord("DEFAULT")) {
    got.kind = JsonOn::kDefault;
    got.value = ParseAdditive();
  } else {
    return false;
  }
  if (!PeekWord("ON") || !PeekWord(which, 1)) {
    pos_ = save;
    return false;
  }
  pos_ += 2;
  on = got;
  return true;
}

void Parser::ParseJsonOptions(Expr *fn, bool allow_on_empty) {
  FuncExtra *x = Extra(fn);
  for (;;) {
    if (AcceptWord("RETURNING")) {
      x->returning = ParseType();
    } else if (AcceptWord("PRETTY")) {
      x->pretty = true;
    } else if (AcceptWord("ASCII")) {
    } else if (AcceptWord("STRICT")) {
      x->strict = true;
    } else if (AcceptWord("LAX")) {
    } else if ((PeekWord("NULL") || PeekWord("ABSENT")) && PeekWord("ON", 1) && PeekWord("NULL", 2)) {
      x->null_on_null = Next().value == "NULL" ? 1 : 2;
      pos_ += 2;
    } else if ((PeekWord("WITH") || PeekWord("WITHOUT")) && PeekWord("UNIQUE", 1)) {
      x->with_unique_keys = Next().value == "WITH";
      ++pos_;
      ExpectWord("KEYS");
    } else if (PeekWord("WITHOUT")) {
      ++pos_;
      AcceptWord("ARRAY");
      ExpectWord("WRAPPER");
      x->wrapper = 1;
    } else if (PeekWord("WITH")) {
      ++pos_;
      x->wrapper = 2;
      if (AcceptWord("CONDITIONAL")) x->wrapper = 3;
      else if (AcceptWord("UNCONDITIONAL")) x->wrapper = 4;
      AcceptWord("ARRAY");
      ExpectWord("WRAPPER");
    } else if (ParseJsonOn(x->on_error, "ERROR")) {
    } else if (allow_on_empty && ParseJsonOn(x->on_empty, "EMPTY")) {
    } else {
      return;
    }
  }
}

Expr *Parser::ParseSpecialFunction(std::string_view name, uint32_t pos, bool &handled) {
  handled = true;
  Expr *e = New<Expr>(pos);
  if (name == "CAST") {
    ExpectLParen();
    e->kind = ExprKind::kCast;
    e->left = ParseExpr();
    ExpectWord("AS");
    e->type = ParseType();
    ExpectRParen();
    return e;
  }
  if (name == "EXTRACT") {
    ExpectLParen();
    e->kind = ExprKind::kExtract;
    const Token &f = Peek();
    if (f.kind != Tok::kWord) Fail(kOraMissingKeyword);
    e->text = Next().value;
    ExpectWord("FROM");
    e->left = ParseExpr();
    ExpectRParen();
    return e;
  }
  if (name == "TRIM") {
    ExpectLParen();
    e->kind = ExprKind::kTrim;
    if (AcceptWord("LEADING")) e->trim_spec = 1;
    else if (AcceptWord("TRAILING")) e->trim_spec = 2;
    else if (AcceptWord("BOTH")) e->trim_spec = 3;
    if (e->trim_spec != 0 && AcceptWord("FROM")) {
      e->left = ParseExpr();
    } else {
      Expr *first = ParseExpr();
      if (AcceptWord("FROM")) {
        e->right = first;
        e->left = ParseExpr();
      } else {
        if (e->trim_spec != 0) Fail(kOraMissingKeyword);
        e->left = first;
      }
    }
    ExpectRParen();
    return e;
  }
  e->kind = ExprKind::kFunction;
  e->name.part[0] = name;
  e->name.count = 1;
  if (name == "JSON_VALUE" || name == "JSON_QUERY" || name == "JSON_EXISTS") {
    ExpectLParen();
    Expr *doc = ParseExpr();
    if (AcceptWord("FORMAT")) {
      ExpectWord("JSON");
      doc->flags |= kFormatJson;
    }
    e->args.Append(doc);
    ExpectSym(Sym::kComma, kOraMissingComma);
    e->args.Append(ParseStringLiteral());
    ParseJsonOptions(e, true);
    ExpectRParen();
    return e;
  }
  if (name == "JSON_OBJECT" || name == "JSON_OBJECTAGG") {
    ExpectLParen();
    if (!PeekSym(Sym::kRParen) && !PeekWord("RETURNING") && !(PeekWord("NULL") && PeekWord("ON", 1)) &&
        !(PeekWord("ABSENT") && PeekWord("ON", 1))) {
      do {
        Expr *pair = New<Expr>(Pos());
        pair->kind = ExprKind::kJsonPair;
        if (PeekWord("KEY") && !PeekWord("VALUE", 1) && !PeekSym(Sym::kColon, 1) &&
            !PeekSym(Sym::kComma, 1) && !PeekSym(Sym::kRParen, 1)) {
          ++pos_;
        }
        pair->left = ParseExpr();
        if (AcceptWord("VALUE") || AcceptSym(Sym::kColon)) {
          pair->right = ParseExpr();
          if (AcceptWord("FORMAT")) {
            ExpectWord("JSON");
            pair->flags |= kFormatJson;
          }
        }
        e->args.Append(pair);
      } while (AcceptSym(Sym::kComma));
    }
    ParseJsonOptions(e, false);
    ExpectRParen();
    ParseAnalytic(e);
    return e;
  }
  handled = false;
  return nullptr;
}

}  // namespace kestrel_engine::sql
