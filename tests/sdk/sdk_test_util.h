// Helpers shared by the SDK tests: creating objects through the class table
// and reading BSTRs.
#ifndef QORV_TESTS_SDK_SDK_TEST_UTIL_H_
#define QORV_TESTS_SDK_SDK_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <string>

#include "platform/com/text_convert.h"
#include "qorvsdk/comtypes.h"
#include "sdk/class_table.h"

namespace qorv::sdk {

// A new object of `clsid` through its class object, as interface I.
template <class I>
I* CreateObject(const CLSID& clsid, const IID& iid) {
  IClassFactory* factory = nullptr;
  EXPECT_EQ(GetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  if (factory == nullptr) return nullptr;
  I* object = nullptr;
  EXPECT_EQ(factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object)), S_OK);
  factory->Release();
  return object;
}

// The text of a BSTR, freeing it.
inline std::string TakeText(BSTR text) {
  std::string result = BstrToUtf8(text);
  SysFreeString(text);
  return result;
}

// An owned BSTR for the duration of a statement.
class Text {
 public:
  explicit Text(const char* text) : value_(Utf8ToBstr(text)) {}
  ~Text() { SysFreeString(value_); }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  operator BSTR() const { return value_; }

 private:
  BSTR value_;
};

}  // namespace qorv::sdk

#endif  // QORV_TESTS_SDK_SDK_TEST_UTIL_H_
