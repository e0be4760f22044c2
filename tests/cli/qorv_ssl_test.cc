// qorv against a server on the SSL channel: the CA the server sends is
// pinned on first sight, and `--ca-file` names the CA to trust instead, which
// then decides alone whether the server's certificate is accepted.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "qorv_program.h"
#include "sample_server.h"
#include "support/test_certificates.h"

namespace qorv::cli {
namespace {

class QorvSslTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveOpenSslProgram()) GTEST_SKIP() << "no openssl command";
    const std::string folder = sandbox_.Child("certificates");
    std::filesystem::create_directories(folder);
    std::string error;
    ASSERT_TRUE(testing::MakeCertificateAuthority(folder, "ca_one", &ca_one_, &error)) << error;
    ASSERT_TRUE(testing::MakeCertificateAuthority(folder, "ca_two", &ca_two_, &error)) << error;
    ASSERT_TRUE(
        testing::MakeServerCertificate(folder, "server", "127.0.0.1", ca_one_, &server_, &error))
        << error;
  }

  QorvSandbox sandbox_;
  testing::CertificateFiles ca_one_, ca_two_, server_;
};

TEST_F(QorvSslTest, TheCaFileOptionDecidesWhichServerCertificatesAreAccepted) {
  SampleServer server(2, server_.certificate, server_.key, ca_one_.certificate);

  // A CA the server's certificate does not chain to is refused, although
  // the server sends the right one.
  QorvRun run =
      sandbox_.Run({"--json", "--ca-file", ca_two_.certificate, "count", "$/Game"}, server.Login());
  EXPECT_EQ(run.exit_code, 3) << run.out << run.err;
  EXPECT_NE(run.out.find(R"("method":"ConnectToServer")"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("20009"), std::string::npos) << run.out;

  // The CA it chains to is accepted.
  run = sandbox_.Run({"--ca-file", ca_one_.certificate, "count", "$/Game"}, server.Login());
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;

  // Without the option the CA the server sends is taken (and pinned).
  run = sandbox_.Run({"count", "$/Game"}, server.Login());
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
}

}  // namespace
}  // namespace qorv::cli
