/*
** Closing a shared statement: the handle goes first, so nothing is ever
** defined into memory that was freed.
*/
#include "recordset/StatementState.h"

namespace kestrel {

void StatementState::Close() {
  // Once the session ended, its environment took the statement and the
  // locators with it: only memory is left to release.
  const bool live = session->live;
  if (stmt != nullptr && live) OCIHandleFree(stmt, OCI_HTYPE_STMT);
  stmt = nullptr;
  if (live) {
    if (lob != nullptr) OCIDescriptorFree(lob, OCI_DTYPE_LOB);
    for (OCILobLocator *extra : lobs)
      if (extra != nullptr) OCIDescriptorFree(extra, OCI_DTYPE_LOB);
    for (OCIDateTime *stamp : timestamps)
      if (stamp != nullptr) OCIDescriptorFree(stamp, OCI_DTYPE_TIMESTAMP);
  }
  lob = nullptr;
  lobs.clear();
  timestamps.clear();
  for (void *buffer : buffers) ::operator delete(buffer);
  buffers.clear();
  indicators.clear();
  batchIndicators.clear();
  views.clear();
  batch = 1;
  ForgetAhead();
  defines.clear();
  types.clear();
  sizes.clear();
  scales.clear();
  doubles.clear();
  fetched = false;
  prepared = false;
  params.clear();
  retired.clear();
}

}  // namespace kestrel
