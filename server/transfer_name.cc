#include "server/transfer_name.h"

namespace qorv::server {
namespace {

constexpr size_t kMaxRecordDigits = 18;  // stays below 2^63

bool ParseModeDigit(char c, int32_t* value) {
  if (c < '0' || c > '2') return false;
  *value = c - '0';
  return true;
}

}  // namespace

std::string MakeTransferName(int64_t version_record, Eol eol, int32_t file_time_mode) {
  if (file_time_mode < kFileTimeCurrent || file_time_mode > kFileTimeCheckIn) {
    file_time_mode = kFileTimeModification;
  }
  // Appended piece by piece: "V" + to_string(...) trips a false -Wrestrict
  // of GCC 12 at -O3.
  std::string name = "V";
  name.append(std::to_string(version_record)).append(".");
  name.append(std::to_string(static_cast<int>(eol))).append(".");
  name.append(std::to_string(file_time_mode));
  return name;
}

std::optional<TransferName> ParseTransferName(std::string_view text) {
  if (text.size() < 6 || text[0] != 'V') return std::nullopt;
  size_t dot = text.find('.', 1);
  if (dot == std::string_view::npos || dot == 1 || dot - 1 > kMaxRecordDigits) {
    return std::nullopt;
  }
  TransferName name;
  int64_t record = 0;
  for (size_t i = 1; i < dot; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    record = record * 10 + (text[i] - '0');
  }
  name.version_record = record;
  std::string_view rest = text.substr(dot + 1);
  int32_t eol = 0;
  if (rest.size() != 3 || rest[1] != '.' || !ParseModeDigit(rest[0], &eol) ||
      !ParseModeDigit(rest[2], &name.file_time_mode)) {
    return std::nullopt;
  }
  name.eol = static_cast<Eol>(eol);
  return name;
}

OleMs TransferDate(const TransferName& name, const VersionInfo& version, OleMs now) {
  switch (name.file_time_mode) {
    case kFileTimeCurrent:
      return now;
    case kFileTimeCheckIn:
      return version.checkin_time;
    default:
      return version.modification_time;
  }
}

}  // namespace qorv::server
