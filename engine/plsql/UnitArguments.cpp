/*
** A subprogram's parameters as USER_ARGUMENTS lists them: PL/SQL's name
** of each type, the mode, whether it has a default, and the type as a
** declaration for a function called from SQL.
*/
#include "plsql/UnitArguments.h"

#include "plsql/EngineCatalog.h"

namespace kestrel_engine::plsql {

namespace {

// PL/SQL's name for a parameter's type in USER_ARGUMENTS, and the type as
// a declaration for a function called from SQL.
void ArgumentType(sql::Catalog &catalog, const sql::PlType *t, UnitArgument *a) {
  if (t == nullptr) return;
  sql::OracleType type;
  bool known = false;
  if (t->sql != nullptr) {
    type = sql::TypeFromTypeName(*t->sql);
    known = true;
  } else if (t->attr == 0 && t->name.count == 1) {
    const std::string_view n = t->name.part[0];
    if (n == "PLS_INTEGER" || n == "BINARY_INTEGER" || n == "NATURAL" || n == "POSITIVE" ||
        n == "SIMPLE_INTEGER") {
      a->data_type = n == "PLS_INTEGER" ? "PL/SQL PLS INTEGER" : "BINARY_INTEGER";
      a->declared = "NUMBER(10,0)";
      return;
    }
    if (n == "BOOLEAN") {
      a->data_type = "PL/SQL BOOLEAN";
      return;
    }
    if (n == "STRING") {
      type = sql::MakeType(sql::TypeCategory::kVarchar2, 32767);
      known = true;
    }
  } else if (t->attr == 1 && t->name.count >= 2) {
    const sql::Name &n = t->name;
    if (const sql::CatalogTable *table = catalog.FindTable(
            n.count == 3 ? n.part[0] : std::string_view(), n.part[n.count - 2])) {
      for (const sql::CatalogColumn &c : table->columns) {
        if (sql::SameName(c.name, n.part[n.count - 1])) {
          type = c.type;
          known = true;
        }
      }
    }
  }
  if (!known) {
    a->data_type = t->attr == 2 ? "PL/SQL RECORD" : "";
    return;
  }
  a->data_type = sql::TypeCategoryName(type.category);
  if (type.Is(sql::TypeCategory::kNumber) && type.scale == sql::kFloatScale) a->data_type = "FLOAT";
  if (type.Is(sql::TypeCategory::kRaw)) a->data_type = "RAW";  // ORA-00932 says BINARY
  a->declared = sql::TypeText(type);
}

}  // namespace

void SubprogramArguments(Connection &connection, const sql::Subprogram &sub,
                         std::vector<UnitArgument> *out) {
  EngineCatalog catalog(connection);
  if (sub.function) {
    UnitArgument r;
    r.position = 0;
    r.in_out = "OUT";
    ArgumentType(catalog, sub.returns, &r);
    out->push_back(std::move(r));
  }
  int position = 0;
  for (const sql::PlParam *p : sub.params) {
    UnitArgument a;
    a.name = std::string(p->name->name);
    a.position = ++position;
    a.in_out = p->mode == 2 ? "OUT" : p->mode == 3 ? "IN/OUT" : "IN";
    a.defaulted = p->default_value != nullptr;
    ArgumentType(catalog, p->type, &a);
    out->push_back(std::move(a));
  }
  if (!sub.function && sub.params.empty()) {
    // Oracle keeps one row without a name for a procedure without parameters.
    UnitArgument none;
    none.position = 1;
    none.in_out = "IN";
    out->push_back(std::move(none));
  }
}

}  // namespace kestrel_engine::plsql
