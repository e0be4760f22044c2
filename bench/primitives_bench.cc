// Throughput of our MD5, MD4 and Blowfish beside OpenSSL's implementations of
// the same algorithms, over the same 64 MiB buffer in the same run, and the
// cost of one Blowfish key schedule. Compare the bytes_per_second columns of
// each Ours/OpenSsl pair.
//
//   cmake --preset release && cmake --build --preset release --target primitives_bench -j2
//   build/release/bench/primitives_bench --benchmark_repetitions=3
//       --benchmark_report_aggregates_only=true   (one command line)
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "codec/md4.h"
#include "net/blowfish.h"
#include "net/md5.h"

namespace {

constexpr size_t kDataSize = 64u * 1024u * 1024u;

// The input, written once before any benchmark runs so that every run reads
// memory the machine has touched recently.
const std::vector<uint8_t>& Data() {
  static const std::vector<uint8_t> data = [] {
    std::vector<uint8_t> bytes(kDataSize);
    std::mt19937 random(1);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
  }();
  return data;
}

// OpenSSL 3 offers MD4 and Blowfish only from the legacy provider, loaded
// together with the default provider.
OSSL_LIB_CTX* Library() {
  static OSSL_LIB_CTX* context = [] {
    OSSL_LIB_CTX* created = OSSL_LIB_CTX_new();
    if (OSSL_PROVIDER_load(created, "legacy") == nullptr ||
        OSSL_PROVIDER_load(created, "default") == nullptr) {
      std::fprintf(stderr, "OpenSSL's legacy provider is not available\n");
      std::abort();
    }
    return created;
  }();
  return context;
}

const uint8_t kKey[16] = {'7', 'K', 'q', 'P', '2', 'm', 'Z', 'x',
                          '9', 'L', 't', 'R', '4', 's', 'W', 'b'};

template <typename Hash>
void BM_DigestOurs(benchmark::State& state) {
  const auto& data = Data();
  uint8_t digest[16];
  for (auto _ : state) {
    Hash hash;
    hash.Update(data.data(), data.size());
    hash.Final(digest);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kDataSize);
}

void BM_DigestOpenSsl(benchmark::State& state, const char* name) {
  const auto& data = Data();
  EVP_MD* md = EVP_MD_fetch(Library(), name, nullptr);
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  for (auto _ : state) {
    EVP_DigestInit_ex2(context, md, nullptr);
    EVP_DigestUpdate(context, data.data(), data.size());
    EVP_DigestFinal_ex(context, digest, &length);
    benchmark::DoNotOptimize(digest);
  }
  EVP_MD_CTX_free(context);
  EVP_MD_free(md);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kDataSize);
}

void BM_Md5Ours(benchmark::State& state) { BM_DigestOurs<qorv::Md5>(state); }
void BM_Md5OpenSsl(benchmark::State& state) { BM_DigestOpenSsl(state, "MD5"); }
void BM_Md4Ours(benchmark::State& state) { BM_DigestOurs<qorv::Md4>(state); }
void BM_Md4OpenSsl(benchmark::State& state) { BM_DigestOpenSsl(state, "MD4"); }

void BM_BlowfishEcbOurs(benchmark::State& state) {
  const auto& data = Data();
  std::vector<uint8_t> out(kDataSize);
  qorv::Blowfish blowfish;
  blowfish.SetKey(kKey, sizeof(kKey));
  for (auto _ : state) {
    blowfish.Encipher(data.data(), out.data(), data.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kDataSize);
}

void BM_BlowfishEcbOpenSsl(benchmark::State& state) {
  const auto& data = Data();
  std::vector<uint8_t> out(kDataSize + 8);
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(Library(), "BF-ECB", nullptr);
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex2(context, cipher, kKey, nullptr, nullptr);
  EVP_CIPHER_CTX_set_padding(context, 0);
  int length = 0;
  for (auto _ : state) {
    EVP_EncryptUpdate(context, out.data(), &length, data.data(), static_cast<int>(data.size()));
    benchmark::DoNotOptimize(out.data());
  }
  EVP_CIPHER_CTX_free(context);
  EVP_CIPHER_free(cipher);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kDataSize);
}

// One key schedule: what every enciphered frame of the channel pays when the
// schedule is not cached.
void BM_BlowfishKeySetupOurs(benchmark::State& state) {
  qorv::Blowfish blowfish;
  for (auto _ : state) {
    blowfish.SetKey(kKey, sizeof(kKey));
    benchmark::DoNotOptimize(&blowfish);
  }
}

void BM_BlowfishKeySetupOpenSsl(benchmark::State& state) {
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(Library(), "BF-ECB", nullptr);
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  for (auto _ : state) {
    EVP_EncryptInit_ex2(context, cipher, kKey, nullptr, nullptr);
    benchmark::DoNotOptimize(context);
  }
  EVP_CIPHER_CTX_free(context);
  EVP_CIPHER_free(cipher);
}

}  // namespace

BENCHMARK(BM_Md5Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Md5OpenSsl)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Md4Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Md4OpenSsl)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlowfishEcbOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlowfishEcbOpenSsl)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlowfishKeySetupOurs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlowfishKeySetupOpenSsl)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  Data();  // warm the input before timing anything
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
