// qorv through real proxies started by the test (dante, squid, tinyproxy):
// a listing and a whole get of the sample project, whose file bodies travel
// on transfer connections that traverse the proxy too, and a wrong proxy
// password, which fails with the proxy's code and text and is never shown.
// Each test skips when its proxy is not installed or it does not run as root.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "qorv_program.h"
#include "real_proxy.h"
#include "sample_server.h"

namespace qorv::cli {
namespace {

namespace fs = std::filesystem;

#define QORV_START_PROXY(proxy)                        \
  do {                                                 \
    bool failed = false;                               \
    const std::string reason = (proxy).Start(&failed); \
    if (failed) FAIL() << reason;                      \
    if (!reason.empty()) GTEST_SKIP() << reason;       \
  } while (0)

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

class QorvProxyTest : public ::testing::Test {
 protected:
  QorvRun Run(const std::string& proxy_url, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--proxy", proxy_url});
    return sandbox_.Run(arguments, server_.Login());
  }

  // The proxy's count of tunnels to the server once it stops changing (a
  // proxy may log a tunnel only after it closed).
  int SettledTunnels(const RealProxy& proxy) {
    int count = proxy.TunnelCount(server_.server().port());
    for (int i = 0; i < 20; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      const int again = proxy.TunnelCount(server_.server().port());
      if (again == count && i >= 2) break;
      count = again;
    }
    return count;
  }

  // `qorv ls` and a whole `qorv get -r` of the sample project through the
  // proxy at `url`. The get opens transfer connections besides its main
  // one, so the proxy logs more tunnels for it than for the listing.
  void ListAndGet(const std::string& url, const RealProxy& proxy) {
    const int before = SettledTunnels(proxy);
    QorvRun run = Run(url, {"ls", kSampleProject});
    ASSERT_EQ(run.exit_code, 0) << run.err << proxy.Log();
    EXPECT_NE(run.out.find("README.txt"), std::string::npos) << run.out;
    const int after_ls = SettledTunnels(proxy);
    EXPECT_GT(after_ls, before) << "the listing did not go through the proxy";

    const std::string work = sandbox_.Child("work" + std::to_string(++gets_));
    run = Run(url, {"get", "-r", kSampleProject, "-C", work});
    ASSERT_EQ(run.exit_code, 0) << run.err << proxy.Log();
    EXPECT_EQ(ReadText(work + "/Game/src/main.c"), SampleLatestMainText());
    EXPECT_TRUE(fs::is_regular_file(work + "/Game/README.txt"));
    EXPECT_EQ(fs::file_size(work + "/Game/assets/logo.png"), 8u + 512u);
    EXPECT_GT(SettledTunnels(proxy) - after_ls, after_ls - before)
        << "the transfer connections did not go through the proxy";
  }

  // A wrong password: the exit code and text of the proxy's failure, and
  // the password nowhere in what qorv writes.
  void ExpectRefused(const std::string& url, int exit_code, const std::string& text) {
    const QorvRun run = Run(url, {"ls", kSampleProject});
    EXPECT_EQ(run.exit_code, exit_code) << run.out << run.err;
    EXPECT_NE((run.out + run.err).find(text), std::string::npos) << run.out << run.err;
    EXPECT_EQ((run.out + run.err).find("wrong-pass-9"), std::string::npos) << run.err;
    const QorvRun json = Run(url, {"--json", "ls", kSampleProject});
    EXPECT_EQ(json.exit_code, exit_code) << json.out;
    EXPECT_NE(json.out.find(text), std::string::npos) << json.out;
    EXPECT_EQ((json.out + json.err).find("wrong-pass-9"), std::string::npos) << json.out;
  }

  SampleServer server_;
  QorvSandbox sandbox_;
  int gets_ = 0;
};

TEST_F(QorvProxyTest, DanteSocks4AndSocks5WithoutCredentials) {
  RealProxy proxy(RealProxyKind::kDanteSocks4);
  QORV_START_PROXY(proxy);
  ListAndGet(proxy.Url("socks4"), proxy);
  ListAndGet(proxy.Url("socks4", "anyone"), proxy);  // the user id stays empty
  ListAndGet(proxy.Url("socks5"), proxy);
}

TEST_F(QorvProxyTest, DanteSocks5WithUserNameAndPassword) {
  RealProxy proxy(RealProxyKind::kDanteUsername);
  QORV_START_PROXY(proxy);
  ListAndGet(proxy.Url("socks5", std::string(kSocksSystemUser) + ":" + kProxyPassword), proxy);
  ExpectRefused(proxy.Url("socks5", std::string(kSocksSystemUser) + ":wrong-pass-9"), 4,
                "Proxy server authentication failed");
  // Without credentials the proxy accepts no offered method.
  ExpectRefused(proxy.Url("socks5"), 4, "Proxy server authentication failed");
}

TEST_F(QorvProxyTest, SquidWithBasic) {
  RealProxy proxy(RealProxyKind::kSquidBasic);
  QORV_START_PROXY(proxy);
  ListAndGet(proxy.Url("http", std::string(kProxyUser) + ":" + kProxyPassword), proxy);
  ExpectRefused(proxy.Url("http", std::string(kProxyUser) + ":wrong-pass-9"), 3,
                "Error response from proxy server");
}

TEST_F(QorvProxyTest, SquidWithNtlm) {
  RealProxy proxy(RealProxyKind::kSquidNtlm);
  QORV_START_PROXY(proxy);
  // The fake helper takes any credentials; the user name goes whole.
  ListAndGet(proxy.Url("http", std::string("WORKGROUP%5C") + kProxyUser + ":" + kProxyPassword),
             proxy);
}

TEST_F(QorvProxyTest, TinyproxyPlainAndBasic) {
  RealProxy plain(RealProxyKind::kTinyproxy);
  QORV_START_PROXY(plain);
  ListAndGet(plain.Url("http"), plain);

  RealProxy basic(RealProxyKind::kTinyproxyBasic);
  QORV_START_PROXY(basic);
  ListAndGet(basic.Url("http", std::string(kProxyUser) + ":" + kProxyPassword), basic);
  ExpectRefused(basic.Url("http", std::string(kProxyUser) + ":wrong-pass-9"), 3,
                "Error response from proxy server");
}

}  // namespace
}  // namespace qorv::cli
