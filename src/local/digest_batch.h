// The MD5 digests of many local files, taken on background threads while
// the caller's thread does other work (a get asks the server for its
// digests meanwhile). Each file is read in 64 KiB pieces through the shared
// file layer (file_digest.h), so work on one path stays serialised with the
// transfer threads.
#ifndef QORV_LOCAL_DIGEST_BATCH_H_
#define QORV_LOCAL_DIGEST_BATCH_H_

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "local/file_digest.h"
#include "platform/thread.h"

namespace qorv {

class DigestBatch {
 public:
  // Two threads keep one core busy with reading and hashing while the other
  // serves the caller and the network.
  static constexpr size_t kThreads = 2;

  // Starts digesting `paths`. Once `*cancel` (when given) is nonzero the
  // files not yet begun are left undigested (a failed digest). When no
  // thread can be started the digests are taken in Wait().
  DigestBatch(std::vector<std::string> paths, const std::atomic<int32_t>* cancel);
  // Waits for the threads.
  ~DigestBatch();
  DigestBatch(const DigestBatch&) = delete;
  DigestBatch& operator=(const DigestBatch&) = delete;

  // Waits until every digest is taken; one per path, in order.
  const std::vector<FileDigest>& Wait();

 private:
  // Takes digests until none is left; run by each thread.
  void Work();

  std::vector<std::string> paths_;
  const std::atomic<int32_t>* cancel_;
  // Each slot is written by the one thread that claimed its index and read
  // only after every thread was joined.
  std::vector<FileDigest> digests_;
  std::atomic<size_t> next_{0};
  std::vector<std::shared_ptr<platform::ThreadHandle>> threads_;
  bool waited_ = false;
};

}  // namespace qorv

#endif  // QORV_LOCAL_DIGEST_BATCH_H_
