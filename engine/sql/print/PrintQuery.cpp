/*
** Printing queries, set operations and table references.
*/
#include "sql/print/Printer.h"
#include "sql/print/Writer.h"

namespace kestrel_engine::sql {

void Writer::With(const List<Cte> &with) {
  out += "WITH ";
  bool first = true;
  for (const Cte *c : with) {
    if (!first) out += ", ";
    first = false;
    Ident(c->name);
    if (!c->columns.empty()) {
      out += ' ';
      Idents(c->columns);
    }
    out += " AS (";
    Query(*c->query);
    out += ')';
    if (c->search) {
      out += c->search == 1 ? " SEARCH DEPTH FIRST BY " : " SEARCH BREADTH FIRST BY ";
      Order(c->search_by);
      out += " SET ";
      Ident(c->search_set);
    }
    if (!c->cycle.empty()) {
      out += " CYCLE ";
      bool f = true;
      for (const sql::Ident *id : c->cycle) {
        if (!f) out += ", ";
        f = false;
        Ident(id);
      }
      out += " SET ";
      Ident(c->cycle_set);
      out += " TO ";
      Expr(*c->cycle_to);
      out += " DEFAULT ";
      Expr(*c->cycle_default);
    }
  }
  out += ' ';
}

void Writer::Query(const sql::Query &q) {
  if (!q.with.empty()) With(q.with);
  QueryTerm(q, false);
  Tail(q);
}

void Writer::QueryTerm(const sql::Query &q, bool parenthesise_set_op) {
  switch (q.kind) {
    case QueryKind::kBlock: Block(q); return;
    case QueryKind::kParens:
      out += '(';
      Query(*q.left);
      out += ')';
      return;
    case QueryKind::kSetOp:
      if (parenthesise_set_op) out += '(';
      QueryTerm(*q.left, false);
      switch (q.op) {
        case SetOp::kUnion: out += q.all ? " UNION ALL " : " UNION "; break;
        case SetOp::kIntersect: out += q.all ? " INTERSECT ALL " : " INTERSECT "; break;
        case SetOp::kMinus: out += q.all ? " MINUS ALL " : " MINUS "; break;
        case SetOp::kExcept: out += q.all ? " EXCEPT ALL " : " EXCEPT "; break;
      }
      QueryTerm(*q.right, true);
      if (parenthesise_set_op) out += ')';
      return;
  }
}

void Writer::Block(const sql::Query &q) {
  out += "SELECT ";
  if (q.quantifier == 1) out += "DISTINCT ";
  if (q.quantifier == 2) out += "ALL ";
  bool first = true;
  for (const SelectItem *item : q.items) {
    if (!first) out += ", ";
    first = false;
    Expr(*item->expr);
    if (item->alias) {
      out += ' ';
      Ident(item->alias);
    }
  }
  if (!q.into.empty()) {
    out += q.bulk_collect ? " BULK COLLECT INTO " : " INTO ";
    Exprs(q.into);
  }
  out += " FROM ";
  first = true;
  for (const TableRef *t : q.from) {
    if (!first) out += ", ";
    first = false;
    Table(*t);
  }
  if (q.where) {
    out += " WHERE ";
    Expr(*q.where);
  }
  if (q.start_with) {
    out += " START WITH ";
    Expr(*q.start_with);
  }
  if (q.connect_by) {
    out += q.nocycle ? " CONNECT BY NOCYCLE " : " CONNECT BY ";
    Expr(*q.connect_by);
  }
  if (!q.group_by.empty()) {
    out += " GROUP BY ";
    Exprs(q.group_by);
  }
  if (q.having) {
    out += " HAVING ";
    Expr(*q.having);
  }
}

void Writer::Tail(const sql::Query &q) {
  if (!q.order_by.empty()) {
    out += q.order_siblings ? " ORDER SIBLINGS BY " : " ORDER BY ";
    Order(q.order_by);
  }
  if (q.offset) {
    out += " OFFSET ";
    Expr(*q.offset);
    out += " ROWS";
  }
  if (q.fetch) {
    out += " FETCH FIRST ";
    Expr(*q.fetch);
    out += q.fetch_percent ? " PERCENT ROWS" : " ROWS";
    out += q.fetch_ties ? " WITH TIES" : " ONLY";
  }
  if (q.for_update) {
    const ForUpdate &f = *q.for_update;
    out += " FOR UPDATE";
    if (!f.columns.empty()) {
      out += " OF ";
      Exprs(f.columns);
    }
    if (f.wait == 1) out += " NOWAIT";
    if (f.wait == 2) {
      out += " WAIT ";
      Expr(*f.seconds);
    }
    if (f.wait == 3) out += " SKIP LOCKED";
  }
}

void Writer::JsonColumns(const List<JsonColumn> &columns) {
  out += "COLUMNS (";
  bool first = true;
  for (const JsonColumn *c : columns) {
    if (!first) out += ", ";
    first = false;
    if (c->kind == JsonColumn::kNested) {
      out += "NESTED PATH ";
      Expr(*c->path);
      out += ' ';
      JsonColumns(c->nested);
      continue;
    }
    Ident(c->name);
    if (c->kind == JsonColumn::kOrdinality) {
      out += " FOR ORDINALITY";
      continue;
    }
    if (c->type) {
      out += ' ';
      Type(*c->type);
    }
    if (c->kind == JsonColumn::kQuery) out += " FORMAT JSON";
    if (c->kind == JsonColumn::kExists) out += " EXISTS";
    if (c->path) {
      out += " PATH ";
      Expr(*c->path);
    }
  }
  out += ')';
}

void Writer::Columns(const List<sql::Ident> &list) {
  if (list.size == 1) {
    Ident(list.first);
  } else {
    Idents(list);
  }
}

void Writer::Table(const TableRef &t) {
  switch (t.kind) {
    case TableKind::kTable: Name(t.name); break;
    case TableKind::kSubquery:
      if (t.lateral) out += "LATERAL ";
      out += '(';
      Query(*t.query);
      out += ')';
      break;
    case TableKind::kCollection:
      out += "TABLE(";
      Expr(*t.expr);
      out += ')';
      break;
    case TableKind::kJsonTable:
      out += "JSON_TABLE(";
      Expr(*t.expr);
      if (t.expr->flags & kFormatJson) out += " FORMAT JSON";
      if (t.path) {
        out += ", ";
        Expr(*t.path);
      }
      out += ' ';
      JsonColumns(t.columns);
      out += ')';
      break;
    case TableKind::kJoin:
      Table(*t.left);
      out += ' ';
      if (t.natural) out += "NATURAL ";
      switch (t.join) {
        case JoinKind::kInner: out += t.natural ? "JOIN " : "INNER JOIN "; break;
        case JoinKind::kLeft: out += "LEFT JOIN "; break;
        case JoinKind::kRight: out += "RIGHT JOIN "; break;
        case JoinKind::kFull: out += "FULL JOIN "; break;
        case JoinKind::kCross: out += "CROSS JOIN "; break;
      }
      if (t.right->kind == TableKind::kJoin) {
        out += '(';
        Table(*t.right);
        out += ')';
      } else {
        Table(*t.right);
      }
      if (t.on) {
        out += " ON ";
        Expr(*t.on);
      }
      if (!t.using_columns.empty()) {
        out += " USING ";
        Idents(t.using_columns);
      }
      break;
    case TableKind::kPivot: {
      Table(*t.left);
      out += " PIVOT (";
      bool first = true;
      for (const PivotItem *a : t.aggregates) {
        if (!first) out += ", ";
        first = false;
        Expr(*a->expr);
        if (a->alias) {
          out += ' ';
          Ident(a->alias);
        }
      }
      out += " FOR ";
      Columns(t.for_columns);
      out += " IN (";
      first = true;
      for (const PivotItem *v : t.values) {
        if (!first) out += ", ";
        first = false;
        Expr(*v->expr);
        if (v->alias) {
          out += " AS ";
          Ident(v->alias);
        }
      }
      out += "))";
      break;
    }
    case TableKind::kUnpivot: {
      Table(*t.left);
      out += t.include_nulls ? " UNPIVOT INCLUDE NULLS (" : " UNPIVOT (";
      Columns(t.measures);
      out += " FOR ";
      Columns(t.for_columns);
      out += " IN (";
      bool first = true;
      for (const PivotItem *v : t.values) {
        if (!first) out += ", ";
        first = false;
        Expr(*v->expr);
        if (v->label) {
          out += " AS ";
          Expr(*v->label);
        }
      }
      out += "))";
      break;
    }
  }
  if (t.alias) {
    out += ' ';
    Ident(t.alias);
  }
}

std::string Print(const Query &query) {
  Writer w;
  w.Query(query);
  return std::move(w.out);
}

}  // namespace kestrel_engine::sql
