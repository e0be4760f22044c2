// qorv add LOCAL... PROJECT: puts local files (and with -r folders) under
// source control as new items of a server project.
#include "cli/add_options.h"
#include "cli/commands.h"
#include "cli/path_arguments.h"
#include "cli/sdk_call.h"
#include "cli/tree_edit_run.h"

namespace qorv::cli {
namespace {

// The input set of AddFiles: each file's local name, server path and type.
Outcome BuildAddSet(const AddSettings& settings, qorvsdk::ComPtr<IQORVAddFileSet>* set) {
  Outcome created =
      CreateSdkObject(CLSID_QORVAddFileSet, IID_IQORVAddFileSet, "QORVAddFileSet", set);
  for (const AddTarget& target : settings.files) {
    if (!created.ok()) return created;
    qorvsdk::ComPtr<IQORVAddFile> entry;
    created = CreateSdkObject(CLSID_QORVAddFile, IID_IQORVAddFile, "QORVAddFile", &entry);
    if (!created.ok()) return created;
    qorvsdk::Bstr local(target.local), path(target.path);
    entry->put_LocalFileName(local.get());
    entry->put_RemoteFileName(path.get());
    entry->put_FileType(settings.file_type);
    VARIANT_BOOL added = VARIANT_FALSE;
    (*set)->Add(entry.get(), &added);
  }
  return created;
}

Outcome AddFiles(IQORVSDK* sdk, const AddSettings& settings, std::vector<OperationItem>* items) {
  qorvsdk::ComPtr<IQORVAddFileSet> set;
  if (Outcome built = BuildAddSet(settings, &set); !built.ok()) return built;
  qorvsdk::Bstr comment(settings.comment);
  qorvsdk::OperationStatus status;
  qorvsdk::ComPtr<IQORVOperationResultSet> results;
  // A deleted copy of a file's name raises the question the prompt answers
  // decide (options or the terminal).
  const HRESULT hr = sdk->AddFiles(
      set.get(), VariantBool(settings.read_only), VariantBool(settings.latest_only), settings.eol,
      Enum_AddFileDeletedCopyHandlingAskAdd, comment.get(), &status.canceled,
      status.description.Receive(), results.Receive(), &status.value);
  return ReadOperationItems(CallOutcome("AddFiles", Step::kOperation, hr, status), results.get(),
                            items);
}

// AddFolder creates PROJECT/NAME for the folder and adds all below it.
Outcome AddFolder(IQORVSDK* sdk, const AddSettings& settings, const AddTarget& folder,
                  std::vector<OperationItem>* items) {
  qorvsdk::Bstr project(settings.project), local(folder.local), comment(settings.comment);
  qorvsdk::OperationStatus status;
  qorvsdk::ComPtr<IQORVOperationResultSet> results;
  const HRESULT hr = sdk->AddFolder(
      project.get(), local.get(), comment.get(), VARIANT_TRUE, VariantBool(settings.latest_only),
      VariantBool(settings.read_only), settings.eol, settings.file_type, &status.canceled,
      status.description.Receive(), results.Receive(), &status.value);
  return ReadOperationItems(CallOutcome("AddFolder", Step::kOperation, hr, status), results.get(),
                            items);
}

JsonValue TargetsOf(const AddSettings& settings, std::string* text) {
  JsonValue targets = JsonValue::Array();
  for (const auto* list : {&settings.folders, &settings.files}) {
    for (const AddTarget& target : *list) {
      targets.Append(JsonValue::Object()
                         .Set("local", JsonValue::String(target.local))
                         .Set("path", JsonValue::String(target.path))
                         .Set("kind", JsonValue::String(target.folder ? "project" : "file")));
      *text += target.local + " -> " + target.path + "\n";
    }
  }
  return targets;
}

Outcome RunAdd(CommandContext& context) {
  EditRun run(context);
  AddSettings settings;
  Outcome outcome = ReadAddSettings(context.options(), context.arguments(), &settings);
  if (!outcome.ok()) return outcome;
  std::vector<OperationItem> items;
  if (!settings.files.empty()) {
    if (context.interrupted()) return Outcome::Interrupted();
    outcome = AddFiles(context.sdk(), settings, &items);
  }
  for (const AddTarget& folder : settings.folders) {
    if (!outcome.ok()) break;
    if (context.interrupted()) return Outcome::Interrupted();
    outcome = AddFolder(context.sdk(), settings, folder, &items);
  }
  std::string text;
  JsonValue targets = TargetsOf(settings, &text);
  return run.Finish("added", std::move(outcome), items,
                    JsonValue::Object()
                        .Set("project", JsonValue::String(settings.project))
                        .Set("targets", std::move(targets)),
                    text);
}

Outcome CheckAdd(CommandContext& context) {
  const std::string& project = context.arguments().back();
  if (const std::string problem = ServerPathProblem(project); !problem.empty()) {
    return Outcome::Usage("add: \"" + project + "\" is not a server path: " + problem);
  }
  AddSettings settings;
  return ReadAddSettings(context.options(), context.arguments(), &settings);
}

}  // namespace

Command AddCommand() {
  return {
      .name = "add",
      .synopsis = "LOCAL... PROJECT",
      .summary = "Add local files and folders to a project",
      .description =
          "Adds each local file LOCAL to the existing server project PROJECT under\n"
          "its own name (AddFiles, one call for all files). With -r a LOCAL may be\n"
          "a folder: it becomes the project PROJECT/NAME with its files and, below\n"
          "it, a project for each sub-folder (AddFolder, one call per folder).\n"
          "The local files added are left read-only unless --writable.\n"
          "\n"
          "A file whose name the project holds as a deleted item raises a\n"
          "question: asked on a terminal, answered by --recover (bring the deleted\n"
          "file back instead) or --purge (remove it for good, then add); without\n"
          "a terminal or an answer the add is canceled (exit status 8). A folder\n"
          "purges such deleted items without asking. A file that could not be\n"
          "added fails the command with its result.\n"
          "JSON: data.project, data.targets (local, path, kind) and data.items.",
      .options = AddOptionSpecs(),
      .min_arguments = 2,
      .max_arguments = kAnyNumber,
      .need = ServerNeed::kLogin,
      .run = RunAdd,
      .check = CheckAdd,
  };
}

}  // namespace qorv::cli
