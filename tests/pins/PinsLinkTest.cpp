// Linking and unlinking pins from either side.
#include "tests/pins/PinsTestSupport.h"

namespace pinstest {
namespace {

using PinsLinkTest = PinsTest;

TEST_F(PinsLinkTest, ANewSinkGetsOneBaseOperationMarkedNewLinkAndLast) {
  TTestComponent* s = Add("S");
  TTestComponent* a = Add("A");
  const platform::TClassInfo* kind = nullptr;
  a->In()->OnReceive = [&](IPNNotifyOperation* op, TPNNotifyState) {
    kind = &op->Instance()->ClassType();
    return TPNNotifyResult();
  };
  const uint32_t before = LastNotifyOperationID();
  ASSERT_TRUE(a->In()->Connect(s->Out()));
  auto log = Log().Take();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].Sink, "A");
  EXPECT_EQ(log[0].State, kNewLink | kLast);
  EXPECT_GT(log[0].OperationID, before);
  EXPECT_EQ(kind, &TPNNotifyOperation::StaticClass());
  EXPECT_EQ(a->In()->GetSourcePin(), s->Out());
  EXPECT_EQ(s->Out()->GetSinkCount(), 1);
  EXPECT_TRUE(s->Out()->IsConnectedTo(a->In()));

  // Linking the same pair again changes nothing and pushes nothing.
  EXPECT_TRUE(a->In()->Connect(s->Out()));
  EXPECT_TRUE(s->Out()->Connect(a->In()));
  EXPECT_EQ(s->Out()->GetSinkCount(), 1);
  EXPECT_TRUE(Log().Take().empty());
}

TEST_F(PinsLinkTest, LinkingFromTheSourceSideIsDoneByTheSink) {
  TTestComponent* s = Add("S");
  TTestComponent* a = Add("A");
  ASSERT_TRUE(s->Out()->Connect(a->In()));
  EXPECT_EQ(a->In()->GetSourcePin(), s->Out());
  EXPECT_EQ(Log().Take().size(), 1u);
  EXPECT_EQ(a->In()->ConnectedID(), kUpType);
}

TEST_F(PinsLinkTest, RelinkingASinkRemovesItFromItsFormerSource) {
  TTestComponent* s1 = Add("S1");
  TTestComponent* s2 = Add("S2");
  TTestComponent* a = Add("A");
  ASSERT_TRUE(a->In()->Connect(s1->Out()));
  ASSERT_TRUE(a->In()->Connect(s2->Out()));
  EXPECT_EQ(s1->Out()->GetSinkCount(), 0);
  EXPECT_EQ(s1->Out()->LinksChangedCount, 1);
  EXPECT_EQ(a->In()->GetSourcePin(), s2->Out());
  Log().Take();
  s1->Out()->Notify(TPNNotifyOperation::Make().Get());
  EXPECT_TRUE(Log().Take().empty());
  s2->Out()->Notify(TPNNotifyOperation::Make().Get());
  EXPECT_EQ(Log().TakeSinks(), (std::vector<std::string>{"A"}));
}

TEST_F(PinsLinkTest, ConnectNil) {
  TTestComponent* s = Add("S");
  TTestComponent* a = Add("A");
  EXPECT_FALSE(s->Out()->Connect(nullptr)) << "a source refuses nil";
  EXPECT_TRUE(a->In()->Connect(nullptr)) << "an unlinked sink: nothing to do";
  EXPECT_EQ(a->In()->GetSourcePin(), nullptr);
  ASSERT_TRUE(a->In()->Connect(s->Out()));
  EXPECT_TRUE(a->In()->Connect(nullptr));
  EXPECT_EQ(a->In()->GetSourcePin(), nullptr);
  EXPECT_EQ(s->Out()->GetSinkCount(), 0);
  EXPECT_EQ(s->Out()->LinksChangedCount, 1);
  EXPECT_FALSE(a->In()->IsConnected());
}

TEST_F(PinsLinkTest, PinsThatDifferInDesignStateAreNotLinked) {
  TTestComponent* s = Add("S");
  TTestComponent* a = Add("A");
  a->SetDesigning(true);
  EXPECT_FALSE(a->In()->Connect(s->Out()));
  EXPECT_FALSE(s->Out()->Connect(a->In()));
  EXPECT_EQ(s->Out()->GetSinkCount(), 0);
  s->SetDesigning(true);
  EXPECT_TRUE(a->In()->Connect(s->Out()));
}

TEST_F(PinsLinkTest, ASinkRefusesASourceThatDependsOnIt) {
  TTestComponent* x = Add("X");
  TTestComponent* y = Add("Y");
  // Each component computes its output from its input.
  x->Out()->FunctionSources()->Add(x->In());
  y->Out()->FunctionSources()->Add(y->In());
  EXPECT_TRUE(x->Out()->DependsOn(x->In()));
  EXPECT_FALSE(x->In()->Connect(x->Out())) << "a component feeding its own input";
  ASSERT_TRUE(y->In()->Connect(x->Out()));
  EXPECT_TRUE(y->Out()->DependsOn(x->In()));
  EXPECT_FALSE(x->In()->Connect(y->Out())) << "X -> Y -> X";
  EXPECT_FALSE(y->Out()->Connect(x->In()));
  EXPECT_EQ(y->Out()->GetSinkCount(), 0);
}

TEST_F(PinsLinkTest, UpstreamTypeDecidesUnlessTheSinkIgnoresUpstream) {
  TTestComponent* s = Add("S");
  TTestComponent* a = Add("A");
  s->Out()->AcceptUp = false;
  EXPECT_FALSE(a->In()->Connect(s->Out()));
  a->In()->SetIgnoreUpstream(true);
  EXPECT_TRUE(a->In()->Connect(s->Out()));
}

TEST_F(PinsLinkTest, DisconnectingASourceUnlinksEverySink) {
  TTestComponent* s = Add("S");
  TTestComponent* a = Add("A");
  TTestComponent* b = Add("B");
  ASSERT_TRUE(a->In()->Connect(s->Out()));
  ASSERT_TRUE(b->In()->Connect(s->Out()));
  s->Out()->Disconnect();
  EXPECT_EQ(s->Out()->GetSinkCount(), 0);
  EXPECT_EQ(a->In()->GetSourcePin(), nullptr);
  EXPECT_EQ(b->In()->GetSourcePin(), nullptr);
  // A sink can be removed from its source by the source, too.
  ASSERT_TRUE(a->In()->Connect(s->Out()));
  s->Out()->DisconnectFrom(a->In());
  EXPECT_EQ(a->In()->GetSourcePin(), nullptr);
  EXPECT_FALSE(s->Out()->IsConnected());
}

TEST_F(PinsLinkTest, FreeingEitherSideRemovesTheLink) {
  TTestComponent* s = Add("S");
  TTestComponent* a = Add("A");
  TTestComponent* b = Add("B");
  ASSERT_TRUE(a->In()->Connect(s->Out()));
  ASSERT_TRUE(b->In()->Connect(s->Out()));
  a->Free();
  EXPECT_EQ(s->Out()->GetSinkCount(), 1);
  EXPECT_EQ(s->Out()->GetSink(0), b->In());
  s->Free();
  EXPECT_EQ(b->In()->GetSourcePin(), nullptr);
}

TEST_F(PinsLinkTest, AssignLinksToTheOtherSinksSource) {
  TTestComponent* s = Add("S");
  TTestComponent* a = Add("A");
  TTestComponent* b = Add("B");
  ASSERT_TRUE(a->In()->Connect(s->Out()));
  b->In()->Assign(a->In());
  EXPECT_EQ(b->In()->GetSourcePin(), s->Out());
  b->In()->Assign(nullptr);
  EXPECT_EQ(b->In()->GetSourcePin(), nullptr);
  EXPECT_THROW(b->In()->Assign(s->Out()), platform::EConvertError);
}

TEST_F(PinsLinkTest, TryLinkToFindsTheSourceByItsSavedName) {
  TTestComponent* s = Add("S");
  TTestComponent* a = Add("A");
  EXPECT_TRUE(a->In()->TryLinkTo(nullptr, "Form1.S.OutputPin", "Form1.S.OutputPin", false));
  EXPECT_EQ(a->In()->GetSourcePin(), s->Out());
  EXPECT_TRUE(a->In()->TryLinkTo(nullptr, "nil", "nil", false));
  EXPECT_EQ(a->In()->GetSourcePin(), nullptr);
  // A form saved as Form0 and loaded as Form1 relinks its own pins.
  a->In()->SetLoadFormName("Form0");
  EXPECT_TRUE(a->In()->TryLinkTo(nullptr, "Form0.S.OutputPin", "Form0.S.OutputPin", false));
  EXPECT_EQ(a->In()->GetSourcePin(), s->Out());
}

// Linking by name reports success only when the link was made.
TEST_F(PinsLinkTest, LinkByNameIsTrueOnlyWhenTheLinkWasMade) {
  TTestComponent* s = Add("S");
  TTestComponent* a = Add("A");
  TTestComponent* d = Add("D");
  EXPECT_TRUE(s->Out()->LinkByName(nullptr, "A.InputPin"));
  EXPECT_EQ(a->In()->GetSourcePin(), s->Out());
  EXPECT_FALSE(s->Out()->LinkByName(nullptr, "Nobody.InputPin"));
  EXPECT_FALSE(s->Out()->LinkByName(nullptr, "A.OutputPin")) << "a source is no candidate";
  // D's input is compatible but designing: the link is refused, and so is the answer.
  d->SetDesigning(true);
  EXPECT_FALSE(s->Out()->LinkByName(nullptr, "D.InputPin"));
  EXPECT_EQ(d->In()->GetSourcePin(), nullptr);
  // The empty name disconnects.
  EXPECT_TRUE(s->Out()->LinkByName(nullptr, ""));
  EXPECT_EQ(a->In()->GetSourcePin(), nullptr);
}

}  // namespace
}  // namespace pinstest
