// Running the built qorv as a script would: in a fresh temporary folder that
// holds its registry and configuration, with its output and exit status
// captured.
#ifndef QORV_TESTS_CLI_QORV_PROGRAM_H_
#define QORV_TESTS_CLI_QORV_PROGRAM_H_

#include <string>
#include <vector>

#include "platform/captured_program.h"
#include "support/scoped_temp.h"

namespace qorv::cli {

struct QorvRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// One temporary home for the runs of a test: the registry file qorv
// activates the SDK through and the configuration folder (the SDK's cache
// lives there), both removed with the folder.
class QorvSandbox {
 public:
  QorvSandbox() : registry_(folder_.Child("registry.reg")) {}

  const std::string& registry() const { return registry_; }
  std::string Child(const std::string& name) const { return folder_.Child(name); }

  platform::EnvironmentChanges Environment(platform::EnvironmentChanges extra = {}) const {
    platform::EnvironmentChanges changes = {
        {"QORV_REGISTRY", registry_},
        {"XDG_CONFIG_HOME", folder_.Child("config")},
        {"XDG_CACHE_HOME", folder_.Child("cache")},
        {"QORV_SERVER", std::nullopt},
        {"QORV_USER", std::nullopt},
        {"QORV_DATABASE", std::nullopt},
        {"QORV_PASSWORD", std::nullopt},
        {"QORV_PROXY", std::nullopt},
        {"QORV_MODULE", std::nullopt},
        {"QORV_KEY_FILES", std::nullopt},
        {"QORV_CA_FILE", std::nullopt},
        {"QORV_TIMEOUT", std::nullopt},
    };
    changes.insert(changes.end(), extra.begin(), extra.end());
    return changes;
  }

  // Runs qorv to its end (at most a minute).
  QorvRun Run(const std::vector<std::string>& arguments, platform::EnvironmentChanges extra = {},
              const std::string& input = "") const {
    return RunProgram(QORV_TEST_QORV_PATH, arguments, std::move(extra), input);
  }

  // Runs another program of this project (qorvreg) the same way.
  QorvRun RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                     platform::EnvironmentChanges extra = {}, const std::string& input = "") const {
    platform::CapturedProgram program;
    QorvRun run;
    if (program.Start(path, arguments, Environment(std::move(extra)), input) != 0) {
      return run;
    }
    program.Finish(60000, &run.exit_code);
    run.out = program.out();
    run.err = program.err();
    return run;
  }

  // Runs qorv with its standard output sent to `file` (such as /dev/full)
  // by the shell.
  QorvRun RunWithOutputTo(const std::string& file, const std::vector<std::string>& arguments,
                          platform::EnvironmentChanges extra = {}) const {
    std::vector<std::string> shell = {"-c", "exec \"$0\" \"$@\" > '" + file + "'",
                                      QORV_TEST_QORV_PATH};
    shell.insert(shell.end(), arguments.begin(), arguments.end());
    platform::CapturedProgram program;
    QorvRun run;
    if (program.Start("/bin/sh", shell, Environment(std::move(extra)), "") != 0) return run;
    program.Finish(60000, &run.exit_code);
    run.out = program.out();
    run.err = program.err();
    return run;
  }

 private:
  testing::ScopedTempFolder folder_;
  std::string registry_;
};

}  // namespace qorv::cli

#endif  // QORV_TESTS_CLI_QORV_PROGRAM_H_
