// A chain of two threaded filters on real pins, stopped while it runs: head -> A -> B -> sink,
// fmBlock with queue size 1, A fast and B slow, so that the head's thread waits for room in
// A's queue and A's worker waits for room in B's queue most of the time. The chain is stopped
// from the sink's handler (on B's worker), from A's processing (on A's worker) and from the
// main thread while both senders wait for room. Every stop returns, the head's thread sends
// all its frames, the sink receives a prefix of what was sent without gaps, and freeing the
// chain leaves no pin, worker thread, block or container behind.
#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "buffers/PXSimpleImageBuffer.h"
#include "buffers/PXStreamTypes.h"
#include "components/PXCommonFilter.h"
#include "components/PXGenericFilter.h"
#include "components/PXSinkFilter.h"
#include "platform/Messages.h"
#include "tests/buffers/BuffersTestSupport.h"
#include "tests/common/Watchdog.h"
#include "tests/components/FilterTestSupport.h"

namespace {

using namespace components;
using buffers::TPXImageBuffer;
using filtertest::Eventually;
using filtertest::TGate;
using platform::New;

constexpr int32_t kFrames = 3000;
constexpr int32_t kStopAt = 200;

// Busy for about `micros` microseconds (a sleep would last far longer than 10 us).
void Work(int micros) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(micros);
  while (std::chrono::steady_clock::now() < until) {
  }
}

int32_t TagOf(IPXImageBuffer* image) { return image->GetPixel(0, 0); }

// A threaded image filter that passes every frame on after WorkMicros of work; OnFrame runs
// in its processing (on its worker) before the frame leaves.
class TChainStage : public TPXCommonFilter {
  PF_CLASS(TChainStage)
  PF_ALLOW_NEW;

 public:
  int WorkMicros = 0;
  std::function<void(int32_t)> OnFrame;

  RefPtr<TRBFilterThread> Worker() { return WorkerThread(); }
  void ProcessImage(IPXImageBuffer* InImage, RefPtr<IPXImageBuffer>& OutImage) override {
    (void)OutImage;
    Work(WorkMicros);
    if (OnFrame) OnFrame(TagOf(InImage));
  }

 protected:
  using TPXCommonFilter::TPXCommonFilter;
};
PF_DEFINE_COMPONENT(TChainStage, TPXCommonFilter, nullptr)

// Records the tags of the frames that reach it; OnFrame runs after each is recorded.
class TChainSink : public TPXSyncSinkFilter {
  PF_CLASS(TChainSink)
  PF_ALLOW_NEW;

 public:
  std::function<void(int32_t)> OnFrame;

  std::vector<int32_t> Tags() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FTags;
  }
  size_t Count() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FTags.size();
  }
  void ProcessImage(IPXImageBuffer* AImage) override {
    const int32_t tag = TagOf(AImage);
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FTags.push_back(tag);
    }
    if (OnFrame) OnFrame(tag);
  }

 protected:
  using TPXSyncSinkFilter::TPXSyncSinkFilter;

 private:
  std::mutex FMutex;
  std::vector<int32_t> FTags;
};
PF_DEFINE_COMPONENT(TChainSink, TPXSyncSinkFilter, nullptr)

// The worker threads of the chain alive in this process (their names begin with "Chain").
int ChainThreads() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
      std::string name;
      std::getline(comm, name);
      if (name.rfind("Chain", 0) == 0) ++count;
    }
    closedir(dir);
  }
  return count;
}

// Where the stop is asked, and how: the head's stop command (down the pins: A, then B), or
// the stops of B and then of A, each delivered to the component's input.
enum class TStopFrom { SinkHandler, AProcessing, MainThread };
enum class TStopHow { HeadCommand, BThenA };

class ThreadedChain : public bufferstest::BuffersTest {
 protected:
  void SetUp() override {
    BuffersTest::SetUp();
    ASSERT_EQ(pins::AllPinsCount(), 0);
    ASSERT_EQ(ChainThreads(), 0);
    Form = New<platform::TComponent>(nullptr);
    Head = Add<TPXGenericFilter>("Head");
    A = Add<TChainStage>("ChainA");
    B = Add<TChainStage>("ChainB");
    Sink = Add<TChainSink>("Sink");
    for (TChainStage* stage : {A, B}) {
      stage->Threading()->SetEnabled(true);
      stage->Threading()->Queue()->SetSize(1);
      stage->Threading()->Queue()->SetFullMode(fmBlock);
    }
    A->WorkMicros = 10;
    B->WorkMicros = 300;
    ASSERT_TRUE(A->InputPin()->Connect(Head->OutputPin()));
    ASSERT_TRUE(B->InputPin()->Connect(A->OutputPin()));
    ASSERT_TRUE(Sink->InputPin()->Connect(B->OutputPin()));
    Head->SendStartCommand(4, 1, 400000, buffers::vfRGB24);
    ASSERT_TRUE(A->HasWorkerThread());
    ASSERT_TRUE(B->HasWorkerThread());
  }
  void TearDown() override {
    platform::FreeAndNil(Form);
    platform::ProcessMessages();
    EXPECT_EQ(pins::AllPinsCount(), 0) << "pins outlived their components";
    EXPECT_TRUE(Eventually([] { return ChainThreads() == 0; })) << "worker threads left running";
    BuffersTest::TearDown();
  }
  template <class T>
  T* Add(const char* name) {
    T* c = New<T>(Form);
    c->SetName(name);
    return c;
  }

  void Stop(TStopHow how) {
    if (how == TStopHow::HeadCommand) {
      Head->SendStopCommand();
      return;
    }
    auto stop = pins::TPNStopOperation::Make();
    B->InputOperation(nullptr, nullptr, stop.Get(), {});
    A->InputOperation(nullptr, nullptr, stop.Get(), {});
  }

  // The head's thread: frames 1..kFrames, each tagged in its first pixel.
  std::thread StartSource() {
    return std::thread([this] {
      for (int32_t tag = 1; tag <= kFrames; ++tag) {
        RefPtr<TPXImageBuffer> image = TPXImageBuffer::CreateSize(4, 1, buffers::vfRGB24);
        image->SetPixel(0, 0, tag);
        Head->SendData(image.Get());
        ++Sent;
      }
    });
  }

  platform::TComponent* Form = nullptr;
  TPXGenericFilter* Head = nullptr;
  TChainStage* A = nullptr;
  TChainStage* B = nullptr;
  TChainSink* Sink = nullptr;
  std::atomic<int32_t> Sent{0};
  // Covers the test and the freeing of the chain.
  Watchdog Dog{60, ::testing::UnitTest::GetInstance()->current_test_info()->name()};
};

std::vector<int32_t> Range(int32_t from, int32_t to) {
  std::vector<int32_t> r;
  for (int32_t i = from; i <= to; ++i) r.push_back(i);
  return r;
}

struct TStopCase {
  const char* Name;
  TStopFrom From;
  TStopHow How;
};
void PrintTo(const TStopCase& c, std::ostream* os) { *os << c.Name; }

class ThreadedChainStop : public ThreadedChain, public ::testing::WithParamInterface<TStopCase> {};

// A stop asked on a worker of the chain (the sink's handler runs on B's worker) returns at
// once, and what reached the sink is 1..n without gaps: exactly up to the frame in hand when
// the sink's handler stops; fewer when A's processing stops (the frames queued for B are
// discarded, and the frame A has in hand never reaches B). From the main thread the stop
// comes while the head's thread waits for room in A's queue and A's worker for room in B's
// queue, B being held inside frame 200: stopping A must not wait for B (the stop releases
// A's worker from its wait), so B is let go only once B's own stop is pending, or after five
// seconds, which fails the case.
TEST_P(ThreadedChainStop, EveryStopReturnsAndTheSinkGetsAPrefixOfTheFrames) {
  const TStopCase& c = GetParam();
  std::atomic<bool> stopReturned{false};
  TGate gate;
  if (c.From == TStopFrom::MainThread) {
    B->OnFrame = [&](int32_t tag) {
      if (tag == kStopAt) gate.Pass();
    };
  } else {
    auto stopAt = [&](int32_t tag) {
      if (tag != kStopAt) return;
      Stop(c.How);
      stopReturned = true;
    };
    (c.From == TStopFrom::SinkHandler ? Sink->OnFrame : A->OnFrame) = stopAt;
  }
  std::thread source = StartSource();
  if (c.From == TStopFrom::MainThread) {
    ASSERT_TRUE(gate.WaitArrived(1));
    // Both senders wait for room: A's queue and B's queue hold Size + 1 operations.
    EXPECT_TRUE(Eventually([&] {
      return A->Worker()->QueuedCount() == 2 && B->Worker()->QueuedCount() == 2;
    }));
    std::atomic<bool> timedOut{false};
    std::thread opener([&] {
      if (!Eventually([&] { return B->OutputLock()->Instance()->StopPending(); }))
        timedOut = true;
      gate.Open();
    });
    Stop(c.How);
    stopReturned = true;
    opener.join();
    EXPECT_FALSE(timedOut) << "stopping A waited for B's processing";
  }
  source.join();  // the head's thread is never left waiting
  EXPECT_EQ(Sent, kFrames);
  ASSERT_TRUE(Eventually([&] { return stopReturned.load(); }));
  EXPECT_FALSE(A->Running());
  EXPECT_FALSE(B->Running());
  EXPECT_FALSE(A->HasWorkerThread());
  EXPECT_FALSE(B->HasWorkerThread());
  const std::vector<int32_t> tags = Sink->Tags();
  if (c.From == TStopFrom::AProcessing) {
    EXPECT_EQ(tags, Range(1, static_cast<int32_t>(tags.size())));
    EXPECT_LT(tags.size(), size_t(kStopAt));
  } else {
    EXPECT_EQ(tags, Range(1, kStopAt));
  }
}

INSTANTIATE_TEST_SUITE_P(
    , ThreadedChainStop,
    ::testing::Values(
        TStopCase{"SinkHandlerHeadCommand", TStopFrom::SinkHandler, TStopHow::HeadCommand},
        TStopCase{"SinkHandlerBThenA", TStopFrom::SinkHandler, TStopHow::BThenA},
        TStopCase{"AProcessingHeadCommand", TStopFrom::AProcessing, TStopHow::HeadCommand},
        TStopCase{"AProcessingBThenA", TStopFrom::AProcessing, TStopHow::BThenA},
        TStopCase{"MainThreadHeadCommand", TStopFrom::MainThread, TStopHow::HeadCommand},
        TStopCase{"MainThreadBThenA", TStopFrom::MainThread, TStopHow::BThenA}),
    [](const ::testing::TestParamInfo<TStopCase>& info) { return std::string(info.param.Name); });

}  // namespace
