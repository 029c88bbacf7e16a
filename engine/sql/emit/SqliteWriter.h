/*
** The SQLite back end's writer: one instance per statement, appending to
** one string. Expressions (SqliteExpr.cpp) and queries and statements
** (SqliteQuery.cpp) are written by the methods below.
*/
#ifndef KESTREL_ENGINE_SQL_EMIT_SQLITEWRITER_H
#define KESTREL_ENGINE_SQL_EMIT_SQLITEWRITER_H

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sql/emit/Backend.h"
#include "sql/resolve/Resolve.h"

namespace kestrel_engine::sql {

// SQLite's spelling of a comparison operator (" = ", " <> ", ...), null
// for any other operator.
const char *ComparisonOp(Op op);

class SqliteWriter {
 public:
  explicit SqliteWriter(const ResolvedStatement &r) : r_(r) { out_.reserve(r.text.size() * 2); }

  void Statement(const sql::Statement &s);
  std::vector<EmittedStep> Merge(const MergeStmt &s);
  std::vector<EmittedStep> MultiInsert(const MultiInsertStmt &s);
  std::string Take() { return std::move(out_); }

 private:
  // Expressions
  void Expr(const sql::Expr *e);
  void Binary(const sql::Expr *e);
  // Interval ± interval, interval × or ÷ number; false when neither side
  // is an interval.
  bool IntervalOperation(const sql::Expr *e, const OracleType &a, const OracleType &b);
  void Name(const sql::Expr *e);
  void Function(const sql::Expr *e);
  // A stored function's call (SqliteStoredCall.cpp).
  void StoredCall(const sql::Expr *e, const ExprInfo &info);
  // OVER, WITHIN GROUP, KEEP (SqliteAnalytic.cpp, SqliteSortedAggregates.cpp)
  void FunctionClauses(const sql::Expr *e);
  void Analytic(const sql::Expr *e);
  void IgnoreNulls(const sql::Expr *e);
  void DistinctCount(const sql::Expr *e);  // COUNT/SUM/AVG(DISTINCT x) OVER (...)
  void Over(const Window &w, const sql::List<OrderItem> *order);
  void ListAgg(const sql::Expr *e);
  void Percentile(const sql::Expr *e);
  void Keep(const sql::Expr *e);
  // ", key, flags" per ORDER BY item: flags 1 DESC, 2 NULLS FIRST.
  void SortKeys(const sql::List<OrderItem> &order);
  void Cast(const sql::Expr *e);
  // `e` where a number is wanted: text goes through TO_NUMBER.
  void AsNumber(const sql::Expr *e);
  // `e` as text for ||: dates in the session's format.
  void AsText(const sql::Expr *e);
  // One side of a comparison against a value of type `other`.
  void Compared(const sql::Expr *e, const OracleType &other);
  void List(const sql::List<sql::Expr> &items);
  void QuantifiedSubquery(const sql::Expr *e);  // x > ANY (subquery), ...
  // A subquery of an expression: the only place a query can name an outer
  // query's columns, which SQLite's LIMIT cannot see.
  void SubqueryOf(const sql::Expr *e) {
    ++correlatable_;
    Query(e->query);
    --correlatable_;
  }

  // Queries
  void Query(const sql::Query *q);
  void QueryBody(const sql::Query *q);
  void SetMember(const sql::Query *q);
  void SetAll(const sql::Query *q);  // INTERSECT ALL, MINUS ALL (SqliteSetAll.cpp)
  void With(const sql::List<Cte> &with);
  void Block(const sql::Query *q);
  void SelectList(const sql::Query *q);
  void FromList(const sql::Query *q);
  // The FROM list and a WHERE of `where` ANDed; Oracle's (+) conditions
  // become LEFT JOINs (SqliteOuterJoin.cpp).
  void FromWhere(const sql::Query *q, const std::vector<const sql::Expr *> &where);
  bool OuterJoinFrom(const sql::Query *q, const std::vector<const sql::Expr *> &where);
  static std::vector<const sql::Expr *> Conjuncts(const sql::Expr *where);
  void GroupBy(const sql::Query *q);  // and HAVING
  void From(const TableRef *t);
  void Order(const sql::List<OrderItem> &order);
  void Limit(const sql::Query *q);  // OFFSET and FETCH (SqliteRowLimit.cpp)
  // ORDER BY keys inside OVER (...): a select-list name or position of
  // `block` (null: none) written as the item's expression.
  void OrderKeys(const sql::List<OrderItem> &order, const sql::Query *block);

  // ROWNUM (SqliteRownum.cpp): a block that names it directly (not only
  // in its subqueries) numbers its rows before grouping and sorting.
  bool MentionsPseudo(const sql::Query *q, std::string_view name) const;
  void RownumBlock(const sql::Query *q);
  void RownumLimit(const std::vector<const sql::Expr *> &conditions);
  void Pseudo(const sql::Expr *e, const ExprInfo &info);
  // The aliases of the FROM items of `q`, joins taken apart (each item
  // must have one).
  std::vector<std::string_view> FromAliases(const sql::Query *q);
  void RownumJoinBlock(const sql::Query *q, const std::vector<const sql::Expr *> &conditions,
                       const std::vector<const sql::Expr *> &rest, bool counted);
  // ROWNUM beside columns or under OR: kestrel_rownum numbers the rows.
  bool IsRownum(const sql::Expr *e) const;
  void RownumProgram(const sql::Expr *c, std::string *program);
  void RownumCounted(const std::vector<const sql::Expr *> &conditions);
  bool WrappedName(const ExprInfo &info);

  // CONNECT BY (SqliteHierarchy.cpp). The phase says which row a name
  // reads: the candidate root, the child beside its parent "kestrel$p",
  // or the finished row.
  struct Hierarchy {
    enum Phase : uint8_t { kStart, kConnect, kSelect };
    Phase phase = kStart;
    std::string_view alias;
    bool nocycle = false;
    bool in_prior = false;
    bool rownum_is_level = false;  // CONNECT BY ROWNUM <= n over DUAL
    std::vector<const sql::Expr *> carried;  // PRIOR, CONNECT_BY_ROOT, SYS_CONNECT_BY_PATH
  };
  void HierarchyBlock(const sql::Query *q);
  void HierarchyJoin(const sql::Query *q, std::vector<const sql::Expr *> *joining,
                     std::vector<const sql::Expr *> *after);
  bool HierarchyColumn(const ExprInfo &info);
  void HierarchyValue(const sql::Expr *e);
  void HierarchyPseudo(const sql::Expr *e, std::string_view name);
  void SearchCycleCte(const sql::Cte *c);

  // ROLLUP, CUBE, GROUPING SETS (SqliteGrouping.cpp): the grouping set
  // being written, and every grouping expression.
  struct Grouping {
    std::vector<const sql::Expr *> all;
    std::vector<const sql::Expr *> set;
    int repeat = 0;            // GROUP_ID
    int inside_aggregate = 0;  // an aggregate's arguments see the rows
  };
  static bool UsesGroupingSets(const sql::Query *q);
  bool GroupingSetsBlock(const sql::Query *q);
  bool GroupingExpr(const sql::Expr *e);  // true when written
  bool SameGrouped(const sql::Expr *a, const sql::Expr *b) const;

  // SQL/JSON (SqliteJson.cpp)
  bool JsonFunction(const sql::Expr *e);  // false: not one of them
  void JsonDocument(const sql::Expr *doc);
  std::string JsonPath(const sql::Expr *path);
  void JsonMember(const sql::Expr *v, bool formatJson);
  void IsJson(const sql::Expr *e);
  struct JsonLevel {
    const sql::List<JsonColumn> *columns;
    std::string path;
    bool each;  // the path ended in [*]
  };
  std::vector<JsonLevel> JsonLevels(const TableRef *t);
  void JsonLevelName(const TableRef *t, size_t level);
  void JsonContext(const TableRef *t, size_t level);
  void JsonTable(const TableRef *t);
  // A JSON_TABLE column is written as its value's expression.
  bool JsonTableColumn(const ExprInfo &info);
  void JsonColumnValue(const TableRef *t, size_t level, const JsonColumn *c);

  // MAX(SUM(x)) (SqliteNestedAggregates.cpp)
  bool NestedAggregateBlock(const sql::Query *q);
  bool NestedAggregateRef(const sql::Expr *e);

  // PIVOT, UNPIVOT (SqlitePivot.cpp)
  void Pivot(const TableRef *t);

  // Statements
  void Insert(const InsertStmt &s);
  void Update(const UpdateStmt &s);
  void Delete(const DeleteStmt &s);
  void Target(const TableRef *t, bool alias);
  // `value` as written into `column`, held to its declared type.
  void Fitted(const sql::Expr *value, const CatalogTable &table, const CatalogColumn &column);
  void FittedText(std::string_view value, const CatalogTable &table, const CatalogColumn &column);
  void Fit(const CatalogTable &table, const CatalogColumn &column,
           const std::function<void()> &value);
  const CatalogColumn *TargetColumn(const CatalogTable &table, std::string_view name) const;
  void ColumnDefault(const TableRef *target, std::string_view column, const sql::Expr *at);
  // `value` written into `column` of the table `target` names (bare when
  // the column is not known).
  void FittedInto(const TableRef *target, std::string_view column, const sql::Expr *value);
  // SET (a, b) = (subquery): each value held to its column, NULLs for no
  // row, ORA-01427 for more than one.
  static constexpr size_t kAllColumns = static_cast<size_t>(-1);
  void FittedRow(const SetItem &item, const CatalogTable &table, size_t only = kAllColumns);
  // The n-th column an INSERT writes: of `named`, else of the table.
  std::string_view ColumnAt(const TableRef *target, const sql::List<sql::Ident> &named,
                            size_t n) const;
  void Returning(const sql::Returning *r);
  // MERGE's branches written without BEFORE ROW triggers (SqliteMerge.cpp).
  void MergeSet(const MergeStmt &s);
  // The " [(columns)] SELECT values" of MERGE's INSERT branch and of an
  // INTO of INSERT ALL, each value fitted to its column
  // (SqliteMultiInsert.cpp).
  void InsertSelectValues(const TableRef *target, const sql::List<sql::Ident> &columns,
                          const sql::List<sql::Expr> &values);
  // INSERT and UPDATE through BEFORE ROW triggers that assign :NEW
  // (SqliteBeforeRow.cpp).
  void InsertBeforeRow(const InsertStmt &s, const CatalogTable &table);
  void UpdateBeforeRow(const UpdateStmt &s, const CatalogTable &table);
  void BeforeRowValues(const CatalogTable &table, uint8_t event, const std::vector<std::string> &given,
                       std::string_view alias, std::vector<size_t> *written,
                       std::vector<std::string> *values);
  std::string Captured(const std::function<void()> &write);
  // The fitted value an UPDATE's SET gives each column, by the table's
  // order ("" for those it leaves).
  std::vector<std::string> SetGiven(const sql::List<SetItem> &set, const CatalogTable &table);
  // "c = v, ..." of an UPDATE through the triggers; `alias` names the old row.
  void BeforeRowSet(const CatalogTable &table, const std::vector<std::string> &given, std::string_view alias);
  // An INSERT's values by the table's order: the i-th of `count` values
  // (value(i, its column); "" for DEFAULT) goes to the i-th of `named`,
  // or of all the table's columns when none are named.
  std::vector<std::string> InsertGiven(const CatalogTable &table, const sql::List<sql::Ident> &named,
                                       size_t count, uint32_t pos,
                                       const std::function<std::string(size_t, const CatalogColumn &)> &value);
  // " (columns) SELECT values" of an INSERT ... SELECT through the triggers.
  void BeforeRowInsertSelect(const CatalogTable &table, const std::vector<std::string> &given, uint32_t pos);

  [[noreturn]] void Unsupported(uint32_t pos);
  void Ident(std::string_view name);
  void Literal(std::string_view text);
  OracleType TypeOf(const sql::Expr *e) const {
    const ExprInfo *info = r_.Info(e);
    return info ? info->type : OracleType{};
  }
  void Put(std::string_view s) { out_.append(s.data(), s.size()); }

  const ResolvedStatement &r_;
  std::string out_;
  // What ROWNUM is written as in the block being written (empty: outside
  // any block that numbers its rows), and the FROM item whose rowid a
  // numbered block carries as a column.
  std::string rownum_;
  std::string_view rowid_carried_;
  // A numbered block over several FROM items reads their columns from the
  // wrapper "kestrel$w", as "kestrel$c<index>".
  struct WrappedColumn {
    std::string_view source;
    std::string_view column;
    bool joined;
  };
  // Adds a column a wrapped join block reads, once.
  static void AddWrapped(std::vector<WrappedColumn> *columns, std::string_view source,
                         std::string_view column, bool joined);
  // Adds the columns `e` reads of the block's own FROM items (those `own`
  // accepts): a star's, and the names bound to them; `joinedNames` adds a
  // USING or NATURAL join's merged column too.
  void ReadWrapped(const sql::Expr *e, const std::function<bool(std::string_view)> &own,
                   bool joinedNames, std::vector<WrappedColumn> *columns);
  const std::vector<WrappedColumn> *wrapped_ = nullptr;
  std::vector<std::unique_ptr<std::vector<WrappedColumn>>> wrapped_storage_;
  int correlatable_ = 0;
  bool outer_join_on_ = false;
  bool returning_ = false;  // RETURNING names the target's columns bare
  const sql::Query *single_alias_ = nullptr;  // its one item is "kestrel$q"
  std::vector<const sql::Query *> positional_;  // items named "kestrel$1", ...
  Hierarchy *hier_ = nullptr;
  Grouping *grouping_ = nullptr;
  const std::vector<const sql::Expr *> *nested_ = nullptr;  // inner aggregates
  std::vector<std::unique_ptr<Hierarchy>> hier_storage_;  // writing a LEFT JOIN made of (+) conditions
  // A recursive WITH with SEARCH or CYCLE (SqliteSearchCycle.cpp): its
  // members read the working copy `internal` where they name `self`, and
  // `block`'s select list ends in the columns `items` writes.
  struct SearchCycle {
    std::string_view self;
    std::string internal;
    const sql::Query *block = nullptr;
    std::function<void()> items;
  };
  SearchCycle *search_cycle_ = nullptr;
};

}  // namespace kestrel_engine::sql

#endif
