#include "local/digest_batch.h"

#include <utility>

#include "qorvsdk/result_codes.h"

namespace qorv {

DigestBatch::DigestBatch(std::vector<std::string> paths, const std::atomic<int32_t>* cancel)
    : paths_(std::move(paths)), cancel_(cancel), digests_(paths_.size()) {
  if (paths_.empty()) return;
  const size_t count = paths_.size() < kThreads ? paths_.size() : kThreads;
  // Reserved first: a push that threw after its thread started would leave
  // that thread working on an object that is never finished.
  threads_.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    std::shared_ptr<platform::ThreadHandle> thread =
        platform::ThreadHandle::Start([this] { Work(); });
    if (!thread) break;  // the threads started do the work; Wait() finishes it
    threads_.push_back(std::move(thread));
  }
}

DigestBatch::~DigestBatch() {
  for (const auto& thread : threads_) thread->Join();
}

void DigestBatch::Work() {
  for (;;) {
    const size_t index = next_.fetch_add(1, std::memory_order_relaxed);
    if (index >= paths_.size()) return;
    if (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed) != 0) {
      digests_[index].result = kResultChecksumFailed;
      digests_[index].description = kTextCanceled;
      continue;
    }
    digests_[index] = DigestOfFile(paths_[index]);
  }
}

const std::vector<FileDigest>& DigestBatch::Wait() {
  if (!waited_) {
    Work();  // whatever the threads have not begun yet
    for (const auto& thread : threads_) thread->Join();
    waited_ = true;
  }
  return digests_;
}

}  // namespace qorv
