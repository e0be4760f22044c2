#include "server/session_registry.h"

#include <random>

#include "server/server_crypto.h"

namespace qorv::server {
namespace {

// A random identity in 1 .. 2^31-1. The cryptographic generator is the
// first choice; the standard one only stands in when it fails.
int32_t RandomIdentity() {
  uint32_t value = 0;
  if (!RandomBytes(&value, sizeof(value))) {
    std::random_device device;
    value = device();
  }
  return static_cast<int32_t>(value & 0x7FFFFFFFu);
}

}  // namespace

int32_t SessionRegistry::Open(Session* session) {
  platform::MutexLock lock(mutex_);
  int32_t identity = 0;
  while (identity == 0 || sessions_.count(identity) != 0) identity = RandomIdentity();
  session->identity = identity;
  session->held = std::make_shared<HeldBodies>();
  sessions_[identity] = *session;
  return identity;
}

void SessionRegistry::Close(int32_t identity) {
  std::shared_ptr<HeldBodies> held;
  {
    platform::MutexLock lock(mutex_);
    auto found = sessions_.find(identity);
    if (found == sessions_.end()) return;
    held = std::move(found->second.held);
    sessions_.erase(found);
  }
  if (held) held->Close();
}

std::optional<Session> SessionRegistry::Find(int32_t identity) const {
  platform::MutexLock lock(mutex_);
  auto found = sessions_.find(identity);
  if (found == sessions_.end()) return std::nullopt;
  return found->second;
}

size_t SessionRegistry::size() const {
  platform::MutexLock lock(mutex_);
  return sessions_.size();
}

}  // namespace qorv::server
