// Events of the SDK object under Wine: a sink on its connection point gets
// the progress and result events of a get, on the caller's thread.
#ifndef QORV_TESTS_WINDOWS_EVENTS_CHECK_H_
#define QORV_TESTS_WINDOWS_EVENTS_CHECK_H_

#include <windows.h>

#include <string>

namespace qorv_windows_test {

void CheckEvents(const std::wstring& host, LONG port);

}  // namespace qorv_windows_test

#endif  // QORV_TESTS_WINDOWS_EVENTS_CHECK_H_
