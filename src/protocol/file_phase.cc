#include "protocol/file_phase.h"

#include <utility>

namespace qorv {

TransferJob MakeTransferJob(CRequestEngine& engine, RequestScope& scope) {
  TransferJob job;
  job.settings = engine.transfer_settings();
  job.login_identity = engine.login_identity();
  job.temp_directory = engine.driver().temp_directory();
  job.connect_settings = engine.connect_settings();
  job.ca_file_path = engine.connection().ca_file_path();
  job.channel_key = engine.channel_key();
  job.driver = &engine.driver();
  job.report_progress = [&scope](int32_t percent) { scope.ReportFilePhaseProgress(percent); };
  return job;
}

double ShiftByServerOffset(double date, const TransferSettings& settings) {
  if (date == 0) return 0;
  return date + static_cast<double>(settings.server_time_offset_hours) / 24.0;
}

void TransferList::Add(RequestFile& file, std::string progress_text, int32_t size,
                       std::string server_name) {
  TransferEntry& entry = entries_.emplace_back();
  entry.index = file.index;
  entry.local_file_name = file.local_file_name;
  entry.size = size > 0 ? static_cast<uint32_t>(size) : 0;
  entry.server_name = std::move(server_name);
  entry.progress_text = std::move(progress_text);
  files_.push_back(&file);
}

void TransferList::Run(Direction direction, CRequestEngine& engine, RequestScope& scope) {
  if (entries_.empty()) return;
  const TransferJob job = MakeTransferJob(engine, scope);
  if (direction == Direction::kUpload) {
    scope.transfer_manager().Upload(entries_, job);
  } else {
    scope.transfer_manager().Download(entries_, job);
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    files_[i]->status = entries_[i].result == 1 ? kResultOk : kResultFileNotTransferred;
    files_[i]->description = entries_[i].result_text;
  }
}

}  // namespace qorv
