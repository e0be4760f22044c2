// GetLatestProject of a generated tree (four in five files text, 1 to 64
// KiB) through the SDK module, activated by its CLSID as any caller does,
// from qorvd on loopback:
//  - the first get into an empty folder, beside the same tree copied by tar
//    over a TCP socket and fetched from an rsync daemon;
//  - the same get again with nothing changed (every local file digested and
//    compared with the server's MD5, nothing transferred), beside md5sum
//    over the tree in one process;
//  - the first get at 1,000 files (and 100,000 when asked), for how its time
//    grows with the tree.
// Every contender runs three times, in rotated order, and its best round
// counts. Each get's processor time (the SDK's and the server's) is shown
// beside its elapsed time, which swings with other work on the machine.
// Making the tree and loading it into the server is not timed; nor are the
// connection and the login of the SDK object, made fresh for every first
// get so that nothing of an earlier get is remembered.
//
//   build/release/bench/get_bench
//   QORV_BENCH_FILES=2000 build/release/bench/get_bench    the first two at 2,000 files
//   QORV_BENCH_LARGE=1 build/release/bench/get_bench       the growth up to 100,000 files
//
// Needs qorvd and libqorvsdk.so (built beside this program), tar, bash,
// python3 (the tar receiver), rsync and md5sum.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench_tools.h"
#include "bench_tree.h"
#include "peer_copies.h"
#include "platform/process.h"
#include "sdk_session.h"
#include "server_process.h"

namespace qorv::bench {
namespace {

namespace fs = std::filesystem;

constexpr char kProject[] = "$/Tree";
constexpr size_t kRounds = 3;
constexpr size_t kSmallTree = 1000;
constexpr size_t kLargeTree = 100000;

// The goals, as the most a get may take against its peer.
constexpr double kGoalPerTar = 1.3;
constexpr double kGoalPerRsync = 1.0;
constexpr double kGoalPerMd5sum = 1.2;
constexpr double kGoalGrowthPerFiles = 1.1;  // 10x the files, at most 11x the time

// A run's elapsed time, and the processor time the SDK (in this process)
// and the server used meanwhile; -1 for a peer, whose own is not read. The
// elapsed time is what the goals are about; the processor time does not
// swing with the other work on a shared machine.
struct Cost {
  double seconds = 0;
  double cpu_seconds = -1;
};

// What the runs found, printed as a table at the end.
struct Report {
  size_t files = 0;
  double megabytes = 0;
  Cost get;
  double tar_s = 0;
  double rsync_s = 0;
  Cost unchanged_get;
  double md5sum_s = 0;
  size_t files_rewritten = 0;  // by the get with nothing changed: should be none
  bool changed_file_fetched = false;
  std::map<size_t, Cost> first_get;  // by the number of files
};

// A tree of `count` files loaded into a fresh qorvd as kProject.
struct ServedTree {
  explicit ServedTree(size_t count)
      : workspace(TreeParent()),
        source(workspace.Path("tree")),
        tree(MakeTextMixTree(source, count)),
        server(QorvdPath(), workspace.Path("data")) {
    server.Import(source, kProject);
  }

  Workspace workspace;
  std::string source;
  Tree tree;
  ServerProcess server;
};

// The best time of each contender over kRounds rounds, each running all of
// them in a rotated order: a run's time depends on what the one before it
// left the machine doing, so one round alone says little on a shared
// machine. `after(name, round)` runs untimed after each run.
// Each of the two times is the best of its own.
using Contender = std::pair<std::string, std::function<Cost(size_t round)>>;
std::vector<Cost> BestOfRounds(const std::vector<Contender>& contenders,
                               const std::function<void(const std::string&, size_t)>& after) {
  std::vector<Cost> best(contenders.size(), Cost{1e30, -1});
  for (size_t round = 0; round < kRounds; ++round) {
    for (size_t k = 0; k < contenders.size(); ++k) {
      const size_t c = (k + round) % contenders.size();
      Bash("sync");  // no dirty pages left by the run before
      const Cost cost = contenders[c].second(round);
      best[c].seconds = std::min(best[c].seconds, cost.seconds);
      if (cost.cpu_seconds >= 0 &&
          (best[c].cpu_seconds < 0 || cost.cpu_seconds < best[c].cpu_seconds))
        best[c].cpu_seconds = cost.cpu_seconds;
      after(contenders[c].first, round);
    }
  }
  return best;
}

Cost PeerCost(double seconds) { return Cost{seconds, -1}; }

// The cost of `run`, an SDK call answered by `server`.
Cost Measure(const ServerProcess& server, const std::function<void()>& run) {
  const double cpu_before =
      platform::CpuSeconds(platform::CurrentProcessId()) + server.CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  run();
  Cost cost;
  cost.seconds = Seconds(std::chrono::steady_clock::now() - start);
  cost.cpu_seconds =
      platform::CpuSeconds(platform::CurrentProcessId()) + server.CpuSeconds() - cpu_before;
  return cost;
}

// A first get of the served tree into `target` (made empty here) by an SDK
// object of its own, whose registry, settings and cache go in
// `session_folder`.
Cost FirstGet(ServedTree& served, const std::string& session_folder, const std::string& target) {
  fs::create_directories(target);
  SdkSession session(QORV_BENCH_SDK_MODULE, session_folder, served.server.port());
  return Measure(served.server, [&] { session.GetLatestProject(kProject, target); });
}

// The modification time of every file of `tree` under `root`: a get that
// rewrote a file gives it a new one.
std::vector<fs::file_time_type> WriteTimes(const Tree& tree, const std::string& root) {
  std::vector<fs::file_time_type> times;
  times.reserve(tree.files.size());
  for (const std::string& file : tree.files)
    times.push_back(fs::last_write_time(root + "/" + file));
  return times;
}

// Whether a get finds a local file whose content changed while its size,
// time stamp and read-only mode stayed: only a digest of it tells, so a get
// that passes over files by their time stamps leaves it as it is.
bool FetchesChangedContent(SdkSession& session, const ServedTree& served, const std::string& copy) {
  const std::string file = copy + "/" + served.tree.files[served.tree.files.size() / 2];
  const fs::file_time_type written = fs::last_write_time(file);
  const uint64_t size = fs::file_size(file);
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const std::string other(size, 'x');
    out.write(other.data(), static_cast<std::streamsize>(other.size()));
    Check(out.good(), "cannot change " + file);
  }
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
  fs::last_write_time(file, written);
  session.GetLatestProject(kProject, copy);
  return SameContent(file, served.source + "/" + served.tree.files[served.tree.files.size() / 2]);
}

void FirstAndUnchangedGet(benchmark::State& state, Report& report) {
  const size_t count = FromEnvironment("QORV_BENCH_FILES", 10000);
  for (auto _ : state) {
    ServedTree served(count);
    const std::string& source = served.source;
    Workspace& workspace = served.workspace;
    auto target = [&](const std::string& name, size_t round) {
      // Fresh folders, removed only with the workspace: a folder freed just
      // before would make the next copy's file creation slower.
      return workspace.Path(name + std::to_string(round));
    };
    const std::vector<Cost> first = BestOfRounds(
        {
            {"get",
             [&](size_t round) {
               return FirstGet(served, target("sdk", round), target("get", round));
             }},
            {"tar",
             [&](size_t round) { return PeerCost(TarOverTcp(source, target("tar", round))); }},
            {"rsync",
             [&](size_t round) {
               return PeerCost(RsyncFirstCopy(workspace.Path(""), source, target("rsync", round)));
             }},
        },
        [&](const std::string& name, size_t round) {
          if (round == 0) CheckCopy(served.tree, source, target(name, round), name);
        });

    // The same get again into the first round's folder, by an SDK object
    // over that get's settings and cache, as the same user's next run.
    const std::string copy = target("get", 0);
    const std::vector<fs::file_time_type> written = WriteTimes(served.tree, copy);
    SdkSession session(QORV_BENCH_SDK_MODULE, target("sdk", 0), served.server.port());
    const std::vector<Cost> again = BestOfRounds(
        {
            {"get",
             [&](size_t) {
               return Measure(served.server, [&] { session.GetLatestProject(kProject, copy); });
             }},
            {"md5sum", [&](size_t) { return PeerCost(Md5sumFiles(copy, served.tree.files)); }},
        },
        [](const std::string&, size_t) {});
    const std::vector<fs::file_time_type> after = WriteTimes(served.tree, copy);
    for (size_t i = 0; i < after.size(); ++i) report.files_rewritten += after[i] != written[i];
    report.changed_file_fetched = FetchesChangedContent(session, served, copy);

    report.files = count;
    report.megabytes = static_cast<double>(served.tree.bytes) / 1e6;
    report.get = first[0];
    report.tar_s = first[1].seconds;
    report.rsync_s = first[2].seconds;
    report.unchanged_get = again[0];
    report.md5sum_s = again[1].seconds;
    report.first_get[count] = first[0];

    state.SetIterationTime(first[0].seconds);
    state.counters["files"] = static_cast<double>(count);
    state.counters["MB"] = report.megabytes;
    state.counters["get_s"] = first[0].seconds;
    state.counters["get_cpu_s"] = first[0].cpu_seconds;
    state.counters["tar_tcp_s"] = report.tar_s;
    state.counters["rsync_s"] = report.rsync_s;
    state.counters["unchanged_get_s"] = again[0].seconds;
    state.counters["unchanged_get_cpu_s"] = again[0].cpu_seconds;
    state.counters["md5sum_s"] = report.md5sum_s;
  }
}

// The first get alone at `count` files; each round's copy is checked (the
// first) and removed before the next, which keeps 100,000 files in memory
// three times at most (tree, store, copy).
void FirstGetAt(benchmark::State& state, Report& report, size_t count) {
  for (auto _ : state) {
    ServedTree served(count);
    auto target = [&](size_t round) {
      return served.workspace.Path("get" + std::to_string(round));
    };
    const std::vector<Cost> best = BestOfRounds(
        {{"get",
          [&](size_t round) {
            return FirstGet(served, served.workspace.Path("sdk" + std::to_string(round)),
                            target(round));
          }}},
        [&](const std::string& name, size_t round) {
          if (round == 0) CheckCopy(served.tree, served.source, target(round), name);
          fs::remove_all(target(round));
        });
    report.first_get[count] = best[0];
    state.SetIterationTime(best[0].seconds);
    state.counters["get_cpu_s"] = best[0].cpu_seconds;
    state.counters["files"] = static_cast<double>(count);
    state.counters["MB"] = static_cast<double>(served.tree.bytes) / 1e6;
  }
}

// Runs `body`; a failure ends the benchmark with its text, after the
// workspace of the failed run has been removed.
void Guarded(benchmark::State& state, const std::function<void()>& body) {
  try {
    body();
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

std::string Verdict(double ratio, double goal) { return ratio <= goal ? "met" : "NOT met"; }

// 100000 as "100,000".
std::string Grouped(size_t number) {
  const std::string digits = std::to_string(number);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped.push_back(',');
    grouped.push_back(digits[i]);
  }
  return grouped;
}

void PrintHeading(const std::string& title, const char* ratio) {
  std::printf("\n%-46s %8s %8s %9s %9s %9s\n", title.c_str(), "seconds", ratio, "goal", "",
              "cpu s");
}

// One line: a figure, and when `goal` is given its ratio against the goal;
// the processor time and its ratio when they are known.
void PrintLine(const std::string& what, double seconds, double ratio = 0, double goal = 0,
               double cpu_seconds = -1, double cpu_ratio = 0) {
  std::printf("  %-44s %8.3f", what.c_str(), seconds);
  if (goal > 0) {
    std::printf(" %7.2fx  <= %4.1fx  %-8s", ratio, goal, Verdict(ratio, goal).c_str());
  } else {
    std::printf(" %29s", "");
  }
  if (cpu_seconds >= 0) std::printf(" %9.3f", cpu_seconds);
  if (cpu_ratio > 0) std::printf(" %6.2fx", cpu_ratio);
  std::printf("\n");
}

void PrintReport(const Report& report) {
  std::printf("\nGetLatestProject from qorvd on loopback, the best of %zu rounds each\n", kRounds);
  std::printf("(cpu s: the processor time of the SDK and the server together)\n");
  if (report.files > 0) {
    PrintHeading("(a) first get, " + Grouped(report.files) + " files, " +
                     std::to_string(static_cast<int>(report.megabytes + 0.5)) + " MB",
                 "get/peer");
    PrintLine("GetLatestProject into an empty folder", report.get.seconds, 0, 0,
              report.get.cpu_seconds);
    PrintLine("tar over a TCP socket", report.tar_s, report.get.seconds / report.tar_s,
              kGoalPerTar);
    PrintLine("rsync daemon, first copy", report.rsync_s, report.get.seconds / report.rsync_s,
              kGoalPerRsync);
    PrintHeading("(b) the same get again, nothing changed", "get/peer");
    PrintLine("GetLatestProject, every local file digested", report.unchanged_get.seconds, 0, 0,
              report.unchanged_get.cpu_seconds);
    PrintLine("md5sum over the tree, one process", report.md5sum_s,
              report.unchanged_get.seconds / report.md5sum_s, kGoalPerMd5sum);
    std::printf("  files the unchanged get rewrote: %zu (should be none)\n",
                report.files_rewritten);
    std::printf("  a file changed with its size and time stamp kept: %s\n",
                report.changed_file_fetched ? "fetched again" : "NOT fetched (not digested)");
  }
  if (report.first_get.size() > 1) {
    PrintHeading("(c) first get by the size of the tree", "growth");
    const std::pair<const size_t, Cost>* before = nullptr;
    for (const auto& entry : report.first_get) {
      const std::string what = Grouped(entry.first) + " files";
      const Cost& cost = entry.second;
      if (before == nullptr) {
        PrintLine(what, cost.seconds, 0, 0, cost.cpu_seconds);
      } else {
        const double files = static_cast<double>(entry.first) / static_cast<double>(before->first);
        const double cpu_ratio =
            before->second.cpu_seconds > 0 ? cost.cpu_seconds / before->second.cpu_seconds : 0;
        PrintLine(what, cost.seconds, cost.seconds / before->second.seconds,
                  kGoalGrowthPerFiles * files, cost.cpu_seconds, cpu_ratio);
      }
      before = &entry;
    }
  }
  if (report.files == 0 && report.first_get.empty()) std::printf("  (no figures: see above)\n");
  std::fflush(stdout);
}

}  // namespace
}  // namespace qorv::bench

int main(int argc, char** argv) {
  using qorv::bench::Report;
  Report report;
  benchmark::RegisterBenchmark(
      "BM_FirstAndUnchangedGet",
      [&report](benchmark::State& state) {
        qorv::bench::Guarded(state, [&] { qorv::bench::FirstAndUnchangedGet(state, report); });
      })
      ->Iterations(1)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  std::vector<size_t> sizes = {qorv::bench::kSmallTree};
  if (qorv::bench::FromEnvironment("QORV_BENCH_LARGE", 0) != 0) {
    sizes.push_back(qorv::bench::kLargeTree);
  }
  for (size_t count : sizes) {
    benchmark::RegisterBenchmark(
        ("BM_FirstGet/" + std::to_string(count)).c_str(),
        [&report, count](benchmark::State& state) {
          qorv::bench::Guarded(state, [&] { qorv::bench::FirstGetAt(state, report, count); });
        })
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  qorv::bench::PrintReport(report);
  return 0;
}
