// The apartment: cross-thread sends handled on the owner's thread, the
// message-pumping waits and the worker-thread runner.
#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/apartment.h"
#include "platform/worker_threads.h"
#include "qorvsdk/result_codes.h"

namespace qorv::platform {
namespace {

constexpr uint32_t kNotify = kWmUser + 101;

std::unique_ptr<Window> MakeWindow(Window::Procedure procedure) {
  WindowAttributes attributes;
  attributes.class_name = "TestClass";
  attributes.window_name = "TestWindow";
  return Window::Create(attributes, std::move(procedure));
}

TEST(Apartment, SendFromWorkerRunsOnOwnerThreadAndBlocksSender) {
  const std::thread::id owner = std::this_thread::get_id();
  std::atomic<bool> handler_done{false};
  std::vector<uintptr_t> seen;
  auto window = MakeWindow([&](uint32_t message, uintptr_t wparam, intptr_t) -> intptr_t {
    EXPECT_EQ(std::this_thread::get_id(), owner);
    EXPECT_EQ(message, kNotify);
    seen.push_back(wparam);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    handler_done = true;
    return 40 + static_cast<intptr_t>(wparam);
  });
  intptr_t reply = 0;
  bool done_before_return = false;
  int32_t status = 0;
  std::string description;
  int ran = RunOnWorkerThread(
      [&] {
        reply = window->Send(kNotify, 2, 0);
        // SendMessage returns only after the handler has finished.
        done_before_return = handler_done.load();
      },
      &status, &description);
  EXPECT_EQ(ran, 0);
  EXPECT_EQ(reply, 42);
  EXPECT_TRUE(done_before_return);
  EXPECT_EQ(seen, std::vector<uintptr_t>{2});
  EXPECT_EQ(status, 0);  // untouched on success
}

TEST(Apartment, SendOnOwnerThreadCallsProcedureDirectly) {
  int calls = 0;
  auto window = MakeWindow([&](uint32_t, uintptr_t, intptr_t) -> intptr_t { return ++calls; });
  EXPECT_EQ(window->Send(kNotify, 1, 0), 1);
  EXPECT_EQ(calls, 1);
}

TEST(Apartment, SendsFromTwoWorkersAreHandledOneAtATime) {
  std::atomic<int> inside{0};
  int max_inside = 0;
  int handled = 0;
  auto window = MakeWindow([&](uint32_t, uintptr_t, intptr_t) -> intptr_t {
    max_inside = std::max(max_inside, ++inside);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    --inside;
    ++handled;
    return 0;
  });
  auto a = ThreadHandle::Start([&] {
    for (int i = 0; i < 10; ++i) window->Send(kNotify, 1, 0);
  });
  auto b = ThreadHandle::Start([&] {
    for (int i = 0; i < 10; ++i) window->Send(kNotify, 2, 0);
  });
  ASSERT_TRUE(a && b);
  ThreadHandle* handles[] = {a.get(), b.get()};
  EXPECT_EQ(WaitForWorkerThreads(handles, true, nullptr), 1);
  EXPECT_EQ(handled, 20);
  EXPECT_EQ(max_inside, 1);
}

TEST(Apartment, HandlerMayWaitReentrantly) {
  // A handler that itself runs a worker (a nested pumping wait) still gets the
  // nested worker's notifications.
  std::unique_ptr<Window> window;
  int depth_two_calls = 0;
  window = MakeWindow([&](uint32_t, uintptr_t wparam, intptr_t) -> intptr_t {
    if (wparam == 1) {
      int32_t status = 0;
      std::string description;
      EXPECT_EQ(RunOnWorkerThread([&] { window->Send(kNotify, 2, 0); }, &status, &description), 0);
    } else {
      ++depth_two_calls;
    }
    return 0;
  });
  int32_t status = 0;
  std::string description;
  EXPECT_EQ(RunOnWorkerThread([&] { window->Send(kNotify, 1, 0); }, &status, &description), 0);
  EXPECT_EQ(depth_two_calls, 1);
}

TEST(Apartment, RoutineThatThrowsEndsAbnormally) {
  int32_t status = 0;
  std::string description;
  EXPECT_EQ(RunOnWorkerThread([] { throw 7; }, &status, &description), -1);
  EXPECT_EQ(status, kResultSystemError);
  EXPECT_EQ(description, kTextThreadTerminated);
}

TEST(Apartment, AnExceptionFromThePumpLeavesOnlyAfterTheWorkerEnded) {
  // The routine uses the caller's frame; a handler that throws while it runs
  // (as an allocation may) must not unwind that frame under the routine.
  auto window = MakeWindow([](uint32_t, uintptr_t, intptr_t) -> intptr_t { throw 7; });
  std::atomic<bool> routine_ended{false};
  int32_t status = 0;
  std::string description;
  bool ended_before_exception = false;
  try {
    RunOnWorkerThread(
        [&] {
          window->Post(kNotify, 1, 0);
          std::this_thread::sleep_for(std::chrono::milliseconds(100));
          routine_ended = true;
        },
        &status, &description);
    ADD_FAILURE() << "the handler's exception was lost";
  } catch (int) {
    ended_before_exception = routine_ended;
  }
  EXPECT_TRUE(ended_before_exception);

  std::atomic<bool> worker_ended{false};
  auto worker = ThreadHandle::Start([&] {
    window->Post(kNotify, 2, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    worker_ended = true;
  });
  ThreadHandle* handles[] = {worker.get()};
  ended_before_exception = false;
  try {
    WaitForWorkerThreads(handles, true, nullptr);
    ADD_FAILURE() << "the handler's exception was lost";
  } catch (int) {
    ended_before_exception = worker_ended;
  }
  EXPECT_TRUE(ended_before_exception);
}

TEST(Apartment, DestroyedWindowReleasesWaitingSenders) {
  auto window = MakeWindow([](uint32_t, uintptr_t, intptr_t) -> intptr_t { return 5; });
  const Window* target = window.get();
  intptr_t reply = -1;
  auto sender = ThreadHandle::Start([&] { reply = target->Send(kNotify, 1, 0); });
  ASSERT_TRUE(sender);
  // Wait (without pumping) until the message is queued, then destroy the
  // window instead of delivering it: the sender must not hang.
  EXPECT_EQ(MsgWaitForMultipleObjects({}, false, kInfinite, kWakeOnAllInput), kWaitObject0);
  window.reset();
  sender->Join();
  EXPECT_EQ(reply, 0);
}

TEST(Apartment, PostedMessagesAreDispatchedByThePump) {
  std::vector<uintptr_t> order;
  auto window = MakeWindow([&](uint32_t, uintptr_t wparam, intptr_t) -> intptr_t {
    order.push_back(wparam);
    return 0;
  });
  window->Post(kNotify, 1, 0);
  window->Post(kNotify, 2, 0);
  EXPECT_TRUE(order.empty());
  PumpMessages();
  EXPECT_EQ(order, (std::vector<uintptr_t>{1, 2}));
}

void CountCall(void* context) { ++*static_cast<int*>(context); }

TEST(Apartment, WaitTimesOutAndCallsTheHostCallback) {
  int calls = 0;
  SetWaitCallback(&CountCall, &calls, 10);
  uint32_t result = MsgWaitForMultipleObjects({}, false, 60, kWakeOnAllInput);
  SetWaitCallback(nullptr, nullptr, 0);
  EXPECT_EQ(result, kWaitTimeout);
  EXPECT_GE(calls, 3);  // at the start, then about every 10 ms of the 60 ms
}

TEST(Apartment, WaitReportsQueuedInputAndNullHandles) {
  auto window = MakeWindow([](uint32_t, uintptr_t, intptr_t) -> intptr_t { return 0; });
  window->Post(kNotify, 1, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects({}, false, kInfinite, kWakeOnAllInput), kWaitObject0);
  PumpMessages();
  ThreadHandle* null_handle[] = {nullptr};
  EXPECT_EQ(MsgWaitForMultipleObjects(null_handle, false, 0, 0), kWaitFailed);
}

TEST(WorkerThreads, MultiWorkerWaitTicksUntilAllEnd) {
  EXPECT_EQ(WaitForWorkerThreads({}, true, nullptr), 1);
  std::atomic<bool> release{false};
  auto slow = ThreadHandle::Start([&] {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  });
  auto quick = ThreadHandle::Start([] {});
  ASSERT_TRUE(slow && quick);
  int ticks = 0;
  ThreadHandle* handles[] = {slow.get(), quick.get()};
  EXPECT_EQ(WaitForWorkerThreads(handles, false,
                                 [&] {
                                   if (++ticks == 2) release = true;
                                 }),
            1);
  EXPECT_GE(ticks, 2);
}

TEST(WorkerThreads, TransferProgressFormula) {
  EXPECT_EQ(TransferProgressPercent(0, 10), 0u);
  EXPECT_EQ(TransferProgressPercent(50, 25), 50u);  // small totals: S x 100 / T
  EXPECT_EQ(TransferProgressPercent(1000, 500), 50u);
  EXPECT_EQ(TransferProgressPercent(1099, 1098), 100u);  // S / (T / 100) = 1098 / 10: capped
  EXPECT_EQ(TransferProgressPercent(1 << 20, 1 << 19), 50u);
}

}  // namespace
}  // namespace qorv::platform
