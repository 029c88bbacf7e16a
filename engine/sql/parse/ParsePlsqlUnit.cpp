/*
** PL/SQL units as statements: anonymous blocks, CREATE PROCEDURE,
** FUNCTION, PACKAGE [BODY] and TRIGGER, ALTER ... COMPILE | ENABLE |
** DISABLE of stored code, and CALL. Syntax errors inside a unit are
** reported as Oracle's compiler does: ORA-06550 with line and column.
*/
#include <string>

#include "sql/parse/Parser.h"

namespace kestrel_engine::sql {

namespace {

enum Unit { kAnonymous, kSubprogramUnit, kPackageUnit, kTriggerUnit };

}  // namespace

void Parser::FailPls() const {
  const Token &t = Peek();
  if (t.kind == Tok::kEnd) throw SyntaxError(kPlsEncountered, t.offset, "end-of-file");
  throw SyntaxError(kPlsEncountered, t.offset, t.kind == Tok::kWord ? t.value : t.raw);
}

void Parser::CheckEndName(const PlBlock *block, const Name &name) const {
  if (block == nullptr || block->end_name == nullptr || block->end_name->name == name.Last()) return;
  std::string detail = "'";
  detail += block->end_name->name;
  detail += "' must match '";
  detail += name.Last();
  detail += "'";
  throw SyntaxError(kPlsEndMismatch, block->end_name->pos, detail);
}

Statement *Parser::ParsePlsqlUnit(uint32_t pos, int what, bool or_replace, uint8_t editionable) {
  plsql_ = true;
  try {
    Statement *s = ParsePlsqlUnitBody(pos, what, or_replace, editionable);
    // Only the semicolons a client may leave after the unit may follow.
    while (AcceptSym(Sym::kSemicolon)) {
    }
    if (!AtEnd()) FailPls();
    plsql_ = false;
    return s;
  } catch (const SyntaxError &e) {
    // The depth limit keeps its own number: it is no compilation error.
    if (e.code() == kOraNestingTooDeep) throw;
    throw SyntaxError(e, text_);
  }
}

Statement *Parser::ParsePlsqlUnitBody(uint32_t pos, int what, bool or_replace, uint8_t editionable) {
  switch (what) {
    case kAnonymous: {
      PlBlockStmt *s = New<PlBlockStmt>(pos);
      s->kind = StmtKind::kPlBlock;
      s->block = ParsePlBlock();
      return s;
    }
    case kSubprogramUnit: {
      CreateSubprogramStmt *s = New<CreateSubprogramStmt>(pos);
      s->kind = StmtKind::kCreateSubprogram;
      s->or_replace = or_replace;
      s->editionable = editionable;
      s->sub = ParseSubprogram(true);
      // A declaration alone is no stored subprogram: the ';' is wrong.
      if (s->sub->body == nullptr) FailAt(kPlsEncountered, tokens_.items[pos_ - 1], ";");
      return s;
    }
    case kPackageUnit: return ParseCreatePackage(pos, or_replace, editionable);
    default: return ParseCreateTrigger(pos, or_replace, editionable);
  }
}

Statement *Parser::ParseCreatePackage(uint32_t pos, bool or_replace, uint8_t editionable) {
  CreatePackageStmt *s = New<CreatePackageStmt>(pos);
  s->kind = StmtKind::kCreatePackage;
  s->or_replace = or_replace;
  s->editionable = editionable;
  ExpectPl(Kw::kPackage);
  s->body = AcceptWord(Kw::kBody);
  if (!PeekIdentifier()) FailPls();
  ParseName(s->name);
  if (!s->body && PeekWord(Kw::kAuthid)) s->authid = ParseAuthid();
  if (!AcceptWord(Kw::kIs)) ExpectPl(Kw::kAs);
  PlBlock *b = New<PlBlock>(Pos());
  ParseDeclarations(b->decls);
  if (s->body && PeekWord(Kw::kBegin)) {
    ParseBlockBody(b);
  } else {
    b->has_begin = false;
    ExpectPl(Kw::kEnd);
    if (PeekIdentifier()) b->end_name = ParseIdent();
    ExpectPlSym(Sym::kSemicolon);
  }
  CheckEndName(b, s->name);
  s->block = b;
  return s;
}

Statement *Parser::ParseCreateTrigger(uint32_t pos, bool or_replace, uint8_t editionable) {
  CreateTriggerStmt *s = New<CreateTriggerStmt>(pos);
  s->kind = StmtKind::kCreateTrigger;
  s->or_replace = or_replace;
  s->editionable = editionable;
  ExpectPl(Kw::kTrigger);
  if (!PeekIdentifier()) FailPls();
  ParseName(s->name);
  if (AcceptWord(Kw::kFor)) {
    s->timing = 3;
  } else if (AcceptWord(Kw::kBefore)) {
    s->timing = 0;
  } else if (AcceptWord(Kw::kAfter)) {
    s->timing = 1;
  } else {
    ExpectPl(Kw::kInstead);
    ExpectPl(Kw::kOf);
    s->timing = 2;
  }
  do {
    if (AcceptWord(Kw::kInsert)) {
      s->events |= kOnInsert;
    } else if (AcceptWord(Kw::kUpdate)) {
      s->events |= kOnUpdate;
      if (AcceptWord(Kw::kOf)) {
        do {
          s->update_of.Append(ParseIdent());
        } while (AcceptSym(Sym::kComma));
      }
    } else if (AcceptWord(Kw::kDelete)) {
      s->events |= kOnDelete;
    } else {
      FailPls();
    }
  } while (AcceptWord(Kw::kOr));
  ExpectPl(Kw::kOn);
  if (!PeekIdentifier()) FailPls();
  ParseName(s->table);
  if (AcceptWord(Kw::kReferencing)) {
    bool any = false;
    for (;;) {
      Ident **alias = nullptr;
      if (AcceptWord(Kw::kOld)) alias = &s->old_alias;
      else if (AcceptWord(Kw::kNew)) alias = &s->new_alias;
      else if (AcceptWord(Kw::kParent)) alias = &s->parent_alias;
      else break;
      AcceptWord(Kw::kAs);
      *alias = ParseIdent();
      any = true;
    }
    if (!any) FailPls();
  }
  if (AcceptWord(Kw::kFor)) {
    ExpectPl(Kw::kEach);
    ExpectPl(Kw::kRow);
    s->for_each_row = true;
  }
  if (AcceptWord(Kw::kEnable)) {
    s->enabled = 1;
  } else if (AcceptWord(Kw::kDisable)) {
    s->enabled = 2;
  }
  if (AcceptWord(Kw::kWhen)) {
    ExpectPlSym(Sym::kLParen);
    s->when = ParseExpr();
    ExpectPlSym(Sym::kRParen);
  }
  if (s->timing == 3) {
    ParseCompoundBody(s);
  } else {
    s->block = ParsePlBlock();
  }
  return s;
}

Statement *Parser::ParseAlterCode(uint32_t pos) {
  AlterCodeStmt *s = New<AlterCodeStmt>(pos);
  s->kind = StmtKind::kAlterCode;
  if (AcceptWord(Kw::kTrigger)) {
    s->object = ObjectKind::kTrigger;
  } else if (AcceptWord(Kw::kProcedure)) {
    s->object = ObjectKind::kProcedure;
  } else if (AcceptWord(Kw::kFunction)) {
    s->object = ObjectKind::kFunction;
  } else {
    ExpectWord(Kw::kPackage);
    s->object = AcceptWord(Kw::kBody) ? ObjectKind::kPackageBody : ObjectKind::kPackage;
  }
  ParseName(s->name);
  if (AcceptWord(Kw::kCompile)) {
    s->action = 0;
    if (s->object == ObjectKind::kPackage) {
      if (AcceptWord(Kw::kSpecification) || AcceptWord(Kw::kPackage)) {
        s->compile_part = 1;
      } else if (AcceptWord(Kw::kBody)) {
        s->compile_part = 2;
      }
    }
    if (AcceptWord(Kw::kDebug)) s->debug = true;
    if (Peek().kind == Tok::kWord && Peek().value == "REUSE") {
      ++pos_;
      if (Peek().kind != Tok::kWord || Peek().value != "SETTINGS") Fail(kOraMissingOption);
      ++pos_;
    }
  } else if (s->object == ObjectKind::kTrigger && AcceptWord(Kw::kEnable)) {
    s->action = 1;
  } else if (s->object == ObjectKind::kTrigger && AcceptWord(Kw::kDisable)) {
    s->action = 2;
  } else {
    Fail(kOraMissingOption);
  }
  return s;
}

Statement *Parser::ParseCall(uint32_t pos) {
  CallStmt *s = New<CallStmt>(pos);
  s->kind = StmtKind::kCall;
  if (!PeekIdentifier()) Fail(kOraNotValidCall);
  s->call = ParseNameExpr();
  if (s->call->kind != ExprKind::kFunction) FailAt(kOraNotValidCall, Peek());
  if (AcceptWord(Kw::kInto)) {
    if (Peek().kind != Tok::kBind) Fail(kOraMissingExpression);
    s->into = ParsePrimary();
  }
  return s;
}

}  // namespace kestrel_engine::sql
