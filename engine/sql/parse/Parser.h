/*
** The recursive-descent parser's state and its grammar functions, split by
** area over ParseCore.cpp (tokens, names, statement dispatch),
** ParseExpr.cpp, ParseFunction.cpp, ParseQuery.cpp, ParseTable.cpp,
** ParseDml.cpp, ParseTableDdl.cpp, ParseSchema.cpp and ParseType.cpp;
** PL/SQL over ParsePlsqlBlock.cpp (blocks, declarations, types),
** ParsePlsqlStmt.cpp (statements) and ParsePlsqlUnit.cpp (stored code).
** Internal to the front end.
*/
#ifndef KESTREL_ENGINE_SQL_PARSE_PARSER_H
#define KESTREL_ENGINE_SQL_PARSE_PARSER_H

#include <string_view>

#include "sql/ast/Arena.h"
#include "sql/ast/Plsql.h"
#include "sql/ast/Statements.h"
#include "sql/parse/Lexer.h"
#include "sql/parse/SyntaxError.h"

namespace kestrel_engine::sql {

class Parser {
 public:
  Parser(std::string_view text, Arena &arena);
  Statement *ParseStatement();

 private:
  friend class DepthGuard;
  friend class ChainGuard;

  // Tokens
  const Token &Peek(size_t ahead = 0) const {
    size_t i = pos_ + ahead;
    return i < tokens_.size ? tokens_.items[i] : tokens_.items[tokens_.size - 1];
  }
  const Token &Next() {
    const Token &t = Peek();
    if (t.kind != Tok::kEnd) ++pos_;
    return t;
  }
  bool AtEnd() const { return Peek().kind == Tok::kEnd; }
  static bool IsWord(const Token &t, Kw kw) { return t.kw == kw; }
  bool PeekWord(Kw kw, size_t ahead = 0) const { return Peek(ahead).kw == kw; }
  bool PeekSym(Sym sym, size_t ahead = 0) const {
    return Peek(ahead).kind == Tok::kSymbol && Peek(ahead).sym == sym;
  }
  bool AcceptWord(Kw kw) {
    if (!PeekWord(kw)) return false;
    ++pos_;
    return true;
  }
  bool AcceptSym(Sym sym) {
    if (!PeekSym(sym)) return false;
    ++pos_;
    return true;
  }
  void ExpectWord(Kw kw, int code = kOraMissingKeyword);
  void ExpectSym(Sym sym, int code);
  void ExpectLParen() { ExpectSym(Sym::kLParen, kOraMissingLeftParen); }
  void ExpectRParen() { ExpectSym(Sym::kRParen, kOraMissingRightParen); }
  // At the end of a list item: ',' continues, ')' closes, anything else is
  // `code` (ORA-00907 in expressions, ORA-00917 in column lists).
  bool ListContinues(int code);

  [[noreturn]] void Fail(int code) const;  // at the current token
  [[noreturn]] void FailAt(int code, const Token &at, std::string_view detail = {}) const;

  template <class T>
  T *New(uint32_t pos) {
    T *node = arena_.New<T>();
    node->pos = pos;
    return node;
  }
  uint32_t Pos() const { return Peek().offset; }

  // Names
  bool PeekIdentifier(size_t ahead = 0) const;  // an identifier can start here
  bool PeekAlias() const;                      // a table alias can start here
  Ident *ParseIdent(int code = kOraInvalidIdentifier);
  Ident *MaybeIdent();
  void ParseIdentList(List<Ident> &into, int code = kOraMissingComma);  // (a, b, ...)
  void ParseName(Name &name, int code = kOraInvalidIdentifier);         // a.b.c[@link]
  void AddNamePart(Name &name, const Token &t);

  // Statements
  Statement *ParseBody();
  Statement *ParseCreate();
  Statement *ParseAlter();
  Statement *ParseDrop();
  Statement *ParseTransaction();
  Statement *Block(uint16_t oci_type, uint32_t pos);

  // Queries (ParseQuery.cpp)
  bool PeekQueryStart() const;
  Query *ParseQuery();                // [WITH ...] query expression with its tail
  Query *ParseQueryBody();            // set operations, no WITH, no tail
  Query *ParseQueryTerm();
  Query *ContinueQuery(Query *left);
  Query *AsTerm(Query *q);  // wrapped in kParens when it has its own tail  // set operations and tail after `left`
  Query *ParseSelectBlock();
  void ParseWith(List<Cte> &with);
  void ParseQueryTail(Query *q);
  void ParseOrderBy(List<OrderItem> &into);
  OrderItem *ParseOrderItem();
  Expr *ParseGroupElement();

  // Tables (ParseTable.cpp)
  TableRef *ParseTableRef();
  TableRef *ParseTablePrimary();
  TableRef *ParseJsonTable(uint32_t pos);
  void ParseJsonColumns(List<JsonColumn> &into);
  TableRef *ParsePivot(TableRef *source);
  TableRef *ParseUnpivot(TableRef *source);
  TableRef *ParseDmlTarget(bool allow_alias);

  // Expressions (ParseExpr.cpp)
  Expr *ParseExpr();
  Expr *ParseOr();
  Expr *ParseAnd();
  Expr *ParseNot();
  Expr *ParsePredicate();
  Expr *ParseAdditive();
  Expr *ParseMultiplicative();
  Expr *ParseUnary();
  Expr *ParsePrimary();
  Expr *ParseParenthesised();
  Expr *MaybeContinueSubquery(Expr *first, uint32_t pos);
  Expr *ParseNameExpr();
  Expr *ParseCase(uint32_t pos);
  Expr *ParseLiteralAfterKeyword(ExprKind kind, uint32_t pos);
  Expr *ParseInterval(uint32_t pos);
  void ParseIntervalFields(TypeName *type);
  Expr *MakeBinary(Op op, Expr *l, Expr *r, uint32_t pos);
  Expr *ParseExprListInParens(List<Expr> &into);
  Expr *ParseStringLiteral();

  // Functions (ParseFunction.cpp)
  Expr *ParseFunction(Expr *fn);
  Expr *ParseSpecialFunction(std::string_view name, uint32_t pos, bool &handled);
  void ParseArguments(Expr *fn);
  void ParseAnalytic(Expr *fn);
  Window *ParseWindow();
  FrameBound ParseFrameBound();
  FuncExtra *Extra(Expr *fn);
  void ParseJsonOptions(Expr *fn, bool allow_on_empty);
  bool ParseJsonOn(JsonOn &on, Kw which);

  // DML (ParseDml.cpp)
  Statement *ParseInsert(uint32_t pos);
  Statement *ParseMultiInsert(uint32_t pos);
  InsertInto *ParseInsertInto();
  Statement *ParseUpdate(uint32_t pos);
  Statement *ParseDelete(uint32_t pos);
  Statement *ParseMerge(uint32_t pos);
  void ParseSetList(List<SetItem> &into);
  void ParseValues(List<Expr> &into);
  static bool TakesNullTreatment(const Expr *fn);
  Returning *MaybeReturning();

  // Tables and columns (ParseTableDdl.cpp)
  Statement *ParseCreateTable(uint32_t pos, uint8_t temporary);
  Statement *ParseAlterTable(uint32_t pos);
  void ParseRelationalItem(List<ColumnDef> &columns, List<Constraint> &constraints);
  bool PeekOutOfLineConstraint() const;
  ColumnDef *ParseColumnDef(bool modify);
  Constraint *ParseConstraint(bool inline_form);
  void ParseConstraintState(Constraint *c);
  void ParseReferences(Constraint *c);
  void ParseIdentity(ColumnDef *col);
  void SkipPhysicalAttributes();
  void SkipBalanced();
  bool AlterItemStart() const;

  // Other schema objects (ParseSchema.cpp)
  Statement *ParseCreateView(uint32_t pos, bool or_replace, bool force);
  Statement *ParseCreateIndex(uint32_t pos, uint8_t unique);
  Statement *ParseSequence(uint32_t pos, StmtKind kind);
  SequenceOptions *ParseSequenceOptions(bool in_identity);
  Statement *ParseCreateSynonym(uint32_t pos, bool or_replace, bool is_public);
  Statement *ParseComment(uint32_t pos);
  Statement *ParseTruncate(uint32_t pos);
  Statement *ParseAlterSession(uint32_t pos);
  Statement *ParseUser(uint32_t pos, StmtKind kind);

  // Types (ParseType.cpp)
  TypeName *ParseType();
  int32_t ParseIntegerArg();

  // PL/SQL units (ParsePlsqlUnit.cpp). Errors inside a unit become
  // ORA-06550 with the line and column.
  Statement *ParsePlsqlUnit(uint32_t pos, int what, bool or_replace, uint8_t editionable);
  Statement *ParsePlsqlUnitBody(uint32_t pos, int what, bool or_replace, uint8_t editionable);
  Statement *ParseCreateTrigger(uint32_t pos, bool or_replace, uint8_t editionable);
  // After the heading: COMPOUND TRIGGER declarations sections END [name];
  void ParseCompoundBody(CreateTriggerStmt *s);
  TriggerSection::Point ParseTimingPoint();
  Statement *ParseCreatePackage(uint32_t pos, bool or_replace, uint8_t editionable);
  Statement *ParseAlterCode(uint32_t pos);
  Statement *ParseCall(uint32_t pos);
  [[noreturn]] void FailPls() const;  // PLS-00103 at the current token
  void ExpectPl(Kw kw) {
    if (!AcceptWord(kw)) FailPls();
  }
  void ExpectPlSym(Sym sym) {
    if (!AcceptSym(sym)) FailPls();
  }
  uint8_t ParseAuthid();
  void CheckEndName(const PlBlock *block, const Name &name) const;  // PLS-00113

  // Blocks, declarations, types (ParsePlsqlBlock.cpp)
  PlBlock *ParsePlBlock();                 // [<<label>>] [DECLARE ...] BEGIN ... END [name];
  void ParseBlockBody(PlBlock *block);     // BEGIN ... END [name] ;
  void ParseBlockStatements(PlBlock *block);  // BEGIN ... [EXCEPTION ...], before END
  void ParseDeclarations(List<PlDecl> &into);
  PlDecl *ParseDeclaration();
  PlType *ParsePlType();
  void ParseParams(List<PlParam> &into);
  Subprogram *ParseSubprogram(bool allow_body);
  void ParseLabels(List<Ident> &into);

  // Statements (ParsePlsqlStmt.cpp)
  void ParsePlStatements(List<PlStmt> &into);  // one or more, up to END/ELSIF/ELSE/WHEN/EXCEPTION
  PlStmt *ParsePlStatement();
  void ParseIf(PlStmt *s);
  void ParseCaseStatement(PlStmt *s);
  void ParseFor(PlStmt *s);
  void ParseForBounds(PlStmt *s, bool forall);  // [REVERSE] lo .. hi, or a cursor
  void ParseLoopBody(PlStmt *s);  // LOOP statements END LOOP [label]
  void ParseExecute(PlStmt *s);
  void ParseUsing(List<PlUsing> &into);
  void ParseTargets(List<Expr> &into);  // INTO a, b, ...
  Expr *ParsePlTarget();  // a variable, field, element, bind or call
  bool PeekAssign() const;
  Expr *ContinuePlsqlName(Expr *e);  // %attributes, t(i).field

  std::string_view text_;
  Arena &arena_;
  TokenArray tokens_;
  size_t pos_ = 0;
  int depth_ = 0;       // nesting: parentheses, subqueries, prefix operators
  int tree_depth_ = 0;  // nesting and left-deep chains (a + b + c, UNION, JOIN)
  bool plsql_ = false;        // inside a PL/SQL unit: PL/SQL expression forms allowed
  bool select_into_ = false;  // the next query block may have INTO (PL/SQL SELECT)
};

// Counts one level of nesting for the scope it lives in.
class DepthGuard {
 public:
  explicit DepthGuard(Parser &p);
  ~DepthGuard() {
    --parser_.depth_;
    --parser_.tree_depth_;
  }
  DepthGuard(const DepthGuard &) = delete;
  DepthGuard &operator=(const DepthGuard &) = delete;

 private:
  Parser &parser_;
};

// Counts the links of a left-deep chain (each makes the tree one level
// deeper) for the scope it lives in, so that every later pass over the
// tree can recurse without running out of stack.
class ChainGuard {
 public:
  explicit ChainGuard(Parser &p) : parser_(p) {}
  ~ChainGuard() { parser_.tree_depth_ -= links_; }
  ChainGuard(const ChainGuard &) = delete;
  ChainGuard &operator=(const ChainGuard &) = delete;
  void Link();

 private:
  Parser &parser_;
  int links_ = 0;
};

}  // namespace kestrel_engine::sql

#endif
