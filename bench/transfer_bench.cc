// File transfer on loopback: a generated tree fetched from qorvd through the
// request engine (get requests of 500 files, bodies on the transfer
// connections), beside the same tree copied by tar over a TCP socket and
// fetched from an rsync daemon, in the same run; then one large file sent
// up and fetched back while the peak resident memory of client and server
// is read.
//
//   build/release/bench/transfer_bench
// The tree's copies run three times each in rotated order and the best of
// each is compared.
//   QORV_BENCH_FILES=2000 QORV_BENCH_BIG_MB=256 build/release/bench/transfer_bench
//
// Needs qorvd (built beside this program), tar, bash, python3 (the tar
// receiver) and rsync on the PATH.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "local/file_layer.h"
#include "platform/captured_program.h"
#include "platform/process.h"
#include "platform/socket.h"
#include "protocol/multi_step_requests.h"
#include "protocol/operation_driver.h"
#include "protocol/request_engine.h"
#include "transfer/file_transfer_manager.h"

namespace qorv {
namespace {

namespace fs = std::filesystem;

constexpr char kUser[] = "bench";
constexpr char kPassword[] = "bench-password";
constexpr char kDatabase[] = "Main";
constexpr size_t kFilesPerFolder = 100;
constexpr size_t kFilesPerRequest = 500;  // what a get operation asks for at once
constexpr int kProgramTimeoutMs = 30 * 60 * 1000;
constexpr size_t kRounds = 3;

size_t FromEnvironment(const char* name, size_t fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::strtoull(value, nullptr, 10) : fallback;
}

double Seconds(std::chrono::steady_clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

void Check(bool condition, const std::string& what) {
  if (!condition) throw std::runtime_error(what);
}

// Runs a program to its end; its output is returned, a failure throws.
std::string RunProgram(const std::string& path, const std::vector<std::string>& arguments) {
  platform::CapturedProgram program;
  Check(program.Start(path, arguments, {}, "") == 0, "cannot start " + path);
  int exit_code = -1;
  Check(program.Finish(kProgramTimeoutMs, &exit_code) && exit_code == 0,
        path + " failed: " + program.err());
  return program.out();
}

std::string Bash(const std::string& command) { return RunProgram("/bin/bash", {"-c", command}); }

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// A folder of its own under `parent`, removed at the end.
class Workspace {
 public:
  explicit Workspace(const fs::path& parent) {
    std::random_device random;
    root_ = parent / ("qorv-transfer-bench-" + std::to_string(random()));
    fs::create_directories(root_);
  }
  ~Workspace() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  std::string Path(const std::string& name) const { return (root_ / name).string(); }

 private:
  fs::path root_;
};

// Writes `size` pseudo-random bytes (they do not compress, like most bodies
// that matter for speed).
void WriteRandomFile(const std::string& path, uint64_t size, std::mt19937_64& random) {
  std::ofstream out(path, std::ios::binary);
  std::vector<uint64_t> block(8192);
  while (size > 0) {
    for (uint64_t& word : block) word = random();
    const uint64_t piece = std::min<uint64_t>(size, block.size() * sizeof(uint64_t));
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(piece));
    size -= piece;
  }
  Check(out.good(), "cannot write " + path);
}

// `prefix` + `number` with leading zeros to `width` digits.
std::string Padded(const std::string& prefix, size_t number, size_t width) {
  std::string digits = std::to_string(number);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return prefix + digits;
}

struct Tree {
  std::vector<std::string> files;  // relative paths, "d000/f00000.bin"
  uint64_t bytes = 0;
};

// `count` files of 1 to 64 KiB in folders of 100.
Tree MakeTree(const std::string& root, size_t count) {
  Tree tree;
  std::mt19937_64 random(20261207);
  std::uniform_int_distribution<uint64_t> size(1024, 64 * 1024);
  for (size_t i = 0; i < count; ++i) {
    const std::string folder = Padded("d", i / kFilesPerFolder, 3);
    fs::create_directories(root + "/" + folder);
    const std::string relative = folder + "/" + Padded("f", i, 5) + ".bin";
    const uint64_t bytes = size(random);
    WriteRandomFile(root + "/" + relative, bytes, random);
    tree.files.push_back(relative);
    tree.bytes += bytes;
  }
  return tree;
}

bool SameContent(const std::string& a, const std::string& b) {
  std::ifstream left(a, std::ios::binary);
  std::ifstream right(b, std::ios::binary);
  std::vector<char> x(1 << 16);
  std::vector<char> y(1 << 16);
  while (left && right) {
    left.read(x.data(), static_cast<std::streamsize>(x.size()));
    right.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (left.gcount() != right.gcount() ||
        !std::equal(x.begin(), x.begin() + left.gcount(), y.begin())) {
      return false;
    }
  }
  return left.eof() && right.eof();
}

void CheckCopy(const Tree& tree, const std::string& source, const std::string& copy,
               const std::string& how) {
  for (const std::string& file : tree.files) {
    Check(SameContent(source + "/" + file, copy + "/" + file), how + ": " + file + " differs");
  }
}

uint16_t FreeLoopbackPort() {
  platform::SocketHandle socket = platform::ListenOn("127.0.0.1", 0, 1);
  Check(socket != platform::kInvalidSocket, "no free port");
  const uint16_t port = platform::LocalPort(socket);
  platform::CloseSocket(socket);
  return port;
}

// The reference server as its users run it: a separate qorvd process on a
// free loopback port over a data directory made with `qorvd admin`.
class ServerProcess {
 public:
  ServerProcess(const std::string& qorvd, const std::string& data) : qorvd_(qorvd), data_(data) {
    RunProgram(qorvd_, {"admin", "create-db", "--data", data_, "--db", kDatabase});
    RunProgram(qorvd_, {"admin", "add-user", "--data", data_, "--db", kDatabase, "--user", kUser,
                        "--password", kPassword});
    Check(program_.Start(qorvd_, {"--data", data_, "--port", "0"}, {}, "") == 0,
          "cannot start qorvd");
    Check(program_.WaitForOutput("listening on", 20000), "qorvd did not start: " + program_.err());
    const std::string& out = program_.out();
    const size_t colon = out.rfind(':', out.find('\n', out.find("listening on")));
    port_ = static_cast<uint16_t>(std::stoi(out.substr(colon + 1)));
  }
  ~ServerProcess() {
    program_.Terminate();
    int exit_code = 0;
    program_.Finish(10000, &exit_code);
  }

  void Import(const std::string& folder, const std::string& project) {
    RunProgram(qorvd_, {"admin", "import", "--data", data_, "--db", kDatabase, "--folder", folder,
                        "--project", project});
  }
  uint16_t port() const { return port_; }
  uint64_t PeakResidentBytes() const { return platform::PeakResidentBytes(program_.process_id()); }

 private:
  std::string qorvd_;
  std::string data_;
  platform::CapturedProgram program_;
  uint16_t port_ = 0;
};

class NoEvents : public DriverOwner {
 public:
  void RaiseEvent(SdkEvent) override {}
};

// The client: a request engine with the file-transfer manager, logged in.
class Client {
 public:
  explicit Client(uint16_t port)
      : driver_(&events_),
        engine_(driver_, nullptr, nullptr,
                std::make_unique<CFileTransferManager>(CFileTransferManager::PlainConnection,
                                                       FileLayer::Shared(), false)) {
    ConnectSettings settings;
    settings.server_host = "127.0.0.1";
    settings.server_port = port;
    RequestStatus status;
    bool connected = false;
    int32_t mode = 0;
    Check(engine_.ConnectToServer(settings, &status, &connected, &mode) == 0,
          "connect: " + status.description);
    bool must_change = false;
    int32_t expire_days = 0;
    Check(engine_.Login(kUser, kPassword, kDatabase, ChannelKey{}, &status, &must_change,
                        &expire_days) == 0,
          "login: " + status.description);
  }

  // Fetches `project`/<file> into `folder`/<file>, kFilesPerRequest at a time.
  void Get(const std::string& project, const std::vector<std::string>& files,
           const std::string& folder) {
    for (size_t start = 0; start < files.size(); start += kFilesPerRequest) {
      GetFilesRequest request;
      const size_t end = std::min(files.size(), start + kFilesPerRequest);
      for (size_t i = start; i < end; ++i) {
        GetFileRecord record;
        record.server_path = project + "/" + files[i];
        record.local_file_name = folder + "/" + files[i];
        record.name = files[i];
        record.index = static_cast<int32_t>(i - start);
        request.files.push_back(std::move(record));
      }
      RequestStatus status;
      Check(GetFiles(engine_, request, &status) == 0, "get: " + status.description);
      for (const GetFileRecord& record : request.files) {
        Check(record.status == 0, "get " + record.name + ": " + record.description);
      }
    }
  }

  void Add(const std::string& project, const std::string& local_file) {
    AddFilesRequest request;
    AddFileRecord record;
    record.local_file_name = local_file;
    record.name = fs::path(local_file).filename().string();
    record.server_path = project + "/" + record.name;
    record.file_type = 1;  // Enum_Binary
    request.files.push_back(record);
    RequestStatus status;
    Check(AddFiles(engine_, request, &status) == 0, "add: " + status.description);
    Check(request.files[0].status == 0, "add: " + request.files[0].description);
  }

 private:
  NoEvents events_;
  OperationDriver driver_;
  CRequestEngine engine_;
};

// The folders of `files` made under `root` (a get writes into existing
// working folders; making them is the operation's part, not the transfer's).
void MakeFolders(const std::string& root, const std::vector<std::string>& files) {
  for (const std::string& file : files)
    fs::create_directories(fs::path(root + "/" + file).parent_path());
}

double TarOverTcp(const std::string& source, const std::string& target) {
  fs::create_directories(target);
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

double RsyncFirstCopy(const std::string& workspace, const std::string& source,
                      const std::string& target) {
  const uint16_t port = FreeLoopbackPort();
  const std::string config = workspace + "/rsyncd.conf";
  {
    std::ofstream out(config);
    out << "use chroot = no\n[tree]\n  path = " << source << "\n  read only = yes\n";
  }
  platform::CapturedProgram daemon;
  Check(daemon.Start("/usr/bin/rsync",
                     {"--daemon", "--no-detach", "--address", "127.0.0.1", "--port",
                      std::to_string(port), "--config", config},
                     {}, "") == 0,
        "cannot start the rsync daemon");
  const std::string url = "rsync://127.0.0.1:" + std::to_string(port) + "/tree/";
  // Ready once it lists its module.
  for (int attempt = 0;; ++attempt) {
    platform::CapturedProgram probe;
    int exit_code = -1;
    if (probe.Start("/usr/bin/rsync", {"rsync://127.0.0.1:" + std::to_string(port) + "/"}, {},
                    "") == 0 &&
        probe.Finish(5000, &exit_code) && exit_code == 0) {
      break;
    }
    Check(attempt < 100, "the rsync daemon did not start");
    platform::SleepMs(100);
  }
  const auto start = std::chrono::steady_clock::now();
  RunProgram("/usr/bin/rsync", {"-a", url, target + "/"});
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  daemon.Terminate();
  int exit_code = 0;
  daemon.Finish(10000, &exit_code);
  return seconds;
}

std::string QorvdPath() {
  // Built beside this program: build/<preset>/bench/ and build/<preset>/server/.
  return (fs::canonical("/proc/self/exe").parent_path().parent_path() / "server" / "qorvd")
      .string();
}

// Where the tree and its copies go: QORV_BENCH_TREE_DIR, else /dev/shm
// when it is there. On a memory file system the copies compare the
// transfer stacks themselves; on a disk, the time to create 10,000 files
// swings several-fold with what the file system last did (recently freed
// inodes, write-back) and drowns the difference.
fs::path TreeParent() {
  if (const char* chosen = std::getenv("QORV_BENCH_TREE_DIR"); chosen != nullptr && *chosen) {
    return chosen;
  }
  std::error_code error;
  if (fs::is_directory("/dev/shm", error)) return "/dev/shm";
  return fs::temp_directory_path();
}

void BM_TreeFromServerBesideTarAndRsync(benchmark::State& state) {
  const size_t count = FromEnvironment("QORV_BENCH_FILES", 10000);
  for (auto _ : state) {
    Workspace workspace(TreeParent());
    const std::string source = workspace.Path("tree");
    const Tree tree = MakeTree(source, count);
    ServerProcess server(QorvdPath(), workspace.Path("data"));
    server.Import(source, "$/Tree");

    Client client(server.port());
    // Three rounds, each running the three copies in a rotated order into
    // fresh folders; each contender's best round counts. A copy's time
    // depends on what the disk and the file system were left doing by the
    // one before it (write-back, recently freed inodes), so one round alone
    // says little on a shared machine.
    using Copy = std::function<double(const std::string& target)>;
    const std::vector<std::pair<std::string, Copy>> copies = {
        {"engine",
         [&](const std::string& target) {
           MakeFolders(target, tree.files);
           const auto start = std::chrono::steady_clock::now();
           client.Get("$/Tree", tree.files, target);
           return Seconds(std::chrono::steady_clock::now() - start);
         }},
        {"tar", [&](const std::string& target) { return TarOverTcp(source, target); }},
        {"rsync",
         [&](const std::string& target) {
           return RsyncFirstCopy(workspace.Path(""), source, target);
         }},
    };
    std::vector<double> best(copies.size(), 1e30);
    for (size_t round = 0; round < kRounds; ++round) {
      for (size_t k = 0; k < copies.size(); ++k) {
        const size_t c = (k + round) % copies.size();
        // Fresh folders, removed only with the workspace: a folder freed
        // just before would make the next copy's file creation slower.
        const std::string target = workspace.Path(copies[c].first + std::to_string(round));
        Bash("sync");  // no dirty pages left by the copy before
        best[c] = std::min(best[c], copies[c].second(target));
        if (round == 0) CheckCopy(tree, source, target, copies[c].first);
      }
    }
    const double engine_seconds = best[0];
    const double tar_seconds = best[1];
    const double rsync_seconds = best[2];

    state.SetIterationTime(engine_seconds);
    state.counters["files"] = static_cast<double>(count);
    state.counters["MB"] = static_cast<double>(tree.bytes) / 1e6;
    state.counters["engine_s"] = engine_seconds;
    state.counters["tar_tcp_s"] = tar_seconds;
    state.counters["rsync_s"] = rsync_seconds;
    state.counters["engine_per_tar"] = engine_seconds / tar_seconds;
    state.counters["engine_per_rsync"] = engine_seconds / rsync_seconds;
  }
}
BENCHMARK(BM_TreeFromServerBesideTarAndRsync)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_OneLargeFileUpAndDown(benchmark::State& state) {
  const uint64_t megabytes = FromEnvironment("QORV_BENCH_BIG_MB", 1024);
  for (auto _ : state) {
    Workspace workspace(fs::temp_directory_path());
    const std::string big = workspace.Path("big.bin");
    std::mt19937_64 random(7);
    WriteRandomFile(big, megabytes << 20, random);
    ServerProcess server(QorvdPath(), workspace.Path("data"));
    fs::create_directories(workspace.Path("empty"));
    RunProgram(QorvdPath(), {"admin", "import", "--data", workspace.Path("data"), "--db", kDatabase,
                             "--folder", workspace.Path("empty"), "--project", "$/Big"});
    const uint64_t client_before = platform::PeakResidentBytes(platform::CurrentProcessId());

    Client client(server.port());
    const auto start = std::chrono::steady_clock::now();
    client.Add("$/Big", big);
    const std::string back = workspace.Path("back");
    fs::create_directories(back);
    client.Get("$/Big", {"big.bin"}, back);
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    Check(SameContent(big, back + "/big.bin"), "the large file came back different");

    state.SetIterationTime(seconds);
    state.counters["MB"] = static_cast<double>(megabytes);
    state.counters["client_peak_MB_before"] = static_cast<double>(client_before) / 1e6;
    state.counters["client_peak_MB"] =
        static_cast<double>(platform::PeakResidentBytes(platform::CurrentProcessId())) / 1e6;
    state.counters["server_peak_MB"] = static_cast<double>(server.PeakResidentBytes()) / 1e6;
  }
}
BENCHMARK(BM_OneLargeFileUpAndDown)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qorv

BENCHMARK_MAIN();
