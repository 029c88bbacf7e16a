/*
** A package as one session holds it: the header and body as
** parsed, the frame of its variables, constants, cursors, types and
** subprograms (declared once, at the session's first use, when the
** body's initialisation section runs), and which names the
** header makes public.
*/
#ifndef KESTREL_ENGINE_PLSQL_PACKAGE_H
#define KESTREL_ENGINE_PLSQL_PACKAGE_H

#include <set>
#include <string>
#include <string_view>

#include "plsql/Interpreter.h"

namespace kestrel_engine::plsql {

struct PackageInstance {
  std::string key;  // OWNER.NAME
  StoredUnit header;
  StoredUnit body;  // text empty when the package has no body
  const sql::CreatePackageStmt *header_tree = nullptr;
  const sql::CreatePackageStmt *body_tree = nullptr;
  Frame frame;
  std::set<std::string_view> public_names;
  std::string version;  // the units' last DDL times when instantiated
  bool ready = false;   // declared and initialised
};

}  // namespace kestrel_engine::plsql

#endif
