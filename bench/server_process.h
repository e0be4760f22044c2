// The reference server as its users run it: a separate qorvd process on a
// free loopback port over a data directory made with `qorvd admin`, with one
// database and one user for the benchmarks.
#ifndef QORV_BENCH_SERVER_PROCESS_H_
#define QORV_BENCH_SERVER_PROCESS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/captured_program.h"

namespace qorv::bench {

inline constexpr char kUser[] = "bench";
inline constexpr char kPassword[] = "bench-password";
inline constexpr char kDatabase[] = "Main";

// The qorvd built beside the benchmarks: build/<preset>/server/qorvd.
std::string QorvdPath();

class ServerProcess {
 public:
  // Makes the data directory `data` with database kDatabase and user kUser
  // unless it is there already, then starts qorvd over it with `options`
  // added to its command line (a channel mode and its files), and
  // `user_options` to `qorvd admin add-user` (a lower password iteration
  // count for runs that log in many clients).
  ServerProcess(const std::string& qorvd, const std::string& data,
                const std::vector<std::string>& options = {},
                const std::vector<std::string>& user_options = {});
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // The local `folder` as `project`, in one change (`qorvd admin import`).
  void Import(const std::string& folder, const std::string& project);
  uint16_t port() const { return port_; }
  uint64_t PeakResidentBytes() const;
  // The memory qorvd holds resident now.
  uint64_t ResidentBytes() const;
  // Stops qorvd (SIGTERM) and waits for it; true when it exited cleanly.
  bool Stop();
  // The processor time qorvd has used so far (-1 when unknown).
  double CpuSeconds() const;

 private:
  std::string qorvd_;
  std::string data_;
  platform::CapturedProgram program_;
  uint16_t port_ = 0;
  bool stopped_ = false;
};

}  // namespace qorv::bench

#endif  // QORV_BENCH_SERVER_PROCESS_H_
