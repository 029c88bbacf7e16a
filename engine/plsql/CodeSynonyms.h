/*
** Synonyms for stored procedures, functions and packages: the unit a
** name stands for when no unit has that name.
*/
#ifndef KESTREL_ENGINE_PLSQL_CODESYNONYMS_H
#define KESTREL_ENGINE_PLSQL_CODESYNONYMS_H

#include <string>
#include <string_view>

namespace kestrel_engine {
class Connection;
}

namespace kestrel_engine::plsql {

// The name of the stored unit (of one of `types`, "'PACKAGE'", ...) that
// `name` stands for through the session user's synonym, else a PUBLIC
// one, followed through chains of synonyms; empty when there is none.
std::string CodeSynonymTarget(Connection &connection, std::string_view name, std::string_view types);

}  // namespace kestrel_engine::plsql

#endif
