#include "transfer/batch_temporary.h"

#include <cstdio>

#include "local/file_times.h"
#include "local/qor_exception.h"
#include "platform/local_time.h"
#include "platform/process.h"

namespace qorv {
namespace {

// Month, day, year, hour, minute and second as digits only: a form of the
// local time that is valid in every file name.
std::string LocalTimeDigits() {
  platform::FileTime local = 0;
  const platform::FileTime now = platform::CurrentFileTime();
  if (!platform::UtcToLocalFileTime(now, &local)) local = now;
  const CalendarTime time = FileTimeToCalendar(local);
  char text[32];
  std::snprintf(text, sizeof(text), "%02d%02d%02d%02d%02d%02d", time.month, time.day,
                time.year % 100, time.hour, time.minute, time.second);
  return text;
}

}  // namespace

std::string BatchTemporaryPath(const std::string& directory, std::string_view tag,
                               TemporaryKind kind) {
  std::string path = directory;
  if (!path.empty() && path.back() != '/') path += '/';
  path += "~_~_~_";
  path += tag;
  path += kind == TemporaryKind::kBody ? "qorFT" : "qorserver";
  path += LocalTimeDigits();
  path += std::to_string(platform::CurrentProcessId());
  path += std::to_string(platform::CurrentThreadId());
  path += "Q2O3R~_.tmp";
  return path;
}

BatchTemporary::BatchTemporary(FileLayer& files, const std::string& directory, std::string_view tag,
                               TemporaryKind kind)
    : files_(files), path_(BatchTemporaryPath(directory, tag, kind)) {
  file_ = files_.Open(path_, platform::FileAccess::kReadWrite,
                      platform::FileCreation::kCreateAlways, platform::FileSharing::kExclusive);
}

BatchTemporary::~BatchTemporary() {
  if (file_) file_->Close();
  // When even the retries fail, the name is reused by this thread's next
  // batch, which truncates it.
  files_.DeleteTemporary(path_);
}

}  // namespace qorv
