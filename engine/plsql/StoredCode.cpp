/*
** Stored procedures and functions: CREATE [OR REPLACE], DROP and CALL,
** with the source kept in kestrel$source as USER_SOURCE shows it (from
** the word PROCEDURE or FUNCTION on, one row per line).
*/
#include "plsql/StoredCode.h"

#include <sqlite3.h>

#include "catalog/Privileges.h"
#include "catalog/SchemaNamespace.h"
#include "plsql/Compile.h"
#include "plsql/Interpreter.h"
#include "plsql/Package.h"
#include "plsql/SessionState.h"
#include "plsql/UnitLookup.h"
#include "session/Connection.h"
#include "session/OwnedStatement.h"
#include "sql/parse/Lexer.h"
#include "sql/parse/Parse.h"

namespace kestrel_engine::plsql {

const char kSourceTable[] = "kestrel$source";

namespace {

// The text from the unit's keyword on (CREATE OR REPLACE and the
// EDITIONABLE marks dropped), without the trailing semicolons and slash.
std::string_view UnitText(std::string_view text) {
  sql::Arena arena;
  const sql::TokenArray tokens = sql::Lex(text, arena);
  size_t i = 0;
  while (i + 1 < tokens.size && tokens.items[i].kind == sql::Tok::kWord &&
         (tokens.items[i].kw == sql::Kw::kCreate || tokens.items[i].kw == sql::Kw::kOr ||
          tokens.items[i].kw == sql::Kw::kReplace || tokens.items[i].value == "EDITIONABLE" ||
          tokens.items[i].value == "NONEDITIONABLE")) {
    ++i;
  }
  std::string_view unit = text.substr(tokens.items[i].offset);
  while (!unit.empty() && (unit.back() == ' ' || unit.back() == '\n' || unit.back() == '\r' ||
                           unit.back() == '\t' || unit.back() == '/')) {
    unit.remove_suffix(1);
  }
  return unit;
}

// A unit of that name; a package body goes with its package, other units
// share one name space.
bool Exists(Connection &connection, const std::string &owner, std::string_view name,
            const std::string &type, bool exact = false) {
  return UnitExists(connection, owner, name,
                    exact                    ? "'" + type + "'"
                    : type == "PACKAGE BODY" ? std::string("'PACKAGE BODY'")
                                             : std::string("'PROCEDURE', 'FUNCTION', 'PACKAGE'"));
}

bool Run(Connection &connection, const std::string &sql, OraError *error,
         const std::vector<std::string> &args) {
  Connection::InternalScope scope(connection);
  OwnedStatement f;
  if (sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &f.s, nullptr) != SQLITE_OK) {
    *error = OraError::Make(600, sqlite3_errmsg(connection.db()));
    return false;
  }
  for (size_t k = 0; k < args.size(); ++k) {
    sqlite3_bind_text(f.s, static_cast<int>(k + 1), args[k].data(),
                      static_cast<int>(args[k].size()), SQLITE_TRANSIENT);
  }
  if (sqlite3_step(f.s) != SQLITE_DONE) {
    *error = OraError::Make(600, sqlite3_errmsg(connection.db()));
    return false;
  }
  return true;
}

// Keeps the unit: its source line by line from its keyword on, and what
// compiling it found. A unit with errors is kept too (INVALID), and the
// CREATE then succeeds with ORA-24344 as its warning.
bool StoreUnit(Connection &connection, const UnitRecord &record, bool or_replace,
               std::string_view text, OraError *error) {
  const std::string &owner = record.owner;
  const std::string &name = record.name;
  if (!connection.Commit(error) || !EnsureSource(connection, error) ||
      !EnsureCodeTables(connection, error)) {
    return false;
  }
  if (!connection.BeginWrite(error)) return false;
  bool ok = true;
  // Tables, views, sequences and private synonyms share the schema's names
  // with its units; a package's body goes with its package.
  std::string holder;
  if (record.type != "PACKAGE BODY") {
    Connection::InternalScope scope(connection);
    holder = SchemaNameHolder(connection.db(), owner, name);
  }
  if (!holder.empty() && holder != "CODE") {
    *error = OraError::Make(955);
    ok = false;
  } else if (Exists(connection, owner, name, record.type)) {
    if (!or_replace || !Exists(connection, owner, name, record.type, true)) {
      *error = OraError::Make(955);
      ok = false;
    } else {
      ok = Run(connection, std::string("DELETE FROM \"") + kSourceTable +
                               "\" WHERE owner = ?1 AND name = ?2 AND type = ?3",
               error, {owner, name, record.type});
    }
  }
  const std::string_view unit = UnitText(text);
  size_t start = 0;
  for (int line = 1; ok && start <= unit.size(); ++line) {
    size_t end = unit.find('\n', start);
    if (end == std::string_view::npos) end = unit.size();
    ok = Run(connection, std::string("INSERT INTO \"") + kSourceTable +
                             "\" (owner, name, type, line, text) VALUES (?1, ?2, ?3, ?4, ?5)",
             error,
             {owner, name, record.type, std::to_string(line),
              std::string(unit.substr(start, end - start)) + "\n"});
    start = end + 1;
  }
  ok = ok && SaveUnitRecord(connection, record, error);
  OraError ignored;
  if (!ok) {
    connection.Rollback(&ignored);
    return false;
  }
  if (!connection.Commit(error)) return false;
  if (!record.errors.empty()) *error = OraError::Make(24344);
  return true;
}

size_t UnitStart(std::string_view text) { return static_cast<size_t>(UnitText(text).data() - text.data()); }

bool CreateSubprogram(Connection &connection, const sql::CreateSubprogramStmt &st,
                      std::string_view text, const std::string &owner, OraError *error) {
  const UnitRecord record = CompileUnit(connection, st, text, UnitStart(text), owner);
  return StoreUnit(connection, record, st.or_replace, text, error);
}

// ALTER ... COMPILE: the kept source compiled again, its errors and
// status replaced.
bool Recompile(Connection &connection, const std::string &owner, std::string_view name,
               const std::string &type, OraError *error) {
  const std::string source = LoadUnitSource(connection, owner, name, "'" + type + "'");
  if (source.empty()) {
    *error = OraError::Make(4043, name);
    return false;
  }
  constexpr size_t kUnitStart = 7;  // after "CREATE "
  UnitRecord record;
  sql::Arena arena;
  try {
    const sql::Statement *st = sql::Parse(source, arena);
    record = CompileUnit(connection, *st, source, kUnitStart, owner);
  } catch (const sql::SyntaxError &e) {
    if (!SyntaxErrorRecord(e, source, kUnitStart, owner, &record)) {
      *error = OraError::Verbatim(e.code(), e.message());
      return false;
    }
  }
  if (!connection.Commit(error) || !EnsureCodeTables(connection, error) ||
      !connection.BeginWrite(error)) {
    return false;
  }
  if (!SaveUnitRecord(connection, record, error)) {
    OraError ignored;
    connection.Rollback(&ignored);
    return false;
  }
  if (!connection.Commit(error)) return false;
  if (!record.errors.empty()) *error = OraError::Make(24344);
  return true;
}

// DROP PROCEDURE | FUNCTION | PACKAGE [BODY]: a package goes with its body.
bool DropUnit(Connection &connection, const sql::DropStmt &st, const std::string &owner,
              OraError *error) {
  const std::string name(st.name.Last());
  if (!connection.Commit(error) || !EnsureSource(connection, error)) return false;
  std::vector<std::string> types;
  switch (st.object) {
    case sql::ObjectKind::kFunction: types = {"FUNCTION"}; break;
    case sql::ObjectKind::kPackage: types = {"PACKAGE", "PACKAGE BODY"}; break;
    case sql::ObjectKind::kPackageBody: types = {"PACKAGE BODY"}; break;
    default: types = {"PROCEDURE"}; break;
  }
  if (!Exists(connection, owner, name, types.front(), true)) {
    *error = OraError::Make(4043, name);
    return false;
  }
  if (!connection.BeginWrite(error) || !EnsureCodeTables(connection, error)) return false;
  for (const std::string &type : types) {
    if (!Run(connection, std::string("DELETE FROM \"") + kSourceTable +
                             "\" WHERE owner = ?1 AND name = ?2 AND type = ?3",
             error, {owner, name, type}) ||
        !DropUnitRecord(connection, owner, name, type, error)) {
      OraError ignored;
      connection.Rollback(&ignored);
      return false;
    }
  }
  // Its grants go with it, as in Oracle, so that a new unit of its name
  // starts with none (CREATE OR REPLACE keeps them; a package keeps them
  // when only its body goes).
  if (st.object != sql::ObjectKind::kPackageBody &&
      !Run(connection, std::string("DELETE FROM \"") + kTabPrivsTable +
                           "\" WHERE owner = ?1 AND table_name = ?2",
           error, {owner, name})) {
    OraError ignored;
    connection.Rollback(&ignored);
    return false;
  }
  return connection.Commit(error);
}

bool CreatePackage(Connection &connection, const sql::CreatePackageStmt &st,
                   std::string_view text, const std::string &owner, OraError *error) {
  const UnitRecord record = CompileUnit(connection, st, text, UnitStart(text), owner);
  return StoreUnit(connection, record, st.or_replace, text, error);
}

}  // namespace

bool EnsureSource(Connection &connection, OraError *error) {
  return connection.ExecInternal(
      (std::string("CREATE TABLE IF NOT EXISTS \"") + kSourceTable +
       "\" (owner TEXT NOT NULL, name TEXT NOT NULL, type TEXT NOT NULL, line INTEGER NOT NULL, "
       "text TEXT, PRIMARY KEY (owner, name, type, line))")
          .c_str(),
      error);
}

std::string LoadUnitSource(Connection &connection, std::string_view owner, std::string_view name,
                           std::string_view types) {
  Connection::InternalScope scope(connection);
  OwnedStatement f;
  const std::string sql = std::string("SELECT text FROM \"") + kSourceTable +
                          "\" WHERE owner = ?1 AND name = ?2 AND type IN (" + std::string(types) +
                          ") ORDER BY line";
  if (sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &f.s, nullptr) != SQLITE_OK) return {};
  sqlite3_bind_text(f.s, 1, owner.data(), static_cast<int>(owner.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(f.s, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  std::string text;
  while (sqlite3_step(f.s) == SQLITE_ROW) {
    const char *line = reinterpret_cast<const char *>(sqlite3_column_text(f.s, 0));
    if (line != nullptr) text += line;
  }
  if (text.empty()) return {};
  if (text.back() == '\n') text.pop_back();
  return "CREATE " + text;
}

bool StoreUnparsedUnit(const RunContext &context, const sql::SyntaxError &syntax,
                       std::string_view text, const std::string &owner, OraError *error) {
  UnitRecord record;
  size_t start = 0;
  try {
    start = UnitStart(text);
  } catch (const sql::SyntaxError &) {
    return false;  // a lexical error: the statement does not name its unit
  }
  if (!SyntaxErrorRecord(syntax, text, start, owner, &record)) return false;
  sql::Arena arena;
  const sql::TokenArray tokens = sql::Lex(text.substr(0, start), arena);
  bool replace = false;
  for (size_t i = 0; i < tokens.size; ++i) replace = replace || tokens.items[i].kw == sql::Kw::kReplace;
  return StoreUnit(context.connection, record, replace, text, error);
}

bool RunStoredCodeStatement(const RunContext &context, const sql::Statement &statement,
                            std::string_view text, const std::string &owner, OraError *error) {
  switch (statement.kind) {
    case sql::StmtKind::kCreateSubprogram:
      return CreateSubprogram(context.connection,
                              static_cast<const sql::CreateSubprogramStmt &>(statement), text,
                              owner, error);
    case sql::StmtKind::kCreatePackage: {
      const auto &create = static_cast<const sql::CreatePackageStmt &>(statement);
      // This session's state of the package is gone with its old code.
      context.connection.plsqlState().packages.erase(owner + "." + std::string(create.name.Last()));
      return CreatePackage(context.connection, create, text, owner, error);
    }
    case sql::StmtKind::kDrop: {
      const auto &drop = static_cast<const sql::DropStmt &>(statement);
      if (drop.object == sql::ObjectKind::kProcedure || drop.object == sql::ObjectKind::kFunction ||
          drop.object == sql::ObjectKind::kPackage || drop.object == sql::ObjectKind::kPackageBody) {
        context.connection.plsqlState().packages.erase(owner + "." + std::string(drop.name.Last()));
        return DropUnit(context.connection, drop, owner, error);
      }
      break;
    }
    case sql::StmtKind::kAlterCode: {
      // ALTER PROCEDURE | FUNCTION name COMPILE
      const auto &alter = static_cast<const sql::AlterCodeStmt &>(statement);
      if (alter.action != 0) break;
      const std::string_view name = alter.name.Last();
      switch (alter.object) {
        case sql::ObjectKind::kProcedure:
          return Recompile(context.connection, owner, name, "PROCEDURE", error);
        case sql::ObjectKind::kFunction:
          return Recompile(context.connection, owner, name, "FUNCTION", error);
        case sql::ObjectKind::kPackage: case sql::ObjectKind::kPackageBody: {
          // COMPILE (both), COMPILE PACKAGE (the header alone), COMPILE BODY.
          context.connection.plsqlState().packages.erase(owner + "." + std::string(name));
          const bool body = alter.object == sql::ObjectKind::kPackageBody || alter.compile_part == 2;
          if (!body && !Recompile(context.connection, owner, name, "PACKAGE", error)) return false;
          if (alter.compile_part == 1) return true;
          OraError header = *error;
          if (!body && !UnitExists(context.connection, owner, name, "'PACKAGE BODY'")) return true;
          if (!Recompile(context.connection, owner, name, "PACKAGE BODY", error)) return false;
          if (header.failed() && !error->failed()) *error = header;
          return true;
        }
        default:
          break;
      }
      break;
    }
    case sql::StmtKind::kCall: {
      // CALL p(args): as the block BEGIN p(args); END;
      const auto &call = static_cast<const sql::CallStmt &>(statement);
      sql::PlStmt s;
      s.kind = sql::PlStmtKind::kCall;
      s.target = call.call;
      s.pos = statement.pos;
      if (call.into != nullptr) {
        // CALL f(args) INTO :x, as :x := f(args);
        s.kind = sql::PlStmtKind::kAssign;
        s.target = call.into;
        s.expr = call.call;
      }
      sql::PlBlock block;
      block.body.Append(&s);
      sql::PlBlockStmt wrapped;
      wrapped.kind = sql::StmtKind::kPlBlock;
      wrapped.block = &block;
      uint32_t rows = 0;
      return RunAnonymousBlock(context, wrapped, text, &rows, error);
    }
    default:
      break;
  }
  *error = OraError::Make(3001);
  return false;
}

}  // namespace kestrel_engine::plsql
