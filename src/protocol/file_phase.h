// The pieces the multi-step requests share: the transfer list of a file
// phase, run through the engine's transfer manager with the engine's
// settings and identity, the date shift by the server time offset, and the
// per-file report lines.
#ifndef QORV_PROTOCOL_FILE_PHASE_H_
#define QORV_PROTOCOL_FILE_PHASE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/multi_step_requests.h"
#include "protocol/request_scope.h"
#include "protocol/transfer_manager.h"

namespace qorv {

// What the transfer manager needs from the engine for one file phase; its
// progress goes to the scope's file-phase span.
TransferJob MakeTransferJob(CRequestEngine& engine, RequestScope& scope);

// A reply date shifted by the server time offset (offset hours / 24 days).
// 0 means "no date" (a failed entry) and stays 0.
double ShiftByServerOffset(double date, const TransferSettings& settings);

// The upload or download list of a file phase, each entry tied to its file.
class TransferList {
 public:
  enum class Direction { kUpload, kDownload };

  // An entry for `file` (its index and local file name), with the size and
  // transfer name a download needs; a negative size counts as 0. `file`
  // must stay where it is until Run returns.
  void Add(RequestFile& file, std::string progress_text, int32_t size = 0,
           std::string server_name = {});
  bool empty() const { return entries_.empty(); }

  // Hands the list to the transfer manager (nothing when it is empty). Each
  // file then has status 0 when its entry was transferred, else 19000, and
  // the entry's text as its description.
  void Run(Direction direction, CRequestEngine& engine, RequestScope& scope);

 private:
  std::vector<TransferEntry> entries_;
  std::vector<RequestFile*> files_;
};

// Delivers one report line per file: prefix + name + " : " + description,
// flagged success when the file's status is 0.
template <class Record>
void DeliverFileLines(OperationDriver& driver, const std::vector<Record>& files,
                      std::string_view prefix) {
  std::vector<ReportLine> lines;
  lines.reserve(files.size());
  for (const RequestFile& file : files) {
    lines.push_back({file.status == kResultOk ? 1 : 0,
                     std::string(prefix) + file.name + " : " + file.description});
  }
  driver.DeliverReportLines(std::move(lines));
}

}  // namespace qorv

#endif  // QORV_PROTOCOL_FILE_PHASE_H_
