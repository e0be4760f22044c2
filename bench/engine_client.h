// A benchmark's client below the SDK: a request engine with the
// file-transfer manager, connected to a qorvd on loopback and logged in as
// the benchmarks' user, fetching and adding files through the engine's
// multi-step requests.
#ifndef QORV_BENCH_ENGINE_CLIENT_H_
#define QORV_BENCH_ENGINE_CLIENT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "local/file_layer.h"
#include "protocol/operation_driver.h"
#include "protocol/request_engine.h"

namespace qorv::bench {

class EngineClient {
 public:
  // Bodies go through `files`, zipped when `compressed`.
  EngineClient(uint16_t port, FileLayer& files, bool compressed = false);

  // Fetches `project`/<file> into `folder`/<file>, 500 at a time (what a get
  // operation asks for at once), with `line_ending_mode` (Enum_EOL).
  void Get(const std::string& project, const std::vector<std::string>& files,
           const std::string& folder, int32_t line_ending_mode = 0);

  // Adds `local_file` to `project` as a binary file.
  void Add(const std::string& project, const std::string& local_file);

 private:
  class NoEvents : public DriverOwner {
   public:
    void RaiseEvent(SdkEvent) override {}
  };

  NoEvents events_;
  OperationDriver driver_;
  CRequestEngine engine_;
};

// The folders of `files` made under `root` (a get writes into existing
// working folders; making them is the operation's part, not the transfer's).
void MakeFolders(const std::string& root, const std::vector<std::string>& files);

}  // namespace qorv::bench

#endif  // QORV_BENCH_ENGINE_CLIENT_H_
