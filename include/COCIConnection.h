/*
** COCIConnection: one database session. It initialises the client
** interface, attaches to a server through a database link, logs a user on
** and keeps the handles every statement of the session needs. Recordsets
** borrow a connection by pointer; it must outlive them.
**
** The object that connected owns the handles. A copy shares them as a view
** that never releases them: disconnecting or destroying a copy only resets
** the copy's fields, so nothing is released twice. Using a copy after its
** owner disconnected remains the caller's error.
*/
#ifndef KESTREL_COCICONNECTION_H
#define KESTREL_COCICONNECTION_H

#include "CString.h"
#include "KestrelExport.h"
#include "oci.h"
#include "windef.h"

class KESTREL_API COCIConnection {
  friend class COCIRecordset;

 public:
  COCIConnection();
  COCIConnection(const COCIConnection &other);
  COCIConnection &operator=(const COCIConnection &other);
  virtual ~COCIConnection();

  // TRUE when the session is up. Never throws; a failure is recorded in
  // COCIException's error record.
  BOOL Connect(CString link, CString user, CString password);
  // Ends the session and releases the handles (an owner's); resets the
  // fields either way.
  void DisConnect();
  int isConnected();

 protected:
  BOOL m_bConnected;
  OCIEnv *m_hEnv;
  OCIError *m_hError;
  OCIServer *m_hServer;
  OCISvcCtx *m_hSvcCtx;
  OCISession *m_hSession;
  OCIDescribe *m_hDescribe;
  OCITrans *m_hTrans;

 private:
  // Frees what a failed Connect allocated, in reverse order.
  void ReleaseHandles(bool attached);
  void ResetFields();

  // TRUE for the object whose Connect allocated the handles.
  BOOL m_bOwner;
};

#endif
