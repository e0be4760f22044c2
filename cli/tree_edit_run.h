// What the commands that reshape the server's project tree share (mkdir,
// rm, mv, rename, share, branch, pin, unpin, label, recover, purge, add):
// the sets of server paths the list methods take, and the end of a run, its
// items checked and its result set.
#ifndef QORV_CLI_TREE_EDIT_RUN_H_
#define QORV_CLI_TREE_EDIT_RUN_H_

#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/operation_items.h"

namespace qorv::cli {

// The server paths the arguments name, as ServerPathArgument reads them.
std::vector<std::string> ServerPaths(const std::vector<std::string>& arguments);

// The paths apart, projects and files (ResolveIsProject: --project or
// --file, else the server is asked).
Outcome SortServerPaths(CommandContext& context, const std::vector<std::string>& paths,
                        std::vector<std::string>* files, std::vector<std::string>* projects);

// The class, interface and name of an input set of server paths.
struct ItemSetClass {
  const CLSID& set_class;
  const IID& set_iid;
  const char* set_name;
};

// A new input set of server paths (IQORVDeleteFileSet, IQORVShareFileSet,
// IQORVRecoverItemSet, IQORVPurgeItemSet: each Add takes a path).
template <class Set>
Outcome BuildPathSet(const ItemSetClass& kind, const std::vector<std::string>& paths,
                     qorvsdk::ComPtr<Set>* set) {
  Outcome created = CreateSdkObject(kind.set_class, kind.set_iid, kind.set_name, set);
  if (!created.ok()) return created;
  for (const std::string& path : paths) {
    qorvsdk::Bstr name(path);
    VARIANT_BOOL added = VARIANT_FALSE;
    (*set)->Add(name.get(), &added);
  }
  return created;
}

// Counts the failed report lines of one run, so that its end can tell a
// failure only the SDK's lines showed.
class EditRun {
 public:
  explicit EditRun(CommandContext& context)
      : context_(context), failed_before_(context.console().failed_report_lines()) {}

  // The command's end: `outcome` failed by the first failed item (or by a
  // failed report line under a success, see WithItemFailures, `done` being
  // the past participle: "deleted"); when it stays a success, the result is
  // `data` with data.items added and `text`.
  Outcome Finish(const char* done, Outcome outcome, const std::vector<OperationItem>& items,
                 JsonValue data, std::string text);

 private:
  CommandContext& context_;
  size_t failed_before_;
};

// The JSON of a run that names its paths: {"paths": [...]}.
JsonValue PathsJson(const std::vector<std::string>& paths);

}  // namespace qorv::cli

#endif  // QORV_CLI_TREE_EDIT_RUN_H_
