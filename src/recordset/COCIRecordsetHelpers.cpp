/*
** COCIRecordset's large-object and bind helpers: each wraps one
** client-interface call on the statement or on the first BLOB locator.
*/
#include "COCIException.h"
#include "COCIRecordset.h"

void COCIRecordset::bindByPos(int position, void *value, int size,
                              void *indicator, int type) {
  RequireStatement();
  OCIBind *bind = nullptr;
  Check(OCIBindByPos(m_hStmt, &bind, m_pConnection->m_hError,
                     static_cast<ub4>(position), value, size,
                     static_cast<ub2>(type), indicator, nullptr, nullptr, 0,
                     nullptr, OCI_DEFAULT));
}

void COCIRecordset::bindByName(char *name, void *value, int size,
                               void *indicator, int type) {
  RequireStatement();
  OCIBind *bind = nullptr;
  Check(OCIBindByName(m_hStmt, &bind, m_pConnection->m_hError,
                      reinterpret_cast<const OraText *>(name), -1, value,
                      size, static_cast<ub2>(type), indicator, nullptr,
                      nullptr, 0, nullptr, OCI_DEFAULT));
}

void COCIRecordset::defineByPos(int position, void *value, int size,
                                void *indicator, int type) {
  RequireStatement();
  OCIDefine *define = nullptr;
  Check(OCIDefineByPos(m_hStmt, &define, m_pConnection->m_hError,
                       static_cast<ub4>(position), value, size,
                       static_cast<ub2>(type), indicator, nullptr, nullptr,
                       OCI_DEFAULT));
}

int COCIRecordset::writeBlob(const unsigned char *data, unsigned int length) {
  RequireStatement();
  ub4 amount = length;
  Check(OCILobWrite(m_pConnection->m_hSvcCtx, m_pConnection->m_hError,
                    m_hLob, &amount, 1,
                    const_cast<unsigned char *>(data), length,
                    OCI_ONE_PIECE, nullptr, nullptr, 0, SQLCS_IMPLICIT));
  return TRUE;
}

int COCIRecordset::readBlob(unsigned char *buffer, unsigned int length) {
  RequireStatement();
  ub4 amount = length;
  Check(OCILobRead(m_pConnection->m_hSvcCtx, m_pConnection->m_hError, m_hLob,
                   &amount, 1, buffer, length, nullptr, nullptr, 0,
                   SQLCS_IMPLICIT));
  return TRUE;
}

int COCIRecordset::sizeBlob() {
  RequireStatement();
  ub4 length = 0;
  Check(OCILobGetLength(m_pConnection->m_hSvcCtx, m_pConnection->m_hError,
                        m_hLob, &length));
  return static_cast<int>(length);
}
