/*
** The handles of a session: the server (one open database), the user
** session (credentials and logon state), the service context that ties a
** server, a session and a transaction together for statements, and the
** transaction and describe handles, which carry no state of their own.
*/
#ifndef KESTREL_ENGINE_SESSIONHANDLES_H
#define KESTREL_ENGINE_SESSIONHANDLES_H

#include <atomic>
#include <memory>
#include <string>

#include "handles/Handle.h"
#include "session/Connection.h"

namespace kestrel_engine {

class ServerHandle : public Handle {
 public:
  ServerHandle(Environment *environment, Handle *parent)
      : Handle(OCI_HTYPE_SERVER, environment, parent) {}

  Connection *connection() const { return connection_.get(); }
  void Attach(std::unique_ptr<Connection> connection) {
    connection_ = std::move(connection);
    connection_->WatchForBreak(&breakRequested);
  }

  // Set by OCIBreak from any thread; the database's long work polls it.
  std::atomic<bool> breakRequested{false};
  // Rolls back what is pending, tells the environment's handles, and
  // closes the database.
  void Detach();

  void Retire() override { Detach(); }

 private:
  std::unique_ptr<Connection> connection_;
};

class SessionHandle : public Handle {
 public:
  SessionHandle(Environment *environment, Handle *parent)
      : Handle(OCI_HTYPE_SESSION, environment, parent) {}
  ~SessionHandle() override;

  std::string &userName() { return userName_; }
  std::string &password() { return password_; }
  void SetPassword(const char *text, size_t length);

  // The server it logged on through, while logged on.
  ServerHandle *server() const { return server_; }
  bool loggedOn() const { return server_ != nullptr; }
  void LoggedOn(ServerHandle *server) { server_ = server; }
  void LoggedOff() { server_ = nullptr; }

  void Forget(const Handle *gone) override {
    if (gone == server_) server_ = nullptr;
  }
  // Freed while logged on, without OCISessionEnd: the session did not end
  // as the vendor's rule asks, so what it left pending is rolled back.
  void Retire() override;

 private:
  std::string userName_;
  std::string password_;
  ServerHandle *server_ = nullptr;
};

class TransactionHandle : public Handle {
 public:
  TransactionHandle(Environment *environment, Handle *parent)
      : Handle(OCI_HTYPE_TRANS, environment, parent) {}
};

class DescribeHandle : public Handle {
 public:
  DescribeHandle(Environment *environment, Handle *parent)
      : Handle(OCI_HTYPE_DESCRIBE, environment, parent) {}
};

class ServiceContext : public Handle {
 public:
  ServiceContext(Environment *environment, Handle *parent)
      : Handle(OCI_HTYPE_SVCCTX, environment, parent) {}

  ServerHandle *server = nullptr;
  SessionHandle *session = nullptr;
  TransactionHandle *transaction = nullptr;
  // `server` again, for OCIBreak, which reads it from another thread
  // without the environment's lock.
  std::atomic<ServerHandle *> serverForBreak{nullptr};

  // The open database of a logged-on session, or null.
  Connection *LoggedOnConnection() const;

  void Forget(const Handle *gone) override {
    if (gone == server) {
      server = nullptr;
      serverForBreak.store(nullptr);
    }
    if (gone == session) session = nullptr;
    if (gone == transaction) transaction = nullptr;
  }
};

}  // namespace kestrel_engine

#endif
