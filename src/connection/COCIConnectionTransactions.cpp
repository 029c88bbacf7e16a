/*
** COCIConnection's transactions: BeginTrans, CommitTrans and Rollback on
** the session its copies share.
*/
#include "COCIConnection.h"
#include "COCIException.h"
#include "connection/SessionState.h"
#include "error/ErrorRecord.h"

namespace {

// The live session of `lease`, or null with ORA-03114 recorded.
kestrel::SessionState *LiveSession(
    const std::shared_ptr<kestrel::SessionLease> &lease) {
  if (lease && lease->State().live) return &lease->State();
  kestrel::RecordError(3114, "ORA-03114: not connected to ORACLE");
  return nullptr;
}

}  // namespace

BOOL COCIConnection::BeginTrans() {
  kestrel::SessionState *s = LiveSession(m_pSession);
  if (s == nullptr) {
    Mirror();
    return FALSE;
  }
  if (s->inTransaction) return FALSE;
  const sword status = OCITransStart(s->svcCtx, s->error, 60, OCI_TRANS_NEW);
  if (!COCIException::checkErr(s->error, status)) return FALSE;
  s->inTransaction = true;
  return TRUE;
}

BOOL COCIConnection::CommitTrans() {
  kestrel::SessionState *s = LiveSession(m_pSession);
  if (s == nullptr) {
    Mirror();
    return FALSE;
  }
  if (!s->inTransaction) return TRUE;
  s->inTransaction = false;
  if (COCIException::checkErr(
          s->error, OCITransCommit(s->svcCtx, s->error, OCI_DEFAULT)))
    return TRUE;
  // Nothing was stored: what is left pending goes, the commit's error
  // stays on record.
  OCITransRollback(s->svcCtx, s->error, OCI_DEFAULT);
  return FALSE;
}

BOOL COCIConnection::Rollback() {
  kestrel::SessionState *s = LiveSession(m_pSession);
  if (s == nullptr) {
    Mirror();
    return FALSE;
  }
  if (!s->inTransaction) return TRUE;
  s->inTransaction = false;
  return COCIException::checkErr(
             s->error, OCITransRollback(s->svcCtx, s->error, OCI_DEFAULT))
             ? TRUE
             : FALSE;
}
