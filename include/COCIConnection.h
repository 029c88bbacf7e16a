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
