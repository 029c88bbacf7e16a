/*
** The catalog PL/SQL resolves its SQL against: the connection's schema,
** read with the engine's own rights, so that the owners of tables and
** the stored functions SQL may call (kept in kestrel$ tables) are found
** while client SQL still cannot read those tables.
*/
#ifndef KESTREL_ENGINE_PLSQL_ENGINECATALOG_H
#define KESTREL_ENGINE_PLSQL_ENGINECATALOG_H

#include "session/Connection.h"
#include "sql/resolve/Catalog.h"

namespace kestrel_engine::plsql {

class EngineCatalog : public sql::SqliteCatalog {
 public:
  explicit EngineCatalog(Connection &connection)
      : SqliteCatalog(connection.db()), connection_(connection) {}
  const sql::CatalogTable *FindTable(std::string_view schema, std::string_view name) override {
    Connection::InternalScope scope(connection_);
    return SqliteCatalog::FindTable(schema, name);
  }
  bool FindFunction(std::string_view qualifier, std::string_view name, std::string *qualified,
                    sql::OracleType *returns) override {
    Connection::InternalScope scope(connection_);
    return SqliteCatalog::FindFunction(qualifier, name, qualified, returns);
  }

 protected:
  bool MakeOnFirstUse(std::string_view name) override {
    return connection_.MakeDictionaryView(name);
  }

 private:
  Connection &connection_;
};

}  // namespace kestrel_engine::plsql

#endif
