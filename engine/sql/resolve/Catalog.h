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
#include <utility>
#include <vector>

#include "sql/resolve/OracleType.h"

namespace kestrel_engine::sql {

struct CatalogColumn {
  std::string name;  // as the schema stores it
  OracleType type;
  std::string default_sql;        // SQLite's text of its DEFAULT, or empty
  bool trigger_assigned = false;  // a BEFORE ROW trigger may assign its :NEW
  bool virtual_column = false;  // computed from the others: never written
};

struct CatalogTable {
  std::string name;  // as the schema stores it
  std::string owner;  // the creating user, when the catalog records one
  bool view = false;
  bool with_errors = false;  // a view made with errors that still does not compile
  std::vector<CatalogColumn> columns;
  // TriggerEvent bits (insert 1, update 2) whose BEFORE ROW triggers assign
  // :NEW: the emitter routes each row's values through them.
  uint8_t before_row = 0;
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
  // The sequence `name` of `schema` (empty: the session's): fills the name
  // the engine stores it under. By default an unqualified HasSequence.
  virtual bool FindSequence(std::string_view schema, std::string_view name, std::string *stored);
  // Why FindTable found nothing: ORA-00942, or a synonym's ORA-00980
  // (its target is gone), 01775 (a looping chain) or 02019 (a remote one).
  // A view with errors is ORA-04063, its `detail` the view's name.
  virtual int MissingTableError(std::string_view schema, std::string_view name,
                                std::string *detail);
  // The sequence a synonym `name` stands for; false when it names none.
  virtual bool SequenceThroughSynonym(std::string_view name, std::string *sequence);
  // A stored function called from SQL: `qualifier` is its package or
  // owner, or OWNER.PACKAGE (empty when unqualified). Fills `qualified` (OWNER.NAME or
  // OWNER.PACKAGE.NAME) and the declared result type.
  virtual bool FindFunction(std::string_view qualifier, std::string_view name,
                            std::string *qualified, OracleType *returns);
};

// Reads PRAGMA table_info on first use of each name and keeps the answer:
// one instance per statement being prepared, or cleared when the schema
// changes. The engine's own kestrel$ tables are never found. A name that
// is no table or view is looked up as a synonym: the session user's
// private one, else a PUBLIC one, following a chain of them.
class SqliteCatalog : public Catalog {
 public:
  explicit SqliteCatalog(sqlite3 *db) : db_(db) {}
  // For compiling a view: `compiling` are the views being compiled
  // around it, which it does not find.
  SqliteCatalog(sqlite3 *db, std::vector<std::string> compiling)
      : db_(db), compiling_(std::move(compiling)) {}
  const CatalogTable *FindTable(std::string_view schema, std::string_view name) override;
  bool HasSequence(std::string_view name) override;
  bool FindSequence(std::string_view schema, std::string_view name, std::string *stored) override;
  int MissingTableError(std::string_view schema, std::string_view name,
                        std::string *detail) override;
  bool SequenceThroughSynonym(std::string_view name, std::string *sequence) override;
  bool FindFunction(std::string_view qualifier, std::string_view name, std::string *qualified,
                    OracleType *returns) override;
  void Clear() { tables_.clear(); }
  // The schema unqualified names resolve in, instead of the session's (a
  // view compiled for its owner).
  void SetHome(std::string schema) { home_ = std::move(schema); }

 protected:
  // Makes an unqualified `name` that is none of the schema's objects when
  // it is one the session makes on first use (a dictionary view); true
  // when it is there now.
  virtual bool MakeOnFirstUse(std::string_view) { return false; }

 private:
  void BeforeRowTriggers(CatalogTable &table);
  // The schema unqualified names resolve in (catalog/StorageNames.h).
  std::string Home();
  // The session may see `name` (its own, or granted to it).
  bool MayReach(std::string_view name);
  // FindFunction before the privilege check.
  bool FindFunctionUnit(std::string_view qualifier, std::string_view name, std::string *qualified,
                        OracleType *returns);
  std::unique_ptr<CatalogTable> ReadTable(std::string_view schema, std::string_view name);
  // A view made with errors (CREATE FORCE VIEW) compiled again, as its
  // first use after the objects it names appear does in Oracle.
  enum class Compiled { kValid, kRecompiled, kWithErrors };
  Compiled Recompile(const CatalogTable &table);
  // Follows the synonym `schema`.`name` (unqualified: the session's, then
  // PUBLIC) to an object `exists` accepts, whose name it stores in
  // `target`. 0 when found; 942 when `name` is no synonym; else the
  // chain's error.
  template <typename Exists>
  int FollowSynonym(std::string_view schema, std::string_view name, Exists exists,
                std::string *target);

  sqlite3 *db_;
  bool makingView_ = false;
  std::string home_;
  std::vector<std::string> compiling_;
  std::map<std::string, std::unique_ptr<CatalogTable>, std::less<>> tables_;
};

}  // namespace kestrel_engine::sql

#endif
