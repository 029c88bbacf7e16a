/*
** CREATE [OR REPLACE] [PUBLIC] SYNONYM and DROP [PUBLIC] SYNONYM: rows of
** kestrel$synonyms. The target is recorded as written (an unqualified one
** as the creator's) and need not exist yet; statements translate it when
** they name the synonym.
*/
#include "catalog/Synonyms.h"
#include "schema/SchemaStatements.h"
#include "sql/Lexer.h"

namespace kestrel_engine::schema {

namespace {

std::string Quoted() { return std::string("main.\"") + kSynonymsTable + "\""; }

void EnsureTable(Ddl &ddl) {
  OraError e;
  if (!EnsureSynonyms(ddl.connection(), &e)) throw DdlError{e};
}

// The synonym's owner: PUBLIC, the schema it is qualified with, or the
// creating user.
std::string OwnerOf(const Ddl &ddl, const sql::Name &name, bool is_public) {
  if (is_public) {
    if (name.count > 1) Fail(922);
    return kPublicOwner;
  }
  return name.count > 1 ? std::string(name.part[0]) : ddl.owner();
}

}  // namespace

void CreateSynonym(Ddl &ddl, const sql::CreateSynonymStmt &s) {
  EnsureTable(ddl);
  const std::string name(s.name.Last());
  CheckUserName(name);
  const std::string owner = OwnerOf(ddl, s.name, s.is_public);
  if (s.name.count > 2 || s.target.count > 2) Fail(922);
  // A private synonym shares its owner's namespace with tables, views,
  // sequences and stored code (its own synonym is checked below); a
  // PUBLIC one shares only PUBLIC's.
  if (!s.is_public) CheckNameFree(ddl, owner, name, "SYNONYM");
  const bool exists =
      ddl.Exists("SELECT 1 FROM " + Quoted() + " WHERE owner = ?1 AND name = ?2", {owner, name});
  if (exists && !s.or_replace) Fail(955);
  const std::string tableOwner =
      s.target.count > 1 ? std::string(s.target.part[0]) : ddl.owner();
  const std::string tableName(s.target.Last());
  const std::string link = UpperAscii(s.target.dblink);
  if (exists) {
    ddl.Rows("UPDATE " + Quoted() +
                 " SET table_owner = ?3, table_name = ?4, db_link = ?5, last_ddl_time = "
                 "datetime('now', 'localtime') WHERE owner = ?1 AND name = ?2",
             {owner, name, tableOwner, tableName, link});
  } else {
    ddl.Rows("INSERT INTO " + Quoted() +
                 " (owner, name, table_owner, table_name, db_link, created, last_ddl_time) "
                 "VALUES (?1, ?2, ?3, ?4, ?5, datetime('now', 'localtime'), "
                 "datetime('now', 'localtime'))",
             {owner, name, tableOwner, tableName, link});
  }
}

void DropSynonym(Ddl &ddl, const sql::DropStmt &s) {
  EnsureTable(ddl);
  const std::string owner = OwnerOf(ddl, s.name, s.is_public);
  const std::string name(s.name.Last());
  if (!ddl.Exists("SELECT 1 FROM " + Quoted() + " WHERE owner = ?1 AND name = ?2", {owner, name})) {
    Fail(s.is_public ? 1432 : 1434);
  }
  ddl.Rows("DELETE FROM " + Quoted() + " WHERE owner = ?1 AND name = ?2", {owner, name});
}

}  // namespace kestrel_engine::schema
