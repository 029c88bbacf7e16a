/*
** PL/SQL blocks and what they declare: variables and constants, types
** (records, associative arrays, nested tables, varrays, REF CURSOR,
** subtypes), cursors, exceptions, pragmas and nested subprograms.
*/
#include "sql/parse/Parser.h"

namespace kestrel_engine::sql {

void Parser::ParseLabels(List<Ident> &into) {
  while (PeekSym(Sym::kLt) && PeekSym(Sym::kLt, 1)) {
    pos_ += 2;
    if (!PeekIdentifier()) FailPls();
    into.Append(ParseIdent());
    if (!(PeekSym(Sym::kGt) && PeekSym(Sym::kGt, 1))) FailPls();
    pos_ += 2;
  }
}

PlBlock *Parser::ParsePlBlock() {
  // Not a nesting level of its own: the statement or subprogram holding
  // it counts one.
  PlBlock *b = New<PlBlock>(Pos());
  ParseLabels(b->labels);
  if (AcceptWord(Kw::kDeclare)) {
    b->declare = true;
    ParseDeclarations(b->decls);
  }
  if (!PeekWord(Kw::kBegin)) FailPls();
  ParseBlockBody(b);
  return b;
}

void Parser::ParseBlockBody(PlBlock *b) {
  ParseBlockStatements(b);
  ExpectPl(Kw::kEnd);
  if (PeekIdentifier()) b->end_name = ParseIdent();
  ExpectPlSym(Sym::kSemicolon);
}

void Parser::ParseBlockStatements(PlBlock *b) {
  ExpectPl(Kw::kBegin);
  ParsePlStatements(b->body);
  if (AcceptWord(Kw::kException)) {
    if (!PeekWord(Kw::kWhen)) FailPls();
    while (PeekWord(Kw::kWhen)) {
      PlWhen *h = New<PlWhen>(Next().offset);
      do {
        if (!PeekIdentifier()) FailPls();
        Expr *name = New<Expr>(Pos());
        name->kind = ExprKind::kName;
        ParseName(name->name);
        h->exceptions.Append(name);
      } while (AcceptWord(Kw::kOr));
      ExpectPl(Kw::kThen);
      ParsePlStatements(h->body);
      b->handlers.Append(h);
    }
  }
}

namespace {

// Words that start an SQL type (ParseType); anything else is a named type.
bool IsSqlTypeWord(Kw w) {
  static constexpr Kw kTypes[] = {
      Kw::kNumber, Kw::kDecimal, Kw::kDec, Kw::kNumeric, Kw::kInteger, Kw::kInt, Kw::kSmallint, Kw::kFloat,
      Kw::kReal, Kw::kDouble, Kw::kBinaryFloat, Kw::kBinaryDouble, Kw::kVarchar2, Kw::kVarchar,
      Kw::kNvarchar2, Kw::kChar, Kw::kCharacter, Kw::kNchar, Kw::kLong, Kw::kRaw, Kw::kClob, Kw::kNclob,
      Kw::kBlob, Kw::kBfile, Kw::kDate, Kw::kTimestamp, Kw::kInterval, Kw::kBoolean, Kw::kRowid,
      Kw::kUrowid, Kw::kXmltype, Kw::kJson};
  for (Kw t : kTypes) {
    if (w == t) return true;
  }
  return false;
}

}  // namespace

PlType *Parser::ParsePlType() {
  PlType *t = New<PlType>(Pos());
  const Token &first = Peek();
  if (first.kind == Tok::kWord && IsSqlTypeWord(first.kw) && !PeekSym(Sym::kPercent, 1) &&
      !PeekSym(Sym::kDot, 1)) {
    t->sql = ParseType();
    return t;
  }
  if (!PeekIdentifier()) FailPls();
  ParseName(t->name);
  if (PeekSym(Sym::kPercent)) {
    ++pos_;
    if (AcceptWord(Kw::kType)) {
      t->attr = 1;
    } else if (AcceptWord(Kw::kRowtype)) {
      t->attr = 2;
    } else {
      FailPls();
    }
  }
  return t;
}

void Parser::ParseParams(List<PlParam> &into) {
  if (!AcceptSym(Sym::kLParen)) return;
  do {
    PlParam *p = New<PlParam>(Pos());
    p->name = ParseIdent();
    if (AcceptWord(Kw::kIn)) p->mode = 1;
    if (AcceptWord(Kw::kOut)) p->mode = p->mode == 1 ? 3 : 2;
    if (AcceptWord(Kw::kNocopy)) p->nocopy = true;
    p->type = ParsePlType();
    if (PeekAssign()) {
      pos_ += 2;
      p->default_value = ParseExpr();
    } else if (AcceptWord(Kw::kDefault)) {
      p->default_keyword = true;
      p->default_value = ParseExpr();
    }
    into.Append(p);
    if (AcceptSym(Sym::kComma)) continue;
    ExpectPlSym(Sym::kRParen);
    break;
  } while (true);
}

Subprogram *Parser::ParseSubprogram(bool allow_body) {
  Subprogram *sub = New<Subprogram>(Pos());
  if (AcceptWord(Kw::kFunction)) {
    sub->function = true;
  } else {
    ExpectPl(Kw::kProcedure);
  }
  if (!PeekIdentifier()) FailPls();
  ParseName(sub->name);
  ParseParams(sub->params);
  if (sub->function) {
    ExpectPl(Kw::kReturn);
    sub->returns = ParsePlType();
  }
  for (;;) {
    if (PeekWord(Kw::kAuthid)) {
      sub->authid = ParseAuthid();
    } else if (AcceptWord(Kw::kDeterministic)) {
      sub->deterministic = true;
    } else if (AcceptWord(Kw::kPipelined)) {
      sub->pipelined = true;
    } else if (AcceptWord(Kw::kParallelEnable)) {
      sub->parallel_enable = true;
    } else if (Peek().kind == Tok::kWord && Peek().value == "RESULT_CACHE") {
      ++pos_;
      sub->result_cache = true;
    } else {
      break;
    }
  }
  if (!allow_body || PeekSym(Sym::kSemicolon)) {
    ExpectPlSym(Sym::kSemicolon);
    return sub;
  }
  if (!AcceptWord(Kw::kIs)) ExpectPl(Kw::kAs);
  DepthGuard guard(*this);
  PlBlock *b = New<PlBlock>(Pos());
  ParseDeclarations(b->decls);
  ParseBlockBody(b);
  CheckEndName(b, sub->name);
  sub->body = b;
  return sub;
}

uint8_t Parser::ParseAuthid() {
  ExpectPl(Kw::kAuthid);
  if (AcceptWord(Kw::kDefiner)) return 1;
  ExpectPl(Kw::kCurrentUser);
  return 2;
}

void Parser::ParseDeclarations(List<PlDecl> &into) {
  while (!PeekWord(Kw::kBegin) && !PeekWord(Kw::kEnd)) {
    if (AtEnd()) FailPls();
    into.Append(ParseDeclaration());
  }
}

PlDecl *Parser::ParseDeclaration() {
  PlDecl *d = New<PlDecl>(Pos());
  if (PeekWord(Kw::kProcedure) || PeekWord(Kw::kFunction)) {
    d->kind = PlDeclKind::kSubprogram;
    d->sub = ParseSubprogram(true);
    return d;
  }
  if (AcceptWord(Kw::kPragma)) {
    d->kind = PlDeclKind::kPragma;
    d->name = ParseIdent();
    if (AcceptSym(Sym::kLParen)) {
      do {
        d->args.Append(ParseExpr());
      } while (AcceptSym(Sym::kComma));
      ExpectPlSym(Sym::kRParen);
    }
    ExpectPlSym(Sym::kSemicolon);
    return d;
  }
  if (AcceptWord(Kw::kCursor)) {
    d->kind = PlDeclKind::kCursor;
    d->name = ParseIdent();
    ParseParams(d->params);
    if (AcceptWord(Kw::kReturn)) d->type = ParsePlType();
    if (AcceptWord(Kw::kIs)) {
      if (!PeekQueryStart()) FailPls();
      d->query = ParseQuery();
    }
    ExpectPlSym(Sym::kSemicolon);
    return d;
  }
  if (AcceptWord(Kw::kSubtype)) {
    d->kind = PlDeclKind::kSubtype;
    d->name = ParseIdent();
    ExpectPl(Kw::kIs);
    d->type = ParsePlType();
    if (AcceptWord(Kw::kNot)) {
      ExpectPl(Kw::kNull);
      d->not_null = true;
    }
    ExpectPlSym(Sym::kSemicolon);
    return d;
  }
  if (AcceptWord(Kw::kType)) {
    d->name = ParseIdent();
    if (!AcceptWord(Kw::kIs)) ExpectPl(Kw::kAs);
    if (AcceptWord(Kw::kRecord)) {
      d->kind = PlDeclKind::kRecordType;
      ExpectPlSym(Sym::kLParen);
      do {
        PlDecl *f = New<PlDecl>(Pos());
        f->name = ParseIdent();
        f->type = ParsePlType();
        if (AcceptWord(Kw::kNot)) {
          ExpectPl(Kw::kNull);
          f->not_null = true;
        }
        if (PeekAssign()) {
          pos_ += 2;
          f->init = ParseExpr();
        } else if (AcceptWord(Kw::kDefault)) {
          f->default_keyword = true;
          f->init = ParseExpr();
        }
        d->fields.Append(f);
      } while (AcceptSym(Sym::kComma));
      ExpectPlSym(Sym::kRParen);
    } else if (AcceptWord(Kw::kRef)) {
      d->kind = PlDeclKind::kRefCursorType;
      ExpectPl(Kw::kCursor);
      if (AcceptWord(Kw::kReturn)) d->type = ParsePlType();
    } else {
      if (AcceptWord(Kw::kTable)) {
        d->kind = PlDeclKind::kTableType;
      } else {
        d->kind = PlDeclKind::kVarrayType;
        if (!AcceptWord(Kw::kVarray)) {
          ExpectPl(Kw::kVarying);
          ExpectPl(Kw::kArray);
        }
        ExpectPlSym(Sym::kLParen);
        d->limit = ParseExpr();
        ExpectPlSym(Sym::kRParen);
      }
      ExpectPl(Kw::kOf);
      d->type = ParsePlType();
      if (AcceptWord(Kw::kNot)) {
        ExpectPl(Kw::kNull);
        d->not_null = true;
      }
      if (d->kind == PlDeclKind::kTableType && AcceptWord(Kw::kIndex)) {
        ExpectPl(Kw::kBy);
        d->index_by = ParsePlType();
      }
    }
    ExpectPlSym(Sym::kSemicolon);
    return d;
  }
  if (!PeekIdentifier()) FailPls();
  d->name = ParseIdent();
  if (AcceptWord(Kw::kException)) {
    d->kind = PlDeclKind::kException;
    ExpectPlSym(Sym::kSemicolon);
    return d;
  }
  d->kind = PlDeclKind::kVariable;
  if (AcceptWord(Kw::kConstant)) d->constant = true;
  d->type = ParsePlType();
  if (AcceptWord(Kw::kNot)) {
    ExpectPl(Kw::kNull);
    d->not_null = true;
  }
  if (PeekAssign()) {
    pos_ += 2;
    d->init = ParseExpr();
  } else if (AcceptWord(Kw::kDefault)) {
    d->default_keyword = true;
    d->init = ParseExpr();
  }
  if (d->constant && d->init == nullptr) FailPls();
  ExpectPlSym(Sym::kSemicolon);
  return d;
}

}  // namespace kestrel_engine::sql
