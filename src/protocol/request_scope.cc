#include "protocol/request_scope.h"

#include <utility>

#include "protocol/request_record.h"

namespace qorv {

RequestScope::RequestScope(CRequestEngine& engine, RequestStatus* status, Connection connection)
    : engine_(engine) {
  status->result = kResultOk;
  status->canceled = false;
  if (engine_.busy_) {
    status->result = kResultBusy;
    status->description = kTextBusy;
  } else {
    engine_.busy_ = true;
    holds_busy_ = true;
    if (connection != Connection::kLeftAsItIs) {
      engine_.EnsureConnection(connection == Connection::kEnsured, status);
    }
    ready_ = status->ok();
  }
  if (!ready_) begin_ = *status;
}

RequestScope::~RequestScope() {
  if (!holds_busy_) return;
  engine_.progress_span_ = 0;
  engine_.progress_base_ = 0;
  engine_.busy_ = false;
}

int32_t RequestScope::Exchange(CommandCode code,
                               std::function<ReplyStatus(CProtocolClient&)> exchange,
                               RequestStatus* status) {
  if (!ready_) {
    *status = begin_;
    return status->result;
  }
  status->canceled = false;
  RequestRecord record;
  record.code = static_cast<uint8_t>(code);
  record.connection = &engine_.connection_;
  record.exchange = std::move(exchange);
  return engine_.Convert(engine_.RunRecord(record), record, status);
}

void RequestScope::SetFilePhaseProgress(int32_t span, int32_t base) {
  if (!holds_busy_) return;
  engine_.progress_span_ = span;
  engine_.progress_base_ = base;
}

void RequestScope::ReportFilePhaseProgress(int32_t p) {
  if (!holds_busy_) return;
  engine_.driver_.SetPercentDone(engine_.progress_span_ * p / 100 + engine_.progress_base_);
}

bool RequestScope::EndIfCanceled(RequestStatus* status) {
  if (!engine_.driver_.CancelRequested()) return false;
  engine_.CloseConnections();
  engine_.driver_.ClearCancel();
  status->result = kResultRequestCanceled;
  status->canceled = true;
  status->description = kTextCanceled;
  return true;
}

}  // namespace qorv
