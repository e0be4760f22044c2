#include "cli/local_targets.h"

#include <map>

#include "cli/item_kind.h"
#include "cli/path_arguments.h"
#include "platform/console/local_paths.h"

namespace qorv::cli {

OptionSpec DirOptionSpec(const char* help) { return {"dir", 'C', "DIR", help}; }

Outcome ReadLocalFolder(const OptionValues& options, std::string* folder) {
  if (options.Has("dir") && options.Value("dir").value_or("").empty()) {
    return Outcome::Usage("--dir needs the name of a local folder");
  }
  *folder = platform::AbsoluteLocalPath(options.Value("dir").value_or(""));
  return Outcome::Success();
}

std::string LocalTarget(const std::string& folder, const std::string& server_path) {
  const std::string path = ServerPathArgument(server_path);
  if (path == "$" || path == "$/") return folder;
  const std::string name = LeafName(path);
  return folder == "/" ? "/" + name : folder + "/" + name;
}

Outcome CheckDistinctTargets(const char* command, const std::string& folder,
                             const std::vector<std::string>& server_paths) {
  std::map<std::string, std::string> taken;  // local target -> the path going there
  for (const std::string& argument : server_paths) {
    const std::string path = ServerPathArgument(argument);
    const std::string target = LocalTarget(folder, path);
    auto [it, added] = taken.emplace(target, path);
    if (!added) {
      return Outcome::Usage(std::string(command) + ": " + it->second + " and " + path +
                            " would both go to " + target + "; use separate --dir folders");
    }
  }
  return Outcome::Success();
}

Outcome SortTargets(CommandContext& context, const std::string& folder,
                    std::vector<ItemTarget>* files, std::vector<ItemTarget>* projects) {
  for (const std::string& argument : context.arguments()) {
    const std::string path = ServerPathArgument(argument);
    bool is_project = false;
    Outcome asked = ResolveIsProject(context, path, &is_project);
    if (!asked.ok()) return asked;
    (is_project ? projects : files)->push_back({path, LocalTarget(folder, path)});
  }
  return Outcome::Success();
}

}  // namespace qorv::cli
