// Threads whose completion can be waited for together with window messages.
#ifndef QORV_PLATFORM_THREAD_H_
#define QORV_PLATFORM_THREAD_H_

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/com/mutex.h"

namespace qorv::platform {

class MessageQueue;

// A running (or finished) thread. The handle becomes signalled when the
// routine has returned; a routine that lets an exception out still signals the
// handle but marks it as ended abnormally.
class ThreadHandle {
 public:
  // Starts `routine` on a new thread. Returns null when no thread can be
  // created (resources exhausted).
  static std::shared_ptr<ThreadHandle> Start(std::function<void()> routine);

  ~ThreadHandle();
  ThreadHandle(const ThreadHandle&) = delete;
  ThreadHandle& operator=(const ThreadHandle&) = delete;

  bool IsSignaled() const QORV_EXCLUDES(mutex_);
  bool EndedAbnormally() const QORV_EXCLUDES(mutex_);

  // Waits, without pumping messages, until the routine has returned.
  void Join() QORV_EXCLUDES(mutex_);

  // Used by the message-pumping wait: the queue is woken when the thread ends.
  void AddWaiter(const std::shared_ptr<MessageQueue>& queue) QORV_EXCLUDES(mutex_);
  void RemoveWaiter(const MessageQueue* queue) QORV_EXCLUDES(mutex_);

 private:
  ThreadHandle() = default;

  void Finish(bool abnormal) QORV_EXCLUDES(mutex_);

  mutable Mutex mutex_;
  bool signaled_ QORV_GUARDED_BY(mutex_) = false;
  bool abnormal_ QORV_GUARDED_BY(mutex_) = false;
  std::vector<std::weak_ptr<MessageQueue>> waiters_ QORV_GUARDED_BY(mutex_);
  ConditionVariable finished_;
  // Not guarded: written once by Start, which still holds a reference then;
  // the thread itself reads it only in the destructor, when it drops the last
  // reference, and the reference count orders that after the write.
  std::thread thread_;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_THREAD_H_
