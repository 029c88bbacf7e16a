/*
** Changing what SQLite cannot alter in place: the table is made anew
** under a scratch name, its rows copied, the old one dropped and the new
** one renamed, inside the statement's transaction (SQLite's documented
** procedure). Its indexes and its own triggers are made again from their
** stored SQL, and the views are set aside and put back, so that the
** rename finds none naming a missing table; one naming a dropped column
** comes back all the same and fails when used, as Oracle's invalid ones do.
*/
#include "schema/Constraints.h"
#include "schema/SchemaStatements.h"
#include "sql/Lexer.h"

namespace kestrel_engine::schema {

void RebuildTable(Ddl &ddl, const std::string &table, const std::vector<std::string> &columns,
                  const std::vector<std::string> &newNames, const std::vector<std::string> &select) {
  // A table an older release made may hold SQLite's own constraints in its
  // definition, which a rebuild from its columns would lose: refused.
  const auto definition = ddl.Rows("SELECT sql FROM main.sqlite_master WHERE type = 'table' "
                                   "AND name = ?1",
                                   {table});
  if (!definition.empty()) {
    for (const Token &t : Tokenize(definition[0][0])) {
      if (t.kind == TokenKind::kWord && (t.Is("PRIMARY") || t.Is("UNIQUE") || t.Is("CHECK") ||
                                         t.Is("REFERENCES") || t.Is("GENERATED"))) {
        Fail(3001);
      }
    }
  }
  const auto indexes = ddl.Rows("SELECT sql FROM main.sqlite_master WHERE type = 'index' AND "
                                "tbl_name = ?1 AND sql IS NOT NULL",
                                {table});
  const auto triggers = ddl.Rows("SELECT sql FROM main.sqlite_master WHERE type = 'trigger' AND "
                                 "tbl_name = ?1 AND substr(name, 1, 8) <> 'kestrel$'",
                                 {table});
  const auto views = ddl.Rows("SELECT name, sql FROM main.sqlite_master WHERE type = 'view'");
  // Other tables' constraint triggers that name this one go too, and are
  // made again from the records afterwards.
  const auto others = ddl.Rows("SELECT name, tbl_name FROM main.sqlite_master WHERE type = 'trigger' "
                               "AND substr(name, 1, 10) = 'kestrel$k$' AND tbl_name <> ?1 AND "
                               "instr(sql, ?2) > 0",
                               {table, QuoteIdent(table)});
  for (const auto &t : others) ddl.Exec("DROP TRIGGER main." + QuoteIdent(t[0]));
  for (const auto &v : views) ddl.Exec("DROP VIEW main." + QuoteIdent(v[0]));
  const std::string scratch = QuoteIdent("kestrel$rebuild");
  ddl.Exec("CREATE TABLE main." + scratch + " (" + Join(columns, ", ") + ")", 7);
  ddl.Exec("INSERT INTO main." + scratch + " (" + Join(newNames, ", ") + ") SELECT " +
               Join(select, ", ") + " FROM main." + QuoteIdent(table),
           7);
  ddl.Exec("DROP TABLE main." + QuoteIdent(table), 7);
  ddl.Exec("ALTER TABLE main." + scratch + " RENAME TO " + QuoteIdent(table), 7);
  auto again = [&](const std::string &sql) {
    try {
      ddl.Exec(sql, 7);
    } catch (const DdlError &) {
      // It named what is gone.
    }
  };
  for (const auto &i : indexes) again(i[0]);
  for (const auto &t : triggers) again(t[0]);
  for (const auto &v : views) again(v[1]);
  for (const auto &t : others) RefreshTable(ddl, t[1]);
}

void RenameKeepingViews(Ddl &ddl, const std::string &sql) {
  try {
    ddl.Exec(sql, 7);
    return;
  } catch (const DdlError &) {
    // SQLite checks every view when it renames; one that a dropped column
    // left broken stops it. The views step aside for the rename.
  }
  const auto views = ddl.Rows("SELECT name, sql FROM main.sqlite_master WHERE type = 'view'");
  for (const auto &v : views) ddl.Exec("DROP VIEW main." + QuoteIdent(v[0]));
  ddl.Exec(sql, 7);
  for (const auto &v : views) {
    try {
      ddl.Exec(v[1], 7);
    } catch (const DdlError &) {
    }
  }
}

}  // namespace kestrel_engine::schema
