/*
** COCIConnection: one database session. It initialises the client
** interface, attaches to a server through a database link, logs a user on
** and keeps the handles every statement of the session needs.
**
** Copies share one session (reference-counted): it ends when the last
** holder is destroyed or connects elsewhere, or at once for every holder
** when any of them calls DisConnect; the others then answer
** isConnected() == 0. Recordsets refer to the session itself, not to the
** connection object, so they may outlive it; once the session has ended
** they make no client call on it.
**
** Transactions. Between BeginTrans and CommitTrans or Rollback, a
** non-query run by a recordset on the session does not commit; a failed
** one leaves the earlier ones pending, for the caller to commit or roll
** back. Outside them each non-query commits on its own. Copies share the
** transaction with the session. A statement that commits on the server of
** its own accord (DDL, COMMIT, ROLLBACK, a block holding one) ends the
** transaction there and here: CommitTrans afterwards commits nothing and
** answers TRUE, and the non-queries after it commit on their own again. DisConnect and the end
** of the last holder roll an open transaction back before ending the
** session, which would otherwise commit it.
*/
#ifndef KESTREL_COCICONNECTION_H
#define KESTREL_COCICONNECTION_H

#include <memory>

#include "CString.h"
#include "KestrelExport.h"
#include "oci.h"
#include "windef.h"

namespace kestrel {
class SessionLease;
}

class KESTREL_API COCIConnection {
  friend class COCIRecordset;

 public:
  COCIConnection();
  COCIConnection(const COCIConnection &other);
  COCIConnection &operator=(const COCIConnection &other);
  virtual ~COCIConnection();

  // TRUE when the session is up. Never throws; a failure is recorded in
  // COCIException's error record. A holder of a session lets go of it
  // first (ending it when it was the last holder).
  BOOL Connect(CString link, CString user, CString password);
  // Ends the session for every holder and releases its handles; resets the
  // fields either way.
  void DisConnect();
  int isConnected();

  // TRUE once a transaction is open. FALSE when not connected (ORA-03114
  // recorded), when one is already open (they do not nest; nothing
  // recorded), or when the client refuses (its error recorded).
  BOOL BeginTrans();
  // Commit or roll back the open transaction and end it; TRUE when there
  // is none. A commit that fails is rolled back, its error recorded, and
  // answers FALSE. FALSE when not connected (ORA-03114 recorded). Never
  // throw.
  BOOL CommitTrans();
  BOOL Rollback();

 protected:
  // The shared session's handles as this holder last saw them: valid while
  // isConnected() answers 1.
  BOOL m_bConnected;
  OCIEnv *m_hEnv;
  OCIError *m_hError;
  OCIServer *m_hServer;
  OCISvcCtx *m_hSvcCtx;
  OCISession *m_hSession;
  OCIDescribe *m_hDescribe;
  OCITrans *m_hTrans;

 private:
  // Copies the live session's handles into the fields, or lets go of an
  // ended session and zeroes them.
  void Mirror();
  void ResetFields();

  std::shared_ptr<kestrel::SessionLease> m_pSession;
};

#endif
