// What an eavesdropper on the wire sees: every byte between the SDK and the
// reference server passes through a relay that keeps it, on the main and the
// transfer connections, while a session logs in, fetches a file and adds
// one. On the Blowfish and the SSL channels neither the password nor either
// file's content may appear in what the relay kept; on the plain channel
// both do, which shows that the relay sees what travels.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "sdk_fixture.h"
#include "support/capture_relay.h"
#include "support/test_certificates.h"

namespace qorv::integration {
namespace {

constexpr char kPassword[] = "secret";  // alice's, in the fixture
constexpr char kFetchedText[] = "fetched body 7d1c0b9e, the server's own line\n";
constexpr char kAddedText[] = "added body 4a8f22c1, written by the caller\n";

class ChannelCaptureTest : public SdkTest {
 protected:
  // Runs the session through a relay and returns what it kept.
  std::string CaptureSession() {
    testing::CaptureRelay relay(port());
    EXPECT_NE(relay.port(), 0);
    SdkClient client;
    const SdkClient::Outcome connect = client.Connect("127.0.0.1", relay.port());
    EXPECT_EQ(connect.result, 0) << connect.description;
    const SdkClient::Outcome login = client.Login("alice", kPassword);
    EXPECT_EQ(login.result, 0) << login.description;

    const std::string fetched = work_folder_ + "/fetched" + std::to_string(++sessions_);
    LONG result = -1;
    BSTR description = nullptr;
    VARIANT_BOOL canceled = 5;
    IQORVOperationResultSet* items = nullptr;
    EXPECT_EQ(client->GetLatestProject(Text("$/P"), Text(fetched.c_str()), VARIANT_TRUE, 0,
                                       Enum_WritableFileHandlingReplace, Enum_LF,
                                       Enum_SetLocalFileTimeCurrent, Text(""), Text(""), &canceled,
                                       &description, &items, &result),
              S_OK);
    std::string text = TakeText(description);
    EXPECT_EQ(result, 0) << text;
    if (items != nullptr) items->Release();
    std::ifstream in(fetched + "/down.txt", std::ios::binary);
    std::stringstream body;
    body << in.rdbuf();
    EXPECT_EQ(body.str(), kFetchedText);

    const std::string added = work_folder_ + "/added" + std::to_string(sessions_);
    std::filesystem::create_directories(added);
    { std::ofstream(added + "/up" + std::to_string(sessions_) + ".txt") << kAddedText; }
    items = nullptr;
    EXPECT_EQ(client->AddFolder(Text("$/P"), Text(added.c_str()), Text("captured"), 0, 0, 0,
                                Enum_LF, Enum_Autodetect, &canceled, &description, &items, &result),
              S_OK);
    text = TakeText(description);
    EXPECT_EQ(result, 0) << text;
    if (items != nullptr) items->Release();
    // The main connection and at least one transfer connection each way.
    EXPECT_GE(relay.connections(), 2);
    return relay.Captured();
  }

  void MakeProject() {
    MustCreateProject("$/P");
    MustAddFile("$/P/down.txt", kFetchedText);
  }

  static bool Holds(const std::string& captured, const std::string& text) {
    return captured.find(text) != std::string::npos;
  }

  int sessions_ = 0;
};

TEST_F(ChannelCaptureTest, ThePlainChannelShowsWhatTravels) {
  MakeProject();
  const std::string captured = CaptureSession();
  EXPECT_TRUE(Holds(captured, kPassword));
  EXPECT_TRUE(Holds(captured, kFetchedText));
  EXPECT_TRUE(Holds(captured, kAddedText));
}

TEST_F(ChannelCaptureTest, NeitherPasswordNorContentTravelsInClearOnBlowfishOrSsl) {
  MakeProject();
  StartServer(1);
  std::string captured = CaptureSession();
  EXPECT_FALSE(Holds(captured, kPassword)) << "Blowfish channel";
  EXPECT_FALSE(Holds(captured, kFetchedText)) << "Blowfish channel";
  EXPECT_FALSE(Holds(captured, kAddedText)) << "Blowfish channel";

  if (!testing::HaveOpenSslProgram()) GTEST_SKIP() << "no openssl command";
  const std::string folder = temp_.Child("certificates");
  std::filesystem::create_directories(folder);
  testing::CertificateFiles ca, server;
  std::string error;
  ASSERT_TRUE(testing::MakeCertificateAuthority(folder, "ca", &ca, &error)) << error;
  ASSERT_TRUE(testing::MakeServerCertificate(folder, "server", "127.0.0.1", ca, &server, &error))
      << error;
  StartSslServer(server.certificate, server.key, ca.certificate);
  captured = CaptureSession();
  EXPECT_FALSE(Holds(captured, kPassword)) << "SSL channel";
  EXPECT_FALSE(Holds(captured, kFetchedText)) << "SSL channel";
  EXPECT_FALSE(Holds(captured, kAddedText)) << "SSL channel";
}

}  // namespace
}  // namespace qorv::integration
