/*
** The environment lock's waiting side: sleeping on the futex while the
** lock is held, and waking one sleeper when it is given back.
*/
#include "handles/EnvironmentMutex.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kestrel_engine {

namespace {

static_assert(sizeof(std::atomic<int>) == sizeof(int) &&
                  std::atomic<int>::is_always_lock_free,
              "the futex word is the atomic's int");

long Futex(std::atomic<int> *word, int op, int value) {
  return syscall(SYS_futex, reinterpret_cast<int *>(word), op, value, nullptr,
                 nullptr, 0);
}

}  // namespace

void EnvironmentMutex::LockContended() noexcept {
  // Mark the lock as waited for; whoever holds it wakes one of us on
  // release. A wake-up (or a changed word) is only a hint: try again.
  int seen = state_.exchange(2, std::memory_order_acquire);
  while (seen != 0) {
    Futex(&state_, FUTEX_WAIT_PRIVATE, 2);
    seen = state_.exchange(2, std::memory_order_acquire);
  }
}

void EnvironmentMutex::WakeOne() noexcept { Futex(&state_, FUTEX_WAKE_PRIVATE, 1); }

}  // namespace kestrel_engine
