// The re-entry guard of source pins and the state restored after a failed delivery.
#include <stdexcept>

#include "platform/Kernel.h"
#include "tests/pins/PinsTestSupport.h"

namespace pinstest {
namespace {

class PinsReentryTest : public PinsTest {
 protected:
  void SetUp() override {
    PinsTest::SetUp();
    S = Add("S");
    A = Add("A");
    ASSERT_TRUE(A->In()->Connect(S->Out()));
    Log().Take();
  }

  // Every delivery that reaches A sends a new one through S from inside the call, until
  // `limit` deliveries are nested (or the call at `throwAt` throws).
  void Nest(int limit, int throwAt = 0) {
    A->In()->OnReceive = [this, limit, throwAt](IPNNotifyOperation*, TPNNotifyState) {
      int depth = ++Depth;
      Deepest = std::max(Deepest, depth);
      struct Leave {
        int& d;
        ~Leave() { --d; }
      } leave{Depth};
      if (depth == 1) OwnerFreeDuringCall = S->OwnerLock()->OwningThread() == 0 &&
                                            S->InLock()->OwningThread() == 0;
      if (depth == throwAt) throw std::runtime_error("sink failed");
      if (depth < limit) S->Out()->Notify(TPNNotifyOperation::Make().Get());
      return TPNNotifyResult();
    };
  }

  // The caller holds the sending component's locks, as a component sending from inside its
  // own processing does; they must come back exactly.
  void ExpectLocksAndCounterRestored() {
    EXPECT_EQ(S->Out()->InSending(), 0);
    EXPECT_EQ(S->OwnerLock()->OwningThread(), platform::GetCurrentThreadId());
    EXPECT_EQ(S->OwnerLock()->LockLevels(), 2);
    EXPECT_EQ(S->InLock()->OwningThread(), platform::GetCurrentThreadId());
    EXPECT_EQ(S->InLock()->LockLevels(), 1);
  }

  TTestComponent* S = nullptr;
  TTestComponent* A = nullptr;
  int Depth = 0;
  int Deepest = 0;
  bool OwnerFreeDuringCall = false;
};

TEST_F(PinsReentryTest, TwoHundredOneNestedDeliveriesPass) {
  Nest(201);
  auto in = S->InputLock->WriteLock();
  auto o1 = S->Lock->WriteLock();
  auto o2 = S->Lock->WriteLock();
  EXPECT_NO_THROW(S->Out()->Notify(TPNNotifyOperation::Make().Get()));
  EXPECT_EQ(Deepest, 201);
  EXPECT_TRUE(OwnerFreeDuringCall) << "the owner locks are released during the call";
  ExpectLocksAndCounterRestored();
}

TEST_F(PinsReentryTest, TheNextNestedDeliveryRaises) {
  Nest(202);
  auto in = S->InputLock->WriteLock();
  auto o1 = S->Lock->WriteLock();
  auto o2 = S->Lock->WriteLock();
  try {
    S->Out()->Notify(TPNNotifyOperation::Make().Get());
    ADD_FAILURE() << "no exception";
  } catch (const EPNException& e) {
    EXPECT_STREQ(e.what(), "The pin depends on itself. Please protect with functional dependency.");
  }
  EXPECT_EQ(Deepest, 201) << "the 202nd delivery reaches no sink";
  ExpectLocksAndCounterRestored();
  // The pin still delivers afterwards.
  Nest(1);
  Log().Take();
  S->Out()->Notify(TPNNotifyOperation::Make().Get());
  EXPECT_EQ(Log().TakeSinks(), (std::vector<std::string>{"A"}));
}

TEST_F(PinsReentryTest, AThrowingSinkEndsTheDeliveryAndRestoresEverything) {
  TTestComponent* b = Add("B");
  ASSERT_TRUE(b->In()->Connect(S->Out()));
  Nest(10, 3);
  auto in = S->InputLock->WriteLock();
  auto o1 = S->Lock->WriteLock();
  auto o2 = S->Lock->WriteLock();
  Log().Take();
  EXPECT_THROW(S->Out()->Notify(TPNNotifyOperation::Make().Get()), std::runtime_error);
  EXPECT_EQ(Deepest, 3);
  // Every delivery ended at A: B, served after A, got nothing.
  for (const std::string& sink : Log().TakeSinks()) EXPECT_EQ(sink, "A");
  ExpectLocksAndCounterRestored();
}

TEST_F(PinsReentryTest, AFirstValuePushDeeperThanTenRaises) {
  TTestComponent* b = Add("B");
  TTestComponent* c = Add("C");
  bool pushedAtTen = false, refusedAtEleven = false;
  A->In()->OnReceive = [&](IPNNotifyOperation*, TPNNotifyState) {
    int depth = ++Depth;
    if (depth == 10) pushedAtTen = c->In()->Connect(S->Out());
    if (depth == 11) {
      try {
        b->In()->Connect(S->Out());
      } catch (const EPNException&) {
        refusedAtEleven = true;
      }
    }
    if (depth < 11) S->Out()->Notify(TPNNotifyOperation::Make().Get());
    --Depth;
    return TPNNotifyResult();
  };
  S->Out()->Notify(TPNNotifyOperation::Make().Get());
  EXPECT_TRUE(pushedAtTen);
  EXPECT_TRUE(refusedAtEleven);
  EXPECT_EQ(S->Out()->InSending(), 0);
}

}  // namespace
}  // namespace pinstest
