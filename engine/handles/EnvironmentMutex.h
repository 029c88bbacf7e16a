/*
** The lock that serialises the calls made on one environment's handles.
** Every exported call takes and releases it, so its cost is part of every
** call, a fetch or an attribute read as much as anything else.
**
** Two forms. The plain one is the three-state futex mutex (0 free, 1 held,
** 2 held and perhaps waited for: a waiter always leaves 2 behind, so the
** holder's release knows to wake one). On top of it the lock is biased to
** the thread that takes it first, as an environment is nearly always used
** by one thread: that thread then takes and releases it with plain stores
** and loads (an atomic compare-and-swap and exchange cost more than the
** rest of a short call). The first other thread that wants the lock
** revokes the bias for good: it takes the plain lock, marks the bias
** revoked, makes every thread of the process pass a full memory barrier
** (membarrier), and waits until the owner is out of its call; from then on
** only the plain lock is used. The barrier is what lets the owner go
** without one: the owner writes "in a call" and then reads "revoked", the
** revoker writes "revoked" and then reads "in a call", and the barrier
** sits between them on every thread, so at least one of them sees the
** other. Where the kernel has no such barrier, the lock is never biased.
*/
#ifndef KESTREL_ENGINE_ENVIRONMENTMUTEX_H
#define KESTREL_ENGINE_ENVIRONMENTMUTEX_H

#include <atomic>

namespace kestrel_engine {

// One byte per thread whose address tells the threads apart.
extern __thread char threadTag __attribute__((tls_model("initial-exec")));

class EnvironmentMutex {
 public:
  EnvironmentMutex() = default;
  EnvironmentMutex(const EnvironmentMutex &) = delete;
  EnvironmentMutex &operator=(const EnvironmentMutex &) = delete;

  bool try_lock() noexcept {
    const void *owner = bias_.load(std::memory_order_relaxed);
    if (owner == &threadTag) return EnterBiased();
    if (owner != nullptr) return false;  // another thread's: lock() revokes
    int expected = 0;
    if (!state_.compare_exchange_strong(expected, 1, std::memory_order_acquire,
                                        std::memory_order_relaxed))
      return false;
    AfterPlainLock();
    return true;
  }
  void lock() noexcept {
    if (!try_lock()) LockContended();
  }
  void unlock() noexcept {
    // While this thread holds the biased form, nobody changes the bias.
    if (bias_.load(std::memory_order_relaxed) == &threadTag) {
      inCall_.store(false, std::memory_order_release);
      return;
    }
    if (state_.exchange(0, std::memory_order_release) == 2) WakeOne();
  }

 private:
  bool EnterBiased() noexcept {
    inCall_.store(true, std::memory_order_relaxed);
    // Only the compiler is held back here; a revoker's barrier orders the
    // store and the load below on the processor.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (!revoked_.load(std::memory_order_acquire)) return true;
    inCall_.store(false, std::memory_order_release);
    return false;  // being revoked: lock() waits for the plain lock
  }
  // Holding the plain lock: revoke another thread's bias, or bias the lock
  // to this thread when it never was.
  void AfterPlainLock() noexcept;
  void LockContended() noexcept;
  void WakeOne() noexcept;
  void Revoke() noexcept;

  std::atomic<int> state_{0};
  std::atomic<const void *> bias_{nullptr};  // the owner's threadTag
  std::atomic<bool> inCall_{false};           // the owner holds it biased
  std::atomic<bool> revoked_{false};          // never biased again
};

}  // namespace kestrel_engine

#endif
