#include "cli/embedded/sample_database.h"

#include <memory>
#include <optional>

#include "server/data_directory.h"
#include "server/database.h"

namespace qorv::cli {
namespace {

using server::Actor;
using server::Database;
using server::StoreStatus;
using server::UploadedBody;

// Enum_FileType values of the store's AddFile.
constexpr int32_t kBinaryFile = 1;
constexpr int32_t kTextFile = 2;

constexpr char kMainVersion1[] =
    "#include <stdio.h>\n"
    "\n"
    "int main(void) {\n"
    "  printf(\"Hello\\n\");\n"
    "  return 0;\n"
    "}\n";
constexpr char kMainVersion2[] =
    "#include <stdio.h>\n"
    "\n"
    "int main(void) {\n"
    "  printf(\"Hello, world\\n\");\n"
    "  return 0;\n"
    "}\n";
constexpr char kMainVersion3[] =
    "#include <stdio.h>\n"
    "#include \"util.h\"\n"
    "\n"
    "int main(void) {\n"
    "  printf(\"Hello, world %d\\n\", answer());\n"
    "  return 0;\n"
    "}\n";

// A small PNG-like binary body: the PNG signature, then bytes of every value.
std::string BinaryBody() {
  std::string bytes = "\x89PNG\r\n\x1a\n";
  for (int i = 0; i < 512; ++i) bytes.push_back(static_cast<char>((i * 37) & 0xFF));
  return bytes;
}

class SampleBuilder {
 public:
  explicit SampleBuilder(Database& database) : database_(database) {}

  bool Build(std::string* error) {
    return AddUser(kSampleUser, kSamplePassword, error) &&
           AddUser(kSampleSecondUser, kSampleSecondPassword, error) &&
           FindActor(kSampleUser, &alice_, error) && FindActor(kSampleSecondUser, &bob_, error) &&
           Create("$/Game", "The sample game", error) && Create("$/Game/src", "Sources", error) &&
           Create("$/Game/assets", "Pictures", error) && Create("$/Tools", "Build tools", error) &&
           Add("$/Game/README.txt", "Sample game\n\nBuild it with tools/build.sh.\n", kTextFile,
               "First description", error) &&
           Add(kSampleVersionedFile, kMainVersion1, kTextFile, "First program", error) &&
           Add("$/Game/src/util.c", "int answer(void) { return 42; }\n", kTextFile, "Helpers",
               error) &&
           Add(kSampleBinaryFile, BinaryBody(), kBinaryFile, "Logo", error) &&
           Add("$/Tools/build.sh", "#!/bin/sh\ncc -o game ../Game/src/*.c\n", kTextFile,
               "Build script", error) &&
           Add("$/Game/notes.txt", "Ideas for later\n", kTextFile, "Notes", error) &&
           NewVersion(alice_, kSampleVersionedFile, kMainVersion2, "Greets the world", error) &&
           Check(database_.LabelItem(alice_, kSampleProject, kSampleLabel, "First release", &time_),
                 error) &&
           NewVersion(bob_, kSampleVersionedFile, kMainVersion3, "Uses the helper", error) &&
           Check(database_.ShareFile(alice_, "$/Tools", kSampleSharedFile, false,
                                     "The tools use the helper too"),
                 error) &&
           Check(database_.DeleteItem(
                     alice_, std::string(kSampleProject) + "/" + kSampleDeletedFile, false),
                 error) &&
           CheckOut(bob_, kSampleCheckedOutFile, "Rewriting the description", error);
  }

 private:
  static bool Check(const StoreStatus& status, std::string* error) {
    if (status.ok()) return true;
    *error = status.text;
    return false;
  }

  bool AddUser(const char* name, const char* password, std::string* error) {
    server::NewUser user;
    user.name = name;
    user.password = password;
    return Check(database_.AddUser(user), error);
  }

  bool FindActor(const char* name, Actor* actor, std::string* error) {
    std::optional<server::UserRecord> user = database_.FindUser(name);
    if (!user) {
      *error = std::string("no user ") + name;
      return false;
    }
    *actor = user->actor;
    return true;
  }

  bool Create(const char* path, const char* comment, std::string* error) {
    server::CreateProjectResult result = database_.CreateProject(alice_, path, comment);
    if (result.result == server::kCreateResultCreated) return true;
    *error = result.text;
    return false;
  }

  bool Add(const char* path, std::string bytes, int32_t type, const char* comment,
           std::string* error) {
    UploadedBody body{std::move(bytes), server::LocalNowMs()};
    return Check(database_.AddFile(alice_, path, body, type, false, comment, &time_), error);
  }

  bool CheckOut(const Actor& actor, const char* path, const char* comment, std::string* error) {
    server::CheckoutResult result;
    return Check(database_.CheckOut(actor, path, comment, &result), error);
  }

  bool NewVersion(const Actor& actor, const char* path, const char* text, const char* comment,
                  std::string* error) {
    if (!CheckOut(actor, path, "", error)) return false;
    server::CheckinResult result;
    return Check(database_.CheckIn(actor, path, UploadedBody{text, server::LocalNowMs()}, false,
                                   comment, &result),
                 error);
  }

  Database& database_;
  Actor alice_;
  Actor bob_;
  server::OleMs time_ = 0;
};

}  // namespace

std::string SampleLatestMainText() { return kMainVersion3; }

bool HasSampleDatabase(const std::filesystem::path& data_directory) {
  server::DataDirectory directory(data_directory, Database::Options{});
  for (const std::string& name : directory.DatabaseNames()) {
    if (name == kSampleDatabase) return true;
  }
  return false;
}

bool CreateSampleDatabase(const std::filesystem::path& data_directory, std::string* error,
                          int64_t password_iterations) {
  Database::Options options;
  options.password_iterations = password_iterations;
  server::DataDirectory directory(data_directory, options);
  StoreStatus status = directory.CreateDatabase(kSampleDatabase);
  std::shared_ptr<Database> database;
  if (status.ok()) status = directory.OpenDatabase(kSampleDatabase, &database);
  if (!status.ok()) {
    *error = status.text;
    return false;
  }
  return SampleBuilder(*database).Build(error);
}

}  // namespace qorv::cli
