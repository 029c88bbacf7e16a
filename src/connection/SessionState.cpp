/*
** Ending a shared session and freeing its handles.
*/
#include "connection/SessionState.h"

#include "COCIException.h"

namespace kestrel {

void SessionState::End() {
  if (live) {
    live = false;
    if (inTransaction) {
      inTransaction = false;
      const sword undone = OCITransRollback(svcCtx, error, OCI_DEFAULT);
      if (undone != OCI_SUCCESS) COCIException::checkErr(error, undone);
    }
    const sword status = OCISessionEnd(svcCtx, error, session, OCI_DEFAULT);
    if (status != OCI_SUCCESS) COCIException::checkErr(error, status);
  }
  if (attached) {
    attached = false;
    OCIServerDetach(server, error, OCI_DEFAULT);
  }
  // Null handles were never allocated (a Connect that failed part-way).
  if (trans) OCIHandleFree(trans, OCI_HTYPE_TRANS);
  if (describe) OCIHandleFree(describe, OCI_HTYPE_DESCRIBE);
  if (session) OCIHandleFree(session, OCI_HTYPE_SESSION);
  if (svcCtx) OCIHandleFree(svcCtx, OCI_HTYPE_SVCCTX);
  if (server) OCIHandleFree(server, OCI_HTYPE_SERVER);
  if (error) OCIHandleFree(error, OCI_HTYPE_ERROR);
  if (env) OCIHandleFree(env, OCI_HTYPE_ENV);
  env = nullptr;
  error = nullptr;
  server = nullptr;
  svcCtx = nullptr;
  session = nullptr;
  describe = nullptr;
  trans = nullptr;
}

void SessionState::TakeOver(SessionState &other) {
  End();
  env = other.env;
  error = other.error;
  server = other.server;
  svcCtx = other.svcCtx;
  session = other.session;
  describe = other.describe;
  trans = other.trans;
  attached = other.attached;
  live = other.live;
  inTransaction = other.inTransaction;
  other.inTransaction = false;
  other.env = nullptr;
  other.error = nullptr;
  other.server = nullptr;
  other.svcCtx = nullptr;
  other.session = nullptr;
  other.describe = nullptr;
  other.trans = nullptr;
  other.attached = false;
  other.live = false;
}

}  // namespace kestrel
