#include "server/held_bodies.h"

#include <utility>
#include <vector>

namespace qorv::server {
namespace {

// A spool file read from its start, kept on disk while it is read.
class SpoolBodySource final : public BodySource {
 public:
  explicit SpoolBodySource(std::shared_ptr<SpoolFile> file)
      : file_(std::move(file)), reader_(file_->path()) {}
  bool Rewind(std::string* error) override { return reader_.Rewind(error); }
  bool Read(char* buffer, size_t length, size_t* got, std::string* error) override {
    return reader_.Read(buffer, length, got, error);
  }

 private:
  std::shared_ptr<SpoolFile> file_;
  FileBodySource reader_;
};

}  // namespace

UploadedBody HeldBody::AsUpload() const {
  return UploadedBody(std::make_shared<SpoolBodySource>(file), modification_time);
}

bool HeldBodies::Put(int32_t index, HeldBody body) {
  HeldBody replaced;
  platform::MutexLock lock(mutex_);
  if (closed_) return false;
  HeldBody& slot = bodies_[index];
  // The replaced file goes once the lock is released (its holder is local).
  replaced = std::exchange(slot, std::move(body));
  return true;
}

std::optional<HeldBody> HeldBodies::Take(int32_t index) {
  platform::MutexLock lock(mutex_);
  auto found = bodies_.find(index);
  if (found == bodies_.end()) return std::nullopt;
  HeldBody body = std::move(found->second);
  bodies_.erase(found);
  return body;
}

void HeldBodies::OpenCheckin(Eol eol, std::map<int32_t, std::string> entries) {
  std::map<int32_t, HeldBody> discarded;
  platform::MutexLock lock(mutex_);
  discarded.swap(bodies_);
  checkin_entries_ = std::move(entries);
  checkin_eol_ = eol;
}

std::optional<HeldBodies::CheckinEntry> HeldBodies::FindCheckinEntry(int32_t index) const {
  platform::MutexLock lock(mutex_);
  auto found = checkin_entries_.find(index);
  if (found == checkin_entries_.end()) return std::nullopt;
  return CheckinEntry{found->second, checkin_eol_};
}

void HeldBodies::Close() {
  std::map<int32_t, HeldBody> discarded;
  platform::MutexLock lock(mutex_);
  closed_ = true;
  discarded.swap(bodies_);
  checkin_entries_.clear();
}

size_t HeldBodies::size() const {
  platform::MutexLock lock(mutex_);
  return bodies_.size();
}

}  // namespace qorv::server
