/*
** The columns PIVOT and UNPIVOT give. PIVOT: the source's columns that
** neither the FOR clause nor an aggregate names (the implicit GROUP BY),
** then one per IN value and aggregate, named by the value's alias (or its
** text) and the aggregate's alias joined by '_'. UNPIVOT: the source's
** columns no IN item names, then the FOR columns and the measures.
*/
#ifndef KESTREL_ENGINE_SQL_RESOLVE_PIVOTCOLUMNS_H
#define KESTREL_ENGINE_SQL_RESOLVE_PIVOTCOLUMNS_H

#include <vector>

#include "sql/resolve/Resolve.h"

namespace kestrel_engine::sql {

// `source`: the source's columns; the clause's expressions are resolved
// in `r` already. Records the kept columns in r->pivots[&t]. Throws
// ORA-00904 for a FOR column the source lacks.
std::vector<ColumnInfo> PivotColumns(const TableRef &t, const std::vector<ColumnInfo> &source,
                                     std::string_view text, ResolvedStatement *r);

}  // namespace kestrel_engine::sql

#endif
