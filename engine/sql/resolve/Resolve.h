/*
** The resolver: binds every name of a parsed statement against a Catalog
** (FROM items, aliases, correlated subqueries, WITH queries, select-list
** names in ORDER BY, sequences, pseudo-columns) and gives every expression
** its Oracle type. Back ends write their SQL from the tree plus this.
*/
#ifndef KESTREL_ENGINE_SQL_RESOLVE_RESOLVE_H
#define KESTREL_ENGINE_SQL_RESOLVE_RESOLVE_H

#include <stdint.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sql/ast/Statements.h"
#include "sql/resolve/Catalog.h"
#include "sql/resolve/OracleType.h"
#include "sql/resolve/SemanticError.h"

namespace kestrel_engine::sql {

// A result column (or a FROM item's column): the name as Oracle prints it
// and its type.
struct ColumnInfo {
  std::string name;
  OracleType type;
};

// What a name expression (ExprKind::kName) turned out to be.
enum class NameBinding : uint8_t {
  kNone,          // not a name, or a pseudo-column kept by its text
  kColumn,        // source.column
  kNextval,       // column holds the sequence's stored name
  kCurrval,
  kSelectItem,    // ORDER BY naming a select-list item: `ordinal`
  kPseudo,        // SYSDATE, SYSTIMESTAMP, USER, ROWNUM, ...: `column` its name
  kHostValue,     // a value the caller binds (a PL/SQL name): parameter `ordinal`
  kStoredCall,    // a call of a stored function: `column` is OWNER.[PACKAGE.]NAME
};

struct ExprInfo {
  OracleType type;
  NameBinding binding = NameBinding::kNone;
  std::string_view source;  // kColumn: the FROM item's name (its alias)
  std::string_view column;  // kColumn: the stored column name; sequences, pseudo
  uint32_t ordinal = 0;     // kSelectItem: 1-based
  // kColumn: an unqualified JOIN ... USING or NATURAL JOIN column, which
  // is either side's value (the one that is not NULL in an outer join).
  bool joined = false;
};

// A FROM item: the name the emitted SQL calls it by, and for a table
// the catalog's entry (null for DUAL, subqueries, joins).
struct SourceInfo {
  std::string_view alias;
  const CatalogTable *table = nullptr;
  bool dual = false;
};

// One column a * or t.* stands for.
struct StarColumn {
  std::string_view source;  // the FROM item's name (empty: an unnamed inline view)
  std::string_view column;
};

// A PIVOT or UNPIVOT: the source's columns it keeps, and the names of
// the columns a PIVOT adds.
struct PivotInfo {
  std::vector<std::string> kept;
  std::vector<std::string> names;  // PIVOT: a column per IN value and aggregate
};

// The statement with its bindings. The statement's text and arena and the
// catalog must outlive it (names are views into them).
struct ResolvedStatement {
  const Statement *statement = nullptr;
  std::string_view text;
  // A query's (or a set operation's) result columns, for describe: the
  // type is the expression's, not its first row's.
  std::vector<ColumnInfo> columns;
  bool for_update = false;   // FOR UPDATE given: the caller takes the write lock
  int lock_wait_ms = -1;     // NOWAIT 0, WAIT n, -1 unstated

  const ExprInfo *Info(const Expr *e) const {
    const auto found = exprs.find(e);
    return found == exprs.end() ? nullptr : &found->second;
  }
  const SourceInfo *Source(const TableRef *t) const {
    const auto found = sources.find(t);
    return found == sources.end() ? nullptr : &found->second;
  }

  std::unordered_map<const Expr *, ExprInfo> exprs;
  std::unordered_map<const TableRef *, SourceInfo> sources;
  std::unordered_map<const Expr *, std::vector<StarColumn>> stars;
  std::unordered_map<const TableRef *, PivotInfo> pivots;
  // Names made during resolution (inline views' and WITH queries' columns)
  // that ExprInfo::column may point into.
  std::vector<std::unique_ptr<std::string>> owned;
};

// Names outside the statement's tables (PL/SQL variables, parameters,
// record fields, :NEW.col, binds of a block), asked after the tables and
// before pseudo-columns. A name it takes becomes NameBinding::kHostValue
// with the ordinal it gives, and the back end writes a numbered parameter.
class NameScope {
 public:
  virtual ~NameScope();
  virtual bool Lookup(const Expr &e, OracleType *type, uint32_t *ordinal) = 0;
};

// The offset of an expression's first token (a binary node's own offset is
// its operator's).
uint32_t StartOf(const Expr *e);

// Throws SemanticError (ORA-00942, 00904, 00918, 00932, 00937, 00979,
// 02289, 01789) with the offending node's offset.
ResolvedStatement Resolve(const Statement &statement, std::string_view text, Catalog &catalog);
ResolvedStatement Resolve(const Statement &statement, std::string_view text, Catalog &catalog,
                          NameScope *names);

}  // namespace kestrel_engine::sql

#endif
