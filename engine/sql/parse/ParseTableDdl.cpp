/*
** CREATE TABLE and ALTER TABLE: column definitions (DEFAULT [ON NULL],
** identity and virtual columns), inline and out-of-line constraints with
** their states, and the physical and storage clauses, which are accepted
** and skipped: an embedded engine has no tablespaces.
*/
#include "sql/parse/Parser.h"

namespace kestrel_engine::sql {

namespace {

// Words that start a physical or storage attribute.
constexpr std::string_view kPhysical[] = {
    "TABLESPACE", "PCTFREE", "PCTUSED", "INITRANS", "MAXTRANS", "STORAGE", "LOGGING",
    "NOLOGGING", "COMPRESS", "NOCOMPRESS", "ORGANIZATION", "ENABLE", "DISABLE", "CACHE",
    "NOCACHE", "PARALLEL", "NOPARALLEL", "MONITORING", "NOMONITORING", "SEGMENT", "LOB",
    "RESULT_CACHE", "PARTITION", "COMPUTE", "ONLINE", "REVERSE", "NOSORT", "LOCAL", "ROW",
    "ROWDEPENDENCIES", "NOROWDEPENDENCIES", "INMEMORY", "NOINMEMORY", "FLASHBACK",
    "OVERFLOW", "INCLUDING", "PCTTHRESHOLD", "MAPPING", "FILESYSTEM_LIKE_LOGGING", "SHARING",
    "MEMOPTIMIZE", "COLUMN", "VISIBLE", "INVISIBLE", "SUBPARTITION", "STORE", "NESTED",
    "VARRAY", "XMLTYPE", "DEFAULT", "MOVE", "SHRINK", "DEALLOCATE", "ALLOCATE", "UPGRADE"};

bool IsPhysical(const Token &t) {
  if (t.kind != Tok::kWord) return false;
  for (std::string_view w : kPhysical) {
    if (t.value == w) return true;
  }
  return false;
}

}  // namespace

void Parser::SkipBalanced() {
  DepthGuard guard(*this);
  ExpectLParen();
  int depth = 1;
  while (depth > 0) {
    const Token &t = Next();
    if (t.kind == Tok::kEnd) Fail(kOraMissingRightParen);
    if (t.kind == Tok::kSymbol && t.sym == Sym::kLParen) ++depth;
    if (t.kind == Tok::kSymbol && t.sym == Sym::kRParen) --depth;
  }
}

void Parser::SkipPhysicalAttributes() {
  // Skips from a physical keyword to the end of the clause list: the end
  // of the statement, a comma or closing parenthesis of the enclosing list,
  // or AS before a query (CREATE TABLE ... AS SELECT).
  if (!IsPhysical(Peek())) return;
  for (;;) {
    const Token &t = Peek();
    if (t.kind == Tok::kEnd || (t.kind == Tok::kSymbol && (t.sym == Sym::kSemicolon ||
                                                           t.sym == Sym::kComma ||
                                                           t.sym == Sym::kRParen))) {
      return;
    }
    if (IsWord(t, "AS") && (PeekWord("SELECT", 1) || PeekWord("WITH", 1) ||
                            (PeekSym(Sym::kLParen, 1) && (PeekWord("SELECT", 2) || PeekWord("WITH", 2))))) {
      return;
    }
    if (t.kind == Tok::kSymbol && t.sym == Sym::kLParen) {
      SkipBalanced();
    } else {
      ++pos_;
    }
  }
}

Statement *Parser::ParseCreateTable(uint32_t pos, uint8_t temporary) {
  CreateTableStmt *s = New<CreateTableStmt>(pos);
  s->kind = StmtKind::kCreateTable;
  s->temporary = temporary;
  ParseName(s->name, kOraInvalidTableName);
  if (AcceptSym(Sym::kLParen)) {
    do {
      ParseRelationalItem(s->columns, s->constraints);
    } while (ListContinues(kOraMissingRightParen));
  }
  for (;;) {
    if (PeekWord("ON") && PeekWord("COMMIT", 1)) {
      pos_ += 2;
      if (AcceptWord("DELETE")) {
        s->on_commit = 1;
      } else {
        ExpectWord("PRESERVE");
        s->on_commit = 2;
      }
      if (!AcceptWord("ROWS")) ExpectWord("DEFINITION");
      continue;
    }
    if (IsPhysical(Peek())) {
      SkipPhysicalAttributes();
      continue;
    }
    break;
  }
  if (AcceptWord("AS")) {
    if (!PeekQueryStart()) Fail(kOraMissingSelect);
    s->as_query = ParseQuery();
  } else if (s->columns.empty()) {
    Fail(s->constraints.empty() ? kOraMissingLeftParen : kOraMissingKeyword);
  }
  for (ColumnDef *c : s->columns) {
    if (c->type == nullptr && c->virtual_expr == nullptr && s->as_query == nullptr) {
      // Only CREATE TABLE ... AS SELECT may leave out a column's type.
      throw SyntaxError(kOraInvalidDatatype, c->pos + static_cast<uint32_t>(c->name->name.size()));
    }
  }
  return s;
}

bool Parser::PeekOutOfLineConstraint() const {
  return PeekWord("CONSTRAINT") || PeekWord("PRIMARY") || PeekWord("UNIQUE") ||
         PeekWord("FOREIGN") || PeekWord("CHECK");
}

void Parser::ParseRelationalItem(List<ColumnDef> &columns, List<Constraint> &constraints) {
  if (PeekOutOfLineConstraint()) {
    constraints.Append(ParseConstraint(false));
  } else {
    columns.Append(ParseColumnDef(false));
  }
}

ColumnDef *Parser::ParseColumnDef(bool modify) {
  ColumnDef *c = New<ColumnDef>(Pos());
  c->name = ParseIdent();
  static constexpr std::string_view kNotType[] = {
      "DEFAULT", "CONSTRAINT", "NOT", "NULL", "PRIMARY", "UNIQUE", "REFERENCES", "CHECK",
      "GENERATED", "AS", "VISIBLE", "INVISIBLE", "ENCRYPT", "SORT", "COLLATE", "ENABLE",
      "DISABLE"};
  const Token &t = Peek();
  if (t.kind == Tok::kWord) {
    bool type = true;
    for (std::string_view w : kNotType) {
      if (t.value == w) type = false;
    }
    if (type) c->type = ParseType();
  } else if (t.kind == Tok::kQuotedIdent) {
    Fail(kOraInvalidDatatype);
  }
  for (;;) {
    if (AcceptWord("SORT") || AcceptWord("ENCRYPT")) continue;
    if (AcceptWord("COLLATE")) {
      ParseIdent();
      continue;
    }
    if (AcceptWord("VISIBLE")) {
      c->visibility = 1;
      continue;
    }
    if (AcceptWord("INVISIBLE")) {
      c->visibility = 2;
      continue;
    }
    if (AcceptWord("DEFAULT")) {
      if (PeekWord("ON") && PeekWord("NULL", 1)) {
        pos_ += 2;
        c->default_on_null = true;
      }
      c->default_value = ParseExpr();
      continue;
    }
    if (PeekWord("GENERATED") || PeekWord("AS")) {
      ParseIdentity(c);
      continue;
    }
    if (PeekWord("CONSTRAINT") || PeekWord("NOT") || PeekWord("NULL") || PeekWord("PRIMARY") ||
        PeekWord("UNIQUE") || PeekWord("REFERENCES") || PeekWord("CHECK")) {
      c->constraints.Append(ParseConstraint(true));
      continue;
    }
    if (modify && (PeekWord("ENABLE") || PeekWord("DISABLE"))) {
      ++pos_;
      continue;
    }
    break;
  }
  return c;
}

void Parser::ParseIdentity(ColumnDef *c) {
  if (AcceptWord("GENERATED")) {
    if (AcceptWord("ALWAYS")) {
      c->identity = 1;
    } else if (AcceptWord("BY")) {
      ExpectWord("DEFAULT");
      c->identity = 2;
      if (PeekWord("ON") && PeekWord("NULL", 1)) {
        pos_ += 2;
        c->identity = 3;
      }
    } else {
      c->identity = 1;
    }
  }
  ExpectWord("AS");
  if (AcceptWord("IDENTITY")) {
    if (AcceptSym(Sym::kLParen)) {
      c->identity_options = ParseSequenceOptions(true);
      ExpectRParen();
    } else if (PeekWord("START") || PeekWord("INCREMENT") || PeekWord("MINVALUE") ||
               PeekWord("MAXVALUE") || PeekWord("CACHE") || PeekWord("NOCACHE") ||
               PeekWord("CYCLE") || PeekWord("NOCYCLE")) {
      c->identity_options = ParseSequenceOptions(true);
    }
    return;
  }
  // A virtual column: [GENERATED ALWAYS] AS (expr) [VIRTUAL]
  if (c->identity == 2 || c->identity == 3) Fail(kOraMissingKeyword);
  c->identity = 0;
  ExpectLParen();
  c->virtual_expr = ParseExpr();
  ExpectRParen();
  AcceptWord("VIRTUAL");
}

Constraint *Parser::ParseConstraint(bool inline_form) {
  Constraint *c = New<Constraint>(Pos());
  if (AcceptWord("CONSTRAINT")) c->name = ParseIdent();
  if (inline_form && AcceptWord("NOT")) {
    ExpectWord("NULL");
    c->kind = ConstraintKind::kNotNull;
  } else if (inline_form && AcceptWord("NULL")) {
    c->kind = ConstraintKind::kNull;
  } else if (AcceptWord("PRIMARY")) {
    ExpectWord("KEY");
    c->kind = ConstraintKind::kPrimaryKey;
    if (!inline_form) ParseIdentList(c->columns);
  } else if (AcceptWord("UNIQUE")) {
    c->kind = ConstraintKind::kUnique;
    if (!inline_form) ParseIdentList(c->columns);
  } else if (!inline_form && AcceptWord("FOREIGN")) {
    ExpectWord("KEY");
    c->kind = ConstraintKind::kForeignKey;
    ParseIdentList(c->columns);
    ParseReferences(c);
  } else if (inline_form && PeekWord("REFERENCES")) {
    c->kind = ConstraintKind::kForeignKey;
    ParseReferences(c);
  } else if (AcceptWord("CHECK")) {
    c->kind = ConstraintKind::kCheck;
    ExpectLParen();
    c->check = ParseExpr();
    ExpectRParen();
  } else {
    Fail(kOraMissingKeyword);
  }
  ParseConstraintState(c);
  return c;
}

void Parser::ParseReferences(Constraint *c) {
  ExpectWord("REFERENCES");
  ParseName(c->ref_table, kOraInvalidTableName);
  if (PeekSym(Sym::kLParen)) ParseIdentList(c->ref_columns);
  if (AcceptWord("ON")) {
    ExpectWord("DELETE");
    if (AcceptWord("CASCADE")) {
      c->on_delete = 1;
    } else {
      ExpectWord("SET");
      ExpectWord("NULL");
      c->on_delete = 2;
    }
  }
}

void Parser::ParseConstraintState(Constraint *c) {
  for (;;) {
    if (PeekWord("ENABLE") && !PeekWord("ROW", 1)) {
      ++pos_;
      c->enabled = 1;
    } else if (PeekWord("DISABLE") && !PeekWord("ROW", 1)) {
      ++pos_;
      c->enabled = 2;
    } else if (AcceptWord("VALIDATE")) {
      c->validate = 1;
    } else if (AcceptWord("NOVALIDATE")) {
      c->validate = 2;
    } else if (AcceptWord("DEFERRABLE")) {
      c->deferrable = 1;
    } else if (PeekWord("NOT") && PeekWord("DEFERRABLE", 1)) {
      pos_ += 2;
      c->deferrable = 2;
    } else if (AcceptWord("INITIALLY")) {
      if (AcceptWord("IMMEDIATE")) {
        c->initially = 1;
      } else {
        ExpectWord("DEFERRED");
        c->initially = 2;
      }
    } else if (AcceptWord("RELY") || AcceptWord("NORELY")) {
    } else if (PeekWord("USING") && PeekWord("INDEX", 1)) {
      pos_ += 2;
      if (PeekSym(Sym::kLParen)) {
        SkipBalanced();
      } else if (PeekIdentifier() && !IsPhysical(Peek())) {
        Name index;
        ParseName(index, kOraInvalidIdentifier);
      }
      while (IsPhysical(Peek()) && !PeekWord("ENABLE") && !PeekWord("DISABLE")) {
        ++pos_;
        if (PeekSym(Sym::kLParen)) {
          SkipBalanced();
        } else if (!IsPhysical(Peek()) && Peek().kind != Tok::kSymbol && Peek().kind != Tok::kEnd &&
                   !PeekWord("ENABLE") && !PeekWord("DISABLE") && !PeekWord("CONSTRAINT")) {
          ++pos_;
        }
      }
    } else if (AcceptWord("EXCEPTIONS")) {
      ExpectWord("INTO");
      Name table;
      ParseName(table, kOraInvalidTableName);
    } else {
      return;
    }
  }
}

bool Parser::AlterItemStart() const {
  return PeekWord("ADD") || PeekWord("MODIFY") || PeekWord("DROP") || PeekWord("RENAME") ||
         PeekWord("ENABLE") || PeekWord("DISABLE");
}

Statement *Parser::ParseAlterTable(uint32_t pos) {
  AlterTableStmt *s = New<AlterTableStmt>(pos);
  s->kind = StmtKind::kAlterTable;
  ParseName(s->name, kOraInvalidTableName);
  do {
    AlterItem *item = New<AlterItem>(Pos());
    if (AcceptWord("ADD")) {
      if (AcceptSym(Sym::kLParen)) {
        do {
          ParseRelationalItem(item->columns, item->constraints);
        } while (ListContinues(kOraMissingRightParen));
      } else if (PeekOutOfLineConstraint()) {
        item->constraints.Append(ParseConstraint(false));
      } else {
        item->columns.Append(ParseColumnDef(false));
      }
      item->action = item->columns.empty() ? AlterAction::kAddConstraints : AlterAction::kAddColumns;
      if (!item->columns.empty() && !item->constraints.empty()) {
        // Both kinds in one ADD: split so each item has one action.
        AlterItem *more = New<AlterItem>(item->pos);
        more->action = AlterAction::kAddConstraints;
        more->constraints = item->constraints;
        item->constraints = {};
        s->items.Append(item);
        item = more;
      }
    } else if (AcceptWord("MODIFY")) {
      if (AcceptWord("CONSTRAINT")) {
        item->action = AlterAction::kModifyConstraint;
        item->name = ParseIdent();
        Constraint state;
        ParseConstraintState(&state);
        item->validate = state.validate;
        item->key = state.enabled;  // 1 ENABLE, 2 DISABLE
      } else if (AcceptSym(Sym::kLParen)) {
        item->action = AlterAction::kModifyColumns;
        do {
          item->columns.Append(ParseColumnDef(true));
        } while (ListContinues(kOraMissingRightParen));
      } else {
        item->action = AlterAction::kModifyColumns;
        item->columns.Append(ParseColumnDef(true));
      }
    } else if (AcceptWord("DROP")) {
      if (AcceptWord("COLUMN")) {
        item->action = AlterAction::kDropColumns;
        item->names.Append(ParseIdent());
      } else if (PeekSym(Sym::kLParen)) {
        item->action = AlterAction::kDropColumns;
        ParseIdentList(item->names);
      } else if (AcceptWord("CONSTRAINT")) {
        item->action = AlterAction::kDropConstraint;
        item->name = ParseIdent();
      } else if (AcceptWord("PRIMARY")) {
        ExpectWord("KEY");
        item->action = AlterAction::kDropConstraint;
        item->key = 1;
      } else if (AcceptWord("UNIQUE")) {
        item->action = AlterAction::kDropConstraint;
        item->key = 2;
        ParseIdentList(item->names);
      } else {
        Fail(kOraMissingKeyword);
      }
      if (AcceptWord("CASCADE")) {
        item->cascade = true;
        AcceptWord("CONSTRAINTS");
      }
      if (AcceptWord("KEEP") || AcceptWord("DROP")) ExpectWord("INDEX");
    } else if (AcceptWord("RENAME")) {
      if (AcceptWord("COLUMN")) {
        item->action = AlterAction::kRenameColumn;
        item->name = ParseIdent();
        ExpectWord("TO");
        item->new_name = ParseIdent();
      } else if (AcceptWord("CONSTRAINT")) {
        item->action = AlterAction::kRenameConstraint;
        item->name = ParseIdent();
        ExpectWord("TO");
        item->new_name = ParseIdent();
      } else {
        ExpectWord("TO");
        item->action = AlterAction::kRenameTable;
        ParseName(item->new_table, kOraInvalidTableName);
      }
    } else if ((PeekWord("ENABLE") || PeekWord("DISABLE")) &&
               !PeekWord("ROW", 1) && !PeekWord("ALL", 1) && !PeekWord("TABLE", 1)) {
      const bool enable = Next().value == "ENABLE";
      item->action = enable ? AlterAction::kEnableConstraint : AlterAction::kDisableConstraint;
      if (AcceptWord("VALIDATE")) item->validate = 1;
      else if (AcceptWord("NOVALIDATE")) item->validate = 2;
      if (AcceptWord("CONSTRAINT")) {
        item->name = ParseIdent();
      } else if (AcceptWord("PRIMARY")) {
        ExpectWord("KEY");
        item->key = 1;
      } else if (AcceptWord("UNIQUE")) {
        item->key = 2;
        ParseIdentList(item->names);
      } else {
        Fail(kOraMissingKeyword);
      }
      if (AcceptWord("CASCADE")) item->cascade = true;
      if (AcceptWord("KEEP") || AcceptWord("DROP")) ExpectWord("INDEX");
    } else if (IsPhysical(Peek())) {
      item->action = AlterAction::kIgnored;
      const size_t start = Next().offset;
      size_t stop = tokens_.items[pos_ - 1].offset + tokens_.items[pos_ - 1].raw.size();
      while (!AtEnd() && !PeekSym(Sym::kSemicolon) && !AlterItemStart()) {
        if (PeekSym(Sym::kLParen)) SkipBalanced(); else ++pos_;
        stop = tokens_.items[pos_ - 1].offset + tokens_.items[pos_ - 1].raw.size();
      }
      item->text = text_.substr(start, stop - start);
    } else {
      Fail(kOraInvalidAlterTableOption);
    }
    s->items.Append(item);
  } while (AlterItemStart() || IsPhysical(Peek()));
  return s;
}

}  // namespace kestrel_engine::sql
