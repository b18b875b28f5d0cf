// Pins used from several threads: locks released during calls, teardown while deliveries
// run, and a teardown from inside a delivery through the pin itself.
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "pins/PNPinsRegistries.h"
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

// A sink freed by another thread during a delivery: the freeing waits for a call into the
// sink that is under way, not for the rest of the delivery, and a sink freed before its turn
// is skipped. The call, which asks the sink for its stream type under the sink's lock, is not
// blocked by the thread that waits to free the sink.
TEST_F(PinsConcurrencyTest, ASinkFreedDuringADeliveryWaitsOnlyForTheCallIntoIt) {
  Watchdog dog(20, "PinsConcurrencyTest.ASinkFreedDuringADeliveryWaitsOnlyForTheCallIntoIt");
  TTestComponent* s = Add("S");
  TTestComponent* first = Add("First");
  TTestComponent* later = Add("Later");
  ASSERT_TRUE(first->In()->Connect(s->Out()));
  ASSERT_TRUE(later->In()->ConnectAfter(s->Out(), first->In()));
  std::atomic<bool> freed{false};
  std::thread freer;
  auto freeInAnotherThread = [&](TTestComponent* c) {
    freed = false;
    freer = std::thread([&, c] {
      c->Free();
      freed = true;
    });
  };
  // Later is freed while First's call runs: it goes at once and its turn is skipped. Were
  // the freeing to wait for First's call, it would not end before the call returns.
  first->In()->OnReceive = [&](IPNNotifyOperation*, TPNNotifyState) {
    freeInAnotherThread(later);
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!freed.load() && Clock::now() < deadline) std::this_thread::yield();
    EXPECT_TRUE(freed.load()) << "the sink's freeing waited for a call into another sink";
    return TPNNotifyResult();
  };
  Log().Take();
  s->Out()->Notify(TPNNotifyOperation::Make().Get());
  freer.join();
  EXPECT_EQ(Log().TakeSinks(), (std::vector<std::string>{"First"}));
  EXPECT_EQ(s->Out()->GetSinkCount(), 1);
  // First is freed while its own call runs: once the freeing waits for First's guard, it
  // stays there until the call has returned.
  first->In()->OnReceive = [&](IPNNotifyOperation*, TPNNotifyState) {
    TPNDestroyLock* guard = first->In()->DestroyGuard()->Instance();
    freeInAnotherThread(first);
    while (guard->Destroying() == 0) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(freed.load()) << "the sink was freed during a call into it";
    return TPNNotifyResult();
  };
  s->Out()->Notify(TPNNotifyOperation::Make().Get());
  freer.join();
  EXPECT_TRUE(freed.load());
  EXPECT_EQ(s->Out()->GetSinkCount(), 0);
}

// A sink handler changes links of the source delivering to it, from inside the delivery.
// The delivery goes on, and an entry removed meanwhile is skipped.
TEST_F(PinsConcurrencyTest, HandlersChangeTheLinksOfTheSourceDeliveringToThem) {
  Watchdog dog(20, "PinsConcurrencyTest.HandlersChangeTheLinksOfTheSourceDeliveringToThem");
  struct Case {
    const char* What;
    // Run inside A's call; s and s2 are sources, a and b sinks of s (b served after a).
    std::function<void(TTestComponent* s, TTestComponent* s2, TTestComponent*& a, TTestComponent*& b)> Change;
    std::vector<std::string> Served;  // sinks reached by the delivery
    bool ALinked, BLinked;            // to s, afterwards
  };
  const Case cases[] = {
      {"unlinks itself", [](auto*, auto*, auto*& a, auto*&) { a->In()->Connect(nullptr); },
       {"A", "B"}, false, true},
      {"relinks to another source",
       [](auto*, auto* s2, auto*& a, auto*&) { EXPECT_TRUE(a->In()->Connect(s2->Out())); },
       {"A", "A", "B"}, false, true},  // the new link's first operation reaches A
      {"frees another sink's component",
       [](auto*, auto*, auto*&, auto*& b) { platform::FreeAndNil(b); }, {"A"}, true, false},
      {"disconnects itself through the source",
       [](auto* s, auto*, auto*& a, auto*&) { s->Out()->DisconnectFrom(a->In()); }, {"A", "B"},
       false, true},
      {"disconnects the next sink through the source",
       [](auto* s, auto*, auto*&, auto*& b) { s->Out()->DisconnectFrom(b->In()); }, {"A"}, true,
       false},
      {"links the next sink again",
       [](auto* s, auto*, auto*& a, auto*& b) {
         b->In()->Connect(nullptr);
         EXPECT_TRUE(b->In()->ConnectAfter(s->Out(), a->In()));
       },
       {"A", "B"}, true, true},  // the new link's first operation; the old link's turn is gone
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    TTestComponent* s = Add("S");
    TTestComponent* s2 = Add("S2");
    TTestComponent* a = Add("A");
    TTestComponent* b = Add("B");
    ASSERT_TRUE(a->In()->Connect(s->Out()));
    ASSERT_TRUE(b->In()->ConnectAfter(s->Out(), a->In()));
    bool changed = false;
    a->In()->OnReceive = [&](IPNNotifyOperation*, TPNNotifyState) {
      if (!changed) {
        changed = true;
        c.Change(s, s2, a, b);
      }
      return TPNNotifyResult();
    };
    Log().Take();
    s->Out()->Notify(TPNNotifyOperation::Make().Get());
    EXPECT_EQ(Log().TakeSinks(), c.Served);
    EXPECT_EQ(s->Out()->IsConnectedTo(a->In()), c.ALinked);
    EXPECT_EQ(a->In()->GetSourcePin() == s->Out(), c.ALinked);
    if (b) {
      EXPECT_EQ(s->Out()->IsConnectedTo(b->In()), c.BLinked);
      EXPECT_EQ(b->In()->GetSourcePin() == s->Out(), c.BLinked);
    }
    EXPECT_EQ(s->Out()->GetSinkCount(), (c.ALinked ? 1 : 0) + (c.BLinked ? 1 : 0));
    // The next delivery reaches the sinks still linked, once each.
    a->In()->OnReceive = nullptr;
    s->Out()->Notify(TPNNotifyOperation::Make().Get());
    std::vector<std::string> next;
    if (c.ALinked) next.push_back("A");
    if (c.BLinked) next.push_back("B");
    EXPECT_EQ(Log().TakeSinks(), next);
    for (TTestComponent* comp : {s, s2, a, b})
      if (comp) comp->Free();
  }
}

// A sink leaves a source that is being destroyed. S's delivery waits in K0's handler while
// another thread frees S's component (S's teardown waits for that delivery), and K, served
// after K0, links to S2 meanwhile. S refuses calls from then on, yet K's link to S is gone
// on both ends: when K0's handler returns, S's delivery does not reach K, which belongs to
// S2 now. K is linked to S directly or through a converter.
TEST_F(PinsConcurrencyTest, ASinkThatLeavesASourceBeingDestroyedGetsNothingMoreFromIt) {
  Watchdog dog(30, "PinsConcurrencyTest.ASinkThatLeavesASourceBeingDestroyedGetsNothingMoreFromIt");
  ClearRegistries();
  RegisterTypeConverter(kDownType, kOtherType, &TTestConverter::StaticClass());
  for (const bool throughConverter : {false, true}) {
    SCOPED_TRACE(throughConverter ? "through a converter" : "directly");
    TTestComponent* s = Add("S");
    TTestComponent* s2 = Add("S2");
    TTestComponent* k0 = Add("K0");
    TTestComponent* k = Add("K");
    if (throughConverter) k->In()->Accepts = kOtherType;
    ASSERT_TRUE(k0->In()->Connect(s->Out()));
    ASSERT_TRUE(k->In()->ConnectAfter(s->Out(), k0->In()));
    auto op = TPNNotifyOperation::Make();
    const uint32_t id = op->Instance()->OperationID();
    std::atomic<bool> inside{false}, release{false};
    std::atomic<int> kGot{0};
    k0->In()->OnReceive = [&](IPNNotifyOperation* o, TPNNotifyState) {
      if (o->Instance()->OperationID() != id) return TPNNotifyResult();
      inside = true;
      while (!release.load()) std::this_thread::yield();
      return TPNNotifyResult();
    };
    k->In()->OnReceive = [&](IPNNotifyOperation* o, TPNNotifyState) {
      if (o->Instance()->OperationID() == id) ++kGot;
      return TPNNotifyResult();
    };
    std::thread deliverer([&] { s->Out()->Notify(op.Get()); });
    while (!inside.load()) std::this_thread::yield();
    TPNDestroyLock* guard = s->Out()->DestroyGuard()->Instance();
    std::thread freer([&] { s->Free(); });
    // From here S refuses every call: its teardown waits for the delivery.
    while (guard->Destroying() == 0) std::this_thread::yield();
    EXPECT_TRUE(k->In()->Connect(s2->Out()));
    EXPECT_EQ(k->In()->GetSourcePin(), s2->Out());
    release = true;
    deliverer.join();
    freer.join();
    EXPECT_EQ(kGot.load(), 0) << "the source being destroyed delivered to a sink that had left it";
    EXPECT_TRUE(s2->Out()->HasLinkTo(k->In()));
    EXPECT_EQ(k->In()->GetSourcePin(), s2->Out());
    // K is S2's alone.
    k0->In()->OnReceive = nullptr;
    k->In()->OnReceive = nullptr;
    Log().Take();
    s2->Out()->Notify(TPNNotifyOperation::Make().Get());
    const std::vector<std::string> sinks = Log().TakeSinks();
    EXPECT_EQ(std::count(sinks.begin(), sinks.end(), "K"), 1);
    EXPECT_EQ(std::count(sinks.begin(), sinks.end(), "K0"), 0);
    for (TTestComponent* comp : {s2, k0, k}) comp->Free();
    EXPECT_EQ(TTestConverter::Alive.load(), 0);
  }
  ClearRegistries();
}

// Freeing the very pin whose delivery runs on this thread cannot wait for that delivery to
// end: the process stops with a message that names the pin instead of hanging.
TEST_F(PinsConcurrencyTest, FreeingTheDeliveringSourceFromInsideItsCallAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TTestComponent* s = Add("S");
  TTestComponent* a = Add("A");
  ASSERT_TRUE(a->In()->Connect(s->Out()));
  a->In()->OnReceive = [&](IPNNotifyOperation*, TPNNotifyState) {
    s->Free();
    return TPNNotifyResult();
  };
  EXPECT_DEATH(s->Out()->Notify(TPNNotifyOperation::Make().Get()),
               "Pin Form1\\.S\\.OutputPin \\(TTestSourcePin\\) is destroyed");
  a->In()->OnReceive = nullptr;
}

}  // namespace
}  // namespace pinstest
