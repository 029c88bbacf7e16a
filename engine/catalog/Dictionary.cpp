/*
** The dictionary views. Names are shown as the vendor stores them: a name
** made of lower-case letters (as SQLite keeps an unquoted name) in upper
** case, any other as written. Column types come from the declared type by
** the same rules the describe follows.
*/
#include "catalog/Dictionary.h"

#include <ctype.h>
#include <string.h>

#include <string>
#include <string_view>
#include <vector>

#include "catalog/PrivilegeViews.h"
#include "catalog/StorageNames.h"
#include "sql/Lexer.h"
#include "plsql/CodeCatalog.h"
#include "statement/DeclaredType.h"

namespace kestrel_engine {

namespace {

const char *const kViews[] = {
    "user_objects",  "all_objects",     "user_tables",      "all_tables",
    "user_views",    "all_views",       "user_tab_columns", "all_tab_columns",
    "user_tab_cols", "all_tab_cols",    "user_indexes",     "all_indexes",
    "user_ind_columns", "all_ind_columns", "user_triggers", "all_triggers",
    "user_sequences", "all_sequences", "user_tab_comments", "all_tab_comments",
    "user_col_comments", "all_col_comments", "user_constraints", "all_constraints",
    "user_cons_columns", "all_cons_columns",
    "user_source", "all_source", "user_synonyms", "all_synonyms", "dba_profiles",
};

std::string_view Text(sqlite3_value *v) {
  const char *t = reinterpret_cast<const char *>(sqlite3_value_text(v));
  return t ? std::string_view(t, static_cast<size_t>(sqlite3_value_bytes(v)))
           : std::string_view();
}

void ResultText(sqlite3_context *context, const std::string &text) {
  if (text.empty()) return;  // NULL
  sqlite3_result_text(context, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

// kestrel_oracle_name(name)
// kestrel_oracle_name(name[, owner]): with its owner, a table or view's
// stored name is shown without the schema it carries (catalog/StorageNames.h).
void OracleName(sqlite3_context *context, int argc, sqlite3_value **argv) {
  std::string name(Text(argv[0]));
  if (argc > 1) name = std::string(OracleObjectName(name, Text(argv[1])));
  bool upper = false;
  for (char c : name) upper = upper || isupper(static_cast<unsigned char>(c));
  if (!upper) {
    for (char &c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  }
  ResultText(context, name);
}

// The declared type's name as the dictionary shows it: the words before
// the size, upper case ("VARCHAR2", "NUMBER", "TIMESTAMP(6)").
std::string TypeName(std::string_view declared) {
  std::string upper = UpperAscii(declared);
  const size_t open = upper.find('(');
  std::string name = upper.substr(0, open);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name == "INTEGER" || name == "INT" || name == "SMALLINT" || name == "DECIMAL" ||
      name == "NUMERIC") {
    return "NUMBER";
  }
  if (name.compare(0, 9, "TIMESTAMP") == 0) {
    ColumnDescription c;
    DescribeDeclaredType(std::string(declared).c_str(), &c);
    std::string rest = open == std::string::npos ? "" : upper.substr(upper.find(')', open) + 1);
    return "TIMESTAMP(" + std::to_string(c.scale) + ")" + rest;
  }
  return name.empty() ? "VARCHAR2" : name;
}

// kestrel_type(declared, part): 0 the name, 1 the length, 2 the
// precision, 3 the scale.
void TypePart(sqlite3_context *context, int, sqlite3_value **argv) {
  const std::string declared(Text(argv[0]));
  const int part = sqlite3_value_int(argv[1]);
  ColumnDescription c;
  const bool known = DescribeDeclaredType(declared.c_str(), &c);
  switch (part) {
    case 0:
      ResultText(context, TypeName(declared));
      break;
    case 1:
      sqlite3_result_int(context, known ? c.dataSize : 4000);
      break;
    case 2:
      // INTEGER is NUMBER(*,0): no precision of its own.
      if (known && c.dataType == SQLT_NUM && c.precision > 0 &&
          UpperAscii(declared).compare(0, 3, "INT") != 0) {
        sqlite3_result_int(context, c.precision);
      }
      break;
    default:
      if (known && c.dataType == SQLT_NUM && c.scale != -127) {
        sqlite3_result_int(context, c.scale);
      }
      break;
  }
}

// kestrel_view_text(sql): the query of a CREATE VIEW statement.
void ViewText(sqlite3_context *context, int, sqlite3_value **argv) {
  const std::string sql(Text(argv[0]));
  const std::vector<Token> tokens = Tokenize(sql);
  int depth = 0;
  for (const Token &t : tokens) {
    if (t.IsSymbol('(')) ++depth;
    if (t.IsSymbol(')')) --depth;
    if (depth == 0 && t.Is("AS")) {
      size_t start = t.offset + t.raw.size();
      while (start < sql.size() && isspace(static_cast<unsigned char>(sql[start]))) ++start;
      // A view made by the schema executor keeps its Oracle text in a
      // comment before the query SQLite runs.
      if (sql.compare(start, 3, "/* ") == 0) {
        const size_t end = sql.find(" */", start + 3);
        if (end != std::string::npos) {
          ResultText(context, sql.substr(start + 3, end - start - 3));
          return;
        }
      }
      ResultText(context, sql.substr(start));
      return;
    }
  }
}

// kestrel_virtual_text(sql, column): a virtual column's expression as
// written, from the comment the schema executor leaves beside it in the
// table's definition.
void VirtualText(sqlite3_context *context, int, sqlite3_value **argv) {
  const std::string sql(Text(argv[0]));
  std::string marker = "/* virtual \"";
  for (const char c : Text(argv[1])) marker += c == '"' ? std::string("\"\"") : std::string(1, c);
  marker += "\": ";
  const size_t start = sql.find(marker);
  if (start == std::string::npos) return;
  const size_t end = sql.find(" */", start + marker.size());
  if (end == std::string::npos) return;
  ResultText(context, sql.substr(start + marker.size(), end - start - marker.size()));
}

// kestrel_session_user()
void SessionUser(sqlite3_context *context, int, sqlite3_value **) {
  const auto *settings = static_cast<const SessionSettings *>(sqlite3_user_data(context));
  ResultText(context, settings->user);
}

// Each view's query over its catalog rows `o` (and `m`, SQLite's schema
// row); the USER_ form keeps the session's own, the ALL_ form adds OWNER.
struct View {
  const char *name;
  const char *columns;
  const char *select;
  const char *from;
};

const View kDefinitions[] = {
    {"objects",
     "OBJECT_NAME, OBJECT_TYPE, CREATED, LAST_DDL_TIME, STATUS, TEMPORARY, GENERATED, "
     "OBJECT_ID",
     "kestrel_oracle_name(o.name, o.owner), upper(o.type), o.created, o.last_ddl_time, CASE WHEN "
     "o.type = 'view' AND instr(m.sql, 'kestrel_view_errors(') > 0 THEN 'INVALID' ELSE 'VALID' "
     "END, 'N', 'N', o.rowid",
     ""},
    {"tables", "TABLE_NAME, TABLESPACE_NAME, STATUS, TEMPORARY, NESTED",
     "kestrel_oracle_name(o.name, o.owner), 'USERS', 'VALID', 'N', 'NO'", "AND o.type = 'table'"},
    {"views", "VIEW_NAME, TEXT_LENGTH, TEXT",
     "kestrel_oracle_name(o.name, o.owner), length(kestrel_view_text(o.sql)), "
     "kestrel_view_text(o.sql)",
     "AND o.type = 'view'"},
    {"tab_columns",
     "TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, "
     "NULLABLE, COLUMN_ID, DATA_DEFAULT, CHAR_LENGTH",
     "kestrel_oracle_name(o.name, o.owner), kestrel_oracle_name(p.name), kestrel_type(p.type, 0), "
     "kestrel_type(p.type, 1), kestrel_type(p.type, 2), kestrel_type(p.type, 3), "
     "CASE WHEN p.\"notnull\" OR p.pk OR EXISTS (SELECT 1 FROM main.\"kestrel$constraints\" k "
     "JOIN main.\"kestrel$cons_columns\" kc ON kc.owner = k.owner AND kc.constraint_name = "
     "k.name WHERE k.table_name = o.name AND kc.column_name = p.name AND k.status = 'ENABLED' "
     "AND (k.type = 'P' OR k.not_null = 1)) THEN 'N' ELSE 'Y' END, p.cid + 1, "
     "CASE WHEN p.hidden > 1 THEN kestrel_virtual_text(m.sql, p.name) ELSE p.dflt_value END, "
     "CASE WHEN kestrel_type(p.type, 0) LIKE '%CHAR%' THEN kestrel_type(p.type, 1) "
     "ELSE 0 END",
     "AND o.type IN ('table', 'view') AND p.hidden <> 1"},
    {"indexes", "INDEX_NAME, INDEX_TYPE, TABLE_NAME, UNIQUENESS, STATUS",
     "kestrel_oracle_name(o.name, o.owner), 'NORMAL', kestrel_oracle_name(m.tbl_name, o.owner), "
     "CASE WHEN m.sql LIKE 'CREATE UNIQUE%' THEN 'UNIQUE' ELSE 'NONUNIQUE' END, 'VALID'",
     "AND o.type = 'index'"},
    {"ind_columns", "INDEX_NAME, TABLE_NAME, COLUMN_NAME, COLUMN_POSITION, DESCENDING",
     "kestrel_oracle_name(o.name, o.owner), kestrel_oracle_name(m.tbl_name, o.owner), "
     "kestrel_oracle_name(x.name), x.seqno + 1, CASE WHEN x.desc THEN 'DESC' ELSE 'ASC' END",
     "AND o.type = 'index' AND x.key"},
    {"tab_comments", "TABLE_NAME, TABLE_TYPE, COMMENTS",
     "kestrel_oracle_name(o.name, o.owner), upper(o.type), c.comments",
     "AND o.type IN ('table', 'view')"},
    {"col_comments", "TABLE_NAME, COLUMN_NAME, COMMENTS",
     "kestrel_oracle_name(o.name, o.owner), kestrel_oracle_name(p.name), c.comments",
     "AND o.type IN ('table', 'view')"},
};

std::string ViewSql(const View &v, bool all) {
  std::string from = "main.\"kestrel$objects\" o JOIN main.sqlite_master m "
                     "ON m.type = o.type AND m.name = o.name";
  const std::string name = v.name;
  if (name == "tab_columns") {
    // table_xinfo: virtual columns too (hidden 2 or 3; 1 is a virtual
    // table's own hidden column).
    from += ", pragma_table_xinfo(o.name) p";
  } else if (name == "tab_comments") {
    from += " LEFT JOIN main.\"kestrel$comments\" c ON c.table_name = o.name AND "
            "c.column_name = ''";
  } else if (name == "col_comments") {
    from += " JOIN pragma_table_info(o.name) p LEFT JOIN main.\"kestrel$comments\" c ON "
            "c.table_name = o.name AND c.column_name = p.name";
  } else if (name == "ind_columns") {
    from += ", pragma_index_xinfo(o.name) x";
  }
  std::string sql = std::string("CREATE TEMP VIEW ") + (all ? "all_" : "user_") + name + " (" +
                    (all ? "OWNER, " : "") + v.columns + ") AS SELECT " +
                    (all ? "o.owner, " : "") + v.select + " FROM " + from + " WHERE " +
                    (all ? "kestrel_may_reach(o.name) " : "o.owner = kestrel_session_user() ") + v.from;
  if (name == "objects") {
    // PL/SQL triggers are the engine's, not SQLite's objects.
    sql += std::string(" UNION ALL SELECT ") + (all ? "t.owner, " : "") +
           "t.name, 'TRIGGER', t.created, t.last_ddl_time, 'VALID', 'N', 'N', NULL FROM "
           "\"kestrel$triggers\" t WHERE t.owner = kestrel_session_user()" +
           (all ? " OR kestrel_may_reach(t.table_name)" : "");
    // Synonyms are objects too, kept in their own table.
    sql += std::string(" UNION ALL SELECT ") + (all ? "s.owner, " : "") +
           "s.name, 'SYNONYM', s.created, s.last_ddl_time, 'VALID', 'N', 'N', "
           "s.rowid + 1099511627776 FROM main.\"kestrel$synonyms\" s" +
           (all ? "" : " WHERE s.owner = kestrel_session_user()");
  }
  return sql;
}

}  // namespace

bool IsDictionaryView(const char *name) {
  if (name == nullptr) return false;
  for (const char *v : kViews) {
    if (sqlite3_stricmp(v, name) == 0) return true;
  }
  return plsql::IsCodeView(name) || IsPrivilegeView(name);
}

int RegisterDictionaryFunctions(sqlite3 *db, const SessionSettings *settings) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  int rc = sqlite3_create_function_v2(db, "kestrel_oracle_name", 1, flags, nullptr,
                                      OracleName, nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(db, "kestrel_oracle_name", 2, flags, nullptr, OracleName,
                                    nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(db, "kestrel_type", 2, flags, nullptr, TypePart,
                                    nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(db, "kestrel_view_text", 1, flags, nullptr, ViewText,
                                    nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(db, "kestrel_virtual_text", 2, flags, nullptr, VirtualText,
                                    nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(db, "kestrel_session_user", 0,
                                    SQLITE_UTF8 | SQLITE_INNOCUOUS,
                                    const_cast<SessionSettings *>(settings), SessionUser,
                                    nullptr, nullptr, nullptr);
  }
  return rc;
}

namespace {

// Every view's CREATE statement.
std::vector<std::string> ViewStatements() {
  std::vector<std::string> out;
  for (const View &v : kDefinitions) {
    for (bool all : {false, true}) out.push_back(ViewSql(v, all));
  }
  // *_TAB_COLS: *_TAB_COLUMNS and whether each column is virtual.
  // The table as the file stores it (catalog/StorageNames.h): its own
  // name, or OWNER.NAME where another schema held the name first.
  for (bool all : {false, true}) {
    const std::string owner = all ? "c.owner" : "kestrel_session_user()";
    out.push_back(std::string("CREATE TEMP VIEW ") + (all ? "all" : "user") +
                  "_tab_cols AS SELECT c.*, CASE WHEN EXISTS (SELECT 1 FROM pragma_table_xinfo("
                  "coalesce(o.name, c.table_name), 'main') x WHERE x.name = c.column_name COLLATE "
                  "NOCASE AND x.hidden > 1) THEN 'YES' ELSE 'NO' END AS VIRTUAL_COLUMN FROM " +
                  (all ? "all" : "user") + "_tab_columns c LEFT JOIN main.\"kestrel$objects\" o ON "
                  "o.owner = " + owner + " AND o.type IN ('table', 'view') AND (o.name = "
                  "c.table_name COLLATE NOCASE OR o.name = " + owner +
                  " || '.' || c.table_name COLLATE NOCASE)");
  }
  // Sequences live in their own table.
  const char *const kSequenceViews[] = {
      "CREATE TEMP VIEW user_sequences (SEQUENCE_NAME, MIN_VALUE, MAX_VALUE, "
      "INCREMENT_BY, CYCLE_FLAG, ORDER_FLAG, CACHE_SIZE, LAST_NUMBER) AS SELECT "
      "kestrel_oracle_name(name, owner), "
      "min_value, max_value, increment_by, cycle_flag, order_flag, cache_size, "
      "last_number FROM main.\"kestrel$sequences\" WHERE owner = kestrel_session_user()",
      "CREATE TEMP VIEW all_sequences (SEQUENCE_OWNER, SEQUENCE_NAME, MIN_VALUE, "
      "MAX_VALUE, INCREMENT_BY, CYCLE_FLAG, ORDER_FLAG, CACHE_SIZE, LAST_NUMBER) AS "
      "SELECT owner, kestrel_oracle_name(name, owner), min_value, max_value, increment_by, "
      "cycle_flag, order_flag, "
      "cache_size, last_number FROM main.\"kestrel$sequences\" WHERE kestrel_may_reach(name)",
  };
  for (const char *sql : kSequenceViews) {
    out.push_back(sql);
  }
  // Constraints live in their own tables too (engine/schema/Constraints.h).
  for (bool all : {false, true}) {
    const std::string where = all ? " WHERE kestrel_may_reach(c.table_name)"
                                  : " WHERE c.owner = kestrel_session_user()";
    const std::string prefix = all ? "all_" : "user_";
    const std::string constraints =
        "CREATE TEMP VIEW " + prefix +
        "constraints (OWNER, CONSTRAINT_NAME, CONSTRAINT_TYPE, TABLE_NAME, SEARCH_CONDITION, "
        "R_OWNER, R_CONSTRAINT_NAME, DELETE_RULE, STATUS, \"DEFERRABLE\", \"DEFERRED\", VALIDATED, "
        "GENERATED, INDEX_NAME) AS SELECT c.owner, c.name, c.type, "
        "kestrel_oracle_name(c.table_name, c.owner), nullif(c.search_condition, ''), CASE WHEN "
        "c.type = 'R' THEN c.owner END, nullif(c.r_constraint_name, ''), "
        "nullif(c.delete_rule, ''), c.status, 'NOT DEFERRABLE', 'IMMEDIATE', CASE c.status "
        "WHEN 'ENABLED' THEN 'VALIDATED' ELSE 'NOT VALIDATED' END, c.generated, "
        "kestrel_oracle_name(nullif(c.index_name, ''), c.owner) FROM main.\"kestrel$constraints\" c" +
        where;
    const std::string columns =
        "CREATE TEMP VIEW " + prefix +
        "cons_columns (OWNER, CONSTRAINT_NAME, TABLE_NAME, COLUMN_NAME, POSITION) AS SELECT "
        "c.owner, c.constraint_name, kestrel_oracle_name(c.table_name, c.owner), "
        "kestrel_oracle_name(c.column_name), c.position FROM main.\"kestrel$cons_columns\" c" +
        where;
    out.push_back(constraints);
    out.push_back(columns);
  }
  // PL/SQL triggers, from their definitions.
  for (bool all : {false, true}) {
    const std::string sql =
        std::string("CREATE TEMP VIEW ") + (all ? "all" : "user") +
        "_triggers (" + (all ? "OWNER, " : "") +
        "TRIGGER_NAME, TRIGGER_TYPE, TRIGGERING_EVENT, TABLE_OWNER, BASE_OBJECT_TYPE, "
        "TABLE_NAME, COLUMN_NAME, REFERENCING_NAMES, WHEN_CLAUSE, STATUS, DESCRIPTION, "
        "ACTION_TYPE, TRIGGER_BODY) AS SELECT " + (all ? "t.owner, " : "") +
        "t.name, CASE WHEN t.timing IN ('INSTEAD OF', 'COMPOUND') THEN t.timing ELSE t.timing || "
        "CASE WHEN t.row_level THEN ' EACH ROW' ELSE ' STATEMENT' END END, "
        "substr(CASE WHEN t.events & 1 THEN ' OR INSERT' ELSE '' END || "
        "CASE WHEN t.events & 2 THEN ' OR UPDATE' ELSE '' END || "
        "CASE WHEN t.events & 4 THEN ' OR DELETE' ELSE '' END, 5), t.table_owner, "
        "CASE t.timing WHEN 'INSTEAD OF' THEN 'VIEW' ELSE 'TABLE' END, "
        "kestrel_oracle_name(t.table_name, t.table_owner), NULL, t.referencing, t.when_clause, t.status, "
        "t.description, 'PL/SQL     ', t.body FROM \"kestrel$triggers\" t" +
        // Triggers have names of their own per schema: one's own, and
        // those on a table within reach.
        (all ? " WHERE t.owner = kestrel_session_user() OR kestrel_may_reach(t.table_name)"
             : " WHERE t.owner = kestrel_session_user()");
    out.push_back(sql);
  }
  // Stored PL/SQL source, line by line.
  const char *const kSourceViews[] = {
      "CREATE TEMP VIEW user_source (NAME, TYPE, LINE, TEXT) AS SELECT name, type, line, text "
      "FROM main.\"kestrel$source\" WHERE owner = kestrel_session_user()",
      "CREATE TEMP VIEW all_source (OWNER, NAME, TYPE, LINE, TEXT) AS SELECT owner, name, "
      "type, line, text FROM main.\"kestrel$source\" s WHERE CASE type WHEN 'TRIGGER' THEN "
      "owner = kestrel_session_user() OR EXISTS (SELECT 1 FROM main.\"kestrel$triggers\" t "
      "WHERE t.owner = s.owner AND t.name = s.name AND kestrel_may_reach(t.table_name)) ELSE "
      "kestrel_may_reach(owner || '.' || name) END",
  };
  for (const char *sql : kSourceViews) {
    out.push_back(sql);
  }
  // Synonyms: ALL_ adds the PUBLIC ones.
  const char *const kSynonymViews[] = {
      "CREATE TEMP VIEW user_synonyms (SYNONYM_NAME, TABLE_OWNER, TABLE_NAME, DB_LINK) AS "
      "SELECT name, table_owner, table_name, nullif(db_link, '') FROM main.\"kestrel$synonyms\" "
      "WHERE owner = kestrel_session_user()",
      "CREATE TEMP VIEW all_synonyms (OWNER, SYNONYM_NAME, TABLE_OWNER, TABLE_NAME, DB_LINK) AS "
      "SELECT owner, name, table_owner, table_name, nullif(db_link, '') FROM "
      "main.\"kestrel$synonyms\"",
  };
  for (const char *sql : kSynonymViews) {
    out.push_back(sql);
  }
  // Profiles, shown to holders of SELECT ANY DICTIONARY as the DBA_ views
  // of privileges are.
  out.push_back(
      "CREATE TEMP VIEW dba_profiles (PROFILE, RESOURCE_NAME, RESOURCE_TYPE, \"LIMIT\", COMMON, "
      "INHERITED, IMPLICIT) AS SELECT profile, resource, resource_type, limit_text, 'NO', 'NO', "
      "'NO' FROM main.\"kestrel$profiles\" WHERE kestrel_holds('SELECT ANY DICTIONARY')");
  // USER_ERRORS, USER_ARGUMENTS, ...
  plsql::AddCodeViewStatements(&out);
  AddPrivilegeViewStatements(&out);
  return out;
}

// The name a "CREATE TEMP VIEW name ..." statement makes.
std::string_view MadeName(const std::string &sql) {
  std::string_view rest(sql);
  rest.remove_prefix(std::string_view("CREATE TEMP VIEW ").size());
  return rest.substr(0, rest.find_first_of(" ("));
}

bool Made(sqlite3 *db, std::string_view name) {
  sqlite3_stmt *s = nullptr;
  bool found = false;
  if (sqlite3_prepare_v2(db,
                         "SELECT 1 FROM temp.sqlite_master WHERE type = 'view' AND name = ?1 "
                         "COLLATE NOCASE",
                         -1, &s, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(s, 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    found = sqlite3_step(s) == SQLITE_ROW;
  }
  sqlite3_finalize(s);
  return found;
}

int Make(sqlite3 *db, const std::vector<std::string> &statements, std::string_view name) {
  if (Made(db, name)) return SQLITE_OK;
  for (const std::string &sql : statements) {
    if (sqlite3_strnicmp(MadeName(sql).data(), name.data(), static_cast<int>(name.size())) != 0 ||
        MadeName(sql).size() != name.size()) {
      continue;
    }
    // The views it reads first (USER_TAB_COLS reads USER_TAB_COLUMNS).
    for (const std::string &other : statements) {
      const std::string from = " FROM " + std::string(MadeName(other)) + " ";
      if (&other != &sql && sql.find(from) != std::string::npos) {
        const int rc = Make(db, statements, MadeName(other));
        if (rc != SQLITE_OK) return rc;
      }
    }
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    // The stored PL/SQL units are objects too.
    const std::string made(name);
    const bool all = sqlite3_stricmp(made.c_str(), "all_objects") == 0;
    if (rc == SQLITE_OK && (all || sqlite3_stricmp(made.c_str(), "user_objects") == 0)) {
      rc = plsql::AddUnitsToObjects(db, all);
    }
    return rc;
  }
  return SQLITE_NOTFOUND;
}

}  // namespace

int EnsureDictionaryView(sqlite3 *db, std::string_view name) {
  if (!IsDictionaryView(std::string(name).c_str())) return SQLITE_NOTFOUND;
  return Make(db, ViewStatements(), name);
}

int EnsureMissingDictionaryView(sqlite3 *db) {
  // SQLite names the first table it cannot find: "no such table: name"
  // (or "schema.name").
  std::string_view message = sqlite3_errmsg(db);
  constexpr std::string_view kNoSuchTable = "no such table: ";
  if (message.substr(0, kNoSuchTable.size()) != kNoSuchTable) return SQLITE_NOTFOUND;
  message.remove_prefix(kNoSuchTable.size());
  if (message.substr(0, 5) == "temp." || message.substr(0, 5) == "main.") message.remove_prefix(5);
  return EnsureDictionaryView(db, message);
}

}  // namespace kestrel_engine
