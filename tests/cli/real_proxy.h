// Real proxy programs started by a test: dante (SOCKS4, SOCKS5, optionally
// with the username method), squid (HTTP CONNECT with Basic or NTLM) and
// tinyproxy (HTTP CONNECT, optionally with Basic), each on a free loopback
// port with a configuration the test writes into a temporary folder. The
// program is stopped and the folder removed when the object goes, on every
// path. A program that is not installed, or a setup that needs root when the
// test does not run as root, makes Start() give the reason to skip.
#ifndef QORV_TESTS_CLI_REAL_PROXY_H_
#define QORV_TESTS_CLI_REAL_PROXY_H_

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "net/cancelable_socket.h"
#include "platform/captured_program.h"
#include "platform/process.h"
#include "qorvsdk/result_codes.h"
#include "support/scoped_temp.h"

namespace qorv::cli {

// The credentials the proxies are set up with.
inline constexpr char kProxyUser[] = "proxyuser";
inline constexpr char kProxyPassword[] = "proxy-pass-7";
// dante checks its username method against system users.
inline constexpr char kSocksSystemUser[] = "qorvsocks";

enum class RealProxyKind {
  kDanteSocks4,     // dante, no method: SOCKS4 and SOCKS5 without credentials
  kDanteUsername,   // dante, SOCKS5 username method (a system user; root only)
  kSquidBasic,      // squid, Basic with an htpasswd file
  kSquidNtlm,       // squid, NTLM with the fake helper (accepts any credentials)
  kTinyproxy,       // tinyproxy, no credentials
  kTinyproxyBasic,  // tinyproxy, Basic
};

class RealProxy {
 public:
  explicit RealProxy(RealProxyKind kind) : kind_(kind) {}
  ~RealProxy() {
    if (program_) {
      program_->Terminate();
      int exit_code = 0;
      program_->Finish(10000, &exit_code);  // then killed
    }
    if (user_created_) RunTool("/usr/sbin/userdel", {kSocksSystemUser});
  }
  RealProxy(const RealProxy&) = delete;
  RealProxy& operator=(const RealProxy&) = delete;

  // Starts the proxy and waits until it accepts connections. Empty on
  // success, else the reason to skip (not installed, not root) or, with
  // *failed set, why it could not start.
  std::string Start(bool* failed) {
    *failed = false;
    const std::string program = ProgramPath();
    if (!std::filesystem::exists(program)) return program + " is not installed";
    if (NeedsRoot() && !platform::RunsAsAdministrator()) {
      return "the proxy's setup needs root (a system user or a change of user)";
    }
    port_ = FreePort();
    std::string error = WriteConfiguration();
    if (error.empty()) error = StartProgram(program);
    if (!error.empty()) *failed = true;
    return error;
  }

  uint16_t port() const { return port_; }
  std::string Url(const std::string& scheme, const std::string& credentials = "") const {
    return scheme + "://" + (credentials.empty() ? "" : credentials + "@") +
           "127.0.0.1:" + std::to_string(port_);
  }
  // The proxy's own log, for a failing test's message.
  std::string Log() const { return ReadLog(log_path_); }

  // How many tunnels to `server_port` on 127.0.0.1 the proxy's logs record
  // (squid's access log, dante's connect lines, tinyproxy's requests).
  int TunnelCount(uint16_t server_port) const {
    const std::string log = ReadLog(Squid() ? folder_.Child("access.log") : log_path_);
    const std::string target =
        std::string(Dante() ? "127.0.0.1." : "127.0.0.1:") + std::to_string(server_port);
    int count = 0;
    for (size_t at = log.find(target); at != std::string::npos; at = log.find(target, at + 1)) {
      ++count;
    }
    return count;
  }

 private:
  static std::string ReadLog(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  std::string ProgramPath() const {
    switch (kind_) {
      case RealProxyKind::kDanteSocks4:
      case RealProxyKind::kDanteUsername:
        return "/usr/sbin/danted";
      case RealProxyKind::kSquidBasic:
      case RealProxyKind::kSquidNtlm:
        return "/usr/sbin/squid";
      default:
        return "/usr/bin/tinyproxy";
    }
  }
  bool Dante() const {
    return kind_ == RealProxyKind::kDanteSocks4 || kind_ == RealProxyKind::kDanteUsername;
  }
  bool Squid() const {
    return kind_ == RealProxyKind::kSquidBasic || kind_ == RealProxyKind::kSquidNtlm;
  }
  // dante runs its privileged part as root and its username method checks
  // system users, which only root creates. squid and tinyproxy switch to
  // their own users only when started as root.
  bool NeedsRoot() const { return Dante(); }
  static bool Root() { return platform::RunsAsAdministrator(); }

  static uint16_t FreePort() {
    CCancelableSocket probe;
    if (probe.Listen("127.0.0.1", 0, 1) != kResultOk) return 0;
    const uint16_t port = probe.LocalPort();
    probe.Close();
    return port;
  }

  // Runs a tool to its end; its exit code, or -1.
  static int RunTool(const std::string& path, const std::vector<std::string>& arguments,
                     const std::string& input = "") {
    platform::CapturedProgram tool;
    if (tool.Start(path, arguments, {}, input) != 0) return -1;
    int exit_code = -1;
    return tool.Finish(30000, &exit_code) ? exit_code : -1;
  }

  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream file(folder_.Child(name), std::ios::binary);
    file << text;
    return file.good() ? "" : "cannot write " + folder_.Child(name);
  }

  std::string WriteConfiguration() {
    // Programs that drop to another user write their logs here.
    std::filesystem::permissions(folder_.path(), std::filesystem::perms::all);
    const std::string port = std::to_string(port_);
    log_path_ = folder_.Child("proxy.log");
    if (Dante()) {
      const char* method = kind_ == RealProxyKind::kDanteUsername ? "username" : "none";
      if (kind_ == RealProxyKind::kDanteUsername) {
        RunTool("/usr/sbin/userdel", {kSocksSystemUser});  // left over by a killed run
        if (RunTool("/usr/sbin/useradd", {"-M", "-s", "/usr/sbin/nologin", kSocksSystemUser}) !=
            0) {
          return "useradd failed";
        }
        user_created_ = true;
        if (RunTool("/usr/sbin/chpasswd", {},
                    std::string(kSocksSystemUser) + ":" + kProxyPassword + "\n") != 0) {
          return "chpasswd failed";
        }
      }
      config_path_ = folder_.Child("danted.conf");
      return Write("danted.conf",
                   "logoutput: " + log_path_ + "\ninternal: 127.0.0.1 port = " + port +
                       "\nexternal: 127.0.0.1\nclientmethod: none\nsocksmethod: " + method +
                       "\nuser.privileged: root\nuser.unprivileged: nobody\n"
                       "client pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n  log: error\n}\n"
                       "socks pass {\n  from: 127.0.0.0/8 to: 127.0.0.0/8\n  command: connect\n"
                       "  log: error connect\n  socksmethod: " +
                       method +
                       "\n}\nsocks block {\n  from: 0.0.0.0/0 to: 0.0.0.0/0\n"
                       "  log: error\n}\n");
    }
    if (Squid()) {
      std::string auth;
      if (kind_ == RealProxyKind::kSquidBasic) {
        if (RunTool("/usr/bin/htpasswd",
                    {"-bc", folder_.Child("htpasswd"), kProxyUser, kProxyPassword}) != 0) {
          return "htpasswd failed (apache2-utils missing?)";
        }
        std::filesystem::permissions(folder_.Child("htpasswd"),
                                     std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
        auth = "auth_param basic program /usr/lib/squid/basic_ncsa_auth " +
               folder_.Child("htpasswd") + "\nauth_param basic children 2\n";
      } else {
        auth =
            "auth_param ntlm program /usr/lib/squid/ntlm_fake_auth\n"
            "auth_param ntlm children 2\n";
      }
      config_path_ = folder_.Child("squid.conf");
      log_path_ = folder_.Child("cache.log");
      return Write("squid.conf", "http_port 127.0.0.1:" + port + "\npid_filename " +
                                     folder_.Child("squid.pid") + "\ncache_log " + log_path_ +
                                     "\naccess_log stdio:" + folder_.Child("access.log") +
                                     (Root() ? "\ncache_effective_user proxy" : "") +
                                     "\ncache deny all\ncache_mem 8 MB\n"
                                     "coredump_dir " +
                                     folder_.path() +
                                     "\nshutdown_lifetime 1 seconds\npinger_enable off\n"
                                     "visible_hostname localhost\n" +
                                     auth +
                                     "acl authed proxy_auth REQUIRED\nacl lo src 127.0.0.0/8\n"
                                     "http_access allow lo authed\nhttp_access deny all\n");
    }
    config_path_ = folder_.Child("tinyproxy.conf");
    return Write("tinyproxy.conf",
                 std::string(Root() ? "User nobody\nGroup nogroup\n" : "") + "Port " + port +
                     "\nListen 127.0.0.1\nTimeout 60\nLogFile \"" + log_path_ + "\"\nPidFile \"" +
                     folder_.Child("tinyproxy.pid") + "\"\nMaxClients 20\nAllow 127.0.0.1\n" +
                     (kind_ == RealProxyKind::kTinyproxyBasic
                          ? "BasicAuth " + std::string(kProxyUser) + " " + kProxyPassword + "\n"
                          : ""));
  }

  std::string StartProgram(const std::string& program) {
    std::vector<std::string> arguments;
    if (Dante()) {
      arguments = {"-f", config_path_, "-p", folder_.Child("danted.pid"), "-N", "1"};
    } else if (Squid()) {
      arguments = {"-N", "-f", config_path_};
    } else {
      arguments = {"-d", "-c", config_path_};
    }
    program_ = std::make_unique<platform::CapturedProgram>();
    if (program_->Start(program, arguments, {}, "") != 0) return "cannot start " + program;
    // Listening within a few hundred milliseconds; ten seconds at most.
    for (int attempt = 0; attempt < 200; ++attempt) {
      CCancelableSocket probe;
      probe.set_connect_poll_limit(1);
      if (probe.Create(false, true, true) == kResultOk &&
          probe.ConnectWithTimeout("127.0.0.1", port_) == kResultOk) {
        return "";
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    int exit_code = 0;
    program_->Finish(1000, &exit_code);
    return program + " did not listen on port " + std::to_string(port_) + ": " + program_->err() +
           Log();
  }

  const RealProxyKind kind_;
  testing::ScopedTempFolder folder_;
  std::unique_ptr<platform::CapturedProgram> program_;
  uint16_t port_ = 0;
  std::string config_path_;
  std::string log_path_;
  bool user_created_ = false;
};

}  // namespace qorv::cli

#endif  // QORV_TESTS_CLI_REAL_PROXY_H_
