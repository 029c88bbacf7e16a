/*
** COCIRecordset's life: construction, copies, the statement handle, and
** preparing and executing one statement at a time.
*/
#include "COCIRecordset.h"

#include <string.h>

#include "COCIException.h"

COCIRecordset::COCIRecordset()
    : m_pConnection(nullptr),
      m_hStmt(nullptr),
      m_hParam(nullptr),
      m_bOpened(0),
      m_strBuffer(" "),
      m_hLob(nullptr),
      m_hStmtEnv(nullptr),
      m_bOwner(FALSE),
      m_bFetched(FALSE) {}

COCIRecordset::COCIRecordset(const COCIRecordset &other)
    : m_pConnection(other.m_pConnection),
      m_hStmt(other.m_hStmt),
      m_hParam(other.m_hParam),
      m_bOpened(other.m_bOpened),
      m_strBuffer(other.m_strBuffer),
      m_buffers(other.m_buffers),
      m_indicators(other.m_indicators),
      m_defines(other.m_defines),
      m_hLob(other.m_hLob),
      m_types(other.m_types),
      m_sizes(other.m_sizes),
      m_scales(other.m_scales),
      m_lobs(other.m_lobs),
      m_hStmtEnv(other.m_hStmtEnv),
      m_bOwner(FALSE),
      m_bFetched(other.m_bFetched) {}

COCIRecordset &COCIRecordset::operator=(const COCIRecordset &other) {
  if (this == &other) return *this;
  CloseRecordset();
  ForgetResult();
  m_pConnection = other.m_pConnection;
  m_hStmt = other.m_hStmt;
  m_hParam = other.m_hParam;
  m_bOpened = other.m_bOpened;
  m_strBuffer = other.m_strBuffer;
  m_buffers = other.m_buffers;
  m_indicators = other.m_indicators;
  m_defines = other.m_defines;
  m_hLob = other.m_hLob;
  m_types = other.m_types;
  m_sizes = other.m_sizes;
  m_scales = other.m_scales;
  m_lobs = other.m_lobs;
  m_hStmtEnv = other.m_hStmtEnv;
  m_bOwner = FALSE;
  m_bFetched = other.m_bFetched;
  return *this;
}

COCIRecordset::~COCIRecordset() {
  // No client-interface call here: the owner calls CloseRecordset first.
  // An owner still holding output buffers releases them.
  ForgetResult();
}

BOOL COCIRecordset::InitRecordset(COCIConnection *connection) {
  CloseRecordset();
  m_pConnection = connection;
  if (connection == nullptr || !connection->isConnected()) {
    m_bOpened = 0;
    return 0;
  }
  OCIStmt *stmt = nullptr;
  const sword status =
      OCIHandleAlloc(connection->m_hEnv, reinterpret_cast<dvoid **>(&stmt),
                     OCI_HTYPE_STMT, 0, nullptr);
  // Only exact success opens; nothing is recorded either way.
  if (status != OCI_SUCCESS) {
    m_bOpened = 0;
    return 0;
  }
  m_hStmt = stmt;
  m_hStmtEnv = connection->m_hEnv;
  m_bOwner = TRUE;
  m_bOpened = 1;
  m_bFetched = FALSE;
  return 1;
}

BOOL COCIRecordset::OpenRecordset(CString sql) {
  RequireStatement();
  // A result held from an earlier query is released first.
  if (m_bOwner)
    freeResult();
  else
    ForgetResult();
  m_bFetched = FALSE;

  // The text up to its first NUL byte, whatever its length.
  const size_t length = strlen(sql.GetString());
  Check(OCIStmtPrepare(m_hStmt, m_pConnection->m_hError,
                       reinterpret_cast<const OraText *>(sql.GetString()),
                       static_cast<ub4>(length), OCI_NTV_SYNTAX,
                       OCI_DEFAULT));

  if (queryType() == OCI_STMT_SELECT) {
    execute(0);
    allocateCursor();
    return 1;
  }

  OCISvcCtx *svc = m_pConnection->m_hSvcCtx;
  OCIError *err = m_pConnection->m_hError;
  COCIException::checkErr(err, OCITransStart(svc, err, 60, OCI_TRANS_NEW));
  try {
    execute(1);
  } catch (const COCIException &) {
    // The failed statement's changes are undone; the error record keeps
    // the execution's error, not the rollback's status.
    OCITransRollback(svc, err, OCI_DEFAULT);
    throw;
  }
  COCIException::checkErr(err, OCITransCommit(svc, err, OCI_DEFAULT));
  return 1;
}

void COCIRecordset::CloseRecordset() {
  if (!m_bOpened) return;
  if (m_bOwner && m_pConnection != nullptr &&
      m_pConnection->m_hEnv == m_hStmtEnv && m_hStmtEnv != nullptr) {
    OCIHandleFree(m_hStmt, OCI_HTYPE_STMT);
    freeResult();
  } else {
    // A view, or an owner whose connection's session (and with it the
    // statement and locators) is gone: only memory is released.
    ForgetResult();
  }
  m_bOpened = 0;
  m_bOwner = FALSE;
  m_bFetched = FALSE;
}

void COCIRecordset::freeResult() {
  if (m_hLob != nullptr) {
    OCIDescriptorFree(m_hLob, OCI_DTYPE_LOB);
    m_hLob = nullptr;
  }
  for (OCILobLocator *&lob : m_lobs) {
    if (lob != nullptr) OCIDescriptorFree(lob, OCI_DTYPE_LOB);
    lob = nullptr;
  }
  ForgetResult();
}

void COCIRecordset::ForgetResult() {
  if (m_bOwner) {
    for (void *buffer : m_buffers) ::operator delete(buffer);
  }
  m_hLob = nullptr;
  m_buffers.clear();
  m_indicators.clear();
  m_defines.clear();
  m_types.clear();
  m_sizes.clear();
  m_scales.clear();
  m_lobs.clear();
}

int COCIRecordset::queryType() {
  RequireStatement();
  ub4 type = 0;
  Check(OCIAttrGet(m_hStmt, OCI_HTYPE_STMT, &type, nullptr,
                   OCI_ATTR_STMT_TYPE, m_pConnection->m_hError));
  // The client writes 16 bits; only those are used.
  return static_cast<int>(type & 0xFFFF);
}

int COCIRecordset::execute(int iterations) {
  RequireStatement();
  Check(OCIStmtExecute(m_pConnection->m_hSvcCtx, m_hStmt,
                       m_pConnection->m_hError, static_cast<ub4>(iterations),
                       0, nullptr, nullptr, OCI_DEFAULT));
  return 1;
}

bool COCIRecordset::HasStatement() const {
  return m_bOpened && m_pConnection != nullptr;
}

void COCIRecordset::RequireStatement() const {
  if (HasStatement()) return;
  // No statement behind this recordset: nothing is asked of the client.
  COCIException::checkErr(nullptr, OCI_INVALID_HANDLE);
  throw COCIException();
}

void COCIRecordset::Check(sword status) const {
  if (!COCIException::checkErr(m_pConnection->m_hError, status))
    throw COCIException();
}
