/*
** Where the name of a stored procedure, function or package leads, as
** Oracle resolves it: each schema has its own units; an unqualified name
** is the resolution schema's unit, else what that schema's private
** synonym, else a PUBLIC synonym, stands for; schema.name is that
** schema's unit (or its private synonym's). Privileges are the caller's
** to check.
*/
#ifndef KESTREL_ENGINE_PLSQL_UNITLOOKUP_H
#define KESTREL_ENGINE_PLSQL_UNITLOOKUP_H

#include <string>
#include <string_view>

namespace kestrel_engine {
class Connection;
}

namespace kestrel_engine::plsql {

struct UnitName {
  std::string owner;
  std::string name;
  std::string Qualified() const { return owner + "." + name; }
};

// The unit of one of `types` ("'PROCEDURE', 'FUNCTION'", ...) that `name`
// names in `schema` (empty: where the connection's unqualified names
// resolve), synonyms followed; false when it names none.
bool FindUnit(Connection &connection, std::string_view schema, std::string_view name,
              std::string_view types, UnitName *unit);

// What a run keeps a looked-up unit by: the name as written and where it
// resolves (a definer's unit resolves its names in its owner's schema).
std::string UnitLookupKey(const Connection &connection, std::string_view schema,
                          std::string_view name);

// Whether `owner` keeps a unit `name` of one of `types`.
bool UnitExists(Connection &connection, std::string_view owner, std::string_view name,
                std::string_view types);

}  // namespace kestrel_engine::plsql

#endif
