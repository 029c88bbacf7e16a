/*
** kestrel_view_errors: the body of a view made with errors.
*/
#include "schema/ViewFunctions.h"

#include <string_view>

#include "functions/FunctionSupport.h"

namespace kestrel_engine {

namespace {

void ViewErrors(sqlite3_context *context, int, sqlite3_value **argv) {
  const unsigned char *detail = sqlite3_value_text(argv[0]);
  Raise(context, 4063, detail ? reinterpret_cast<const char *>(detail) : "view");
}

}  // namespace

int RegisterViewFunctions(sqlite3 *db) {
  // Innocuous, as a view's body may only call such; not deterministic, so
  // SQLite never evaluates it ahead of a row.
  return sqlite3_create_function_v2(db, "kestrel_view_errors", 1, SQLITE_UTF8 | SQLITE_INNOCUOUS,
                                    nullptr, ViewErrors, nullptr, nullptr, nullptr);
}

}  // namespace kestrel_engine
