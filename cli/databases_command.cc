// qorv databases: the database names the server offers.
#include "cli/commands.h"
#include "cli/sdk_call.h"
#include "qorvsdk/collection.h"

namespace qorv::cli {
namespace {

Outcome RunDatabases(CommandContext& context) {
  qorvsdk::ComPtr<IQORVDatabaseAliasSet> set;
  qorvsdk::OperationStatus status;
  const HRESULT hr = context.sdk()->GetDatabaseAlias(set.Receive(), &status.canceled,
                                                     status.description.Receive(), &status.value);
  Outcome outcome = CallOutcome("GetDatabaseAlias", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  JsonValue names = JsonValue::Array();
  std::string text;
  const HRESULT read = qorvsdk::ForEachElement<IQORVDatabaseAlias>(
      set.get(), IID_IQORVDatabaseAlias, [&](IQORVDatabaseAlias* item) {
        qorvsdk::Bstr name;
        item->get_DatabaseName(name.Receive());
        names.Append(JsonValue::String(name.Utf8()));
        text += name.Utf8() + "\n";
      });
  if (FAILED(read)) return Outcome::FailedCall("GetDatabaseAlias", read);
  context.SetResult(JsonValue::Object().Set("databases", std::move(names)), text);
  return outcome;
}

}  // namespace

Command DatabasesCommand() {
  return {
      .name = "databases",
      .aliases = {"aliases"},
      .synopsis = "",
      .summary = "List the databases of the server",
      .description =
          "Needs no login: only --server (and --proxy).\n"
          "JSON: data.databases (names).",
      .min_arguments = 0,
      .max_arguments = 0,
      .need = ServerNeed::kConnect,
      .run = RunDatabases,
  };
}

}  // namespace qorv::cli
