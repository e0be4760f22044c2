#include "bench_tree.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>

#include "bench_tools.h"

namespace qorv::bench {

namespace fs = std::filesystem;

namespace {

constexpr size_t kFilesPerFolder = 100;
constexpr uint64_t kSmallest = 1024;
constexpr uint64_t kLargest = 64 * 1024;
constexpr uint64_t kSeed = 20261207;

// Lines of 2 to 16 words with an indent, until `size` bytes (the last line
// cut short, still ending in LF).
void WriteTextFile(const std::string& path, uint64_t size, std::mt19937_64& random) {
  static constexpr std::array<const char*, 24> kWords = {
      "return", "const",   "value", "int32_t", "size",  "std::string", "if",     "for",
      "while",  "buffer",  "count", "result",  "false", "true",        "status", "file",
      "name",   "project", "=",     "+",       "(",     ")",           "{",      "};"};
  std::uniform_int_distribution<size_t> word(0, kWords.size() - 1);
  std::uniform_int_distribution<size_t> words_per_line(2, 16);
  std::uniform_int_distribution<size_t> indent(0, 4);
  std::string text;
  text.reserve(size + 128);
  while (text.size() < size) {
    text.append(2 * indent(random), ' ');
    for (size_t n = words_per_line(random); n > 0; --n) {
      text += kWords[word(random)];
      text += n > 1 ? ' ' : '\n';
    }
  }
  text.resize(size - 1);
  text += '\n';
  std::ofstream out(path, std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  Check(out.good(), "cannot write " + path);
}

std::string FolderOf(size_t index) { return Padded("d", index / kFilesPerFolder, 3); }

}  // namespace

void WriteRandomFile(const std::string& path, uint64_t size, std::mt19937_64& random) {
  std::ofstream out(path, std::ios::binary);
  std::vector<uint64_t> block(8192);
  while (size > 0) {
    for (uint64_t& word : block) word = random();
    const uint64_t piece = std::min<uint64_t>(size, block.size() * sizeof(uint64_t));
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(piece));
    size -= piece;
  }
  Check(out.good(), "cannot write " + path);
}

Tree MakeBinaryTree(const std::string& root, size_t count) {
  Tree tree;
  std::mt19937_64 random(kSeed);
  std::uniform_int_distribution<uint64_t> size(kSmallest, kLargest);
  for (size_t i = 0; i < count; ++i) {
    fs::create_directories(root + "/" + FolderOf(i));
    const std::string relative = FolderOf(i) + "/" + Padded("f", i, 5) + ".bin";
    const uint64_t bytes = size(random);
    WriteRandomFile(root + "/" + relative, bytes, random);
    tree.files.push_back(relative);
    tree.bytes += bytes;
  }
  return tree;
}

Tree MakeTextMixTree(const std::string& root, size_t count) {
  static constexpr std::array<const char*, 5> kExtensions = {".cc", ".h", ".txt", ".md", ".bin"};
  Tree tree;
  std::mt19937_64 random(kSeed);
  std::uniform_int_distribution<uint64_t> size(kSmallest, kLargest);
  for (size_t i = 0; i < count; ++i) {
    fs::create_directories(root + "/" + FolderOf(i));
    const char* extension = kExtensions[i % kExtensions.size()];
    const std::string relative = FolderOf(i) + "/" + Padded("f", i, 6) + extension;
    const uint64_t bytes = size(random);
    if (std::string(extension) == ".bin") {
      WriteRandomFile(root + "/" + relative, bytes, random);
    } else {
      WriteTextFile(root + "/" + relative, bytes, random);
    }
    tree.files.push_back(relative);
    tree.bytes += bytes;
  }
  return tree;
}

void CheckCopy(const Tree& tree, const std::string& source, const std::string& copy,
               const std::string& how) {
  for (const std::string& file : tree.files) {
    Check(SameContent(source + "/" + file, copy + "/" + file), how + ": " + file + " differs");
  }
}

}  // namespace qorv::bench
