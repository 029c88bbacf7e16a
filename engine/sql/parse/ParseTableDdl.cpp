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
constexpr Kw kPhysical[] = {
    Kw::kTablespace, Kw::kPctfree, Kw::kPctused, Kw::kInitrans, Kw::kMaxtrans, Kw::kStorage, Kw::kLogging,
    Kw::kNologging, Kw::kCompress, Kw::kNocompress, Kw::kOrganization, Kw::kEnable, Kw::kDisable, Kw::kCache,
    Kw::kNocache, Kw::kParallel, Kw::kNoparallel, Kw::kMonitoring, Kw::kNomonitoring, Kw::kSegment, Kw::kLob,
    Kw::kResultCache, Kw::kPartition, Kw::kCompute, Kw::kOnline, Kw::kReverse, Kw::kNosort, Kw::kLocal, Kw::kRow,
    Kw::kRowdependencies, Kw::kNorowdependencies, Kw::kInmemory, Kw::kNoinmemory, Kw::kFlashback,
    Kw::kOverflow, Kw::kIncluding, Kw::kPctthreshold, Kw::kMapping, Kw::kFilesystemLikeLogging, Kw::kSharing,
    Kw::kMemoptimize, Kw::kColumn, Kw::kVisible, Kw::kInvisible, Kw::kSubpartition, Kw::kStore, Kw::kNested,
    Kw::kVarray, Kw::kXmltype, Kw::kDefault, Kw::kMove, Kw::kShrink, Kw::kDeallocate, Kw::kAllocate, Kw::kUpgrade};

bool IsPhysical(const Token &t) {
  if (t.kind != Tok::kWord) return false;
  for (Kw w : kPhysical) {
    if (t.kw == w) return true;
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
    if (IsWord(t, Kw::kAs) && (PeekWord(Kw::kSelect, 1) || PeekWord(Kw::kWith, 1) ||
                            (PeekSym(Sym::kLParen, 1) && (PeekWord(Kw::kSelect, 2) || PeekWord(Kw::kWith, 2))))) {
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
    if (PeekWord(Kw::kOn) && PeekWord(Kw::kCommit, 1)) {
      pos_ += 2;
      if (AcceptWord(Kw::kDelete)) {
        s->on_commit = 1;
      } else {
        ExpectWord(Kw::kPreserve);
        s->on_commit = 2;
      }
      if (!AcceptWord(Kw::kRows)) ExpectWord(Kw::kDefinition);
      continue;
    }
    if (IsPhysical(Peek())) {
      SkipPhysicalAttributes();
      continue;
    }
    break;
  }
  if (AcceptWord(Kw::kAs)) {
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
  return PeekWord(Kw::kConstraint) || PeekWord(Kw::kPrimary) || PeekWord(Kw::kUnique) ||
         PeekWord(Kw::kForeign) || PeekWord(Kw::kCheck);
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
  static constexpr Kw kNotType[] = {
      Kw::kDefault, Kw::kConstraint, Kw::kNot, Kw::kNull, Kw::kPrimary, Kw::kUnique, Kw::kReferences, Kw::kCheck,
      Kw::kGenerated, Kw::kAs, Kw::kVisible, Kw::kInvisible, Kw::kEncrypt, Kw::kSort, Kw::kCollate, Kw::kEnable,
      Kw::kDisable};
  const Token &t = Peek();
  if (t.kind == Tok::kWord) {
    bool type = true;
    for (Kw w : kNotType) {
      if (t.kw == w) type = false;
    }
    if (type) c->type = ParseType();
  } else if (t.kind == Tok::kQuotedIdent) {
    Fail(kOraInvalidDatatype);
  }
  for (;;) {
    if (AcceptWord(Kw::kSort) || AcceptWord(Kw::kEncrypt)) continue;
    if (AcceptWord(Kw::kCollate)) {
      ParseIdent();
      continue;
    }
    if (AcceptWord(Kw::kVisible)) {
      c->visibility = 1;
      continue;
    }
    if (AcceptWord(Kw::kInvisible)) {
      c->visibility = 2;
      continue;
    }
    if (AcceptWord(Kw::kDefault)) {
      if (PeekWord(Kw::kOn) && PeekWord(Kw::kNull, 1)) {
        pos_ += 2;
        c->default_on_null = true;
      }
      c->default_value = ParseExpr();
      continue;
    }
    if (PeekWord(Kw::kGenerated) || PeekWord(Kw::kAs)) {
      ParseIdentity(c);
      continue;
    }
    if (PeekWord(Kw::kConstraint) || PeekWord(Kw::kNot) || PeekWord(Kw::kNull) || PeekWord(Kw::kPrimary) ||
        PeekWord(Kw::kUnique) || PeekWord(Kw::kReferences) || PeekWord(Kw::kCheck)) {
      c->constraints.Append(ParseConstraint(true));
      continue;
    }
    if (modify && (PeekWord(Kw::kEnable) || PeekWord(Kw::kDisable))) {
      ++pos_;
      continue;
    }
    break;
  }
  return c;
}

void Parser::ParseIdentity(ColumnDef *c) {
  if (AcceptWord(Kw::kGenerated)) {
    if (AcceptWord(Kw::kAlways)) {
      c->identity = 1;
    } else if (AcceptWord(Kw::kBy)) {
      ExpectWord(Kw::kDefault);
      c->identity = 2;
      if (PeekWord(Kw::kOn) && PeekWord(Kw::kNull, 1)) {
        pos_ += 2;
        c->identity = 3;
      }
    } else {
      c->identity = 1;
    }
  }
  ExpectWord(Kw::kAs);
  if (AcceptWord(Kw::kIdentity)) {
    if (AcceptSym(Sym::kLParen)) {
      c->identity_options = ParseSequenceOptions(true);
      ExpectRParen();
    } else if (PeekWord(Kw::kStart) || PeekWord(Kw::kIncrement) || PeekWord(Kw::kMinvalue) ||
               PeekWord(Kw::kMaxvalue) || PeekWord(Kw::kCache) || PeekWord(Kw::kNocache) ||
               PeekWord(Kw::kCycle) || PeekWord(Kw::kNocycle)) {
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
  AcceptWord(Kw::kVirtual);
}

Constraint *Parser::ParseConstraint(bool inline_form) {
  Constraint *c = New<Constraint>(Pos());
  if (AcceptWord(Kw::kConstraint)) c->name = ParseIdent();
  if (inline_form && AcceptWord(Kw::kNot)) {
    ExpectWord(Kw::kNull);
    c->kind = ConstraintKind::kNotNull;
  } else if (inline_form && AcceptWord(Kw::kNull)) {
    c->kind = ConstraintKind::kNull;
  } else if (AcceptWord(Kw::kPrimary)) {
    ExpectWord(Kw::kKey);
    c->kind = ConstraintKind::kPrimaryKey;
    if (!inline_form) ParseIdentList(c->columns);
  } else if (AcceptWord(Kw::kUnique)) {
    c->kind = ConstraintKind::kUnique;
    if (!inline_form) ParseIdentList(c->columns);
  } else if (!inline_form && AcceptWord(Kw::kForeign)) {
    ExpectWord(Kw::kKey);
    c->kind = ConstraintKind::kForeignKey;
    ParseIdentList(c->columns);
    ParseReferences(c);
  } else if (inline_form && PeekWord(Kw::kReferences)) {
    c->kind = ConstraintKind::kForeignKey;
    ParseReferences(c);
  } else if (AcceptWord(Kw::kCheck)) {
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
  ExpectWord(Kw::kReferences);
  ParseName(c->ref_table, kOraInvalidTableName);
  if (PeekSym(Sym::kLParen)) ParseIdentList(c->ref_columns);
  if (AcceptWord(Kw::kOn)) {
    ExpectWord(Kw::kDelete);
    if (AcceptWord(Kw::kCascade)) {
      c->on_delete = 1;
    } else {
      ExpectWord(Kw::kSet);
      ExpectWord(Kw::kNull);
      c->on_delete = 2;
    }
  }
}

void Parser::ParseConstraintState(Constraint *c) {
  for (;;) {
    if (PeekWord(Kw::kEnable) && !PeekWord(Kw::kRow, 1)) {
      ++pos_;
      c->enabled = 1;
    } else if (PeekWord(Kw::kDisable) && !PeekWord(Kw::kRow, 1)) {
      ++pos_;
      c->enabled = 2;
    } else if (AcceptWord(Kw::kValidate)) {
      c->validate = 1;
    } else if (AcceptWord(Kw::kNovalidate)) {
      c->validate = 2;
    } else if (AcceptWord(Kw::kDeferrable)) {
      c->deferrable = 1;
    } else if (PeekWord(Kw::kNot) && PeekWord(Kw::kDeferrable, 1)) {
      pos_ += 2;
      c->deferrable = 2;
    } else if (AcceptWord(Kw::kInitially)) {
      if (AcceptWord(Kw::kImmediate)) {
        c->initially = 1;
      } else {
        ExpectWord(Kw::kDeferred);
        c->initially = 2;
      }
    } else if (AcceptWord(Kw::kRely) || AcceptWord(Kw::kNorely)) {
    } else if (PeekWord(Kw::kUsing) && PeekWord(Kw::kIndex, 1)) {
      pos_ += 2;
      if (PeekSym(Sym::kLParen)) {
        SkipBalanced();
      } else if (PeekIdentifier() && !IsPhysical(Peek())) {
        Name index;
        ParseName(index, kOraInvalidIdentifier);
      }
      while (IsPhysical(Peek()) && !PeekWord(Kw::kEnable) && !PeekWord(Kw::kDisable)) {
        ++pos_;
        if (PeekSym(Sym::kLParen)) {
          SkipBalanced();
        } else if (!IsPhysical(Peek()) && Peek().kind != Tok::kSymbol && Peek().kind != Tok::kEnd &&
                   !PeekWord(Kw::kEnable) && !PeekWord(Kw::kDisable) && !PeekWord(Kw::kConstraint)) {
          ++pos_;
        }
      }
    } else if (AcceptWord(Kw::kExceptions)) {
      ExpectWord(Kw::kInto);
      Name table;
      ParseName(table, kOraInvalidTableName);
    } else {
      return;
    }
  }
}

bool Parser::AlterItemStart() const {
  return PeekWord(Kw::kAdd) || PeekWord(Kw::kModify) || PeekWord(Kw::kDrop) || PeekWord(Kw::kRename) ||
         PeekWord(Kw::kEnable) || PeekWord(Kw::kDisable);
}

Statement *Parser::ParseAlterTable(uint32_t pos) {
  AlterTableStmt *s = New<AlterTableStmt>(pos);
  s->kind = StmtKind::kAlterTable;
  ParseName(s->name, kOraInvalidTableName);
  do {
    AlterItem *item = New<AlterItem>(Pos());
    if (AcceptWord(Kw::kAdd)) {
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
    } else if (AcceptWord(Kw::kModify)) {
      if (AcceptWord(Kw::kConstraint)) {
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
    } else if (AcceptWord(Kw::kDrop)) {
      if (AcceptWord(Kw::kColumn)) {
        item->action = AlterAction::kDropColumns;
        item->names.Append(ParseIdent());
      } else if (PeekSym(Sym::kLParen)) {
        item->action = AlterAction::kDropColumns;
        ParseIdentList(item->names);
      } else if (AcceptWord(Kw::kConstraint)) {
        item->action = AlterAction::kDropConstraint;
        item->name = ParseIdent();
      } else if (AcceptWord(Kw::kPrimary)) {
        ExpectWord(Kw::kKey);
        item->action = AlterAction::kDropConstraint;
        item->key = 1;
      } else if (AcceptWord(Kw::kUnique)) {
        item->action = AlterAction::kDropConstraint;
        item->key = 2;
        ParseIdentList(item->names);
      } else {
        Fail(kOraMissingKeyword);
      }
      if (AcceptWord(Kw::kCascade)) {
        item->cascade = true;
        AcceptWord(Kw::kConstraints);
      }
      if (AcceptWord(Kw::kKeep) || AcceptWord(Kw::kDrop)) ExpectWord(Kw::kIndex);
    } else if (AcceptWord(Kw::kRename)) {
      if (AcceptWord(Kw::kColumn)) {
        item->action = AlterAction::kRenameColumn;
        item->name = ParseIdent();
        ExpectWord(Kw::kTo);
        item->new_name = ParseIdent();
      } else if (AcceptWord(Kw::kConstraint)) {
        item->action = AlterAction::kRenameConstraint;
        item->name = ParseIdent();
        ExpectWord(Kw::kTo);
        item->new_name = ParseIdent();
      } else {
        ExpectWord(Kw::kTo);
        item->action = AlterAction::kRenameTable;
        ParseName(item->new_table, kOraInvalidTableName);
      }
    } else if ((PeekWord(Kw::kEnable) || PeekWord(Kw::kDisable)) &&
               !PeekWord(Kw::kRow, 1) && !PeekWord(Kw::kAll, 1) && !PeekWord(Kw::kTable, 1)) {
      const bool enable = Next().kw == Kw::kEnable;
      item->action = enable ? AlterAction::kEnableConstraint : AlterAction::kDisableConstraint;
      if (AcceptWord(Kw::kValidate)) item->validate = 1;
      else if (AcceptWord(Kw::kNovalidate)) item->validate = 2;
      if (AcceptWord(Kw::kConstraint)) {
        item->name = ParseIdent();
      } else if (AcceptWord(Kw::kPrimary)) {
        ExpectWord(Kw::kKey);
        item->key = 1;
      } else if (AcceptWord(Kw::kUnique)) {
        item->key = 2;
        ParseIdentList(item->names);
      } else {
        Fail(kOraMissingKeyword);
      }
      if (AcceptWord(Kw::kCascade)) item->cascade = true;
      if (AcceptWord(Kw::kKeep) || AcceptWord(Kw::kDrop)) ExpectWord(Kw::kIndex);
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
