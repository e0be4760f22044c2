// The apartment of a thread: hidden windows with a window procedure, sending
// and posting messages to them, pumping the thread's messages, and the
// message-pumping wait.
//
// A window belongs to the thread that created it. Send() from that thread
// calls the procedure directly; from any other thread it queues the message
// and blocks until the owner's pump has run the procedure, so a notification
// is always handled on the owner's thread, synchronously for the sender.
// Messages sent from other threads are delivered inside PeekMessage (and so
// inside every message-pumping wait), as are the host's wait callbacks.
#ifndef QORV_PLATFORM_APARTMENT_H_
#define QORV_PLATFORM_APARTMENT_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/thread.h"

namespace qorv::platform {

inline constexpr uint32_t kWmUser = 0x0400;

// Results of MsgWaitForMultipleObjects.
inline constexpr uint32_t kWaitObject0 = 0;
inline constexpr uint32_t kWaitAbandoned0 = 0x80;
inline constexpr uint32_t kWaitTimeout = 258;
inline constexpr uint32_t kWaitFailed = 0xFFFFFFFF;
inline constexpr uint32_t kInfinite = 0xFFFFFFFF;
// Wake on any queued input: QS_ALLINPUT together with QS_ALLPOSTMESSAGE.
inline constexpr uint32_t kWakeOnAllInput = 0x1FF;

// What identifies a window: its class (name, class style, background brush,
// cursor) and its own name, style and rectangle. Hidden windows are never
// shown; these values only identify them.
struct WindowAttributes {
  std::string class_name;
  uint32_t class_style = 0;
  int32_t background = 0;
  std::string cursor;
  std::string window_name;
  uint32_t style = 0;
  int32_t x = 0, y = 0, width = 0, height = 0;
};

struct WindowState;

class Window {
 public:
  // Returns the result the procedure gives the sender.
  using Procedure = std::function<intptr_t(uint32_t message, uintptr_t wparam, intptr_t lparam)>;

  // Creates a window owned by the calling thread.
  static std::unique_ptr<Window> Create(WindowAttributes attributes, Procedure procedure);

  // Destroys the window; messages still queued for it are dropped and their
  // senders released with result 0. Must run on the owning thread.
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // SendMessage: runs the procedure on the owner's thread and returns its
  // result. While a sender waits, messages sent to the sender's own windows
  // are still delivered, so two threads sending to each other cannot block.
  intptr_t Send(uint32_t message, uintptr_t wparam, intptr_t lparam) const;
  // PostMessage: queues the message and returns at once.
  void Post(uint32_t message, uintptr_t wparam, intptr_t lparam) const;

  const WindowAttributes& attributes() const;
  bool IsOwnedByCurrentThread() const;

 private:
  explicit Window(std::shared_ptr<WindowState> state);
  std::shared_ptr<WindowState> state_;
};

// A posted message taken from the queue by PeekMessage.
struct Message {
  std::shared_ptr<WindowState> window;
  uint32_t message = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
};

// PeekMessage with PM_REMOVE for all windows of the calling thread: first
// delivers every message sent from other threads, then removes the oldest
// posted message into *message. Returns false when none was posted.
bool PeekMessage(Message* message);
// Runs the window procedure of a posted message.
intptr_t DispatchMessage(const Message& message);
// The message pump: while PeekMessage returns a message, dispatch it.
void PumpMessages();

// Waits until one of `handles` is signalled (wait_all false) or all of them
// are (wait_all true), or, when wake_mask is nonzero, until input is queued for
// the calling thread, or until timeout_ms passes (kInfinite: never). Returns
// kWaitObject0 + index of a signalled handle, kWaitObject0 + handles.size()
// for input, kWaitTimeout, or kWaitFailed for a null handle. While it waits
// the host's wait callback of this thread (if any) is called at its interval.
uint32_t MsgWaitForMultipleObjects(std::span<ThreadHandle* const> handles, bool wait_all,
                                   uint32_t timeout_ms, uint32_t wake_mask);

// A host program with its own event loop registers a callback that the waits
// of the calling thread call at least every interval_ms while they wait (and
// once before each wait begins). A null callback removes it.
using WaitCallback = void (*)(void* context);
void SetWaitCallback(WaitCallback callback, void* context, uint32_t interval_ms);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_APARTMENT_H_
