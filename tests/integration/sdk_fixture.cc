#include "sdk_fixture.h"

#include <filesystem>
#include <utility>

#include "server/ole_time.h"
#include "support/test_passwords.h"

namespace qorv::integration {

SdkClient::SdkClient() {
  sdk_ = sdk::CreateObject<IQORVSDK>(CLSID_QORVSDK, IID_IQORVSDK);
  if (sdk_ == nullptr) return;
  sink_ = std::make_unique<EventSink>(sdk_);
  IConnectionPointContainer* container = nullptr;
  sdk_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
  if (container == nullptr) return;
  container->FindConnectionPoint(DIID__IQorSDKEvents, &point_);
  container->Release();
  if (point_ != nullptr) {
    EXPECT_EQ(point_->Advise(sink_.get(), &cookie_), S_OK);
  }
}

SdkClient::~SdkClient() {
  if (point_ != nullptr) {
    point_->Unadvise(cookie_);
    point_->Release();
  }
  if (sdk_ != nullptr) {
    EXPECT_EQ(sdk_->Release(), 0u);
  }
}

SdkClient::Outcome SdkClient::Connect(const std::string& host, uint16_t port, bool* connected,
                                      LONG* mode) {
  Outcome outcome;
  VARIANT_BOOL is_connected = 5;
  Enum_EncryptType encryption = static_cast<Enum_EncryptType>(-7);
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  Text server(host.c_str());
  EXPECT_EQ(sdk_->ConnectToServer(server, port, &is_connected, &encryption, &canceled, &description,
                                  Enum_NOPROXY, nullptr, 0, nullptr, nullptr, &outcome.result),
            S_OK);
  EXPECT_TRUE(is_connected == VARIANT_TRUE || is_connected == VARIANT_FALSE);
  EXPECT_NE(description, nullptr);
  outcome.description = TakeText(description);
  outcome.canceled = canceled == VARIANT_TRUE;
  if (connected != nullptr) *connected = is_connected == VARIANT_TRUE;
  if (mode != nullptr) *mode = encryption;
  return outcome;
}

SdkClient::Outcome SdkClient::Login(const std::string& user, const std::string& password,
                                    const std::vector<std::string>& key_files, LONG* expire_days) {
  IQORVKeyInfoSet* keys = nullptr;
  if (!key_files.empty()) {
    keys = sdk::CreateObject<IQORVKeyInfoSet>(CLSID_QORVKeyInfoSet, IID_IQORVKeyInfoSet);
    for (const std::string& name : key_files) {
      Text file(name.c_str());
      keys->Add(file, nullptr);
    }
  }
  Outcome outcome;
  VARIANT_BOOL must_change = 5;
  LONG days = -7;
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  Text user_name(user.c_str());
  Text secret(password.c_str());
  Text database("Main");
  EXPECT_EQ(sdk_->Login(user_name, secret, database, keys, &must_change, &days, &canceled,
                        &description, &outcome.result),
            S_OK);
  if (keys != nullptr) keys->Release();
  EXPECT_EQ(must_change, VARIANT_FALSE);
  outcome.description = TakeText(description);
  outcome.canceled = canceled == VARIANT_TRUE;
  if (expire_days != nullptr) *expire_days = days;
  return outcome;
}

SdkTest::SdkTest() {
  environment_.Set("XDG_CACHE_HOME", temp_.Child("cache"));
  environment_.Set("XDG_CONFIG_HOME", temp_.Child("config"));
  environment_.Set("HOME", temp_.Child("home"));
  environment_.Set("QORV_REGISTRY", temp_.Child("registry.reg"));
  data_directory_ = temp_.Child("data");
  work_folder_ = temp_.Child("work");
  std::filesystem::create_directories(work_folder_);
  StartServer();
}

SdkTest::~SdkTest() {
  db_.reset();
  server_.reset();
}

void SdkTest::StartServer(int32_t mode) {
  db_.reset();
  server_.reset();
  server::ServerConfig config = std::exchange(next_config_, {});
  config.address = "127.0.0.1";
  config.data_directory = data_directory_;
  config.encryption_mode = mode;
  config.password_iterations = qorv::testing::kTestPasswordIterations;
  server_ = std::make_unique<server::Server>(config);
  server::DataDirectory& data = server_->data_directory();
  if (data.DatabaseNames().empty()) {
    ASSERT_TRUE(data.CreateDatabase("Main").ok());
    std::shared_ptr<server::Database> db;
    ASSERT_TRUE(data.OpenDatabase("Main", &db).ok());
    ASSERT_TRUE(db->AddUser({"alice", "secret", std::nullopt, false, false}).ok());
    ASSERT_TRUE(db->AddUser({"bob", "hunter2", std::nullopt, false, false}).ok());
  }
  std::string error;
  ASSERT_TRUE(server_->Start(&error)) << error;
  ASSERT_TRUE(data.OpenDatabase("Main", &db_).ok());
}

void SdkTest::StartSslServer(const std::string& certificate, const std::string& key,
                             const std::string& ca, uint16_t port) {
  next_config_.certificate_file = certificate;
  next_config_.key_file = key;
  next_config_.ca_file = ca;
  next_config_.port = port;
  StartServer(2);
}

server::Actor SdkTest::Actor(const std::string& user) { return db_->FindUser(user)->actor; }

std::unique_ptr<SdkClient> SdkTest::LoggedInClient(const std::string& user,
                                                   const std::string& password) {
  auto client = std::make_unique<SdkClient>();
  EXPECT_EQ(client->Connect("127.0.0.1", port()).result, 0);
  const SdkClient::Outcome login = client->Login(user, password);
  EXPECT_EQ(login.result, 0) << login.description;
  client->sink().Clear();
  return client;
}

void SdkTest::MustCreateProject(const std::string& path, const std::string& comment) {
  const server::CreateProjectResult created = db_->CreateProject(Actor("alice"), path, comment);
  ASSERT_EQ(created.result, server::kCreateResultCreated) << path << ": " << created.text;
}

void SdkTest::MustAddFile(const std::string& path, const std::string& body,
                          const std::string& comment) {
  server::OleMs time = 0;
  const server::StoreStatus status =
      db_->AddFile(Actor("alice"), path, {body, server::LocalNowMs()}, server::kFileTypeAutodetect,
                   false, comment, &time);
  ASSERT_TRUE(status.ok()) << path << ": " << status.text;
}

std::string SdkTest::CacheFilePath(const std::string& server, const std::string& user) const {
  return temp_.Child("cache") + "/Brastovik/Quorvane for VSS/" + server + "__Main_" + user + ".qor";
}

}  // namespace qorv::integration
