/*
** The engine's side of fault injection: each exported call asks the switch
** whether it must fail now. Asking costs one relaxed atomic load while no
** fault is armed.
*/
#ifndef KESTREL_ENGINE_FAULTSWITCH_H
#define KESTREL_ENGINE_FAULTSWITCH_H

#include <atomic>

#include "oci.h"

namespace kestrel_engine {

enum class FaultPoint {
  kInitialize, kEnvInit, kHandleAlloc, kHandleFree, kDescriptorAlloc,
  kDescriptorFree, kAttrSet, kAttrGet, kParamGet, kErrorGet, kServerAttach,
  kServerDetach, kSessionBegin, kSessionEnd, kStmtPrepare, kStmtExecute,
  kStmtFetch, kDefineByPos, kBindByPos, kBindByName, kTransStart,
  kTransCommit, kTransRollback, kNumberToReal, kNumberFromReal,
  kNumberFromInt, kLobRead, kLobWrite, kLobGetLength, kDateTimeGetDate,
  kDateTimeGetTime,
  kCount
};

struct InjectedFault {
  sword status;
  int errorNumber;  // 0 when the caller named none
  const char *function;
};

// How many functions have a fault armed; zero in every run that does not
// use the switch.
extern std::atomic<int> armedFaultPoints;

// True when the call at `point` must fail now; `fault` says how.
bool TakeFault(FaultPoint point, InjectedFault *fault);

inline bool AnyFaultArmed() {
  return armedFaultPoints.load(std::memory_order_relaxed) != 0;
}

}  // namespace kestrel_engine

#endif
