// ConnectToServer.
#include <utility>

#include "ops/report_texts.h"
#include "ops/session.h"
#include "platform/com/ascii_case.h"

namespace qorv::ops {

int32_t ConnectToServer(const OperationContext& context, const ConnectArguments& arguments,
                        OperationStatus* status, ConnectOutputs* outputs) {
  context.driver.ClearCancel();
  context.driver.DeliverReportLines({ReportLine{1, kReportConnecting}});

  ConnectSettings settings;
  settings.server_host = arguments.server;
  settings.server_port = static_cast<uint16_t>(arguments.server_port);
  settings.proxy_type = arguments.proxy_type;
  settings.proxy_host = arguments.proxy_host;
  settings.proxy_port = static_cast<uint16_t>(arguments.proxy_port);
  settings.proxy_user = arguments.proxy_user;
  settings.proxy_password = arguments.proxy_password;
  int32_t mode = 0;
  RequestStatus request;
  context.engine.ConnectToServer(settings, &request, &outputs->connected, &mode);
  const int32_t result = OperationContext::TakeStatus(std::move(request), status);
  if (!status->description.empty()) {
    context.driver.DeliverReportLines(
        {ReportLine{result == kResultOk ? 1 : 0, status->description}});
  }
  if (result != kResultOk) return result;

  outputs->encryption_mode = mode;
  SessionState& session = context.session;
  session.server_name = arguments.server;
  session.server_port = settings.server_port;
  session.connected_server_name = AsciiUpper(arguments.server);
  return kResultOk;
}

}  // namespace qorv::ops
