/*
** The DDL executor's entry: parse, pick the statement's body, and run it
** as one transaction that also brings the catalog up to date.
*/
#include "schema/SchemaStatement.h"

#include <exception>

#include "catalog/Catalog.h"
#include "catalog/StorageNames.h"
#include "schema/Constraints.h"
#include "schema/SchemaStatements.h"
#include "session/Connection.h"
#include "sql/Lexer.h"
#include "sql/ast/Arena.h"
#include "sql/parse/Parse.h"
#include "sql/parse/SyntaxError.h"
#include "sql/resolve/SemanticError.h"

namespace kestrel_engine {

namespace {

using namespace schema;

// Deferred constraints are checked at commit: SQLite's own deferred
// foreign keys still do that, on the older rewrite.
bool Deferred(const sql::List<sql::Constraint> &constraints) {
  for (const sql::Constraint *c : constraints) {
    if (c->deferrable == 1 || c->initially == 2) return true;
  }
  return false;
}

bool Deferred(const sql::CreateTableStmt &create) {
  if (Deferred(create.constraints)) return true;
  for (const sql::ColumnDef *c : create.columns) {
    if (Deferred(c->constraints)) return true;
  }
  return false;
}

bool Mine(const sql::Statement &s) {
  switch (s.kind) {
    case sql::StmtKind::kCreateTable: {
      // AS SELECT with deferrable constraints: the translation's alone.
      const auto &create = static_cast<const sql::CreateTableStmt &>(s);
      return create.as_query == nullptr || !Deferred(create);
    }
    case sql::StmtKind::kAlterTable: {
      const auto &alter = static_cast<const sql::AlterTableStmt &>(s);
      for (const sql::AlterItem *item : alter.items) {
        if (Deferred(item->constraints)) return false;
      }
      return CanAlterTable(alter);
    }
    case sql::StmtKind::kCreateView:
    case sql::StmtKind::kCreateIndex:
    case sql::StmtKind::kTruncate:
    case sql::StmtKind::kCreateSynonym:
      return true;
    case sql::StmtKind::kDrop:
      return CanDrop(static_cast<const sql::DropStmt &>(s));
    default:
      return false;
  }
}

void Run(Ddl &ddl, const sql::Statement &s, std::string_view text) {
  switch (s.kind) {
    case sql::StmtKind::kCreateTable: {
      const auto &create = static_cast<const sql::CreateTableStmt &>(s);
      if (create.as_query == nullptr && create.temporary == 0 && Deferred(create)) {
        return CreateOlderTable(ddl, create, text);
      }
      return CreateTable(ddl, create, text);
    }
    case sql::StmtKind::kAlterTable:
      return AlterTable(ddl, static_cast<const sql::AlterTableStmt &>(s));
    case sql::StmtKind::kCreateView:
      return CreateView(ddl, static_cast<const sql::CreateViewStmt &>(s), text);
    case sql::StmtKind::kCreateIndex:
      return CreateIndex(ddl, static_cast<const sql::CreateIndexStmt &>(s), text);
    case sql::StmtKind::kTruncate:
      return Truncate(ddl, static_cast<const sql::TruncateStmt &>(s));
    case sql::StmtKind::kDrop:
      return Drop(ddl, static_cast<const sql::DropStmt &>(s));
    case sql::StmtKind::kCreateSynonym:
      return CreateSynonym(ddl, static_cast<const sql::CreateSynonymStmt &>(s));
    default:
      return;
  }
}

}  // namespace

SchemaOutcome RunSchemaStatement(Connection &connection, std::string_view text,
                                 const std::string &user, OraError *error) {
  sql::Arena arena;
  const sql::Statement *statement = nullptr;
  try {
    statement = sql::Parse(text, arena);
  } catch (const sql::SyntaxError &) {
    return SchemaOutcome::kNotMine;
  }
  if (statement == nullptr || !Mine(*statement)) return SchemaOutcome::kNotMine;
  if (!connection.Commit(error) || !connection.BeginWrite(error)) return SchemaOutcome::kFailed;
  const std::string owner = UpperAscii(user);
  Ddl ddl(connection, owner);
  ddl.text = text;
  bool ok = false;
  try {
    OraError e;
    if (!EnsureConstraintTables(connection, &e)) throw DdlError{e};
    // The statement reads the catalog (the stored names of tables in their
    // schemas) as the engine; what it runs is the engine's own SQL anyway.
    Connection::InternalScope internal(connection);
    Run(ddl, *statement, text);
    if (!SyncCatalog(connection, owner, &e)) throw DdlError{e};
    ok = true;
  } catch (const DdlError &e) {
    *error = e.error;
  } catch (const sql::SemanticError &e) {
    *error = OraError::Verbatim(e.code(), e.message());
  } catch (const sql::SyntaxError &e) {
    *error = OraError::Make(e.code());
  } catch (const std::exception &e) {
    *error = OraError::Make(600, e.what());  // a fault here, never a crash
  }
  if (!ok) {
    OraError ignored;
    connection.Rollback(&ignored);
    // A query form the emitter does not write yet (in a view, CREATE TABLE
    // AS SELECT, a CHECK or an index expression): the translation may
    // still run it. ALTER never goes back, as the older path would clear
    // the table's constraint triggers.
    // A temporary table's refusal is final: the translation knows none.
    const bool creates = statement->kind == sql::StmtKind::kCreateView ||
                         (statement->kind == sql::StmtKind::kCreateTable &&
                          static_cast<const sql::CreateTableStmt *>(statement)->temporary == 0) ||
                         statement->kind == sql::StmtKind::kCreateIndex;
    // Not where the schema keeps tables under qualified names: the
    // translation writes plain ones (catalog/StorageNames.h).
    if (creates && error->code == sql::kOraUnimplemented) {
      Connection::InternalScope internal(connection);
      if (!HasQualifiedStorage(connection.db(), ResolutionSchema(connection.db()))) {
        return SchemaOutcome::kNotMine;
      }
    }
    return SchemaOutcome::kFailed;
  }
  if (!connection.Commit(error)) return SchemaOutcome::kFailed;
  if (!ddl.with_errors) return SchemaOutcome::kDone;
  *error = OraError::Make(24344);
  return SchemaOutcome::kDoneWithErrors;
}

}  // namespace kestrel_engine
