/*
** PL/SQL in the syntax tree: blocks with their declarations, statements
** and exception handlers, subprograms, and the statements that create
** stored code (procedures, functions, packages, triggers). SQL inside a
** block is the ordinary SQL tree; PL/SQL names in it (variables,
** parameters, :NEW.col) stay plain names for the resolver to bind.
*/
#ifndef KESTREL_ENGINE_SQL_AST_PLSQL_H
#define KESTREL_ENGINE_SQL_AST_PLSQL_H

#include "sql/ast/Statements.h"

namespace kestrel_engine::sql {

struct PlBlock;
struct PlStmt;
struct Subprogram;

// A PL/SQL type: an SQL type (`sql`), a named type (PLS_INTEGER,
// BINARY_INTEGER, SYS_REFCURSOR, a declared record or collection type,
// pkg.type), or name%TYPE / name%ROWTYPE.
struct PlType : Node {
  TypeName *sql = nullptr;
  Name name;         // when sql is null
  uint8_t attr = 0;  // 0 none, 1 %TYPE, 2 %ROWTYPE
};

// A subprogram or cursor parameter: name [IN | OUT | IN OUT] [NOCOPY]
// type [:= | DEFAULT value].
struct PlParam : Node {
  Ident *name = nullptr;
  uint8_t mode = 0;  // 0 unstated (IN), 1 IN, 2 OUT, 3 IN OUT
  bool nocopy = false;
  PlType *type = nullptr;
  Expr *default_value = nullptr;
  bool default_keyword = false;  // DEFAULT (else :=)
};

enum class PlDeclKind : uint8_t {
  kVariable,     // name [CONSTANT] type [NOT NULL] [:= | DEFAULT init]; also a record field
  kException,    // name EXCEPTION
  kCursor,       // CURSOR name [(params)] [RETURN type] [IS query]
  kRecordType,   // TYPE name IS RECORD (fields)
  kTableType,    // TYPE name IS TABLE OF type [NOT NULL] [INDEX BY index_by]
  kVarrayType,   // TYPE name IS VARRAY (limit) OF type [NOT NULL]
  kRefCursorType,  // TYPE name IS REF CURSOR [RETURN type]
  kSubtype,      // SUBTYPE name IS type [NOT NULL]
  kPragma,       // PRAGMA name [(args)]: name in `name`
  kSubprogram,   // a procedure or function: declared (body null) or defined
};

struct PlDecl : Node {
  PlDeclKind kind = PlDeclKind::kVariable;
  Ident *name = nullptr;
  bool constant = false;
  bool not_null = false;
  PlType *type = nullptr;        // variable, element, subtype, cursor/ref cursor RETURN
  Expr *init = nullptr;
  bool default_keyword = false;  // DEFAULT (else :=)
  List<PlParam> params;          // cursor parameters
  Query *query = nullptr;        // cursor query
  List<PlDecl> fields;           // record fields (kVariable each)
  PlType *index_by = nullptr;    // associative array key type
  Expr *limit = nullptr;         // VARRAY size limit
  List<Expr> args;               // pragma arguments
  Subprogram *sub = nullptr;     // kSubprogram
};

// PROCEDURE name [(params)] | FUNCTION name [(params)] RETURN type, with
// its options, and its block when defined here.
struct Subprogram : Node {
  bool function = false;
  Name name;
  List<PlParam> params;
  PlType *returns = nullptr;
  uint8_t authid = 0;  // 0 unstated, 1 DEFINER, 2 CURRENT_USER
  bool deterministic = false;
  bool pipelined = false;
  bool parallel_enable = false;
  bool result_cache = false;
  PlBlock *body = nullptr;  // null: a declaration only (a package header, a forward declaration)
};

// WHEN cond THEN body (IF/ELSIF, CASE); in an exception handler the
// exception names are in `exceptions` (OTHERS is the name OTHERS).
struct PlWhen : Node {
  Expr *cond = nullptr;
  List<Expr> exceptions;  // handlers: kName each
  List<PlStmt> body;
};

// An argument of EXECUTE IMMEDIATE ... USING / OPEN ... FOR ... USING.
struct PlUsing : Node {
  uint8_t mode = 0;  // 0 unstated, 1 IN, 2 OUT, 3 IN OUT
  Expr *expr = nullptr;
};

enum class PlStmtKind : uint8_t {
  kNull,        // NULL;
  kAssign,      // target := expr
  kCall,        // target (a kName or kFunction expression)
  kIf,          // whens (IF, ELSIF...) [ELSE body]
  kCase,        // CASE [expr] whens [ELSE body] END CASE
  kLoop,        // LOOP body END LOOP
  kWhile,       // WHILE expr LOOP body END LOOP
  kForRange,    // FOR name IN [REVERSE] expr .. upper LOOP body END LOOP
  kForCursor,   // FOR name IN (query) | cursor [(args)] LOOP body: query in `query`, else cursor in target
  kForall,      // FORALL name IN expr .. upper | INDICES OF target [BETWEEN expr AND upper]
                // | VALUES OF target (see forall) [SAVE EXCEPTIONS (bulk)] sql
  kExit,        // EXIT [label] [WHEN expr]
  kContinue,    // CONTINUE [label] [WHEN expr]
  kGoto,        // GOTO label
  kReturn,      // RETURN [expr]
  kRaise,       // RAISE [expr: the exception's name]
  kSql,         // a SQL statement (SELECT [BULK COLLECT] INTO, DML, COMMIT...) in `sql`
  kOpen,        // OPEN target (cursor [(args)])
  kOpenFor,     // OPEN target FOR query | expr [USING using]
  kFetch,       // FETCH target [BULK COLLECT (bulk)] INTO into [LIMIT upper]
  kClose,       // CLOSE target
  kExecute,     // EXECUTE IMMEDIATE expr [[BULK COLLECT] INTO into] [USING using] [RETURNING INTO returning_into]
  kBlock,       // a nested block
  kPipeRow,     // PIPE ROW (expr)
};

struct PlStmt : Node {
  PlStmtKind kind = PlStmtKind::kNull;
  List<Ident> labels;        // <<label>> before the statement
  Expr *target = nullptr;
  Expr *expr = nullptr;
  Expr *upper = nullptr;
  Ident *name = nullptr;     // loop index; EXIT/CONTINUE/GOTO label
  Query *query = nullptr;    // cursor FOR loop, OPEN FOR
  Statement *sql = nullptr;  // kSql, kForall
  List<PlWhen> whens;
  List<PlStmt> body;         // loop body; IF/CASE ELSE branch
  bool has_else = false;
  bool reverse = false;
  bool bulk = false;
  uint8_t forall = 0;  // kForall: 0 lo .. hi, 1 INDICES OF, 2 VALUES OF
  List<Expr> into;
  List<PlUsing> using_args;
  List<Expr> returning_into;
  PlBlock *block = nullptr;  // kBlock
  Ident *end_label = nullptr;  // END LOOP label, END CASE label
};

// [<<label>>] [DECLARE decls] BEGIN body [EXCEPTION handlers] END [name];
// A subprogram's or package body's block has its declarations after IS.
struct PlBlock : Node {
  List<Ident> labels;
  bool declare = false;  // written with DECLARE
  List<PlDecl> decls;
  List<PlStmt> body;     // empty for a package body without BEGIN
  bool has_begin = true;
  List<PlWhen> handlers;
  Ident *end_name = nullptr;
};

// An anonymous block as a statement (OCI type 9 with DECLARE, else 8).
struct PlBlockStmt : Statement {
  PlBlock *block = nullptr;
};

// CREATE [OR REPLACE] [EDITIONABLE | NONEDITIONABLE] PROCEDURE | FUNCTION
struct CreateSubprogramStmt : Statement {
  bool or_replace = false;
  uint8_t editionable = 0;  // 0 unstated, 1 EDITIONABLE, 2 NONEDITIONABLE
  Subprogram *sub = nullptr;
};

// CREATE PACKAGE name IS decls END; / CREATE PACKAGE BODY name IS decls
// [BEGIN init] END;
struct CreatePackageStmt : Statement {
  bool or_replace = false;
  uint8_t editionable = 0;
  bool body = false;
  Name name;
  uint8_t authid = 0;  // 0 unstated, 1 DEFINER, 2 CURRENT_USER
  PlBlock *block = nullptr;
};

enum TriggerEvent : uint8_t { kOnInsert = 1, kOnUpdate = 2, kOnDelete = 4 };

// A compound trigger's timing-point section: IS BEGIN ... END point;
struct TriggerSection : Node {
  enum Point : uint8_t { kBeforeStatement, kBeforeRow, kAfterRow, kAfterStatement, kInsteadOfRow };
  Point point = kBeforeStatement;
  PlBlock *block = nullptr;
};

struct CreateTriggerStmt : Statement {
  bool or_replace = false;
  uint8_t editionable = 0;
  Name name;
  // 0 BEFORE, 1 AFTER, 2 INSTEAD OF, 3 COMPOUND (FOR ... COMPOUND TRIGGER:
  // `block` holds its declarations, `sections` its timing points)
  uint8_t timing = 0;
  uint8_t events = 0;  // TriggerEvent bits
  List<Ident> update_of;
  Name table;
  Ident *old_alias = nullptr;  // REFERENCING OLD AS x NEW AS y PARENT AS z
  Ident *new_alias = nullptr;
  Ident *parent_alias = nullptr;
  bool for_each_row = false;
  uint8_t enabled = 0;  // 0 unstated, 1 ENABLE, 2 DISABLE
  Expr *when = nullptr;
  PlBlock *block = nullptr;
  List<TriggerSection> sections;
};

// ALTER TRIGGER | PROCEDURE | FUNCTION | PACKAGE [BODY] name action
struct AlterCodeStmt : Statement {
  ObjectKind object = ObjectKind::kProcedure;
  Name name;
  uint8_t action = 0;  // 0 COMPILE, 1 ENABLE, 2 DISABLE
  uint8_t compile_part = 0;  // COMPILE: 0 unstated, 1 the package header, 2 BODY
  bool debug = false;
};

// CALL name(args) [INTO :bind]
struct CallStmt : Statement {
  Expr *call = nullptr;
  Expr *into = nullptr;
};

}  // namespace kestrel_engine::sql

#endif
