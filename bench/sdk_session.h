// One SDK object as a caller makes it: the module built beside the
// benchmarks registered in a registry file of the session's own and
// activated by its CLSID, with its settings and cache in that folder too,
// connected to a server on loopback and logged in.
#ifndef QORV_BENCH_SDK_SESSION_H_
#define QORV_BENCH_SDK_SESSION_H_

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "qorvsdk/qorvsdk.h"

namespace qorv::bench {

class SdkSession {
 public:
  // `folder` (made here) holds the registry file, the settings and the
  // cache; the process environment points there until the session ends.
  SdkSession(const std::string& module, const std::string& folder, uint16_t port);
  ~SdkSession() = default;
  SdkSession(const SdkSession&) = delete;
  SdkSession& operator=(const SdkSession&) = delete;

  // GetLatestProject of `project` and everything below it into
  // `local_folder`: files left read-only, LF line ends, the current time as
  // their time stamp. Throws when the operation or any of its files fails.
  void GetLatestProject(const std::string& project, const std::string& local_folder);

  // Large single files travel as deltas (size mode 1 or 2) with `delta`.
  void SetTransferSettings(bool delta, int32_t size_mode);

 private:
  // Environment variables set for the session, put back as they were at
  // its end (also when its construction fails).
  class ScopedVariables {
   public:
    ScopedVariables() = default;
    ~ScopedVariables();
    ScopedVariables(const ScopedVariables&) = delete;
    ScopedVariables& operator=(const ScopedVariables&) = delete;
    void Set(const std::string& name, const std::string& value);

   private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
  };
  // The SDK object's reference, released at the end; the module is then
  // unloaded when nothing else holds it.
  class ObjectReference {
   public:
    ObjectReference() = default;
    ~ObjectReference();
    ObjectReference(const ObjectReference&) = delete;
    ObjectReference& operator=(const ObjectReference&) = delete;
    IQORVSDK* get() const { return object_; }
    void** Receive() { return reinterpret_cast<void**>(&object_); }

   private:
    IQORVSDK* object_ = nullptr;
  };

  ScopedVariables variables_;
  ObjectReference sdk_;
};

}  // namespace qorv::bench

#endif  // QORV_BENCH_SDK_SESSION_H_
