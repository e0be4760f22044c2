#include "codec/side_thread.h"

#include <system_error>

namespace qorv {

SideThread::SideThread() {
  try {
    thread_ = std::thread([this] { Work(); });
    threaded_ = true;
  } catch (const std::system_error&) {
    // Tasks run in Start() instead.
  }
}

SideThread::~SideThread() {
  if (!threaded_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void SideThread::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || stopping_; });
    if (!busy_) return;
    const std::function<void()>* task = task_;
    lock.unlock();
    (*task)();
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}

void SideThread::Start(const std::function<void()>& task) {
  if (!threaded_) {
    task();
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    task_ = &task;
    busy_ = true;
  }
  changed_.notify_all();
}

void SideThread::Wait() {
  if (!threaded_) return;
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
}

}  // namespace qorv
