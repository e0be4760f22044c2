// qorv demo: a reference server with the sample database on a free loopback
// port, the SDK registered in a private registry, and a short session of
// qorv commands against it, all inside a temporary folder that is removed at
// the end whatever happens.
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>

#include "cli/embedded/embedded_commands.h"
#include "cli/embedded/sample_database.h"
#include "cli/runner.h"
#include "platform/com/registry_file.h"
#include "qorvsdk/activation.h"
#include "server/server.h"

namespace qorv::cli {
namespace {

namespace fs = std::filesystem;

// Removes a folder with everything in it; read-only files (as a get leaves
// them) must not keep it.
void RemoveFolderTree(const fs::path& path) {
  std::error_code ignored;
  for (auto it = fs::recursive_directory_iterator(path, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (!it->is_symlink()) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::remove_all(path, ignored);
}

// A new folder under the system's temporary folder, removed with everything
// in it when this object goes, on every path out of the demo, and by `watch`
// (when given) when a second Ctrl-C ends the program at once.
class DemoFolder {
 public:
  // On failure path() is empty and *error says why (TMPDIR naming a folder
  // that does not exist, a folder that cannot be written).
  DemoFolder(platform::InterruptWatch* watch, std::string* error) : watch_(watch) {
    std::error_code failure;
    const fs::path base = fs::temp_directory_path(failure);
    if (failure) {
      *error = "the temporary folder cannot be found: " + failure.message();
      return;
    }
    std::random_device random;
    for (int attempt = 0; attempt < 16 && path_.empty(); ++attempt) {
      std::ostringstream name;
      name << "qorv-demo-" << std::hex << random() << random();
      const fs::path candidate = base / name.str();
      if (fs::create_directory(candidate, failure)) path_ = candidate;
    }
    if (path_.empty()) {
      *error = "no folder can be made in " + base.string() + ": " + failure.message();
    }
    if (watch_ != nullptr && !path_.empty()) {
      final_action_ = watch_->AddFinalAction([path = path_] { RemoveFolderTree(path); });
    }
  }
  ~DemoFolder() {
    if (watch_ != nullptr && !path_.empty()) watch_->RemoveFinalAction(final_action_);
    if (!path_.empty()) RemoveFolderTree(path_);
  }
  DemoFolder(const DemoFolder&) = delete;
  DemoFolder& operator=(const DemoFolder&) = delete;

  const fs::path& path() const { return path_; }

 private:
  platform::InterruptWatch* watch_;
  int final_action_ = 0;
  fs::path path_;
};

// Sets process environment variables for the demo's lifetime and restores
// what was there before.
class ScopedVariables {
 public:
  void Set(const char* name, const std::string& value) {
    saved_.emplace_back(name, platform::GetEnvVar(name));
    platform::SetEnvVar(name, value);
  }
  ~ScopedVariables() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        platform::SetEnvVar(it->first, *it->second);
      } else {
        platform::UnsetEnvVar(it->first);
      }
    }
  }

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

struct DemoStep {
  const char* title;
  std::vector<std::string> arguments;
  int expected_exit;
  // A step that edits a local file instead of running qorv: the line
  // appended to `edit_file`, shown as the shell command that would do it.
  std::string edit_file = {};
  std::string edit_line = {};
};

// Appends the step's line to its file; false when the file cannot be
// written.
bool EditFile(const DemoStep& step, std::ostream& out) {
  out << "$ echo '" << step.edit_line << "' >> " << step.edit_file << "\n";
  std::ofstream file(step.edit_file, std::ios::binary | std::ios::app);
  file << step.edit_line << "\n";
  file.close();
  return !file.fail();
}

std::string CommandLineText(const std::vector<std::string>& arguments) {
  std::string text = "$ qorv";
  for (const std::string& argument : arguments) {
    const bool quote = argument.find_first_of(" '\"*?") != std::string::npos;
    text += " " + (quote ? "'" + argument + "'" : argument);
  }
  return text;
}

Outcome RunDemo(CommandContext& context) {
  std::ostream& out = context.io().out;
  std::string folder_error;
  DemoFolder folder(context.io().watch, &folder_error);
  if (folder.path().empty()) {
    const std::optional<std::string> variable =
        context.io().environment ? context.io().environment("TMPDIR") : std::nullopt;
    return Outcome::Failure(ExitClass::kLocalFile,
                            "demo: " + folder_error +
                                (variable ? " (TMPDIR is \"" + *variable + "\")" : std::string()));
  }
  out << "Working in " << folder.path().string() << " (removed at the end)\n";

  // The SDK's registration and its cache stay inside the demo's folder.
  ScopedVariables variables;
  variables.Set("QORV_REGISTRY", (folder.path() / "registry.reg").string());
  variables.Set("XDG_CONFIG_HOME", (folder.path() / "config").string());
  variables.Set("XDG_CACHE_HOME", (folder.path() / "cache").string());
  const std::string module =
      context.globals().module.empty() ? context.io().default_module : context.globals().module;
  const HRESULT registered = QorvRegisterModule(module.c_str());
  if (FAILED(registered)) {
    return Outcome::Internal("demo: the SDK module " + module + " cannot be registered");
  }
  out << "Registered the SDK module " << module << "\n  in the private registry "
      << (folder.path() / "registry.reg").string() << "\n";

  std::string error;
  const fs::path data = folder.path() / "data";
  if (!CreateSampleDatabase(data, &error)) {
    return Outcome::Internal("demo: the sample database cannot be created: " + error);
  }
  server::ServerConfig config;
  config.data_directory = data.string();
  server::Server server(config);
  if (!server.Start(&error)) return Outcome::Internal("demo: the server cannot start: " + error);
  const std::string address = server.address() + ":" + std::to_string(server.port());
  out << "Started a reference server on " << address << " with the sample database "
      << kSampleDatabase << "\n\nThe steps below run with\n  QORV_SERVER=" << address
      << " QORV_USER=" << kSampleUser << " QORV_DATABASE=" << kSampleDatabase
      << " QORV_PASSWORD=" << kSamplePassword << "\n";

  const fs::path local_main = folder.path() / "work" / "main.c";
  fs::create_directories(local_main.parent_path());
  std::ofstream(local_main, std::ios::binary) << SampleLatestMainText();

  const std::string project = kSampleProject;
  const fs::path got = folder.path() / "got";
  const fs::path labelled = folder.path() / "labelled";
  const std::string got_main = (got / "Game" / "src" / "main.c").string();
  const std::string labelled_main = (labelled / "Game" / "src" / "main.c").string();
  // The new project's life: its file starts as a local file of the demo.
  const std::string notes = "$/Notes";
  const std::string notes_file = notes + "/notes.txt";
  const fs::path local_notes = folder.path() / "work" / "notes.txt";
  std::ofstream(local_notes, std::ios::binary) << "Notes kept by the demo.\n";
  const fs::path mine = folder.path() / "mine";
  const fs::path fresh = folder.path() / "fresh";
  const std::string mine_notes = (mine / "notes.txt").string();
  const std::string fresh_notes = (fresh / "Notes" / "notes.txt").string();
  const std::vector<DemoStep> steps = {
      {"The databases of the server (no login needed)", {"databases"}, 0},
      {"The root project", {"ls"}, 0},
      {"The sample project with everything below it", {"ls", "-R", project}, 0},
      {"A project's general information", {"info", project}, 0},
      {"A file's general information", {"info", kSampleVersionedFile}, 0},
      {"A file's history: three versions by two users, and a label",
       {"history", kSampleVersionedFile},
       0},
      {"The project's history of bob's changes", {"history", project, "--files", "--by", "bob"}, 0},
      {"Where a shared file is shared", {"links", kSampleSharedFile}, 0},
      {"Deleted items, which recover and purge act on", {"deleted", project}, 0},
      {"How many files a project holds", {"count", project + "/src"}, 0},
      {"A project that does not exist: exit status 1", {"exists", project + "/levels"}, 0 + 1},
      {"A local copy compared with the server's latest version",
       {"compare", local_main.string(), kSampleVersionedFile},
       0},
      {"A version the server does not have: exit status 5 (the SDK reports 100 percent\n"
       "# done, drawn as a progress bar when standard error is a terminal)",
       {"compare", "-r", "9", local_main.string(), kSampleVersionedFile},
       5},
      {"The sample project with its sub-projects into a local folder (read-only files)",
       {"get", "-r", project, "-C", got.string()},
       0},
      {"The copy got equals the server's latest version",
       {"compare", got_main, kSampleVersionedFile},
       0},
      {"The project as it was at its label",
       {"get", "--label", kSampleLabel, "-r", project, "-C", labelled.string()},
       0},
      {"That main.c is an older version: exit status 1",
       {"compare", labelled_main, kSampleVersionedFile},
       1},
      {"The life of a new project. Create it", {"mkdir", "-m", "Notes of the demo", notes}, 0},
      {"Add a local file to it (the local copy becomes read-only)",
       {"add", "-m", "First notes", local_notes.string(), notes},
       0},
      {"The new project holds version 1 of the file", {"ls", notes}, 0},
      {"Get the project into another folder", {"get", notes, "-C", fresh.string()}, 0},
      {"The copy got equals the file added", {"compare", fresh_notes, notes_file}, 0},
      {"Check out the file: a writable copy of the latest version in a local folder",
       {"checkout", "-m", "More notes", notes_file, "-C", mine.string()},
       0},
      {"Edit the checked-out copy", {}, 0, mine_notes, "Changed in the demo."},
      {"Check it in: the server makes it version 2, the copy becomes read-only",
       {"checkin", "-m", "Changed in the demo", notes_file, "-C", mine.string()},
       0},
      {"Label the project as it stands", {"label", "-m", "First release", notes, "Notes 1.0"}, 0},
      {"The project's history: its creation, the file added and changed, the label",
       {"history", notes, "--files"},
       0},
      {"A get into the other folder brings the new version",
       {"get", notes, "-C", fresh.string()},
       0},
      {"Both the edited copy and the one got equal the server's latest version",
       {"compare", fresh_notes, notes_file},
       0},
      {"(the edited copy)", {"compare", mine_notes, notes_file}, 0},
      {"Delete the file: it leaves the project for its deleted items", {"rm", notes_file}, 0},
      {"The file is gone: exit status 1", {"exists", notes_file}, 1},
      {"The deleted items of the project", {"deleted", notes}, 0},
      {"Recover it", {"recover", notes_file}, 0},
      {"The file is back with its history", {"history", notes_file}, 0},
      {"The same information for scripts", {"--json", "info", kSampleBinaryFile}, 0},
      {"A refused login: exit status 4", {"--user", "bob", "--password", "wrong", "ls"}, 4},
  };

  const std::map<std::string, std::string> session = {
      {"QORV_SERVER", address},
      {"QORV_USER", kSampleUser},
      {"QORV_DATABASE", kSampleDatabase},
      {"QORV_PASSWORD", kSamplePassword},
  };
  ProgramIo nested = context.io();
  const EnvironmentLookup base = context.io().environment;
  nested.environment = [&session, base](const char* name) -> std::optional<std::string> {
    auto it = session.find(name);
    if (it != session.end()) return it->second;
    // A proxy of the user's own would not reach the demo's loopback server.
    if (std::string_view(name) == "QORV_PROXY") return std::nullopt;
    return base(name);
  };
  for (const DemoStep& step : steps) {
    if (!step.edit_file.empty()) {
      out << "\n# " << step.title << "\n";
      if (!EditFile(step, out)) {
        return Outcome::Failure(ExitClass::kLocalFile,
                                "demo: the file " + step.edit_file + " cannot be written");
      }
      continue;
    }
    out << "\n# " << step.title << "\n" << CommandLineText(step.arguments) << "\n";
    out.flush();
    const int status = RunQorv(step.arguments, context.commands(), nested);
    if (status != 0) out << "(exit status " << status << ")\n";
    if (status != step.expected_exit) {
      Outcome failed;
      failed.exit_class = static_cast<ExitClass>(status);
      failed.description = "demo: the step above ended with exit status " + std::to_string(status) +
                           " instead of " + std::to_string(step.expected_exit);
      return failed;
    }
  }
  out << "\nEvery step gave the answer it should. The server stops and " << folder.path().string()
      << " is removed now.\n"
      << "Keep a server running with: qorv serve --data DIR --sample\n";
  return Outcome::Success();
}

}  // namespace

Command DemoCommand() {
  return {
      .name = "demo",
      .summary = "Show the SDK at work against an embedded server with sample data",
      .description =
          "Starts a reference server on a free loopback port with a sample database\n"
          "(projects, text and binary files, several versions, a label, a shared\n"
          "file, a deleted file, two users), registers the SDK module in a private\n"
          "registry, and runs a short session of qorv commands against it, showing\n"
          "their results and the SDK's report lines: a look round the sample, then\n"
          "the life of a new project (create, add, get, check out, edit, check in,\n"
          "label, history, delete, recover). Everything lives in a\n"
          "temporary folder that is removed at the end, also after a failure or\n"
          "Ctrl-C.",
      .need = ServerNeed::kNone,
      .run = RunDemo,
      .json = false,
  };
}

}  // namespace qorv::cli
