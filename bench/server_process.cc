#include "server_process.h"

#include <filesystem>

#include "bench_tools.h"
#include "platform/process.h"

namespace qorv::bench {

std::string QorvdPath() { return (ProgramFolder().parent_path() / "server" / "qorvd").string(); }

ServerProcess::ServerProcess(const std::string& qorvd, const std::string& data,
                             const std::vector<std::string>& options,
                             const std::vector<std::string>& user_options)
    : qorvd_(qorvd), data_(data) {
  if (!std::filesystem::exists(data_)) {
    RunProgram(qorvd_, {"admin", "create-db", "--data", data_, "--db", kDatabase});
    std::vector<std::string> add_user = {"admin",   "add-user", "--data", data_,        "--db",
                                         kDatabase, "--user",   kUser,    "--password", kPassword};
    add_user.insert(add_user.end(), user_options.begin(), user_options.end());
    RunProgram(qorvd_, add_user);
  }
  std::vector<std::string> arguments = {"--data", data_, "--port", "0"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  Check(program_.Start(qorvd_, arguments, {}, "") == 0, "cannot start qorvd");
  Check(program_.WaitForOutput("listening on", 20000), "qorvd did not start: " + program_.err());
  const std::string& out = program_.out();
  const size_t colon = out.rfind(':', out.find('\n', out.find("listening on")));
  port_ = static_cast<uint16_t>(std::stoi(out.substr(colon + 1)));
}

ServerProcess::~ServerProcess() {
  if (stopped_) return;
  program_.Terminate();
  int exit_code = 0;
  program_.Finish(10000, &exit_code);
}

void ServerProcess::Import(const std::string& folder, const std::string& project) {
  RunProgram(qorvd_, {"admin", "import", "--data", data_, "--db", kDatabase, "--folder", folder,
                      "--project", project});
}

uint64_t ServerProcess::ResidentBytes() const {
  return platform::ResidentBytes(program_.process_id());
}

bool ServerProcess::Stop() {
  stopped_ = true;
  program_.Terminate();
  int exit_code = -1;
  return program_.Finish(30000, &exit_code) && exit_code == 0;
}

uint64_t ServerProcess::PeakResidentBytes() const {
  return platform::PeakResidentBytes(program_.process_id());
}

double ServerProcess::CpuSeconds() const { return platform::CpuSeconds(program_.process_id()); }

}  // namespace qorv::bench
