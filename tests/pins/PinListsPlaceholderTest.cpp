// Placeholder pins: recording links, handing them over to the real pin, removing
// themselves, and the hand-over racing with pins made and freed on another thread.
#include <atomic>
#include <chrono>
#include <thread>

#include "tests/common/Steps.h"
#include "tests/common/Watchdog.h"
#include "tests/pins/FormsTestSupport.h"

namespace pinstest {
namespace {

using Placeholders = FormsPinsTest;

TPNBasicPin* MakePlaceholder(TComponent* root, TPNPinType type, const std::string& name) {
  return TPNUnloadedPin::Create(root, type, name, name, "test");
}

TEST_F(Placeholders, AnswersWithTheMissingPinsNames) {
  TPNBasicPin* ph = TPNUnloadedPin::Create(Form, ptSource, "Form2.F.OutputPin",
                                           "Form2.F.Display", "Form1.A.InputPin");
  EXPECT_EQ(ph->GetRoot(), nullptr);
  EXPECT_EQ(ph->GetName(), "Display");
  EXPECT_EQ(ph->GetFullName(true), "Form2.F.Display");
  EXPECT_EQ(ph->GetFullName(false), "F.OutputPin");
  EXPECT_EQ(ph->GetFullIdentName(true), "Form2.F.OutputPin");
  EXPECT_EQ(ph->GetFullIdentName(false), "F.OutputPin");
  EXPECT_EQ(ph->GetRootName(), "Form2");
  EXPECT_EQ(ph->GetPinType(), ptSource);
  EXPECT_TRUE(ph->IsDesigning());
  EXPECT_FALSE(ph->IsConnected());
  EXPECT_EQ(UnloadedCount(), 1);
  EXPECT_EQ(AllPinsCount(), 1);  // registered in AllPins too
  DestroyPlaceholder(ph);
  EXPECT_EQ(UnloadedCount(), 0);
}

// At run time a sink linked by the saved name of a pin not loaded yet is linked to a
// placeholder (which a pin at run time would refuse, being of another design state): the
// placeholder records the link and hands it over; unlinked, it goes.
TEST_F(Placeholders, ASinkLinkedByNameAtRunTimeWaitsInAPlaceholder) {
  TTestComponent* a = Add("A");
  EXPECT_TRUE(a->In()->TryLinkTo(nullptr, "Form1.Later.OutputPin", "Form1.Later.OutputPin", false));
  ASSERT_TRUE(IsPlaceholder(a->In()->GetSourcePin()));
  EXPECT_EQ(UnloadedCount(), 1);
  TTestComponent* later = Add("Later");
  later->Out()->ResolvePlaceholders();
  EXPECT_EQ(a->In()->GetSourcePin(), later->Out());
  EXPECT_EQ(UnloadedCount(), 0);
  // Linked and unlinked again: the placeholder does not outlive its last link.
  EXPECT_TRUE(a->In()->TryLinkTo(nullptr, "Form1.Gone.OutputPin", "Form1.Gone.OutputPin", false));
  EXPECT_EQ(UnloadedCount(), 1);
  EXPECT_TRUE(a->In()->Connect(nullptr));
  EXPECT_EQ(UnloadedCount(), 0);
}

// A sink waiting in a placeholder joins a state link: the placeholder, left without links,
// goes once the join lets go of the link lock. The join's first operation reaches the sink
// before that, and its handler links by the same name again: the look-up must not find the
// placeholder on its way out (the link would go with it, and holding it would stop its
// teardown on this very thread) but make a new one.
TEST_F(Placeholders, ALinkByNameFromAJoinsFirstOperationSkipsThePlaceholderThatGoes) {
  Watchdog dog(20, "Placeholders.ALinkByNameFromAJoinsFirstOperationSkipsThePlaceholderThatGoes");
  TTestComponent* x = Add("X");
  TTestComponent* y = Add("Y");
  TTestComponent* k = Add("K");
  ASSERT_TRUE(x->Out()->ConnectByState(y->In()));
  ASSERT_TRUE(k->In()->TryLinkTo(nullptr, "Form1.Gone.OutputPin", "Form1.Gone.OutputPin", false));
  TPNBasicPin* first = k->In()->GetSourcePin();
  ASSERT_TRUE(IsPlaceholder(first));
  int calls = 0;
  k->In()->OnReceive = [&](IPNNotifyOperation*, TPNNotifyState) {
    if (++calls == 1) {
      EXPECT_TRUE(k->In()->TryLinkTo(nullptr, "Form1.Gone.OutputPin", "Form1.Gone.OutputPin", false));
    }
    return TPNNotifyResult();
  };
  x->Out()->ConnectByState(k->In());
  EXPECT_GE(calls, 1);
  TPNBasicPin* source = k->In()->GetSourcePin();
  ASSERT_TRUE(IsPlaceholder(source));
  EXPECT_EQ(source->GetFullIdentName(true), "Form1.Gone.OutputPin");
  EXPECT_EQ(UnloadedCount(), 1);
  k->In()->OnReceive = nullptr;
  EXPECT_TRUE(k->In()->Connect(nullptr));
  EXPECT_EQ(UnloadedCount(), 0);
}

TEST_F(Placeholders, ReplaysItsLinksLastFirstAndDisappears) {
  TTestComponent* A = Add("A");
  TTestComponent* B = Add("B");
  TPNBasicPin* ph = MakePlaceholder(Form, ptSource, "Form1.Later.OutputPin");
  EXPECT_FALSE(ph->ConnectAfter(ph, nullptr));
  EXPECT_TRUE(ph->Connect(A->In()));
  EXPECT_TRUE(ph->Connect(A->In()));  // recorded once
  EXPECT_TRUE(ph->Connect(B->In()));
  EXPECT_EQ(ph->GetConnectedPinCount(), 2);
  EXPECT_EQ(A->In()->GetSourcePin(), ph);
  EXPECT_TRUE(A->In()->HasSourceData()) << "the link is saved with the placeholder's name";

  TTestComponent* later = Add("Later");
  later->Out()->ResolvePlaceholders();
  EXPECT_EQ(UnloadedCount(), 0);
  EXPECT_EQ(A->In()->GetSourcePin(), later->Out());
  EXPECT_EQ(B->In()->GetSourcePin(), later->Out());
  ASSERT_EQ(later->Out()->GetSinkCount(), 2);
  EXPECT_EQ(later->Out()->GetSink(0), B->In()) << "the last recorded link is replayed first";
  Log().Take();
  later->Out()->Notify(TPNNotifyOperation::Make().Get());
  EXPECT_EQ(Log().TakeSinks(), (std::vector<std::string>{"B", "A"}));
}

TEST_F(Placeholders, AfterPinReferencesNameTheRealPinAfterTheHandOver) {
  TTestComponent* S = Add("S");
  TTestComponent* A = Add("A");
  TPNBasicPin* ph = MakePlaceholder(Form, ptSink, "Form1.Later.InputPin");
  ASSERT_TRUE(S->Out()->LinkToSink(ph, nullptr));
  ASSERT_TRUE(A->In()->ConnectAfter(S->Out(), ph));
  EXPECT_EQ(S->Out()->GetNotifyAfterPin(A->In()), ph);
  TTestComponent* later = Add("Later");
  later->In()->ResolvePlaceholders();
  EXPECT_EQ(UnloadedCount(), 0);
  EXPECT_EQ(S->Out()->GetNotifyAfterPin(A->In()), later->In());
  EXPECT_EQ(later->In()->GetSourcePin(), S->Out());
  // The real sink's entry stands at the end of the source's list.
  ASSERT_EQ(S->Out()->GetSinkCount(), 2);
  EXPECT_EQ(S->Out()->GetSink(1), later->In());
}

TEST_F(Placeholders, RemovesItselfWithItsLastLink) {
  TTestComponent* A = Add("A");
  TPNBasicPin* ph = MakePlaceholder(Form, ptSource, "Form2.F.OutputPin");
  ASSERT_TRUE(ph->Connect(A->In()));
  EXPECT_EQ(UnloadedCount(), 1);
  A->In()->Disconnect();
  EXPECT_EQ(UnloadedCount(), 0);
  // One shown in an editor stays until the editor lets it go.
  ph = MakePlaceholder(Form, ptSource, "Form2.F.OutputPin");
  ph->SetInEditor(true);
  ph->LinksChanged();
  EXPECT_EQ(UnloadedCount(), 1);
  ph->SetInEditor(false);
  EXPECT_EQ(UnloadedCount(), 0);
}

// The hand-over walks AllPins while other threads make and free pins (format converters
// are made on any thread): it must hold the registry lock for the walk.
TEST_F(Placeholders, HandOverRacesWithPinsMadeAndFreedElsewhere) {
  Watchdog dog(60, "Placeholders.HandOverRacesWithPinsMadeAndFreedElsewhere");
  TTestComponent* S = Add("S");
  std::atomic<bool> stop{false};
  std::thread churn([&] {
    while (!stop) {
      auto* c = New<TTestComponent>(nullptr);
      c->Free();
    }
  });
  for (int i = 0; i < 500; ++i) {
    TPNBasicPin* ph = MakePlaceholder(Form, ptSink, "Form1.S.InputPin");
    ASSERT_TRUE(S->Out()->LinkToSink(ph, nullptr));
    S->In()->ResolvePlaceholders();
    ASSERT_EQ(S->In()->GetSourcePin(), S->Out());
    S->In()->Disconnect();
  }
  stop = true;
  churn.join();
  EXPECT_EQ(UnloadedCount(), 0);
}

// The hand-over tells every pin; it must not do so under the registry lock, which a thread
// holding a pin's lock may be waiting for to make a pin.
TEST_F(Placeholders, HandOverDoesNotWaitForAPinLockUnderTheRegistryLock) {
  Watchdog dog(20, "Placeholders.HandOverDoesNotWaitForAPinLockUnderTheRegistryLock");
  TTestComponent* S = Add("S");
  TTestComponent* busy = Add("Busy");
  TPNBasicPin* ph = MakePlaceholder(Form, ptSink, "Form1.S.InputPin");
  ASSERT_TRUE(S->Out()->LinkToSink(ph, nullptr));
  TSteps step;
  std::thread other([&] {
    TTestSinkPin* made = nullptr;
    {
      auto s = busy->Out()->WriteLock();
      step.Set(1);
      // Meanwhile the hand-over reaches this pin.
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      made = New<TTestSinkPin>(busy, busy->Lock.Get());
    }
    made->Free();  // a pin is freed with no pin lock held
  });
  step.WaitFor(1);
  S->In()->ResolvePlaceholders();
  other.join();
  EXPECT_EQ(S->In()->GetSourcePin(), S->Out());
  EXPECT_EQ(UnloadedCount(), 0);
}

}  // namespace
}  // namespace pinstest
