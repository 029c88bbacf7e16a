/*
** COCIRecordset's life: construction, copies, the statement handle, and
** preparing and executing one statement at a time.
*/
#include "COCIRecordset.h"

#include <string.h>

#include "COCIException.h"
#include "error/ErrorRecord.h"
#include "connection/TransactionRules.h"
#include "recordset/FaultArmed.h"
#include "recordset/StatementState.h"

namespace {

// A new shared state for a statement just allocated; the statement is
// freed if the state cannot be made.
std::shared_ptr<kestrel::StatementState> Share(
    const std::shared_ptr<kestrel::SessionState> &session, OCIStmt *stmt) {
  try {
    return std::make_shared<kestrel::StatementState>(session, stmt);
  } catch (...) {
    OCIHandleFree(stmt, OCI_HTYPE_STMT);
    throw;
  }
}

}  // namespace

COCIRecordset::COCIRecordset() : m_hParam(nullptr), m_strBuffer(" ") {}

COCIRecordset::COCIRecordset(const COCIRecordset &other)
    : m_pShared(other.m_pShared),
      m_hParam(other.m_hParam),
      m_strBuffer(other.m_strBuffer) {}

COCIRecordset &COCIRecordset::operator=(const COCIRecordset &other) {
  // Taken before this holder lets go, so assigning a holder of the same
  // statement (or itself) never closes it.
  std::shared_ptr<kestrel::StatementState> taken = other.m_pShared;
  m_pShared = std::move(taken);
  m_hParam = other.m_hParam;
  if (this != &other) m_strBuffer = other.m_strBuffer;
  return *this;
}

// The last holder's state closes the statement as it goes.
COCIRecordset::~COCIRecordset() = default;

BOOL COCIRecordset::InitRecordset(COCIConnection *connection) {
  // Lets go of the statement held so far; the last holder closes it.
  m_pShared.reset();
  m_hParam = nullptr;
  if (connection == nullptr || !connection->isConnected()) return 0;
  const std::shared_ptr<kestrel::SessionState> &session =
      connection->m_pSession->Shared();
  OCIStmt *stmt = nullptr;
  const sword status =
      OCIHandleAlloc(session->env, reinterpret_cast<dvoid **>(&stmt),
                     OCI_HTYPE_STMT, 0, nullptr);
  // Only exact success opens; nothing is recorded either way.
  if (status != OCI_SUCCESS) {
    if (stmt != nullptr) OCIHandleFree(stmt, OCI_HTYPE_STMT);
    return 0;
  }
  m_pShared = Share(session, stmt);
  return 1;
}

void COCIRecordset::OwnStatementWithoutResult() {
  kestrel::StatementState &held = *m_pShared;
  if (m_pShared.use_count() == 1 && !held.HasResult()) {
    held.fetched = false;
    return;
  }
  // Another holder keeps the shared statement, or the statement is defined
  // into the result's memory: a new statement replaces it here, and the
  // old one is closed (statement first, then memory) by its last holder.
  OCIStmt *stmt = nullptr;
  const sword status =
      OCIHandleAlloc(held.session->env, reinterpret_cast<dvoid **>(&stmt),
                     OCI_HTYPE_STMT, 0, nullptr);
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) {
    COCIException::checkErr(held.session->error, status);
    throw COCIException();
  }
  std::shared_ptr<kestrel::StatementState> fresh = Share(held.session, stmt);
  // The parameters go with the recordset to its new statement, as copies:
  // the old statement may still be bound to the old buffers.
  fresh->params.reserve(held.params.size());
  for (const std::unique_ptr<kestrel::Param> &p : held.params) {
    fresh->params.push_back(std::make_unique<kestrel::Param>(*p));
    fresh->params.back()->bound = false;
    fresh->params.back()->attached = false;
  }
  m_pShared = std::move(fresh);
  m_hParam = nullptr;
}

BOOL COCIRecordset::OpenRecordset(CString sql) {
  Prepare(sql);
  return Execute();
}

BOOL COCIRecordset::Prepare(CString sql) {
  RequireStatement();
  // Text past an embedded NUL would be dropped silently: the statement is
  // refused whole instead, before any client call.
  const size_t length = strlen(sql.GetString());
  if (length != static_cast<size_t>(sql.GetLength())) {
    kestrel::RecordError(911, "ORA-00911: invalid character");
    throw COCIException();
  }
  OwnStatementWithoutResult();
  kestrel::StatementState &st = *m_pShared;
  st.prepared = false;
  Check(OCIStmtPrepare(st.stmt, ErrorHandle(),
                       reinterpret_cast<const OraText *>(sql.GetString()),
                       static_cast<ub4>(length), OCI_NTV_SYNTAX,
                       OCI_DEFAULT));
  // Preparing dropped every bind: cleared parameters may go, the others
  // are bound again at the next execution.
  st.retired.clear();
  for (const std::unique_ptr<kestrel::Param> &p : st.params) {
    p->bound = false;
    p->attached = false;
  }
  st.sql.assign(sql.GetString(), length);
  st.stmtType = queryType();
  st.endsTransaction = kestrel::EndsTransaction(st.stmtType, st.sql);
  st.prepared = true;
  return 1;
}

BOOL COCIRecordset::Execute() {
  RequireStatement();
  const kestrel::StatementState &st = *m_pShared;
  if (!st.prepared) {
    kestrel::RecordError(24337, "ORA-24337: statement handle not prepared");
    throw COCIException();
  }
  // A query's result is defined into memory its copies may be reading,
  // and cleared parameters may still be bound: the statement is prepared
  // anew for them (on a statement of its own when the result is shared).
  if (st.HasResult() || !st.retired.empty()) {
    const std::string sql = st.sql;
    Prepare(CString(sql.c_str(), static_cast<int>(sql.size())));
  }
  return Run();
}

int COCIRecordset::Run() {
  kestrel::StatementState &st = *m_pShared;
  if (st.stmtType == OCI_STMT_SELECT) {
    execute(0);
    allocateCursor();
    return 1;
  }

  kestrel::SessionState &session = *st.session;
  if (session.inTransaction) {
    // Inside the connection's transaction: a failure leaves the earlier
    // statements pending for the caller to commit or roll back.
    execute(1);
    if (st.endsTransaction) session.inTransaction = false;
    return 1;
  }

  OCISvcCtx *svc = ServiceContext();
  OCIError *err = ErrorHandle();
  COCIException::checkErr(err, OCITransStart(svc, err, 60, OCI_TRANS_NEW));
  // The statement commits in the same call when it succeeds, as the
  // vendor's client lets it: one round trip, and the server may run it as
  // a transaction of its own. While a test has a fault armed the commit is
  // its own call, which the fault paths meet.
  const bool separateCommit = kestrel::EngineFaultArmed();
  try {
    execute(1, separateCommit ? OCI_DEFAULT : OCI_COMMIT_ON_SUCCESS);
  } catch (const COCIException &) {
    // The failed statement's changes are undone; the error record keeps
    // the execution's error, not the rollback's status.
    OCITransRollback(svc, err, OCI_DEFAULT);
    throw;
  }
  // A commit that fails stored nothing: the caller must hear it. Its error
  // stays on record while whatever it left pending is rolled back.
  if (separateCommit &&
      !COCIException::checkErr(err, OCITransCommit(svc, err, OCI_DEFAULT))) {
    OCITransRollback(svc, err, OCI_DEFAULT);
    throw COCIException();
  }
  return 1;
}

void COCIRecordset::CloseRecordset() {
  // Closes the shared statement for every holder.
  if (m_pShared) m_pShared->Close();
  m_pShared.reset();
  m_hParam = nullptr;
}

int COCIRecordset::queryType() {
  RequireStatement();
  ub4 type = 0;
  Check(OCIAttrGet(m_pShared->stmt, OCI_HTYPE_STMT, &type, nullptr,
                   OCI_ATTR_STMT_TYPE, ErrorHandle()));
  // The client writes 16 bits; only those are used.
  return static_cast<int>(type & 0xFFFF);
}

int COCIRecordset::execute(int iterations, unsigned int mode) {
  RequireStatement();
  // A cleared parameter's placeholder is still bound until the statement
  // is prepared again (Execute does): it has no value now.
  if (!m_pShared->retired.empty()) {
    kestrel::RecordError(1008, "ORA-01008: not all variables bound");
    throw COCIException();
  }
  // Every execution (AddRecord's too) binds first: a parameter whose value
  // moved to a new buffer must not be read where it was.
  BindParams();
  m_pShared->ForgetAhead();
  Check(OCIStmtExecute(ServiceContext(), m_pShared->stmt, ErrorHandle(),
                       static_cast<ub4>(iterations), 0, nullptr, nullptr,
                       static_cast<ub4>(mode)));
  return 1;
}

bool COCIRecordset::HasStatement() const {
  return m_pShared != nullptr && m_pShared->Usable();
}

void COCIRecordset::RequireStatement() const {
  if (HasStatement()) return;
  // No statement behind this recordset: nothing is asked of the client.
  COCIException::checkErr(nullptr, OCI_INVALID_HANDLE);
  throw COCIException();
}

OCIError *COCIRecordset::ErrorHandle() const {
  return m_pShared->session->error;
}

OCISvcCtx *COCIRecordset::ServiceContext() const {
  return m_pShared->session->svcCtx;
}

void COCIRecordset::Check(sword status) const {
  if (!COCIException::checkErr(ErrorHandle(), status)) throw COCIException();
}
