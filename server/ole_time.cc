#include "server/ole_time.h"

#include "platform/local_time.h"

namespace qorv::server {

WireDate ToWireDate(OleMs time) {
  // C++ division truncates toward zero, as the wire form does; both parts
  // then carry the sign of a negative date.
  return {static_cast<int32_t>(time / kMsPerDay), static_cast<int32_t>(time % kMsPerDay)};
}

OleMs FromWireDate(WireDate date) { return static_cast<OleMs>(date.days) * kMsPerDay + date.ms; }

double ToOleDouble(OleMs time) {
  return static_cast<double>(time / kMsPerDay) +
         static_cast<double>(time % kMsPerDay) / static_cast<double>(kMsPerDay);
}

OleMs LocalNowMs() { return LocalOleFromUnixMs(platform::UnixTimeMs()); }

OleMs LocalOleFromUnixMs(int64_t unix_ms) {
  int64_t offset_ms = static_cast<int64_t>(platform::LocalUtcOffsetSeconds(unix_ms / 1000)) * 1000;
  return unix_ms + offset_ms + kUnixEpochOleDays * kMsPerDay;
}

}  // namespace qorv::server
