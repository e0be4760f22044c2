// Login.
#include <memory>
#include <utility>

#include "net/key_file.h"
#include "ops/report_texts.h"
#include "ops/session.h"

namespace qorv::ops {

int32_t Login(const OperationContext& context, const LoginArguments& arguments,
              OperationStatus* status, LoginOutputs* outputs) {
  SessionState& session = context.session;
  const ChannelKey user_key =
      ChooseUserKey(arguments.key_file_names, session.connected_server_name, arguments.user_name);
  context.BeginOperation();
  context.driver.DeliverReportLines({ReportLine{1, kReportLoggingIn}});

  bool must_change_password = false;
  int32_t expire_days = 0;
  RequestStatus request;
  context.engine.Login(arguments.user_name, arguments.password, arguments.database, user_key,
                       &request, &must_change_password, &expire_days);
  const int32_t result = OperationContext::TakeStatus(std::move(request), status);
  if (!status->description.empty()) {
    context.driver.DeliverReportLines(
        {ReportLine{result == kResultOk ? 1 : 0, status->description}});
  }
  if (result != kResultOk) return result;

  outputs->must_change_password = must_change_password;
  outputs->expire_days = expire_days;
  session.user_name = arguments.user_name;
  session.database = arguments.database;
  // The cache of the new user and database replaces the old one even when it
  // cannot be opened: the old one belongs to another login. Where a desktop
  // build would show the reason in a message box, it becomes a failure line.
  auto cache = std::make_unique<CacheStore>();
  const CacheResult opened = cache->Open(session.server_name, session.database, session.user_name);
  if (!opened.ok()) context.driver.DeliverReportLines({ReportLine{0, opened.description}});
  session.cache = std::move(cache);
  return kResultOk;
}

}  // namespace qorv::ops
