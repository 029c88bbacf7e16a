/*
** The fault switch's state (one of the engine's two pieces of global
** state, with the handle registry) and the test-only C functions that arm
** it.
*/
#include "fault/FaultSwitch.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "include/kestrel_engine_fault.h"

namespace kestrel_engine {

namespace {

constexpr const char *kNames[] = {
    "OCIInitialize", "OCIEnvInit", "OCIHandleAlloc", "OCIHandleFree",
    "OCIDescriptorAlloc", "OCIDescriptorFree", "OCIAttrSet", "OCIAttrGet",
    "OCIParamGet", "OCIErrorGet", "OCIServerAttach", "OCIServerDetach",
    "OCISessionBegin", "OCISessionEnd", "OCIStmtPrepare", "OCIStmtExecute",
    "OCIStmtFetch", "OCIDefineByPos", "OCIBindByPos", "OCIBindByName",
    "OCITransStart", "OCITransCommit", "OCITransRollback", "OCINumberToReal",
    "OCINumberFromReal", "OCINumberFromInt", "OCILobRead", "OCILobWrite",
    "OCILobGetLength", "OCIDateTimeGetDate", "OCIDateTimeGetTime"};
static_assert(sizeof kNames / sizeof kNames[0] ==
                  static_cast<size_t>(FaultPoint::kCount),
              "one name per fault point");

struct Armed {
  unsigned skip = 0;
  unsigned count = 0;
  sword status = OCI_SUCCESS;
  int errorNumber = 0;
};

struct Switch {
  std::mutex mutex;
  Armed points[static_cast<size_t>(FaultPoint::kCount)];
};

Switch &State() {
  static Switch *state = new Switch;  // never destroyed: calls may come late
  return *state;
}

}  // namespace

std::atomic<int> armedFaultPoints{0};

bool TakeFault(FaultPoint point, InjectedFault *fault) {
  Switch &s = State();
  if (armedFaultPoints.load(std::memory_order_relaxed) == 0) return false;
  std::lock_guard<std::mutex> guard(s.mutex);
  Armed &a = s.points[static_cast<size_t>(point)];
  if (a.count == 0) return false;
  if (a.skip > 0) {
    --a.skip;
    return false;
  }
  fault->status = a.status;
  fault->errorNumber = a.errorNumber;
  fault->function = kNames[static_cast<size_t>(point)];
  if (--a.count == 0) armedFaultPoints.fetch_sub(1, std::memory_order_relaxed);
  return true;
}

}  // namespace kestrel_engine

using kestrel_engine::Armed;
using kestrel_engine::FaultPoint;

extern "C" int kestrel_fault_armed(void) {
  return kestrel_engine::AnyFaultArmed() ? 1 : 0;
}

extern "C" int kestrel_fault_inject(const char *function, int status,
                                    unsigned skip, unsigned count,
                                    int error_number) {
  if (function == nullptr) return -1;
  auto &s = kestrel_engine::State();
  for (size_t i = 0; i < static_cast<size_t>(FaultPoint::kCount); ++i) {
    if (std::strcmp(kestrel_engine::kNames[i], function) != 0) continue;
    std::lock_guard<std::mutex> guard(s.mutex);
    Armed &a = s.points[i];
    if (a.count > 0) kestrel_engine::armedFaultPoints.fetch_sub(1, std::memory_order_relaxed);
    a = Armed{skip, count, status, error_number};
    if (count > 0) kestrel_engine::armedFaultPoints.fetch_add(1, std::memory_order_relaxed);
    return 0;
  }
  return -1;
}

extern "C" void kestrel_fault_clear(void) {
  auto &s = kestrel_engine::State();
  std::lock_guard<std::mutex> guard(s.mutex);
  for (Armed &a : s.points) a = Armed{};
  kestrel_engine::armedFaultPoints.store(0, std::memory_order_relaxed);
}
