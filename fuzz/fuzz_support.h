// What every fuzz target shares: the entry points libFuzzer (or the replay
// driver) calls, a reader that takes a few choices off the front of an
// input, and the check that stops the run on a broken property.
#ifndef QORV_FUZZ_FUZZ_SUPPORT_H_
#define QORV_FUZZ_FUZZ_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace qorv::fuzz {

// Stops the run when a property of the parser does not hold. A broken
// property is a fault as much as a crash is, so it ends the process the way
// a crash does and libFuzzer keeps the input.
[[noreturn]] inline void PropertyFailed(const char* condition, const char* file, int line,
                                        const char* what) {
  std::fprintf(stderr, "%s:%d: property broken: %s (%s)\n", file, line, what, condition);
  std::abort();
}

#define QORV_FUZZ_CHECK(condition, what)                                                  \
  do {                                                                                    \
    if (!(condition)) ::qorv::fuzz::PropertyFailed(#condition, __FILE__, __LINE__, what); \
  } while (0)

// Takes values off the front of an input: the choices a target makes before
// it hands the rest to the parser. Every take succeeds; past the end it
// gives zeros and empty texts, so any input is a valid one.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

  uint16_t Word() {
    const uint16_t high = Byte();
    return static_cast<uint16_t>(high << 8 | Byte());
  }

  // A length byte, then up to that many bytes (fewer at the end).
  std::string_view Text() {
    const size_t wanted = Byte();
    const size_t length = wanted < size_ - at_ ? wanted : size_ - at_;
    std::string_view text(reinterpret_cast<const char*>(data_ + at_), length);
    at_ += length;
    return text;
  }

  // Everything not taken yet.
  const uint8_t* rest() const { return data_ + at_; }
  size_t rest_size() const { return size_ - at_; }
  std::string_view RestText() const {
    return std::string_view(reinterpret_cast<const char*>(rest()), rest_size());
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace qorv::fuzz

#endif  // QORV_FUZZ_FUZZ_SUPPORT_H_
