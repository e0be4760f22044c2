// The requests to end a long-running program: SIGINT (Ctrl+C) and SIGTERM.
//
// A server blocks them before it starts its threads, so that no thread is
// interrupted at a random point, and then waits for them on its main thread
// to shut down in order.
#ifndef QORV_PLATFORM_TERMINATION_SIGNALS_H_
#define QORV_PLATFORM_TERMINATION_SIGNALS_H_

namespace qorv::platform {

// Blocks the termination requests in the calling thread; threads started
// afterwards inherit the block. Call before starting any thread.
void BlockTerminationSignals();

// Waits until a termination request arrives (blocked beforehand with
// BlockTerminationSignals) and returns its signal number.
int WaitForTerminationSignal();

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_TERMINATION_SIGNALS_H_
