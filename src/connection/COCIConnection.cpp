/*
** COCIConnection: connect, disconnect, and the session its copies share.
*/
#include "COCIConnection.h"

#include "COCIException.h"
#include "connection/SessionState.h"

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
      m_hTrans(nullptr) {}

COCIConnection::COCIConnection(const COCIConnection &other)
    : COCIConnection() {
  m_pSession = other.m_pSession;
  Mirror();
}

COCIConnection &COCIConnection::operator=(const COCIConnection &other) {
  // Taken before this holder lets go, so assigning a holder of the same
  // session (or itself) never ends it.
  std::shared_ptr<kestrel::SessionLease> taken = other.m_pSession;
  m_pSession = std::move(taken);
  Mirror();
  return *this;
}

// The last holder's lease ends the session as it goes.
COCIConnection::~COCIConnection() = default;

BOOL COCIConnection::Connect(CString link, CString user, CString password) {
  // Lets go of the session held so far; the last holder ends it.
  m_pSession.reset();
  ResetFields();

  // Built aside and shared only once the session is up: on any failure its
  // destructor frees whatever was allocated. (The handles come first, the
  // shared bookkeeping after them.)
  kestrel::SessionState s;
  OCIInitialize(OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr,
                nullptr);
  OCIEnvInit(&s.env, OCI_DEFAULT, 0, nullptr);
  OCIHandleAlloc(s.env, reinterpret_cast<dvoid **>(&s.error),
                 OCI_HTYPE_ERROR, 0, nullptr);
  OCIHandleAlloc(s.env, reinterpret_cast<dvoid **>(&s.server),
                 OCI_HTYPE_SERVER, 0, nullptr);

  sword status = OCIServerAttach(
      s.server, s.error, reinterpret_cast<const OraText *>(link.GetString()),
      static_cast<sb4>(link.GetLength()), OCI_DEFAULT);
  if (status != OCI_SUCCESS) COCIException::checkErr(s.error, status);
  if (!IsUp(status)) return FALSE;
  s.attached = true;
  const bool attachWarned = status == OCI_SUCCESS_WITH_INFO;

  OCIHandleAlloc(s.env, reinterpret_cast<dvoid **>(&s.svcCtx),
                 OCI_HTYPE_SVCCTX, 0, nullptr);
  OCIAttrSet(s.svcCtx, OCI_HTYPE_SVCCTX, s.server, 0, OCI_ATTR_SERVER,
             s.error);
  OCIHandleAlloc(s.env, reinterpret_cast<dvoid **>(&s.session),
                 OCI_HTYPE_SESSION, 0, nullptr);
  OCIAttrSet(s.session, OCI_HTYPE_SESSION, TextAttribute(user),
             TextLength(user), OCI_ATTR_USERNAME, s.error);
  OCIAttrSet(s.session, OCI_HTYPE_SESSION, TextAttribute(password),
             TextLength(password), OCI_ATTR_PASSWORD, s.error);
  OCIHandleAlloc(s.env, reinterpret_cast<dvoid **>(&s.describe),
                 OCI_HTYPE_DESCRIBE, 0, nullptr);

  status = OCISessionBegin(s.svcCtx, s.error, s.session, OCI_CRED_RDBMS,
                           OCI_DEFAULT);
  // A plain success of the logon keeps the attach's warning on record.
  if (status != OCI_SUCCESS || !attachWarned)
    COCIException::checkErr(s.error, status);
  if (!IsUp(status)) return FALSE;
  s.live = true;

  OCIAttrSet(s.svcCtx, OCI_HTYPE_SVCCTX, s.session, 0, OCI_ATTR_SESSION,
             s.error);
  OCIHandleAlloc(s.env, reinterpret_cast<dvoid **>(&s.trans),
                 OCI_HTYPE_TRANS, 0, nullptr);
  OCIAttrSet(s.svcCtx, OCI_HTYPE_SVCCTX, s.trans, 0, OCI_ATTR_TRANS, s.error);
  m_pSession = std::make_shared<kestrel::SessionLease>(s);
  Mirror();
  return TRUE;
}

void COCIConnection::DisConnect() {
  // Ends the session for every holder; their leases then hold nothing.
  if (m_pSession) m_pSession->State().End();
  m_pSession.reset();
  ResetFields();
}

int COCIConnection::isConnected() {
  if (m_pSession && !m_pSession->State().live) Mirror();
  return m_bConnected;
}

void COCIConnection::Mirror() {
  if (!m_pSession || !m_pSession->State().live) {
    m_pSession.reset();
    ResetFields();
    return;
  }
  const kestrel::SessionState &s = m_pSession->State();
  m_bConnected = 1;
  m_hEnv = s.env;
  m_hError = s.error;
  m_hServer = s.server;
  m_hSvcCtx = s.svcCtx;
  m_hSession = s.session;
  m_hDescribe = s.describe;
  m_hTrans = s.trans;
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
}
