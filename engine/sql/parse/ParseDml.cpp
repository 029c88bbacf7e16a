/*
** INSERT (single-table and INSERT ALL/FIRST), UPDATE (including
** SET (a, b) = (subquery)), DELETE, MERGE, and RETURNING ... INTO.
*/
#include "sql/parse/Parser.h"

namespace kestrel_engine::sql {

Returning *Parser::MaybeReturning() {
  if (!PeekWord(Kw::kReturning) && !PeekWord(Kw::kReturn)) return nullptr;
  Returning *r = New<Returning>(Next().offset);
  do {
    r->exprs.Append(ParseExpr());
  } while (AcceptSym(Sym::kComma));
  if (plsql_ && AcceptWord(Kw::kBulk)) {
    ExpectWord(Kw::kCollect);
    r->bulk = true;
  }
  ExpectWord(Kw::kInto, kOraMissingInto);
  do {
    r->into.Append(ParsePrimary());
  } while (AcceptSym(Sym::kComma));
  return r;
}

void Parser::ParseValues(List<Expr> &into) {
  ExpectLParen();
  do {
    if (PeekWord(Kw::kDefault)) {
      Expr *d = New<Expr>(Next().offset);
      d->kind = ExprKind::kDefault;
      into.Append(d);
    } else {
      into.Append(ParseExpr());
    }
  } while (ListContinues(kOraMissingComma));
}

Statement *Parser::ParseInsert(uint32_t pos) {
  ++pos_;
  if (PeekWord(Kw::kAll) || PeekWord(Kw::kFirst) || PeekWord(Kw::kWhen)) return ParseMultiInsert(pos);
  InsertStmt *s = New<InsertStmt>(pos);
  s->kind = StmtKind::kInsert;
  ExpectWord(Kw::kInto, kOraMissingInto);
  s->target = ParseDmlTarget(true);
  if (PeekSym(Sym::kLParen) && !PeekQueryStart()) ParseIdentList(s->columns);
  if (AcceptWord(Kw::kValues)) {
    if (plsql_ && !PeekSym(Sym::kLParen)) {
      s->values_record = ParsePlTarget();
    } else {
      ParseValues(s->values);
    }
  } else if (PeekQueryStart()) {
    s->query = ParseQuery();
    // Oracle returns only from INSERT ... VALUES.
    if (PeekWord(Kw::kReturning) || PeekWord(Kw::kReturn)) Fail(kOraNotProperlyEnded);
  } else {
    Fail(kOraMissingValues);
  }
  s->returning = MaybeReturning();
  return s;
}

InsertInto *Parser::ParseInsertInto() {
  InsertInto *into = New<InsertInto>(Pos());
  ExpectWord(Kw::kInto, kOraMissingInto);
  into->target = ParseDmlTarget(true);
  if (PeekSym(Sym::kLParen)) ParseIdentList(into->columns);
  if (AcceptWord(Kw::kValues)) {
    into->has_values = true;
    ParseValues(into->values);
  }
  return into;
}

Statement *Parser::ParseMultiInsert(uint32_t pos) {
  MultiInsertStmt *s = New<MultiInsertStmt>(pos);
  s->kind = StmtKind::kMultiInsert;
  if (AcceptWord(Kw::kFirst)) {
    s->first = true;
  } else {
    AcceptWord(Kw::kAll);
  }
  if (PeekWord(Kw::kWhen)) {
    s->conditional = true;
    while (PeekWord(Kw::kWhen)) {
      InsertBranch *b = New<InsertBranch>(Next().offset);
      b->when = ParseExpr();
      ExpectWord(Kw::kThen);
      do {
        b->into.Append(ParseInsertInto());
      } while (PeekWord(Kw::kInto));
      s->branches.Append(b);
    }
    if (PeekWord(Kw::kElse)) {
      InsertBranch *b = New<InsertBranch>(Next().offset);
      b->is_else = true;
      do {
        b->into.Append(ParseInsertInto());
      } while (PeekWord(Kw::kInto));
      s->branches.Append(b);
    }
  } else {
    if (s->first) Fail(kOraMissingKeyword);
    InsertBranch *b = New<InsertBranch>(Pos());
    do {
      b->into.Append(ParseInsertInto());
    } while (PeekWord(Kw::kInto));
    s->branches.Append(b);
  }
  if (!PeekQueryStart()) Fail(kOraMissingSelect);
  s->query = ParseQuery();
  return s;
}

void Parser::ParseSetList(List<SetItem> &into) {
  do {
    SetItem *item = New<SetItem>(Pos());
    if (PeekSym(Sym::kLParen)) {
      ++pos_;
      item->row = true;
      do {
        if (!PeekIdentifier()) Fail(kOraInvalidIdentifier);
        item->columns.Append(ParseNameExpr());
      } while (ListContinues(kOraMissingComma));
      ExpectSym(Sym::kEq, kOraMissingEquals);
      if (!PeekSym(Sym::kLParen) || !PeekQueryStart()) Fail(kOraMissingLeftParen);
      item->value = ParsePrimary();
    } else {
      if (!PeekIdentifier()) FailAt(kOraInvalidIdentifier, Peek(), Peek().value);
      item->columns.Append(ParseNameExpr());
      ExpectSym(Sym::kEq, kOraMissingEquals);
      if (PeekWord(Kw::kDefault)) {
        item->value = New<Expr>(Next().offset);
        item->value->kind = ExprKind::kDefault;
      } else {
        item->value = ParseExpr();
      }
    }
    into.Append(item);
  } while (AcceptSym(Sym::kComma));
}

Statement *Parser::ParseUpdate(uint32_t pos) {
  ++pos_;
  UpdateStmt *s = New<UpdateStmt>(pos);
  s->kind = StmtKind::kUpdate;
  s->target = ParseDmlTarget(true);
  ExpectWord(Kw::kSet, kOraMissingKeyword);
  if (plsql_ && PeekWord(Kw::kRow) && PeekSym(Sym::kEq, 1)) {
    pos_ += 2;
    s->set_row = ParsePlTarget();
  } else {
    ParseSetList(s->set);
  }
  if (AcceptWord(Kw::kWhere)) s->where = ParseExpr();
  s->returning = MaybeReturning();
  return s;
}

Statement *Parser::ParseDelete(uint32_t pos) {
  ++pos_;
  DeleteStmt *s = New<DeleteStmt>(pos);
  s->kind = StmtKind::kDelete;
  AcceptWord(Kw::kFrom);
  s->target = ParseDmlTarget(true);
  if (AcceptWord(Kw::kWhere)) s->where = ParseExpr();
  s->returning = MaybeReturning();
  return s;
}

Statement *Parser::ParseMerge(uint32_t pos) {
  ++pos_;
  MergeStmt *s = New<MergeStmt>(pos);
  s->kind = StmtKind::kMerge;
  ExpectWord(Kw::kInto, kOraMissingInto);
  s->target = ParseDmlTarget(true);
  ExpectWord(Kw::kUsing);
  s->source = ParseTablePrimary();
  ExpectWord(Kw::kOn, kOraMissingOn);
  if (!PeekSym(Sym::kLParen)) Fail(kOraMissingLeftParen);
  s->on = ParsePrimary();
  while (PeekWord(Kw::kWhen)) {
    ++pos_;
    if (AcceptWord(Kw::kMatched)) {
      if (s->has_update) Fail(kOraMissingKeyword);
      ExpectWord(Kw::kThen);
      ExpectWord(Kw::kUpdate);
      ExpectWord(Kw::kSet);
      s->has_update = true;
      ParseSetList(s->set);
      if (AcceptWord(Kw::kWhere)) s->update_where = ParseExpr();
      if (AcceptWord(Kw::kDelete)) {
        ExpectWord(Kw::kWhere);
        s->delete_where = ParseExpr();
      }
    } else {
      ExpectWord(Kw::kNot);
      ExpectWord(Kw::kMatched);
      if (s->has_insert) Fail(kOraMissingKeyword);
      ExpectWord(Kw::kThen);
      ExpectWord(Kw::kInsert);
      s->has_insert = true;
      if (PeekSym(Sym::kLParen)) ParseIdentList(s->insert_columns);
      ExpectWord(Kw::kValues, kOraMissingValues);
      ParseValues(s->insert_values);
      if (AcceptWord(Kw::kWhere)) s->insert_where = ParseExpr();
    }
  }
  if (!s->has_update && !s->has_insert) Fail(kOraMissingKeyword);
  return s;
}

}  // namespace kestrel_engine::sql
