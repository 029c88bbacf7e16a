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

// FIRST_VALUE, LAST_VALUE, NTH_VALUE, LAG and LEAD: the functions that
// take IGNORE or RESPECT NULLS.
bool Parser::TakesNullTreatment(const Expr *fn) {
  if (fn->name.count != 1) return false;
  const std::string_view name = fn->name.part[0];
  return name == "FIRST_VALUE" || name == "LAST_VALUE" || name == "NTH_VALUE" || name == "LAG" ||
         name == "LEAD";
}

void Parser::ParseArguments(Expr *fn) {
  ExpectLParen();
  if (AcceptSym(Sym::kRParen)) return;
  if (AcceptWord(Kw::kDistinct) || AcceptWord(Kw::kUnique)) {
    fn->flags |= kDistinct;
  } else if (AcceptWord(Kw::kAll)) {
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
    if (AcceptWord(Kw::kFormat)) {
      ExpectWord(Kw::kJson);
      arg->flags |= kFormatJson;
    }
    fn->args.Append(arg);
    // LAG(x IGNORE NULLS, 1): the null treatment may follow the value.
    if (fn->args.size == 1 && (PeekWord(Kw::kIgnore) || PeekWord(Kw::kRespect)) &&
        PeekWord(Kw::kNulls, 1) && PeekSym(Sym::kComma, 2) && TakesNullTreatment(fn)) {
      if (Next().kw == Kw::kIgnore) fn->flags |= kIgnoreNulls;
      ++pos_;
    }
    if (AcceptSym(Sym::kComma)) continue;
    break;
  }
  if (PeekWord(Kw::kOrder)) {
    ++pos_;
    ExpectWord(Kw::kBy, kOraMissingBy);
    ParseOrderBy(Extra(fn)->order);
  }
  if (PeekWord(Kw::kIgnore) || PeekWord(Kw::kRespect)) {
    // Only the value functions take it inside their parentheses.
    if (!TakesNullTreatment(fn)) Fail(kOraMissingRightParen);
    if (Next().kw == Kw::kIgnore) fn->flags |= kIgnoreNulls;
    ExpectWord(Kw::kNulls);
  }
  if (listagg && PeekWord(Kw::kOn) && PeekWord(Kw::kOverflow, 1)) {
    pos_ += 2;
    FuncExtra *x = Extra(fn);
    if (AcceptWord(Kw::kError)) {
      x->overflow = 1;
    } else {
      ExpectWord(Kw::kTruncate);
      x->overflow = 2;
      if (Peek().kind == Tok::kString || Peek().kind == Tok::kNString) x->overflow_filler = ParseStringLiteral();
      if (AcceptWord(Kw::kWith)) {
        ExpectWord(Kw::kCount);
        x->overflow_count = 1;
      } else if (AcceptWord(Kw::kWithout)) {
        ExpectWord(Kw::kCount);
        x->overflow_count = 2;
      }
    }
  }
  if (PeekWord(Kw::kNull) || PeekWord(Kw::kAbsent) || PeekWord(Kw::kReturning)) ParseJsonOptions(fn, false);
  ExpectRParen();
}

void Parser::ParseAnalytic(Expr *fn) {
  if ((PeekWord(Kw::kIgnore) || PeekWord(Kw::kRespect)) && PeekWord(Kw::kNulls, 1)) {
    if (Next().kw == Kw::kIgnore) fn->flags |= kIgnoreNulls;
    ++pos_;
  }
  if (PeekWord(Kw::kKeep) && PeekSym(Sym::kLParen, 1)) {
    pos_ += 2;
    ExpectWord(Kw::kDenseRank);
    FuncExtra *x = Extra(fn);
    if (AcceptWord(Kw::kFirst)) {
      x->keep = 1;
    } else {
      ExpectWord(Kw::kLast);
      x->keep = 2;
    }
    ExpectWord(Kw::kOrder);
    ExpectWord(Kw::kBy, kOraMissingBy);
    ParseOrderBy(x->keep_order);
    ExpectRParen();
  }
  if (PeekWord(Kw::kWithin) && PeekWord(Kw::kGroup, 1)) {
    pos_ += 2;
    ExpectLParen();
    ExpectWord(Kw::kOrder);
    ExpectWord(Kw::kBy, kOraMissingBy);
    FuncExtra *x = Extra(fn);
    x->has_within_group = true;
    ParseOrderBy(x->within_group);
    ExpectRParen();
  }
  if (AcceptWord(Kw::kOver)) Extra(fn)->over = ParseWindow();
}

Window *Parser::ParseWindow() {
  Window *w = New<Window>(Pos());
  ExpectLParen();
  if (AcceptWord(Kw::kPartition)) {
    ExpectWord(Kw::kBy, kOraMissingBy);
    do {
      w->partition.Append(ParseExpr());
    } while (AcceptSym(Sym::kComma));
  }
  if (AcceptWord(Kw::kOrder)) {
    ExpectWord(Kw::kBy, kOraMissingBy);
    ParseOrderBy(w->order);
  }
  if (PeekWord(Kw::kRows) || PeekWord(Kw::kRange) || PeekWord(Kw::kGroups)) {
    const Token &u = Next();
    w->units = u.kw == Kw::kRows ? 1 : u.kw == Kw::kRange ? 2 : 3;
    if (AcceptWord(Kw::kBetween)) {
      w->between = true;
      w->start = ParseFrameBound();
      ExpectWord(Kw::kAnd);
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
  if (AcceptWord(Kw::kUnbounded)) {
    if (AcceptWord(Kw::kPreceding)) {
      b.kind = FrameBound::kUnboundedPreceding;
    } else {
      ExpectWord(Kw::kFollowing);
      b.kind = FrameBound::kUnboundedFollowing;
    }
    return b;
  }
  if (AcceptWord(Kw::kCurrent)) {
    ExpectWord(Kw::kRow);
    b.kind = FrameBound::kCurrentRow;
    return b;
  }
  b.offset = ParseAdditive();
  if (AcceptWord(Kw::kPreceding)) {
    b.kind = FrameBound::kPreceding;
  } else {
    ExpectWord(Kw::kFollowing);
    b.kind = FrameBound::kFollowing;
  }
  return b;
}

bool Parser::ParseJsonOn(JsonOn &on, Kw which) {
  // (ERROR | NULL | DEFAULT x | EMPTY [ARRAY|OBJECT] | TRUE | FALSE) ON which
  size_t save = pos_;
  JsonOn got;
  if (AcceptWord(Kw::kError)) got.kind = JsonOn::kError;
  else if (AcceptWord(Kw::kNull)) got.kind = JsonOn::kNull;
  else if (AcceptWord(Kw::kTrue)) got.kind = JsonOn::kTrue;
  else if (AcceptWord(Kw::kFalse)) got.kind = JsonOn::kFalse;
  else if (AcceptWord(Kw::kEmpty)) {
    got.kind = JsonOn::kEmpty;
    if (AcceptWord(Kw::kArray)) got.kind = JsonOn::kEmptyArray;
    else if (AcceptWord(Kw::kObject)) got.kind = JsonOn::kEmptyObject;
  } else if (AcceptWord(Kw::kDefault)) {
    got.kind = JsonOn::kDefault;
    got.value = ParseAdditive();
  } else {
    return false;
  }
  if (!PeekWord(Kw::kOn) || !PeekWord(which, 1)) {
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
    if (AcceptWord(Kw::kReturning)) {
      x->returning = ParseType();
    } else if (AcceptWord(Kw::kPretty)) {
      x->pretty = true;
    } else if (AcceptWord(Kw::kAscii)) {
    } else if (AcceptWord(Kw::kStrict)) {
      x->strict = true;
    } else if (AcceptWord(Kw::kLax)) {
    } else if ((PeekWord(Kw::kNull) || PeekWord(Kw::kAbsent)) && PeekWord(Kw::kOn, 1) && PeekWord(Kw::kNull, 2)) {
      x->null_on_null = Next().kw == Kw::kNull ? 1 : 2;
      pos_ += 2;
    } else if ((PeekWord(Kw::kWith) || PeekWord(Kw::kWithout)) && PeekWord(Kw::kUnique, 1)) {
      x->with_unique_keys = Next().kw == Kw::kWith;
      ++pos_;
      ExpectWord(Kw::kKeys);
    } else if (PeekWord(Kw::kWithout)) {
      ++pos_;
      AcceptWord(Kw::kArray);
      ExpectWord(Kw::kWrapper);
      x->wrapper = 1;
    } else if (PeekWord(Kw::kWith)) {
      ++pos_;
      x->wrapper = 2;
      if (AcceptWord(Kw::kConditional)) x->wrapper = 3;
      else if (AcceptWord(Kw::kUnconditional)) x->wrapper = 4;
      AcceptWord(Kw::kArray);
      ExpectWord(Kw::kWrapper);
    } else if (ParseJsonOn(x->on_error, Kw::kError)) {
    } else if (allow_on_empty && ParseJsonOn(x->on_empty, Kw::kEmpty)) {
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
    ExpectWord(Kw::kAs);
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
    ExpectWord(Kw::kFrom);
    e->left = ParseExpr();
    ExpectRParen();
    return e;
  }
  if (name == "TRIM") {
    ExpectLParen();
    e->kind = ExprKind::kTrim;
    if (AcceptWord(Kw::kLeading)) e->trim_spec = 1;
    else if (AcceptWord(Kw::kTrailing)) e->trim_spec = 2;
    else if (AcceptWord(Kw::kBoth)) e->trim_spec = 3;
    if (e->trim_spec != 0 && AcceptWord(Kw::kFrom)) {
      e->left = ParseExpr();
    } else {
      Expr *first = ParseExpr();
      if (AcceptWord(Kw::kFrom)) {
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
    if (AcceptWord(Kw::kFormat)) {
      ExpectWord(Kw::kJson);
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
    if (!PeekSym(Sym::kRParen) && !PeekWord(Kw::kReturning) && !(PeekWord(Kw::kNull) && PeekWord(Kw::kOn, 1)) &&
        !(PeekWord(Kw::kAbsent) && PeekWord(Kw::kOn, 1))) {
      do {
        Expr *pair = New<Expr>(Pos());
        pair->kind = ExprKind::kJsonPair;
        if (PeekWord(Kw::kKey) && !PeekWord(Kw::kValue, 1) && !PeekSym(Sym::kColon, 1) &&
            !PeekSym(Sym::kComma, 1) && !PeekSym(Sym::kRParen, 1)) {
          ++pos_;
        }
        pair->left = ParseExpr();
        if (Peek().kind == Tok::kBind) {
          // 'key':1 lexes as 'key' and the bind :1; here it is a colon and
          // a value (a number, or a column name).
          const Token &v = Next();
          Expr *value = New<Expr>(v.offset + 1);
          if (v.value.find_first_not_of("0123456789") == std::string_view::npos) {
            value->kind = ExprKind::kNumber;
            value->text = v.value;
          } else {
            value->kind = ExprKind::kName;
            Token name = v;
            name.value = v.raw.substr(1);
            if (name.value.front() == '"') {
              name.kind = Tok::kQuotedIdent;
              name.value = v.value;
            } else {
              bool lower = false;
              for (char c : name.value) lower = lower || (c >= 'a' && c <= 'z');
              if (lower) {
                char *up = static_cast<char *>(arena_.Allocate(name.value.size(), 1));
                for (size_t i = 0; i < name.value.size(); ++i) {
                  const char c = name.value[i];
                  up[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
                }
                name.value = {up, name.value.size()};
              }
            }
            AddNamePart(value->name, name);
          }
          pair->right = value;
        } else if (AcceptWord(Kw::kValue) || AcceptSym(Sym::kColon)) {
          pair->right = ParseExpr();
          if (AcceptWord(Kw::kFormat)) {
            ExpectWord(Kw::kJson);
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
