#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "buffers/RBSimpleDataBufferInteger.h"
#include "components/RBClockGen.h"
#include "components/RBFilterTypes.h"
#include "platform/Forms.h"
#include "platform/Kernel.h"
#include "platform/Messages.h"
#include "tests/common/Steps.h"
#include "tests/common/Watchdog.h"
#include "tests/buffers/BuffersTestSupport.h"
#include "tests/components/ComponentsTestSupport.h"

namespace {

using namespace components;
using buffers::TRBIntegerBuffer;
using componentstest::IntegerValue;
using platform::New;
using platform::ProcessMessages;

constexpr int32_t Slots = TRBMainThreadBufferQueue::MaxPendingBuffers;

// Records the values of the buffers delivered and the threads they arrived on.
struct Receiver {
  std::vector<int32_t> Values;
  std::vector<uint32_t> Threads;
  std::function<void(int32_t)> Then;

  void OnBuffer(TObject*, IRBData* ABuffer) {
    Values.push_back(IntegerValue(ABuffer));
    Threads.push_back(platform::GetCurrentThreadId());
    if (Then) Then(Values.back());
  }
  TRBBufferNotifyEvent Event() { return TRBBufferNotifyEvent::Bind<&Receiver::OnBuffer>(this); }
};

struct MainThreadBufferQueueTest : bufferstest::BuffersTest {
  Receiver Received;
  TRBMainThreadBufferQueue* Queue = nullptr;

  void SetUp() override {
    BuffersTest::SetUp();
    Queue = New<TRBMainThreadBufferQueue>(Received.Event());
  }
  void TearDown() override {
    platform::FreeAndNil(Queue);
    ProcessMessages();
    EXPECT_EQ(TRBMainWindowNode::NotifierCount(), 0);
    BuffersTest::TearDown();
  }
  void Add(int32_t AValue, bool AQueue) {
    Queue->AddBuffer(TRBIntegerBuffer::CreateValue(AValue, 1).Get(), AQueue);
  }
};

TEST_F(MainThreadBufferQueueTest, BuffersAddedOnTheMainThreadArriveFromTheMessageLoop) {
  Add(1, true);
  EXPECT_TRUE(Received.Values.empty());
  ProcessMessages();
  EXPECT_EQ(Received.Values, std::vector<int32_t>{1});
  EXPECT_EQ(Queue->FreeSlots(), Slots);
}

// All five buffers wait under one pending post: each delivery posts again while buffers are
// left, so one pass of the loop brings them all, in order.
TEST_F(MainThreadBufferQueueTest, FiveBuffersQueuedUnderOnePendingPostAllArriveInOrder) {
  Watchdog dog(20, "MainThreadBufferQueue.FiveBuffers");
  std::thread worker([&] {
    for (int32_t i = 1; i <= 5; ++i) Add(i, true);
  });
  worker.join();
  EXPECT_EQ(Queue->PendingCount(), 5);
  EXPECT_EQ(Queue->FreeSlots(), Slots - 5);
  ProcessMessages();
  EXPECT_EQ(Received.Values, (std::vector<int32_t>{1, 2, 3, 4, 5}));
  for (uint32_t thread : Received.Threads) EXPECT_EQ(thread, MainThreadID());
  EXPECT_EQ(Queue->FreeSlots(), Slots);
}

// A buffer dropped by the single-buffer rule gives its slot back at once, so a sender in
// single mode never waits, however many buffers it sends before the main thread runs.
TEST_F(MainThreadBufferQueueTest, SingleModeAddsNeverBlockAndKeepTheFirstBuffer) {
  Watchdog dog(20, "MainThreadBufferQueue.SingleModeNeverBlocks");
  std::thread worker([&] {
    for (int32_t i = 1; i <= 700; ++i) Add(i, false);
  });
  worker.join();
  EXPECT_EQ(Queue->PendingCount(), 1);
  EXPECT_EQ(Queue->FreeSlots(), Slots - 1);
  ProcessMessages();
  EXPECT_EQ(Received.Values, std::vector<int32_t>{1});
  EXPECT_EQ(Queue->FreeSlots(), Slots);
}

// Clearing gives the slots of the cleared buffers back: filling the queue, clearing it and
// filling it again never waits.
TEST_F(MainThreadBufferQueueTest, ClearGivesTheSlotsBack) {
  Watchdog dog(20, "MainThreadBufferQueue.ClearGivesSlotsBack");
  for (int round = 0; round < 3; ++round) {
    for (int32_t i = 0; i < Slots; ++i) Add(i, true);
    EXPECT_EQ(Queue->FreeSlots(), 0);
    Queue->Clear();
    EXPECT_EQ(Queue->PendingCount(), 0);
    EXPECT_EQ(Queue->FreeSlots(), Slots);
  }
  ProcessMessages();
  EXPECT_TRUE(Received.Values.empty());
}

// A failing call-back is reported through the application; its buffer's slot is back and
// the buffers after it still arrive.
TEST_F(MainThreadBufferQueueTest, AFailingCallBackLosesNeitherSlotsNorTheBuffersBehindIt) {
  std::vector<std::string> reports;
  struct Log {
    std::vector<std::string>* Reports;
    void Report(TObject*, const std::exception& e) { Reports->push_back(e.what()); }
  } log{&reports};
  platform::Application->OnException = platform::TExceptionEvent::Bind<&Log::Report>(&log);
  Received.Then = [](int32_t value) {
    if (value == 2) throw platform::Exception("buffer 2 failed");
  };
  for (int32_t i = 1; i <= 4; ++i) Add(i, true);
  ProcessMessages();
  platform::Application->OnException = nullptr;
  EXPECT_EQ(Received.Values, (std::vector<int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(reports, std::vector<std::string>{"buffer 2 failed"});
  EXPECT_EQ(Queue->FreeSlots(), Slots);
}

// A sender waiting for a slot is woken by the destruction and leaves without storing; the
// destruction waits for it, so it never touches a freed queue.
TEST_F(MainThreadBufferQueueTest, DestructionReleasesABlockedSenderAndWaitsForIt) {
  Watchdog dog(20, "MainThreadBufferQueue.DestructionReleasesBlockedSender");
  for (int32_t i = 0; i < Slots; ++i) Add(i, true);
  std::atomic<int> returned{0};
  std::vector<std::thread> senders;
  for (int t = 0; t < 3; ++t)
    senders.emplace_back([&] {
      Add(-1, true);  // blocks: every slot is taken
      ++returned;
    });
  while (Queue->SendersInFlight() < 3) platform::Sleep(1);
  platform::Sleep(20);
  EXPECT_EQ(returned, 0);
  EXPECT_EQ(Queue->SendersInFlight(), 3);
  platform::FreeAndNil(Queue);  // the sanitizers catch a sender still inside the freed queue
  for (auto& t : senders) t.join();
  EXPECT_EQ(returned, 3);
  ProcessMessages();
  EXPECT_TRUE(Received.Values.empty());
}

// Several senders and the main thread at once: nothing is lost, each sender's buffers keep
// their order, and every slot comes back.
TEST_F(MainThreadBufferQueueTest, ManySendersLoseNothingAndKeepTheirOrder) {
  Watchdog dog(60, "MainThreadBufferQueue.ManySenders");
  constexpr int Senders = 4, PerSender = 1500;  // more than the slots: senders do wait
  std::atomic<int> running{Senders};
  std::vector<std::thread> senders;
  for (int s = 0; s < Senders; ++s)
    senders.emplace_back([&, s] {
      for (int i = 0; i < PerSender; ++i) Add(s * PerSender + i, true);
      --running;
    });
  while (running > 0 || Queue->PendingCount() > 0) ProcessMessages();
  for (auto& t : senders) t.join();
  ProcessMessages();
  ASSERT_EQ(Received.Values.size(), size_t(Senders * PerSender));
  std::vector<int32_t> next(Senders);
  for (int s = 0; s < Senders; ++s) next[s] = s * PerSender;
  for (int32_t value : Received.Values) {
    const int s = value / PerSender;
    EXPECT_EQ(value, next[s]);
    next[s] = value + 1;
  }
  EXPECT_EQ(Queue->FreeSlots(), Slots);
}

TEST_F(MainThreadBufferQueueTest, ACallBackMayFreeItsQueue) {
  Received.Then = [this](int32_t) { platform::FreeAndNil(Queue); };
  Add(1, true);
  Add(2, true);
  ProcessMessages();
  EXPECT_EQ(Received.Values, std::vector<int32_t>{1});
  EXPECT_EQ(Queue, nullptr);
}

}  // namespace
