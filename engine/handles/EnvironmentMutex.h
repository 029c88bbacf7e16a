/*
** The lock that serialises the calls made on one environment's handles.
** Every exported call takes and releases it, so the uncontended case is
** one atomic compare-and-swap to take it and one atomic exchange to give
** it back, both inline; a thread that finds it held sleeps on a futex.
** (std::mutex does the same work behind two library calls and a type
** check each, a large part of a short call such as OCIAttrGet.)
**
** The states are 0 free, 1 held, 2 held and perhaps waited for; this is
** the three-state futex mutex: a waiter always leaves 2 behind, so the
** holder's release knows to wake one.
*/
#ifndef KESTREL_ENGINE_ENVIRONMENTMUTEX_H
#define KESTREL_ENGINE_ENVIRONMENTMUTEX_H

#include <atomic>

namespace kestrel_engine {

class EnvironmentMutex {
 public:
  EnvironmentMutex() = default;
  EnvironmentMutex(const EnvironmentMutex &) = delete;
  EnvironmentMutex &operator=(const EnvironmentMutex &) = delete;

  bool try_lock() noexcept {
    int expected = 0;
    return state_.compare_exchange_strong(expected, 1, std::memory_order_acquire,
                                          std::memory_order_relaxed);
  }
  void lock() noexcept {
    if (!try_lock()) LockContended();
  }
  void unlock() noexcept {
    if (state_.exchange(0, std::memory_order_release) == 2) WakeOne();
  }

 private:
  void LockContended() noexcept;
  void WakeOne() noexcept;

  std::atomic<int> state_{0};
};

}  // namespace kestrel_engine

#endif
