#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "components/RBClockGen.h"
#include "components/RBFilterTypes.h"
#include "platform/Forms.h"
#include "platform/Kernel.h"
#include "platform/Messages.h"
#include "tests/common/Steps.h"
#include "tests/common/Watchdog.h"

namespace {

using namespace components;
using platform::New;
using platform::ProcessMessages;
using platform::TNotifyEvent;

// Counts the call-backs of a notifier and the threads they ran on.
struct CallBacks {
  std::atomic<int> Count{0};
  std::atomic<uint32_t> LastThread{0};
  std::function<void(TObject*)> Then;

  void Run(TObject* Sender) {
    ++Count;
    LastThread = platform::GetCurrentThreadId();
    if (Then) Then(Sender);
  }
  TNotifyEvent Event() { return TNotifyEvent::Bind<&CallBacks::Run>(this); }
};

struct MainThreadNotifyTest : ::testing::Test {
  void SetUp() override { ASSERT_EQ(TRBMainWindowNode::NotifierCount(), 0); }
  void TearDown() override {
    ProcessMessages();
    EXPECT_EQ(TRBMainWindowNode::NotifierCount(), 0);
    EXPECT_EQ(TRBMainWindowNode::GetHandle(), 0u);
  }
};

TEST_F(MainThreadNotifyTest, RunsInlineOnTheMainThreadUnlessForcedToPost) {
  CallBacks calls;
  auto* notify = New<TRBMainThreadNotify>(calls.Event());
  ASSERT_TRUE(InMainThread());

  notify->Notify(false);
  EXPECT_EQ(calls.Count, 1);

  notify->Notify(true);
  EXPECT_EQ(calls.Count, 1);
  EXPECT_TRUE(notify->Signaled());
  ProcessMessages();
  EXPECT_EQ(calls.Count, 2);
  EXPECT_FALSE(notify->Signaled());
  notify->Free();
}

TEST_F(MainThreadNotifyTest, NotificationsFromAWorkerCoalesceIntoOneCallBackOnTheMainThread) {
  Watchdog dog(20, "MainThreadNotify.Coalesce");
  CallBacks calls;
  auto* notify = New<TRBMainThreadNotify>(calls.Event());
  std::thread worker([&] {
    EXPECT_FALSE(InMainThread());
    for (int i = 0; i < 10; ++i) notify->Notify(i % 2 == 0);  // never inline off the main thread
  });
  worker.join();
  EXPECT_EQ(calls.Count, 0);
  ProcessMessages();
  EXPECT_EQ(calls.Count, 1);
  EXPECT_EQ(calls.LastThread, MainThreadID());
  notify->Free();
}

TEST_F(MainThreadNotifyTest, TheHiddenWindowLivesFromTheFirstNotifierToTheLast) {
  CallBacks calls;
  EXPECT_EQ(TRBMainWindowNode::GetHandle(), 0u);
  auto* a = New<TRBMainThreadNotify>(calls.Event());
  const platform::HWND first = TRBMainWindowNode::GetHandle();
  EXPECT_NE(first, 0u);
  auto* b = New<TRBMainThreadNotify>(calls.Event());
  EXPECT_EQ(TRBMainWindowNode::GetHandle(), first);
  EXPECT_EQ(TRBMainWindowNode::NotifierCount(), 2);
  a->Free();
  EXPECT_EQ(TRBMainWindowNode::GetHandle(), first);
  b->Free();
  EXPECT_EQ(TRBMainWindowNode::GetHandle(), 0u);

  auto* c = New<TRBMainThreadNotify>(calls.Event());
  EXPECT_NE(TRBMainWindowNode::GetHandle(), 0u);
  EXPECT_NE(TRBMainWindowNode::GetHandle(), first);
  c->Free();
}

// A post names its notifier by number: after the notifier is freed, the post reaches no
// one, also not a new notifier made at the same address.
TEST_F(MainThreadNotifyTest, APostForAFreedNotifierIsDropped) {
  CallBacks keeperCalls, oldCalls, newCalls;
  auto* keeper = New<TRBMainThreadNotify>(keeperCalls.Event());  // keeps the window alive
  for (int round = 0; round < 20; ++round) {
    auto* old = New<TRBMainThreadNotify>(oldCalls.Event());
    old->Notify(true);
    old->Free();
    // Often made at the old one's address: only the number tells them apart.
    auto* fresh = New<TRBMainThreadNotify>(newCalls.Event());
    ProcessMessages();
    EXPECT_EQ(newCalls.Count, 0);
    fresh->Notify(true);
    ProcessMessages();
    EXPECT_EQ(newCalls.Count, 1);
    newCalls.Count = 0;
    fresh->Free();
  }
  EXPECT_EQ(oldCalls.Count, 0);
  EXPECT_EQ(keeperCalls.Count, 0);
  keeper->Free();
}

// The handler of the application reports it; the loop goes on with the next message, and
// the failing notifier can post again.
struct ExceptionLog {
  std::vector<std::string> Messages;
  void Report(TObject*, const std::exception& e) { Messages.push_back(e.what()); }
};

TEST_F(MainThreadNotifyTest, AThrowingCallBackGoesToTheApplicationsHandlerAndTheLoopGoesOn) {
  ExceptionLog log;
  ASSERT_NE(platform::Application, nullptr);
  platform::Application->OnException = platform::TExceptionEvent::Bind<&ExceptionLog::Report>(&log);
  CallBacks failing, next;
  failing.Then = [](TObject*) { throw platform::Exception("call-back failed"); };
  auto* a = New<TRBMainThreadNotify>(failing.Event());
  auto* b = New<TRBMainThreadNotify>(next.Event());

  a->Notify(true);
  b->Notify(true);
  ProcessMessages();
  EXPECT_EQ(failing.Count, 1);
  EXPECT_EQ(next.Count, 1);
  ASSERT_EQ(log.Messages.size(), 1u);
  EXPECT_EQ(log.Messages[0], "call-back failed");

  a->Notify(true);
  ProcessMessages();
  EXPECT_EQ(failing.Count, 2);
  platform::Application->OnException = nullptr;
  a->Free();
  b->Free();
}

// A notification made while the call-back runs is never lost: the pending mark is cleared
// before the call-back, so the last value a worker published is always seen by a later
// call-back.
TEST_F(MainThreadNotifyTest, NoNotificationIsLostWhileWorkersRaceTheCallBack) {
  Watchdog dog(60, "MainThreadNotify.NoNotificationIsLost");
  constexpr int Workers = 4, PerWorker = 2000;
  std::atomic<int> published{0};
  std::atomic<int> seen{0};
  CallBacks calls;
  calls.Then = [&](TObject*) { seen = published.load(); };
  auto* notify = New<TRBMainThreadNotify>(calls.Event());
  std::atomic<int> running{Workers};
  std::vector<std::thread> workers;
  for (int w = 0; w < Workers; ++w)
    workers.emplace_back([&] {
      for (int i = 0; i < PerWorker; ++i) {
        ++published;
        notify->Notify(true);
      }
      --running;
    });
  while (running > 0) ProcessMessages();
  for (auto& t : workers) t.join();
  ProcessMessages();
  EXPECT_EQ(seen, Workers * PerWorker);
  EXPECT_LE(calls.Count, Workers * PerWorker);
  notify->Free();
}

// Freeing a notifier on another thread waits until its running call-back has returned.
TEST_F(MainThreadNotifyTest, FreeingOnAnotherThreadWaitsForTheRunningCallBack) {
  Watchdog dog(20, "MainThreadNotify.FreeWaitsForCallBack");
  TSteps steps;
  std::atomic<bool> callBackDone{false};
  CallBacks calls;
  calls.Then = [&](TObject*) {
    steps.Set(1);
    platform::Sleep(50);
    callBackDone = true;
  };
  auto* notify = New<TRBMainThreadNotify>(calls.Event());
  std::thread freer([&] {
    steps.WaitFor(1);
    notify->Free();
    EXPECT_TRUE(callBackDone);
  });
  notify->Notify(true);
  ProcessMessages();
  freer.join();
  EXPECT_EQ(calls.Count, 1);
}

// A call-back may free its own notifier, even the last one (and with it the hidden window).
TEST_F(MainThreadNotifyTest, ACallBackMayFreeItsOwnNotifier) {
  CallBacks calls;
  TRBMainThreadNotify* notify = nullptr;
  calls.Then = [&](TObject* Sender) {
    EXPECT_EQ(Sender, notify);
    platform::FreeAndNil(notify);
  };
  notify = New<TRBMainThreadNotify>(calls.Event());
  notify->Notify(true);
  ProcessMessages();
  EXPECT_EQ(calls.Count, 1);
  EXPECT_EQ(notify, nullptr);
}

}  // namespace
