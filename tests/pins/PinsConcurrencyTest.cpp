// Pins used from several threads: locks released during calls, teardown while deliveries
// run, and a teardown from inside a delivery through the pin itself.
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Kernel.h"
#include "tests/common/Watchdog.h"
#include "tests/pins/PinsTestSupport.h"

namespace pinstest {
namespace {

using Clock = std::chrono::steady_clock;
using PinsConcurrencyTest = PinsTest;

TEST_F(PinsConcurrencyTest, AnotherThreadTakesTheSendersLocksDuringACall) {
  Watchdog dog(20, "PinsConcurrencyTest.AnotherThreadTakesTheSendersLocksDuringACall");
  TTestComponent* s = Add("S");
  TTestComponent* a = Add("A");
  ASSERT_TRUE(a->In()->Connect(s->Out()));
  int64_t waited = -1;
  a->In()->OnReceive = [&](IPNNotifyOperation*, TPNNotifyState) {
    std::thread other([&] {
      auto start = Clock::now();
      auto in = s->InputLock->WriteLock();   // input lock first, as components do
      auto own = s->Lock->WriteLock();
      if (in && own)
        waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    });
    other.join();
    return TPNNotifyResult();
  };
  // The sending thread holds both locks, as a component sending from its processing does.
  auto in = s->InputLock->WriteLock();
  auto own = s->Lock->WriteLock();
  s->Out()->Notify(TPNNotifyOperation::Make().Get());
  ASSERT_GE(waited, 0) << "the other thread did not get the locks";
  EXPECT_LT(waited, 50);
  EXPECT_EQ(s->OwnerLock()->OwningThread(), platform::GetCurrentThreadId());
  EXPECT_EQ(s->InLock()->OwningThread(), platform::GetCurrentThreadId());
}

// One thread delivers in a loop; another frees the sink's component while deliveries run,
// then the source's component while a delivery is inside a call. Destruction waits for the
// call in flight and nothing is touched after it is freed.
TEST_F(PinsConcurrencyTest, ComponentsAreFreedWhileDeliveriesRun) {
  Watchdog dog(60, "PinsConcurrencyTest.ComponentsAreFreedWhileDeliveriesRun");
  for (int round = 0; round < 20; ++round) {
    TTestComponent* s = Add("S");
    TTestComponent* k1 = Add("K1");
    TTestComponent* k2 = Add("K2");
    ASSERT_TRUE(k1->In()->Connect(s->Out()));
    ASSERT_TRUE(k2->In()->Connect(s->Out()));
    std::atomic<int> k1Calls{0}, k2Calls{0};
    std::atomic<bool> stop{false}, inCall{false}, returned{false}, done{false};
    k1->In()->OnReceive = [&](IPNNotifyOperation*, TPNNotifyState) {
      ++k1Calls;
      return TPNNotifyResult({nrDataChanged});
    };
    k2->In()->OnReceive = [&](IPNNotifyOperation*, TPNNotifyState) {
      ++k2Calls;
      if (stop.load()) {
        // The last call: held open while the source is being freed.
        inCall = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        returned = true;
      }
      return TPNNotifyResult();
    };
    std::thread deliverer([&] {
      TTestSourcePin* out = s->Out();
      while (!stop.load()) out->Notify(TPNNotifyOperation::Make().Get());
      done = true;
    });
    while (k1Calls.load() < 50) std::this_thread::yield();
    k1->Free();  // the sink's component, while deliveries run
    int seen = k2Calls.load();
    while (k2Calls.load() < seen + 20) std::this_thread::yield();
    stop = true;
    // Usually the delivery under way sees the stop inside its call; rarely the loop ends
    // first, and the source is freed with no call in flight.
    while (!inCall.load() && !done.load()) std::this_thread::yield();
    bool wasInCall = inCall.load();
    s->Free();  // the source's component, while a call through it is in flight
    if (wasInCall) {
      EXPECT_TRUE(returned.load()) << "the source was freed before its call returned";
    }
    deliverer.join();
    k2->Free();
    Log().Take();
  }
}

// A sink freed by another thread during a delivery that has it in its snapshot: the freeing
// waits until the delivery has ended, so the sink's turn in that delivery still finds it; and
// the call, which asks the sink for its stream type under the sink's lock, is not blocked
// by the thread that waits to free the sink.
TEST_F(PinsConcurrencyTest, ASinkFreedDuringADeliveryIsFreedAfterIt) {
  Watchdog dog(20, "PinsConcurrencyTest.ASinkFreedDuringADeliveryIsFreedAfterIt");
  TTestComponent* s = Add("S");
  TTestComponent* first = Add("First");
  TTestComponent* later = Add("Later");
  ASSERT_TRUE(first->In()->Connect(s->Out()));
  ASSERT_TRUE(later->In()->Connect(s->Out()));
  std::atomic<bool> freeing{false}, freed{false};
  std::thread freer;
  first->In()->OnReceive = [&](IPNNotifyOperation*, TPNNotifyState) {
    freer = std::thread([&] {
      freeing = true;
      later->Free();
      freed = true;
    });
    while (!freeing.load()) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(freed.load()) << "the sink was freed during the delivery";
    return TPNNotifyResult();
  };
  Log().Take();
  s->Out()->Notify(TPNNotifyOperation::Make().Get());
  freer.join();
  EXPECT_TRUE(freed.load());
  EXPECT_EQ(Log().TakeSinks(), (std::vector<std::string>{"First", "Later"}));
  EXPECT_EQ(s->Out()->GetSinkCount(), 1);
}

// A sink handler that unlinks itself from the source delivering to it would wait for that
// delivery forever; the pin reports it and the process stops instead of hanging.
TEST_F(PinsConcurrencyTest, UnlinkingTheDeliveringSourceFromInsideItsCallAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TTestComponent* s = Add("S");
  TTestComponent* a = Add("A");
  ASSERT_TRUE(a->In()->Connect(s->Out()));
  a->In()->OnReceive = [&](IPNNotifyOperation*, TPNNotifyState) {
    a->In()->Connect(nullptr);
    return TPNNotifyResult();
  };
  EXPECT_DEATH(s->Out()->Notify(TPNNotifyOperation::Make().Get()),
               "Pin Form1\\.S\\.OutputPin \\(TTestSourcePin\\) is unlinked or destroyed from "
               "inside a call");
  a->In()->OnReceive = [&](IPNNotifyOperation*, TPNNotifyState) {
    s->Free();
    return TPNNotifyResult();
  };
  // The component is being destroyed: the pin is named by its owner and class.
  EXPECT_DEATH(s->Out()->Notify(TPNNotifyOperation::Make().Get()),
               "Pin Form1\\.S\\. \\(TTestSourcePin\\) is unlinked or destroyed");
  a->In()->OnReceive = nullptr;
}

}  // namespace
}  // namespace pinstest
