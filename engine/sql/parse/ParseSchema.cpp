/*
** The other schema statements: views, indexes, sequences, synonyms,
** comments, TRUNCATE, ALTER SESSION and the account statements.
*/
#include "sql/parse/Parser.h"

namespace kestrel_engine::sql {

Statement *Parser::ParseCreateView(uint32_t pos, bool or_replace, bool force) {
  CreateViewStmt *s = New<CreateViewStmt>(pos);
  s->kind = StmtKind::kCreateView;
  s->or_replace = or_replace;
  s->force = force;
  ParseName(s->name, kOraInvalidIdentifier);
  if (PeekSym(Sym::kLParen)) ParseIdentList(s->columns);
  ExpectWord(Kw::kAs);
  if (!PeekQueryStart()) Fail(kOraMissingSelect);
  s->query = ParseQuery();
  if (AcceptWord(Kw::kWith)) {
    if (AcceptWord(Kw::kRead)) {
      ExpectWord(Kw::kOnly);
      s->with = 1;
    } else {
      ExpectWord(Kw::kCheck);
      ExpectWord(Kw::kOption);
      s->with = 2;
    }
    if (AcceptWord(Kw::kConstraint)) s->constraint = ParseIdent();
  }
  return s;
}

Statement *Parser::ParseCreateIndex(uint32_t pos, uint8_t unique) {
  CreateIndexStmt *s = New<CreateIndexStmt>(pos);
  s->kind = StmtKind::kCreateIndex;
  s->unique = unique;
  ParseName(s->name, kOraInvalidIdentifier);
  ExpectWord(Kw::kOn, kOraMissingOn);
  ParseName(s->table, kOraInvalidTableName);
  if (PeekAlias()) ParseIdent();  // a table alias, allowed and unused
  ExpectLParen();
  do {
    s->items.Append(ParseOrderItem());
  } while (ListContinues(kOraMissingRightParen));
  SkipPhysicalAttributes();
  return s;
}

SequenceOptions *Parser::ParseSequenceOptions(bool in_identity) {
  SequenceOptions *o = New<SequenceOptions>(Pos());
  for (;;) {
    if (AcceptWord(Kw::kStart)) {
      ExpectWord(Kw::kWith);
      if (in_identity && PeekWord(Kw::kLimit)) {
        ++pos_;
        ExpectWord(Kw::kValue);
        o->start_limit = true;
      } else {
        o->start = ParseUnary();
      }
    } else if (AcceptWord(Kw::kIncrement)) {
      ExpectWord(Kw::kBy, kOraMissingBy);
      o->increment = ParseUnary();
    } else if (AcceptWord(Kw::kMinvalue)) {
      o->minvalue = ParseUnary();
    } else if (AcceptWord(Kw::kNominvalue)) {
      o->nominvalue = true;
    } else if (AcceptWord(Kw::kMaxvalue)) {
      o->maxvalue = ParseUnary();
    } else if (AcceptWord(Kw::kNomaxvalue)) {
      o->nomaxvalue = true;
    } else if (AcceptWord(Kw::kCycle)) {
      o->cycle = 1;
    } else if (AcceptWord(Kw::kNocycle)) {
      o->cycle = 2;
    } else if (AcceptWord(Kw::kCache)) {
      o->cache = ParseUnary();
    } else if (AcceptWord(Kw::kNocache)) {
      o->nocache = true;
    } else if (AcceptWord(Kw::kOrder)) {
      o->order = 1;
    } else if (AcceptWord(Kw::kNoorder)) {
      o->order = 2;
    } else if (!in_identity && AcceptWord(Kw::kRestart)) {
      o->restart = true;
    } else if (AcceptWord(Kw::kKeep) || AcceptWord(Kw::kNokeep) || AcceptWord(Kw::kScale) ||
               AcceptWord(Kw::kNoscale) || AcceptWord(Kw::kExtend) || AcceptWord(Kw::kNoextend) ||
               AcceptWord(Kw::kGlobal) || AcceptWord(Kw::kSession)) {
      // Options that change nothing for a single-node engine.
    } else {
      return o;
    }
  }
}

Statement *Parser::ParseSequence(uint32_t pos, StmtKind kind) {
  SequenceStmt *s = New<SequenceStmt>(pos);
  s->kind = kind;
  ParseName(s->name, kOraInvalidIdentifier);
  s->options = ParseSequenceOptions(false);
  return s;
}

Statement *Parser::ParseCreateSynonym(uint32_t pos, bool or_replace, bool is_public) {
  CreateSynonymStmt *s = New<CreateSynonymStmt>(pos);
  s->kind = StmtKind::kCreateSynonym;
  s->or_replace = or_replace;
  s->is_public = is_public;
  ParseName(s->name, kOraInvalidIdentifier);
  ExpectWord(Kw::kFor);
  ParseName(s->target, kOraInvalidIdentifier);
  return s;
}

Statement *Parser::ParseComment(uint32_t pos) {
  ++pos_;
  CommentStmt *s = New<CommentStmt>(pos);
  s->kind = StmtKind::kComment;
  ExpectWord(Kw::kOn, kOraMissingOn);
  if (AcceptWord(Kw::kColumn)) {
    s->column = true;
  } else if (!AcceptWord(Kw::kTable)) {
    Fail(kOraMissingKeyword);
  }
  ParseName(s->name, s->column ? kOraInvalidIdentifier : kOraInvalidTableName);
  ExpectWord(Kw::kIs);
  s->text = ParseStringLiteral();
  return s;
}

Statement *Parser::ParseTruncate(uint32_t pos) {
  ++pos_;
  TruncateStmt *s = New<TruncateStmt>(pos);
  s->kind = StmtKind::kTruncate;
  ExpectWord(Kw::kTable);
  ParseName(s->name, kOraInvalidTableName);
  if (AcceptWord(Kw::kPreserve) || AcceptWord(Kw::kPurge)) {
    ExpectWord(Kw::kMaterialized);
    ExpectWord(Kw::kView);
    ExpectWord(Kw::kLog);
  }
  if (AcceptWord(Kw::kDrop)) {
    AcceptWord(Kw::kAll);
    ExpectWord(Kw::kStorage);
  } else if (AcceptWord(Kw::kReuse)) {
    ExpectWord(Kw::kStorage);
  }
  AcceptWord(Kw::kCascade);
  return s;
}

Statement *Parser::ParseAlterSession(uint32_t pos) {
  AlterSessionStmt *s = New<AlterSessionStmt>(pos);
  s->kind = StmtKind::kAlterSession;
  ExpectWord(Kw::kSet, kOraMissingOption);
  do {
    SessionSetting *set = New<SessionSetting>(Pos());
    set->name = ParseIdent(kOraMissingOption);
    ExpectSym(Sym::kEq, kOraMissingEquals);
    const Token &v = Peek();
    if (v.kind == Tok::kWord || v.kind == Tok::kQuotedIdent) {
      // A bare word value (AMERICAN, TRUE); reserved words too.
      Expr *e = New<Expr>(v.offset);
      e->kind = ExprKind::kName;
      AddNamePart(e->name, Next());
      set->value = e;
    } else {
      set->value = ParseUnary();
    }
    s->settings.Append(set);
  } while (Peek().kind == Tok::kWord && !Peek().reserved && PeekSym(Sym::kEq, 1));
  return s;
}

Statement *Parser::ParseUser(uint32_t pos, StmtKind kind) {
  UserStmt *s = New<UserStmt>(pos);
  s->kind = kind;
  s->name = ParseIdent(kOraMissingIdentifier);
  if (kind == StmtKind::kDropUser) {
    if (AcceptWord(Kw::kCascade)) s->cascade = true;
    return s;
  }
  if (AcceptWord(Kw::kIdentified)) {
    ExpectWord(Kw::kBy, kOraMissingBy);
    const Token &p = Peek();
    if (p.kind != Tok::kWord && p.kind != Tok::kQuotedIdent) Fail(kOraMissingOption);
    Ident *pw = New<Ident>(p.offset);
    // Passwords are case-sensitive: an unquoted one is kept as written.
    pw->name = p.kind == Tok::kQuotedIdent ? p.value : p.raw;
    pw->quoted = p.kind == Tok::kQuotedIdent;
    ++pos_;
    s->password = pw;
  } else if (kind == StmtKind::kCreateUser) {
    Fail(kOraMissingKeyword);
  }
  // Tablespaces, quotas, profiles and account states: accepted, unused.
  while (!AtEnd() && !PeekSym(Sym::kSemicolon)) {
    if (PeekSym(Sym::kLParen)) SkipBalanced(); else ++pos_;
  }
  return s;
}

}  // namespace kestrel_engine::sql
