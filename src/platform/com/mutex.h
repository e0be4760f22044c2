// The lock of the code base: std::mutex with the annotations clang's
// -Wthread-safety reads (libstdc++'s own mutex carries none), the scoped lock
// and the condition variable that goes with it.
//
//   Mutex mutex_;
//   int count_ QORV_GUARDED_BY(mutex_) = 0;
//   ...
//   MutexLock lock(mutex_);
//   while (count_ == 0) changed_.Wait(mutex_);
//
// Waits take the mutex rather than a predicate: the analysis checks a lambda
// as a function of its own, which does not hold the lock, so conditions are
// written as loops around Wait.
#ifndef QORV_PLATFORM_COM_MUTEX_H_
#define QORV_PLATFORM_COM_MUTEX_H_

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/com/thread_annotations.h"

namespace qorv::platform {

class QORV_CAPABILITY("mutex") Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void Lock() QORV_ACQUIRE() { mutex_.lock(); }
  void Unlock() QORV_RELEASE() { mutex_.unlock(); }

 private:
  friend class ConditionVariable;
  std::mutex mutex_;
};

// Holds the mutex from construction to destruction.
class QORV_SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) QORV_ACQUIRE(mutex) : mutex_(mutex) { mutex_.Lock(); }
  ~MutexLock() QORV_RELEASE() { mutex_.Unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex& mutex_;
};

class ConditionVariable {
 public:
  ConditionVariable() = default;
  ConditionVariable(const ConditionVariable&) = delete;
  ConditionVariable& operator=(const ConditionVariable&) = delete;

  // Releases the mutex while it sleeps and holds it again on return. Wakes
  // may be spurious: callers test their condition in a loop.
  void Wait(Mutex& mutex) QORV_REQUIRES(mutex) {
    std::unique_lock<std::mutex> lock(mutex.mutex_, std::adopt_lock);
    condition_.wait(lock);
    lock.release();
  }
  // As Wait, until `deadline` at the latest. Returns false on the time-out.
  template <typename Clock, typename Duration>
  bool WaitUntil(Mutex& mutex, const std::chrono::time_point<Clock, Duration>& deadline)
      QORV_REQUIRES(mutex) {
    std::unique_lock<std::mutex> lock(mutex.mutex_, std::adopt_lock);
    const bool woken = condition_.wait_until(lock, deadline) == std::cv_status::no_timeout;
    lock.release();
    return woken;
  }

  void NotifyOne() { condition_.notify_one(); }
  void NotifyAll() { condition_.notify_all(); }

 private:
  std::condition_variable condition_;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COM_MUTEX_H_
