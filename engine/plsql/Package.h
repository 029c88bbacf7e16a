/*
** A package as one session holds it: the specification and body as
** parsed, the frame of its variables, constants, cursors, types and
** subprograms (declared once, at the session's first use, when the
** body's initialisation section runs), and which names the
** specification makes public.
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
  StoredUnit spec;
  StoredUnit body;  // text empty when the package has no body
  const sql::CreatePackageStmt *spec_tree = nullptr;
  const sql::CreatePackageStmt *body_tree = nullptr;
  Frame frame;
  std::set<std::string_view> public_names;
  std::string version;  // the units' last DDL times when instantiated
  bool ready = false;   // declared and initialised
};

}  // namespace kestrel_engine::plsql

#endif
