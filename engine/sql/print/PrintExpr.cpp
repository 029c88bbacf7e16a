/*
** Printing identifiers, literals, types and expressions.
*/
#include "sql/parse/Lexer.h"
#include "sql/print/Printer.h"
#include "sql/print/Writer.h"

namespace kestrel_engine::sql {

namespace {

bool NeedsQuotes(std::string_view name) {
  if (name.empty()) return true;
  const unsigned char first = static_cast<unsigned char>(name[0]);
  if (!((first >= 'A' && first <= 'Z') || first >= 0x80)) return true;
  for (char ch : name) {
    const unsigned char c = static_cast<unsigned char>(ch);
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
                    c == '#' || c >= 0x80;
    if (!ok) return true;
  }
  return IsReservedWord(name);
}

const char *OpText(Op op) {
  switch (op) {
    case Op::kMul: return " * ";
    case Op::kDiv: return " / ";
    case Op::kAdd: return " + ";
    case Op::kSub: return " - ";
    case Op::kConcat: return " || ";
    case Op::kPow: return " ** ";
    case Op::kEq: return " = ";
    case Op::kNe: return " <> ";
    case Op::kLt: return " < ";
    case Op::kLe: return " <= ";
    case Op::kGt: return " > ";
    case Op::kGe: return " >= ";
    case Op::kAnd: return " AND ";
    case Op::kOr: return " OR ";
    case Op::kLike: return "LIKE ";
    case Op::kLikeC: return "LIKEC ";
    case Op::kLike2: return "LIKE2 ";
    case Op::kLike4: return "LIKE4 ";
    default: return " ? ";
  }
}

int BinaryPrecedence(Op op) {
  switch (op) {
    case Op::kOr: return 1;
    case Op::kAnd: return 2;
    case Op::kEq: case Op::kNe: case Op::kLt: case Op::kLe: case Op::kGt: case Op::kGe: return 4;
    case Op::kAdd: case Op::kSub: case Op::kConcat: return 5;
    case Op::kPow: return 7;
    default: return 6;
  }
}

constexpr const char *kFields[] = {"", "YEAR", "MONTH", "DAY", "HOUR", "MINUTE", "SECOND"};

}  // namespace

int Precedence(const Expr &e) {
  switch (e.kind) {
    case ExprKind::kBinary:
    case ExprKind::kLogical: return BinaryPrecedence(e.op);
    case ExprKind::kUnary: return e.op == Op::kNot ? 3 : 7;
    case ExprKind::kLike: case ExprKind::kBetween: case ExprKind::kIn: case ExprKind::kIsNull:
    case ExprKind::kIsJson: case ExprKind::kQuantified: case ExprKind::kExists:
      return 4;
    default: return 8;
  }
}

void Writer::Ident(std::string_view name, bool quoted) {
  // An unquoted name was a plain word (perhaps a pseudo-column such as
  // LEVEL); a quoted one keeps its quotes only where a plain word could
  // not say the same.
  if (quoted && NeedsQuotes(name)) {
    out += '"';
    out += name;
    out += '"';
  } else {
    out += name;
  }
}

void Writer::Name(const sql::Name &name) {
  for (uint8_t i = 0; i < name.count; ++i) {
    if (i) out += '.';
    Ident(name.part[i], name.quoted[i]);
  }
  if (!name.dblink.empty()) {
    out += '@';
    out += name.dblink;
  }
}

void Writer::String(std::string_view value, bool national) {
  if (national) out += 'N';
  out += '\'';
  for (char c : value) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
}

void Writer::IntervalFields(const TypeName &t) {
  out += kFields[t.from_field];
  if (t.leading >= 0) {
    out += '(';
    Number(t.leading);
    if (t.from_field == kSecond && t.precision >= 0) {
      out += ", ";
      Number(t.precision);
    }
    out += ')';
  }
  if (t.to_field != kNoField) {
    out += " TO ";
    out += kFields[t.to_field];
    if (t.to_field == kSecond && t.precision >= 0) {
      out += '(';
      Number(t.precision);
      out += ')';
    }
  }
}

void Writer::Type(const TypeName &t) {
  auto length = [&](const char *name) {
    out += name;
    if (t.precision >= 0) {
      out += '(';
      Number(t.precision);
      if (t.length_unit == 1) out += " BYTE";
      if (t.length_unit == 2) out += " CHAR";
      out += ')';
    }
  };
  auto precision_scale = [&](const char *name) {
    out += name;
    if (t.precision == -1 && t.scale == -1) return;
    out += '(';
    if (t.precision == -2) out += '*'; else Number(t.precision);
    if (t.scale != -1) {
      out += ", ";
      Number(t.scale);
    }
    out += ')';
  };
  switch (t.kind) {
    case TypeKind::kNumber: precision_scale("NUMBER"); break;
    case TypeKind::kDecimal: precision_scale("DECIMAL"); break;
    case TypeKind::kFloat: precision_scale("FLOAT"); break;
    case TypeKind::kInteger: out += "INTEGER"; break;
    case TypeKind::kSmallint: out += "SMALLINT"; break;
    case TypeKind::kReal: out += "REAL"; break;
    case TypeKind::kDoublePrecision: out += "DOUBLE PRECISION"; break;
    case TypeKind::kBinaryFloat: out += "BINARY_FLOAT"; break;
    case TypeKind::kBinaryDouble: out += "BINARY_DOUBLE"; break;
    case TypeKind::kVarchar2: length("VARCHAR2"); break;
    case TypeKind::kVarchar: length("VARCHAR"); break;
    case TypeKind::kNVarchar2: length("NVARCHAR2"); break;
    case TypeKind::kChar: length("CHAR"); break;
    case TypeKind::kNChar: length("NCHAR"); break;
    case TypeKind::kLong: out += "LONG"; break;
    case TypeKind::kLongRaw: out += "LONG RAW"; break;
    case TypeKind::kRaw: length("RAW"); break;
    case TypeKind::kClob: out += "CLOB"; break;
    case TypeKind::kNClob: out += "NCLOB"; break;
    case TypeKind::kBlob: out += "BLOB"; break;
    case TypeKind::kBfile: out += "BFILE"; break;
    case TypeKind::kDate: out += "DATE"; break;
    case TypeKind::kTimestamp:
      out += "TIMESTAMP";
      if (t.precision >= 0) {
        out += '(';
        Number(t.precision);
        out += ')';
      }
      if (t.time_zone == 1) out += " WITH TIME ZONE";
      if (t.time_zone == 2) out += " WITH LOCAL TIME ZONE";
      break;
    case TypeKind::kIntervalYM:
    case TypeKind::kIntervalDS:
      out += "INTERVAL ";
      IntervalFields(t);
      break;
    case TypeKind::kBoolean: out += "BOOLEAN"; break;
    case TypeKind::kRowid: out += "ROWID"; break;
    case TypeKind::kURowid: length("UROWID"); break;
    case TypeKind::kXmlType: out += "XMLTYPE"; break;
    case TypeKind::kJson: out += "JSON"; break;
  }
}

void Writer::Exprs(const List<sql::Expr> &list) {
  bool first = true;
  for (const sql::Expr *e : list) {
    if (!first) out += ", ";
    first = false;
    Expr(*e);
  }
}

void Writer::Idents(const List<sql::Ident> &list) {
  out += '(';
  bool first = true;
  for (const sql::Ident *id : list) {
    if (!first) out += ", ";
    first = false;
    Ident(id);
  }
  out += ')';
}

void Writer::Order(const List<OrderItem> &list) {
  bool first = true;
  for (const OrderItem *o : list) {
    if (!first) out += ", ";
    first = false;
    Expr(*o->expr);
    if (o->desc) out += " DESC";
    if (o->nulls == 1) out += " NULLS FIRST";
    if (o->nulls == 2) out += " NULLS LAST";
  }
}

void Writer::ExprAt(const sql::Expr &e, int min_precedence) {
  if (Precedence(e) < min_precedence) {
    out += '(';
    Expr(e);
    out += ')';
  } else {
    Expr(e);
  }
}

void Writer::Expr(const sql::Expr &e) {
  switch (e.kind) {
    case ExprKind::kNumber:
      out += e.text;
      if (e.flags & kBinaryFloat) out += 'F';
      if (e.flags & kBinaryDouble) out += 'D';
      return;
    case ExprKind::kString: String(e.text, e.flags & kNational); return;
    case ExprKind::kNull: out += "NULL"; return;
    case ExprKind::kDateLit: out += "DATE "; String(e.text); return;
    case ExprKind::kTimestampLit: out += "TIMESTAMP "; String(e.text); return;
    case ExprKind::kIntervalLit:
      out += "INTERVAL ";
      String(e.text);
      out += ' ';
      IntervalFields(*e.type);
      return;
    case ExprKind::kBind: {
      // :name as written; a quoted name that is no plain word keeps its quotes.
      bool plain = !e.text.empty();
      for (char ch : e.text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        plain = plain && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          c == '_' || c == '$' || c == '#' || c >= 0x80);
      }
      out += plain ? ":" : ":\"";
      out += e.text;
      if (!plain) out += '"';
      for (uint8_t i = 0; i < e.name.count; ++i) {
        out += '.';
        Ident(e.name.part[i], e.name.quoted[i]);
      }
      return;
    }
    case ExprKind::kBoolean:
      out += e.text;
      return;
    case ExprKind::kCurrentOf:
      out += "CURRENT OF ";
      Name(e.name);
      return;
    case ExprKind::kCursorAttr:
      Name(e.name);
      out += '%';
      out += e.text;
      return;
    case ExprKind::kMember:
      ExprAt(*e.left, 8);
      out += '.';
      Ident(e.name.part[0], e.name.quoted[0]);
      return;
    case ExprKind::kName:
      Name(e.name);
      if (e.flags & kOuterJoin) out += "(+)";
      return;
    case ExprKind::kStar:
      if (e.name.count) {
        Name(e.name);
        out += '.';
      }
      out += '*';
      return;
    case ExprKind::kUnary:
      switch (e.op) {
        case Op::kNot: out += "NOT "; ExprAt(*e.left, 3); return;
        case Op::kPrior: out += "PRIOR "; break;
        case Op::kConnectByRoot: out += "CONNECT_BY_ROOT "; break;
        case Op::kNeg: out += '-'; break;
        default: out += '+'; break;
      }
      // Keep "- -x" apart: "--" would start a comment.
      if (e.left->kind == ExprKind::kUnary && (e.left->op == Op::kNeg || e.left->op == Op::kPlus)) out += ' ';
      ExprAt(*e.left, 7);
      return;
    case ExprKind::kBinary: {
      const int p = BinaryPrecedence(e.op);
      const bool right_to_left = e.op == Op::kPow;
      ExprAt(*e.left, right_to_left ? p + 1 : p);
      out += OpText(e.op);
      ExprAt(*e.right, right_to_left ? p : p + 1);
      return;
    }
    case ExprKind::kLogical: {
      const int p = BinaryPrecedence(e.op);
      bool first = true;
      for (const sql::Expr *a : e.args) {
        if (!first) out += OpText(e.op);
        first = false;
        ExprAt(*a, p + 1);
      }
      return;
    }
    case ExprKind::kLike:
      ExprAt(*e.left, 5);
      out += (e.flags & kNegated) ? " NOT " : " ";
      out += OpText(e.op);
      ExprAt(*e.right, 5);
      if (e.third) {
        out += " ESCAPE ";
        ExprAt(*e.third, 5);
      }
      return;
    case ExprKind::kBetween:
      ExprAt(*e.left, 5);
      out += (e.flags & kNegated) ? " NOT BETWEEN " : " BETWEEN ";
      ExprAt(*e.right, 5);
      out += " AND ";
      ExprAt(*e.third, 5);
      return;
    case ExprKind::kIn:
      ExprAt(*e.left, 5);
      out += (e.flags & kNegated) ? " NOT IN (" : " IN (";
      if (e.query) Query(*e.query); else Exprs(e.args);
      out += ')';
      return;
    case ExprKind::kIsNull:
      ExprAt(*e.left, 5);
      out += (e.flags & kNegated) ? " IS NOT NULL" : " IS NULL";
      return;
    case ExprKind::kIsJson:
      ExprAt(*e.left, 5);
      out += (e.flags & kNegated) ? " IS NOT JSON" : " IS JSON";
      return;
    case ExprKind::kExists:
      out += "EXISTS (";
      Query(*e.query);
      out += ')';
      return;
    case ExprKind::kQuantified:
      ExprAt(*e.left, 5);
      out += OpText(e.op);
      out += (e.flags & kAnyQuant) ? "ANY (" : "ALL (";
      if (e.query) Query(*e.query); else Exprs(e.args);
      out += ')';
      return;
    case ExprKind::kSubquery:
      out += '(';
      Query(*e.query);
      out += ')';
      return;
    case ExprKind::kRow:
      out += '(';
      Exprs(e.args);
      out += ')';
      return;
    case ExprKind::kCase:
      out += "CASE";
      if (e.left) {
        out += ' ';
        Expr(*e.left);
      }
      for (const sql::Expr *w : e.args) {
        out += " WHEN ";
        Expr(*w->left);
        out += " THEN ";
        Expr(*w->right);
      }
      if (e.right) {
        out += " ELSE ";
        Expr(*e.right);
      }
      out += " END";
      return;
    case ExprKind::kWhen: return;
    case ExprKind::kCast:
      out += "CAST(";
      Expr(*e.left);
      out += " AS ";
      Type(*e.type);
      out += ')';
      return;
    case ExprKind::kExtract:
      out += "EXTRACT(";
      out += e.text;
      out += " FROM ";
      Expr(*e.left);
      out += ')';
      return;
    case ExprKind::kTrim:
      out += "TRIM(";
      if (e.trim_spec == 1) out += "LEADING ";
      if (e.trim_spec == 2) out += "TRAILING ";
      if (e.trim_spec == 3) out += "BOTH ";
      if (e.right) {
        Expr(*e.right);
        out += ' ';
      }
      if (e.trim_spec || e.right) out += "FROM ";
      Expr(*e.left);
      out += ')';
      return;
    case ExprKind::kFunction: Function(e); return;
    case ExprKind::kNamedArg:
      Ident(e.text, false);
      out += " => ";
      Expr(*e.left);
      return;
    case ExprKind::kJsonPair:
      out += "KEY ";
      Expr(*e.left);
      if (e.right) {
        out += " VALUE ";
        Expr(*e.right);
        if (e.flags & kFormatJson) out += " FORMAT JSON";
      }
      return;
    case ExprKind::kAtTimeZone:
      ExprAt(*e.left, 8);
      if (e.right) {
        out += " AT TIME ZONE ";
        ExprAt(*e.right, 8);
      } else {
        out += " AT LOCAL";
      }
      return;
    case ExprKind::kDefault: out += "DEFAULT"; return;
    case ExprKind::kRollup: out += "ROLLUP("; Exprs(e.args); out += ')'; return;
    case ExprKind::kCube: out += "CUBE("; Exprs(e.args); out += ')'; return;
    case ExprKind::kGroupingSets: out += "GROUPING SETS("; Exprs(e.args); out += ')'; return;
    case ExprKind::kEmptyGroup: out += "()"; return;
  }
}

void Writer::Window(const sql::Window &w) {
  out += "OVER (";
  bool space = false;
  if (!w.partition.empty()) {
    out += "PARTITION BY ";
    Exprs(w.partition);
    space = true;
  }
  if (!w.order.empty()) {
    if (space) out += ' ';
    out += "ORDER BY ";
    Order(w.order);
    space = true;
  }
  if (w.units) {
    if (space) out += ' ';
    out += w.units == 1 ? "ROWS " : w.units == 2 ? "RANGE " : "GROUPS ";
    auto bound = [&](const FrameBound &b) {
      switch (b.kind) {
        case FrameBound::kUnboundedPreceding: out += "UNBOUNDED PRECEDING"; break;
        case FrameBound::kUnboundedFollowing: out += "UNBOUNDED FOLLOWING"; break;
        case FrameBound::kCurrentRow: out += "CURRENT ROW"; break;
        case FrameBound::kPreceding: ExprAt(*b.offset, 5); out += " PRECEDING"; break;
        case FrameBound::kFollowing: ExprAt(*b.offset, 5); out += " FOLLOWING"; break;
        case FrameBound::kNone: break;
      }
    };
    if (w.between) {
      out += "BETWEEN ";
      bound(w.start);
      out += " AND ";
      bound(w.end);
    } else {
      bound(w.start);
    }
  }
  out += ')';
}

void Writer::Function(const sql::Expr &e) {
  Name(e.name);
  out += '(';
  if (e.flags & kDistinct) out += "DISTINCT ";
  if (e.flags & kAllArgs) out += "ALL ";
  bool first = true;
  for (const sql::Expr *a : e.args) {
    if (!first) out += ", ";
    first = false;
    Expr(*a);
    if ((a->flags & kFormatJson) && a->kind != ExprKind::kJsonPair) out += " FORMAT JSON";
  }
  const FuncExtra *x = e.extra;
  if (x != nullptr) {
    if (!x->order.empty()) {
      out += " ORDER BY ";
      Order(x->order);
    }
    if (x->overflow == 1) out += " ON OVERFLOW ERROR";
    if (x->overflow == 2) {
      out += " ON OVERFLOW TRUNCATE";
      if (x->overflow_filler) {
        out += ' ';
        Expr(*x->overflow_filler);
      }
      if (x->overflow_count == 1) out += " WITH COUNT";
      if (x->overflow_count == 2) out += " WITHOUT COUNT";
    }
    auto on = [&](const JsonOn &o, const char *which) {
      switch (o.kind) {
        case JsonOn::kNone: return;
        case JsonOn::kError: out += " ERROR"; break;
        case JsonOn::kNull: out += " NULL"; break;
        case JsonOn::kTrue: out += " TRUE"; break;
        case JsonOn::kFalse: out += " FALSE"; break;
        case JsonOn::kEmpty: out += " EMPTY"; break;
        case JsonOn::kEmptyArray: out += " EMPTY ARRAY"; break;
        case JsonOn::kEmptyObject: out += " EMPTY OBJECT"; break;
        case JsonOn::kDefault: out += " DEFAULT "; ExprAt(*o.value, 5); break;
      }
      out += " ON ";
      out += which;
    };
    if (x->null_on_null == 1) out += " NULL ON NULL";
    if (x->null_on_null == 2) out += " ABSENT ON NULL";
    if (x->returning) {
      out += " RETURNING ";
      Type(*x->returning);
    }
    if (x->pretty) out += " PRETTY";
    if (x->strict) out += " STRICT";
    if (x->with_unique_keys) out += " WITH UNIQUE KEYS";
    if (x->wrapper == 1) out += " WITHOUT WRAPPER";
    if (x->wrapper == 2) out += " WITH WRAPPER";
    if (x->wrapper == 3) out += " WITH CONDITIONAL WRAPPER";
    if (x->wrapper == 4) out += " WITH UNCONDITIONAL WRAPPER";
    on(x->on_error, "ERROR");
    on(x->on_empty, "EMPTY");
  }
  out += ')';
  if (e.flags & kIgnoreNulls) out += " IGNORE NULLS";
  if (x == nullptr) return;
  if (x->keep) {
    out += x->keep == 1 ? " KEEP (DENSE_RANK FIRST ORDER BY " : " KEEP (DENSE_RANK LAST ORDER BY ";
    Order(x->keep_order);
    out += ')';
  }
  if (x->has_within_group) {
    out += " WITHIN GROUP (ORDER BY ";
    Order(x->within_group);
    out += ')';
  }
  if (x->over) {
    out += ' ';
    Window(*x->over);
  }
}

std::string Print(const Expr &expr) {
  Writer w;
  w.Expr(expr);
  return std::move(w.out);
}

}  // namespace kestrel_engine::sql
