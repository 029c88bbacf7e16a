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
  ChainGuard chain(*this);
  for (;;) {
    const uint32_t pos = Pos();
    bool natural = false;
    if (PeekWord(Kw::kNatural)) {
      ++pos_;
      natural = true;
    }
    JoinKind kind = JoinKind::kInner;
    if (AcceptWord(Kw::kInner)) {
      kind = JoinKind::kInner;
    } else if (AcceptWord(Kw::kLeft)) {
      kind = JoinKind::kLeft;
      AcceptWord(Kw::kOuter);
    } else if (AcceptWord(Kw::kRight)) {
      kind = JoinKind::kRight;
      AcceptWord(Kw::kOuter);
    } else if (AcceptWord(Kw::kFull)) {
      kind = JoinKind::kFull;
      AcceptWord(Kw::kOuter);
    } else if (!natural && PeekWord(Kw::kCross) && PeekWord(Kw::kJoin, 1)) {
      ++pos_;
      kind = JoinKind::kCross;
    } else if (!PeekWord(Kw::kJoin)) {
      if (natural) Fail(kOraMissingKeyword);
      return left;
    }
    ExpectWord(Kw::kJoin);
    chain.Link();
    TableRef *j = New<TableRef>(pos);
    j->kind = TableKind::kJoin;
    j->join = kind;
    j->natural = natural;
    j->left = left;
    j->right = ParseTablePrimary();
    if (kind != JoinKind::kCross && !natural) {
      if (AcceptWord(Kw::kOn)) {
        j->on = ParseExpr();
      } else if (AcceptWord(Kw::kUsing)) {
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
  } else if (PeekWord(Kw::kLateral) && PeekSym(Sym::kLParen, 1)) {
    pos_ += 2;
    DepthGuard guard(*this);
    t = New<TableRef>(pos);
    t->kind = TableKind::kSubquery;
    t->lateral = true;
    t->query = ParseQuery();
    ExpectRParen();
  } else if (PeekWord(Kw::kTable) && PeekSym(Sym::kLParen, 1)) {
    pos_ += 2;
    t = New<TableRef>(pos);
    t->kind = TableKind::kCollection;
    t->expr = ParseExpr();
    ExpectRParen();
  } else if (PeekWord(Kw::kJsonTable) && PeekSym(Sym::kLParen, 1)) {
    ++pos_;
    t = ParseJsonTable(pos);
  } else {
    t = New<TableRef>(pos);
    t->kind = TableKind::kTable;
    ParseName(t->name, kOraInvalidTableName);
  }
  if (PeekWord(Kw::kPivot)) {
    t = ParsePivot(t);
  } else if (PeekWord(Kw::kUnpivot)) {
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
  if (AcceptWord(Kw::kFormat)) {
    ExpectWord(Kw::kJson);
    t->expr->flags |= kFormatJson;
  }
  if (AcceptSym(Sym::kComma)) t->path = ParseStringLiteral();
  JsonOn ignored;
  while (ParseJsonOn(ignored, Kw::kError) || ParseJsonOn(ignored, Kw::kEmpty)) {
  }
  ExpectWord(Kw::kColumns);
  ParseJsonColumns(t->columns);
  ExpectRParen();
  return t;
}

void Parser::ParseJsonColumns(List<JsonColumn> &into) {
  DepthGuard guard(*this);
  ExpectLParen();
  do {
    JsonColumn *c = New<JsonColumn>(Pos());
    if (PeekWord(Kw::kNested)) {
      ++pos_;
      c->kind = JsonColumn::kNested;
      AcceptWord(Kw::kPath);
      c->path = ParseStringLiteral();
      ExpectWord(Kw::kColumns);
      ParseJsonColumns(c->nested);
      into.Append(c);
      continue;
    }
    c->name = ParseIdent();
    if (AcceptWord(Kw::kFor)) {
      ExpectWord(Kw::kOrdinality);
      c->kind = JsonColumn::kOrdinality;
      into.Append(c);
      continue;
    }
    if (!PeekWord(Kw::kPath) && !PeekWord(Kw::kFormat) && !PeekWord(Kw::kExists) && Peek().kind == Tok::kWord) {
      c->type = ParseType();
    }
    if (AcceptWord(Kw::kFormat)) {
      ExpectWord(Kw::kJson);
      c->kind = JsonColumn::kQuery;
    }
    if (AcceptWord(Kw::kExists)) c->kind = JsonColumn::kExists;
    if (AcceptWord(Kw::kPath)) c->path = ParseStringLiteral();
    JsonOn ignored;
    for (;;) {
      if (ParseJsonOn(ignored, Kw::kError) || ParseJsonOn(ignored, Kw::kEmpty)) continue;
      if (PeekWord(Kw::kWith) || PeekWord(Kw::kWithout)) {
        const bool without = Next().kw == Kw::kWithout;
        if (!without && !AcceptWord(Kw::kConditional)) AcceptWord(Kw::kUnconditional);
        AcceptWord(Kw::kArray);
        ExpectWord(Kw::kWrapper);
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
    if (AcceptWord(Kw::kAs) || PeekIdentifier()) {
      if (!PeekWord(Kw::kFor)) a->alias = ParseIdent();
    }
    p->aggregates.Append(a);
  } while (AcceptSym(Sym::kComma));
  ExpectWord(Kw::kFor);
  if (PeekSym(Sym::kLParen)) {
    ParseIdentList(p->for_columns, kOraMissingRightParen);
  } else {
    p->for_columns.Append(ParseIdent());
  }
  ExpectWord(Kw::kIn);
  ExpectLParen();
  do {
    PivotItem *v = New<PivotItem>(Pos());
    v->expr = ParseExpr();
    if (AcceptWord(Kw::kAs)) {
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
  if (AcceptWord(Kw::kInclude)) {
    ExpectWord(Kw::kNulls);
    p->include_nulls = true;
  } else if (AcceptWord(Kw::kExclude)) {
    ExpectWord(Kw::kNulls);
  }
  DepthGuard guard(*this);
  ExpectLParen();
  if (PeekSym(Sym::kLParen)) {
    ParseIdentList(p->measures, kOraMissingRightParen);
  } else {
    p->measures.Append(ParseIdent());
  }
  ExpectWord(Kw::kFor);
  if (PeekSym(Sym::kLParen)) {
    ParseIdentList(p->for_columns, kOraMissingRightParen);
  } else {
    p->for_columns.Append(ParseIdent());
  }
  ExpectWord(Kw::kIn);
  ExpectLParen();
  do {
    PivotItem *v = New<PivotItem>(Pos());
    v->expr = PeekSym(Sym::kLParen) ? ParseParenthesised() : ParseNameExpr();
    if (AcceptWord(Kw::kAs)) v->label = PeekSym(Sym::kLParen) ? ParseParenthesised() : ParsePrimary();
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
