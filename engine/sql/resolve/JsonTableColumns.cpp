/*
** JSON_TABLE's columns: a value column is VARCHAR2(4000) unless declared,
** FOR ORDINALITY a NUMBER, EXISTS a VARCHAR2(5) ('true' or 'false'),
** FORMAT JSON a VARCHAR2(4000) of JSON text.
*/
#include "sql/resolve/JsonTableColumns.h"

namespace kestrel_engine::sql {

namespace {

void Add(const List<JsonColumn> &columns, std::vector<ColumnInfo> *out) {
  for (const JsonColumn *c : columns) {
    if (c->kind == JsonColumn::kNested) {
      Add(c->nested, out);
      continue;
    }
    ColumnInfo info;
    info.name.assign(c->name->name.data(), c->name->name.size());
    if (c->kind == JsonColumn::kOrdinality) {
      info.type = MakeType(TypeCategory::kNumber);
    } else if (c->type != nullptr) {
      info.type = TypeFromTypeName(*c->type);
    } else {
      info.type = MakeType(TypeCategory::kVarchar2, c->kind == JsonColumn::kExists ? 5 : 4000);
    }
    out->push_back(std::move(info));
  }
}

}  // namespace

std::vector<ColumnInfo> JsonTableColumns(const List<JsonColumn> &columns) {
  std::vector<ColumnInfo> out;
  Add(columns, &out);
  return out;
}

}  // namespace kestrel_engine::sql
