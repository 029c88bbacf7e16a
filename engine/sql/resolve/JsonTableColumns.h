/*
** The columns a JSON_TABLE gives, NESTED PATH columns in line, with their
** declared (or Oracle's default) types.
*/
#ifndef KESTREL_ENGINE_SQL_RESOLVE_JSONTABLECOLUMNS_H
#define KESTREL_ENGINE_SQL_RESOLVE_JSONTABLECOLUMNS_H

#include <vector>

#include "sql/resolve/Resolve.h"

namespace kestrel_engine::sql {

std::vector<ColumnInfo> JsonTableColumns(const List<JsonColumn> &columns);

}  // namespace kestrel_engine::sql

#endif
