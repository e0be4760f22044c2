#include <errno.h>
#include <signal.h>

#include "platform/termination_signals.h"

namespace qorv::platform {
namespace {

sigset_t TerminationSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

void BlockTerminationSignals() {
  const sigset_t set = TerminationSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int WaitForTerminationSignal() {
  const sigset_t set = TerminationSet();
  int signal_number = 0;
  while (sigwait(&set, &signal_number) != 0) {
  }
  return signal_number;
}

}  // namespace qorv::platform
