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

#include <cstdint>
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

  // Rows fetched ahead (on the embedded engine, where each fetch call
  // costs what SQLite's step for a row costs again): each column's
  // buffer holds `batch` elements and `batchIndicators` their indicators,
  // column by column; Buffer and Indicator read the row in view. `held`
  // rows came with the last fetch and `next` is the first not yet shown;
  // after them comes `ending` (OCI_NO_DATA, or OCI_ERROR with
  // `endCode`/`endText`).
  std::vector<sb2> batchIndicators;
  ub4 batch = 1;
  ub4 held = 0;
  ub4 next = 0;
  ub4 row = 0;        // the one in view
  bool cut = false;   // the last fetch cut a value to its buffer
  ub4 engineRows = 0;  // the statement's row count after the last fetch
  sword ending = OCI_SUCCESS;
  sb4 endCode = 0;
  std::string endText;
  // Forgets rows fetched ahead: a new execution starts over.
  void ForgetAhead() {
    held = next = row = engineRows = 0;
    ending = OCI_SUCCESS;
    cut = false;
  }
  // Column i's buffer and indicator for the row in view (`row` stays 0
  // when rows come one at a time; a column without a buffer has stride 0).
  // (Worked out on addresses as integers: a column without a buffer has
  // stride 0 and stays null.)
  void *Buffer(size_t i) const {
    const View &v = views[i];
    return reinterpret_cast<void *>(v.buffer + v.stride * row);
  }
  sb2 Indicator(size_t i) const { return views[i].indicators[row]; }
  // Each column's first buffer and indicator, and the bytes between rows,
  // side by side for the value path.
  struct View {
    uintptr_t buffer;
    size_t stride;
    sb2 *indicators;
  };
  std::vector<View> views;

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
