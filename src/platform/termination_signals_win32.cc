#include <atomic>

#include "platform/com/win32_api.h"
#include "platform/termination_signals.h"

namespace qorv::platform {
namespace {

// The console's events as the POSIX signals the server's caller knows.
constexpr int kInterruptSignal = 2;   // SIGINT: Ctrl-C
constexpr int kTerminateSignal = 15;  // SIGTERM: Ctrl-Break, the console closed, logoff, shutdown

// The request the handler records and the main thread waits for. The system
// calls the handler, a plain function, on a thread of its own without any
// context, so this lives for the whole process.
struct Requests {
  HANDLE arrived = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<int> signal_number{0};
};

Requests& ProcessRequests() {
  static Requests requests;
  return requests;
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  const int signal_number = event == CTRL_C_EVENT ? kInterruptSignal : kTerminateSignal;
  Requests& requests = ProcessRequests();
  int none = 0;
  requests.signal_number.compare_exchange_strong(none, signal_number);
  ::SetEvent(requests.arrived);
  // TRUE: handled, so that the system does not end the process while the
  // server shuts down in order. After a close, logoff or shutdown the system
  // ends the process once the handler returns, whatever it says: wait here,
  // for the server's shut-down to end the process (the system's own limit
  // for the wait comes after some seconds).
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    ::Sleep(INFINITE);
  }
  return TRUE;
}

}  // namespace

// Nothing is blocked on Windows: no thread is interrupted by a console
// event, the system calls the handler on a thread of its own.
void BlockTerminationSignals() {
  ProcessRequests();
  ::SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

int WaitForTerminationSignal() {
  Requests& requests = ProcessRequests();
  ::WaitForSingleObject(requests.arrived, INFINITE);
  return requests.signal_number.load();
}

}  // namespace qorv::platform
