#include "checks.h"

#include <cstdio>

namespace qorv_windows_test {
namespace {

struct Counts {
  int passed = 0;
  int failed = 0;
};

Counts& TheCounts() {
  static Counts counts;
  return counts;
}

}  // namespace

void Check(bool ok, const std::string& what) {
  if (ok) {
    ++TheCounts().passed;
  } else {
    ++TheCounts().failed;
    std::printf("FAIL: %s\n", what.c_str());
  }
}

bool Summary() {
  std::printf("%d passed, %d failed\n", TheCounts().passed, TheCounts().failed);
  return TheCounts().failed == 0 && TheCounts().passed > 0;
}

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof(text), "%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::string Narrow(const wchar_t* text) {
  if (text == nullptr) return std::string();
  int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(length > 0 ? length - 1 : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), length, nullptr, nullptr);
  return result;
}

}  // namespace qorv_windows_test
