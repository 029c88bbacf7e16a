/*
** Describing a query's select list after execution: names as the vendor
** reports them, types from the front end (or, for a statement it does not
** write yet, the declared column types or the first row),
** nullability and the origin of each column.
**
** Names: SQLite gives a column's name as the query wrote it (or the
** expression's text). The vendor folds unquoted identifiers to upper case,
** so the engine upper-cases a name unless the statement wrote that exact
** name as a quoted identifier ("Mixed Case" as a column or an alias).
** A column created with a quoted mixed-case name and selected through "*"
** therefore comes back upper-cased.
*/
#include "statement/StatementHandle.h"

#include "session/Connection.h"
#include "statement/DeclaredType.h"

namespace kestrel_engine {

namespace {

void VendorName(const char *sqliteName,
                const std::vector<std::string> &quotedNames,
                std::string *out) {
  const char *name = sqliteName ? sqliteName : "";
  for (const std::string &q : quotedNames) {
    if (q == name) {
      out->assign(name);
      return;
    }
  }
  *out = UpperAscii(name);
}

}  // namespace

void StatementHandle::Describe(bool haveRow) {
  columns_.resize(static_cast<size_t>(visibleColumns_));
  sqlite3 *db = connection_->db();
  for (int i = 0; i < visibleColumns_; ++i) {
    ColumnDescription &c = columns_[static_cast<size_t>(i)];
    const bool known = frontEnd_ && compiled_.columns.size() == columns_.size();
    const ResultColumn *r = known ? &compiled_.columns[static_cast<size_t>(i)] : nullptr;
    if (r != nullptr) {
      c.name = r->name;
    } else {
      VendorName(sqlite3_column_name(statement_, i), quotedNames_, &c.name);
    }
    // A stored column describes by its declaration as written; an
    // expression by the type the front end gave it; what neither knows
    // (a view's expression column) by its first value.
    const bool stored = DescribeDeclaredType(sqlite3_column_decltype(statement_, i), &c);
    if (!stored && r != nullptr && !r->type.guessed) {
      DescribeDeclaredType(sql::TypeText(r->type).c_str(), &c);
      // Only stored CHAR values are blank-padded: a CHAR expression (a
      // literal, a CASE of literals) keeps its length, as Oracle's do.
      if (c.dataType == SQLT_AFC) c.dataType = SQLT_CHR;
      if (r->type.Is(sql::TypeCategory::kNull)) c.dataSize = 0;  // VARCHAR2(0)
    } else if (!stored) {
      DescribeFromValue(haveRow ? sqlite3_column_type(statement_, i) : SQLITE_NULL, &c);
    }
    const char *database = sqlite3_column_database_name(statement_, i);
    const char *table = sqlite3_column_table_name(statement_, i);
    const char *column = sqlite3_column_origin_name(statement_, i);
    c.database.assign(database ? database : "");
    c.table.assign(table ? table : "");
    c.column.assign(column ? column : "");
    c.nullable = 1;
    if (table && column) {
      int notNull = 0;
      if (sqlite3_table_column_metadata(db, database, table, column, nullptr,
                                        nullptr, &notNull, nullptr,
                                        nullptr) == SQLITE_OK) {
        c.nullable = notNull ? 0 : 1;
      }
    }
    c.rowidColumn = (rowidColumn_ >= 0 && c.dataType == SQLT_BLOB &&
                     sqlite3_stricmp(c.table.c_str(), rowidTable_.c_str()) == 0)
                        ? rowidColumn_
                        : -1;
  }
}

}  // namespace kestrel_engine
