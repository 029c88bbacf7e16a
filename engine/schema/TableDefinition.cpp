/*
** Column definitions and constraints from the syntax tree. Physical
** clauses (TABLESPACE, STORAGE, ORGANIZATION, LOB storage, ...) never
** reach the tree's columns, so nothing here needs to skip them.
*/
#include "schema/TableDefinition.h"

#include <cctype>
#include <cstdlib>

#include "schema/ExprSql.h"
#include "sql/resolve/Resolve.h"

namespace kestrel_engine::schema {

namespace {

std::string Sized(const char *name, int32_t n) {
  return n >= 0 ? std::string(name) + "(" + std::to_string(n) + ")" : std::string(name);
}

// seq.NEXTVAL as a whole DEFAULT: the sequence's stored name.
std::string NextvalSequence(const sql::Expr *e) {
  if (e == nullptr || e->kind != sql::ExprKind::kName || e->name.count < 2) return {};
  if (e->name.Last() != "NEXTVAL") return {};
  return std::string(e->name.part[e->name.count - 2]);
}

std::vector<std::string> Names(const sql::List<sql::Ident> &idents) {
  std::vector<std::string> out;
  for (const sql::Ident *i : idents) out.emplace_back(i->name);
  return out;
}

// A CHECK condition as written: from its first token to the parenthesis
// that closes CHECK ( ... ), string literals and quoted names skipped.
std::string AsWritten(std::string_view text, const sql::Expr &e) {
  size_t start = sql::StartOf(&e);
  if (start >= text.size()) return OracleText(e);
  int depth = 0;
  for (size_t i = start; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\'' || c == '"') {
      const size_t close = text.find(c, i + 1);
      if (close == std::string_view::npos) break;
      i = close;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth-- == 0) {
        std::string out(text.substr(start, i - start));
        while (!out.empty() && std::isspace(static_cast<unsigned char>(out.back()))) out.pop_back();
        return out;
      }
    }
  }
  return OracleText(e);
}

}  // namespace

long long Integer(const sql::Expr *e, long long otherwise) {
  if (e == nullptr) return otherwise;
  if (e->kind == sql::ExprKind::kUnary && e->op == sql::Op::kNeg) return -Integer(e->left, -otherwise);
  if (e->kind == sql::ExprKind::kNumber) return std::strtoll(std::string(e->text).c_str(), nullptr, 10);
  Fail(2017, "integer value required");
}

std::string DeclaredType(const sql::TypeName &t) {
  using sql::TypeKind;
  switch (t.kind) {
    case TypeKind::kNumber:
      if (t.precision == -2) return "NUMBER(38," + std::to_string(t.scale < 0 ? 0 : t.scale) + ")";
      if (t.precision < 0) return "NUMBER";
      if (t.scale == -1) return Sized("NUMBER", t.precision);  // -1: no scale given
      return "NUMBER(" + std::to_string(t.precision) + "," + std::to_string(t.scale) + ")";
    case TypeKind::kDecimal:
      if (t.precision < 0) return "NUMBER(38,0)";
      return "NUMBER(" + std::to_string(t.precision) + "," + std::to_string(t.scale < 0 ? 0 : t.scale) + ")";
    case TypeKind::kFloat: return Sized("FLOAT", t.precision);
    case TypeKind::kBinaryFloat: return "BINARY_FLOAT";
    case TypeKind::kBinaryDouble: return "BINARY_DOUBLE";
    case TypeKind::kInteger: return "INTEGER";
    case TypeKind::kSmallint: return "SMALLINT";
    case TypeKind::kReal: return "REAL";
    case TypeKind::kDoublePrecision: return "DOUBLE PRECISION";
    case TypeKind::kVarchar2: return Sized("VARCHAR2", t.precision);
    case TypeKind::kVarchar: return Sized("VARCHAR2", t.precision);
    case TypeKind::kNVarchar2: return Sized("NVARCHAR2", t.precision);
    case TypeKind::kChar: return Sized("CHAR", t.precision < 0 ? 1 : t.precision);
    case TypeKind::kNChar: return Sized("NCHAR", t.precision < 0 ? 1 : t.precision);
    case TypeKind::kLong: return "LONG";
    case TypeKind::kLongRaw: return "LONG RAW";
    case TypeKind::kRaw: return Sized("RAW", t.precision);
    case TypeKind::kClob: return "CLOB";
    case TypeKind::kNClob: return "NCLOB";
    case TypeKind::kBlob: return "BLOB";
    case TypeKind::kBfile: return "BFILE";
    case TypeKind::kDate: return "DATE";
    case TypeKind::kTimestamp: {
      const char *zone = t.time_zone == 1 ? "TIMESTAMP WITH TIME ZONE"
                         : t.time_zone == 2 ? "TIMESTAMP WITH LOCAL TIME ZONE"
                                            : "TIMESTAMP";
      return Sized(zone, t.precision);
    }
    case TypeKind::kIntervalYM: return "INTERVAL YEAR TO MONTH";
    case TypeKind::kIntervalDS: return Sized("INTERVAL DAY TO SECOND", t.precision);
    case TypeKind::kBoolean: return "BOOLEAN";
    case TypeKind::kRowid: return "ROWID";
    case TypeKind::kURowid: return "UROWID";
    case TypeKind::kXmlType: return "XMLTYPE";
    case TypeKind::kJson: return "JSON";
  }
  return "VARCHAR2";
}

ConstraintDef PlanConstraint(Ddl &ddl, const std::string &table, const sql::Constraint &c,
                             const std::string &column) {
  ConstraintDef d;
  d.table = table;
  if (c.name != nullptr) d.name = std::string(c.name->name);
  d.columns = c.columns.empty() && !column.empty() ? std::vector<std::string>{column} : Names(c.columns);
  d.enabled = c.enabled != 2;
  d.validate = c.validate != 2;
  switch (c.kind) {
    case sql::ConstraintKind::kNotNull:
      d.type = 'C';
      d.not_null = true;
      d.condition = QuoteIdent(column) + " IS NOT NULL";
      break;
    case sql::ConstraintKind::kPrimaryKey: d.type = 'P'; break;
    case sql::ConstraintKind::kUnique: d.type = 'U'; break;
    case sql::ConstraintKind::kForeignKey:
      d.type = 'R';
      d.r_table = std::string(c.ref_table.Last());
      d.r_columns = Names(c.ref_columns);
      d.delete_rule = c.on_delete == 1 ? "CASCADE" : c.on_delete == 2 ? "SET NULL" : "NO ACTION";
      break;
    case sql::ConstraintKind::kCheck:
      d.type = 'C';
      d.condition = AsWritten(ddl.text, *c.check);
      break;
    case sql::ConstraintKind::kNull: break;
  }
  return d;
}

namespace {

// A virtual column: SQLite's VIRTUAL generated column, of its declared
// type or else its expression's. The table must exist (in some form) so
// that the expression's columns resolve.
void PlanVirtualColumn(Ddl &ddl, const sql::ColumnDef &column, TablePlan *plan) {
  const std::string name(column.name->name);
  sql::OracleType type;
  const std::string expression =
      ColumnExpressionSql(ddl, plan->table, OracleText(*column.virtual_expr), &type);
  if (column.type == nullptr && type.Is(sql::TypeCategory::kNull)) {
    throw DdlError{OraError::Verbatim(1723, "ORA-01723: zero-length columns are not allowed")};
  }
  // The expression as written rides along in a comment, which SQLite keeps
  // in the table's definition, for the dictionary's DATA_DEFAULT.
  std::string written = OracleText(*column.virtual_expr);
  for (size_t at; (at = written.find("*/")) != std::string::npos;) written.replace(at, 2, "* /");
  std::string def = QuoteIdent(name) + " " +
                    (column.type != nullptr ? DeclaredType(*column.type) : sql::TypeText(type)) +
                    " GENERATED ALWAYS AS (" + expression + ") VIRTUAL /* virtual " +
                    QuoteIdent(name) + ": " + written + " */";
  for (const sql::Constraint *c : column.constraints) {
    if (c->kind == sql::ConstraintKind::kNull) continue;
    plan->constraints.push_back(PlanConstraint(ddl, plan->table, *c, name));
  }
  plan->columns.push_back(def);
}

}  // namespace

void PlanColumn(Ddl &ddl, const sql::ColumnDef &column, TablePlan *plan) {
  const std::string name(column.name->name);
  if (column.virtual_expr != nullptr) return PlanVirtualColumn(ddl, column, plan);
  if (column.type == nullptr) Fail(3001);
  std::string def = QuoteIdent(name) + " " + DeclaredType(*column.type);
  bool notNull = false;
  for (const sql::Constraint *c : column.constraints) {
    if (c->kind == sql::ConstraintKind::kNull) continue;
    ConstraintDef d = PlanConstraint(ddl, plan->table, *c, name);
    if (d.type == 'R' && d.r_columns.empty() && c->ref_columns.empty()) d.r_columns.clear();
    if (d.not_null && d.enabled) notNull = true;
    plan->constraints.push_back(std::move(d));
  }
  if (column.identity != 0) {
    // The sequence is the column's DEFAULT, so RETURNING sees the value;
    // an explicit NULL meets the NOT NULL (ON NULL replaces it, ALWAYS
    // refuses any value given). An identity added to a table in place
    // (SQLite takes only a constant default there) is filled after the insert.
    IdentityDef id;
    id.table = plan->table;
    id.column = name;
    id.sequence = NextIdentitySequence(ddl, *plan);
    id.kind = plan->in_place ? "FILL"
              : column.identity == 1 ? "ALWAYS" : column.identity == 3 ? "ON NULL" : "BY DEFAULT";
    if (column.identity_options != nullptr) {
      id.start = Integer(column.identity_options->start, 1);
      id.increment = Integer(column.identity_options->increment, 1);
    }
    if (id.kind != "FILL") {
      def += " DEFAULT (kestrel_identity_nextval(" + QuoteText(id.sequence) + "))";
      def += id.kind == "ON NULL" ? " NOT NULL ON CONFLICT REPLACE" : " NOT NULL";
    }
    plan->identities.push_back(id);
    ConstraintDef nn;
    nn.type = 'C';
    nn.not_null = true;
    nn.table = plan->table;
    nn.columns = {name};
    nn.condition = QuoteIdent(name) + " IS NOT NULL";
    plan->constraints.push_back(nn);
  } else if (column.default_value != nullptr) {
    const std::string sequence = NextvalSequence(column.default_value);
    if (!sequence.empty() && plan->in_place) {
      plan->identities.push_back(IdentityDef{plan->table, name, sequence, "FILL"});
    } else {
      def += " DEFAULT (" +
             (sequence.empty() ? ExpressionSql(ddl, OracleText(*column.default_value))
                               : "kestrel_identity_nextval(" + QuoteText(sequence) + ")") +
             ")";
      if (column.default_on_null) def += " NOT NULL ON CONFLICT REPLACE";
    }
  }
  // Declared too, so describe and the dictionary see it; the constraint's
  // trigger answers first, with Oracle's message.
  if (notNull && column.identity == 0 && !column.default_on_null) def += " NOT NULL";
  plan->columns.push_back(def);
}

std::string NextIdentitySequence(Ddl &ddl, const TablePlan &plan) {
  const auto rows = ddl.Rows(
      "SELECT coalesce(max(CAST(substr(name, 8) AS INTEGER)), 0) FROM "
      "main.\"kestrel$sequences\" WHERE name GLOB 'ISEQ$$_[0-9]*'");
  long long n = std::strtoll(rows[0][0].c_str(), nullptr, 10) + 1;
  for (const IdentityDef &id : plan.identities) n += id.sequence.rfind("ISEQ$$_", 0) == 0;
  return "ISEQ$$_" + std::to_string(n);
}

std::string ResolveParent(Ddl &ddl, const std::string &name, const std::string &self) {
  if (name == self) return self;
  sql::Name n;
  n.part[0] = name;
  n.count = 1;
  std::string table = FindTable(ddl, n);
  if (table.empty()) Fail(942);
  return table;
}

void ApplyPlan(Ddl &ddl, const TablePlan &plan) {
  for (const IdentityDef &id : plan.identities) {
    if (id.sequence.rfind("ISEQ$$_", 0) == 0) {
      const bool up = id.increment > 0;
      ddl.Rows("INSERT INTO main.\"kestrel$sequences\" VALUES (?1, ?2, ?3, ?4, ?5, 'N', 'N', 20, ?6, 0)",
               {id.sequence, ddl.owner(), up ? "1" : "-9223372036854775807",
                up ? "9223372036854775807" : "-1", std::to_string(id.increment),
                std::to_string(id.start)});
    }
    AddIdentity(ddl, id);
    // Added to a table with rows: they take their values now, as Oracle's do.
    if (id.kind == "FILL") {
      ddl.Rows("UPDATE main." + QuoteIdent(id.table) + " SET " + QuoteIdent(id.column) +
                   " = kestrel_identity_nextval(?1) WHERE " + QuoteIdent(id.column) + " IS NULL",
               {id.sequence});
    }
  }
  for (const ConstraintDef &c : plan.constraints) AddConstraint(ddl, c);
  RefreshTable(ddl, plan.table);
  // A parent's triggers guard its side of each new foreign key.
  for (const ConstraintDef &c : plan.constraints) {
    if (c.type == 'R' && c.r_table != plan.table) RefreshTable(ddl, c.r_table);
  }
}

}  // namespace kestrel_engine::schema
