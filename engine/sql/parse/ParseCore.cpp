/*
** The parser's token helpers, names, and the dispatch on a statement's
** first words; also the short statements (transactions, blocks).
*/
#include <string.h>

#include "oci.h"
#include "sql/parse/Parse.h"
#include "sql/parse/Parser.h"

namespace kestrel_engine::sql {

DepthGuard::DepthGuard(Parser &p) : parser_(p) {
  if (++parser_.depth_ > kMaxNesting) {
    --parser_.depth_;
    throw SyntaxError(kOraNestingTooDeep, parser_.Peek().offset, "200");
  }
}

Parser::Parser(std::string_view text, Arena &arena)
    : text_(text), arena_(arena), tokens_(Lex(text, arena)) {}

void Parser::Fail(int code) const { FailAt(code, Peek()); }

void Parser::FailAt(int code, const Token &at, std::string_view detail) const {
  throw SyntaxError(code, at.offset, detail);
}

void Parser::ExpectWord(std::string_view upper, int code) {
  if (!AcceptWord(upper)) Fail(code);
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
  static constexpr std::string_view kNotAlias[] = {
      "JOIN", "INNER", "LEFT", "RIGHT", "FULL", "CROSS", "NATURAL", "PIVOT", "UNPIVOT",
      "OFFSET", "FETCH", "USING", "RETURNING", "RETURN", "LOG", "PARTITION", "SAMPLE",
      "MODEL", "WINDOW", "OUTER", "LATERAL", "EXCEPT", "SEARCH", "CYCLE", "APPLY", "AS"};
  for (std::string_view w : kNotAlias) {
    if (t.value == w) return false;
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
  // Procedural units are kept whole; their parser comes with PL/SQL.
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
  if (PeekWord("SELECT") || PeekSym(Sym::kLParen)) {
    SelectStmt *s = New<SelectStmt>(pos);
    s->query = ParseQuery();
    return s;
  }
  if (PeekWord("WITH")) {
    List<Cte> with;
    ParseWith(with);
    DmlStmt *dml = nullptr;
    if (PeekWord("INSERT")) {
      dml = static_cast<DmlStmt *>(ParseInsert(Pos()));
    } else if (PeekWord("UPDATE")) {
      dml = static_cast<DmlStmt *>(ParseUpdate(Pos()));
    } else if (PeekWord("DELETE")) {
      dml = static_cast<DmlStmt *>(ParseDelete(Pos()));
    }
    if (dml != nullptr) {
      if (dml->kind == StmtKind::kMultiInsert) FailAt(kOraMissingSelect, t);
      dml->with = with;
      dml->pos = pos;
      return dml;
    }
    SelectStmt *s = New<SelectStmt>(pos);
    Query *q = ParseQueryBody();
    if (!q->with.empty()) {
      // WITH ... (WITH ...) is no query Oracle accepts either.
      FailAt(kOraMissingSelect, t);
    }
    q->with = with;
    ParseQueryTail(q);
    s->query = q;
    return s;
  }
  if (PeekWord("INSERT")) return ParseInsert(pos);
  if (PeekWord("UPDATE")) return ParseUpdate(pos);
  if (PeekWord("DELETE")) return ParseDelete(pos);
  if (PeekWord("MERGE")) return ParseMerge(pos);
  if (PeekWord("CREATE")) return ParseCreate();
  if (PeekWord("ALTER")) return ParseAlter();
  if (PeekWord("DROP")) return ParseDrop();
  if (PeekWord("TRUNCATE")) return ParseTruncate(pos);
  if (PeekWord("COMMENT")) return ParseComment(pos);
  if (PeekWord("COMMIT") || PeekWord("ROLLBACK") || PeekWord("SAVEPOINT")) {
    return ParseTransaction();
  }
  if (PeekWord("BEGIN")) return Block(8, pos);
  if (PeekWord("DECLARE")) return Block(9, pos);
  FailAt(kOraInvalidSql, t);
}

Statement *Parser::ParseTransaction() {
  const Token &t = Next();
  TransactionStmt *s = New<TransactionStmt>(t.offset);
  if (IsWord(t, "SAVEPOINT")) {
    s->kind = StmtKind::kSavepoint;
    s->savepoint = ParseIdent(kOraMissingIdentifier);
    return s;
  }
  const bool commit = IsWord(t, "COMMIT");
  s->kind = commit ? StmtKind::kCommit : StmtKind::kRollback;
  AcceptWord("WORK");
  if (commit) {
    if (AcceptWord("COMMENT")) ParseStringLiteral();
    if (AcceptWord("WRITE")) {
      while (PeekWord("WAIT") || PeekWord("NOWAIT") || PeekWord("IMMEDIATE") || PeekWord("BATCH")) ++pos_;
    }
    return s;
  }
  if (AcceptWord("TO")) {
    AcceptWord("SAVEPOINT");
    s->savepoint = ParseIdent(kOraMissingIdentifier);
  }
  return s;
}

Statement *Parser::ParseCreate() {
  const uint32_t pos = Next().offset;
  bool or_replace = false;
  bool force = false;
  if (AcceptWord("OR")) {
    ExpectWord("REPLACE");
    or_replace = true;
  }
  if (AcceptWord("NO")) {
    ExpectWord("FORCE");
  } else if (AcceptWord("FORCE")) {
    force = true;
  }
  if (!AcceptWord("EDITIONABLE")) AcceptWord("NONEDITIONABLE");
  if (AcceptWord("PUBLIC")) {
    if (!PeekWord("SYNONYM")) Fail(kOraInvalidCreate);
    ++pos_;
    return ParseCreateSynonym(pos, or_replace, true);
  }
  if (PeekWord("VIEW")) {
    ++pos_;
    return ParseCreateView(pos, or_replace, force);
  }
  if (PeekWord("SYNONYM")) {
    ++pos_;
    return ParseCreateSynonym(pos, or_replace, false);
  }
  static constexpr std::string_view kProcedural[] = {"PROCEDURE", "FUNCTION", "PACKAGE",
                                                     "TRIGGER", "TYPE", "LIBRARY"};
  for (std::string_view w : kProcedural) {
    if (PeekWord(w)) return Block(5, pos);
  }
  if (or_replace || force) Fail(kOraInvalidCreate);
  if (AcceptWord("TABLE")) return ParseCreateTable(pos, 0);
  if (AcceptWord("GLOBAL")) {
    ExpectWord("TEMPORARY");
    ExpectWord("TABLE");
    return ParseCreateTable(pos, 1);
  }
  if (AcceptWord("PRIVATE")) {
    ExpectWord("TEMPORARY");
    ExpectWord("TABLE");
    return ParseCreateTable(pos, 2);
  }
  if (AcceptWord("UNIQUE")) {
    ExpectWord("INDEX");
    return ParseCreateIndex(pos, 1);
  }
  if (AcceptWord("BITMAP")) {
    ExpectWord("INDEX");
    return ParseCreateIndex(pos, 2);
  }
  if (AcceptWord("INDEX")) return ParseCreateIndex(pos, 0);
  if (AcceptWord("SEQUENCE")) return ParseSequence(pos, StmtKind::kCreateSequence);
  if (AcceptWord("USER")) return ParseUser(pos, StmtKind::kCreateUser);
  Fail(kOraInvalidCreate);
}

Statement *Parser::ParseAlter() {
  const uint32_t pos = Next().offset;
  if (AcceptWord("TABLE")) return ParseAlterTable(pos);
  if (AcceptWord("SEQUENCE")) return ParseSequence(pos, StmtKind::kAlterSequence);
  if (AcceptWord("SESSION")) return ParseAlterSession(pos);
  if (AcceptWord("USER")) return ParseUser(pos, StmtKind::kAlterUser);
  // ALTER TRIGGER/PROCEDURE/...: procedural objects, kept as text.
  static constexpr std::string_view kProcedural[] = {"TRIGGER", "PROCEDURE", "FUNCTION",
                                                     "PACKAGE", "TYPE"};
  for (std::string_view w : kProcedural) {
    if (PeekWord(w)) return Block(OCI_STMT_ALTER, pos);
  }
  Fail(kOraInvalidAlter);
}

Statement *Parser::ParseDrop() {
  const uint32_t pos = Next().offset;
  if (AcceptWord("USER")) return ParseUser(pos, StmtKind::kDropUser);
  DropStmt *d = New<DropStmt>(pos);
  d->kind = StmtKind::kDrop;
  if (AcceptWord("PUBLIC")) {
    d->is_public = true;
    if (!PeekWord("SYNONYM")) Fail(kOraInvalidDrop);
  }
  struct Word {
    std::string_view word;
    ObjectKind kind;
  };
  static constexpr Word kObjects[] = {
      {"TABLE", ObjectKind::kTable},         {"VIEW", ObjectKind::kView},
      {"INDEX", ObjectKind::kIndex},         {"SEQUENCE", ObjectKind::kSequence},
      {"SYNONYM", ObjectKind::kSynonym},     {"PROCEDURE", ObjectKind::kProcedure},
      {"FUNCTION", ObjectKind::kFunction},   {"PACKAGE", ObjectKind::kPackage},
      {"TRIGGER", ObjectKind::kTrigger},     {"TYPE", ObjectKind::kType},
      {"MATERIALIZED", ObjectKind::kMaterializedView}};
  bool found = false;
  for (const Word &w : kObjects) {
    if (AcceptWord(w.word)) {
      d->object = w.kind;
      found = true;
      break;
    }
  }
  if (!found) Fail(kOraInvalidDrop);
  if (d->object == ObjectKind::kMaterializedView) ExpectWord("VIEW");
  if (d->object == ObjectKind::kPackage && AcceptWord("BODY")) d->object = ObjectKind::kPackageBody;
  ParseName(d->name, d->object == ObjectKind::kTable ? kOraInvalidTableName : kOraInvalidIdentifier);
  if (d->object == ObjectKind::kTable || d->object == ObjectKind::kView) {
    if (AcceptWord("CASCADE")) {
      ExpectWord("CONSTRAINTS");
      d->cascade_constraints = true;
    }
    if (d->object == ObjectKind::kTable && AcceptWord("PURGE")) d->purge = true;
  } else if (AcceptWord("FORCE")) {
    d->force = true;
  }
  return d;
}

}  // namespace kestrel_engine::sql
