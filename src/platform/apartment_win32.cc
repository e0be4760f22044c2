// The apartment on Windows: real hidden windows of a registered window
// class, the system's SendMessage, PostMessage and message queue, and
// MsgWaitForMultipleObjectsEx.
#include <algorithm>
#include <atomic>
#include <chrono>

#include "platform/apartment.h"
#include "platform/com/win32_api.h"
#include "platform/message_queue.h"

namespace qorv::platform {

struct WindowState : std::enable_shared_from_this<WindowState> {
  WindowAttributes attributes;
  Window::Procedure procedure;
  HWND handle = nullptr;
  DWORD owner_thread = 0;
  std::atomic<bool> alive{true};
};

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks at the threads it waits for: their end is a flag of
// ThreadHandle, not a system object.
constexpr DWORD kThreadPollMs = 5;

struct WaitCallbackSlot {
  WaitCallback callback = nullptr;
  void* context = nullptr;
  uint32_t interval_ms = 0;
};

WaitCallbackSlot& ThisThreadCallback() {
  thread_local WaitCallbackSlot slot;
  return slot;
}

void CallHostCallback() {
  const WaitCallbackSlot& slot = ThisThreadCallback();
  if (slot.callback != nullptr) slot.callback(slot.context);
}

// The module (DLL or program) this code is in: its window class is
// registered under that instance.
HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisThreadCallback), &module);
  return module;
}

WindowState* StateOf(HWND window) {
  return reinterpret_cast<WindowState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Messages from WM_USER on are the procedure's; the system's own messages
// (creation, activation ...) get the default handling.
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  WindowState* state = StateOf(window);
  if (state != nullptr && message >= WM_USER && state->alive.load()) {
    return state->procedure(message, wparam, lparam);
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

bool RegisterWindowClass(const WindowAttributes& attributes, const std::wstring& name) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = attributes.class_style;
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = ThisModule();
  window_class.hbrBackground =
      reinterpret_cast<HBRUSH>(static_cast<intptr_t>(attributes.background));
  if (attributes.cursor == "IDC_ARROW") window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = name.c_str();
  return ::RegisterClassExW(&window_class) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

// ---- MessageQueue ------------------------------------------------------------
// The system keeps each thread's messages; this queue only carries the wake
// flag that ThreadHandle sets when a waited-for thread ends.

MessageQueue::~MessageQueue() = default;

namespace {
thread_local std::shared_ptr<MessageQueue> this_thread_queue;
}  // namespace

const std::shared_ptr<MessageQueue>& MessageQueue::Current() {
  if (!this_thread_queue) this_thread_queue = std::make_shared<MessageQueue>();
  return this_thread_queue;
}

MessageQueue* MessageQueue::CurrentIfAny() { return this_thread_queue.get(); }

void MessageQueue::Wake() {
  {
    MutexLock lock(mutex_);
    woken_ = true;
  }
  wake_.NotifyAll();
}

// ---- Window ------------------------------------------------------------------

Window::Window(std::shared_ptr<WindowState> state) : state_(std::move(state)) {}

std::unique_ptr<Window> Window::Create(WindowAttributes attributes, Procedure procedure) {
  auto state = std::make_shared<WindowState>();
  state->attributes = std::move(attributes);
  state->procedure = std::move(procedure);
  state->owner_thread = ::GetCurrentThreadId();
  const std::wstring class_name = WideText(state->attributes.class_name);
  if (!RegisterWindowClass(state->attributes, class_name)) return nullptr;
  const WindowAttributes& a = state->attributes;
  // A message-only window: never shown, left out of the enumeration of
  // top-level windows, and needs no display (a service or a headless
  // session has none).
  state->handle = ::CreateWindowExW(0, class_name.c_str(), WideText(a.window_name).c_str(),
                                    a.style & ~static_cast<DWORD>(WS_VISIBLE), a.x, a.y, a.width,
                                    a.height, HWND_MESSAGE, nullptr, ThisModule(), state.get());
  if (state->handle == nullptr) return nullptr;
  return std::unique_ptr<Window>(new Window(std::move(state)));
}

Window::~Window() {
  state_->alive.store(false);
  ::DestroyWindow(state_->handle);
  // Refused while other windows of the class live; the last window's
  // destruction unregisters it, so that a module loaded again later
  // registers its own procedure.
  ::UnregisterClassW(WideText(state_->attributes.class_name).c_str(), ThisModule());
}

const WindowAttributes& Window::attributes() const { return state_->attributes; }

bool Window::IsOwnedByCurrentThread() const {
  return state_->owner_thread == ::GetCurrentThreadId();
}

intptr_t Window::Send(uint32_t message, uintptr_t wparam, intptr_t lparam) const {
  if (!state_->alive.load()) return 0;
  return ::SendMessageW(state_->handle, message, wparam, lparam);
}

void Window::Post(uint32_t message, uintptr_t wparam, intptr_t lparam) const {
  if (!state_->alive.load()) return;
  ::PostMessageW(state_->handle, message, wparam, lparam);
}

// ---- Pump and waits ----------------------------------------------------------

// Messages for windows that are not this layer's (the host's own windows on
// this thread) are translated and dispatched here, as the host's loop would.
bool PeekMessage(Message* message) {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Left for the host's own loop.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    WindowState* state = msg.hwnd != nullptr ? StateOf(msg.hwnd) : nullptr;
    DWORD_PTR procedure = msg.hwnd != nullptr ? ::GetClassLongPtrW(msg.hwnd, GCLP_WNDPROC) : 0;
    if (state != nullptr && procedure == reinterpret_cast<DWORD_PTR>(&WindowProcedure)) {
      message->window = state->shared_from_this();
      message->message = msg.message;
      message->wparam = msg.wParam;
      message->lparam = msg.lParam;
      return true;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return false;
}

intptr_t DispatchMessage(const Message& message) {
  if (!message.window || !message.window->alive.load()) return 0;
  return message.window->procedure(message.message, message.wparam, message.lparam);
}

void PumpMessages() {
  Message m;
  while (PeekMessage(&m)) DispatchMessage(m);
}

uint32_t MsgWaitForMultipleObjects(std::span<ThreadHandle* const> handles, bool wait_all,
                                   uint32_t timeout_ms, uint32_t wake_mask) {
  for (ThreadHandle* h : handles) {
    if (h == nullptr) return kWaitFailed;
  }
  const bool wake_on_input = wake_mask != 0;
  const WaitCallbackSlot& host = ThisThreadCallback();
  auto signalled = [&]() -> uint32_t {
    if (wait_all) {
      bool all = std::all_of(handles.begin(), handles.end(),
                             [](ThreadHandle* h) { return h->IsSignaled(); });
      if (all && !handles.empty()) return kWaitObject0;
    } else {
      for (size_t i = 0; i < handles.size(); ++i) {
        if (handles[i]->IsSignaled()) return kWaitObject0 + static_cast<uint32_t>(i);
      }
    }
    return kWaitTimeout;
  };

  if (host.callback != nullptr) CallHostCallback();
  const bool forever = timeout_ms == kInfinite;
  const auto deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : timeout_ms);
  for (;;) {
    uint32_t result = signalled();
    if (result != kWaitTimeout) return result;
    auto now = Clock::now();
    if (!forever && now >= deadline) return kWaitTimeout;
    auto wake_at = forever ? now + std::chrono::hours(1) : deadline;
    if (!handles.empty())
      wake_at = std::min(wake_at, now + std::chrono::milliseconds(kThreadPollMs));
    if (host.callback != nullptr && host.interval_ms > 0) {
      wake_at = std::min(wake_at, now + std::chrono::milliseconds(host.interval_ms));
    }
    DWORD slice = static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(wake_at - now).count());
    DWORD woke = ::MsgWaitForMultipleObjectsEx(0, nullptr, slice, wake_on_input ? wake_mask : 0,
                                               wake_on_input ? MWMO_INPUTAVAILABLE : 0);
    if (woke == WAIT_OBJECT_0 && wake_on_input) {
      result = signalled();
      return result != kWaitTimeout ? result : kWaitObject0 + static_cast<uint32_t>(handles.size());
    }
    if (woke == WAIT_FAILED) return kWaitFailed;
    if (host.callback != nullptr) CallHostCallback();
  }
}

void SetWaitCallback(WaitCallback callback, void* context, uint32_t interval_ms) {
  WaitCallbackSlot& slot = ThisThreadCallback();
  slot.callback = callback;
  slot.context = context;
  slot.interval_ms = interval_ms;
}

}  // namespace qorv::platform
