#include "peer_copies.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "bench_tools.h"
#include "platform/captured_program.h"
#include "platform/process.h"
#include "platform/socket.h"

namespace qorv::bench {

uint16_t FreeLoopbackPort() {
  platform::SocketHandle socket = platform::ListenOn("127.0.0.1", 0, 1);
  Check(socket != platform::kInvalidSocket, "no free port");
  const uint16_t port = platform::LocalPort(socket);
  platform::CloseSocket(socket);
  return port;
}

double TarOverTcp(const std::string& source, const std::string& target) {
  std::filesystem::create_directories(target);
  const uint16_t port = FreeLoopbackPort();
  // The receiving end: a socket accepted by python3, streamed into tar.
  const std::string receiver =
      "python3 -c 'import socket,shutil,sys\n"
      "s=socket.create_server((\"127.0.0.1\"," +
      std::to_string(port) +
      "))\n"
      "print(\"ready\",file=sys.stderr,flush=True)\n"
      "c,_=s.accept()\n"
      "shutil.copyfileobj(c.makefile(\"rb\"),sys.stdout.buffer,1<<20)' | tar -C " +
      Quoted(target) + " -xf -";
  platform::CapturedProgram receiving;
  Check(receiving.Start("/bin/bash", {"-c", receiver}, {}, "") == 0, "cannot start tar receiver");
  Check(receiving.WaitForOutput("ready", 20000), "tar receiver: " + receiving.err());
  const auto start = std::chrono::steady_clock::now();
  Bash("tar -C " + Quoted(source) + " -cf - . > /dev/tcp/127.0.0.1/" + std::to_string(port));
  int exit_code = -1;
  Check(receiving.Finish(kProgramTimeoutMs, &exit_code) && exit_code == 0,
        "tar receiver failed: " + receiving.err());
  return Seconds(std::chrono::steady_clock::now() - start);
}

namespace {

// An rsync daemon serving `source` as module "tree" on a free loopback port,
// stopped at the end of the scope.
class RsyncDaemon {
 public:
  RsyncDaemon(const std::string& workspace, const std::string& source) : port_(FreeLoopbackPort()) {
    const std::string config = workspace + "/rsyncd.conf";
    {
      std::ofstream out(config);
      out << "use chroot = no\n[tree]\n  path = " << source << "\n  read only = yes\n";
    }
    Check(daemon_.Start("/usr/bin/rsync",
                        {"--daemon", "--no-detach", "--address", "127.0.0.1", "--port",
                         std::to_string(port_), "--config", config},
                        {}, "") == 0,
          "cannot start the rsync daemon");
    // Ready once it lists its module.
    for (int attempt = 0;; ++attempt) {
      platform::CapturedProgram probe;
      int exit_code = -1;
      if (probe.Start("/usr/bin/rsync", {"rsync://127.0.0.1:" + std::to_string(port_) + "/"}, {},
                      "") == 0 &&
          probe.Finish(5000, &exit_code) && exit_code == 0) {
        break;
      }
      Check(attempt < 100, "the rsync daemon did not start");
      platform::SleepMs(100);
    }
  }
  ~RsyncDaemon() {
    daemon_.Terminate();
    int exit_code = 0;
    daemon_.Finish(10000, &exit_code);
  }
  std::string url() const { return "rsync://127.0.0.1:" + std::to_string(port_) + "/tree/"; }

 private:
  uint16_t port_;
  platform::CapturedProgram daemon_;
};

// The number after `label` in rsync's --stats output, its thousands
// separators dropped.
uint64_t StatsFigure(const std::string& output, const std::string& label) {
  const size_t at = output.find(label);
  Check(at != std::string::npos, "rsync --stats without \"" + label + "\"");
  uint64_t value = 0;
  for (size_t i = at + label.size(); i < output.size(); ++i) {
    const char c = output[i];
    if (c >= '0' && c <= '9') {
      value = value * 10 + static_cast<uint64_t>(c - '0');
    } else if (c != ',' && c != ' ' && c != '.') {
      break;
    }
  }
  return value;
}

}  // namespace

double RsyncFirstCopy(const std::string& workspace, const std::string& source,
                      const std::string& target) {
  RsyncDaemon daemon(workspace, source);
  const auto start = std::chrono::steady_clock::now();
  RunProgram("/usr/bin/rsync", {"-a", daemon.url(), target + "/"});
  return Seconds(std::chrono::steady_clock::now() - start);
}

double RsyncDeltaCopy(const std::string& workspace, const std::string& source,
                      const std::string& file_name, const std::string& target_file,
                      uint64_t* received) {
  RsyncDaemon daemon(workspace, source);
  const auto start = std::chrono::steady_clock::now();
  const std::string output =
      RunProgram("/usr/bin/rsync", {"-a", "--ignore-times", "--stats", "--checksum-choice=md4",
                                    daemon.url() + file_name, target_file});
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  *received = StatsFigure(output, "Total bytes received:");
  return seconds;
}

double Md5sumFiles(const std::string& root, const std::vector<std::string>& files) {
  std::vector<std::string> paths;
  paths.reserve(files.size());
  for (const std::string& file : files) paths.push_back(root + "/" + file);
  const auto start = std::chrono::steady_clock::now();
  const std::string digests = RunProgram("/usr/bin/md5sum", paths);
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  Check(std::count(digests.begin(), digests.end(), '\n') == static_cast<long>(files.size()),
        "md5sum did not digest every file");
  return seconds;
}

}  // namespace qorv::bench
