// The threaded filter bases: routing of operations, processing in the sender's thread or in
// the worker, the bounded queue in both full modes, stopping with a backlog or with blocked
// senders, exceptions in the worker, and the threading settings.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "buffers/RBSimpleDataBufferInteger.h"
#include "buffers/RBStreamTypes.h"
#include "components/RBCommonFilter.h"
#include "platform/Streaming.h"
#include "tests/common/Watchdog.h"
#include "tests/components/FilterTestSupport.h"

namespace {

using namespace components;
using buffers::IRBIntegerBuffer;
using buffers::TRBIntegerBuffer;
using filtertest::Eventually;
using filtertest::TExceptionLog;
using filtertest::TGate;
using pins::IPNNotifyOperation;
using pins::TPNNotifyResult;
using platform::New;

// A supplied-buffer operation whose buffer holds the one number `tag`.
RefPtr<IPNNotifyOperation> Frame(int32_t tag) {
  auto buffer = TRBIntegerBuffer::CreateSize(1);
  buffer->SetItem(0, tag);
  return buffers::TPNSuppliedBufferOperation::Make(buffer.Get());
}
RefPtr<IPNNotifyOperation> StartWithRate() {
  return buffers::TPNStartSampleRateOperation::Make(25.0);
}

int32_t TagOf(IPNNotifyOperation* op) {
  auto* supplied = pins::OperationAs<buffers::TPNSuppliedBufferOperation>(op);
  return IntfCast<IRBIntegerBuffer>(supplied->Buffer.Get())->GetItem(0);
}

// Records the tags of the buffers it processes (and the threads that processed them) and the
// operations it forwards. OnProcess runs before the tag is recorded: it may block or throw.
class TProbeFilter : public TRBBasicThreadedEnableFilter {
  PF_CLASS(TProbeFilter)
  PF_ALLOW_NEW;

 public:
  std::function<void(int32_t)> OnProcess;
  // Runs in the worker before it takes the output lock.
  std::function<void(int32_t)> BeforeOutputLock;
  std::atomic<int> Forwarded{0};
  std::atomic<int> LongestQueue{0};
  std::atomic<int> EnabledChanges{0};

  std::vector<int32_t> Tags() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FTags;
  }
  std::vector<uint32_t> Threads() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FThreads;
  }
  int32_t Processed() { return static_cast<int32_t>(Tags().size()); }
  RefPtr<TRBFilterThread> Worker() { return WorkerThread(); }
  TPNNotifyResult Send(const RefPtr<IPNNotifyOperation>& op) {
    return InputOperation(nullptr, nullptr, op.Get(), {});
  }

  TPNNotifyResult ProcessBuffer(IRBDataBuffer* ABuffer) override {
    const int32_t tag = IntfCast<IRBIntegerBuffer>(ABuffer)->GetItem(0);
    if (RefPtr<TRBFilterThread> worker = WorkerThread()) {
      const int queued = worker->QueuedCount();
      if (queued > LongestQueue) LongestQueue = queued;
    }
    if (OnProcess) OnProcess(tag);
    std::lock_guard<std::mutex> lock(FMutex);
    FTags.push_back(tag);
    FThreads.push_back(platform::GetCurrentThreadId());
    return {pins::nrDataChanged};
  }
  void ThreadOperation(IPNNotifyOperation* AOperation) override {
    if (BeforeOutputLock) BeforeOutputLock(TagOf(AOperation));
    TRBBasicThreadedEnableFilter::ThreadOperation(AOperation);
  }
  TPNNotifyResult ForwardOperation(IPNNotifyOperation*) override {
    ++Forwarded;
    return {};
  }
  void EnabledChanged() override { ++EnabledChanges; }

 protected:
  explicit TProbeFilter(platform::TComponent* AOwner) : TRBBasicThreadedEnableFilter(AOwner) {}

 private:
  std::mutex FMutex;
  std::vector<int32_t> FTags;
  std::vector<uint32_t> FThreads;
};
PF_DEFINE_COMPONENT(TProbeFilter, TRBBasicThreadedEnableFilter, nullptr)

// A common filter that keeps the two views of the last buffer it processed.
class TCommonProbe : public TRBBasicCommonFilter {
  PF_CLASS(TCommonProbe)
  PF_ALLOW_NEW;

 public:
  bool Releases = false;
  RefPtr<IRBDataBuffer> In, Out;
  int Calls = 0;

  TPNNotifyResult ProcessData(IRBDataBuffer* InBuffer, IRBDataBuffer* OutBuffer) override {
    ++Calls;
    In = InBuffer;
    Out = OutBuffer;
    return {pins::nrDataChanged};
  }
  bool ReleasesOutput() override { return Releases; }

 protected:
  using TRBBasicCommonFilter::TRBBasicCommonFilter;
};
PF_DEFINE_COMPONENT(TCommonProbe, TRBBasicCommonFilter, nullptr)

buffers::TRBGenericBuffer* View(const RefPtr<IRBDataBuffer>& b) {
  return dynamic_cast<buffers::TRBGenericBuffer*>(b->GetInstance());
}

// A filter with a worker thread and the given queue settings, started.
TProbeFilter* StartedWorker(uint32_t size, TRBQueueFullMode mode) {
  auto* f = New<TProbeFilter>(nullptr);
  f->Threading()->SetEnabled(true);
  f->Threading()->Queue()->SetSize(size);
  f->Threading()->Queue()->SetFullMode(mode);
  f->Send(StartWithRate());
  EXPECT_TRUE(f->HasWorkerThread());
  return f;
}

// A started worker held at the gate inside frame 1: in processing (under the output lock),
// or before it takes the output lock.
TProbeFilter* HeldWorker(TGate& gate, uint32_t size, TRBQueueFullMode mode,
                         bool beforeOutputLock = false) {
  TProbeFilter* f = StartedWorker(size, mode);
  auto hold = [&gate](int32_t tag) {
    if (tag == 1) gate.Pass();
  };
  (beforeOutputLock ? f->BeforeOutputLock : f->OnProcess) = hold;
  f->Send(Frame(1));
  EXPECT_TRUE(gate.WaitArrived(1));
  return f;
}

std::vector<int32_t> Range(int32_t from, int32_t to) {
  std::vector<int32_t> r;
  for (int32_t i = from; i <= to; ++i) r.push_back(i);
  return r;
}

TEST(ThreadedFilter, WithoutAThreadABufferIsProcessedInsideTheSendersCall) {
  auto* f = New<TProbeFilter>(nullptr);
  // Not started: still processed, in this thread, and the result comes back.
  TPNNotifyResult r = f->Send(Frame(7));
  EXPECT_TRUE(r.Contains(pins::nrDataChanged));
  f->Send(StartWithRate());
  EXPECT_FALSE(f->HasWorkerThread());
  f->Send(Frame(8));
  EXPECT_EQ(f->Tags(), (std::vector<int32_t>{7, 8}));
  EXPECT_EQ(f->Threads(), (std::vector<uint32_t>(2, platform::GetCurrentThreadId())));
  EXPECT_EQ(f->Forwarded, 1);  // the start; buffers are not forwarded
  f->Free();
}

// Only a start with a sample rate starts processing (and the worker); every operation but a
// supplied buffer is forwarded.
TEST(ThreadedFilter, OperationsAreRoutedByClass) {
  struct Case {
    const char* What;
    RefPtr<IPNNotifyOperation> Op;
    bool Running, Worker;
    int Forwarded;
  };
  const Case cases[] = {
      {"plain start", pins::TPNStartOperation::Make(), false, false, 1},
      {"start with rate", pins::TPNStartRateOperation::Make(25.0f), false, false, 1},
      {"pump request", pins::TPNPumpRequestOperation::Make(), false, false, 1},
      {"start with sample rate", StartWithRate(), true, true, 1},
      {"second start", StartWithRate(), true, true, 1},
      {"buffer", Frame(1), true, true, 0},
      {"stop", pins::TPNStopOperation::Make(), false, false, 1},
      {"start again", StartWithRate(), true, true, 1},
      {"end stop", pins::TPNEndStopOperation::Make(), false, false, 1},
  };
  auto* f = New<TProbeFilter>(nullptr);
  f->Threading()->SetEnabled(true);
  RefPtr<TRBFilterThread> first;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    const int before = f->Forwarded;
    f->Send(c.Op);
    EXPECT_EQ(f->Running(), c.Running);
    EXPECT_EQ(f->HasWorkerThread(), c.Worker);
    EXPECT_EQ(f->Forwarded - before, c.Forwarded);
    if (std::string(c.What) == "start with sample rate") first = f->Worker();
    if (std::string(c.What) == "second start") {
      EXPECT_EQ(f->Worker(), first);
    }
  }
  first = nullptr;
  f->Free();
}

TEST(ThreadedFilter, DisabledEnableFilterIgnoresBuffersButHandlesStartAndStop) {
  auto* f = New<TProbeFilter>(nullptr);
  EXPECT_TRUE(f->Enabled());
  f->SetEnabled(false);
  f->SetEnabled(false);
  EXPECT_EQ(f->EnabledChanges, 1);
  EXPECT_TRUE(f->Send(Frame(1)).Empty());
  f->Send(StartWithRate());
  EXPECT_TRUE(f->Running());
  f->Send(Frame(2));
  f->Send(pins::TPNStopOperation::Make());
  EXPECT_FALSE(f->Running());
  EXPECT_EQ(f->Processed(), 0);
  EXPECT_EQ(f->Forwarded, 2);
  f->SetEnabled(true);
  f->Send(Frame(3));
  EXPECT_EQ(f->Tags(), (std::vector<int32_t>{3}));
  EXPECT_NE(f->EnablePin(), nullptr);
  f->Free();
}

// The common filter's views share the buffer's container; only the last receiver of a
// delivery whose filter releases its output gets a view that does not own it. Its delivery
// does not ask Enabled.
TEST(ThreadedFilter, CommonFilterProcessesAnInputAndAnOutputViewOfOneContainer) {
  struct Case {
    bool Releases;
    TPNNotifyState State;
    bool OutOwns;
  };
  const Case cases[] = {
      {false, {}, true},
      {false, {pins::nsLastIteration}, true},
      {true, {}, true},
      {true, {pins::nsLastIteration}, false},
  };
  for (const Case& c : cases) {
    auto* f = New<TCommonProbe>(nullptr);
    f->SetEnabled(false);
    f->Releases = c.Releases;
    auto sent = TRBIntegerBuffer::CreateSize(4);
    auto op = buffers::TPNSuppliedBufferOperation::Make(sent.Get());
    EXPECT_TRUE(f->InputOperation(nullptr, nullptr, op.Get(), c.State).Contains(pins::nrDataChanged));
    ASSERT_EQ(f->Calls, 1);
    EXPECT_NE(f->In.Get(), f->Out.Get());
    EXPECT_EQ(View(f->In)->DataContainer(), sent->DataContainer());
    EXPECT_EQ(View(f->Out)->DataContainer(), sent->DataContainer());
    EXPECT_TRUE(View(f->In)->OwnsData());
    EXPECT_EQ(View(f->Out)->OwnsData(), c.OutOwns);
    f->In = nullptr;
    f->Out = nullptr;
    f->Free();
  }
}

TEST(ThreadedFilter, WorkerProcessesInOrderOffTheSendersThread) {
  Watchdog dog(30, "ThreadedFilter.Order");
  TProbeFilter* f = StartedWorker(3, fmBlock);
  EXPECT_EQ(f->Worker()->Name(), "TProbeFilter.TRBFilterThread");
  for (int32_t i = 1; i <= 200; ++i) f->Send(Frame(i));
  ASSERT_TRUE(Eventually([&] { return f->Processed() == 200; }));
  EXPECT_EQ(f->Tags(), Range(1, 200));
  EXPECT_LE(f->LongestQueue, 4);  // Size + 1
  for (uint32_t t : f->Threads()) EXPECT_EQ(t, f->Worker()->ThreadID());
  EXPECT_NE(f->Worker()->ThreadID(), platform::GetCurrentThreadId());
  f->Free();
}

// Queue size 0, fmBlock: while one operation is processed at most one waits; a third sender
// waits (without holding the input lock) until there is room.
TEST(ThreadedFilter, BlockModeWithSizeZeroLetsOneOperationWaitWhileOneIsProcessed) {
  Watchdog dog(30, "ThreadedFilter.BlockSizeZero");
  TGate gate;
  TProbeFilter* f = HeldWorker(gate, 0, fmBlock);
  f->Send(Frame(2));
  EXPECT_EQ(f->Worker()->QueuedCount(), 1);
  std::atomic<bool> thirdSent{false};
  std::thread sender([&] {
    f->Send(Frame(3));
    thirdSent = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(thirdSent);
  EXPECT_EQ(f->Worker()->QueuedCount(), 1);
  {
    auto s = f->InputLock()->WriteLock();  // the waiting sender gave the lock up
    EXPECT_TRUE(pins::SectionLocked(s));
  }
  gate.Open();
  sender.join();
  EXPECT_TRUE(thirdSent);
  ASSERT_TRUE(Eventually([&] { return f->Processed() == 3; }));
  EXPECT_EQ(f->Tags(), Range(1, 3));
  EXPECT_LE(f->LongestQueue, 1);
  f->Free();
}

// fmDropData never waits: with the queue full the operation is dropped. A size of 2^31 or
// more is an unsigned number: it drops nothing.
TEST(ThreadedFilter, DropModeNeverBlocksAndComparesTheSizeUnsigned) {
  Watchdog dog(30, "ThreadedFilter.Drop");
  struct Case {
    uint32_t Size;
    std::vector<int32_t> Processed;
  };
  const Case cases[] = {{0, {1, 2}}, {2, {1, 2, 3, 4}}, {0x80000000u, Range(1, 10)},
                        {0xFFFFFFFFu, Range(1, 10)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Size);
    TGate gate;
    TProbeFilter* f = HeldWorker(gate, c.Size, fmDropData);
    for (int32_t i = 2; i <= 10; ++i) f->Send(Frame(i));
    gate.Open();
    ASSERT_TRUE(Eventually([&] {
      return f->Processed() == static_cast<int32_t>(c.Processed.size()) &&
             f->Worker()->QueuedCount() == 0;
    }));
    EXPECT_EQ(f->Tags(), c.Processed);
    f->Free();
  }
}

// The worker is inside operation 1 when the stop comes: the stop waits for it, the queued
// operations are discarded.
TEST(ThreadedFilter, StopDuringABacklogDiscardsTheRest) {
  Watchdog dog(30, "ThreadedFilter.StopBacklog");
  TGate gate;
  TProbeFilter* f = HeldWorker(gate, 15, fmBlock);
  for (int32_t i = 2; i <= 6; ++i) f->Send(Frame(i));
  std::thread stopper([&] { f->Send(pins::TPNStopOperation::Make()); });
  ASSERT_TRUE(Eventually([&] { return f->OutputLock()->Instance()->StopPending(); }));
  gate.Open();
  stopper.join();
  EXPECT_FALSE(f->Running());
  EXPECT_FALSE(f->HasWorkerThread());
  EXPECT_EQ(f->Tags(), (std::vector<int32_t>{1}));
  f->Free();
}

// A sender blocked for room when processing stops wakes and drops its operation, also while
// the worker is still busy (here held before it takes the output lock, so that the stop does
// not wait for it). Each sender holds its own reference to the worker object, which the
// filter lets go during the stop.
TEST(ThreadedFilter, AStopWakesEverySenderBlockedForRoom) {
  Watchdog dog(30, "ThreadedFilter.StopBlockedSender");
  TGate gate;
  TProbeFilter* f = HeldWorker(gate, 0, fmBlock, true);
  f->Send(Frame(2));
  std::vector<std::thread> senders;
  std::atomic<int> returned{0};
  for (int32_t i = 3; i <= 5; ++i)
    senders.emplace_back([&, i] {
      f->Send(Frame(i));
      ++returned;
    });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(returned, 0);
  std::thread stopper([&] { f->Send(pins::TPNStopOperation::Make()); });
  EXPECT_TRUE(Eventually([&] { return returned == 3; }));
  gate.Open();
  stopper.join();
  for (auto& s : senders) s.join();
  EXPECT_TRUE(f->Tags().empty());  // operation 1 met the stop; 2 was discarded
  // The filter starts again with a new worker.
  f->Send(StartWithRate());
  f->Send(Frame(6));
  ASSERT_TRUE(Eventually([&] { return f->Processed() == 1; }));
  f->Free();
}

TEST(ThreadedFilter, AnExceptionInTheWorkerIsReportedAndAStopStillReturns) {
  Watchdog dog(30, "ThreadedFilter.WorkerException");
  TExceptionLog log;
  TProbeFilter* f = StartedWorker(15, fmBlock);
  f->OnProcess = [](int32_t tag) {
    if (tag == 2) throw platform::Exception("frame 2 failed");
  };
  for (int32_t i = 1; i <= 3; ++i) f->Send(Frame(i));
  ASSERT_TRUE(Eventually([&] { return f->Processed() == 2; }));
  EXPECT_EQ(f->Tags(), (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(log.Messages(), (std::vector<std::string>{"frame 2 failed"}));
  f->Send(pins::TPNStopOperation::Make());
  EXPECT_FALSE(f->HasWorkerThread());
  f->Free();
}

TEST(ThreadedFilter, DestroyingARunningFilterEndsItsWorker) {
  Watchdog dog(30, "ThreadedFilter.Destroy");
  TGate gate;
  TProbeFilter* f = StartedWorker(15, fmBlock);
  f->OnProcess = [&](int32_t) { gate.Pass(); };
  for (int32_t i = 1; i <= 4; ++i) f->Send(Frame(i));
  ASSERT_TRUE(gate.WaitArrived(1));
  std::thread opener([&] {
    while (!f->OutputLock()->Instance()->StopPending()) std::this_thread::yield();
    gate.Open();
  });
  f->Free();
  opener.join();
}

TEST(ThreadedFilter, SettingsDefaultsPriorityAndTheLegacyQueueSize) {
  auto* f = New<TProbeFilter>(nullptr);
  TRBThreading* t = f->Threading();
  EXPECT_FALSE(t->Enabled());
  EXPECT_EQ(t->Priority(), platform::tpNormal);
  EXPECT_EQ(t->Queue()->Size(), 15u);
  EXPECT_EQ(t->Queue()->FullMode(), fmBlock);
  // The settings share the input lock.
  EXPECT_EQ(t->Lock()->Instance(), f->InputLock()->Instance());
  EXPECT_EQ(t->Queue()->Lock()->Instance(), f->InputLock()->Instance());

  platform::ReadComponentFromText(
      "object Probe: TProbeFilter\n"
      "  Threading.Enabled = True\n"
      "  Threading.QueueSize = 7\n"
      "end\n",
      f);
  EXPECT_TRUE(t->Enabled());
  EXPECT_EQ(t->Queue()->Size(), 7u);
  const std::string text = platform::WriteComponentToText(f);
  EXPECT_NE(text.find("Threading.Queue.Size = 7"), std::string::npos) << text;
  EXPECT_EQ(text.find("QueueSize"), std::string::npos) << text;

  // A priority change reaches the running worker at once.
  f->Send(StartWithRate());
  t->SetPriority(platform::tpHigher);
  EXPECT_EQ(f->Worker()->Priority(), platform::tpHigher);
  f->Free();
}

// Senders on several threads while processing stops and starts again and again: nothing
// hangs, every operation is processed at most once, and in each sender's order.
TEST(ThreadedFilter, SendersStopsAndStartsOnManyThreads) {
  Watchdog dog(120, "ThreadedFilter.Stress");
  const char* env = std::getenv("PF_FILTER_STRESS_ROUNDS");
  const int rounds = env ? std::atoi(env) : 30;
  TProbeFilter* f = StartedWorker(1, fmBlock);
  std::vector<std::thread> senders;
  constexpr int kSenders = 3;
  constexpr int32_t kPerSender = 1000;
  for (int s = 0; s < kSenders; ++s)
    senders.emplace_back([&, s] {
      for (int32_t i = 0; i < kPerSender; ++i) f->Send(Frame(s * kPerSender + i));
    });
  for (int r = 0; r < rounds; ++r) {
    f->Send(pins::TPNStopOperation::Make());
    f->Send(StartWithRate());
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  for (auto& t : senders) t.join();
  f->Send(pins::TPNStopOperation::Make());
  const std::vector<int32_t> tags = f->Tags();
  EXPECT_LE(tags.size(), size_t(kSenders * kPerSender));
  std::vector<int32_t> last(kSenders, -1);
  for (int32_t tag : tags) {
    const int s = tag / kPerSender;
    EXPECT_GT(tag, last[s]);
    last[s] = tag;
  }
  f->Free();
}

}  // namespace
