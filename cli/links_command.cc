// qorv links FILE: the projects a file is shared with.
#include "cli/commands.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"
#include "qorvsdk/collection.h"

namespace qorv::cli {
namespace {

Outcome RunLinks(CommandContext& context) {
  const std::string file = ServerPathArgument(context.arguments().front());
  qorvsdk::Bstr path(file);
  qorvsdk::ComPtr<IQORVFileLinkSet> set;
  qorvsdk::OperationStatus status;
  const HRESULT hr = context.sdk()->GetFileLinks(path.get(), set.Receive(), &status.canceled,
                                                 status.description.Receive(), &status.value);
  Outcome outcome = CallOutcome("GetFileLinks", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  JsonValue links = JsonValue::Array();
  std::string text;
  const HRESULT read = qorvsdk::ForEachElement<IQORVFileLink>(
      set.get(), IID_IQORVFileLink, [&](IQORVFileLink* item) {
        qorvsdk::Bstr link;
        item->get_FileLink(link.Receive());
        links.Append(JsonValue::String(link.Utf8()));
        text += link.Utf8() + "\n";
      });
  if (FAILED(read)) return Outcome::FailedCall("GetFileLinks", read);
  context.SetResult(
      JsonValue::Object().Set("path", JsonValue::String(file)).Set("links", std::move(links)),
      text);
  return outcome;
}

}  // namespace

Command LinksCommand() {
  return {
      .name = "links",
      .aliases = {"share-links"},
      .synopsis = "FILE",
      .summary = "List the share links of a file",
      .description =
          "Every place the file is shared to, one per line.\n"
          "JSON: data.path, data.links.",
      .min_arguments = 1,
      .max_arguments = 1,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunLinks,
  };
}

}  // namespace qorv::cli
