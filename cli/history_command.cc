// qorv history PATH: the history of a project or a file, filtered by user
// and dates.
#include "cli/commands.h"
#include "cli/item_kind.h"
#include "cli/ole_date.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"
#include "qorvsdk/collection.h"

namespace qorv::cli {
namespace {

struct HistoryFilter {
  std::string user;  // empty: every user
  DATE from = 0;     // 0: no bound
  DATE to = 0;
};

Outcome ReadFilter(const CommandContext& context, HistoryFilter* filter) {
  filter->user = context.options().Value("by").value_or("");
  for (const char* name : {"since", "until"}) {
    const std::optional<std::string> text = context.options().Value(name);
    if (!text) continue;
    const bool until = name[0] == 'u';
    const std::optional<DATE> date = ParseDateArgument(*text, until);
    if (!date) {
      return Outcome::Usage(std::string("--") + name + " \"" + *text +
                            "\" is not a date such as 2024-03-01 or \"2024-03-01 14:30\"");
    }
    (until ? filter->to : filter->from) = *date;
  }
  if (filter->from != 0 && filter->to != 0 && filter->from > filter->to) {
    return Outcome::Usage("--since " + *context.options().Value("since") +
                          " is later than --until " + *context.options().Value("until") +
                          ": no entry could match");
  }
  return Outcome::Success();
}

// The text block of one entry: a heading line, then label and comment.
std::string EntryText(LONG version, DATE date, const std::string& user, const std::string& action,
                      const std::string& item, const std::string& label,
                      const std::string& label_comment, const std::string& comment) {
  std::string text = "Version " + std::to_string(version) + "  " + FormatOleDate(date) + "  " +
                     user + "  " + action;
  if (!item.empty()) text += "  " + item;
  text += "\n";
  if (!label.empty()) {
    text += "    Label: " + label;
    if (!label_comment.empty()) text += " (" + label_comment + ")";
    text += "\n";
  }
  if (!comment.empty()) {
    // Every line of a comment indented under its entry.
    text += "    ";
    for (char c : comment) {
      text += c;
      if (c == '\n') text += "    ";
    }
    text += "\n";
  }
  return text;
}

Outcome ProjectHistory(CommandContext& context, const std::string& path,
                       const HistoryFilter& filter) {
  qorvsdk::Bstr text(path), user(filter.user);
  qorvsdk::ComPtr<IQORVProjectHistorySet> set;
  qorvsdk::OperationStatus status;
  const VARIANT_BOOL include_files = context.options().Has("files") ? VARIANT_TRUE : VARIANT_FALSE;
  const VARIANT_BOOL recursive = context.options().Has("recursive") ? VARIANT_TRUE : VARIANT_FALSE;
  const HRESULT hr = context.sdk()->GetProjectHistory(
      text.get(), include_files, recursive, set.Receive(), user.get(), filter.from, filter.to,
      &status.canceled, status.description.Receive(), &status.value);
  Outcome outcome = CallOutcome("GetProjectHistory", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  JsonValue entries = JsonValue::Array();
  std::string output;
  const HRESULT read = qorvsdk::ForEachElement<IQORVProjectHistory>(
      set.get(), IID_IQORVProjectHistory, [&](IQORVProjectHistory* item) {
        qorvsdk::Bstr name, who, action, label, comment, label_comment;
        VARIANT_BOOL is_project = VARIANT_FALSE;
        LONG version = 0;
        DATE date = 0;
        item->get_FileName(name.Receive());
        item->get_IsProject(&is_project);
        item->get_Version(&version);
        item->get_UserName(who.Receive());
        item->get_DateAction(&date);
        item->get_Action(action.Receive());
        item->get_Label(label.Receive());
        item->get_Comment(comment.Receive());
        item->get_LabelComment(label_comment.Receive());
        entries.Append(JsonValue::Object()
                           .Set("name", JsonValue::String(name.Utf8()))
                           .Set("is_project", JsonValue::Bool(is_project != VARIANT_FALSE))
                           .Set("version", JsonValue::Integer(version))
                           .Set("user", JsonValue::String(who.Utf8()))
                           .Set("date", JsonValue::String(FormatOleDate(date, 'T')))
                           .Set("action", JsonValue::String(action.Utf8()))
                           .Set("label", JsonValue::String(label.Utf8()))
                           .Set("comment", JsonValue::String(comment.Utf8()))
                           .Set("label_comment", JsonValue::String(label_comment.Utf8())));
        // Projects end with "/", which the root "$/" has already.
        std::string shown = name.Utf8();
        if (is_project != VARIANT_FALSE && (shown.empty() || shown.back() != '/')) shown += '/';
        output += EntryText(version, date, who.Utf8(), action.Utf8(), shown, label.Utf8(),
                            label_comment.Utf8(), comment.Utf8());
      });
  if (FAILED(read)) return Outcome::FailedCall("GetProjectHistory", read);
  context.SetResult(JsonValue::Object()
                        .Set("path", JsonValue::String(path))
                        .Set("kind", JsonValue::String("project"))
                        .Set("entries", std::move(entries)),
                    output);
  return outcome;
}

Outcome FileHistory(CommandContext& context, const std::string& path, const HistoryFilter& filter) {
  qorvsdk::Bstr text(path), user(filter.user);
  qorvsdk::ComPtr<IQORVFileHistorySet> set;
  VARIANT_BOOL pinned = VARIANT_FALSE;
  qorvsdk::OperationStatus status;
  const HRESULT hr = context.sdk()->GetFileHistory(text.get(), &pinned, set.Receive(), user.get(),
                                                   filter.from, filter.to, &status.canceled,
                                                   status.description.Receive(), &status.value);
  Outcome outcome = CallOutcome("GetFileHistory", Step::kOperation, hr, status);
  if (!outcome.ok()) return outcome;
  JsonValue entries = JsonValue::Array();
  std::string output;
  const HRESULT read = qorvsdk::ForEachElement<IQORVFileHistory>(
      set.get(), IID_IQORVFileHistory, [&](IQORVFileHistory* item) {
        qorvsdk::Bstr who, action, label, comment, label_comment;
        LONG version = 0;
        DATE date = 0;
        VARIANT_BOOL entry_pinned = VARIANT_FALSE, inherited = VARIANT_FALSE;
        item->get_Version(&version);
        item->get_UserName(who.Receive());
        item->get_DateAction(&date);
        item->get_Action(action.Receive());
        item->get_Label(label.Receive());
        item->get_Comment(comment.Receive());
        item->get_LabelComment(label_comment.Receive());
        item->get_Pinned(&entry_pinned);
        item->get_InheritLabelFromParent(&inherited);
        entries.Append(JsonValue::Object()
                           .Set("version", JsonValue::Integer(version))
                           .Set("user", JsonValue::String(who.Utf8()))
                           .Set("date", JsonValue::String(FormatOleDate(date, 'T')))
                           .Set("action", JsonValue::String(action.Utf8()))
                           .Set("label", JsonValue::String(label.Utf8()))
                           .Set("comment", JsonValue::String(comment.Utf8()))
                           .Set("label_comment", JsonValue::String(label_comment.Utf8()))
                           .Set("pinned", JsonValue::Bool(entry_pinned != VARIANT_FALSE))
                           .Set("inherit_label", JsonValue::Bool(inherited != VARIANT_FALSE)));
        output += EntryText(version, date, who.Utf8(),
                            action.Utf8() + (entry_pinned != VARIANT_FALSE ? " (pinned)" : ""), "",
                            label.Utf8(), label_comment.Utf8(), comment.Utf8());
      });
  if (FAILED(read)) return Outcome::FailedCall("GetFileHistory", read);
  if (pinned != VARIANT_FALSE) output = path + " is pinned.\n" + output;
  context.SetResult(JsonValue::Object()
                        .Set("path", JsonValue::String(path))
                        .Set("kind", JsonValue::String("file"))
                        .Set("pinned", JsonValue::Bool(pinned != VARIANT_FALSE))
                        .Set("entries", std::move(entries)),
                    output);
  return outcome;
}

Outcome CheckHistory(CommandContext& context) {
  HistoryFilter filter;
  Outcome outcome = ReadFilter(context, &filter);
  return outcome.ok() ? CheckItemKindOptions(context) : outcome;
}

Outcome RunHistory(CommandContext& context) {
  const std::string path = ServerPathArgument(context.arguments().front());
  HistoryFilter filter;
  Outcome outcome = ReadFilter(context, &filter);
  if (!outcome.ok()) return outcome;
  bool is_project = false;
  outcome = ResolveIsProject(context, path, &is_project);
  if (!outcome.ok()) return outcome;
  if (!is_project && (context.options().Has("files") || context.options().Has("recursive"))) {
    return Outcome::Usage("--files and --recursive apply to a project's history only");
  }
  if (context.interrupted()) return Outcome::Interrupted();
  return is_project ? ProjectHistory(context, path, filter) : FileHistory(context, path, filter);
}

}  // namespace

Command HistoryCommand() {
  return {
      .name = "history",
      .aliases = {"log"},
      .synopsis = "PATH",
      .summary = "Show the history of a project or a file",
      .description =
          "Each entry: version, date, user and action, then its label and comment.\n"
          "Dates are the server's local time, written YYYY-MM-DD or\n"
          "\"YYYY-MM-DD HH:MM[:SS]\"; --until with a day alone includes that day.\n"
          "JSON: data.path, data.kind, data.entries (and data.pinned for a file).",
      .options = {{"by", 0, "USER", "Only the entries of this user."},
                  {"since", 0, "DATE", "Only the entries at or after DATE."},
                  {"until", 0, "DATE", "Only the entries at or before DATE."},
                  {"files", 0, nullptr, "Include the history of the project's files."},
                  {"recursive", 'R', nullptr, "Include the history of the sub-projects."},
                  ProjectOptionSpec(),
                  FileOptionSpec()},
      .min_arguments = 1,
      .max_arguments = 1,
      .argument_kinds = {ArgumentKind::kServerPath},
      .need = ServerNeed::kLogin,
      .run = RunHistory,
      .check = CheckHistory,
  };
}

}  // namespace qorv::cli
