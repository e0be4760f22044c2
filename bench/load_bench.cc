// A load run against one qorvd process: N clients at once, each on its own
// connection and thread, doing a mix of queries and changes for T seconds.
// Not a timed test: it reports what it measured.
//
//   load_bench [--clients 50] [--seconds 300] [--data DIR]
//
// Reports the requests made and failed (the goal is no failure), the p50 and
// p99 latency of a request, qorvd's resident memory sampled every second
// (first, last and highest: the goal is flat), and the result of SQLite's
// integrity check of the store after qorvd has stopped. Exit code 0 only
// with no failed request and an intact store.
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_tools.h"
#include "local/file_layer.h"
#include "platform/process.h"
#include "protocol/operation_driver.h"
#include "protocol/query_commands.h"
#include "protocol/request_engine.h"
#include "protocol/tree_commands.h"
#include "server_process.h"
#include "transfer/file_transfer_manager.h"

namespace qorv {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char kRoot[] = "$/Load";

class NoEvents : public DriverOwner {
 public:
  void RaiseEvent(SdkEvent) override {}
};

// What one client measured.
struct ClientTally {
  int64_t requests = 0;
  int64_t failures = 0;
  std::string first_failure;
  std::vector<double> latencies_ms;
};

class LoadClient {
 public:
  LoadClient(uint16_t port, int index)
      : index_(index),
        driver_(&events_),
        engine_(driver_, nullptr, nullptr,
                std::make_unique<CFileTransferManager>(CFileTransferManager::PlainConnection,
                                                       FileLayer::Shared(), false)),
        random_(static_cast<uint32_t>(index) * 7919u + 1u) {
    ConnectSettings settings;
    settings.server_host = "127.0.0.1";
    settings.server_port = port;
    RequestStatus status;
    bool connected = false;
    int32_t mode = 0;
    bench::Check(engine_.ConnectToServer(settings, &status, &connected, &mode) == 0,
                 "connect: " + status.description);
    bool must_change = false;
    int32_t expire_days = 0;
    bench::Check(engine_.Login(bench::kUser, bench::kPassword, bench::kDatabase, ChannelKey{},
                               &status, &must_change, &expire_days) == 0,
                 "login: " + status.description);
  }

  bool CreateRoot(std::string* failure) {
    CreateProjectsCommand command;
    command.project_paths = {kRoot};
    return Ran(command, failure) && EntriesOk(command.reply, failure);
  }

  // Requests until `end`: two queries for each change, the changes making,
  // renaming and removing the client's own projects.
  ClientTally Run(Clock::time_point end) {
    ClientTally tally;
    while (Clock::now() < end) {
      const Clock::time_point start = Clock::now();
      std::string failure;
      const bool ok = OneRequest(&failure);
      tally.latencies_ms.push_back(
          std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      ++tally.requests;
      if (!ok) {
        if (tally.failures++ == 0) tally.first_failure = failure;
      }
    }
    return tally;
  }

 private:
  std::string Mine(int number) const {
    return std::string(kRoot) + "/c" + std::to_string(index_) + "_" + std::to_string(number);
  }

  template <class Command>
  bool Ran(Command& command, std::string* failure) {
    RequestStatus status;
    if (engine_.Run(command, &status) == 0) return true;
    *failure = status.description;
    return false;
  }

  bool EntriesOk(const std::vector<EntryResult>& entries, std::string* failure) {
    for (const EntryResult& entry : entries) {
      if (entry.result != 0) {
        *failure = entry.description;
        return false;
      }
    }
    return true;
  }

  bool OneRequest(std::string* failure) {
    switch (random_() % 6) {
      case 0: {
        ProjectExistsCommand command;
        command.project_path = kRoot;
        return Ran(command, failure) && command.reply;
      }
      case 1: {
        ProjectContentsCommand command;
        command.project_path = kRoot;
        return Ran(command, failure);
      }
      case 2: {
        FileCountCommand command;
        command.project_path = kRoot;
        return Ran(command, failure);
      }
      case 3: {
        ItemKindsCommand command;
        command.paths = {kRoot};
        if (!live_.empty()) command.paths.push_back(Mine(live_.back()));
        return Ran(command, failure) && !command.reply.empty() && command.reply[0] == 1;
      }
      case 4: {
        // Make a project, or rename the newest one.
        if (live_.size() < 5) {
          CreateProjectsCommand command;
          command.project_paths = {Mine(next_)};
          if (!Ran(command, failure) || !EntriesOk(command.reply, failure)) return false;
          live_.push_back(next_++);
          return true;
        }
        RenameItemCommand command;
        command.item_path = Mine(live_.back());
        command.new_name = "c" + std::to_string(index_) + "_" + std::to_string(next_);
        if (!Ran(command, failure)) return false;
        live_.back() = next_++;
        return true;
      }
      default: {
        if (live_.empty()) return true;
        DeleteItemsCommand command;
        command.destroy_permanently = (random_() % 2) == 0;
        command.item_paths = {Mine(live_.front())};
        if (!Ran(command, failure) || !EntriesOk(command.reply, failure)) return false;
        live_.erase(live_.begin());
        return true;
      }
    }
  }

  int index_;
  NoEvents events_;
  OperationDriver driver_;
  CRequestEngine engine_;
  std::mt19937 random_;
  std::vector<int> live_;  // the numbers of the client's live projects
  int next_ = 0;
};

double Percentile(std::vector<double>& values, double fraction) {
  if (values.empty()) return 0;
  const size_t at = std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()));
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
  return values[at];
}

std::string IntegrityCheck(const fs::path& file) {
  sqlite3* db = nullptr;
  std::string result = "cannot open " + file.string();
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    result.clear();
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK) {
      while (sqlite3_step(statement) == SQLITE_ROW) {
        if (!result.empty()) result += "; ";
        result += reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
      }
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return result;
}

int Main(int clients, int seconds, const fs::path& data) {
  std::error_code ignored;
  fs::remove_all(data, ignored);
  // The clients log in one after the other at the start: a low iteration
  // count keeps that from dominating a short run.
  bench::ServerProcess server(bench::QorvdPath(), data.string(), {},
                              {"--password-iterations", "1000"});
  {
    LoadClient setup(server.port(), 0);
    std::string failure;
    bench::Check(setup.CreateRoot(&failure), "create " + std::string(kRoot) + ": " + failure);
  }
  std::vector<std::unique_ptr<LoadClient>> loaders;
  for (int i = 0; i < clients; ++i) {
    loaders.push_back(std::make_unique<LoadClient>(server.port(), i + 1));
  }
  const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
  std::vector<ClientTally> tallies(static_cast<size_t>(clients));
  std::vector<std::thread> threads;
  for (int i = 0; i < clients; ++i) {
    threads.emplace_back([&, i] { tallies[static_cast<size_t>(i)] = loaders[i]->Run(end); });
  }
  // qorvd's memory, once a second.
  std::vector<uint64_t> resident;
  while (Clock::now() < end) {
    resident.push_back(server.ResidentBytes());
    std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  for (std::thread& thread : threads) thread.join();
  resident.push_back(server.ResidentBytes());
  loaders.clear();

  ClientTally total;
  for (ClientTally& tally : tallies) {
    total.requests += tally.requests;
    total.failures += tally.failures;
    if (total.first_failure.empty()) total.first_failure = tally.first_failure;
    total.latencies_ms.insert(total.latencies_ms.end(), tally.latencies_ms.begin(),
                              tally.latencies_ms.end());
  }
  const bool stopped = server.Stop();
  const std::string integrity = IntegrityCheck(data / (std::string(bench::kDatabase) + ".qordb"));
  const double mib = 1024.0 * 1024.0;
  std::printf("clients %d, %d s: %lld requests (%.0f/s), %lld failed%s%s\n", clients, seconds,
              static_cast<long long>(total.requests), static_cast<double>(total.requests) / seconds,
              static_cast<long long>(total.failures), total.failures > 0 ? ", first: " : "",
              total.first_failure.c_str());
  const double p50 = Percentile(total.latencies_ms, 0.50);
  const double p99 = Percentile(total.latencies_ms, 0.99);
  std::printf("latency p50 %.2f ms, p99 %.2f ms\n", p50, p99);
  std::printf("qorvd resident: first %.1f MiB, last %.1f MiB, highest %.1f MiB (%zu samples)\n",
              static_cast<double>(resident.front()) / mib,
              static_cast<double>(resident.back()) / mib,
              static_cast<double>(*std::max_element(resident.begin(), resident.end())) / mib,
              resident.size());
  // The curve at tenths of the run: memory that keeps growing shows here,
  // where first and last alone would not tell a plateau from a climb.
  std::printf("qorvd resident by tenths of the run (MiB):");
  for (int tenth = 1; tenth <= 10; ++tenth) {
    const size_t at = std::min(resident.size() - 1, resident.size() * tenth / 10);
    std::printf(" %.1f", static_cast<double>(resident[at]) / mib);
  }
  std::printf("\n");
  std::printf("qorvd stopped %s; integrity check: %s\n", stopped ? "cleanly" : "NOT cleanly",
              integrity.c_str());
  fs::remove_all(data, ignored);
  return total.failures == 0 && stopped && integrity == "ok" ? 0 : 1;
}

}  // namespace
}  // namespace qorv

int main(int argc, char** argv) {
  int clients = 50;
  int seconds = 300;
  std::filesystem::path data =
      std::filesystem::temp_directory_path() /
      ("qorv_load_bench_" + std::to_string(qorv::platform::CurrentProcessId()));
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--clients") {
      clients = std::max(1, std::atoi(argv[i + 1]));
    } else if (flag == "--seconds") {
      seconds = std::max(1, std::atoi(argv[i + 1]));
    } else if (flag == "--data") {
      data = argv[i + 1];
    } else {
      std::fprintf(stderr, "usage: load_bench [--clients N] [--seconds T] [--data DIR]\n");
      return 2;
    }
  }
  return qorv::Main(clients, seconds, data);
}
