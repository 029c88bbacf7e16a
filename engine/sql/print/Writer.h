/*
** The printer's output buffer and its printing functions, shared by
** PrintExpr.cpp, PrintQuery.cpp and PrintStatement.cpp. Internal.
*/
#ifndef KESTREL_ENGINE_SQL_PRINT_WRITER_H
#define KESTREL_ENGINE_SQL_PRINT_WRITER_H

#include <string>
#include <string_view>

#include "sql/ast/Statements.h"

namespace kestrel_engine::sql {

class Writer {
 public:
  std::string out;

  Writer &operator<<(std::string_view s) {
    out += s;
    return *this;
  }
  void Ident(std::string_view name, bool quoted);
  void Ident(const sql::Ident *id) { Ident(id->name, id->quoted); }
  void Name(const sql::Name &name);
  void String(std::string_view value, bool national = false);
  void Type(const TypeName &type);
  void IntervalFields(const TypeName &type);
  void Number(int32_t n) { out += std::to_string(n); }

  void Expr(const sql::Expr &e);
  void ExprAt(const sql::Expr &e, int min_precedence);
  void Exprs(const List<sql::Expr> &list);
  void Idents(const List<sql::Ident> &list);  // (a, b)
  void Columns(const List<sql::Ident> &list);  // a, or (a, b)
  void Function(const sql::Expr &e);
  void Window(const sql::Window &w);
  void Order(const List<OrderItem> &list);

  void Query(const sql::Query &q);
  void QueryTerm(const sql::Query &q, bool parenthesise_set_op);
  void Block(const sql::Query &q);
  void With(const List<Cte> &with);
  void Tail(const sql::Query &q);
  void Table(const TableRef &t);
  void JsonColumns(const List<JsonColumn> &columns);

  void Statement(const sql::Statement &s);
  void Column(const ColumnDef &c);
  void Constraint(const sql::Constraint &c, bool inline_form);
  void SequenceOptions(const sql::SequenceOptions &o);
  void Returning(const sql::Returning *r);
  void SetList(const List<SetItem> &set);
  void Values(const List<sql::Expr> &values);

  void Plsql(const sql::Statement &s);  // PrintPlsql.cpp
};

// Precedence of an expression for parenthesising: OR 1, AND 2, NOT 3,
// predicates 4, + - || 5, * / 6, unary 7, primaries 8.
int Precedence(const Expr &e);

}  // namespace kestrel_engine::sql

#endif
