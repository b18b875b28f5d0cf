// State links: delivery by state, membership, names, after-pin chains and deliveries that
// race with members leaving.
#include <atomic>
#include <thread>

#include "tests/common/Watchdog.h"
#include "tests/pins/FormsTestSupport.h"

namespace pinstest {
namespace {

using Link = TPNNamedStateDispatcher;

class StateLinks : public FormsPinsTest {
 protected:
  void SetUp() override {
    FormsPinsTest::SetUp();
    S = Add("S");
    A = Add("A");
    B = Add("B");
  }
  // Every delivery's sink and state.
  std::vector<std::pair<std::string, uint64_t>> Deliveries() {
    std::vector<std::pair<std::string, uint64_t>> r;
    for (const TDelivery& d : Log().Take()) r.emplace_back(d.Sink, d.State);
    return r;
  }
  TTestComponent* S = nullptr;
  TTestComponent* A = nullptr;
  TTestComponent* B = nullptr;
};

using Deliv = std::vector<std::pair<std::string, uint64_t>>;

TEST_F(StateLinks, NotifyStateMarksTheLastIterationForThreeMembers) {
  struct Case {
    const char* What;
    std::vector<int> Order;  // 0 = S (the sender), 1 = A, 2 = B
    bool Target;
    Deliv Expected;
  };
  const Case cases[] = {
      {"sender last", {1, 2, 0}, false, {{"A", kNone}, {"B", kLast}}},
      {"sender first", {0, 1, 2}, false, {{"A", kNone}, {"B", kLast}}},
      {"sender in the middle", {1, 0, 2}, false, {{"A", kNone}, {"B", kLast}}},
      {"target A", {0, 1, 2}, true, {{"A", kLast}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    TPNBasicPin* pins[] = {S->Out(), A->In(), B->In()};
    for (int i : c.Order) pins[i]->JoinStateByName("L");
    Link* link = Link::GetByName("L", false);
    ASSERT_NE(link, nullptr);
    ASSERT_EQ(link->GetPinCount(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(link->GetPin(i), pins[c.Order[static_cast<size_t>(i)]]);
    Log().Take();
    auto op = TPNNotifyOperation::Make();
    S->Out()->NotifyState(op.Get(), {}, c.Target ? A->In() : nullptr);
    EXPECT_EQ(Deliveries(), c.Expected);
    link->DisconnectAll();
    EXPECT_EQ(Link::GetByName("L", false), nullptr);
    for (TPNBasicPin* p : pins) EXPECT_EQ(p->Dispatcher(), nullptr);
  }
}

TEST_F(StateLinks, RemovingOneOfTwoMembersFreesTheLink) {
  A->In()->JoinStateByName("Pair");
  B->In()->JoinStateByName("Pair");
  Link* link = Link::GetByName("Pair", false);
  ASSERT_NE(link, nullptr);
  EXPECT_TRUE(link->IsConnectedTo(A->In()));
  // Adding a member twice changes nothing.
  link->AddPin(A->In(), A->In());
  EXPECT_EQ(link->GetPinCount(), 2);
  B->In()->Disconnect();
  EXPECT_EQ(A->In()->Dispatcher(), nullptr);
  EXPECT_EQ(B->In()->Dispatcher(), nullptr);
  EXPECT_EQ(Link::GetByName("Pair", false), nullptr);  // and freed: the leak checker agrees
}

TEST_F(StateLinks, UniqueNamesPerFormAndKind) {
  Link* first = Link::Create(Form);
  Link* second = Link::Create(Form);
  EXPECT_EQ(first->GetName(), "Form1Link1");
  EXPECT_EQ(second->GetName(), "Form1Link2");
  EXPECT_FALSE(Link::IsUniqueName("Form1Link1", false));
  // A design-time link may bear the name of a run-time one.
  EXPECT_TRUE(Link::IsUniqueName("Form1Link1", true));
  Link* design = Link::CreateNamed("Form1Link1", true);
  EXPECT_EQ(Link::GetByName("Form1Link1", true), design);
  EXPECT_EQ(Link::GetByName("Form1Link1", false), first);
  for (Link* l : {first, second, design}) l->Free();
  EXPECT_TRUE(Link::IsUniqueName("Form1Link1", false));
}

TEST_F(StateLinks, AfterPinChainsStayFreeOfCycles) {
  TTestComponent* C = Add("C");
  TTestComponent* D = Add("D");
  Link* link = Link::CreateNamed("Chain", false);
  link->AddPinAfter(A->In(), A->In(), nullptr);
  link->AddPinAfter(B->In(), B->In(), A->In());
  link->AddPinAfter(C->In(), C->In(), B->In());
  EXPECT_FALSE(link->CanConnectAfter(A->In(), C->In(), true));
  EXPECT_TRUE(link->CanConnectAfter(D->In(), C->In(), true));
  EXPECT_FALSE(link->CanConnectAfter(D->In(), D->Out(), true)) << "after a non-member";
  EXPECT_TRUE(link->CanConnectAfter(D->In(), nullptr, true));

  // A setting that closes a cycle is refused, the pin itself included.
  link->SetAfterPinByName(A->In(), "C.InputPin");
  EXPECT_EQ(link->GetAfterPinOf(A->In()), nullptr);
  link->SetAfterPinByName(B->In(), "Form1.B.InputPin");
  EXPECT_EQ(link->GetAfterPinOf(B->In()), A->In());
  link->SetAfterPinByName(C->In(), "Form1.A.InputPin");
  EXPECT_EQ(link->GetAfterPinOf(C->In()), A->In());
  EXPECT_EQ(link->GetAfterPinDisplayName(C->In()), "Form1.A.InputPin");
  EXPECT_EQ(link->GetAfterPinDisplayName(A->In()), "");

  // A loop made behind the link's back (an after-pin replaced by its own member) ends the
  // walk instead of recursing forever.
  link->ReplaceAfterPin(A->In(), B->In());  // B after B
  EXPECT_FALSE(link->CanConnectAfter(D->In(), B->In(), true));

  // Members after a removed one follow its own after-pin.
  link->ReplaceAfterPin(B->In(), A->In());  // B and C after A
  link->RemovePin(A->In());
  EXPECT_EQ(link->GetAfterPinOf(B->In()), nullptr);
  EXPECT_EQ(link->GetAfterPinOf(C->In()), nullptr);
  link->DisconnectAll();
  EXPECT_EQ(Link::GetByName("Chain", false), nullptr);
}

TEST_F(StateLinks, CrossFormBookkeeping) {
  TComponent* form2 = New<TComponent>(nullptr);
  form2->SetName("Form2");
  auto* other = New<TTestComponent>(form2);
  other->SetName("X");
  A->In()->JoinStateByName("Span");
  B->In()->JoinStateByName("Span");
  Link* link = Link::GetByName("Span", false);
  EXPECT_FALSE(link->IsCrosForm());
  EXPECT_TRUE(link->ConnectedToForm(Form));
  EXPECT_FALSE(link->ConnectedToForm(form2));
  other->In()->JoinStateByName("Span");
  EXPECT_TRUE(link->IsCrosForm());
  EXPECT_TRUE(link->ConnectedToForm(form2));
  link->AddSavedForm(Form);
  link->AddSavedForm(Form);
  EXPECT_TRUE(link->IsFormSaved(Form));
  EXPECT_EQ(link->CountSaved(), 2);
  link->ClearSavedForms();
  EXPECT_FALSE(link->IsFormSaved(Form));
  platform::FreeAndNil(form2);
  EXPECT_FALSE(link->IsCrosForm());
  link->DisconnectAll();
}

// One thread keeps sending by state while another makes a member join and leave; the
// leave frees the link every time, in the middle of deliveries.
TEST_F(StateLinks, MemberLeavingDuringAnotherThreadsDelivery) {
  Watchdog dog(60, "StateLinks.MemberLeavingDuringAnotherThreadsDelivery");
  std::atomic<bool> stop{false};
  std::atomic<int> sent{0};
  std::thread sender([&] {
    while (!stop) {
      auto op = TPNNotifyOperation::Make();
      S->Out()->NotifyState(op.Get(), {}, nullptr);
      ++sent;
    }
  });
  for (int i = 0; i < 2000; ++i) {
    S->Out()->JoinStateByName("Race");
    A->In()->JoinStateByName("Race");
    if (i % 2) B->In()->JoinStateByName("Race");
    A->In()->Disconnect();
    if (i % 2) B->In()->Disconnect();
  }
  stop = true;
  sender.join();
  EXPECT_GT(sent.load(), 0);
  EXPECT_EQ(Link::GetByName("Race", false), nullptr);
  EXPECT_EQ(S->Out()->Dispatcher(), nullptr);
  Log().Take();
}

// A sink that joins a state link by name lets go of its source first: a source in the same
// link would otherwise reach it twice with every operation.
TEST_F(StateLinks, ASinkJoiningByNameLetsGoOfItsSource) {
  ASSERT_TRUE(A->In()->Connect(S->Out()));
  S->Out()->JoinStateByName("Both");
  A->In()->JoinStateByName("Both");
  EXPECT_EQ(A->In()->GetSourcePin(), nullptr);
  EXPECT_EQ(S->Out()->GetSinkCount(), 0);
  Log().Take();
  S->Out()->Notify(TPNNotifyOperation::Make().Get());
  EXPECT_EQ(Deliveries(), (Deliv{{"A", kLast}}));
  A->In()->Disconnect();
}

// One thread reads a pin's state link (its display text, membership, the link's pins) while
// another makes the other member join and leave, so that the link frees itself each time.
// The two meet before the rounds start, and the rounds go on until the reader has read
// during them, however the threads are scheduled.
TEST_F(StateLinks, ReadersOfALinkThatFreesItself) {
  Watchdog dog(60, "StateLinks.ReadersOfALinkThatFreesItself");
  std::atomic<bool> ready{false}, go{false}, stop{false};
  std::atomic<int> reads{0};
  std::thread reader([&] {
    ready = true;
    while (!go) std::this_thread::yield();
    while (!stop) {
      const std::string text = A->In()->GetDisplayText();
      // Unlinked, linked to B, or alone in the link (joined by name before B).
      EXPECT_TRUE(text == "(Disconnected)" || text == "Form1.B.InputPin" || text == "Flicker")
          << text;
      A->In()->IsConnectedTo(B->In());
      A->In()->IsLinkedTo("Form1.B.InputPin");
      A->In()->GetNotifyAfterPin(B->In());
      A->In()->HasStateData();
      A->In()->GetPrimaryConnectionID();
      ++reads;
    }
  });
  while (!ready) std::this_thread::yield();
  go = true;
  int rounds = 0;
  while (rounds < 3000 || reads.load() < 100) {
    A->In()->JoinStateByName("Flicker");
    B->In()->JoinStateByName("Flicker");
    B->In()->Disconnect();
    ++rounds;
  }
  stop = true;
  reader.join();
  EXPECT_GE(reads.load(), 100);
  EXPECT_EQ(Link::GetByName("Flicker", false), nullptr);
}

}  // namespace
}  // namespace pinstest
