// The message queue of one thread: messages sent to its windows from other
// threads, messages posted to them, and the wake-up used by every wait of
// that thread. Internal to the platform layer; callers use apartment.h.
#ifndef QORV_PLATFORM_MESSAGE_QUEUE_H_
#define QORV_PLATFORM_MESSAGE_QUEUE_H_

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>

#include "platform/com/mutex.h"

namespace qorv::platform {

struct WindowState;

// The completion of a message sent from another thread: the sender waits on
// its own queue until `done` is set.
struct SendRecord {
  std::shared_ptr<class MessageQueue> sender;  // null when the sender has no queue
  Mutex mutex;
  ConditionVariable done_changed;  // used when the sender has no queue
  bool done QORV_GUARDED_BY(mutex) = false;
  intptr_t result QORV_GUARDED_BY(mutex) = 0;
};

struct QueuedMessage {
  std::shared_ptr<WindowState> window;
  uint32_t message = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
  std::shared_ptr<SendRecord> reply;  // set for sent messages, null for posted ones
};

class MessageQueue {
 public:
  MessageQueue() = default;
  ~MessageQueue();
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  // The queue of the calling thread, created on first use.
  static const std::shared_ptr<MessageQueue>& Current();
  // The queue of the calling thread, or null if it never made one.
  static MessageQueue* CurrentIfAny();

  void Enqueue(QueuedMessage message) QORV_EXCLUDES(mutex_);
  // Wakes a wait of the owning thread so that it looks at its state again.
  void Wake() QORV_EXCLUDES(mutex_);

  // Delivers every pending sent message (runs the window procedures on the
  // calling thread, which must be the owner). Returns how many ran.
  int DeliverSentMessages() QORV_EXCLUDES(mutex_);
  // Removes the oldest posted message. Returns false when there is none.
  bool TakePosted(QueuedMessage* message) QORV_EXCLUDES(mutex_);
  bool HasInput() QORV_EXCLUDES(mutex_);
  // Completes, with result 0, every pending message for `window` (used when a
  // window is destroyed so that no sender waits forever).
  void DropMessagesFor(const WindowState* window) QORV_EXCLUDES(mutex_);

  // Sleeps until Wake() or Enqueue() was called since the last return of this
  // function, or until `deadline`. Callers test their condition first and then
  // wait: a change made in between has already set the wake flag, so it is
  // never lost. Returns whether it was woken.
  bool WaitForWake(std::chrono::steady_clock::time_point deadline) QORV_EXCLUDES(mutex_);

  // Completes a sent message's record and wakes its sender.
  static void Complete(const std::shared_ptr<SendRecord>& record, intptr_t result);
  // Lets the sender check its record under the right mutex.
  static bool IsDone(const std::shared_ptr<SendRecord>& record);

 private:
  Mutex mutex_;
  ConditionVariable wake_;
  bool woken_ QORV_GUARDED_BY(mutex_) = false;
  std::deque<QueuedMessage> sent_ QORV_GUARDED_BY(mutex_);
  std::deque<QueuedMessage> posted_ QORV_GUARDED_BY(mutex_);
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_MESSAGE_QUEUE_H_
