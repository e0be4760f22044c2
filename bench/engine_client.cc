#include "engine_client.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <utility>

#include "bench_tools.h"
#include "protocol/multi_step_requests.h"
#include "server_process.h"
#include "transfer/file_transfer_manager.h"

namespace qorv::bench {

namespace {
constexpr size_t kFilesPerRequest = 500;
}  // namespace

EngineClient::EngineClient(uint16_t port, FileLayer& files, bool compressed)
    : driver_(&events_),
      engine_(driver_, nullptr, nullptr,
              std::make_unique<CFileTransferManager>(CFileTransferManager::PlainConnection, files,
                                                     false)) {
  TransferSettings settings = engine_.transfer_settings();
  settings.compressed = compressed ? 1 : 0;
  engine_.set_transfer_settings(settings);
  ConnectSettings connect;
  connect.server_host = "127.0.0.1";
  connect.server_port = port;
  RequestStatus status;
  bool connected = false;
  int32_t mode = 0;
  Check(engine_.ConnectToServer(connect, &status, &connected, &mode) == 0,
        "connect: " + status.description);
  bool must_change = false;
  int32_t expire_days = 0;
  Check(engine_.Login(kUser, kPassword, kDatabase, ChannelKey{}, &status, &must_change,
                      &expire_days) == 0,
        "login: " + status.description);
}

void EngineClient::Get(const std::string& project, const std::vector<std::string>& files,
                       const std::string& folder, int32_t line_ending_mode) {
  for (size_t start = 0; start < files.size(); start += kFilesPerRequest) {
    GetFilesRequest request;
    request.line_ending_mode = line_ending_mode;
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

void EngineClient::Add(const std::string& project, const std::string& local_file) {
  AddFilesRequest request;
  AddFileRecord record;
  record.local_file_name = local_file;
  record.name = std::filesystem::path(local_file).filename().string();
  record.server_path = project + "/" + record.name;
  record.file_type = 1;  // Enum_Binary
  request.files.push_back(record);
  RequestStatus status;
  Check(AddFiles(engine_, request, &status) == 0, "add: " + status.description);
  Check(request.files[0].status == 0, "add: " + request.files[0].description);
}

void MakeFolders(const std::string& root, const std::vector<std::string>& files) {
  for (const std::string& file : files)
    std::filesystem::create_directories(std::filesystem::path(root + "/" + file).parent_path());
}

}  // namespace qorv::bench
