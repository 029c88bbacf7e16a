/*
** Writing a lone expression through the front end: it is wrapped in a
** query (over the table aliased NEW, or over DUAL), emitted, and cut back
** out of the emitted text by comparing with the bare query's emission.
*/
#include "schema/ExprSql.h"

#include "sql/ast/Arena.h"
#include "sql/emit/Backend.h"
#include "sql/parse/Parse.h"
#include "sql/parse/SyntaxError.h"
#include "sql/print/Printer.h"
#include "sql/resolve/Resolve.h"

namespace kestrel_engine::schema {

namespace {

std::string EmitQuery(Ddl &ddl, const std::string &text, sql::OracleType *first = nullptr) {
  sql::Arena arena;
  sql::SqliteCatalog catalog(ddl.db());
  try {
    const sql::Statement *s = sql::Parse(text, arena);
    const sql::ResolvedStatement r = sql::Resolve(*s, text, catalog);
    if (first != nullptr && !r.columns.empty()) *first = r.columns[0].type;
    return sql::SqliteBackend().Emit(r);
  } catch (const sql::SyntaxError &e) {
    Fail(e.code());
  } catch (const sql::SemanticError &e) {
    throw DdlError{OraError::Verbatim(e.code(), e.message())};
  }
}

std::string Between(const std::string &whole, const std::string &prefix, const std::string &suffix) {
  if (whole.size() < prefix.size() + suffix.size() || whole.compare(0, prefix.size(), prefix) != 0 ||
      whole.compare(whole.size() - suffix.size(), suffix.size(), suffix) != 0) {
    Fail(3001);
  }
  return whole.substr(prefix.size(), whole.size() - prefix.size() - suffix.size());
}

}  // namespace

std::string OracleText(const sql::Expr &e) { return sql::Print(e); }

std::string CheckSql(Ddl &ddl, const std::string &table, std::string_view condition) {
  const std::string from = "SELECT 1 FROM " + QuoteIdent(table) + " \"NEW\"";
  const std::string bare = EmitQuery(ddl, from);
  const std::string full = EmitQuery(ddl, from + " WHERE " + std::string(condition));
  return Between(full, bare + " WHERE ", "");
}

std::string ColumnExpressionSql(Ddl &ddl, const std::string &table, std::string_view expression,
                                sql::OracleType *type) {
  const std::string from = " FROM " + QuoteIdent(table) + " \"NEW\"";
  const std::string bare = EmitQuery(ddl, "SELECT 1" + from);
  const std::string full = EmitQuery(ddl, "SELECT " + std::string(expression) + from, type);
  const size_t one = bare.find('1');
  std::string sql = Between(full, bare.substr(0, one), bare.substr(one + 1));
  // A generated column names its table's columns bare. The emitter keeps
  // string literals apart, so the qualifier is only ever a column's.
  const std::string qualifier = "\"NEW\".";
  std::string out;
  bool quoted = false;
  for (size_t i = 0; i < sql.size(); ++i) {
    if (sql[i] == '\'') quoted = !quoted;
    if (!quoted && sql.compare(i, qualifier.size(), qualifier) == 0) {
      i += qualifier.size() - 1;
      continue;
    }
    out.push_back(sql[i]);
  }
  return out;
}

std::string ExpressionSql(Ddl &ddl, std::string_view expression) {
  const std::string bare = EmitQuery(ddl, "SELECT 1 FROM dual");
  const std::string full = EmitQuery(ddl, "SELECT " + std::string(expression) + " FROM dual");
  const size_t one = bare.find('1');
  return Between(full, bare.substr(0, one), bare.substr(one + 1));
}

}  // namespace kestrel_engine::schema
