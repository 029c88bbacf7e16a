/*
** What the resolver needs to know about the schema: tables and views with
** their columns and declared types, and the sequences. An interface, so a
** server back end (or a test) can answer from elsewhere; SqliteCatalog
** answers from one SQLite connection's schema.
*/
#ifndef KESTREL_ENGINE_SQL_RESOLVE_CATALOG_H
#define KESTREL_ENGINE_SQL_RESOLVE_CATALOG_H

#include <sqlite3.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sql/resolve/OracleType.h"

namespace kestrel_engine::sql {

struct CatalogColumn {
  std::string name;  // as the schema stores it
  OracleType type;
  std::string default_sql;  // the column's DEFAULT as SQLite SQL; empty: none
};

struct CatalogTable {
  std::string name;  // as the schema stores it
  std::string owner;  // the creating user, when the catalog records one
  bool view = false;
  std::vector<CatalogColumn> columns;
};

// Names as Oracle compares them: the schema may store them in any case.
bool SameName(std::string_view a, std::string_view b);

class Catalog {
 public:
  virtual ~Catalog();
  // The table or view `name` (already folded as Oracle folds it) in
  // `schema` (empty: the session's); null when there is none.
  virtual const CatalogTable *FindTable(std::string_view schema, std::string_view name) = 0;
  virtual bool HasSequence(std::string_view name) = 0;
};

// Reads PRAGMA table_info on first use of each name and keeps the answer:
// one instance per statement being prepared, or cleared when the schema
// changes. The engine's own kestrel$ tables are never found.
class SqliteCatalog : public Catalog {
 public:
  explicit SqliteCatalog(sqlite3 *db) : db_(db) {}
  const CatalogTable *FindTable(std::string_view schema, std::string_view name) override;
  bool HasSequence(std::string_view name) override;
  void Clear() { tables_.clear(); }

 private:
  sqlite3 *db_;
  std::map<std::string, std::unique_ptr<CatalogTable>, std::less<>> tables_;
};

}  // namespace kestrel_engine::sql

#endif
