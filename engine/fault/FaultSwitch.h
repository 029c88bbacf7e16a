/*
** The engine's side of fault injection: each exported call asks the switch
** whether it must fail now. Asking costs one relaxed atomic load while no
** fault is armed.
*/
#ifndef KESTREL_ENGINE_FAULTSWITCH_H
#define KESTREL_ENGINE_FAULTSWITCH_H

#include "oci.h"

namespace kestrel_engine {

enum class FaultPoint {
  kInitialize, kEnvInit, kHandleAlloc, kHandleFree, kDescriptorAlloc,
  kDescriptorFree, kAttrSet, kAttrGet, kParamGet, kErrorGet, kServerAttach,
  kServerDetach, kSessionBegin, kSessionEnd, kStmtPrepare, kStmtExecute,
  kStmtFetch, kDefineByPos, kBindByPos, kBindByName, kTransStart,
  kTransCommit, kTransRollback, kNumberToReal, kNumberFromReal,
  kNumberFromInt, kLobRead, kLobWrite, kLobGetLength,
  kCount
};

struct InjectedFault {
  sword status;
  int errorNumber;
  const char *function;
};

// True when the call at `point` must fail now; `fault` says how.
bool TakeFault(FaultPoint point, InjectedFault *fault);

}  // namespace kestrel_engine

#endif
