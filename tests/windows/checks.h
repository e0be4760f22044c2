// What the Windows client test programs share: the count of checks, the
// failure line, and the texts a check message is made of.
#ifndef QORV_TESTS_WINDOWS_CHECKS_H_
#define QORV_TESTS_WINDOWS_CHECKS_H_

#include <windows.h>

#include <oleauto.h>

#include <string>

namespace qorv_windows_test {

// Counts the check and prints "FAIL: what" when it does not hold.
void Check(bool ok, const std::string& what);

// "N passed, N failed"; true when nothing failed and something passed.
bool Summary();

std::string Hex(HRESULT hr);
std::string Narrow(const wchar_t* text);

// A BSTR that frees itself.
class Text {
 public:
  explicit Text(const wchar_t* text = nullptr) : value_(text ? ::SysAllocString(text) : nullptr) {}
  ~Text() { ::SysFreeString(value_); }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  BSTR get() const { return value_; }
  BSTR* out() {
    ::SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }
  std::string narrow() const { return Narrow(value_); }

 private:
  BSTR value_;
};

}  // namespace qorv_windows_test

#endif  // QORV_TESTS_WINDOWS_CHECKS_H_
