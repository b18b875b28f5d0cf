// Links through format converters: one converter made from the registry, reused for a second
// sink, called once per delivery for both, and released with the last sink it serves; a
// delivery through a converter keeps to the links that existed when it began.
#include <functional>
#include <thread>

#include "pins/PNPinsRegistries.h"
#include "tests/common/Watchdog.h"
#include "tests/pins/PinsTestSupport.h"

namespace pinstest {

const platform::TClassInfo& TConverterStandIn::StaticClass() {
  static const platform::TClassInfo info("TPNFormatConverter", &TComponent::StaticClass(), nullptr);
  return info;
}

PF_DEFINE_COMPONENT(TTestConverter, TConverterStandIn, nullptr)

namespace {

class PinsConverterTest : public PinsTest {
 protected:
  void SetUp() override {
    PinsTest::SetUp();
    ClearRegistries();
    RegisterTypeConverter(kDownType, kOtherType, &TTestConverter::StaticClass());
    TTestConverter::InputCalls = 0;
  }
  void TearDown() override {
    PinsTest::TearDown();
    EXPECT_EQ(TTestConverter::Alive.load(), 0);
    ClearRegistries();
  }
  // A component whose input takes only kOtherType.
  TTestComponent* AddOther(const char* name) {
    TTestComponent* c = Add(name);
    c->In()->Accepts = kOtherType;
    return c;
  }
};

TEST_F(PinsConverterTest, ARegisteredConverterIsInsertedAndSharedBySinksOfItsType) {
  TTestComponent* s = Add("S");
  TTestComponent* k1 = AddOther("K1");
  TTestComponent* k2 = AddOther("K2");
  TTestComponent* direct = Add("Direct");
  ASSERT_TRUE(k1->In()->Connect(s->Out()));
  EXPECT_EQ(TTestConverter::Alive.load(), 1);
  EXPECT_EQ(s->Out()->GetConverterCount(), 1);
  EXPECT_EQ(k1->In()->GetSourcePin(), s->Out());
  EXPECT_TRUE(k1->In()->GetFormatConverter());
  EXPECT_TRUE(s->Out()->IsConnectedByConverterTo(k1->In()));
  EXPECT_EQ(s->Out()->GetConnectionID(k1->In()), kDownType);
  EXPECT_EQ(k1->In()->GetDownStreamID(), kDownType);
  ASSERT_TRUE(k2->In()->Connect(s->Out()));
  EXPECT_EQ(TTestConverter::Alive.load(), 1) << "the second sink reuses the converter";
  EXPECT_EQ(s->Out()->GetConverterCount(), 1);
  ASSERT_TRUE(direct->In()->Connect(s->Out()));
  EXPECT_FALSE(s->Out()->IsConnectedByConverterTo(direct->In()));

  Log().Take();
  TTestConverter::InputCalls = 0;
  s->Out()->Notify(TPNNotifyOperation::Make().Get());
  EXPECT_EQ(TTestConverter::InputCalls.load(), 1) << "one call of the shared converter input";
  std::vector<std::string> sinks = Log().TakeSinks();
  EXPECT_EQ(std::count(sinks.begin(), sinks.end(), "K1"), 1);
  EXPECT_EQ(std::count(sinks.begin(), sinks.end(), "K2"), 1);
  EXPECT_EQ(std::count(sinks.begin(), sinks.end(), "Direct"), 1);

  // The converter stays while it serves a sink and goes with the last one.
  k1->In()->Connect(nullptr);
  EXPECT_EQ(TTestConverter::Alive.load(), 1);
  EXPECT_EQ(s->Out()->GetConverterCount(), 1);
  k2->Free();
  EXPECT_EQ(TTestConverter::Alive.load(), 0);
  EXPECT_EQ(s->Out()->GetConverterCount(), 0);
}

// The first of two sinks served by one converter is unlinked during a delivery, before its
// turn: the converter is still called once, for the other.
TEST_F(PinsConverterTest, AConverterSharedBySinksIsCalledForThoseStillLinked) {
  TTestComponent* s = Add("S");
  TTestComponent* d = Add("D");
  TTestComponent* k1 = AddOther("K1");
  TTestComponent* k2 = AddOther("K2");
  ASSERT_TRUE(d->In()->Connect(s->Out()));
  ASSERT_TRUE(k1->In()->Connect(s->Out()));
  ASSERT_TRUE(k2->In()->Connect(s->Out()));
  d->In()->OnReceive = [&](IPNNotifyOperation*, TPNNotifyState) {
    k1->In()->Connect(nullptr);
    return TPNNotifyResult();
  };
  Log().Take();
  TTestConverter::InputCalls = 0;
  s->Out()->Notify(TPNNotifyOperation::Make().Get());
  EXPECT_EQ(TTestConverter::InputCalls.load(), 1);
  // The converter's input (no name) passes it on to K2 alone.
  EXPECT_EQ(Log().TakeSinks(), (std::vector<std::string>{"D", "", "K2"}));
  d->In()->OnReceive = nullptr;
}

// One operation, two converters: S sends by state to K through the state link's converter
// and along its links to K2 through its own converter C. K's handler relinks K so that the
// rest of the delivery passes a converter that serves K now; the converter's output must keep
// to the links that existed when the delivery began, or K gets the operation twice. The
// relink runs on the delivering thread (inside the handler) or on another thread while the
// handler waits for it.
TEST_F(PinsConverterTest, ADeliveryThroughAConverterSkipsSinksLinkedToItMeanwhile) {
  Watchdog dog(30, "PinsConverterTest.ADeliveryThroughAConverterSkipsSinksLinkedToItMeanwhile");
  struct Case {
    const char* What;
    // Links S, K and K2 before the delivery.
    std::function<void(TTestComponent* s, TTestComponent* k, TTestComponent* k2)> Setup;
    // K's relink, from inside its first call.
    std::function<void(TTestComponent* s, TTestComponent* k)> Relink;
  };
  const Case cases[] = {
      {"entry path: K, reached by state, links to S through S's own converter",
       [](auto* s, auto* k, auto* k2) {
         k->In()->Accepts = kOtherType;
         ASSERT_TRUE(s->Out()->ConnectByState(k->In()));  // through the link's converter
         ASSERT_TRUE(k2->In()->Connect(s->Out()));        // through S's converter C
       },
       [](auto* s, auto* k) {
         k->In()->Disconnect();
         EXPECT_TRUE(k->In()->Connect(s->Out()));  // through C, which serves K2 already
         EXPECT_TRUE(s->Out()->IsConnectedByConverterTo(k->In()));
         EXPECT_EQ(s->Out()->GetConverterCount(), 1);
       }},
      {"state path: K, a member of its own type, joins again through the link's converter",
       [](auto* s, auto* k, auto* k2) {
         ASSERT_TRUE(s->Out()->ConnectByState(k->In()));   // a member of S's own type
         ASSERT_TRUE(s->Out()->ConnectByState(k2->In()));  // through the link's converter
       },
       [](auto* s, auto* k) {
         k->In()->Disconnect();
         k->In()->Accepts = kOtherType;
         EXPECT_TRUE(s->Out()->ConnectByState(k->In()));  // joins the link's converter's sinks
       }},
  };
  for (const bool otherThread : {false, true})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.What) + (otherThread ? ", on another thread" : ""));
      TTestComponent* s = Add("S");
      TTestComponent* k = Add("K");
      TTestComponent* k2 = AddOther("K2");
      c.Setup(s, k, k2);
      auto op = TPNNotifyOperation::Make();
      const uint32_t id = op->Instance()->OperationID();
      bool relinked = false;
      std::atomic<int> kGot{0}, k2Got{0};
      k->In()->OnReceive = [&](IPNNotifyOperation* o, TPNNotifyState) {
        if (o->Instance()->OperationID() != id) return TPNNotifyResult();  // its new link's
        ++kGot;
        if (!relinked) {
          relinked = true;
          if (otherThread)
            std::thread([&] { c.Relink(s, k); }).join();
          else
            c.Relink(s, k);
        }
        return TPNNotifyResult();
      };
      k2->In()->OnReceive = [&](IPNNotifyOperation* o, TPNNotifyState) {
        if (o->Instance()->OperationID() == id) ++k2Got;
        return TPNNotifyResult();
      };
      s->Out()->Notify(op.Get());
      EXPECT_TRUE(relinked);
      EXPECT_EQ(kGot.load(), 1) << "K got the operation again through the converter";
      EXPECT_EQ(k2Got.load(), 1);
      // The next operation reaches each sink once along its new links.
      k->In()->OnReceive = nullptr;
      k2->In()->OnReceive = nullptr;
      Log().Take();
      s->Out()->Notify(TPNNotifyOperation::Make().Get());
      std::vector<std::string> sinks = Log().TakeSinks();
      EXPECT_EQ(std::count(sinks.begin(), sinks.end(), "K"), 1);
      EXPECT_EQ(std::count(sinks.begin(), sinks.end(), "K2"), 1);
      for (TTestComponent* comp : {k, k2, s}) comp->Free();
      EXPECT_EQ(TTestConverter::Alive.load(), 0);
    }
}

TEST_F(PinsConverterTest, FreeingTheSourceReleasesItsConverters) {
  TTestComponent* s = Add("S");
  TTestComponent* k = AddOther("K");
  ASSERT_TRUE(k->In()->Connect(s->Out()));
  EXPECT_EQ(TTestConverter::Alive.load(), 1);
  s->Free();
  EXPECT_EQ(TTestConverter::Alive.load(), 0);
  EXPECT_EQ(k->In()->GetSourcePin(), nullptr);
}

TEST_F(PinsConverterTest, WithoutARegisteredConverterTheLinkIsRefused) {
  ClearRegistries();
  TTestComponent* s = Add("S");
  TTestComponent* k = AddOther("K");
  EXPECT_FALSE(k->In()->Connect(s->Out()));
  EXPECT_EQ(TTestConverter::Alive.load(), 0);
}

}  // namespace
}  // namespace pinstest
