/*
** The FROM clause: tables (schema.table, table@dblink), inline views,
** LATERAL, TABLE(collection), JSON_TABLE, PIVOT/UNPIVOT, aliases, and
** ANSI joins; also the target of INSERT, UPDATE, DELETE and MERGE.
*/
#include "sql/parse/Parser.h"

namespace kestrel_engine::sql {

TableRef *Parser::ParseTableRef() {
  DepthGuard guard(*this);
  TableRef *left = ParseTablePrimary();
  for (;;) {
    const uint32_t pos = Pos();
    bool natural = false;
    if (PeekWord("NATURAL")) {
      ++pos_;
      natural = true;
    }
    JoinKind kind = JoinKind::kInner;
    if (AcceptWord("INNER")) {
      kind = JoinKind::kInner;
    } else if (AcceptWord("LEFT")) {
      kind = JoinKind::kLeft;
      AcceptWord("OUTER");
    } else if (AcceptWord("RIGHT")) {
      kind = JoinKind::kRight;
      AcceptWord("OUTER");
    } else if (AcceptWord("FULL")) {
      kind = JoinKind::kFull;
      AcceptWord("OUTER");
    } else if (!natural && PeekWord("CROSS") && PeekWord("JOIN", 1)) {
      ++pos_;
      kind = JoinKind::kCross;
    } else if (!PeekWord("JOIN")) {
      if (natural) Fail(kOraMissingKeyword);
      return left;
    }
    ExpectWord("JOIN");
    TableRef *j = New<TableRef>(pos);
    j->kind = TableKind::kJoin;
    j->join = kind;
    j->natural = natural;
    j->left = left;
    j->right = ParseTablePrimary();
    if (kind != JoinKind::kCross && !natural) {
      if (AcceptWord("ON")) {
        j->on = ParseExpr();
      } else if (AcceptWord("USING")) {
        ParseIdentList(j->using_columns, kOraMissingRightParen);
      } else {
        Fail(kOraMissingKeyword);
      }
    }
    left = j;
  }
}

TableRef *Parser::ParseTablePrimary() {
  const uint32_t pos = Pos();
  TableRef *t = nullptr;
  if (PeekSym(Sym::kLParen)) {
    if (PeekQueryStart()) {
      ++pos_;
      DepthGuard guard(*this);
      t = New<TableRef>(pos);
      t->kind = TableKind::kSubquery;
      t->query = ParseQuery();
      ExpectRParen();
    } else {
      // A parenthesised join.
      ++pos_;
      t = ParseTableRef();
      ExpectRParen();
      return t;
    }
  } else if (PeekWord("LATERAL") && PeekSym(Sym::kLParen, 1)) {
    pos_ += 2;
    DepthGuard guard(*this);
    t = New<TableRef>(pos);
    t->kind = TableKind::kSubquery;
    t->lateral = true;
    t->query = ParseQuery();
    ExpectRParen();
  } else if (PeekWord("TABLE") && PeekSym(Sym::kLParen, 1)) {
    pos_ += 2;
    t = New<TableRef>(pos);
    t->kind = TableKind::kCollection;
    t->expr = ParseExpr();
    ExpectRParen();
  } else if (PeekWord("JSON_TABLE") && PeekSym(Sym::kLParen, 1)) {
    ++pos_;
    t = ParseJsonTable(pos);
  } else {
    t = New<TableRef>(pos);
    t->kind = TableKind::kTable;
    ParseName(t->name, kOraInvalidTableName);
  }
  if (PeekWord("PIVOT")) {
    t = ParsePivot(t);
  } else if (PeekWord("UNPIVOT")) {
    t = ParseUnpivot(t);
  }
  if (PeekAlias()) t->alias = ParseIdent();
  return t;
}

TableRef *Parser::ParseJsonTable(uint32_t pos) {
  DepthGuard guard(*this);
  TableRef *t = New<TableRef>(pos);
  t->kind = TableKind::kJsonTable;
  ExpectLParen();
  t->expr = ParseExpr();
  if (AcceptWord("FORMAT")) {
    ExpectWord("JSON");
    t->expr->flags |= kFormatJson;
  }
  if (AcceptSym(Sym::kComma)) t->path = ParseStringLiteral();
  JsonOn ignored;
  while (ParseJsonOn(ignored, "ERROR") || ParseJsonOn(ignored, "EMPTY")) {
  }
  ExpectWord("COLUMNS");
  ParseJsonColumns(t->columns);
  ExpectRParen();
  return t;
}

void Parser::ParseJsonColumns(List<JsonColumn> &into) {
  DepthGuard guard(*this);
  ExpectLParen();
  do {
    JsonColumn *c = New<JsonColumn>(Pos());
    if (PeekWord("NESTED")) {
      ++pos_;
      c->kind = JsonColumn::kNested;
      AcceptWord("PATH");
      c->path = ParseStringLiteral();
      ExpectWord("COLUMNS");
      ParseJsonColumns(c->nested);
      into.Append(c);
      continue;
    }
    c->name = ParseIdent();
    if (AcceptWord("FOR")) {
      ExpectWord("ORDINALITY");
      c->kind = JsonColumn::kOrdinality;
      into.Append(c);
      continue;
    }
    if (!PeekWord("PATH") && !PeekWord("FORMAT") && !PeekWord("EXISTS") && Peek().kind == Tok::kWord) {
      c->type = ParseType();
    }
    if (AcceptWord("FORMAT")) {
      ExpectWord("JSON");
      c->kind = JsonColumn::kQuery;
    }
    if (AcceptWord("EXISTS")) c->kind = JsonColumn::kExists;
    if (AcceptWord("PATH")) c->path = ParseStringLiteral();
    JsonOn ignored;
    for (;;) {
      if (ParseJsonOn(ignored, "ERROR") || ParseJsonOn(ignored, "EMPTY")) continue;
      if (PeekWord("WITH") || PeekWord("WITHOUT")) {
        const bool without = Next().value == "WITHOUT";
        if (!without && !AcceptWord("CONDITIONAL")) AcceptWord("UNCONDITIONAL");
        AcceptWord("ARRAY");
        ExpectWord("WRAPPER");
        continue;
      }
      break;
    }
    into.Append(c);
  } while (ListContinues(kOraMissingRightParen));
}

TableRef *Parser::ParsePivot(TableRef *source) {
  TableRef *p = New<TableRef>(Next().offset);
  p->kind = TableKind::kPivot;
  p->left = source;
  DepthGuard guard(*this);
  ExpectLParen();
  do {
    PivotItem *a = New<PivotItem>(Pos());
    a->expr = ParseExpr();
    if (AcceptWord("AS") || PeekIdentifier()) {
      if (!PeekWord("FOR")) a->alias = ParseIdent();
    }
    p->aggregates.Append(a);
  } while (AcceptSym(Sym::kComma));
  ExpectWord("FOR");
  if (PeekSym(Sym::kLParen)) {
    ParseIdentList(p->for_columns, kOraMissingRightParen);
  } else {
    p->for_columns.Append(ParseIdent());
  }
  ExpectWord("IN");
  ExpectLParen();
  do {
    PivotItem *v = New<PivotItem>(Pos());
    v->expr = ParseExpr();
    if (AcceptWord("AS")) {
      v->alias = ParseIdent();
    } else if (PeekIdentifier()) {
      v->alias = ParseIdent();
    }
    p->values.Append(v);
  } while (ListContinues(kOraMissingRightParen));
  ExpectRParen();
  return p;
}

TableRef *Parser::ParseUnpivot(TableRef *source) {
  TableRef *p = New<TableRef>(Next().offset);
  p->kind = TableKind::kUnpivot;
  p->left = source;
  if (AcceptWord("INCLUDE")) {
    ExpectWord("NULLS");
    p->include_nulls = true;
  } else if (AcceptWord("EXCLUDE")) {
    ExpectWord("NULLS");
  }
  DepthGuard guard(*this);
  ExpectLParen();
  if (PeekSym(Sym::kLParen)) {
    ParseIdentList(p->measures, kOraMissingRightParen);
  } else {
    p->measures.Append(ParseIdent());
  }
  ExpectWord("FOR");
  if (PeekSym(Sym::kLParen)) {
    ParseIdentList(p->for_columns, kOraMissingRightParen);
  } else {
    p->for_columns.Append(ParseIdent());
  }
  ExpectWord("IN");
  ExpectLParen();
  do {
    PivotItem *v = New<PivotItem>(Pos());
    v->expr = PeekSym(Sym::kLParen) ? ParseParenthesised() : ParseNameExpr();
    if (AcceptWord("AS")) v->label = PeekSym(Sym::kLParen) ? ParseParenthesised() : ParsePrimary();
    p->values.Append(v);
  } while (ListContinues(kOraMissingRightParen));
  ExpectRParen();
  return p;
}

TableRef *Parser::ParseDmlTarget(bool allow_alias) {
  const uint32_t pos = Pos();
  TableRef *t = New<TableRef>(pos);
  if (PeekSym(Sym::kLParen)) {
    ++pos_;
    DepthGuard guard(*this);
    t->kind = TableKind::kSubquery;
    t->query = ParseQuery();
    ExpectRParen();
  } else {
    ParseName(t->name, kOraInvalidTableName);
  }
  if (allow_alias && PeekAlias()) t->alias = ParseIdent();
  return t;
}

}  // namespace kestrel_engine::sql
