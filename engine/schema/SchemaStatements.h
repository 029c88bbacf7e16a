/*
** The schema statements' bodies, one file each, called inside the DDL
** transaction that SchemaStatement.cpp opens. Each throws DdlError.
*/
#ifndef KESTREL_ENGINE_SCHEMA_SCHEMASTATEMENTS_H
#define KESTREL_ENGINE_SCHEMA_SCHEMASTATEMENTS_H

#include <string>
#include <string_view>
#include <vector>

#include "schema/SchemaSql.h"
#include "sql/ast/Statements.h"

namespace kestrel_engine::schema {

void CreateTable(Ddl &ddl, const sql::CreateTableStmt &s, std::string_view text);
// False when an item is a form left to the older path.
bool CanAlterTable(const sql::AlterTableStmt &s);
void AlterTable(Ddl &ddl, const sql::AlterTableStmt &s);
void CreateView(Ddl &ddl, const sql::CreateViewStmt &s, std::string_view text);
// A view made with errors (CREATE FORCE VIEW) runs this query, which fails
// with ORA-04063, under `names` (one placeholder column when empty) until
// it compiles.
std::string InvalidViewQuery(const std::string &owner, const std::string &name,
                             std::vector<std::string> *names);
// The column an invalid view without a column list shows.
constexpr char kInvalidViewColumn[] = "kestrel_view_errors";
void CreateIndex(Ddl &ddl, const sql::CreateIndexStmt &s, std::string_view text);
// False for objects left to the older path (sequences, code).
bool CanDrop(const sql::DropStmt &s);
void Drop(Ddl &ddl, const sql::DropStmt &s);
void Truncate(Ddl &ddl, const sql::TruncateStmt &s);
void CreateSynonym(Ddl &ddl, const sql::CreateSynonymStmt &s);
void DropSynonym(Ddl &ddl, const sql::DropStmt &s);
// Refuses (ORA-00955) a name `owner`'s schema holds as a table, view,
// sequence, private synonym or stored unit (catalog/SchemaNamespace.h),
// unless it holds it as `replacing`: the kind a CREATE OR REPLACE takes
// over ("TABLE" for a view made again, "SYNONYM"). Another schema's
// object of the name never counts.
void CheckNameFree(Ddl &ddl, const std::string &owner, std::string_view name,
                   std::string_view replacing = {});
// CheckNameFree for a new table of the creating schema, whose name is
// `stored` in SQLite's (catalog/StorageNames.h).
void CheckTableNameFree(Ddl &ddl, const std::string &stored, std::string_view name);
// CREATE TABLE with deferrable constraints: SQLite's own definition
// through the older rewrite (its foreign keys wait for the commit),
// under the names the schema stores (catalog/StorageNames.h).
void CreateOlderTable(Ddl &ddl, const sql::CreateTableStmt &s, std::string_view text);

// The table rebuilt with `columns` (SQLite definitions) in place of its
// own, the rows copied by `select` (expressions over the old table, one
// per new column), every index, trigger and view kept.
void RebuildTable(Ddl &ddl, const std::string &table, const std::vector<std::string> &columns,
                  const std::vector<std::string> &newNames, const std::vector<std::string> &select);

// Refuses MODIFY of `column` from type `from` to `to` (declared types)
// when its values would not fit: ORA-01439 (another type), 01440 (less
// precision or scale), 01441 (shorter than a value).
void CheckTypeChange(Ddl &ddl, const std::string &table, const std::string &column,
                     const std::string &from, const std::string &to);

// Runs an ALTER TABLE ... RENAME, setting the views aside for it when
// SQLite refuses because one of them no longer compiles.
void RenameKeepingViews(Ddl &ddl, const std::string &sql);

}  // namespace kestrel_engine::schema

#endif
