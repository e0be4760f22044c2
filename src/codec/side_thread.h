// A second thread for work that splits in two: the caller hands it one half
// with Start(), does the other half itself and waits with Wait(). One
// thread serves every Start() of the object's life. When no thread can be
// had, Start() runs the task at once.
#ifndef QORV_CODEC_SIDE_THREAD_H_
#define QORV_CODEC_SIDE_THREAD_H_

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace qorv {

class SideThread {
 public:
  SideThread();
  ~SideThread();
  SideThread(const SideThread&) = delete;
  SideThread& operator=(const SideThread&) = delete;

  // `task` must stay valid until Wait() returns.
  void Start(const std::function<void()>& task);
  void Wait();

 private:
  void Work();

  std::mutex mutex_;
  std::condition_variable changed_;
  const std::function<void()>* task_ = nullptr;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;
  bool threaded_ = false;
};

}  // namespace qorv

#endif  // QORV_CODEC_SIDE_THREAD_H_
