// Generated trees of files for the benchmarks, in folders of 100 files, the
// same for the same count on every run.
#ifndef QORV_BENCH_BENCH_TREE_H_
#define QORV_BENCH_BENCH_TREE_H_

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace qorv::bench {

struct Tree {
  std::vector<std::string> files;  // relative paths, "d000/f00000.bin"
  uint64_t bytes = 0;
};

// Writes `size` pseudo-random bytes (they do not compress, like most bodies
// that matter for speed).
void WriteRandomFile(const std::string& path, uint64_t size, std::mt19937_64& random);

// `count` binary files of 1 to 64 KiB of pseudo-random bytes.
Tree MakeBinaryTree(const std::string& root, size_t count);

// `count` files of 1 to 64 KiB as a source tree holds them: four in five are
// text (lines of words ending in LF, as .cc, .h, .txt and .md files), every
// fifth is binary (.bin, pseudo-random bytes).
Tree MakeTextMixTree(const std::string& root, size_t count);

// Throws when a file of `tree` differs between `source` and `copy`.
void CheckCopy(const Tree& tree, const std::string& source, const std::string& copy,
               const std::string& how);

}  // namespace qorv::bench

#endif  // QORV_BENCH_BENCH_TREE_H_
