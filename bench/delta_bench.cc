// One large file brought up to date through the SDK with deltas on (size
// mode 1, delta allowed), beside an rsync daemon doing the same: a file of
// 100 MB of which 1% changed in 100 scattered places, the older version
// already in the target folder. For each: the bytes the server sent its
// client on the wire (ours counted by a relay between the SDK and qorvd,
// every connection included; rsync's by its --stats) and the elapsed time,
// the best of three rounds in rotated order. The new file must land byte for
// byte.
//
//   build/release/bench/delta_bench
//   QORV_BENCH_DELTA_BYTES=20000000 build/release/bench/delta_bench    a 20 MB file
//
// Needs qorvd and libqorvsdk.so (built beside this program) and rsync; skips
// with a message without rsync.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "bench_tools.h"
#include "counting_relay.h"
#include "peer_copies.h"
#include "sdk_session.h"
#include "server_process.h"

namespace qorv::bench {
namespace {

namespace fs = std::filesystem;

constexpr char kRsync[] = "/usr/bin/rsync";
constexpr char kFileName[] = "big.bin";
constexpr size_t kRounds = 3;
constexpr size_t kChangedPlaces = 100;
// The goals: our bytes and time at most these multiples of rsync's.
constexpr double kGoalBytes = 1.2;
constexpr double kGoalTime = 1.0;

struct Report {
  bool ran = false;
  uint64_t file_bytes = 0;
  uint64_t our_bytes = 0;
  uint64_t rsync_bytes = 0;
  double our_seconds = 1e30;
  double rsync_seconds = 1e30;
};

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Check(out.good(), "cannot write " + path);
}

// `size` random bytes (a zero byte first: binary to the server), and the
// same with 1% of them changed in kChangedPlaces runs spread over the file.
void MakeVersions(size_t size, std::string* old_bytes, std::string* new_bytes) {
  std::mt19937_64 random(20261207);
  old_bytes->resize(size);
  for (size_t i = 0; i < size; i += 8) {
    const uint64_t value = random();
    for (size_t k = 0; k < 8 && i + k < size; ++k)
      (*old_bytes)[i + k] = static_cast<char>(value >> (8 * k));
  }
  (*old_bytes)[0] = '\0';
  *new_bytes = *old_bytes;
  const size_t run = size / 100 / kChangedPlaces;
  for (size_t place = 0; place < kChangedPlaces; ++place) {
    const size_t start = 1 + (size - run - 1) / kChangedPlaces * place + random() % 1000;
    for (size_t i = start; i < start + run && i < size; ++i) (*new_bytes)[i] ^= 0x6B;
  }
}

void DeltaGet(benchmark::State& state, Report& report) {
  for (auto _ : state) {
    if (!fs::exists(kRsync)) {
      state.SkipWithError("rsync is not installed (/usr/bin/rsync): nothing to compare with");
      return;
    }
    const size_t size = FromEnvironment("QORV_BENCH_DELTA_BYTES", 100000000);
    Workspace workspace(TreeParent());
    const std::string new_folder = workspace.Path("new");
    fs::create_directories(new_folder);
    const std::string old_file = workspace.Path("old.bin");
    const std::string new_file = new_folder + "/" + kFileName;
    {
      std::string old_bytes;
      std::string new_bytes;
      MakeVersions(size, &old_bytes, &new_bytes);
      WriteBytes(old_file, old_bytes);
      WriteBytes(new_file, new_bytes);
    }
    ServerProcess server(QorvdPath(), workspace.Path("data"));
    server.Import(new_folder, "$/New");
    CountingRelay relay(server.port());
    SdkSession session(QORV_BENCH_SDK_MODULE, workspace.Path("sdk"), relay.port());
    session.SetTransferSettings(true, 1);

    for (size_t round = 0; round < kRounds; ++round) {
      for (size_t k = 0; k < 2; ++k) {
        Bash("sync");
        if ((k + round) % 2 == 0) {
          const std::string target = workspace.Path("get" + std::to_string(round));
          fs::create_directories(target);
          fs::copy_file(old_file, target + "/" + kFileName);
          relay.ResetCounts();
          const auto start = std::chrono::steady_clock::now();
          session.GetLatestProject("$/New", target);
          report.our_seconds =
              std::min(report.our_seconds, Seconds(std::chrono::steady_clock::now() - start));
          report.our_bytes = relay.to_client();
          Check(SameContent(target + "/" + kFileName, new_file), "the get's file differs");
          fs::remove_all(target);
        } else {
          const std::string target = workspace.Path("rsync" + std::to_string(round));
          fs::create_directories(target);
          fs::copy_file(old_file, target + "/" + kFileName);
          uint64_t received = 0;
          report.rsync_seconds = std::min(report.rsync_seconds,
                                          RsyncDeltaCopy(workspace.Path(""), new_folder, kFileName,
                                                         target + "/" + kFileName, &received));
          report.rsync_bytes = received;
          Check(SameContent(target + "/" + kFileName, new_file), "rsync's file differs");
          fs::remove_all(target);
        }
      }
    }
    report.ran = true;
    report.file_bytes = size;
    state.SetIterationTime(report.our_seconds);
    state.counters["our_bytes"] = static_cast<double>(report.our_bytes);
    state.counters["rsync_bytes"] = static_cast<double>(report.rsync_bytes);
    state.counters["our_s"] = report.our_seconds;
    state.counters["rsync_s"] = report.rsync_seconds;
  }
}

void PrintReport(const Report& report) {
  if (!report.ran) {
    std::printf("\n(no figures: see above)\n");
    return;
  }
  const double bytes_ratio =
      static_cast<double>(report.our_bytes) / static_cast<double>(report.rsync_bytes);
  const double time_ratio = report.our_seconds / report.rsync_seconds;
  std::printf("\nA %.0f MB file, 1%% changed in %zu places, brought up to date; best of %zu\n",
              static_cast<double>(report.file_bytes) / 1e6, kChangedPlaces, kRounds);
  std::printf("  %-40s %14s %10s\n", "", "bytes to client", "seconds");
  std::printf("  %-40s %14llu %10.3f\n", "get through the SDK, delta on",
              static_cast<unsigned long long>(report.our_bytes), report.our_seconds);
  std::printf("  %-40s %14llu %10.3f\n", "rsync daemon, --checksum-choice=md4",
              static_cast<unsigned long long>(report.rsync_bytes), report.rsync_seconds);
  std::printf("  bytes: %.2fx rsync's (goal <= %.1fx: %s)\n", bytes_ratio, kGoalBytes,
              bytes_ratio <= kGoalBytes ? "met" : "NOT met");
  std::printf("  time:  %.2fx rsync's (goal <= %.1fx: %s)\n", time_ratio, kGoalTime,
              time_ratio <= kGoalTime ? "met" : "NOT met");
  std::fflush(stdout);
}

}  // namespace
}  // namespace qorv::bench

int main(int argc, char** argv) {
  qorv::bench::Report report;
  benchmark::RegisterBenchmark("BM_DeltaGet",
                               [&report](benchmark::State& state) {
                                 try {
                                   qorv::bench::DeltaGet(state, report);
                                 } catch (const std::exception& error) {
                                   state.SkipWithError(error.what());
                                 }
                               })
      ->Iterations(1)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  qorv::bench::PrintReport(report);
  return 0;
}
