// The uploaded bodies a session holds (docs/protocol.md 2.14), keyed by
// entry index, and the check-in that command 80 opened. Shared by the
// session's main connection and its transfer connections, which may run at
// the same time: every member is guarded by one lock.
#ifndef QORV_SERVER_HELD_BODIES_H_
#define QORV_SERVER_HELD_BODIES_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/com/mutex.h"
#include "server/body_source.h"
#include "server/line_endings.h"
#include "server/upload_spool.h"

namespace qorv::server {

struct HeldBody {
  std::shared_ptr<SpoolFile> file;
  OleMs modification_time = 0;

  // The body as the store takes it; the spool file stays until the store
  // has read it and lets go of the source.
  UploadedBody AsUpload() const;
};

class HeldBodies {
 public:
  // Holds the body under `index`, replacing (and so removing) one held
  // before. False once the session has ended: the body is not kept.
  bool Put(int32_t index, HeldBody body) QORV_EXCLUDES(mutex_);
  // Takes the body of that index out of the set (commands 40 and 81).
  std::optional<HeldBody> Take(int32_t index) QORV_EXCLUDES(mutex_);
  // Command 80: discards every body and remembers the check-in's entries
  // (entry index -> file path) and line-ending mode.
  void OpenCheckin(Eol eol, std::map<int32_t, std::string> entries) QORV_EXCLUDES(mutex_);
  // The file and line-ending mode command 80 announced under `index`: the
  // old version of a delta upload of that index. None when not announced.
  struct CheckinEntry {
    std::string path;
    Eol eol = Eol::kCrLf;
  };
  std::optional<CheckinEntry> FindCheckinEntry(int32_t index) const QORV_EXCLUDES(mutex_);
  // The session ended: discards everything and refuses later bodies.
  void Close() QORV_EXCLUDES(mutex_);
  size_t size() const QORV_EXCLUDES(mutex_);

 private:
  mutable platform::Mutex mutex_;
  std::map<int32_t, HeldBody> bodies_ QORV_GUARDED_BY(mutex_);
  std::map<int32_t, std::string> checkin_entries_ QORV_GUARDED_BY(mutex_);
  Eol checkin_eol_ QORV_GUARDED_BY(mutex_) = Eol::kCrLf;
  bool closed_ QORV_GUARDED_BY(mutex_) = false;
};

}  // namespace qorv::server

#endif  // QORV_SERVER_HELD_BODIES_H_
