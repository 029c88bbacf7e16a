/*
** The syntax tree of Oracle SQL: expressions, queries, table references
** and the statements. Nodes are plain structs in the statement's Arena;
** strings are views into the statement text or into the arena, so the
** text must outlive the tree. Each kind documents which fields it uses.
*/
#ifndef KESTREL_ENGINE_SQL_AST_AST_H
#define KESTREL_ENGINE_SQL_AST_AST_H

#include "sql/ast/Node.h"

namespace kestrel_engine::sql {

struct Query;
struct Window;
struct FuncExtra;

enum class ExprKind : uint8_t {
  kNumber,      // text as written; flags kBinaryFloat/kBinaryDouble for f/d
  kString,      // text = value (quotes removed, '' undone); kNational
  kNull,
  kDateLit,     // DATE 'text'
  kTimestampLit,  // TIMESTAMP 'text'
  kIntervalLit,   // INTERVAL 'text' qualifier: type holds the fields
  kBind,        // :text (name or number); PL/SQL :NEW.col keeps col in name
  kName,        // name (column, pseudo-column, seq.NEXTVAL); kOuterJoin for (+)
  kStar,        // * or name.*
  kUnary,       // op left
  kBinary,      // left op right (arithmetic, ||, comparison)
  kLogical,     // args joined by op (AND or OR), two or more: flat, so that
                // long generated conditions do not make a deep tree
  kLike,        // left [NOT] op right [ESCAPE third]
  kBetween,     // left [NOT] BETWEEN right AND third
  kIn,          // left [NOT] IN (args) or IN (query)
  kIsNull,      // left IS [NOT] NULL
  kIsJson,      // left IS [NOT] JSON
  kExists,      // EXISTS (query)
  kQuantified,  // left op ANY|ALL (args | query): quantifier in `quant`
  kSubquery,    // (query)
  kRow,         // (args): a row value or a composite grouping column
  kCase,        // CASE [left] args (kWhen) [ELSE right] END
  kWhen,        // WHEN left THEN right
  kCast,        // CAST(left AS type)
  kExtract,     // EXTRACT(text FROM left): text is the field's name
  kTrim,        // TRIM([trim_spec] [right] FROM left), trim_spec 0..3
  kFunction,    // name(args) [extra]: aggregates, analytics, JSON functions
  kNamedArg,    // text => left
  kJsonPair,    // [KEY] left VALUE right (JSON_OBJECT); kFormatJson
  kAtTimeZone,  // left AT TIME ZONE right | AT LOCAL (right null)
  kDefault,     // DEFAULT in VALUES or SET
  kRollup,      // ROLLUP(args)
  kCube,        // CUBE(args)
  kGroupingSets,  // GROUPING SETS(args)
  kEmptyGroup,  // () in GROUPING SETS
  // PL/SQL
  kBoolean,     // TRUE or FALSE: text
  kCursorAttr,  // name%text (FOUND, NOTFOUND, ROWCOUNT, ISOPEN, BULK_ROWCOUNT...)
  kMember,      // left.name: a field of an element, t(i).field
  kCurrentOf,   // CURRENT OF name: a DML's whole WHERE in PL/SQL
};

enum class Op : uint8_t {
  kNone,
  // unary
  kNeg, kPlus, kNot, kPrior, kConnectByRoot,
  // binary, by precedence group
  kMul, kDiv, kAdd, kSub, kConcat,
  kPow,  // PL/SQL **: binds tighter than unary minus, right to left
  kEq, kNe, kLt, kLe, kGt, kGe,
  kAnd, kOr,
  // LIKE family
  kLike, kLikeC, kLike2, kLike4,
};

enum ExprFlag : uint16_t {
  kNegated = 1 << 0,       // NOT IN, NOT LIKE, NOT BETWEEN, IS NOT ...
  kOuterJoin = 1 << 1,     // column (+)
  kNational = 1 << 2,      // N'...'
  kBinaryFloat = 1 << 3,   // 2f
  kBinaryDouble = 1 << 4,  // 2d
  kDistinct = 1 << 5,      // f(DISTINCT ...)
  kAllArgs = 1 << 6,       // f(ALL ...)
  kFormatJson = 1 << 7,    // ... FORMAT JSON
  kIgnoreNulls = 1 << 8,   // f(x) IGNORE NULLS
  kAnyQuant = 1 << 9,      // kQuantified: ANY/SOME (else ALL)
};

struct Expr : Node {
  ExprKind kind = ExprKind::kNull;
  Op op = Op::kNone;
  uint8_t trim_spec = 0;  // kTrim: 0 none, 1 LEADING, 2 TRAILING, 3 BOTH
  uint16_t flags = 0;
  std::string_view text;
  Name name;
  Expr *left = nullptr;
  Expr *right = nullptr;
  Expr *third = nullptr;
  List<Expr> args;
  Query *query = nullptr;
  TypeName *type = nullptr;
  FuncExtra *extra = nullptr;  // kFunction: analytic and special clauses
  // Where the PL/SQL interpreter last found the variable this name's
  // first part names: the scope of its innermost frame then, how many
  // frames out, and the symbol there; and the variable itself with the
  // serial number of that innermost frame. Checked before each use
  // (engine/plsql/NameSlots.cpp); parsing leaves it empty.
  mutable const void *found_scope = nullptr;
  mutable const char *found_name = nullptr;
  mutable uint32_t found_hops = 0;
  mutable uint32_t found_symbol = 0;
  mutable void *found_var = nullptr;
  mutable uint64_t found_frame = 0;
};

struct OrderItem : Node {
  Expr *expr = nullptr;
  bool desc = false;
  uint8_t nulls = 0;  // 0 unstated, 1 NULLS FIRST, 2 NULLS LAST
};

// One end of a window frame.
struct FrameBound {
  enum Kind : uint8_t { kNone, kUnboundedPreceding, kPreceding, kCurrentRow, kFollowing,
                        kUnboundedFollowing };
  Kind kind = kNone;
  Expr *offset = nullptr;
};

struct Window : Node {
  List<Expr> partition;
  List<OrderItem> order;
  uint8_t units = 0;  // 0 no frame, 1 ROWS, 2 RANGE, 3 GROUPS
  bool between = false;
  FrameBound start;
  FrameBound end;
};

// The ON ERROR / ON EMPTY behaviour of a JSON function.
struct JsonOn {
  enum Kind : uint8_t { kNone, kError, kNull, kDefault, kEmpty, kEmptyArray, kEmptyObject,
                        kTrue, kFalse };
  Kind kind = kNone;
  Expr *value = nullptr;  // DEFAULT value
};

struct FuncExtra : Node {
  Window *over = nullptr;             // OVER (...)
  List<OrderItem> within_group;       // WITHIN GROUP (ORDER BY ...)
  bool has_within_group = false;
  List<OrderItem> order;              // ORDER BY inside the arguments (JSON_ARRAYAGG)
  uint8_t keep = 0;                   // KEEP (DENSE_RANK 1 FIRST | 2 LAST ORDER BY ...)
  List<OrderItem> keep_order;
  // LISTAGG(... ON OVERFLOW ...): 0 none, 1 ERROR, 2 TRUNCATE
  uint8_t overflow = 0;
  Expr *overflow_filler = nullptr;
  uint8_t overflow_count = 0;         // 0 unstated, 1 WITH COUNT, 2 WITHOUT COUNT
  // JSON functions
  TypeName *returning = nullptr;
  uint8_t wrapper = 0;                // 0 none, 1 WITHOUT, 2 WITH, 3 WITH CONDITIONAL, 4 WITH UNCONDITIONAL
  uint8_t null_on_null = 0;           // 0 unstated, 1 NULL ON NULL, 2 ABSENT ON NULL
  bool pretty = false;
  bool strict = false;
  bool with_unique_keys = false;
  JsonOn on_error;
  JsonOn on_empty;
};

// kParens keeps a parenthesised query whose own WITH, ORDER BY or FETCH
// must stay inside when outer clauses follow.
enum class QueryKind : uint8_t { kBlock, kSetOp, kParens };
enum class SetOp : uint8_t { kUnion, kIntersect, kMinus, kExcept };

struct SelectItem : Node {
  Expr *expr = nullptr;
  Ident *alias = nullptr;
};

struct TableRef;

// WITH name [(columns)] AS (query) [SEARCH ...] [CYCLE ...]
struct Cte : Node {
  Ident *name = nullptr;
  List<Ident> columns;
  Query *query = nullptr;
  uint8_t search = 0;  // 0 none, 1 DEPTH FIRST, 2 BREADTH FIRST
  List<OrderItem> search_by;
  Ident *search_set = nullptr;
  List<Ident> cycle;  // CYCLE columns SET mark TO value DEFAULT value
  Ident *cycle_set = nullptr;
  Expr *cycle_to = nullptr;
  Expr *cycle_default = nullptr;
};

struct ForUpdate : Node {
  List<Expr> columns;
  uint8_t wait = 0;  // 0 unstated, 1 NOWAIT, 2 WAIT n, 3 SKIP LOCKED
  Expr *seconds = nullptr;
};

struct Query : Node {
  QueryKind kind = QueryKind::kBlock;
  // Clauses that may follow any query (also a set operation or a
  // parenthesised query).
  List<Cte> with;
  List<OrderItem> order_by;
  bool order_siblings = false;
  Expr *offset = nullptr;
  Expr *fetch = nullptr;
  bool fetch_percent = false;
  bool fetch_ties = false;
  ForUpdate *for_update = nullptr;
  // kBlock
  uint8_t quantifier = 0;  // 0 none, 1 DISTINCT (or UNIQUE), 2 ALL
  List<SelectItem> items;
  List<TableRef> from;
  Expr *where = nullptr;
  Expr *start_with = nullptr;
  Expr *connect_by = nullptr;
  bool nocycle = false;
  List<Expr> group_by;
  Expr *having = nullptr;
  // kSetOp (left, right); kParens (left)
  SetOp op = SetOp::kUnion;
  bool all = false;
  Query *left = nullptr;
  Query *right = nullptr;
  // PL/SQL: SELECT ... [BULK COLLECT] INTO targets FROM ...
  List<Expr> into;
  bool bulk_collect = false;
};

enum class TableKind : uint8_t { kTable, kSubquery, kJoin, kJsonTable, kCollection, kPivot,
                                 kUnpivot };
enum class JoinKind : uint8_t { kInner, kLeft, kRight, kFull, kCross };

struct JsonColumn : Node {
  enum Kind : uint8_t { kValue, kOrdinality, kExists, kQuery, kNested };
  Kind kind = kValue;
  Ident *name = nullptr;
  TypeName *type = nullptr;
  Expr *path = nullptr;  // PATH '...' (a string literal)
  List<JsonColumn> nested;
};

// A PIVOT aggregate or IN value with its alias; an UNPIVOT IN column (or
// row of columns) with its label (a literal or a row of literals).
struct PivotItem : Node {
  Expr *expr = nullptr;
  Ident *alias = nullptr;
  Expr *label = nullptr;
};

struct TableRef : Node {
  TableKind kind = TableKind::kTable;
  Name name;                    // kTable
  Query *query = nullptr;       // kSubquery
  bool lateral = false;
  Expr *expr = nullptr;         // kJsonTable source, kCollection TABLE(expr)
  Expr *path = nullptr;         // kJsonTable row path
  List<JsonColumn> columns;     // kJsonTable
  JoinKind join = JoinKind::kInner;  // kJoin
  bool natural = false;
  TableRef *left = nullptr;     // kJoin; kPivot/kUnpivot: the source
  TableRef *right = nullptr;
  Expr *on = nullptr;
  List<Ident> using_columns;
  // kPivot: aggregates FOR for_columns IN (values);
  // kUnpivot: [INCLUDE NULLS] (measures) FOR for_columns IN (values as row)
  List<PivotItem> aggregates;
  List<Ident> measures;
  List<Ident> for_columns;
  List<PivotItem> values;
  bool include_nulls = false;
  Ident *alias = nullptr;
};

}  // namespace kestrel_engine::sql

#endif
