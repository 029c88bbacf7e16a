/*
** Statement nodes: queries, DML, the schema language, transactions,
** session settings and accounts. PL/SQL units are in Plsql.h; CREATE TYPE
** and LIBRARY are kept as opaque text.
*/
#ifndef KESTREL_ENGINE_SQL_AST_STATEMENTS_H
#define KESTREL_ENGINE_SQL_AST_STATEMENTS_H

#include "sql/ast/Ast.h"

namespace kestrel_engine::sql {

enum class StmtKind : uint8_t {
  kSelect, kInsert, kMultiInsert, kUpdate, kDelete, kMerge,
  kCreateTable, kAlterTable, kCreateView, kCreateIndex, kCreateSequence, kAlterSequence,
  kCreateSynonym, kDrop, kTruncate, kComment,
  kCommit, kRollback, kSavepoint, kAlterSession,
  kCreateUser, kAlterUser, kDropUser,
  kBlock,  // CREATE TYPE / LIBRARY, ALTER TYPE: text only
  // PL/SQL (Plsql.h)
  kPlBlock, kCreateSubprogram, kCreatePackage, kCreateTrigger, kAlterCode, kCall,
};

struct Statement : Node {
  StmtKind kind = StmtKind::kSelect;
};

struct SelectStmt : Statement {
  Query *query = nullptr;
};

// RETURNING exprs INTO targets
struct Returning : Node {
  List<Expr> exprs;
  List<Expr> into;
  bool bulk = false;  // RETURNING ... BULK COLLECT INTO (PL/SQL)
};

// The DML target: a table (with its alias) or a subquery.
struct DmlStmt : Statement {
  List<Cte> with;  // WITH ... followed by the DML
  TableRef *target = nullptr;
  Expr *where = nullptr;
  Returning *returning = nullptr;
};

struct InsertStmt : DmlStmt {
  List<Ident> columns;
  List<Expr> values;  // VALUES (...); empty with a query
  Query *query = nullptr;
  Expr *values_record = nullptr;  // PL/SQL: VALUES rec (a whole record)
};

// One INTO of a multi-table insert.
struct InsertInto : Node {
  TableRef *target = nullptr;
  List<Ident> columns;
  List<Expr> values;
  bool has_values = false;
};

// WHEN cond THEN INTO ... (cond null: the ELSE branch, or unconditional)
struct InsertBranch : Node {
  Expr *when = nullptr;
  bool is_else = false;
  List<InsertInto> into;
};

struct MultiInsertStmt : Statement {
  bool first = false;  // INSERT FIRST (else ALL)
  bool conditional = false;
  List<InsertBranch> branches;
  Query *query = nullptr;
};

// SET col = expr, or SET (c1, c2) = (subquery)
struct SetItem : Node {
  List<Expr> columns;  // kName each; one unless the parenthesised form
  bool row = false;
  Expr *value = nullptr;
};

struct UpdateStmt : DmlStmt {
  List<SetItem> set;
  Expr *set_row = nullptr;  // PL/SQL: SET ROW = rec (set empty)
};

struct DeleteStmt : DmlStmt {};

struct MergeStmt : Statement {
  TableRef *target = nullptr;
  TableRef *source = nullptr;
  Expr *on = nullptr;
  bool has_update = false;
  List<SetItem> set;
  Expr *update_where = nullptr;
  Expr *delete_where = nullptr;
  bool has_insert = false;
  List<Ident> insert_columns;
  List<Expr> insert_values;
  Expr *insert_where = nullptr;
};

// Sequence options, also the options of an identity column.
struct SequenceOptions : Node {
  Expr *start = nullptr;
  bool start_limit = false;  // START WITH LIMIT VALUE
  Expr *increment = nullptr;
  Expr *minvalue = nullptr;
  bool nominvalue = false;
  Expr *maxvalue = nullptr;
  bool nomaxvalue = false;
  uint8_t cycle = 0;  // 0 unstated, 1 CYCLE, 2 NOCYCLE
  Expr *cache = nullptr;
  bool nocache = false;
  uint8_t order = 0;  // 0 unstated, 1 ORDER, 2 NOORDER
  bool restart = false;
};

enum class ConstraintKind : uint8_t { kNotNull, kNull, kPrimaryKey, kUnique, kForeignKey,
                                      kCheck };

struct Constraint : Node {
  ConstraintKind kind = ConstraintKind::kNotNull;
  Ident *name = nullptr;
  List<Ident> columns;     // out of line: its columns
  Name ref_table;          // FOREIGN KEY ... REFERENCES
  List<Ident> ref_columns;
  uint8_t on_delete = 0;   // 0 none, 1 CASCADE, 2 SET NULL
  Expr *check = nullptr;
  uint8_t enabled = 0;     // 0 unstated, 1 ENABLE, 2 DISABLE
  uint8_t validate = 0;    // 0 unstated, 1 VALIDATE, 2 NOVALIDATE
  uint8_t deferrable = 0;  // 0 unstated, 1 DEFERRABLE, 2 NOT DEFERRABLE
  uint8_t initially = 0;   // 0 unstated, 1 IMMEDIATE, 2 DEFERRED
};

struct ColumnDef : Node {
  Ident *name = nullptr;
  TypeName *type = nullptr;  // null: virtual column or CTAS column list
  Expr *default_value = nullptr;
  bool default_on_null = false;
  uint8_t identity = 0;  // 0 none, 1 ALWAYS, 2 BY DEFAULT, 3 BY DEFAULT ON NULL
  SequenceOptions *identity_options = nullptr;
  Expr *virtual_expr = nullptr;  // [GENERATED ALWAYS] AS (expr) [VIRTUAL]
  uint8_t visibility = 0;  // 0 unstated, 1 VISIBLE, 2 INVISIBLE
  List<Constraint> constraints;
};

struct CreateTableStmt : Statement {
  Name name;
  uint8_t temporary = 0;  // 0 no, 1 GLOBAL TEMPORARY, 2 PRIVATE TEMPORARY
  uint8_t on_commit = 0;  // 0 unstated, 1 DELETE ROWS, 2 PRESERVE ROWS
  List<ColumnDef> columns;
  List<Constraint> constraints;  // out of line
  Query *as_query = nullptr;
};

enum class AlterAction : uint8_t {
  kAddColumns, kModifyColumns, kDropColumns, kRenameColumn,
  kAddConstraints, kDropConstraint, kEnableConstraint, kDisableConstraint,
  kModifyConstraint, kRenameConstraint, kRenameTable, kIgnored,
};

struct AlterItem : Node {
  AlterAction action = AlterAction::kIgnored;
  List<ColumnDef> columns;
  List<Constraint> constraints;
  List<Ident> names;           // dropped columns; DROP UNIQUE (cols)
  Ident *name = nullptr;       // constraint or column named
  Ident *new_name = nullptr;   // RENAME ... TO
  Name new_table;              // RENAME TO
  uint8_t key = 0;             // DROP/ENABLE/DISABLE: 0 CONSTRAINT name, 1 PRIMARY KEY, 2 UNIQUE (names)
  bool cascade = false;
  uint8_t validate = 0;        // 0 unstated, 1 VALIDATE, 2 NOVALIDATE
  std::string_view text;       // kIgnored: the clause as written
};

struct AlterTableStmt : Statement {
  Name name;
  List<AlterItem> items;
};

struct CreateViewStmt : Statement {
  bool or_replace = false;
  bool force = false;
  Name name;
  List<Ident> columns;
  Query *query = nullptr;
  uint8_t with = 0;  // 0 none, 1 READ ONLY, 2 CHECK OPTION
  Ident *constraint = nullptr;
};

struct CreateIndexStmt : Statement {
  uint8_t unique = 0;  // 0 plain, 1 UNIQUE, 2 BITMAP
  Name name;
  Name table;
  List<OrderItem> items;
};

struct SequenceStmt : Statement {  // kCreateSequence, kAlterSequence
  Name name;
  SequenceOptions *options = nullptr;
};

struct CreateSynonymStmt : Statement {
  bool or_replace = false;
  bool is_public = false;
  Name name;
  Name target;  // target.dblink for a remote object
};

enum class ObjectKind : uint8_t { kTable, kView, kIndex, kSequence, kSynonym, kProcedure,
                                  kFunction, kPackage, kPackageBody, kTrigger, kType,
                                  kMaterializedView };

struct DropStmt : Statement {
  ObjectKind object = ObjectKind::kTable;
  Name name;
  bool is_public = false;
  bool cascade_constraints = false;
  bool purge = false;
  bool force = false;
};

struct TruncateStmt : Statement {
  Name name;
};

struct CommentStmt : Statement {
  bool column = false;  // COMMENT ON COLUMN t.c (else TABLE)
  Name name;
  Expr *text = nullptr;  // a string literal
};

struct TransactionStmt : Statement {  // kCommit, kRollback, kSavepoint
  Ident *savepoint = nullptr;  // ROLLBACK TO name, SAVEPOINT name
};

struct SessionSetting : Node {
  Ident *name = nullptr;
  Expr *value = nullptr;  // a literal, or kName for a bare word
};

struct AlterSessionStmt : Statement {
  List<SessionSetting> settings;
};

struct UserStmt : Statement {  // kCreateUser, kAlterUser, kDropUser
  Ident *name = nullptr;
  Ident *password = nullptr;  // IDENTIFIED BY; null when not given
  bool cascade = false;
};

struct BlockStmt : Statement {
  uint16_t oci_type = 8;  // 8 BEGIN, 9 DECLARE, 5 CREATE ...
  std::string_view text;  // the whole statement
};

}  // namespace kestrel_engine::sql

#endif
