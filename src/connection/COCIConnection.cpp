/*
** COCIConnection: connect, disconnect and the ownership of a session's
** handles between copies.
*/
#include "COCIConnection.h"

#include "COCIException.h"

namespace {

// The attach and the logon count as up for OCI_SUCCESS and for
// OCI_SUCCESS_WITH_INFO: a session that began with a warning is live.
bool IsUp(sword status) {
  return status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO;
}

dvoid *TextAttribute(const CString &text) {
  return const_cast<char *>(text.GetString());
}

ub4 TextLength(const CString &text) {
  return static_cast<ub4>(text.GetLength());
}

}  // namespace

COCIConnection::COCIConnection()
    : m_bConnected(0),
      m_hEnv(nullptr),
      m_hError(nullptr),
      m_hServer(nullptr),
      m_hSvcCtx(nullptr),
      m_hSession(nullptr),
      m_hDescribe(nullptr),
      m_hTrans(nullptr),
      m_bOwner(FALSE) {}

COCIConnection::COCIConnection(const COCIConnection &other)
    : m_bConnected(other.m_bConnected),
      m_hEnv(other.m_hEnv),
      m_hError(other.m_hError),
      m_hServer(other.m_hServer),
      m_hSvcCtx(other.m_hSvcCtx),
      m_hSession(other.m_hSession),
      m_hDescribe(other.m_hDescribe),
      m_hTrans(other.m_hTrans),
      m_bOwner(FALSE) {}

COCIConnection &COCIConnection::operator=(const COCIConnection &other) {
  if (this == &other) return *this;
  DisConnect();
  m_bConnected = other.m_bConnected;
  m_hEnv = other.m_hEnv;
  m_hError = other.m_hError;
  m_hServer = other.m_hServer;
  m_hSvcCtx = other.m_hSvcCtx;
  m_hSession = other.m_hSession;
  m_hDescribe = other.m_hDescribe;
  m_hTrans = other.m_hTrans;
  m_bOwner = FALSE;
  return *this;
}

COCIConnection::~COCIConnection() { DisConnect(); }

BOOL COCIConnection::Connect(CString link, CString user, CString password) {
  // An owner ends its session first; a copy only lets go of its view.
  DisConnect();

  OCIInitialize(OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr,
                nullptr);
  OCIEnvInit(&m_hEnv, OCI_DEFAULT, 0, nullptr);
  m_bOwner = TRUE;
  OCIHandleAlloc(m_hEnv, reinterpret_cast<dvoid **>(&m_hError),
                 OCI_HTYPE_ERROR, 0, nullptr);
  OCIHandleAlloc(m_hEnv, reinterpret_cast<dvoid **>(&m_hServer),
                 OCI_HTYPE_SERVER, 0, nullptr);

  sword status = OCIServerAttach(
      m_hServer, m_hError,
      reinterpret_cast<const OraText *>(link.GetString()),
      static_cast<sb4>(link.GetLength()), OCI_DEFAULT);
  if (status != OCI_SUCCESS) COCIException::checkErr(m_hError, status);
  if (!IsUp(status)) {
    ReleaseHandles(false);
    return FALSE;
  }

  OCIHandleAlloc(m_hEnv, reinterpret_cast<dvoid **>(&m_hSvcCtx),
                 OCI_HTYPE_SVCCTX, 0, nullptr);
  OCIAttrSet(m_hSvcCtx, OCI_HTYPE_SVCCTX, m_hServer, 0, OCI_ATTR_SERVER,
             m_hError);
  OCIHandleAlloc(m_hEnv, reinterpret_cast<dvoid **>(&m_hSession),
                 OCI_HTYPE_SESSION, 0, nullptr);
  OCIAttrSet(m_hSession, OCI_HTYPE_SESSION, TextAttribute(user),
             TextLength(user), OCI_ATTR_USERNAME, m_hError);
  OCIAttrSet(m_hSession, OCI_HTYPE_SESSION, TextAttribute(password),
             TextLength(password), OCI_ATTR_PASSWORD, m_hError);
  OCIHandleAlloc(m_hEnv, reinterpret_cast<dvoid **>(&m_hDescribe),
                 OCI_HTYPE_DESCRIBE, 0, nullptr);

  status = OCISessionBegin(m_hSvcCtx, m_hError, m_hSession, OCI_CRED_RDBMS,
                           OCI_DEFAULT);
  COCIException::checkErr(m_hError, status);
  if (!IsUp(status)) {
    ReleaseHandles(true);
    return FALSE;
  }

  OCIAttrSet(m_hSvcCtx, OCI_HTYPE_SVCCTX, m_hSession, 0, OCI_ATTR_SESSION,
             m_hError);
  OCIHandleAlloc(m_hEnv, reinterpret_cast<dvoid **>(&m_hTrans),
                 OCI_HTYPE_TRANS, 0, nullptr);
  OCIAttrSet(m_hSvcCtx, OCI_HTYPE_SVCCTX, m_hTrans, 0, OCI_ATTR_TRANS,
             m_hError);
  m_bConnected = 1;
  return TRUE;
}

void COCIConnection::DisConnect() {
  if (m_bConnected && m_bOwner) {
    OCISessionEnd(m_hSvcCtx, m_hError, m_hSession, OCI_DEFAULT);
    OCIServerDetach(m_hServer, m_hError, OCI_DEFAULT);
    OCIHandleFree(m_hTrans, OCI_HTYPE_TRANS);
    OCIHandleFree(m_hServer, OCI_HTYPE_SERVER);
    OCIHandleFree(m_hSvcCtx, OCI_HTYPE_SVCCTX);
    OCIHandleFree(m_hError, OCI_HTYPE_ERROR);
    OCIHandleFree(m_hDescribe, OCI_HTYPE_DESCRIBE);
    OCIHandleFree(m_hSession, OCI_HTYPE_SESSION);
    OCIHandleFree(m_hEnv, OCI_HTYPE_ENV);
  }
  ResetFields();
}

int COCIConnection::isConnected() { return m_bConnected; }

void COCIConnection::ReleaseHandles(bool attached) {
  if (attached) OCIServerDetach(m_hServer, m_hError, OCI_DEFAULT);
  // Null handles were never allocated; freeing them is skipped.
  if (m_hDescribe) OCIHandleFree(m_hDescribe, OCI_HTYPE_DESCRIBE);
  if (m_hSession) OCIHandleFree(m_hSession, OCI_HTYPE_SESSION);
  if (m_hSvcCtx) OCIHandleFree(m_hSvcCtx, OCI_HTYPE_SVCCTX);
  if (m_hServer) OCIHandleFree(m_hServer, OCI_HTYPE_SERVER);
  if (m_hError) OCIHandleFree(m_hError, OCI_HTYPE_ERROR);
  if (m_hEnv) OCIHandleFree(m_hEnv, OCI_HTYPE_ENV);
  ResetFields();
}

void COCIConnection::ResetFields() {
  m_bConnected = 0;
  m_hEnv = nullptr;
  m_hError = nullptr;
  m_hServer = nullptr;
  m_hSvcCtx = nullptr;
  m_hSession = nullptr;
  m_hDescribe = nullptr;
  m_hTrans = nullptr;
  m_bOwner = FALSE;
}
