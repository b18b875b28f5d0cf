// Pins used from two threads at once in ways that take the locks of two pins, of a pin and the
// registry, or of a pin and a converter: no order of calls may hang.
#include <atomic>
#include <functional>
#include <thread>

#include "pins/PNPinsGuards.h"
#include "pins/PNPinsRegistries.h"
#include "tests/common/Watchdog.h"
#include "tests/pins/FormsTestSupport.h"

namespace pinstest {
namespace {

using PinsLockOrderTest = FormsPinsTest;

// Runs A and B on two threads, each ARounds times, started together.
template <class FA, class FB>
void RunTogether(int ARounds, FA A, FB B) {
  std::atomic<int> ready{0};
  auto run = [&](auto& f) {
    ++ready;
    while (ready.load() < 2) std::this_thread::yield();
    for (int i = 0; i < ARounds; ++i) f(i);
  };
  std::thread a([&] { run(A); });
  std::thread b([&] { run(B); });
  a.join();
  b.join();
}

// One link made and removed from its two ends at once: the sink side asks the source
// about the link while the source side asks the sink whether it may link.
TEST_F(PinsLockOrderTest, OneLinkMadeFromBothEnds) {
  Watchdog dog(30, "PinsLockOrderTest.OneLinkMadeFromBothEnds");
  TTestComponent* s = Add("S");
  TTestComponent* k = Add("K");
  RunTogether(
      2000,
      [&](int i) {
        k->In()->Connect(s->Out());
        if (i % 3 == 0) k->In()->Connect(nullptr);
      },
      [&](int i) {
        s->Out()->Connect(k->In());
        if (i % 3 == 1) s->Out()->DisconnectFrom(k->In());
      });
  // Whatever the order, the two ends agree.
  const bool linked = k->In()->GetSourcePin() == s->Out();
  EXPECT_EQ(s->Out()->IsConnectedTo(k->In()), linked);
  EXPECT_EQ(s->Out()->GetSinkCount(), linked ? 1 : 0);
}

// Both ends of a link are freed at once. (Each component is a root of its own: the class
// library's owner lists are not made for components freed by two threads at once.)
TEST_F(PinsLockOrderTest, BothEndsTornDownAtOnce) {
  Watchdog dog(30, "PinsLockOrderTest.BothEndsTornDownAtOnce");
  for (int round = 0; round < 300; ++round) {
    TTestComponent* s = New<TTestComponent>(nullptr);
    TTestComponent* k = New<TTestComponent>(nullptr);
    TTestComponent* k2 = Add("K2");
    ASSERT_TRUE(k->In()->Connect(s->Out()));
    ASSERT_TRUE(k2->In()->Connect(s->Out()));
    RunTogether(1, [&](int) { s->Free(); }, [&](int) { k->Free(); });
    EXPECT_EQ(k2->In()->GetSourcePin(), nullptr);
    k2->Free();
  }
  Log().Take();
}

// A link looked up by name holds the registry lock while it asks every pin its name; a
// join by state holds a pin's lock while it enters the registry lock to make a state link.
TEST_F(PinsLockOrderTest, LinkByNameAgainstJoinByState) {
  Watchdog dog(30, "PinsLockOrderTest.LinkByNameAgainstJoinByState");
  TTestComponent* k = Add("K");
  TTestComponent* p = Add("P");
  TTestComponent* q = Add("Q");
  Add("S");  // the last pin registered: the look-up asks every other pin its name first
  RunTogether(
      1500,
      [&](int) {
        EXPECT_TRUE(k->In()->TryLinkTo(nullptr, "Form1.S.OutputPin", "Form1.S.OutputPin", false));
        k->In()->Connect(nullptr);
      },
      [&](int) {
        EXPECT_TRUE(p->Out()->ConnectByState(q->In()));
        q->In()->Disconnect();
      });
  EXPECT_EQ(p->Out()->Dispatcher(), nullptr);
  EXPECT_EQ(UnloadedCount(), 0);
}

// Two threads link sinks through one shared converter, one from the source side and one
// from the converter's output side, while values flow through it.
TEST_F(PinsLockOrderTest, TwoThreadsLinkThroughOneSharedConverter) {
  Watchdog dog(30, "PinsLockOrderTest.TwoThreadsLinkThroughOneSharedConverter");
  ClearRegistries();
  RegisterTypeConverter(kDownType, kOtherType, &TTestConverter::StaticClass());
  TTestComponent* s = Add("S");
  TTestComponent* keep = Add("Keep");
  TTestComponent* k1 = Add("K1");
  TTestComponent* k2 = Add("K2");
  for (TTestComponent* c : {keep, k1, k2}) c->In()->Accepts = kOtherType;
  ASSERT_TRUE(keep->In()->Connect(s->Out()));  // keeps the converter alive
  RefPtr<IPNFormatConverter> converter = keep->In()->GetFormatConverter();
  ASSERT_TRUE(converter);
  TPNSourcePin* converterOut = ConverterPins(converter.Get())->OutputPin();
  RunTogether(
      800,
      [&](int i) {
        k1->In()->Connect(s->Out());
        if (i % 2) s->Out()->Notify(TPNNotifyOperation::Make().Get());
        k1->In()->Connect(nullptr);
      },
      [&](int i) {
        k2->In()->Connect(converterOut);
        if (i % 2 == 0) converterOut->Connect(k1->In());
        k2->In()->Disconnect();
      });
  converter = nullptr;
  keep->In()->Connect(nullptr);
  k1->In()->Connect(nullptr);
  EXPECT_EQ(TTestConverter::Alive.load(), 0);
  ClearRegistries();
  Log().Take();
}

// The pin tests run with the lock order checked: a thread that waits for a lock ranked at or
// above one it holds stops the program at once, naming both, even with no second thread to
// make it hang. Taking the locks in order passes.
TEST_F(PinsLockOrderTest, AWaitOutOfOrderStopsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ASSERT_TRUE(LockOrderChecks());
  TTestComponent* a = Add("A");
  TTestComponent* b = Add("B");
  {
    TPNLinkLockHold links;
    auto pin = a->Out()->WriteLock();
    auto again = a->Out()->ReadLock();  // the same lock again never waits
    TPNRegistryLockHold registry;
  }
  struct Case {
    const char* What;
    std::function<void()> Take;
    const char* Message;
  };
  const Case cases[] = {
      {"two pins",
       [&] {
         auto first = a->Out()->WriteLock();
         auto second = b->In()->WriteLock();
       },
       "waits for a pin's lock .* while it holds a pin's lock"},
      {"a pin under the registry lock",
       [&] {
         TPNRegistryLockHold registry;
         auto pin = a->In()->ReadLock();
       },
       "waits for a pin's lock .* while it holds the registry lock"},
      {"the link lock under a pin",
       [&] {
         auto pin = a->In()->WriteLock();
         TPNLinkLockHold links;
       },
       "waits for the link lock .* while it holds a pin's lock"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    EXPECT_DEATH(c.Take(), c.Message);
  }
}

}  // namespace
}  // namespace pinstest
