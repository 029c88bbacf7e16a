/*
** The statement of a COCIRecordset and its query result (output buffers,
** indicators, define handles, column descriptions, LOB locators and
** TIMESTAMP descriptors),
** shared by every copy of the recordset. The last holder to let go closes
** it as CloseRecordset would; CloseRecordset on any holder closes it for
** all of them.
*/
#ifndef KESTREL_STATEMENT_STATE_H
#define KESTREL_STATEMENT_STATE_H

#include <memory>
#include <string>
#include <vector>

#include "connection/SessionState.h"
#include "oci.h"
#include "recordset/ParamValue.h"

namespace kestrel {

struct StatementState {
  StatementState(std::shared_ptr<SessionState> owner, OCIStmt *handle)
      : session(std::move(owner)), stmt(handle) {}
  ~StatementState() { Close(); }
  StatementState(const StatementState &) = delete;
  StatementState &operator=(const StatementState &) = delete;

  // True while the statement may be used: not closed, and its session has
  // not ended (ending it freed the statement with it).
  bool Usable() const { return stmt != nullptr && session->live; }
  // True once a query's columns were described into the tables.
  bool HasResult() const { return !defines.empty() || lob != nullptr; }
  // Frees the statement (while its session lives), then the locators and
  // buffers it was defined into, and empties the tables.
  void Close();

  std::shared_ptr<SessionState> session;
  OCIStmt *stmt;

  // One entry per column index of the query last described.
  std::vector<void *> buffers;
  std::vector<sb2> indicators;
  std::vector<OCIDefine *> defines;
  std::vector<int> types;
  std::vector<int> sizes;
  std::vector<int> scales;
  // 1 where a NUMBER column's buffer holds a double rather than the
  // NUMBER form.
  std::vector<unsigned char> doubles;
  // The first BLOB column's locator (the one the large-object helpers
  // use), and one slot per column for the locators of the others; the
  // slots are made before any define and never move while the statement
  // is defined.
  OCILobLocator *lob = nullptr;
  std::vector<OCILobLocator *> lobs;
  // One slot per column for the descriptors TIMESTAMP columns are fetched
  // into (so that their fractions of a second come too).
  std::vector<OCIDateTime *> timestamps;
  // True once a fetch has put a row in the buffers.
  bool fetched = false;

  // The statement last prepared, its type, and whether it is prepared.
  std::string sql;
  int stmtType = 0;
  bool prepared = false;
  // True when running it ends a transaction of the connection (DDL,
  // COMMIT, ROLLBACK), told once at prepare.
  bool endsTransaction = false;
  // The parameters set for it, in the order they were set (each at a
  // fixed address: the statement reads their buffers at every execution).
  std::vector<std::unique_ptr<Param>> params;
  // Cleared parameters whose buffers the statement may still be bound to;
  // they go when it is prepared again or closed. True while there are any.
  std::vector<std::unique_ptr<Param>> retired;
};

}  // namespace kestrel

#endif
