/*
** Values written to a column go through the engine's fit functions (see
** functions/FitFunctions.cpp) for the column's declared type: sizes,
** NUMBER's precision and scale, text read as dates in the session's
** format, '' as NULL. A column whose type needs nothing is written bare.
*/
#include "sql/emit/SqliteWriter.h"

#include "catalog/StorageNames.h"

namespace kestrel_engine::sql {

namespace {

// A name as Oracle prints it: one without capitals was created unquoted
// in a file that keeps names as written.
std::string Shown(std::string_view name) {
  std::string out(name);
  bool capitals = false;
  for (const char c : out) capitals = capitals || (c >= 'A' && c <= 'Z');
  if (!capitals) {
    for (char &c : out) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
  }
  return out;
}

std::string Label(const CatalogTable &table, const CatalogColumn &column) {
  std::string label;
  if (!table.owner.empty()) label = "\"" + Shown(table.owner) + "\".";
  // Oracle's name, not the one the file stores (catalog/StorageNames.h).
  label += "\"" + Shown(std::string(OracleObjectName(table.name, table.owner))) + "\".\"" +
           Shown(column.name) + "\"";
  return label;
}

}  // namespace

void SqliteWriter::Fitted(const sql::Expr *value, const CatalogTable &table,
                          const CatalogColumn &column) {
  if (value->kind == ExprKind::kNull) return Expr(value);
  Fit(table, column, [&] { Expr(value); });
}

void SqliteWriter::FittedText(std::string_view value, const CatalogTable &table,
                              const CatalogColumn &column) {
  Fit(table, column, [&] { Put(value); });
}

void SqliteWriter::Fit(const CatalogTable &table, const CatalogColumn &column,
                       const std::function<void()> &value) {
  const OracleType &t = column.type;
  if (t.guessed) return value();  // a column declared without a type takes anything
  auto call = [&](const char *function, const std::string &rest) {
    Put(function);
    value();
    Put(rest);
  };
  auto label = [&] {
    std::string quoted = "'";
    for (const char c : Label(table, column)) {
      quoted.push_back(c);
      if (c == '\'') quoted.push_back(c);
    }
    return quoted + "'";
  };
  switch (t.category) {
    case TypeCategory::kChar:
      return call("kestrel_fit_char(", ", " + std::to_string(t.length) + ", " + label() + ")");
    case TypeCategory::kVarchar2:
      return call("kestrel_fit_text(",
                  ", " + std::to_string(t.length) + ", " + label() + ")");
    case TypeCategory::kClob:
      return call("kestrel_fit_text(", ", -1, " + label() + ")");
    case TypeCategory::kRaw:
      return call("kestrel_fit_raw(", ", " + std::to_string(t.length) + ", " + label() + ")");
    case TypeCategory::kNumber:
      return call("kestrel_fit_number(",
                  ", " + std::to_string(t.precision) + ", " + std::to_string(t.scale) + ")");
    case TypeCategory::kBinaryDouble:
      return call("kestrel_fit_double(", ")");
    case TypeCategory::kDate:
      return call("kestrel_fit_date(", ")");
    case TypeCategory::kTimestamp:
      return call("kestrel_fit_timestamp(", ", " + std::to_string(t.precision) + ")");
    default:
      return value();
  }
}

const CatalogColumn *SqliteWriter::TargetColumn(const CatalogTable &table,
                                                std::string_view name) const {
  for (const CatalogColumn &c : table.columns) {
    if (SameName(c.name, name)) return &c;
  }
  return nullptr;
}

void SqliteWriter::FittedInto(const TableRef *target, std::string_view column,
                              const sql::Expr *value) {
  const SourceInfo *info = r_.Source(target);
  const CatalogColumn *c = info != nullptr && info->table != nullptr && !column.empty()
                               ? TargetColumn(*info->table, column)
                               : nullptr;
  if (c == nullptr) return Expr(value);
  Fitted(value, *info->table, *c);
}

void SqliteWriter::FittedRow(const SetItem &item, const CatalogTable &table, size_t only) {
  // The subquery's columns are renamed k1, k2, ... by a compound whose
  // first (empty) arm names them, and counted, so the row can be fitted
  // column by column and a second row refused. With `only`, that column
  // alone (a row trigger takes the values one by one).
  const size_t n = item.columns.size;
  auto k = [](size_t i) { return "k" + std::to_string(i + 1); };
  Put("(SELECT ");
  size_t i = 0;
  bool first = true;
  for (const sql::Expr *c : item.columns) {
    if (only != kAllColumns && i != only) {
      ++i;
      continue;
    }
    if (!first) Put(", ");
    first = false;
    const ExprInfo *info = r_.Info(c);
    const CatalogColumn *column = info != nullptr ? TargetColumn(table, info->column) : nullptr;
    const std::string value = "\"kestrel$row\"." + k(i);
    if (column != nullptr) {
      FittedText(value, table, *column);
    } else {
      Put(value);
    }
    ++i;
  }
  Put(" FROM (SELECT *, count(*) OVER () AS \"kestrel$n\" FROM (SELECT ");
  for (i = 0; i < n; ++i) Put((i ? ", NULL AS " : "NULL AS ") + k(i));
  Put(" WHERE 0 UNION ALL SELECT * FROM (");
  Query(item.value->query);
  Put("))) AS \"kestrel$row\" WHERE CASE WHEN \"kestrel$n\" > 1 THEN kestrel_raise(1427) "
      "ELSE 1 END)");
}

std::string_view SqliteWriter::ColumnAt(const TableRef *target, const sql::List<sql::Ident> &named,
                                        size_t n) const {
  size_t i = 0;
  for (const sql::Ident *c : named) {
    if (i++ == n) return c->name;
  }
  if (!named.empty()) return {};
  const SourceInfo *info = r_.Source(target);
  if (info == nullptr || info->table == nullptr || n >= info->table->columns.size()) return {};
  return info->table->columns[n].name;
}

}  // namespace kestrel_engine::sql
