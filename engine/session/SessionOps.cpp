/*
** Session operations over the connection and the accounts.
*/
#include "session/SessionOps.h"

#include "session/Accounts.h"
#include "session/FileFormat.h"

namespace kestrel_engine {

sword AttachServer(ServerHandle &server, ErrorHandle *error,
                   std::string_view link) {
  if (server.connection() != nullptr) {
    return Report(error, OraError::Make(24309));
  }
  OraError failure;
  std::unique_ptr<Connection> connection = Connection::Open(link, &failure);
  if (!connection) return Report(error, failure);
  server.Attach(std::move(connection));
  return OCI_SUCCESS;
}

sword DetachServer(ServerHandle &server, ErrorHandle *error) {
  if (server.connection() == nullptr) {
    return Report(error, OraError::Make(3114));
  }
  server.Detach();
  return OCI_SUCCESS;
}

sword BeginSession(ServiceContext &context, ErrorHandle *error,
                   SessionHandle &session, ub4 credentials) {
  ServerHandle *server = context.server;
  if (server == nullptr || server->connection() == nullptr) {
    return Report(error, OraError::Make(3114));
  }
  if (session.loggedOn()) return Report(error, OraError::Make(24313));
  if (credentials != OCI_CRED_RDBMS) {
    return Report(error, OraError::Make(1017));
  }
  OraError failure;
  Connection &connection = *server->connection();
  if (!LogOn(connection, session.userName(), session.password(), &failure) ||
      !UpgradeFileFormat(connection, &failure)) {
    return Report(error, failure);
  }
  const std::string user = CanonicalUserName(session.userName());
  connection.ForgetCatalog();  // the grants are read afresh for this user
  if (!MayStartSession(connection, user, &failure)) return Report(error, failure);
  connection.PrepareForWrites();
  connection.settings().user = user;
  session.LoggedOn(server);
  context.session = &session;
  return OCI_SUCCESS;
}

sword EndSession(ServiceContext &context, ErrorHandle *error,
                 SessionHandle *session) {
  if (session == nullptr) session = context.session;
  if (session == nullptr || !session->loggedOn()) {
    return Report(error, OraError::Make(1012));
  }
  // The vendor's rule: ending a session commits its open transaction. A
  // commit that fails has rolled back, and says so.
  OraError failure;
  Connection *connection = session->server()->connection();
  const bool committed = connection == nullptr || connection->Commit(&failure);
  session->LoggedOff();
  if (context.session == session) context.session = nullptr;
  return committed ? OCI_SUCCESS : Report(error, failure);
}

}  // namespace kestrel_engine
