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
  ExpectWord("AS");
  if (!PeekQueryStart()) Fail(kOraMissingSelect);
  s->query = ParseQuery();
  if (AcceptWord("WITH")) {
    if (AcceptWord("READ")) {
      ExpectWord("ONLY");
      s->with = 1;
    } else {
      ExpectWord("CHECK");
      ExpectWord("OPTION");
      s->with = 2;
    }
    if (AcceptWord("CONSTRAINT")) s->constraint = ParseIdent();
  }
  return s;
}

Statement *Parser::ParseCreateIndex(uint32_t pos, uint8_t unique) {
  CreateIndexStmt *s = New<CreateIndexStmt>(pos);
  s->kind = StmtKind::kCreateIndex;
  s->unique = unique;
  ParseName(s->name, kOraInvalidIdentifier);
  ExpectWord("ON", kOraMissingOn);
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
    if (AcceptWord("START")) {
      ExpectWord("WITH");
      if (in_identity && PeekWord("LIMIT")) {
        ++pos_;
        ExpectWord("VALUE");
        o->start_limit = true;
      } else {
        o->start = ParseUnary();
      }
    } else if (AcceptWord("INCREMENT")) {
      ExpectWord("BY", kOraMissingBy);
      o->increment = ParseUnary();
    } else if (AcceptWord("MINVALUE")) {
      o->minvalue = ParseUnary();
    } else if (AcceptWord("NOMINVALUE")) {
      o->nominvalue = true;
    } else if (AcceptWord("MAXVALUE")) {
      o->maxvalue = ParseUnary();
    } else if (AcceptWord("NOMAXVALUE")) {
      o->nomaxvalue = true;
    } else if (AcceptWord("CYCLE")) {
      o->cycle = 1;
    } else if (AcceptWord("NOCYCLE")) {
      o->cycle = 2;
    } else if (AcceptWord("CACHE")) {
      o->cache = ParseUnary();
    } else if (AcceptWord("NOCACHE")) {
      o->nocache = true;
    } else if (AcceptWord("ORDER")) {
      o->order = 1;
    } else if (AcceptWord("NOORDER")) {
      o->order = 2;
    } else if (!in_identity && AcceptWord("RESTART")) {
      o->restart = true;
    } else if (AcceptWord("KEEP") || AcceptWord("NOKEEP") || AcceptWord("SCALE") ||
               AcceptWord("NOSCALE") || AcceptWord("EXTEND") || AcceptWord("NOEXTEND") ||
               AcceptWord("GLOBAL") || AcceptWord("SESSION")) {
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
  ExpectWord("FOR");
  ParseName(s->target, kOraInvalidIdentifier);
  return s;
}

Statement *Parser::ParseComment(uint32_t pos) {
  ++pos_;
  CommentStmt *s = New<CommentStmt>(pos);
  s->kind = StmtKind::kComment;
  ExpectWord("ON", kOraMissingOn);
  if (AcceptWord("COLUMN")) {
    s->column = true;
  } else if (!AcceptWord("TABLE")) {
    Fail(kOraMissingKeyword);
  }
  ParseName(s->name, s->column ? kOraInvalidIdentifier : kOraInvalidTableName);
  ExpectWord("IS");
  s->text = ParseStringLiteral();
  return s;
}

Statement *Parser::ParseTruncate(uint32_t pos) {
  ++pos_;
  TruncateStmt *s = New<TruncateStmt>(pos);
  s->kind = StmtKind::kTruncate;
  ExpectWord("TABLE");
  ParseName(s->name, kOraInvalidTableName);
  if (AcceptWord("PRESERVE") || AcceptWord("PURGE")) {
    ExpectWord("MATERIALIZED");
    ExpectWord("VIEW");
    ExpectWord("LOG");
  }
  if (AcceptWord("DROP")) {
    AcceptWord("ALL");
    ExpectWord("STORAGE");
  } else if (AcceptWord("REUSE")) {
    ExpectWord("STORAGE");
  }
  AcceptWord("CASCADE");
  return s;
}

Statement *Parser::ParseAlterSession(uint32_t pos) {
  AlterSessionStmt *s = New<AlterSessionStmt>(pos);
  s->kind = StmtKind::kAlterSession;
  ExpectWord("SET", kOraMissingOption);
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
    if (AcceptWord("CASCADE")) s->cascade = true;
    return s;
  }
  if (AcceptWord("IDENTIFIED")) {
    ExpectWord("BY", kOraMissingBy);
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
