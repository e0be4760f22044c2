// The registry file as the disk may hold it (written by any version of the
// tools, or edited by hand).
//
// Input: the file's text.
//
// Properties, beyond not crashing:
// - a text refused names the line at fault;
// - whatever reads, written again, reads again, and is written the same the
//   second time (writers read, change and write the whole registry, so a
//   form that did not survive would lose or alter other modules' keys);
// - every key the text holds is found again, by its path, in the registry
//   read from the written text, with the same values.
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/com/registry.h"

namespace qorv::fuzz {
namespace {

void RunRegistryFile(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  platform::RegistryKey root;
  std::string error;
  if (!platform::ParseRegistry(text, &root, &error)) {
    QORV_FUZZ_CHECK(error.starts_with("line "), "a refusal names the line");
    return;
  }
  const std::string written = platform::SerializeRegistry(root);
  platform::RegistryKey again;
  QORV_FUZZ_CHECK(platform::ParseRegistry(written, &again, &error),
                  "a registry that was read can be read again");
  QORV_FUZZ_CHECK(platform::SerializeRegistry(again) == written,
                  "a registry read again is written the same");
  root.ForEachKey([&again](const std::string& path, const platform::RegistryKey& key) {
    const platform::RegistryKey* found = again.Find(path);
    QORV_FUZZ_CHECK(found != nullptr, "every key is written");
    QORV_FUZZ_CHECK(found->values() == key.values(), "every value is written");
  });
  QORV_FUZZ_CHECK(again.values() == root.values(), "the root's values are written");
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::RunRegistryFile(data, size);
  return 0;
}
