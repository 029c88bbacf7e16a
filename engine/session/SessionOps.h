/*
** Attaching to a database, logging on and off, and detaching: the work
** behind OCIServerAttach, OCISessionBegin, OCISessionEnd and
** OCIServerDetach.
*/
#ifndef KESTREL_ENGINE_SESSIONOPS_H
#define KESTREL_ENGINE_SESSIONOPS_H

#include <string_view>

#include "errors/ErrorHandle.h"
#include "session/SessionHandles.h"

namespace kestrel_engine {

// 24309 when already attached; 12154 when the link names no database.
sword AttachServer(ServerHandle &server, ErrorHandle *error,
                   std::string_view link);
// Rolls back what is pending and closes the database.
sword DetachServer(ServerHandle &server, ErrorHandle *error);
// Logs `session` on through the service context's server (claiming an
// empty database); 3114 without an attached server, 24313 when the
// session is already logged on, 1017 for bad credentials.
sword BeginSession(ServiceContext &context, ErrorHandle *error,
                   SessionHandle &session, ub4 credentials);
// Rolls back what the session left uncommitted and logs it off. A null
// session means the service context's.
sword EndSession(ServiceContext &context, ErrorHandle *error,
                 SessionHandle *session);

}  // namespace kestrel_engine

#endif
