/*
** The parser's token helpers, names, and the dispatch on a statement's
** first words; also the short statements (transactions, blocks).
*/
#include <string.h>

#include <string>

#include "oci.h"
#include "sql/parse/Parse.h"
#include "sql/parse/Parser.h"

namespace kestrel_engine::sql {

DepthGuard::DepthGuard(Parser &p) : parser_(p) {
  ++parser_.depth_;
  ++parser_.tree_depth_;
  if (parser_.depth_ > kMaxNesting || parser_.tree_depth_ > kMaxTreeDepth) {
    const bool nesting = parser_.depth_ > kMaxNesting;
    --parser_.depth_;
    --parser_.tree_depth_;
    throw SyntaxError(kOraNestingTooDeep, parser_.Peek().offset,
                      std::to_string(nesting ? kMaxNesting : kMaxTreeDepth));
  }
}

void ChainGuard::Link() {
  ++links_;
  if (++parser_.tree_depth_ > kMaxTreeDepth) {
    throw SyntaxError(kOraNestingTooDeep, parser_.Peek().offset, std::to_string(kMaxTreeDepth));
  }
}

Parser::Parser(std::string_view text, Arena &arena)
    : text_(text), arena_(arena), tokens_(Lex(text, arena)) {}

void Parser::Fail(int code) const { FailAt(code, Peek()); }

void Parser::FailAt(int code, const Token &at, std::string_view detail) const {
  throw SyntaxError(code, at.offset, detail);
}

void Parser::ExpectWord(Kw kw, int code) {
  if (!AcceptWord(kw)) Fail(code);
}

void Parser::ExpectSym(Sym sym, int code) {
  if (!AcceptSym(sym)) Fail(code);
}

bool Parser::ListContinues(int code) {
  if (AcceptSym(Sym::kComma)) return true;
  if (AcceptSym(Sym::kRParen)) return false;
  Fail(code);
}

bool Parser::PeekIdentifier(size_t ahead) const {
  const Token &t = Peek(ahead);
  return t.kind == Tok::kQuotedIdent || (t.kind == Tok::kWord && !t.reserved);
}

bool Parser::PeekAlias() const {
  if (!PeekIdentifier()) return false;
  const Token &t = Peek();
  if (t.kind == Tok::kQuotedIdent) return true;
  // Words that may follow a table reference without being its alias.
  static constexpr Kw kNotAlias[] = {
      Kw::kJoin, Kw::kInner, Kw::kLeft, Kw::kRight, Kw::kFull, Kw::kCross, Kw::kNatural, Kw::kPivot, Kw::kUnpivot,
      Kw::kOffset, Kw::kFetch, Kw::kUsing, Kw::kReturning, Kw::kReturn, Kw::kLog, Kw::kPartition, Kw::kSample,
      Kw::kModel, Kw::kWindow, Kw::kOuter, Kw::kLateral, Kw::kExcept, Kw::kSearch, Kw::kCycle, Kw::kApply, Kw::kAs};
  for (Kw w : kNotAlias) {
    if (t.kw == w) return false;
  }
  return true;
}

Ident *Parser::ParseIdent(int code) {
  const Token &t = Peek();
  if (!PeekIdentifier()) {
    if (t.kind == Tok::kWord) FailAt(code, t, t.value);
    Fail(code == kOraInvalidIdentifier && t.kind == Tok::kEnd ? kOraMissingExpression : code);
  }
  ++pos_;
  Ident *id = New<Ident>(t.offset);
  id->name = t.value;
  id->quoted = t.kind == Tok::kQuotedIdent;
  return id;
}

Ident *Parser::MaybeIdent() { return PeekIdentifier() ? ParseIdent() : nullptr; }

void Parser::ParseIdentList(List<Ident> &into, int code) {
  ExpectLParen();
  do {
    into.Append(ParseIdent());
  } while (ListContinues(code));
}

void Parser::AddNamePart(Name &name, const Token &t) {
  if (name.count == Name::kMaxParts) FailAt(kOraNotProperlyEnded, t);
  name.part[name.count] = t.value;
  name.quoted[name.count] = t.kind == Tok::kQuotedIdent;
  ++name.count;
}

void Parser::ParseName(Name &name, int code) {
  for (;;) {
    const Token &t = Peek();
    if (!PeekIdentifier()) {
      if (t.kind == Tok::kWord || t.kind == Tok::kEnd) FailAt(code, t, t.value);
      Fail(code);
    }
    AddNamePart(name, Next());
    if (!PeekSym(Sym::kDot)) break;
    ++pos_;
  }
  if (AcceptSym(Sym::kAt)) {
    // A database link name: words joined by dots, as written.
    const Token &first = Peek();
    if (first.kind != Tok::kWord && first.kind != Tok::kQuotedIdent) Fail(kOraMissingIdentifier);
    size_t start = first.offset;
    size_t stop = start + first.raw.size();
    ++pos_;
    while (PeekSym(Sym::kDot) && (Peek(1).kind == Tok::kWord || Peek(1).kind == Tok::kQuotedIdent)) {
      stop = Peek(1).offset + Peek(1).raw.size();
      pos_ += 2;
    }
    name.dblink = text_.substr(start, stop - start);
  }
}

Statement *Parse(std::string_view text, Arena &arena) {
  Parser parser(text, arena);
  return parser.ParseStatement();
}

Statement *Parser::ParseStatement() {
  const Token &first = Peek();
  if (first.kind == Tok::kEnd) FailAt(kOraInvalidSql, first);
  Statement *stmt = ParseBody();
  while (AcceptSym(Sym::kSemicolon)) {
  }
  if (!AtEnd()) Fail(kOraNotProperlyEnded);
  return stmt;
}

Statement *Parser::Block(uint16_t oci_type, uint32_t pos) {
  // Object types and libraries are kept whole.
  BlockStmt *b = New<BlockStmt>(pos);
  b->kind = StmtKind::kBlock;
  b->oci_type = oci_type;
  b->text = text_.substr(pos);
  pos_ = tokens_.size - 1;
  return b;
}

Statement *Parser::ParseBody() {
  const Token &t = Peek();
  const uint32_t pos = t.offset;
  if (PeekWord(Kw::kSelect) || PeekSym(Sym::kLParen)) {
    SelectStmt *s = New<SelectStmt>(pos);
    s->query = ParseQuery();
    return s;
  }
  if (PeekWord(Kw::kWith)) {
    List<Cte> with;
    ParseWith(with);
    DmlStmt *dml = nullptr;
    if (PeekWord(Kw::kInsert)) {
      dml = static_cast<DmlStmt *>(ParseInsert(Pos()));
    } else if (PeekWord(Kw::kUpdate)) {
      dml = static_cast<DmlStmt *>(ParseUpdate(Pos()));
    } else if (PeekWord(Kw::kDelete)) {
      dml = static_cast<DmlStmt *>(ParseDelete(Pos()));
    }
    if (dml != nullptr) {
      if (dml->kind == StmtKind::kMultiInsert) FailAt(kOraMissingSelect, t);
      dml->with = with;
      dml->pos = pos;
      return dml;
    }
    SelectStmt *s = New<SelectStmt>(pos);
    // A parenthesised body keeps its own WITH and ORDER BY inside.
    Query *q = AsTerm(ParseQueryBody());
    q->with = with;
    q->pos = pos;
    if (PeekWord(Kw::kOrder) || PeekWord(Kw::kOffset) || PeekWord(Kw::kFetch) || PeekWord(Kw::kFor)) {
      ParseQueryTail(q);
    }
    s->query = q;
    return s;
  }
  if (PeekWord(Kw::kInsert)) return ParseInsert(pos);
  if (PeekWord(Kw::kUpdate)) return ParseUpdate(pos);
  if (PeekWord(Kw::kDelete)) return ParseDelete(pos);
  if (PeekWord(Kw::kMerge)) return ParseMerge(pos);
  if (PeekWord(Kw::kCreate)) return ParseCreate();
  if (PeekWord(Kw::kAlter)) return ParseAlter();
  if (PeekWord(Kw::kDrop)) return ParseDrop();
  if (PeekWord(Kw::kTruncate)) return ParseTruncate(pos);
  if (PeekWord(Kw::kComment)) return ParseComment(pos);
  if (PeekWord(Kw::kCommit) || PeekWord(Kw::kRollback) || PeekWord(Kw::kSavepoint)) {
    return ParseTransaction();
  }
  if (PeekWord(Kw::kBegin) || PeekWord(Kw::kDeclare) || (PeekSym(Sym::kLt) && PeekSym(Sym::kLt, 1))) {
    return ParsePlsqlUnit(pos, 0, false, 0);
  }
  if (AcceptWord(Kw::kCall)) return ParseCall(pos);
  FailAt(kOraInvalidSql, t);
}

Statement *Parser::ParseTransaction() {
  const Token &t = Next();
  TransactionStmt *s = New<TransactionStmt>(t.offset);
  if (IsWord(t, Kw::kSavepoint)) {
    s->kind = StmtKind::kSavepoint;
    s->savepoint = ParseIdent(kOraMissingIdentifier);
    return s;
  }
  const bool commit = IsWord(t, Kw::kCommit);
  s->kind = commit ? StmtKind::kCommit : StmtKind::kRollback;
  AcceptWord(Kw::kWork);
  if (commit) {
    if (AcceptWord(Kw::kComment)) ParseStringLiteral();
    if (AcceptWord(Kw::kWrite)) {
      while (PeekWord(Kw::kWait) || PeekWord(Kw::kNowait) || PeekWord(Kw::kImmediate) || PeekWord(Kw::kBatch)) ++pos_;
    }
    return s;
  }
  if (AcceptWord(Kw::kTo)) {
    AcceptWord(Kw::kSavepoint);
    s->savepoint = ParseIdent(kOraMissingIdentifier);
  }
  return s;
}

Statement *Parser::ParseCreate() {
  const uint32_t pos = Next().offset;
  bool or_replace = false;
  bool force = false;
  if (AcceptWord(Kw::kOr)) {
    ExpectWord(Kw::kReplace);
    or_replace = true;
  }
  if (AcceptWord(Kw::kNoforce)) {
  } else if (AcceptWord(Kw::kForce)) {
    force = true;
  }
  uint8_t editionable = 0;
  if (AcceptWord(Kw::kEditionable)) {
    editionable = 1;
  } else if (AcceptWord(Kw::kNoneditionable)) {
    editionable = 2;
  }
  if (AcceptWord(Kw::kPublic)) {
    if (!PeekWord(Kw::kSynonym)) Fail(kOraInvalidCreate);
    ++pos_;
    return ParseCreateSynonym(pos, or_replace, true);
  }
  if (PeekWord(Kw::kView)) {
    ++pos_;
    return ParseCreateView(pos, or_replace, force);
  }
  if (PeekWord(Kw::kSynonym)) {
    ++pos_;
    return ParseCreateSynonym(pos, or_replace, false);
  }
  if (PeekWord(Kw::kProcedure) || PeekWord(Kw::kFunction)) return ParsePlsqlUnit(pos, 1, or_replace, editionable);
  if (PeekWord(Kw::kPackage)) return ParsePlsqlUnit(pos, 2, or_replace, editionable);
  if (PeekWord(Kw::kTrigger)) return ParsePlsqlUnit(pos, 3, or_replace, editionable);
  // Object types and libraries stay text for now.
  if (PeekWord(Kw::kType) || PeekWord(Kw::kLibrary)) return Block(5, pos);
  if (or_replace || force) Fail(kOraInvalidCreate);
  if (AcceptWord(Kw::kTable)) return ParseCreateTable(pos, 0);
  if (AcceptWord(Kw::kGlobal)) {
    ExpectWord(Kw::kTemporary);
    ExpectWord(Kw::kTable);
    return ParseCreateTable(pos, 1);
  }
  if (AcceptWord(Kw::kPrivate)) {
    ExpectWord(Kw::kTemporary);
    ExpectWord(Kw::kTable);
    return ParseCreateTable(pos, 2);
  }
  if (AcceptWord(Kw::kUnique)) {
    ExpectWord(Kw::kIndex);
    return ParseCreateIndex(pos, 1);
  }
  if (AcceptWord(Kw::kBitmap)) {
    ExpectWord(Kw::kIndex);
    return ParseCreateIndex(pos, 2);
  }
  if (AcceptWord(Kw::kIndex)) return ParseCreateIndex(pos, 0);
  if (AcceptWord(Kw::kSequence)) return ParseSequence(pos, StmtKind::kCreateSequence);
  if (AcceptWord(Kw::kUser)) return ParseUser(pos, StmtKind::kCreateUser);
  Fail(kOraInvalidCreate);
}

Statement *Parser::ParseAlter() {
  const uint32_t pos = Next().offset;
  if (AcceptWord(Kw::kTable)) return ParseAlterTable(pos);
  if (AcceptWord(Kw::kSequence)) return ParseSequence(pos, StmtKind::kAlterSequence);
  if (AcceptWord(Kw::kSession)) return ParseAlterSession(pos);
  if (AcceptWord(Kw::kUser)) return ParseUser(pos, StmtKind::kAlterUser);
  if (PeekWord(Kw::kTrigger) || PeekWord(Kw::kProcedure) || PeekWord(Kw::kFunction) || PeekWord(Kw::kPackage)) {
    return ParseAlterCode(pos);
  }
  // ALTER TYPE: kept as text.
  if (PeekWord(Kw::kType)) return Block(OCI_STMT_ALTER, pos);
  Fail(kOraInvalidAlter);
}

Statement *Parser::ParseDrop() {
  const uint32_t pos = Next().offset;
  if (AcceptWord(Kw::kUser)) return ParseUser(pos, StmtKind::kDropUser);
  DropStmt *d = New<DropStmt>(pos);
  d->kind = StmtKind::kDrop;
  if (AcceptWord(Kw::kPublic)) {
    d->is_public = true;
    if (!PeekWord(Kw::kSynonym)) Fail(kOraInvalidDrop);
  }
  struct Word {
    Kw word;
    ObjectKind kind;
  };
  static constexpr Word kObjects[] = {
      {Kw::kTable, ObjectKind::kTable},         {Kw::kView, ObjectKind::kView},
      {Kw::kIndex, ObjectKind::kIndex},         {Kw::kSequence, ObjectKind::kSequence},
      {Kw::kSynonym, ObjectKind::kSynonym},     {Kw::kProcedure, ObjectKind::kProcedure},
      {Kw::kFunction, ObjectKind::kFunction},   {Kw::kPackage, ObjectKind::kPackage},
      {Kw::kTrigger, ObjectKind::kTrigger},     {Kw::kType, ObjectKind::kType},
      {Kw::kMaterialized, ObjectKind::kMaterializedView}};
  bool found = false;
  for (const Word &w : kObjects) {
    if (AcceptWord(w.word)) {
      d->object = w.kind;
      found = true;
      break;
    }
  }
  if (!found) Fail(kOraInvalidDrop);
  if (d->object == ObjectKind::kMaterializedView) ExpectWord(Kw::kView);
  if (d->object == ObjectKind::kPackage && AcceptWord(Kw::kBody)) d->object = ObjectKind::kPackageBody;
  ParseName(d->name, d->object == ObjectKind::kTable ? kOraInvalidTableName : kOraInvalidIdentifier);
  if (d->object == ObjectKind::kTable || d->object == ObjectKind::kView) {
    if (AcceptWord(Kw::kCascade)) {
      ExpectWord(Kw::kConstraints);
      d->cascade_constraints = true;
    }
    if (d->object == ObjectKind::kTable && AcceptWord(Kw::kPurge)) d->purge = true;
  } else if (AcceptWord(Kw::kForce)) {
    d->force = true;
  }
  return d;
}

}  // namespace kestrel_engine::sql
