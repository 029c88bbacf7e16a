/*
** The session kestrel-sql works on: the library's connection, which also
** lends its client-interface handles to the query path that reads every
** value as text (the library's classes do not yet hand out dates, LOBs or
** exact numbers).
*/
#ifndef KESTREL_SQL_CLIENT_CONNECTION_H
#define KESTREL_SQL_CLIENT_CONNECTION_H

#include "COCIConnection.h"

namespace kestrel_sql {

class ClientConnection : public COCIConnection {
 public:
  OCIEnv *Environment() const { return m_hEnv; }
  OCISvcCtx *ServiceContext() const { return m_hSvcCtx; }
  OCIError *ErrorHandle() const { return m_hError; }
};

}  // namespace kestrel_sql

#endif
