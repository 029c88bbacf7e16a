/*
** Server detach, password hygiene and the logged-on check of the session
** handles.
*/
#include "session/SessionHandles.h"

#include <sodium.h>

#include "handles/Environment.h"

namespace kestrel_engine {

void ServerHandle::Detach() {
  if (!connection_) return;
  OraError ignored;
  connection_->Rollback(&ignored);
  environment()->ConnectionClosing(connection_.get());
  for (Handle *h : environment()->HandlesOfKind(OCI_HTYPE_SESSION)) {
    auto *session = static_cast<SessionHandle *>(h);
    if (session->server() == this) session->LoggedOff();
  }
  connection_.reset();
}

void SessionHandle::Retire() {
  if (server_ == nullptr || server_->connection() == nullptr) return;
  OraError ignored;
  server_->connection()->Rollback(&ignored);
  server_ = nullptr;
}

SessionHandle::~SessionHandle() {
  if (!password_.empty()) sodium_memzero(&password_[0], password_.size());
}

void SessionHandle::SetPassword(const char *text, size_t length) {
  if (!password_.empty()) sodium_memzero(&password_[0], password_.size());
  password_.assign(text ? text : "", text ? length : 0);
}

Connection *ServiceContext::LoggedOnConnection() const {
  if (server == nullptr || server->connection() == nullptr) return nullptr;
  if (session == nullptr || session->server() != server) return nullptr;
  return server->connection();
}

}  // namespace kestrel_engine
