// Runs a fuzz target over files, without libFuzzer, so that every target
// builds with any compiler and its committed corpus replays in CTest under
// the sanitizer build:
//
//   fuzz_<target> PATH...
//
// Each PATH is a file or a folder, whose files (and those of its
// sub-folders) run in name order. A target that finds a fault aborts, which
// fails the run. A run that finds no input at all fails too, so a corpus
// that went missing cannot pass unnoticed.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

namespace {

bool ReadWhole(const std::filesystem::path& file, std::vector<uint8_t>* bytes) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// The files named by one argument, in name order.
std::vector<std::filesystem::path> InputsOf(const std::filesystem::path& argument) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  if (std::filesystem::is_directory(argument, error)) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(argument, error)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
  } else if (std::filesystem::is_regular_file(argument, error)) {
    files.push_back(argument);
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::vector<std::filesystem::path> files = InputsOf(argv[i]);
    if (files.empty()) {
      std::fprintf(stderr, "%s: no inputs\n", argv[i]);
      return 1;
    }
    for (const std::filesystem::path& file : files) {
      std::vector<uint8_t> bytes;
      if (!ReadWhole(file, &bytes)) {
        std::fprintf(stderr, "%s: cannot be read\n", file.c_str());
        return 1;
      }
      // Printed before the run, so that the input of a crash is named.
      std::fprintf(stderr, "running %s (%zu bytes)\n", file.c_str(), bytes.size());
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++replayed;
    }
  }
  if (replayed == 0) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER_OR_FILE...\n", argv[0]);
    return 1;
  }
  std::fprintf(stderr, "replayed %zu inputs\n", replayed);
  return 0;
}
