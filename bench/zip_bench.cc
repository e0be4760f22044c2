// The compressed form on loopback: the text files of the generated
// 10,000-file tree (four in five of its files: .cc, .h, .txt, .md) fetched
// from qorvd through the request engine with the compressed setting on and
// off, in the same run, beside gzip -1 of the same files.
//
// What is counted as the compressed form's bytes: the archives the client
// received, summed (each archive is a batch's body as it travelled, without
// the 4-byte length of each message, the 65 request and the dates message,
// which both forms share). The plain form's body bytes are the files'
// sizes. gzip -1 is counted twice: each file compressed alone, summed, and
// the files in one tar stream compressed as a whole.
//
// Then the deflate levels: the same text files, concatenated into batches
// of 1 MiB as a get batches them, packed in memory at levels 1, 6 and 9,
// with the time each took.
//
//   build/release/bench/zip_bench
//   QORV_BENCH_FILES=2000 build/release/bench/zip_bench
//
// Needs qorvd (built beside this program), bash, find, tar and gzip.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench_tools.h"
#include "bench_tree.h"
#include "codec/zip_archive.h"
#include "engine_client.h"
#include "local/file_layer.h"
#include "platform/file_system_interface.h"
#include "server_process.h"

namespace qorv {
namespace {

namespace fs = std::filesystem;
using bench::Bash;
using bench::Check;
using bench::EngineClient;
using bench::MakeFolders;
using bench::Seconds;
using bench::Tree;
using bench::Workspace;

// Counts the bytes written to the received archives ("ziprecv" body
// temporaries).
class ArchiveBytes : public platform::FileSystemWrapper {
 public:
  ArchiveBytes() : FileSystemWrapper(platform::NativeFileSystem()) {}

  int Open(const std::string& path, platform::FileAccess access, platform::FileCreation creation,
           platform::FileSharing sharing, std::unique_ptr<platform::OpenFile>* file) override {
    const int error = target().Open(path, access, creation, sharing, file);
    if (error == 0 && path.find("~_~_~_ziprecv") != std::string::npos) {
      *file = std::make_unique<Counted>(std::move(*file), bytes_);
    }
    return error;
  }
  uint64_t bytes() const { return bytes_; }

 private:
  class Counted : public platform::OpenFile {
   public:
    Counted(std::unique_ptr<platform::OpenFile> file, std::atomic<uint64_t>& bytes)
        : file_(std::move(file)), bytes_(bytes) {}
    int Read(void* buffer, size_t size, size_t* read) override {
      return file_->Read(buffer, size, read);
    }
    int Write(const void* buffer, size_t size) override {
      const int error = file_->Write(buffer, size);
      if (error == 0) bytes_ += size;
      return error;
    }
    int Seek(uint64_t offset) override { return file_->Seek(offset); }
    int Truncate(uint64_t size) override { return file_->Truncate(size); }
    int Size(uint64_t* size) override { return file_->Size(size); }
    int Sync() override { return file_->Sync(); }
    int Close() override { return file_->Close(); }

   private:
    std::unique_ptr<platform::OpenFile> file_;
    std::atomic<uint64_t>& bytes_;
  };

  std::atomic<uint64_t> bytes_{0};
};

uint64_t Number(const std::string& text) { return std::stoull(text); }

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The packed size of `input` at `level`, and the seconds it took.
uint64_t PackedSize(const std::string& input, int level, double* seconds) {
  uint64_t size = 0;
  size_t at = 0;
  ZipPackIo io;
  io.read = [&](uint8_t* into, size_t capacity, size_t* got) {
    *got = std::min(capacity, input.size() - at);
    std::memcpy(into, input.data() + at, *got);
    at += *got;
    return true;
  };
  io.write = [&](const uint8_t*, size_t count) {
    size += count;
    return true;
  };
  io.rewrite = [](uint64_t, const uint8_t*, size_t) { return true; };
  ZipPackOptions options;
  options.level = level;
  const auto start = std::chrono::steady_clock::now();
  Check(PackZip(io, options).ok(), "packing failed");
  *seconds += Seconds(std::chrono::steady_clock::now() - start);
  return size;
}

void BM_TextTreeZippedBesideGzip(benchmark::State& state) {
  const size_t count = bench::FromEnvironment("QORV_BENCH_FILES", 10000);
  for (auto _ : state) {
    Workspace workspace(bench::TreeParent());
    const std::string source = workspace.Path("tree");
    const Tree tree = bench::MakeTextMixTree(source, count);
    Tree text;
    for (const std::string& file : tree.files) {
      if (fs::path(file).extension() == ".bin") continue;
      text.files.push_back(file);
      text.bytes += fs::file_size(source + "/" + file);
    }
    bench::ServerProcess server(bench::QorvdPath(), workspace.Path("data"));
    server.Import(source, "$/Tree");

    ArchiveBytes counter;
    FileLayer files(counter);
    double seconds[2] = {0, 0};
    for (const bool compressed : {false, true}) {
      EngineClient client(server.port(), files, compressed);
      const std::string target = workspace.Path(compressed ? "zipped" : "plain");
      MakeFolders(target, text.files);
      Bash("sync");
      const auto start = std::chrono::steady_clock::now();
      client.Get("$/Tree", text.files, target, /*line_ending_mode=*/1);  // LF, as written
      seconds[compressed ? 1 : 0] = Seconds(std::chrono::steady_clock::now() - start);
      bench::CheckCopy(text, source, target, compressed ? "zipped get" : "plain get");
    }
    const uint64_t archive_bytes = counter.bytes();

    // gzip -1: each file alone, and the files as one tar stream.
    const std::string list = workspace.Path("text.list");
    {
      std::ofstream out(list);
      for (const std::string& file : text.files) out << file << "\n";
    }
    const std::string in_source = "cd " + bench::Quoted(source) + " && ";
    const uint64_t gzip_each =
        Number(Bash(in_source + "while IFS= read -r f; do gzip -1 -c \"$f\" | wc -c; done < " +
                    bench::Quoted(list) + " | awk '{s+=$1} END {print s}'"));
    const uint64_t gzip_tar =
        Number(Bash(in_source + "tar -cf - -T " + bench::Quoted(list) + " | gzip -1 -c | wc -c"));

    // The deflate levels on 1 MiB batches of the same text.
    std::vector<std::string> batches(1);
    for (const std::string& file : text.files) {
      if (batches.back().size() >= (1u << 20)) batches.emplace_back();
      batches.back() += ReadWhole(source + "/" + file);
    }
    for (const int level : {1, 6, 9}) {
      double level_seconds = 0;
      uint64_t packed = 0;
      for (const std::string& batch : batches) packed += PackedSize(batch, level, &level_seconds);
      const std::string name = "level" + std::to_string(level);
      state.counters[name + "_ratio"] =
          static_cast<double>(packed) / static_cast<double>(text.bytes);
      state.counters[name + "_MBps"] = static_cast<double>(text.bytes) / 1e6 / level_seconds;
    }

    state.SetIterationTime(seconds[1]);
    state.counters["text_files"] = static_cast<double>(text.files.size());
    state.counters["text_MB"] = static_cast<double>(text.bytes) / 1e6;
    state.counters["zip_wire_MB"] = static_cast<double>(archive_bytes) / 1e6;
    state.counters["gzip1_each_MB"] = static_cast<double>(gzip_each) / 1e6;
    state.counters["gzip1_tar_MB"] = static_cast<double>(gzip_tar) / 1e6;
    state.counters["zip_per_gzip1_each"] =
        static_cast<double>(archive_bytes) / static_cast<double>(gzip_each);
    state.counters["zip_per_gzip1_tar"] =
        static_cast<double>(archive_bytes) / static_cast<double>(gzip_tar);
    state.counters["plain_get_s"] = seconds[0];
    state.counters["zipped_get_s"] = seconds[1];
  }
}
BENCHMARK(BM_TextTreeZippedBesideGzip)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qorv

BENCHMARK_MAIN();
