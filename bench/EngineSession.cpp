// Logs a benchmark on to the engine through the client interface.
#include "EngineSession.h"

#include <cstdio>
#include <cstdlib>

namespace {

void Fail(const char *what) {
  std::fprintf(stderr, "%s failed\n", what);
  std::abort();
}

}  // namespace

EngineSession::EngineSession(const std::string &link) {
  OCIInitialize(OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr);
  OCIEnvInit(&env, OCI_DEFAULT, 0, nullptr);
  OCIHandleAlloc(env, reinterpret_cast<void **>(&err), OCI_HTYPE_ERROR, 0,
                 nullptr);
  OCIHandleAlloc(env, reinterpret_cast<void **>(&server), OCI_HTYPE_SERVER, 0,
                 nullptr);
  if (OCIServerAttach(server, err,
                      reinterpret_cast<const OraText *>(link.c_str()),
                      static_cast<sb4>(link.size()), OCI_DEFAULT) != OCI_SUCCESS)
    Fail("attach");
  OCIHandleAlloc(env, reinterpret_cast<void **>(&svc), OCI_HTYPE_SVCCTX, 0,
                 nullptr);
  OCIAttrSet(svc, OCI_HTYPE_SVCCTX, server, 0, OCI_ATTR_SERVER, err);
  OCIHandleAlloc(env, reinterpret_cast<void **>(&session), OCI_HTYPE_SESSION,
                 0, nullptr);
  OCIAttrSet(session, OCI_HTYPE_SESSION, const_cast<char *>("bench"), 5,
             OCI_ATTR_USERNAME, err);
  OCIAttrSet(session, OCI_HTYPE_SESSION, const_cast<char *>("bench"), 5,
             OCI_ATTR_PASSWORD, err);
  if (OCISessionBegin(svc, err, session, OCI_CRED_RDBMS, OCI_DEFAULT) !=
      OCI_SUCCESS)
    Fail("logon");
  OCIAttrSet(svc, OCI_HTYPE_SVCCTX, session, 0, OCI_ATTR_SESSION, err);
}

EngineSession::~EngineSession() {
  OCISessionEnd(svc, err, session, OCI_DEFAULT);
  OCIServerDetach(server, err, OCI_DEFAULT);
  OCIHandleFree(env, OCI_HTYPE_ENV);
}
