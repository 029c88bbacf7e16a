/*
** Exported calls: OCIBreak and OCIReset. They are made from another thread
** while a call on the same service context runs and holds its
** environment's lock, so they take only the registry's lock: long enough
** to find the server and set or clear its break flag, which the running
** statement polls.
*/
#include "api/Call.h"
#include "handles/Registry.h"
#include "session/SessionHandles.h"

namespace kestrel_engine {

namespace {

// Sets the break flag of the server behind `handle` (a service context or
// a server) to `value`.
sword SetBreak(void *handle, bool value) {
  bool known = false;
  const bool live = Registry::Instance().Visit(
      handle, [&](Handle *h, const std::function<bool(const void *)> &isLive) {
        ServerHandle *server = nullptr;
        if (h->kind() == OCI_HTYPE_SERVER) {
          server = static_cast<ServerHandle *>(h);
        } else if (h->kind() == OCI_HTYPE_SVCCTX) {
          server = static_cast<ServiceContext *>(h)->serverForBreak.load();
          if (server != nullptr && !isLive(server)) server = nullptr;
        } else {
          return;
        }
        known = true;
        if (server != nullptr) server->breakRequested.store(value);
      });
  return live && known ? OCI_SUCCESS : OCI_INVALID_HANDLE;
}

}  // namespace
}  // namespace kestrel_engine

using kestrel_engine::SetBreak;

extern "C" {

KESTREL_ENGINE_EXPORT sword OCIBreak(dvoid *hndlp, OCIError *) {
  return SetBreak(hndlp, true);
}

KESTREL_ENGINE_EXPORT sword OCIReset(dvoid *hndlp, OCIError *) {
  return SetBreak(hndlp, false);
}

}  // extern "C"
