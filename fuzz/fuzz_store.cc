#include "fuzz/fuzz_store.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string_view>
#include <system_error>
#include <utility>

#include "server/database.h"

namespace qorv::fuzz {
namespace {

namespace fs = std::filesystem;
using server::Actor;
using server::Database;
using server::OleMs;
using server::StoreStatus;

constexpr char kMainDatabase[] = "Main";
constexpr char kOtherDatabase[] = "Other";
// 2024-03-01 00:00 on the OLE scale; every change of a store is one second
// after the one before, so runs are repeatable.
constexpr OleMs kStartTime = 45352LL * server::kMsPerDay;
constexpr OleMs kClockStep = 1000;

[[noreturn]] void SetupFailed(const std::string& what) {
  std::fprintf(stderr, "fuzz store: %s\n", what.c_str());
  std::abort();
}

void Must(const StoreStatus& status, const char* what) {
  if (!status.ok()) SetupFailed(std::string(what) + ": " + status.text);
}

fs::path UniqueFolder(const char* prefix) {
  std::random_device random;
  return fs::temp_directory_path() /
         (prefix + std::to_string(random()) + "_" + std::to_string(random()));
}

// `fault_step` and `now` stay shared with the store, which resets them for
// each input.
Database::Options StoreOptions(std::shared_ptr<const std::string> fault_step,
                               std::shared_ptr<OleMs> now) {
  Database::Options options;
  options.durable = false;
  // One iteration: every fuzzed login hashes, and the count's strength is
  // not what is fuzzed.
  options.password_iterations = 1;
  options.clock = [now = std::move(now)] { return *now += kClockStep; };
  options.fault = [step = std::move(fault_step)](std::string_view name) {
    return !step->empty() && name == *step;
  };
  return options;
}

void AddContent(Database& db, const Actor& alice, const Actor& bob) {
  for (const char* project : {"$/P", "$/P/Sub", "$/Q", "$/Old"}) {
    const server::CreateProjectResult created = db.CreateProject(alice, project, "made");
    if (created.result != server::kCreateResultCreated) SetupFailed(created.text);
  }
  struct NewFile {
    const char* path;
    std::string_view body;
    int32_t type;
  };
  const NewFile files[] = {
      {"$/P/a.txt", "one\ntwo\n", server::kFileTypeText},
      {"$/P/b.bin", std::string_view("\x01\x02\x00\x03", 4), server::kFileTypeBinary},
      {"$/P/Sub/c.txt", "sub\r\n", server::kFileTypeText},
      {"$/Q/q.txt", "latest only\n", server::kFileTypeText},
      {"$/P/gone.txt", "soon deleted\n", server::kFileTypeText},
  };
  for (const NewFile& file : files) {
    OleMs time = 0;
    const server::UploadedBody body{std::string(file.body), kStartTime};
    Must(db.AddFile(alice, file.path, body, file.type, false, "added", &time), file.path);
  }
  server::CheckoutResult checked_out;
  Must(db.CheckOut(alice, "$/P/a.txt", "edit", &checked_out), "check out a.txt");
  server::CheckinResult checked_in;
  Must(db.CheckIn(alice, "$/P/a.txt", server::UploadedBody{"one\ntwo\nthree\n", kStartTime}, false,
                  "third line", &checked_in),
       "check in a.txt");
  OleMs time = 0;
  Must(db.LabelItem(alice, "$/P", "Release 1", "first release", &time), "label $/P");
  Must(db.ShareFile(alice, "$/Q", "$/P/b.bin", false, "shared"), "share b.bin");
  Must(db.PinFile(alice, "$/Q/b.bin", 1, &time), "pin b.bin");
  Must(db.SetLatestOnly(alice, "$/Q/q.txt", true), "latest only q.txt");
  Must(db.DeleteItem(alice, "$/P/gone.txt", false), "delete gone.txt");
  Must(db.DeleteItem(alice, "$/Old", false), "delete $/Old");
  Must(db.CheckOut(bob, "$/P/Sub/c.txt", "bob edits", &checked_out), "check out c.txt");
  Must(db.CheckOut(alice, "$/P/b.bin", "", &checked_out), "check out b.bin");
}

// The template data directory, built once per process and removed at its
// end.
class TemplateFolder {
 public:
  TemplateFolder() : folder_(UniqueFolder("qorv_fuzz_template_")) {
    server::DataDirectory data(folder_, StoreOptions(std::make_shared<std::string>(),
                                                     std::make_shared<OleMs>(kStartTime)));
    Must(data.CreateDatabase(kMainDatabase), "create Main");
    Must(data.CreateDatabase(kOtherDatabase), "create Other");
    std::shared_ptr<Database> main;
    Must(data.OpenDatabase(kMainDatabase, &main), "open Main");
    const server::UserKey key = KeyedUserKey();
    Must(main->AddUser({kAlice.name, kAlice.password, std::nullopt, false, false}), "alice");
    Must(main->AddUser({kBob.name, kBob.password, std::nullopt, false, false}), "bob");
    Must(main->AddUser({kReader.name, kReader.password, std::nullopt, true, false}), "reader");
    Must(main->AddUser({kKeyed.name, kKeyed.password, key, false, false}), "keyed");
    Must(main->AddUser({kNewcomer.name, kNewcomer.password, std::nullopt, false, true}),
         "newcomer");
    std::shared_ptr<Database> other;
    Must(data.OpenDatabase(kOtherDatabase, &other), "open Other");
    Must(other->AddUser({kAlice.name, kAlice.password, std::nullopt, false, false}), "alice");
    AddContent(*main, main->FindUser(kAlice.name)->actor, main->FindUser(kBob.name)->actor);
  }
  ~TemplateFolder() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  TemplateFolder(const TemplateFolder&) = delete;
  TemplateFolder& operator=(const TemplateFolder&) = delete;

  // Copies the database files (the databases were closed when the template
  // was made, so each is one whole file).
  void CopyTo(const fs::path& target) const {
    std::error_code error;
    fs::create_directories(target, error);
    if (!error)
      fs::copy(folder_, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing,
               error);
    if (error) SetupFailed("copy the template: " + error.message());
  }

 private:
  fs::path folder_;
};

const TemplateFolder& Template() {
  static const TemplateFolder folder;
  return folder;
}

}  // namespace

server::UserKey KeyedUserKey() {
  server::UserKey key;
  for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(i + 1);
  return key;
}

FuzzStore::FuzzStore(std::string fault_step)
    : folder_(UniqueFolder("qorv_fuzz_store_")),
      fault_step_(std::make_shared<std::string>(std::move(fault_step))),
      now_(std::make_shared<OleMs>(kStartTime)) {
  Template().CopyTo(folder_);
  main_file_ = folder_ / (std::string(kMainDatabase) + server::kDatabaseFileExtension);
  other_file_ = folder_ / (std::string(kOtherDatabase) + server::kDatabaseFileExtension);
  data_ = std::make_unique<server::DataDirectory>(folder_, StoreOptions(fault_step_, now_));
  Must(data_->OpenDatabase(kMainDatabase, &main_), "open the copy of Main");
}

FuzzStore::~FuzzStore() {
  main_.reset();
  data_.reset();
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

void FuzzStore::Prepare(std::string fault_step) {
  *fault_step_ = std::move(fault_step);
  *now_ = kStartTime;
}

server::Session FuzzStore::LogIn(const FuzzUser& user) {
  server::Session session;
  session.database_name = kMainDatabase;
  session.database = main_;
  Must(main_->Authenticate(user.name, user.password, &session.user), user.name);
  if (session.user.user_key) session.channel_key = *session.user.user_key;
  sessions_.Open(&session);
  return session;
}

}  // namespace qorv::fuzz
