/*
** INSERT and UPDATE of a table whose BEFORE ROW triggers assign :NEW.
** SQLite's own triggers cannot change the row being written, so the
** statement computes it through the triggers: the first column written
** calls kestrel_before_row with the row's old and new values (which runs
** the triggers) and the other columns read the result with
** kestrel_new_value. SQLite computes a row's values in the table's column
** order, so the columns are written in that order; each value is still
** fitted to its column, so size checks and constraints see what the
** triggers assigned. MERGE's two branches and each INTO of INSERT ALL
** write their rows the same way.
*/
#include <stdint.h>

#include "sql/ast/Plsql.h"
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

std::string SqliteWriter::Captured(const std::function<void()> &write) {
  std::string saved;
  saved.swap(out_);
  write();
  saved.swap(out_);
  return saved;
}

void SqliteWriter::BeforeRowValues(const CatalogTable &table, uint8_t event,
                                   const std::vector<std::string> &given, std::string_view alias,
                                   std::vector<size_t> *written, std::vector<std::string> *values) {
  const size_t n = table.columns.size();
  std::string marks(n, '0');
  for (size_t k = 0; k < n; ++k) {
    if (!given[k].empty()) {
      marks[k] = '1';
    } else if (table.columns[k].trigger_assigned) {
      marks[k] = '2';
    }
    if (marks[k] != '0') written->push_back(k);
  }
  auto old = [&](size_t k) {
    return Captured([&] {
      Ident(alias);
      Put(".");
      Ident(table.columns[k].name);
    });
  };
  std::string call = "kestrel_before_row(";
  call += Captured([&] { Literal(table.name); });
  call += ", " + std::to_string(event) + ", '" + marks + "', " + std::to_string(written->empty() ? 0 : written->front());
  for (size_t k = 0; k < n; ++k) call += ", " + (alias.empty() ? std::string("NULL") : old(k));
  for (size_t k = 0; k < n; ++k) {
    std::string value = given[k];
    if (value.empty()) {
      value = !alias.empty() ? old(k)
              : table.columns[k].default_sql.empty() ? std::string("NULL")
                                                      : "(" + table.columns[k].default_sql + ")";
    }
    call += ", " + value;
  }
  call += ")";
  for (const size_t k : *written) {
    const std::string raw = k == written->front() ? call : "kestrel_new_value(" + std::to_string(k) + ")";
    values->push_back(Captured([&] { FittedText(raw, table, table.columns[k]); }));
  }
}

void SqliteWriter::InsertBeforeRow(const InsertStmt &s, const CatalogTable &table) {
  const size_t n = table.columns.size();
  // The statement's value of each column, by the table's order.
  std::vector<const sql::Expr *> byColumn(n, nullptr);
  std::vector<size_t> position(n, SIZE_MAX);
  size_t i = 0;
  auto place = [&](std::string_view name) {
    for (size_t k = 0; k < n; ++k) {
      if (SameName(table.columns[k].name, name)) {
        position[k] = i;
        return;
      }
    }
    Unsupported(s.pos);
  };
  if (s.columns.empty()) {
    for (size_t k = 0; k < n; ++k) position[k] = k;
  } else {
    for (const sql::Ident *c : s.columns) {
      place(c->name);
      ++i;
    }
  }
  std::vector<std::string> given(n);
  if (s.query == nullptr) {
    std::vector<const sql::Expr *> values;
    for (const sql::Expr *v : s.values) values.push_back(v);
    for (size_t k = 0; k < n; ++k) {
      if (position[k] == SIZE_MAX) continue;
      if (position[k] >= values.size()) Unsupported(s.pos);
      const sql::Expr *v = values[position[k]];
      if (v->kind == ExprKind::kDefault) continue;  // the column's default
      given[k] = Captured([&] { Fitted(v, table, table.columns[k]); });
    }
  } else {
    for (size_t k = 0; k < n; ++k) {
      if (position[k] == SIZE_MAX) continue;
      given[k] = Captured([&] { FittedText("k" + std::to_string(position[k] + 1), table, table.columns[k]); });
    }
  }
  std::vector<size_t> written;
  std::vector<std::string> values;
  BeforeRowValues(table, kOnInsert, given, {}, &written, &values);
  if (written.empty()) Unsupported(s.pos);
  Put(" (");
  for (size_t k = 0; k < written.size(); ++k) {
    if (k) Put(", ");
    Ident(table.columns[written[k]].name);
  }
  Put(")");
  if (s.query != nullptr) {
    size_t count = s.columns.empty() ? n : s.columns.size;
    Put(" WITH \"kestrel$rows\"(");
    for (size_t k = 0; k < count; ++k) Put((k ? ", k" : "k") + std::to_string(k + 1));
    Put(") AS (");
    Query(s.query);
    Put(") SELECT ");
  } else {
    Put(" VALUES (");
  }
  for (size_t k = 0; k < values.size(); ++k) {
    if (k) Put(", ");
    Put(values[k]);
  }
  Put(s.query != nullptr ? " FROM \"kestrel$rows\"" : ")");
  Returning(s.returning);
}

std::vector<std::string> SqliteWriter::SetGiven(const sql::List<SetItem> &set, const CatalogTable &table) {
  std::vector<std::string> given(table.columns.size());
  for (const SetItem *item : set) {
    if (item->row) {
      // SET (a, b) = (subquery): each column its element of the row.
      if (item->value->kind != ExprKind::kSubquery) Unsupported(item->pos);
      size_t i = 0;
      for (const sql::Expr *c : item->columns) {
        const ExprInfo *info = r_.Info(c);
        if (info == nullptr || info->binding != NameBinding::kColumn) Unsupported(item->pos);
        for (size_t k = 0; k < given.size(); ++k) {
          if (SameName(table.columns[k].name, info->column)) {
            given[k] = Captured([&] { FittedRow(*item, table, i); });
          }
        }
        ++i;
      }
      continue;
    }
    const ExprInfo *info = r_.Info(item->columns.first);
    if (info == nullptr || info->binding != NameBinding::kColumn) Unsupported(item->pos);
    for (size_t k = 0; k < given.size(); ++k) {
      const CatalogColumn &column = table.columns[k];
      if (!SameName(column.name, info->column)) continue;
      // SET c = DEFAULT: the trigger sees the column's default as :NEW.c,
      // as the plain UPDATE writes it.
      if (item->value->kind == ExprKind::kDefault) {
        given[k] = column.default_sql.empty() ? "NULL" : "(" + column.default_sql + ")";
      } else {
        given[k] = Captured([&] { Fitted(item->value, table, column); });
      }
    }
  }
  return given;
}

void SqliteWriter::BeforeRowSet(const CatalogTable &table, const std::vector<std::string> &given,
                                std::string_view alias) {
  std::vector<size_t> written;
  std::vector<std::string> values;
  BeforeRowValues(table, kOnUpdate, given, alias, &written, &values);
  for (size_t k = 0; k < written.size(); ++k) {
    if (k) Put(", ");
    Ident(table.columns[written[k]].name);
    Put(" = ");
    Put(values[k]);
  }
}

std::vector<std::string> SqliteWriter::InsertGiven(
    const CatalogTable &table, const sql::List<sql::Ident> &named, size_t count, uint32_t pos,
    const std::function<std::string(size_t, const CatalogColumn &)> &value) {
  const size_t n = table.columns.size();
  std::vector<std::string> given(n);
  if (named.empty() && count != n) Unsupported(pos);
  size_t i = 0;
  auto give = [&](size_t k) {
    if (i >= count) Unsupported(pos);
    given[k] = value(i++, table.columns[k]);
  };
  if (named.empty()) {
    for (size_t k = 0; k < n; ++k) give(k);
    return given;
  }
  for (const sql::Ident *c : named) {
    size_t k = 0;
    while (k < n && !SameName(table.columns[k].name, c->name)) ++k;
    if (k == n) Unsupported(pos);
    give(k);
  }
  return given;
}

void SqliteWriter::BeforeRowInsertSelect(const CatalogTable &table, const std::vector<std::string> &given,
                                         uint32_t pos) {
  std::vector<size_t> written;
  std::vector<std::string> values;
  BeforeRowValues(table, kOnInsert, given, {}, &written, &values);
  if (written.empty()) Unsupported(pos);
  Put(" (");
  for (size_t k = 0; k < written.size(); ++k) {
    if (k) Put(", ");
    Ident(table.columns[written[k]].name);
  }
  Put(") SELECT ");
  for (size_t k = 0; k < values.size(); ++k) {
    if (k) Put(", ");
    Put(values[k]);
  }
}

void SqliteWriter::UpdateBeforeRow(const UpdateStmt &s, const CatalogTable &table) {
  BeforeRowSet(table, SetGiven(s.set, table), r_.Source(s.target)->alias);
  if (s.where != nullptr) {
    Put(" WHERE ");
    Expr(s.where);
  }
  Returning(s.returning);
}

}  // namespace kestrel_engine::sql
