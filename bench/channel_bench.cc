// A whole get of a tree of large files (ten of 100 MB) through the SDK
// module from qorvd on loopback, on the plain, the Blowfish and the SSL
// channel in one run, beside the speed of OpenSSL's Blowfish in ECB mode on
// this machine:
//  - the Blowfish channel's end-to-end rate (bytes of the tree over the
//    get's time) should be at least 0.6 of OpenSSL's Blowfish ECB rate over
//    the same number of bytes enciphered in 64 KiB pieces in memory;
//  - the SSL channel's get should take at most 1.5 times the plain one's.
// Every channel runs twice, in rotated order, and its best round counts.
// The tree is made and imported once; qorvd is started over it once per
// channel. The connection and login are not timed.
//
//   build/release/bench/channel_bench
//   QORV_BENCH_CHANNEL_FILES=4 QORV_BENCH_CHANNEL_MB=50 build/release/bench/channel_bench
//
// Needs qorvd and libqorvsdk.so (built beside this program) and the openssl
// command (the throwaway CA and server certificate of the SSL channel).
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_tools.h"
#include "bench_tree.h"
#include "sdk_session.h"
#include "server_process.h"

namespace qorv::bench {
namespace {

namespace fs = std::filesystem;

constexpr char kProject[] = "$/Large";
constexpr size_t kRounds = 2;
constexpr double kGoalBlowfishPerOpenSsl = 0.6;  // at least
constexpr double kGoalSslPerPlain = 1.5;         // at most

// Megabytes per second of OpenSSL's Blowfish ECB over `bytes` bytes,
// enciphered in 64 KiB pieces as a channel would (best of three).
double OpenSslBlowfishEcbRate(uint64_t bytes) {
  OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
  OSSL_PROVIDER* standard = OSSL_PROVIDER_load(nullptr, "default");
  Check(legacy != nullptr, "OpenSSL's legacy provider (Blowfish) is not available");
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "BF-ECB", nullptr);
  Check(cipher != nullptr, "OpenSSL has no BF-ECB");
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  const unsigned char key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  Check(EVP_EncryptInit_ex2(context, cipher, key, nullptr, nullptr) == 1 &&
            EVP_CIPHER_CTX_set_key_length(context, sizeof key) == 1 &&
            EVP_EncryptInit_ex2(context, nullptr, key, nullptr, nullptr) == 1,
        "cannot key BF-ECB");
  EVP_CIPHER_CTX_set_padding(context, 0);
  std::vector<unsigned char> in(65536, 0x5A);
  std::vector<unsigned char> out(in.size() + 8);
  double best = 1e30;
  for (int round = 0; round < 3; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (uint64_t done = 0; done < bytes; done += in.size()) {
      int length = 0;
      EVP_EncryptUpdate(context, out.data(), &length, in.data(), static_cast<int>(in.size()));
      in[done % in.size()] ^= out[0];  // the next piece depends on this one
    }
    best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));
  }
  EVP_CIPHER_CTX_free(context);
  EVP_CIPHER_free(cipher);
  OSSL_PROVIDER_unload(standard);
  OSSL_PROVIDER_unload(legacy);
  return static_cast<double>(bytes) / 1e6 / best;
}

// A throwaway CA and a server certificate for 127.0.0.1 signed by it, in
// `folder`: ca.pem, server.pem and server.key.
void MakeCertificates(const std::string& folder) {
  fs::create_directories(folder);
  const std::string q = Quoted(folder);
  Bash("cd " + q +
       " && openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2"
       " -subj /CN=bench-ca 2>/dev/null"
       " && openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr"
       " -subj /CN=127.0.0.1 2>/dev/null"
       " && printf 'subjectAltName=IP:127.0.0.1\\n' > san.cnf"
       " && openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial"
       " -out server.pem -days 2 -extfile san.cnf 2>/dev/null");
  Check(fs::exists(folder + "/server.pem"), "openssl did not make the certificates");
}

struct Channel {
  const char* name;
  std::vector<std::string> options;  // qorvd's channel options
};

void BM_LargeFilesOnEveryChannel(benchmark::State& state) {
  const size_t files = FromEnvironment("QORV_BENCH_CHANNEL_FILES", 10);
  const uint64_t megabytes = FromEnvironment("QORV_BENCH_CHANNEL_MB", 100);
  const std::string module = QORV_BENCH_SDK_MODULE;
  for (auto _ : state) {
    Workspace workspace(fs::temp_directory_path());
    const std::string source = workspace.Path("large");
    fs::create_directories(source);
    std::mt19937_64 random(11);
    std::vector<std::string> names;
    for (size_t i = 0; i < files; ++i) {
      names.push_back(Padded("large", i, 2) + ".bin");
      WriteRandomFile(source + "/" + names.back(), megabytes << 20, random);
    }
    const uint64_t bytes = static_cast<uint64_t>(files) * (megabytes << 20);
    const std::string certificates = workspace.Path("certificates");
    MakeCertificates(certificates);
    const std::string data = workspace.Path("data");
    {
      ServerProcess loader(QorvdPath(), data);
      loader.Import(source, kProject);
    }

    const std::vector<Channel> channels = {
        {"plain", {"--encryption", "0"}},
        {"blowfish", {"--encryption", "1"}},
        {"ssl",
         {"--encryption", "2", "--cert", certificates + "/server.pem", "--key",
          certificates + "/server.key", "--ca", certificates + "/ca.pem"}},
    };
    std::vector<double> best(channels.size(), 1e30);
    for (size_t round = 0; round < kRounds; ++round) {
      for (size_t k = 0; k < channels.size(); ++k) {
        const size_t c = (k + round) % channels.size();
        ServerProcess server(QorvdPath(), data, channels[c].options);
        const std::string tag = std::string(channels[c].name) + std::to_string(round);
        SdkSession session(module, workspace.Path("session_" + tag), server.port());
        const std::string target = workspace.Path("get_" + tag);
        Bash("sync");  // no dirty pages left by the round before
        const auto start = std::chrono::steady_clock::now();
        session.GetLatestProject(kProject, target);
        best[c] = std::min(best[c], Seconds(std::chrono::steady_clock::now() - start));
        if (round == 0) {
          for (const std::string& name : names) {
            Check(SameContent(source + "/" + name, target + "/" + name),
                  std::string(channels[c].name) + ": " + name + " came back different");
          }
        }
        fs::remove_all(target);  // a gigabyte per copy: keep one at a time
      }
    }

    const double openssl_rate = OpenSslBlowfishEcbRate(bytes);
    const double megabytes_total = static_cast<double>(bytes) / 1e6;
    const double blowfish_rate = megabytes_total / best[1];
    state.SetIterationTime(best[0]);
    state.counters["MB"] = megabytes_total;
    state.counters["plain_s"] = best[0];
    state.counters["blowfish_s"] = best[1];
    state.counters["ssl_s"] = best[2];
    state.counters["blowfish_MBps"] = blowfish_rate;
    state.counters["openssl_bf_ecb_MBps"] = openssl_rate;
    state.counters["blowfish_per_openssl"] = blowfish_rate / openssl_rate;
    state.counters["ssl_per_plain"] = best[2] / best[0];
    state.counters["goal_met_blowfish"] =
        blowfish_rate / openssl_rate >= kGoalBlowfishPerOpenSsl ? 1 : 0;
    state.counters["goal_met_ssl"] = best[2] / best[0] <= kGoalSslPerPlain ? 1 : 0;
  }
}
BENCHMARK(BM_LargeFilesOnEveryChannel)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qorv::bench

BENCHMARK_MAIN();
