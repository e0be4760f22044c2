// The local cache file as the disk may hold it: written by this SDK, by an
// older one, by hand, or cut short.
//
// Input: the file's text.
//
// Properties, beyond not crashing:
// - whatever reads, written again, reads again (nothing the reader accepts
//   is written in a form it refuses);
// - writing is then stable: the second text equals the first, so a cache
//   loaded and saved over and over neither grows nor drifts.
#include <string>

#include "fuzz/fuzz_support.h"
#include "local/cache_format.h"
#include "local/cache_model.h"

namespace qorv::fuzz {
namespace {

void RunCacheFile(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CacheModel model;
  if (!ParseCacheText(text, &model)) return;
  const std::string written = FormatCacheText(model);
  CacheModel again;
  QORV_FUZZ_CHECK(ParseCacheText(written, &again), "a cache that was read can be read again");
  QORV_FUZZ_CHECK(FormatCacheText(again) == written, "a cache read again is written the same");
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::RunCacheFile(data, size);
  return 0;
}
