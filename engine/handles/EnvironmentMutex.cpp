/*
** The environment lock's slower paths: waiting on the futex while the lock
** is held, waking one waiter, biasing the lock to its first thread and
** revoking that bias when another thread comes.
*/
#include "handles/EnvironmentMutex.h"

#include <linux/futex.h>
#include <linux/membarrier.h>
#include <sched.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

namespace kestrel_engine {

__thread char threadTag = 0;

namespace {

static_assert(sizeof(std::atomic<int>) == sizeof(int) &&
                  std::atomic<int>::is_always_lock_free,
              "the futex word is the atomic's int");

long Futex(std::atomic<int> *word, int op, int value) {
  return syscall(SYS_futex, reinterpret_cast<int *>(word), op, value, nullptr,
                 nullptr, 0);
}

#if defined(__SANITIZE_THREAD__)
#define KESTREL_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KESTREL_THREAD_SANITIZER 1
#endif
#endif

// True when the kernel can make every thread of the process pass a full
// memory barrier; asked once. ThreadSanitizer cannot see the barrier the
// bias relies on, so its builds keep the plain lock.
bool HaveProcessBarrier() {
#ifdef KESTREL_THREAD_SANITIZER
  return false;
#endif
  static const bool have =
      syscall(__NR_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0;
  return have;
}

// A process forked after the registration is not registered itself, so a
// refused barrier registers and tries again, and then falls back to the
// slower barrier that needs no registration.
void ProcessBarrier() {
  if (syscall(__NR_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0) == 0) return;
  if (syscall(__NR_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0 &&
      syscall(__NR_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0) == 0)
    return;
  syscall(__NR_membarrier, MEMBARRIER_CMD_GLOBAL, 0, 0);
}

}  // namespace

void EnvironmentMutex::LockContended() noexcept {
  // The biased owner lands here only while its bias is being revoked; it
  // then waits for the plain lock like anyone else.
  int seen = state_.exchange(2, std::memory_order_acquire);
  while (seen != 0) {
    Futex(&state_, FUTEX_WAIT_PRIVATE, 2);
    seen = state_.exchange(2, std::memory_order_acquire);
  }
  AfterPlainLock();
}

void EnvironmentMutex::WakeOne() noexcept { Futex(&state_, FUTEX_WAKE_PRIVATE, 1); }

void EnvironmentMutex::AfterPlainLock() noexcept {
  if (bias_.load(std::memory_order_relaxed) != nullptr) {
    Revoke();
    return;
  }
  if (revoked_.load(std::memory_order_relaxed) || !HaveProcessBarrier()) return;
  // Never biased: from now on this thread takes the lock with plain stores.
  // The bias is published before the plain lock is let go, so whoever
  // takes the plain lock next sees it and revokes it.
  inCall_.store(true, std::memory_order_relaxed);
  bias_.store(&threadTag, std::memory_order_relaxed);
  int held = 1;
  if (!state_.compare_exchange_strong(held, 0, std::memory_order_release,
                                      std::memory_order_relaxed)) {
    // Someone is waiting: keep the plain form, unbiased.
    bias_.store(nullptr, std::memory_order_relaxed);
    inCall_.store(false, std::memory_order_relaxed);
  }
}

void EnvironmentMutex::Revoke() noexcept {
  revoked_.store(true, std::memory_order_relaxed);
  ProcessBarrier();
  // The owner finishes the call it is in, if any; calls can be long (a
  // query executing), so the wait backs off to sleeping.
  for (int spins = 0; inCall_.load(std::memory_order_acquire); ++spins) {
    if (spins < 100) {
      sched_yield();
    } else {
      const timespec pause{0, 100000};  // 0.1 ms
      nanosleep(&pause, nullptr);
    }
  }
  bias_.store(nullptr, std::memory_order_relaxed);
}

}  // namespace kestrel_engine
