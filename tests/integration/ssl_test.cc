// Encryption mode 2 through the SDK's interface against the reference server
// in SSL mode, with certificate authorities made for the test: a whole
// session (connect, login, a query, a get and a check-in, whose bodies move
// on transfer connections, each with its own SSL channel), a server
// certificate that does not chain to the CA the server sends, a pinned
// server whose CA changes, and the caller's trusted CA file winning over the
// server's.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "net/openssl_channel_setup.h"
#include "sdk_fixture.h"
#include "support/test_certificates.h"

namespace qorv::integration {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class SslTest : public SdkTest {
 protected:
  void SetUp() override {
    if (!testing::HaveOpenSslProgram()) GTEST_SKIP() << "no openssl command";
    certificates_ = temp_.Child("certificates");
    std::filesystem::create_directories(certificates_);
    std::string error;
    ASSERT_TRUE(testing::MakeCertificateAuthority(certificates_, "ca_one", &ca_one_, &error))
        << error;
    ASSERT_TRUE(testing::MakeCertificateAuthority(certificates_, "ca_two", &ca_two_, &error))
        << error;
    ASSERT_TRUE(testing::MakeServerCertificate(certificates_, "server_one", "127.0.0.1", ca_one_,
                                               &server_one_, &error))
        << error;
    ASSERT_TRUE(testing::MakeServerCertificate(certificates_, "server_two", "127.0.0.1", ca_two_,
                                               &server_two_, &error))
        << error;
  }

  // Sets the caller's trusted CA file on the client's transfer settings.
  static void TrustCaFile(SdkClient& client, const std::string& path) {
    IQORVTransferSettings* settings = nullptr;
    ASSERT_EQ(
        client->QueryInterface(IID_IQORVTransferSettings, reinterpret_cast<void**>(&settings)),
        S_OK);
    EXPECT_EQ(settings->put_TrustedCAFile(Text(path.c_str())), S_OK);
    BSTR stored = nullptr;
    EXPECT_EQ(settings->get_TrustedCAFile(&stored), S_OK);
    EXPECT_EQ(TakeText(stored), path);
    settings->Release();
  }

  std::string PinFile() const {
    return OpenSslChannelSetup(DefaultSslFolder()).PinFilePath("127.0.0.1", port());
  }

  std::string certificates_;
  testing::CertificateFiles ca_one_, ca_two_, server_one_, server_two_;
};

TEST_F(SslTest, AWholeSessionRunsInsideTheChannelOnMainAndTransferConnections) {
  MustCreateProject("$/P");
  MustAddFile("$/P/a.txt", "alpha\n");
  MustAddFile("$/P/b.txt", "beta\n");
  StartSslServer(server_one_.certificate, server_one_.key, ca_one_.certificate);

  SdkClient client;
  bool connected = false;
  LONG mode = -1;
  const SdkClient::Outcome connect = client.Connect("127.0.0.1", port(), &connected, &mode);
  ASSERT_EQ(connect.result, 0) << connect.description;
  EXPECT_TRUE(connected);
  EXPECT_EQ(mode, Enum_SSL);
  // The server's CA is pinned for its name and port on first sight.
  EXPECT_EQ(ReadFile(PinFile()), ReadFile(ca_one_.certificate));
  const SdkClient::Outcome login = client.Login("alice", "secret");
  ASSERT_EQ(login.result, 0) << login.description;

  LONG files = -1;
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  LONG result = -1;
  ASSERT_EQ(client->GetFileCountInProject(Text("$/P"), &files, &canceled, &description, &result),
            S_OK);
  std::string text = TakeText(description);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(files, 2);

  // Check out (bodies down), change, check in (bodies up), and a whole get
  // into a second folder brings the new body back down.
  const std::string folder = work_folder_ + "/wf";
  IQORVOperationResultSet* items = nullptr;
  ASSERT_EQ(client->CheckoutProject(Text("$/P"), Text(folder.c_str()), Text(""), 0, VARIANT_TRUE,
                                    Enum_WritableFileHandlingReplace, Enum_LF,
                                    Enum_SetLocalFileTimeCurrent, &canceled, &description, &items,
                                    &result),
            S_OK);
  text = TakeText(description);
  ASSERT_EQ(result, 0) << text;
  if (items != nullptr) items->Release();
  EXPECT_EQ(ReadFile(folder + "/b.txt"), "beta\n");
  { std::ofstream(folder + "/a.txt", std::ios::binary) << "alpha, changed\n"; }
  ASSERT_EQ(client->CheckInProject(Text("$/P"), Text(folder.c_str()), Text("over SSL"),
                                   VARIANT_TRUE, 0, 0, Enum_LF, Enum_SetLocalFileTimeCurrent,
                                   Enum_CheckinUnchangedFileHandlingUndoCheckout, VARIANT_TRUE,
                                   nullptr, nullptr, &canceled, &description, &items, &result),
            S_OK);
  text = TakeText(description);
  ASSERT_EQ(result, 0) << text;
  if (items != nullptr) items->Release();

  const std::string second = work_folder_ + "/second";
  ASSERT_EQ(client->GetLatestProject(Text("$/P"), Text(second.c_str()), VARIANT_TRUE, 0,
                                     Enum_WritableFileHandlingSkip, Enum_LF,
                                     Enum_SetLocalFileTimeModification, Text(""), Text(""),
                                     &canceled, &description, &items, &result),
            S_OK);
  text = TakeText(description);
  ASSERT_EQ(result, 0) << text;
  if (items != nullptr) items->Release();
  EXPECT_EQ(ReadFile(second + "/a.txt"), "alpha, changed\n");
  EXPECT_EQ(ReadFile(second + "/b.txt"), "beta\n");
}

// The CA files the SDK holds now.
std::vector<std::string> CaFiles() {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry :
       std::filesystem::directory_iterator(DefaultSslFolder() + "/temp", ignored)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST_F(SslTest, AReconnectReusesTheCaFileWithoutAskingForTheCertificateAgain) {
  MustCreateProject("$/P");
  MustAddFile("$/P/a.txt", "alpha\n");
  StartSslServer(server_one_.certificate, server_one_.key, ca_one_.certificate);
  const std::unique_ptr<SdkClient> client = LoggedInClient();
  const std::vector<std::string> before = CaFiles();
  ASSERT_EQ(before.size(), 1u);

  // The server goes away and comes back on its port: the next request finds
  // the connection dead and reconnects, logging in again.
  StartSslServer(server_one_.certificate, server_one_.key, ca_one_.certificate, port());
  LONG files = -1;
  VARIANT_BOOL canceled = 5;
  BSTR description = nullptr;
  LONG result = -1;
  ASSERT_EQ((*client)->GetFileCountInProject(Text("$/P"), &files, &canceled, &description, &result),
            S_OK);
  const std::string text = TakeText(description);
  EXPECT_EQ(result, 0) << text;
  EXPECT_EQ(files, 1);
  // A certificate asked for again would have been written to a new file.
  EXPECT_EQ(CaFiles(), before);
}

TEST_F(SslTest, AServerCertificateNotChainingToTheCaIsRefused) {
  // The server presents a certificate of the second CA but sends the first.
  StartSslServer(server_two_.certificate, server_two_.key, ca_one_.certificate);
  SdkClient client;
  bool connected = true;
  const SdkClient::Outcome connect = client.Connect("127.0.0.1", port(), &connected);
  EXPECT_EQ(connect.result, 20009);
  EXPECT_EQ(connect.description, "Failed to connect to server through SSL secure port.");
  EXPECT_FALSE(connected);
}

TEST_F(SslTest, APinnedServerWhoseCaChangesIsRefusedUntilThePinIsRemoved) {
  StartSslServer(server_one_.certificate, server_one_.key, ca_one_.certificate);
  const uint16_t first_port = port();
  {
    SdkClient client;
    ASSERT_EQ(client.Connect("127.0.0.1", first_port).result, 0);
  }
  // The same name and port, now with another CA.
  StartSslServer(server_two_.certificate, server_two_.key, ca_two_.certificate, first_port);
  const std::string pin = PinFile();
  {
    SdkClient client;
    const SdkClient::Outcome connect = client.Connect("127.0.0.1", port());
    EXPECT_EQ(connect.result, 20009);
    EXPECT_NE(connect.description.find("certificate authority"), std::string::npos)
        << connect.description;
    EXPECT_NE(connect.description.find("\"" + pin + "\""), std::string::npos)
        << connect.description;
  }
  // Removing the named file accepts the new CA, which is pinned in turn.
  std::filesystem::remove(pin);
  SdkClient client;
  const SdkClient::Outcome connect = client.Connect("127.0.0.1", port());
  EXPECT_EQ(connect.result, 0) << connect.description;
  EXPECT_EQ(ReadFile(pin), ReadFile(ca_two_.certificate));
}

TEST_F(SslTest, TheCallersTrustedCaFileWinsOverTheCaTheServerSends) {
  // The server sends a CA its certificate does not chain to; the caller's
  // file names the right one.
  StartSslServer(server_two_.certificate, server_two_.key, ca_one_.certificate);
  {
    SdkClient client;
    TrustCaFile(client, ca_two_.certificate);
    const SdkClient::Outcome connect = client.Connect("127.0.0.1", port());
    ASSERT_EQ(connect.result, 0) << connect.description;
    EXPECT_EQ(client.Login("alice", "secret").result, 0);
    // Nothing the server sent was pinned.
    EXPECT_FALSE(std::filesystem::exists(PinFile()));
  }
  // And the caller's file refuses a server that does not chain to it, whatever
  // the server sends.
  StartSslServer(server_one_.certificate, server_one_.key, ca_one_.certificate, port());
  SdkClient client;
  TrustCaFile(client, ca_two_.certificate);
  EXPECT_EQ(client.Connect("127.0.0.1", port()).result, 20009);
}

}  // namespace
}  // namespace qorv::integration
