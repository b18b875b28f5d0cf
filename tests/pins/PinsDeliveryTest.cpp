// Delivery from a source pin to its sinks: states, targets, order, weights and after-pins.
#include "tests/pins/PinsTestSupport.h"

namespace pinstest {
namespace {

using Sinks = std::vector<std::string>;

class PinsDeliveryTest : public PinsTest {
 protected:
  // A source component S and sink components named in order, linked from the sink side.
  void Link(std::initializer_list<const char*> names) {
    if (!Src) Src = Add("S");
    for (const char* n : names) {
      TTestComponent* c = Add(n);
      ASSERT_TRUE(c->In()->Connect(Src->Out())) << n;
      Sinks_.push_back(c);
    }
    Log().Take();
  }
  TTestSinkPin* Sink(size_t i) { return Sinks_[i]->In(); }
  Sinks Deliver(TPNBasicPin* target = nullptr) {
    auto op = TPNNotifyOperation::Make();
    TPNNotifyResult r = Src->Out()->NotifySinks(target, op.Get());
    EXPECT_TRUE(r.Empty()) << "the sinks' results never make the delivery's result";
    return Log().TakeSinks();
  }

  TTestComponent* Src = nullptr;
  std::vector<TTestComponent*> Sinks_;
};

TEST_F(PinsDeliveryTest, ThreeSinksGetTheOperationWithTheLastOneMarked) {
  Link({"A", "B", "C"});
  auto op = TPNNotifyOperation::Make();
  const uint32_t id = op->Instance()->OperationID();
  EXPECT_TRUE(Src->Out()->Notify(op.Get()).Empty());
  EXPECT_EQ(Log().Take(), (std::vector<TDelivery>{{"A", id, kNone}, {"B", id, kNone}, {"C", id, kLast}}));

  // A targeted delivery reaches only its target, marked last only at the last position.
  auto op2 = TPNNotifyOperation::Make();
  const uint32_t id2 = op2->Instance()->OperationID();
  Src->Out()->NotifySinks(Sink(1), op2.Get());
  EXPECT_EQ(Log().Take(), (std::vector<TDelivery>{{"B", id2, kNone}}));
}

TEST_F(PinsDeliveryTest, TheResultOfEverySinkIsIgnoredForTheDeliveryResult) {
  Link({"A"});
  Sink(0)->Result = {nrDataChanged};
  auto op = TPNNotifyOperation::Make();
  EXPECT_TRUE(Src->Out()->Notify(op.Get()).Empty());
}

// The class library's quicksort exchanges equal items: two sinks of equal weight change
// places on every delivery and three reverse.
TEST_F(PinsDeliveryTest, EqualWeightsSwapTwoSinksAndReverseThree) {
  Link({"A", "B"});
  EXPECT_EQ(Deliver(), (Sinks{"A", "B"}));
  EXPECT_EQ(Deliver(), (Sinks{"B", "A"}));
  EXPECT_EQ(Deliver(), (Sinks{"A", "B"}));
  // The list is now B, A; a new link is appended.
  Link({"C"});
  EXPECT_EQ(Deliver(), (Sinks{"B", "A", "C"}));
  EXPECT_EQ(Deliver(), (Sinks{"C", "A", "B"}));
  EXPECT_EQ(Deliver(), (Sinks{"B", "A", "C"}));
}

TEST_F(PinsDeliveryTest, ASinkReportingChangedDataGetsWeightThreeAndMovesBehind) {
  Link({"A", "B"});
  Sink(0)->Result = {nrDataChanged};
  EXPECT_EQ(Deliver(), (Sinks{"A", "B"}));
  EXPECT_EQ(Src->Out()->GetSinkWeight(Sink(0)), 3);  // +4, then -1 by the reschedule
  EXPECT_EQ(Src->Out()->GetSinkWeight(Sink(1)), 0);
  EXPECT_EQ(Deliver(), (Sinks{"B", "A"}));
  EXPECT_EQ(Src->Out()->GetSinkWeight(Sink(0)), 6);
  // Once it stops reporting changes, its weight decays by one per delivery.
  Sink(0)->Result = {};
  Deliver();
  EXPECT_EQ(Src->Out()->GetSinkWeight(Sink(0)), 5);
}

TEST_F(PinsDeliveryTest, WeightsStopRisingAtTheCap) {
  Link({"A"});
  Sink(0)->Result = {nrDataChanged};
  int32_t highest = 0;
  for (int i = 0; i < 4000; ++i) {
    Deliver();
    highest = std::max(highest, Src->Out()->GetSinkWeight(Sink(0)));
  }
  EXPECT_LE(highest, 10003);
  EXPECT_GE(highest, 10000);
  EXPECT_GE(Src->Out()->GetSinkWeight(Sink(0)), 9999);
}

TEST_F(PinsDeliveryTest, AnEntryIsMovedDirectlyBehindItsAfterPinWhenTheSortPutsItInFront) {
  Link({"A", "B", "C"});
  TTestComponent* d = Add("D");
  ASSERT_TRUE(Src->Out()->ConnectAfter(d->In(), Sink(0)));  // D after A
  Log().Take();
  EXPECT_EQ(Src->Out()->GetNotifyAfterPin(d->In()), Sink(0));
  EXPECT_EQ(Deliver(), (Sinks{"A", "B", "C", "D"}));
  // The sort gives C, D, A, B; D is then moved directly behind A.
  EXPECT_EQ(Deliver(), (Sinks{"C", "A", "D", "B"}));
}

TEST_F(PinsDeliveryTest, AnEntryTheSortPutsBehindItsAfterPinStaysWhereItIs) {
  Link({"A", "B", "C"});
  TTestComponent* d = Add("D");
  ASSERT_TRUE(Src->Out()->ConnectAfter(d->In(), Sink(2)));  // D after C
  d->In()->Result = {nrDataChanged};
  Log().Take();
  EXPECT_EQ(Deliver(), (Sinks{"A", "B", "C", "D"}));
  // The sort gives C, B, A, D: D is behind C already and is not moved next to it.
  EXPECT_EQ(Deliver(), (Sinks{"C", "B", "A", "D"}));
}

TEST_F(PinsDeliveryTest, AfterPinChainsMayNotLeadBackToThePinPlaced) {
  Link({"A"});
  TTestComponent* b = Add("B");
  TTestComponent* c = Add("C");
  ASSERT_TRUE(Src->Out()->ConnectAfter(b->In(), Sink(0)));  // B after A
  ASSERT_TRUE(Src->Out()->ConnectAfter(c->In(), b->In()));   // C after B
  EXPECT_FALSE(Src->Out()->CanConnectAfter(Sink(0), c->In(), true)) << "A after C: a cycle";
  EXPECT_FALSE(Src->Out()->CanConnectAfter(c->In(), c->In(), true));
  EXPECT_TRUE(Src->Out()->CanConnectAfter(Add("D")->In(), c->In(), true));
  EXPECT_FALSE(Src->Out()->CanConnectAfter(Add("E")->In(), Add("F")->In(), true))
      << "an after-pin that is no sink of the source";
}

TEST_F(PinsDeliveryTest, ASinkWithoutAnAgreedTypeGetsNothing) {
  Src = Add("S");
  TTestComponent* a = Add("A");
  a->In()->AcceptDown = false;
  EXPECT_FALSE(a->In()->Connect(Src->Out()));
  EXPECT_FALSE(Src->Out()->IsConnectedTo(a->In()));
  Link({"B"});
  EXPECT_EQ(Deliver(), (Sinks{"B"}));
}

TEST_F(PinsDeliveryTest, UpstreamOperationsReachTheSourceInTheUpstreamType) {
  Link({"A"});
  EXPECT_EQ(Sink(0)->ConnectedID(), kUpType) << "the sink keeps the upstream type";
  EXPECT_EQ(Src->Out()->GetConnectionID(Sink(0)), kDownType);
  auto op = TPNNotifyOperation::Make();
  TPNNotifyResult r = Sink(0)->Notify(op.Get());
  EXPECT_TRUE(r.Contains(nrDataChanged)) << "an upstream send returns the source's result";
  ASSERT_EQ(Src->Out()->Upstream.size(), 1u);
  EXPECT_EQ(Src->Out()->Upstream[0], op->Instance()->OperationID());
  // Unlinked, the sink sends nothing.
  Sink(0)->Connect(nullptr);
  Sink(0)->Notify(op.Get());
  EXPECT_EQ(Src->Out()->Upstream.size(), 1u);
}

TEST_F(PinsDeliveryTest, UpstreamSendsWithTheOwnerLockStoppedSendNothing) {
  Link({"A"});
  std::atomic<bool> stopped{false}, release{false};
  std::thread t([&] {
    auto stop = Sinks_[0]->Lock->StopLock();
    stopped = true;
    while (!release) std::this_thread::yield();
  });
  while (!stopped) std::this_thread::yield();
  Sink(0)->Notify(TPNNotifyOperation::Make().Get());
  release = true;
  t.join();
  EXPECT_TRUE(Src->Out()->Upstream.empty());
}

}  // namespace
}  // namespace pinstest
