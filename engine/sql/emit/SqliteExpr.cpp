/*
** Expressions in SQLite's SQL. Oracle's rules that SQLite does not share
** are written out here: '' is NULL, || skips NULLs (the registered
** CONCAT), dates add and subtract in days through the registered date
** arithmetic, DATE meets TIMESTAMP in the timestamp's text form, text meets
** numbers through TO_NUMBER (ORA-01722 rather than SQLite's silent 0),
** division is exact and raises ORA-01476, and LIKE is case-sensitive.
*/
#include <cstdio>
#include <cstring>

#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

namespace {

// SQLite evaluates 'now' once per statement: every row sees one SYSDATE.
// The session's FIXED_DATE (ALTER SESSION | SYSTEM SET FIXED_DATE) first.
constexpr char kSysdate[] = "coalesce(kestrel_fixed_date(),datetime('now','localtime'))";
constexpr char kSystimestamp[] =
    "coalesce(kestrel_fixed_date()||'.000000000',"
    "strftime('%Y-%m-%d %H:%M:%f','now','localtime')||'000000')";

}  // namespace

const char *ComparisonOp(Op op) {
  switch (op) {
    case Op::kEq: return " = ";
    case Op::kNe: return " <> ";
    case Op::kLt: return " < ";
    case Op::kLe: return " <= ";
    case Op::kGt: return " > ";
    case Op::kGe: return " >= ";
    default: return nullptr;
  }
}

namespace {

// DATE 'YYYY-MM-DD' and TIMESTAMP 'YYYY-MM-DD HH:MM:SS[.f]' in the stored
// forms; false when the text is not of that shape (Oracle's ORA-01861).
bool StoredLiteral(std::string_view text, bool timestamp, std::string *out) {
  auto digits = [&](size_t at, size_t n) {
    if (at + n > text.size()) return false;
    for (size_t i = at; i < at + n; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
  };
  if (!digits(0, 4) || text.size() < 10 || text[4] != '-' || !digits(5, 2) || text[7] != '-' ||
      !digits(8, 2)) {
    return false;
  }
  out->assign(text.substr(0, 10));
  if (text.size() == 10) {
    out->append(" 00:00:00");
  } else if (text.size() >= 19 && text[10] == ' ' && digits(11, 2) && text[13] == ':' &&
             digits(14, 2) && text[16] == ':' && digits(17, 2)) {
    out->append(text.substr(10, 9));
  } else {
    return false;
  }
  if (!timestamp) return text.size() <= 19;
  std::string fraction;
  if (text.size() > 19) {
    if (text[19] != '.' || text.size() > 29 || !digits(20, text.size() - 20)) return false;
    fraction = std::string(text.substr(20));
  }
  fraction.resize(9, '0');
  out->append(".").append(fraction);
  return true;
}

// INTERVAL 'text' qualifier in the text form NUMTODSINTERVAL and
// NUMTOYMINTERVAL answer ('+DDDDDDDDD HH:MM:SS.FFFFFFFFF', '+YYYYYYYYY-MM').
// The text's numbers fill the fields from the leading one on; false when
// they do not fit the qualifier (Oracle's ORA-01867).
bool StoredInterval(std::string_view text, const TypeName &q, std::string *out) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  uint64_t value[kSecond + 1] = {};
  uint64_t nanos = 0;
  int field = q.from_field;
  const int last = q.to_field != kNoField ? q.to_field : q.from_field;
  if (field == kNoField) return false;
  const bool yearMonth = field <= kMonth;
  bool any = false;
  while (i < text.size() && text[i] != ' ') {
    size_t digits = 0;
    uint64_t n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 12; ++i, ++digits) {
      n = n * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    if (digits == 0 || field > last) return false;
    value[field] = n;
    any = true;
    if (i == text.size()) break;
    const char sep = text[i];
    if (field == kSecond && sep == '.') {
      ++i;
      std::string f;
      for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) f.push_back(text[i]);
      if (f.empty() || f.size() > 9) return false;
      f.resize(9, '0');
      nanos = std::stoull(f);
      break;
    }
    const bool fits = yearMonth ? sep == '-' : (field == kDay ? sep == ' ' : sep == ':');
    if (!fits) return false;
    ++i;
    ++field;
    if (field == kDay && !yearMonth) return false;
  }
  while (i < text.size() && text[i] == ' ') ++i;
  if (!any || i != text.size()) return false;
  char buffer[64];
  if (yearMonth) {
    const uint64_t months = value[kYear] * 12 + value[kMonth];
    std::snprintf(buffer, sizeof buffer, "%c%09llu-%02llu", negative && months ? '-' : '+',
                  static_cast<unsigned long long>(months / 12),
                  static_cast<unsigned long long>(months % 12));
  } else {
    const uint64_t seconds =
        ((value[kDay] * 24 + value[kHour]) * 60 + value[kMinute]) * 60 + value[kSecond];
    if (seconds / 86400 > 999999999) return false;
    std::snprintf(buffer, sizeof buffer, "%c%09llu %02llu:%02llu:%02llu.%09llu",
                  negative && (seconds || nanos) ? '-' : '+',
                  static_cast<unsigned long long>(seconds / 86400),
                  static_cast<unsigned long long>(seconds / 3600 % 24),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60),
                  static_cast<unsigned long long>(nanos));
  }
  out->assign(buffer);
  return true;
}

}  // namespace

void SqliteWriter::Unsupported(uint32_t pos) { throw SemanticError(kOraUnimplemented, pos); }

void SqliteWriter::Ident(std::string_view name) {
  out_.push_back('"');
  for (char c : name) {
    if (c == '"') out_.push_back('"');
    out_.push_back(c);
  }
  out_.push_back('"');
}

void SqliteWriter::Literal(std::string_view text) {
  out_.push_back('\'');
  for (char c : text) {
    if (c == '\'') out_.push_back('\'');
    out_.push_back(c);
  }
  out_.push_back('\'');
}

void SqliteWriter::List(const sql::List<sql::Expr> &items) {
  bool first = true;
  for (const sql::Expr *a : items) {
    if (!first) Put(", ");
    first = false;
    Expr(a);
  }
}

void SqliteWriter::AsNumber(const sql::Expr *e) {
  if (TypeOf(e).IsCharacter()) {
    Put("to_number(");
    Expr(e);
    Put(")");
  } else {
    Expr(e);
  }
}

void SqliteWriter::AsText(const sql::Expr *e) {
  if (TypeOf(e).IsDatetime()) {
    Put("to_char(");
    Expr(e);
    Put(")");
  } else {
    Expr(e);
  }
}

void SqliteWriter::Compared(const sql::Expr *e, const OracleType &other) {
  const OracleType t = TypeOf(e);
  if (t.IsCharacter() && other.IsNumeric()) {
    AsNumber(e);
  } else if (t.IsCharacter() && other.IsDatetime()) {
    Put(other.Is(TypeCategory::kDate) ? "to_date(" : "to_timestamp(");
    Expr(e);
    Put(")");
  } else if (t.Is(TypeCategory::kDate) && other.Is(TypeCategory::kTimestamp)) {
    Put("(");
    Expr(e);
    Put("||'.000000000')");
  } else if (t.Is(TypeCategory::kChar) && other.Is(TypeCategory::kChar) &&
             e->kind != ExprKind::kName) {
    // CHAR against CHAR compares blank-padded: trailing blanks do not
    // count. Stored CHAR values keep none, so columns stay bare (and
    // indexed); literals and expressions lose theirs.
    Put("rtrim(");
    Expr(e);
    Put(", ' ')");
  } else {
    Expr(e);
  }
}

void SqliteWriter::Binary(const sql::Expr *e) {
  const OracleType a = TypeOf(e->left), b = TypeOf(e->right);
  if (e->op == Op::kConcat) {
    Put("concat(");
    AsText(e->left);
    Put(", ");
    AsText(e->right);
    Put(")");
    return;
  }
  if (const char *cmp = ComparisonOp(e->op)) {
    Put("(");
    Compared(e->left, b);
    Put(cmp);
    Compared(e->right, a);
    Put(")");
    return;
  }
  if (a.IsDatetime() || b.IsDatetime()) {
    const OracleType other = a.IsDatetime() ? b : a;
    if (other.Is(TypeCategory::kIntervalDS) || other.Is(TypeCategory::kIntervalYM)) {
      // DATE ± interval is a DATE, TIMESTAMP ± interval a TIMESTAMP.
      const sql::Expr *d = a.IsDatetime() ? e->left : e->right;
      Put("kestrel_add_interval(");
      Expr(d);
      Put(", ");
      Expr(a.IsDatetime() ? e->right : e->left);
      Put(e->op == Op::kSub ? ", -1, " : ", 1, ");
      Put(TypeOf(d).Is(TypeCategory::kTimestamp) ? "1)" : "0)");
      return;
    }
    if (a.IsDatetime() && b.IsDatetime()) {
      Put(a.Is(TypeCategory::kDate) && b.Is(TypeCategory::kDate) ? "kestrel_days_between("
                                                                  : "kestrel_ts_diff(");
      Expr(e->left);
      Put(", ");
      Expr(e->right);
      Put(")");
      return;
    }
    Put("kestrel_date_add(");
    Expr(a.IsDatetime() ? e->left : e->right);
    Put(e->op == Op::kSub ? ", -(" : ", (");
    AsNumber(a.IsDatetime() ? e->right : e->left);
    Put("))");
    return;
  }
  if (IntervalOperation(e, a, b)) return;
  if (e->op == Op::kDiv) {
    Put("kestrel_div(");
    AsNumber(e->left);
    Put(", ");
    AsNumber(e->right);
    Put(")");
    return;
  }
  Put("(");
  AsNumber(e->left);
  Put(e->op == Op::kAdd ? " + " : e->op == Op::kSub ? " - " : " * ");
  AsNumber(e->right);
  Put(")");
}

void SqliteWriter::Name(const sql::Expr *e) {
  if ((e->flags & kOuterJoin) && !outer_join_on_) Unsupported(e->pos);
  const ExprInfo *info = r_.Info(e);
  if (info == nullptr) Unsupported(e->pos);
  switch (info->binding) {
    case NameBinding::kColumn:
      if (HierarchyColumn(*info)) return;  // PRIOR's parent row
      if (JsonTableColumn(*info)) return;
      if (wrapped_ != nullptr && WrappedName(*info)) return;  // ROWNUM over a join
      if (returning_) return Ident(info->column);
      if (!info->source.empty() && !info->joined) {
        Ident(info->source);
        Put(".");
      }
      Ident(info->column);
      return;
    case NameBinding::kNextval: case NameBinding::kCurrval:
      Put(info->binding == NameBinding::kNextval ? "kestrel_nextval(" : "kestrel_currval(");
      Literal(info->column);
      Put(")");
      return;
    case NameBinding::kSelectItem:
      out_ += std::to_string(info->ordinal);
      return;
    case NameBinding::kPseudo: {
      const std::string_view n = info->column;
      if (n == "SYSDATE" || n == "CURRENT_DATE") return Put(kSysdate);
      if (n == "SYSTIMESTAMP" || n == "CURRENT_TIMESTAMP" || n == "LOCALTIMESTAMP") {
        return Put(kSystimestamp);
      }
      if (n == "USER") return Put("user()");
      if (n == "UID") return Put("uid()");
      return Pseudo(e, *info);  // ROWNUM, ROWID, LEVEL, CONNECT_BY_*
    }
    case NameBinding::kHostValue:
      out_ += "?" + std::to_string(info->ordinal);
      return;
    case NameBinding::kStoredCall:
      return StoredCall(e, *info);
    case NameBinding::kNone:
      break;
  }
  Unsupported(e->pos);
}

void SqliteWriter::Function(const sql::Expr *e) {
  if (const ExprInfo *info = r_.Info(e); info && info->binding == NameBinding::kStoredCall) {
    return StoredCall(e, *info);
  }
  if (JsonFunction(e)) return;
  if (e->extra != nullptr) return FunctionClauses(e);  // OVER, WITHIN GROUP, KEEP
  if (e->flags & (kIgnoreNulls | kFormatJson)) Unsupported(e->pos);
  std::string name;
  for (int i = 0; i < e->name.count; ++i) {
    if (i) name.push_back('_');
    for (char c : e->name.part[i]) {
      name.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
    }
  }
  std::string_view n = name;
  // Only the functions the library registers (or SQLite's own with
  // Oracle's meaning) are written; the rest are refused.
  static const char *const kNative[] = {
      "abs", "add_months", "ascii", "avg", "bitand", "ceil", "chr", "coalesce", "concat",
      "count", "decode", "exp", "floor", "greatest", "hextoraw", "initcap", "instr",
      "last_day", "least", "length", "lengthb", "ln", "log", "lower", "lpad", "ltrim", "max",
      "median", "min", "mod", "months_between", "next_day", "nullif", "numtodsinterval",
      "numtoyminterval", "nvl", "nvl2", "ora_hash", "power", "rawtohex", "regexp_count",
      "regexp_instr", "regexp_like", "regexp_replace", "regexp_substr", "remainder",
      "replace", "round", "rpad", "rtrim", "sign", "soundex", "sqrt", "stddev", "substr",
      "substrb", "sum", "sys_context", "sys_guid", "to_char", "to_date", "to_number",
      "to_timestamp", "translate", "trunc", "typeof", "upper", "userenv", "utl_raw_cast_to_raw",
      "utl_raw_cast_to_varchar2", "variance", "width_bucket", "empty_blob", "empty_clob", "to_clob", "to_nclob", "to_blob"};
  bool known = false;
  for (const char *k : kNative) known = known || n == k;
  if (n == "sys_connect_by_path") return HierarchyValue(e);
  if (!known) Unsupported(e->pos);
  if (n == "empty_blob") return Put("zeroblob(0)");
  if (n == "empty_clob") return Put("''");
  // A CLOB is stored as text: TO_CLOB of text is the text, of anything
  // else its text form.
  // A BLOB is stored as bytes, as RAW is: TO_BLOB of RAW is the bytes, of
  // text the bytes its hexadecimal digits give (the implicit RAW
  // conversion).
  if (n == "to_blob" && e->args.size == 1) {
    if (TypeOf(e->args.first).IsBinary()) return Expr(e->args.first);
    Put("hextoraw(");
    Expr(e->args.first);
    Put(")");
    return;
  }
  if ((n == "to_clob" || n == "to_nclob") && e->args.size == 1) {
    if (TypeOf(e->args.first).IsCharacter()) return Expr(e->args.first);
    Put("to_char(");
    Expr(e->args.first);
    Put(")");
    return;
  }
  // SUM adds decimals exactly; SQLite's would drift on money.
  if (n == "sum" && !TypeOf(e).Is(TypeCategory::kBinaryDouble)) n = "kestrel_sum";
  Put(n);
  Put("(");
  if (e->flags & kDistinct) Put("DISTINCT ");
  if (e->args.size == 1 && e->args.first->kind == ExprKind::kStar) {
    Put("*");
  } else {
    List(e->args);
  }
  Put(")");
}

void SqliteWriter::Cast(const sql::Expr *e) {
  const OracleType from = TypeOf(e->left);
  const OracleType to = TypeOf(e);
  auto call = [&](const char *f) {
    Put(f);
    Expr(e->left);
    Put(")");
  };
  if (from.Is(TypeCategory::kNull)) return Expr(e->left);
  switch (to.category) {
    case TypeCategory::kNumber: case TypeCategory::kBinaryDouble:
      return from.IsNumeric() ? Expr(e->left) : call("to_number(");
    case TypeCategory::kVarchar2: case TypeCategory::kChar: case TypeCategory::kClob:
      return from.IsCharacter() ? Expr(e->left) : call("to_char(");
    case TypeCategory::kDate:
      if (from.Is(TypeCategory::kDate)) return Expr(e->left);
      if (from.Is(TypeCategory::kTimestamp)) {
        Put("substr(");
        Expr(e->left);
        Put(", 1, 19)");
        return;
      }
      return from.IsCharacter() ? call("to_date(") : Unsupported(e->pos);
    case TypeCategory::kTimestamp:
      if (from.Is(TypeCategory::kTimestamp)) return Expr(e->left);
      if (from.Is(TypeCategory::kDate)) {
        Put("(");
        Expr(e->left);
        Put("||'.000000000')");
        return;
      }
      return from.IsCharacter() ? call("to_timestamp(") : Unsupported(e->pos);
    default:
      Unsupported(e->pos);
  }
}

void SqliteWriter::Expr(const sql::Expr *e) {
  if (grouping_ != nullptr && GroupingExpr(e)) return;  // ROLLUP, CUBE, GROUPING SETS
  if (nested_ != nullptr && NestedAggregateRef(e)) return;  // MAX(SUM(x))
  switch (e->kind) {
    case ExprKind::kNumber:
      return Put(e->text);
    case ExprKind::kString:
      if (e->text.empty()) return Put("NULL");  // Oracle has no empty string
      return Literal(e->text);
    case ExprKind::kNull:
      return Put("NULL");
    case ExprKind::kDateLit: case ExprKind::kTimestampLit: {
      std::string stored;
      if (!StoredLiteral(e->text, e->kind == ExprKind::kTimestampLit, &stored)) {
        throw SemanticError(1861, e->pos);
      }
      return Literal(stored);
    }
    case ExprKind::kIntervalLit: {
      std::string stored;
      if (e->type == nullptr || !StoredInterval(e->text, *e->type, &stored)) {
        throw SemanticError(1867, e->pos);
      }
      return Literal(stored);
    }
    case ExprKind::kBind: {
      if (const ExprInfo *info = r_.Info(e); info && info->binding == NameBinding::kHostValue) {
        return Name(e);
      }
      // SQLite spells parameter names with letters, digits, _ and $ (and
      // bytes of other characters): a quoted Oracle name's other bytes
      // become $HH, so the name stays distinct and can be read back.
      static const char kHex[] = "0123456789ABCDEF";
      out_.push_back(':');
      for (const char c : e->text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
            b == '_' || b >= 0x80) {
          out_.push_back(c);
        } else {
          out_.push_back('$');
          out_.push_back(kHex[b >> 4]);
          out_.push_back(kHex[b & 15]);
        }
      }
      return;
    }
    case ExprKind::kName:
      return Name(e);
    case ExprKind::kStar: {
      const auto found = r_.stars.find(e);
      if (found == r_.stars.end()) Unsupported(e->pos);
      bool first = true;
      for (const StarColumn &c : found->second) {
        if (!first) Put(", ");
        first = false;
        ExprInfo column;
        column.source = c.source;
        column.column = c.column;
        column.joined = c.source.empty();
        if (JsonTableColumn(column)) continue;
        if (wrapped_ != nullptr && WrappedName(column)) continue;
        if (!c.source.empty()) {
          Ident(c.source);
          Put(".");
        }
        Ident(c.column);
      }
      return;
    }
    case ExprKind::kUnary:
      if (e->op == Op::kNot) {
        Put("NOT (");
        Expr(e->left);
        return Put(")");
      }
      if (e->op == Op::kNeg) {
        Put("-(");
        AsNumber(e->left);
        return Put(")");
      }
      if (e->op == Op::kPlus) return AsNumber(e->left);
      return HierarchyValue(e);  // PRIOR, CONNECT_BY_ROOT
    case ExprKind::kBinary:
      return Binary(e);
    case ExprKind::kLogical: {
      Put("(");
      bool first = true;
      for (const sql::Expr *a : e->args) {
        if (!first) Put(e->op == Op::kAnd ? " AND " : " OR ");
        first = false;
        Expr(a);
      }
      return Put(")");
    }
    case ExprKind::kLike:
      // Oracle's LIKE is case-sensitive; SQLite's is not.
      if (e->op != Op::kLike) Unsupported(e->pos);
      Put(e->flags & kNegated ? "NOT kestrel_like(" : "kestrel_like(");
      AsText(e->left);
      Put(", ");
      AsText(e->right);
      if (e->third != nullptr) {
        Put(", ");
        Expr(e->third);
      }
      return Put(")");
    case ExprKind::kBetween: {
      const OracleType t = TypeOf(e->left);
      OracleType bound = TypeOf(e->right);
      if (bound.Is(TypeCategory::kNull)) bound = TypeOf(e->third);
      Put("(");
      Compared(e->left, bound);
      Put(e->flags & kNegated ? " NOT BETWEEN " : " BETWEEN ");
      Compared(e->right, t);
      Put(" AND ");
      Compared(e->third, t);
      return Put(")");
    }
    case ExprKind::kIn: case ExprKind::kQuantified: {
      const bool any = e->kind == ExprKind::kIn || (e->flags & kAnyQuant);
      const bool negated = e->kind == ExprKind::kIn && (e->flags & kNegated);
      const Op op = e->kind == ExprKind::kIn ? Op::kEq : e->op;
      if (e->query != nullptr) {
        // = ANY is IN and <> ALL is NOT IN (SqliteQuantified.cpp: the others)
        bool in = e->kind == ExprKind::kIn || (any && op == Op::kEq);
        bool notIn = negated || (!any && op == Op::kNe);
        if (!in && !notIn) return QuantifiedSubquery(e);
        Put("(");
        Expr(e->left);
        Put(notIn ? " NOT IN (" : " IN (");
        SubqueryOf(e);
        return Put("))");
      }
      if (e->kind == ExprKind::kIn) {
        Put("(");
        Compared(e->left, TypeOf(e->args.first));
        Put(negated ? " NOT IN (" : " IN (");
        bool first = true;
        for (const sql::Expr *a : e->args) {
          if (!first) Put(", ");
          first = false;
          Compared(a, TypeOf(e->left));
        }
        return Put("))");
      }
      Put("(");
      bool first = true;
      for (const sql::Expr *a : e->args) {
        if (!first) Put(any ? " OR " : " AND ");
        first = false;
        Put("(");
        Compared(e->left, TypeOf(a));
        Put(ComparisonOp(op));
        Compared(a, TypeOf(e->left));
        Put(")");
      }
      return Put(")");
    }
    case ExprKind::kIsNull:
      Put("(");
      Expr(e->left);
      return Put(e->flags & kNegated ? " IS NOT NULL)" : " IS NULL)");
    case ExprKind::kExists:
      Put("EXISTS (");
      SubqueryOf(e);
      return Put(")");
    case ExprKind::kSubquery:
      Put("(");
      SubqueryOf(e);
      return Put(")");
    case ExprKind::kRow:
      Put("(");
      List(e->args);
      return Put(")");
    case ExprKind::kCase:
      Put("CASE");
      if (e->left != nullptr) {
        Put(" ");
        Expr(e->left);
      }
      for (const sql::Expr *w : e->args) {
        Put(" WHEN ");
        if (e->left != nullptr) Compared(w->left, TypeOf(e->left)); else Expr(w->left);
        Put(" THEN ");
        Expr(w->right);
      }
      if (e->right != nullptr) {
        Put(" ELSE ");
        Expr(e->right);
      }
      return Put(" END");
    case ExprKind::kCast:
      return Cast(e);
    case ExprKind::kExtract:
      Put("kestrel_extract(");
      Literal(e->text);
      Put(", ");
      Expr(e->left);
      return Put(")");
    case ExprKind::kTrim:
      if (e->trim_spec == 0 && e->right == nullptr) {
        Put("trim(");
        Expr(e->left);
        return Put(")");
      }
      Put(e->trim_spec == 1 ? "kestrel_trim('LEADING', "
                            : e->trim_spec == 2 ? "kestrel_trim('TRAILING', "
                                                : "kestrel_trim('BOTH', ");
      if (e->right != nullptr) Expr(e->right); else Put("' '");
      Put(", ");
      Expr(e->left);
      return Put(")");
    case ExprKind::kFunction:
      return Function(e);
    case ExprKind::kIsJson:
      return IsJson(e);
    default:
      Unsupported(e->pos);
  }
}

}  // namespace kestrel_engine::sql
