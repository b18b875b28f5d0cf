// Links through format converters: one converter made from the registry, reused for a second
// sink, called once per delivery for both, and released with the last sink it serves.
#include "pins/PNPinsRegistries.h"
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
