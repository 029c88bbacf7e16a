/*
** COCIRecordset's large-object and bind helpers: each wraps one
** client-interface call on the statement or on the first BLOB locator.
*/
#include "COCIException.h"
#include "COCIRecordset.h"
#include "recordset/StatementState.h"

void COCIRecordset::bindByPos(int position, void *value, int size,
                              void *indicator, int type) {
  RequireStatement();
  OCIBind *bind = nullptr;
  Check(OCIBindByPos(m_pShared->stmt, &bind, ErrorHandle(),
                     static_cast<ub4>(position), value, size,
                     static_cast<ub2>(type), indicator, nullptr, nullptr, 0,
                     nullptr, OCI_DEFAULT));
}

void COCIRecordset::bindByName(char *name, void *value, int size,
                               void *indicator, int type) {
  RequireStatement();
  OCIBind *bind = nullptr;
  Check(OCIBindByName(m_pShared->stmt, &bind, ErrorHandle(),
                      reinterpret_cast<const OraText *>(name), -1, value,
                      size, static_cast<ub2>(type), indicator, nullptr,
                      nullptr, 0, nullptr, OCI_DEFAULT));
}

void COCIRecordset::defineByPos(int position, void *value, int size,
                                void *indicator, int type) {
  RequireStatement();
  OCIDefine *define = nullptr;
  Check(OCIDefineByPos(m_pShared->stmt, &define, ErrorHandle(),
                       static_cast<ub4>(position), value, size,
                       static_cast<ub2>(type), indicator, nullptr, nullptr,
                       OCI_DEFAULT));
}

int COCIRecordset::writeBlob(const unsigned char *data, unsigned int length) {
  RequireStatement();
  ub4 amount = length;
  Check(OCILobWrite(ServiceContext(), ErrorHandle(),
                    m_pShared->lob, &amount, 1,
                    const_cast<unsigned char *>(data), length,
                    OCI_ONE_PIECE, nullptr, nullptr, 0, SQLCS_IMPLICIT));
  return TRUE;
}

int COCIRecordset::readBlob(unsigned char *buffer, unsigned int length) {
  RequireStatement();
  ub4 amount = length;
  Check(OCILobRead(ServiceContext(), ErrorHandle(), m_pShared->lob,
                   &amount, 1, buffer, length, nullptr, nullptr, 0,
                   SQLCS_IMPLICIT));
  return TRUE;
}

int COCIRecordset::sizeBlob() {
  RequireStatement();
  ub4 length = 0;
  Check(OCILobGetLength(ServiceContext(), ErrorHandle(),
                        m_pShared->lob, &length));
  return static_cast<int>(length);
}
