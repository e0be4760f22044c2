#include "platform/apartment.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/message_queue.h"

namespace qorv::platform {

struct WindowState {
  WindowAttributes attributes;
  Window::Procedure procedure;
  std::weak_ptr<MessageQueue> owner;
  std::thread::id owner_thread;
  std::atomic<bool> alive{true};
};

namespace {

using Clock = std::chrono::steady_clock;

// The host's wait callback of this thread.
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

intptr_t RunProcedure(const std::shared_ptr<WindowState>& window, uint32_t message,
                      uintptr_t wparam, intptr_t lparam) {
  if (!window || !window->alive.load()) return 0;
  return window->procedure(message, wparam, lparam);
}

}  // namespace

// ---- MessageQueue ------------------------------------------------------------

MessageQueue::~MessageQueue() {
  // The owning thread is ending: nobody will deliver what is still queued, so
  // release every sender instead of leaving it blocked.
  for (auto& m : sent_) Complete(m.reply, 0);
}

namespace {
// The queue of this thread; worker threads that never make a window or wait
// never get one.
thread_local std::shared_ptr<MessageQueue> this_thread_queue;
}  // namespace

const std::shared_ptr<MessageQueue>& MessageQueue::Current() {
  if (!this_thread_queue) this_thread_queue = std::make_shared<MessageQueue>();
  return this_thread_queue;
}

MessageQueue* MessageQueue::CurrentIfAny() { return this_thread_queue.get(); }

bool MessageQueue::WaitForWake(std::chrono::steady_clock::time_point deadline) {
  MutexLock lock(mutex_);
  while (!woken_) {
    if (!wake_.WaitUntil(mutex_, deadline)) break;
  }
  bool woken = woken_;
  woken_ = false;
  return woken;
}

void MessageQueue::Enqueue(QueuedMessage message) {
  {
    MutexLock lock(mutex_);
    if (message.reply) {
      sent_.push_back(std::move(message));
    } else {
      posted_.push_back(std::move(message));
    }
    woken_ = true;
  }
  wake_.NotifyAll();
}

void MessageQueue::Wake() {
  {
    MutexLock lock(mutex_);
    woken_ = true;
  }
  wake_.NotifyAll();
}

int MessageQueue::DeliverSentMessages() {
  int delivered = 0;
  for (;;) {
    QueuedMessage m;
    {
      MutexLock lock(mutex_);
      if (sent_.empty()) break;
      m = std::move(sent_.front());
      sent_.pop_front();
    }
    // The procedure runs without the queue's lock: it may pump again.
    intptr_t result = RunProcedure(m.window, m.message, m.wparam, m.lparam);
    Complete(m.reply, result);
    ++delivered;
  }
  return delivered;
}

bool MessageQueue::TakePosted(QueuedMessage* message) {
  MutexLock lock(mutex_);
  if (posted_.empty()) return false;
  *message = std::move(posted_.front());
  posted_.pop_front();
  return true;
}

bool MessageQueue::HasInput() {
  MutexLock lock(mutex_);
  return !sent_.empty() || !posted_.empty();
}

void MessageQueue::DropMessagesFor(const WindowState* window) {
  // One message at a time, so that nothing is allocated: this runs when a
  // window is destroyed, inside Release, where nothing may throw.
  for (;;) {
    QueuedMessage dropped;
    {
      MutexLock lock(mutex_);
      auto belongs = [window](const QueuedMessage& m) { return m.window.get() == window; };
      std::deque<QueuedMessage>* found_in = nullptr;
      std::deque<QueuedMessage>::iterator found;
      for (auto* list : {&sent_, &posted_}) {
        found = std::find_if(list->begin(), list->end(), belongs);
        if (found != list->end()) {
          found_in = list;
          break;
        }
      }
      if (found_in == nullptr) return;
      dropped = std::move(*found);
      found_in->erase(found);
    }
    Complete(dropped.reply, 0);
  }
}

void MessageQueue::Complete(const std::shared_ptr<SendRecord>& record, intptr_t result) {
  if (!record) return;
  {
    MutexLock lock(record->mutex);
    record->done = true;
    record->result = result;
  }
  if (record->sender) {
    record->sender->Wake();
  } else {
    record->done_changed.NotifyAll();
  }
}

bool MessageQueue::IsDone(const std::shared_ptr<SendRecord>& record) {
  MutexLock lock(record->mutex);
  return record->done;
}

// ---- Window ------------------------------------------------------------------

Window::Window(std::shared_ptr<WindowState> state) : state_(std::move(state)) {}

std::unique_ptr<Window> Window::Create(WindowAttributes attributes, Procedure procedure) {
  auto state = std::make_shared<WindowState>();
  state->attributes = std::move(attributes);
  state->procedure = std::move(procedure);
  state->owner = MessageQueue::Current();
  state->owner_thread = std::this_thread::get_id();
  return std::unique_ptr<Window>(new Window(std::move(state)));
}

Window::~Window() {
  state_->alive.store(false);
  if (auto owner = state_->owner.lock()) owner->DropMessagesFor(state_.get());
}

const WindowAttributes& Window::attributes() const { return state_->attributes; }

bool Window::IsOwnedByCurrentThread() const {
  return state_->owner_thread == std::this_thread::get_id();
}

intptr_t Window::Send(uint32_t message, uintptr_t wparam, intptr_t lparam) const {
  if (!state_->alive.load()) return 0;
  if (IsOwnedByCurrentThread()) return RunProcedure(state_, message, wparam, lparam);
  std::shared_ptr<MessageQueue> owner = state_->owner.lock();
  if (!owner) return 0;

  auto record = std::make_shared<SendRecord>();
  MessageQueue* own_queue = MessageQueue::CurrentIfAny();
  if (own_queue != nullptr) record->sender = MessageQueue::Current();
  owner->Enqueue(QueuedMessage{state_, message, wparam, lparam, record});

  if (own_queue == nullptr) {
    MutexLock lock(record->mutex);
    while (!record->done) record->done_changed.Wait(record->mutex);
    return record->result;
  }
  // A thread with its own windows keeps delivering what is sent to them while
  // it waits for its reply.
  for (;;) {
    own_queue->DeliverSentMessages();
    if (MessageQueue::IsDone(record)) break;
    own_queue->WaitForWake(Clock::now() + std::chrono::seconds(1));
  }
  MutexLock lock(record->mutex);
  return record->result;
}

void Window::Post(uint32_t message, uintptr_t wparam, intptr_t lparam) const {
  if (!state_->alive.load()) return;
  if (auto owner = state_->owner.lock()) {
    owner->Enqueue(QueuedMessage{state_, message, wparam, lparam, nullptr});
  }
}

// ---- Pump and waits ----------------------------------------------------------

bool PeekMessage(Message* message) {
  MessageQueue& queue = *MessageQueue::Current();
  queue.DeliverSentMessages();
  QueuedMessage posted;
  if (!queue.TakePosted(&posted)) return false;
  message->window = std::move(posted.window);
  message->message = posted.message;
  message->wparam = posted.wparam;
  message->lparam = posted.lparam;
  return true;
}

intptr_t DispatchMessage(const Message& message) {
  return RunProcedure(message.window, message.message, message.wparam, message.lparam);
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
  const std::shared_ptr<MessageQueue>& queue = MessageQueue::Current();
  const bool wake_on_input = wake_mask != 0;
  const WaitCallbackSlot& host = ThisThreadCallback();

  auto outcome = [&]() -> uint32_t {
    if (wait_all) {
      bool all = std::all_of(handles.begin(), handles.end(),
                             [](ThreadHandle* h) { return h->IsSignaled(); });
      if (all && !handles.empty()) return kWaitObject0;
    } else {
      for (size_t i = 0; i < handles.size(); ++i) {
        if (handles[i]->IsSignaled()) return kWaitObject0 + static_cast<uint32_t>(i);
      }
    }
    if (wake_on_input && queue->HasInput()) {
      return kWaitObject0 + static_cast<uint32_t>(handles.size());
    }
    return kWaitTimeout;
  };

  for (ThreadHandle* h : handles) h->AddWaiter(queue);
  if (host.callback != nullptr) CallHostCallback();

  const bool forever = timeout_ms == kInfinite;
  const auto deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : timeout_ms);
  uint32_t result = kWaitTimeout;
  for (;;) {
    result = outcome();
    if (result != kWaitTimeout) break;
    auto now = Clock::now();
    if (!forever && now >= deadline) break;
    auto wake_at = forever ? now + std::chrono::hours(1) : deadline;
    if (host.callback != nullptr && host.interval_ms > 0) {
      wake_at = std::min(wake_at, now + std::chrono::milliseconds(host.interval_ms));
    }
    queue->WaitForWake(wake_at);
    if (host.callback != nullptr) CallHostCallback();
  }
  for (ThreadHandle* h : handles) h->RemoveWaiter(queue.get());
  return result;
}

void SetWaitCallback(WaitCallback callback, void* context, uint32_t interval_ms) {
  WaitCallbackSlot& slot = ThisThreadCallback();
  slot.callback = callback;
  slot.context = context;
  slot.interval_ms = interval_ms;
}

}  // namespace qorv::platform
