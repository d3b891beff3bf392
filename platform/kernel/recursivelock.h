// A re-entrant lock for the hot paths (a module's lock is taken several
// times a cycle): taking a free lock is one compare-exchange and leaving
// it a plain store and a load, both inline, with no call into the library.
// A thread that finds the lock held spins briefly, then sleeps on a futex
// until the holder leaves. The thread that holds it may take it again;
// each take needs its leave. It owns no resources, so it needs no
// destruction beyond its memory.
#ifndef PLATFORM_KERNEL_RECURSIVELOCK_H
#define PLATFORM_KERNEL_RECURSIVELOCK_H

#include <atomic>
#include <cstdint>

#include "platform/api.h"

namespace Platform {

class RecursiveLock {
public:
  RecursiveLock() = default;
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;

  void lock() {
    std::uintptr_t self = Self();
    if (m_owner.load(std::memory_order_relaxed) == self) {
      ++m_depth;
      return;
    }
    std::uint32_t expected = 0;
    if (!m_held.compare_exchange_strong(expected, 1, std::memory_order_acquire, std::memory_order_relaxed))
      WaitForIt();
    m_owner.store(self, std::memory_order_relaxed);
    m_depth = 1;
  }

  bool try_lock() {
    std::uintptr_t self = Self();
    if (m_owner.load(std::memory_order_relaxed) == self) {
      ++m_depth;
      return true;
    }
    std::uint32_t expected = 0;
    if (!m_held.compare_exchange_strong(expected, 1, std::memory_order_acquire, std::memory_order_relaxed))
      return false;
    m_owner.store(self, std::memory_order_relaxed);
    m_depth = 1;
    return true;
  }

  // Only by the thread that holds it.
  void unlock() {
    if (--m_depth != 0)
      return;
    m_owner.store(0, std::memory_order_relaxed);
    m_held.store(0, std::memory_order_release);
    // The processor may look at the waiters before the store above is
    // seen; a waiter therefore counts itself first and then forces every
    // thread of the process through a full barrier (WaitForIt), after which
    // either it sees the lock free or this look sees it counted.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (m_waiters.load(std::memory_order_relaxed) != 0)
      WakeOne();
  }

private:
  // The thread's own block: distinct for every live thread, the same in
  // every library of the process, and a register read.
  static std::uintptr_t Self() { return reinterpret_cast<std::uintptr_t>(__builtin_thread_pointer()); }

  PLATFORM_API void WaitForIt();
  PLATFORM_API void WakeOne();

  std::atomic<std::uint32_t> m_held{0};     // 1 while some thread holds it
  std::atomic<std::uint32_t> m_waiters{0};  // threads in WaitForIt
  // The holder, written only by it; another thread reads it only to see
  // that it is not itself.
  std::atomic<std::uintptr_t> m_owner{0};
  std::uint32_t m_depth = 0;  // the holder's takes
};

}  // namespace Platform

#endif
