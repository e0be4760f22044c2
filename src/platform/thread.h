// Threads whose completion can be waited for together with window messages.
#ifndef QORV_PLATFORM_THREAD_H_
#define QORV_PLATFORM_THREAD_H_

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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

  bool IsSignaled() const;
  bool EndedAbnormally() const;

  // Waits, without pumping messages, until the routine has returned.
  void Join();

  // Used by the message-pumping wait: the queue is woken when the thread ends.
  void AddWaiter(const std::shared_ptr<MessageQueue>& queue);
  void RemoveWaiter(const MessageQueue* queue);

 private:
  ThreadHandle() = default;

  void Finish(bool abnormal);

  mutable std::mutex mutex_;
  bool signaled_ = false;                             // GUARDED_BY(mutex_)
  bool abnormal_ = false;                             // GUARDED_BY(mutex_)
  std::vector<std::weak_ptr<MessageQueue>> waiters_;  // GUARDED_BY(mutex_)
  std::condition_variable finished_;
  std::thread thread_;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_THREAD_H_
