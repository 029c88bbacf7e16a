/*
** The handles of one database session, shared by every copy of the
** COCIConnection that began it and by the recordsets that run statements
** on it. The session lives while at least one connection holds a lease on
** it; recordsets keep only the state, to learn whether the session still
** lives before they make a client call.
*/
#ifndef KESTREL_SESSION_STATE_H
#define KESTREL_SESSION_STATE_H

#include <memory>

#include "oci.h"

namespace kestrel {

struct SessionState {
  OCIEnv *env = nullptr;
  OCIError *error = nullptr;
  OCIServer *server = nullptr;
  OCISvcCtx *svcCtx = nullptr;
  OCISession *session = nullptr;
  OCIDescribe *describe = nullptr;
  OCITrans *trans = nullptr;
  // True once the server is attached, until End.
  bool attached = false;
  // True from a successful logon until End: the handles may be used.
  bool live = false;
  // True from BeginTrans until CommitTrans, Rollback or a statement that
  // ends the transaction implicitly: non-queries do not commit.
  bool inTransaction = false;

  SessionState() = default;
  ~SessionState() { End(); }
  SessionState(const SessionState &) = delete;
  SessionState &operator=(const SessionState &) = delete;

  // Takes over `other`'s handles and flags, leaving it empty.
  void TakeOver(SessionState &other);

  // Ends the session when it is live (a failure is recorded, since work
  // still pending is lost with it) and frees every handle that was
  // allocated; afterwards nothing is live and every handle is null. An
  // open BeginTrans transaction is rolled back first: ending the session
  // would commit it.
  void End();
};

// What a connection holds: the last lease to go ends the session.
class SessionLease {
 public:
  // Takes over the session `begun` holds.
  explicit SessionLease(SessionState &begun)
      : state_(std::make_shared<SessionState>()) {
    state_->TakeOver(begun);
  }
  ~SessionLease() { state_->End(); }
  SessionLease(const SessionLease &) = delete;
  SessionLease &operator=(const SessionLease &) = delete;

  SessionState &State() { return *state_; }
  const std::shared_ptr<SessionState> &Shared() const { return state_; }

 private:
  std::shared_ptr<SessionState> state_;
};

}  // namespace kestrel

#endif
