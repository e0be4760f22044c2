#include "platform/thread.h"

#include <system_error>

#include "platform/message_queue.h"

namespace qorv::platform {

std::shared_ptr<ThreadHandle> ThreadHandle::Start(std::function<void()> routine) {
  std::shared_ptr<ThreadHandle> handle(new ThreadHandle());
  try {
    // The thread keeps the handle alive until it has signalled it.
    handle->thread_ = std::thread([handle, routine = std::move(routine)]() mutable {
      bool abnormal = false;
      try {
        routine();
      } catch (...) {
        abnormal = true;
      }
      handle->Finish(abnormal);
    });
  } catch (const std::system_error&) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return handle;
}

ThreadHandle::~ThreadHandle() {
  // The last reference may be dropped by the thread itself (its closure holds
  // one); it cannot join itself, so it lets itself go.
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id()) {
      thread_.detach();
    } else {
      thread_.join();
    }
  }
}

void ThreadHandle::Finish(bool abnormal) {
  std::vector<std::weak_ptr<MessageQueue>> waiters;
  {
    MutexLock lock(mutex_);
    signaled_ = true;
    abnormal_ = abnormal;
    waiters.swap(waiters_);
  }
  finished_.NotifyAll();
  // Wake outside the handle's lock, so the handle's and a queue's locks are
  // never held together.
  for (auto& weak : waiters) {
    if (auto queue = weak.lock()) queue->Wake();
  }
}

bool ThreadHandle::IsSignaled() const {
  MutexLock lock(mutex_);
  return signaled_;
}

bool ThreadHandle::EndedAbnormally() const {
  MutexLock lock(mutex_);
  return abnormal_;
}

void ThreadHandle::Join() {
  {
    MutexLock lock(mutex_);
    while (!signaled_) finished_.Wait(mutex_);
  }
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void ThreadHandle::AddWaiter(const std::shared_ptr<MessageQueue>& queue) {
  MutexLock lock(mutex_);
  if (!signaled_) waiters_.push_back(queue);
}

void ThreadHandle::RemoveWaiter(const MessageQueue* queue) {
  MutexLock lock(mutex_);
  std::erase_if(waiters_, [queue](const std::weak_ptr<MessageQueue>& weak) {
    auto locked = weak.lock();
    return !locked || locked.get() == queue;
  });
}

}  // namespace qorv::platform
