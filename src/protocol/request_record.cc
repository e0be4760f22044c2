#include "protocol/request_record.h"

#include <new>

#include "net/socket_buffer_exception.h"
#include "protocol/command_codes.h"

namespace qorv {
namespace {

// Storing the text may itself run out of memory; the record then keeps the
// code with an empty text rather than letting an exception out of the thread.
void StoreFailure(RequestRecord& record, int32_t status, const char* text) noexcept {
  record.status = status;
  try {
    record.description = text;
  } catch (...) {
    record.description.clear();
  }
}

}  // namespace

void DispatchCommand(RequestRecord& record) {
  if (record.connection == nullptr) return;
  if (record.code == static_cast<uint8_t>(CommandCode::kConnect)) {
    if (record.connect == nullptr) return;
    const ConnectOutcome outcome =
        record.connection->ConnectMain(record.connect->settings, record.connect->reuse_ca_file);
    record.status = outcome.result;
    record.description = outcome.description;
    if (outcome.result == kResultOk) {
      record.connect->encryption_mode = record.connection->encryption_mode();
      record.connect->handshake = record.connection->handshake_values();
    }
    return;
  }
  if (!IsDispatcherCode(record.code) || !record.exchange) return;
  CProtocolClient client(record.connection->socket(), record.connection->out_message(),
                         record.connection->in_message());
  ReplyStatus reply = record.exchange(client);
  record.status = reply.status;
  record.description = std::move(reply.description);
}

int RunRequestRoutine(RequestRecord& record) noexcept {
  try {
    DispatchCommand(record);
    return 0;
  } catch (const std::bad_alloc&) {
    StoreFailure(record, kResultOutOfMemory, kTextOutOfMemory);
  } catch (const CCancelableSocketBufferException&) {
    StoreFailure(record, kResultSystemError, kTextSocketBufferError);
  } catch (...) {
    StoreFailure(record, kResultSystemError, kTextUnspecifiedErrorOccured);
  }
  return -1;
}

}  // namespace qorv
