/*
** Oracle's SQL/JSON functions and JSON_TABLE on SQLite's JSON functions.
** Oracle's default error handling is NULL ON ERROR, so a document that is
** not JSON reads as NULL (json_valid guards every use). JSON_VALUE gives
** scalars only (true and false as text), JSON_QUERY objects and arrays
** (scalars too with a wrapper); JSON_ARRAY and JSON_ARRAYAGG leave NULLs
** out, JSON_OBJECT keeps them. A JSON_TABLE row path or NESTED PATH ending
** in [*] walks that array (json_each), any other path is the one value
** there; a NESTED PATH keeps its parent row when it finds nothing, as
** Oracle's outer join does. Paths with filters or other wildcards are not
** written (ORA-03001).
*/
#include "sql/emit/SqliteWriter.h"

namespace kestrel_engine::sql {

namespace {

// The path without a trailing [*]; false for paths SQLite cannot follow.
bool SplitPath(std::string_view path, std::string *prefix, bool *each) {
  *each = path.size() >= 3 && path.substr(path.size() - 3) == "[*]";
  if (*each) path.remove_suffix(3);
  if (path.empty() || path[0] != '$') return false;
  if (path.find('*') != std::string_view::npos || path.find('?') != std::string_view::npos ||
      path.find("..") != std::string_view::npos || path.find(" ") != std::string_view::npos) {
    return false;
  }
  prefix->assign(path);
  return true;
}

}  // namespace

// A document held in a BLOB is read as its text.
void SqliteWriter::JsonDocument(const sql::Expr *doc) {
  const bool blob = TypeOf(doc).Is(TypeCategory::kBlob);
  const auto text = [&]() {
    if (blob) Put("CAST(");
    Expr(doc);
    if (blob) Put(" AS TEXT)");
  };
  Put("(CASE WHEN json_valid(");
  text();
  Put(") THEN ");
  text();
  Put(" END)");
}

std::string SqliteWriter::JsonPath(const sql::Expr *path) {
  std::string prefix;
  bool each = false;
  if (path == nullptr || path->kind != ExprKind::kString || !SplitPath(path->text, &prefix, &each) ||
      each) {
    Unsupported(path != nullptr ? path->pos : 0);
  }
  return prefix;
}

bool SqliteWriter::JsonFunction(const sql::Expr *e) {
  if (e->name.count != 1) return false;
  const std::string_view n = e->name.part[0];
  const FuncExtra *x = e->extra;
  const auto plainErrors = [&]() {
    if (x == nullptr) return;
    if ((x->on_error.kind != JsonOn::kNone && x->on_error.kind != JsonOn::kNull) ||
        (x->on_empty.kind != JsonOn::kNone && x->on_empty.kind != JsonOn::kNull) ||
        x->strict || x->with_unique_keys || x->pretty) {
      Unsupported(e->pos);
    }
  };
  if (n == "JSON_VALUE" || n == "JSON_QUERY" || n == "JSON_EXISTS") {
    plainErrors();
    const sql::Expr *doc = e->args.first;
    const std::string path = JsonPath(static_cast<const sql::Expr *>(doc->next));
    const auto type = [&]() {
      Put("json_type(");
      JsonDocument(doc);
      Put(", ");
      Literal(path);
      Put(")");
    };
    const auto value = [&]() {
      Put("json_extract(");
      JsonDocument(doc);
      Put(", ");
      Literal(path);
      Put(")");
    };
    if (n == "JSON_EXISTS") {
      Put("(");
      type();
      Put(" IS NOT NULL)");
      return true;
    }
    if (n == "JSON_VALUE") {
      const bool number = x != nullptr && x->returning != nullptr &&
                          TypeFromTypeName(*x->returning).IsNumeric();
      Put(number ? "to_number(CASE " : "(CASE ");
      type();
      Put(" WHEN 'true' THEN 'true' WHEN 'false' THEN 'false' WHEN 'object' THEN NULL"
          " WHEN 'array' THEN NULL ELSE ");
      value();
      Put(" END)");
      return true;
    }
    // JSON_QUERY: objects and arrays as JSON text; a wrapper makes an array.
    const uint8_t wrapper = x != nullptr ? x->wrapper : 0;
    Put("(CASE WHEN ");
    type();
    Put(" IN ('object', 'array') THEN ");
    if (wrapper == 2 || wrapper == 4) {
      Put("json_array(");
      value();
      Put(")");
    } else {
      value();
    }
    if (wrapper >= 2) {
      Put(" WHEN ");
      type();
      Put(" IS NOT NULL THEN json_array(");
      value();
      Put(")");
    }
    Put(" END)");
    return true;
  }
  if (n == "JSON_OBJECT") {
    plainErrors();
    if (x != nullptr && x->null_on_null == 2) Unsupported(e->pos);  // ABSENT ON NULL
    Put("json_object(");
    bool first = true;
    for (const sql::Expr *pair : e->args) {
      if (pair->kind != ExprKind::kJsonPair || pair->right == nullptr) Unsupported(pair->pos);
      if (!first) Put(", ");
      first = false;
      AsText(pair->left);
      Put(", ");
      JsonMember(pair->right, (pair->flags & kFormatJson) != 0);
    }
    Put(")");
    return true;
  }
  if (n == "JSON_ARRAY") {
    plainErrors();
    if (x != nullptr && x->null_on_null == 1) {
      Put("json_array(");
      bool first = true;
      for (const sql::Expr *a : e->args) {
        if (!first) Put(", ");
        first = false;
        JsonMember(a, (a->flags & kFormatJson) != 0);
      }
      Put(")");
      return true;
    }
    // ABSENT ON NULL, Oracle's default here: the values that are not NULL.
    Put("(SELECT json_group_array(json(\"kestrel$v\")) FROM (");
    bool first = true;
    for (const sql::Expr *a : e->args) {
      Put(first ? "SELECT json_quote(" : " UNION ALL SELECT json_quote(");
      first = false;
      JsonMember(a, (a->flags & kFormatJson) != 0);
      Put(") AS \"kestrel$v\", ");
      Put(a->pos == 0 ? "0" : std::to_string(a->pos));
      Put(" AS \"kestrel$o\" WHERE ");
      Expr(a);
      Put(" IS NOT NULL");
    }
    if (first) Put("SELECT NULL AS \"kestrel$v\", 0 AS \"kestrel$o\" WHERE 0");
    Put(" ORDER BY \"kestrel$o\"))");
    return true;
  }
  if (n == "JSON_ARRAYAGG") {
    plainErrors();
    if (e->args.size != 1 || (x != nullptr && x->null_on_null == 1) || (e->flags & kDistinct) ||
        (x != nullptr && x->over != nullptr)) {
      Unsupported(e->pos);
    }
    // The values in order, as LISTAGG gathers them; none gives NULL.
    Put("('[' || kestrel_listagg(CASE WHEN ");
    Expr(e->args.first);
    Put(" IS NOT NULL THEN json_quote(");
    JsonMember(e->args.first, (e->args.first->flags & kFormatJson) != 0);
    Put(") END, ',', 0, NULL");
    if (x != nullptr) SortKeys(x->order);
    Put(") || ']')");
    return true;
  }
  return false;
}

// A value inside a JSON object or array: text stays a string (JSON text
// too, unless FORMAT JSON), dates in ISO form, numbers as numbers.
void SqliteWriter::JsonMember(const sql::Expr *v, bool formatJson) {
  if (formatJson) {
    Put("json(");
    Expr(v);
    return Put(")");
  }
  const OracleType t = TypeOf(v);
  if (t.IsDatetime()) {
    Put("replace(");
    Expr(v);
    return Put(", ' ', 'T')");
  }
  Expr(v);
}

void SqliteWriter::IsJson(const sql::Expr *e) {
  const bool blob = TypeOf(e->left).Is(TypeCategory::kBlob);
  Put("(CASE WHEN ");
  Expr(e->left);
  Put(" IS NULL THEN NULL ELSE json_valid(");
  if (blob) Put("CAST(");
  Expr(e->left);
  if (blob) Put(" AS TEXT)");
  Put(e->flags & kNegated ? ") = 0 END)" : ") = 1 END)");
}

// JSON_TABLE's levels: the row path's, then one per NESTED PATH (one at
// each level).
std::vector<SqliteWriter::JsonLevel> SqliteWriter::JsonLevels(const TableRef *t) {
  std::vector<JsonLevel> levels;
  std::string prefix;
  bool each = false;
  const std::string_view rowPath = t->path != nullptr ? t->path->text : std::string_view("$");
  if (!SplitPath(rowPath, &prefix, &each)) Unsupported(t->path != nullptr ? t->path->pos : t->pos);
  levels.push_back({&t->columns, prefix, each});
  for (size_t i = 0; i < levels.size(); ++i) {
    const JsonColumn *nested = nullptr;
    for (const JsonColumn *c : *levels[i].columns) {
      if (c->kind != JsonColumn::kNested) continue;
      if (nested != nullptr) Unsupported(c->pos);  // sibling NESTED PATHs
      nested = c;
    }
    if (nested == nullptr) break;
    if (nested->path == nullptr || !SplitPath(nested->path->text, &prefix, &each)) {
      Unsupported(nested->pos);
    }
    levels.push_back({&nested->nested, prefix, each});
  }
  return levels;
}

void SqliteWriter::JsonLevelName(const TableRef *t, size_t level) {
  Put("\"kestrel$j");
  Put(std::to_string(t->pos));
  Put("_");
  Put(std::to_string(level));
  Put("\"");
}

// A level's value as JSON text, for the paths below it.
void SqliteWriter::JsonContext(const TableRef *t, size_t level) {
  Put("(CASE WHEN ");
  JsonLevelName(t, level);
  Put(".type IN ('object', 'array') THEN ");
  JsonLevelName(t, level);
  Put(".value ELSE json_quote(");
  JsonLevelName(t, level);
  Put(".value) END)");
}

// The rows: json_each over the array a path ending in [*] names, or over a
// one-element array holding the value any other path names; each NESTED
// PATH a LEFT JOIN, so its parent row stays when it finds nothing.
void SqliteWriter::JsonTable(const TableRef *t) {
  const std::vector<JsonLevel> levels = JsonLevels(t);
  for (size_t i = 0; i < levels.size(); ++i) {
    if (i > 0) Put(" LEFT JOIN ");
    const auto doc = [&]() {
      if (i == 0) {
        JsonDocument(t->expr);
      } else {
        JsonContext(t, i - 1);
      }
    };
    Put("json_each(");
    if (levels[i].each) {
      doc();
      Put(", ");
      Literal(levels[i].path);
    } else {
      Put("CASE WHEN json_type(");
      doc();
      Put(", ");
      Literal(levels[i].path);
      Put(") IS NOT NULL THEN json_array(json(json_quote(json_extract(");
      doc();
      Put(", ");
      Literal(levels[i].path);
      Put(")))) END");
    }
    Put(") AS ");
    JsonLevelName(t, i);
    if (i > 0) Put(" ON 1");
  }
}

bool SqliteWriter::JsonTableColumn(const ExprInfo &info) {
  for (const auto &[ref, source] : r_.sources) {
    if (ref->kind != TableKind::kJsonTable || source.alias.size() != info.source.size() ||
        source.alias != info.source) {
      continue;
    }
    if (!info.source.empty() && source.alias.data() != info.source.data()) continue;
    const std::vector<JsonLevel> levels = JsonLevels(ref);
    for (size_t i = 0; i < levels.size(); ++i) {
      for (const JsonColumn *c : *levels[i].columns) {
        if (c->kind == JsonColumn::kNested || c->name->name != info.column) continue;
        JsonColumnValue(ref, i, c);
        return true;
      }
    }
  }
  return false;
}

void SqliteWriter::JsonColumnValue(const TableRef *t, size_t level, const JsonColumn *c) {
  if (c->kind == JsonColumn::kOrdinality) {
    Put("(");
    JsonLevelName(t, level);
    Put(".key + 1)");
    return;
  }
  std::string path = "$.";
  path += c->name->name;
  if (c->path != nullptr) {
    bool each = false;
    if (c->path->kind != ExprKind::kString || !SplitPath(c->path->text, &path, &each) || each) {
      Unsupported(c->path->pos);
    }
  }
  const OracleType type = c->type != nullptr ? TypeFromTypeName(*c->type)
                                             : MakeType(TypeCategory::kVarchar2, 4000);
  const auto call = [&](const char *f) {
    Put(f);
    Put("(");
    JsonContext(t, level);
    Put(", ");
    Literal(path);
    Put(")");
  };
  if (c->kind == JsonColumn::kExists) {
    Put("(CASE WHEN ");
    JsonLevelName(t, level);
    Put(".id IS NULL THEN NULL WHEN ");
    call("json_type");
    Put(" IS NOT NULL THEN 'true' ELSE 'false' END)");
  } else if (c->kind == JsonColumn::kQuery) {
    Put("(CASE WHEN ");
    call("json_type");
    Put(" IN ('object', 'array') THEN ");
    call("json_extract");
    Put(" END)");
  } else if (type.IsNumeric()) {
    Put("to_number(");
    call("json_extract");
    Put(")");
  } else if (type.IsCharacter()) {
    Put("(CASE ");
    call("json_type");
    Put(" WHEN 'object' THEN NULL WHEN 'array' THEN NULL WHEN 'true' THEN 'true'"
        " WHEN 'false' THEN 'false' ELSE CAST(");
    call("json_extract");
    Put(" AS TEXT) END)");
  } else {
    Unsupported(c->pos);
  }
}

}  // namespace kestrel_engine::sql
