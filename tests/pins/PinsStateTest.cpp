// Delivery to the members of a state link, as the pin base class sends it, and the pin
// framework's start-up and shutdown.
#include <algorithm>

#include "pins/PNPinsGlobals.h"
#include "pins/PNPinsRegistries.h"
#include "tests/pins/PinsTestSupport.h"

namespace pinstest {

// A plain state link: members in joining order, each its own connection pin.
class TTestStateLink : public TPNStateDispatcher {
  PF_CLASS(TTestStateLink)
  PF_ALLOW_NEW;

 public:
  void Join(TPNBasicPin* pin) {
    AddPin(pin, pin);
    pin->SetDispatcher(this);
  }
  std::string GetName() override { return "Form1Link1"; }
  int32_t GetPinCount() override { return static_cast<int32_t>(FPins.size()); }
  TPNBasicPin* GetPin(int32_t i) override { return FPins[static_cast<size_t>(i)]; }
  TPNBasicPin* GetConnectionPin(int32_t i) override { return FPins[static_cast<size_t>(i)]; }
  TPNBasicPin* GetAfterPin(int32_t) override { return nullptr; }
  void AddPinAfter(TPNBasicPin*, TPNBasicPin* real, TPNBasicPin*) override { FPins.push_back(real); }
  void RemovePin(TPNBasicPin* pin) override {
    auto it = std::find(FPins.begin(), FPins.end(), pin);
    if (it != FPins.end()) FPins.erase(it);
    pin->SetDispatcher(nullptr);
  }
  bool CanConnectAfter(TPNBasicPin*, TPNBasicPin*, bool) override { return true; }
  TPNBasicPin* GetAfterPinOf(TPNBasicPin*) override { return nullptr; }
  int32_t GetConverterCount() override { return 0; }
  IPNFormatConverter* GetConverter(int32_t) override { return nullptr; }
  void AddConverter(IPNFormatConverter*) override {}

 protected:
  TTestStateLink() = default;

 private:
  std::vector<TPNBasicPin*> FPins;
};

PF_DEFINE_CLASS(TTestStateLink, TPNStateDispatcher)

namespace {

class PinsStateTest : public PinsTest {
 protected:
  void TearDown() override {
    // The pins leave the link while they are freed; the link goes after them.
    platform::FreeAndNil(Form);
    if (Link) Link->Free();
    PinsTest::TearDown();
  }
  TTestStateLink* Link = nullptr;
};

TEST_F(PinsStateTest, MembersAreServedFirstAndTheLastServedMemberIsMarked) {
  TTestComponent* s = Add("S");
  TTestComponent* k1 = Add("K1");
  TTestComponent* k2 = Add("K2");
  TTestComponent* plain = Add("Plain");
  ASSERT_TRUE(plain->In()->Connect(s->Out()));
  Link = New<TTestStateLink>();
  // The sender is the last member: the member before it gets the mark.
  Link->Join(k1->In());
  Link->Join(k2->In());
  Link->Join(s->Out());
  Log().Take();
  auto op = TPNNotifyOperation::Make();
  const uint32_t id = op->Instance()->OperationID();
  s->Out()->Notify(op.Get());
  EXPECT_EQ(Log().Take(), (std::vector<TDelivery>{
                              {"K1", id, kNone}, {"K2", id, kLast}, {"Plain", id, kLast}}));
  EXPECT_EQ(s->Out()->GetDisplayText(), "( 3 Links )");
}

TEST_F(PinsStateTest, WithTheSenderFirstOnlyTheThirdMemberIsMarked) {
  TTestComponent* s = Add("S");
  TTestComponent* k1 = Add("K1");
  TTestComponent* k2 = Add("K2");
  Link = New<TTestStateLink>();
  Link->Join(s->Out());
  Link->Join(k1->In());
  Link->Join(k2->In());
  Log().Take();
  auto op = TPNNotifyOperation::Make();
  const uint32_t id = op->Instance()->OperationID();
  s->Out()->NotifyState(op.Get(), {}, nullptr);
  EXPECT_EQ(Log().Take(), (std::vector<TDelivery>{{"K1", id, kNone}, {"K2", id, kLast}}));
  // A target gets the mark; the other members nothing.
  s->Out()->NotifyState(op.Get(), {}, k1->In());
  EXPECT_EQ(Log().Take(), (std::vector<TDelivery>{{"K1", id, kLast}}));
  EXPECT_EQ(k1->In()->GetDisplayText(), "Form1Link1");
}

TEST_F(PinsStateTest, TwoMembersShowEachOther) {
  TTestComponent* s = Add("S");
  TTestComponent* k = Add("K");
  Link = New<TTestStateLink>();
  Link->Join(s->Out());
  Link->Join(k->In());
  EXPECT_EQ(k->In()->GetDisplayText(), "Form1.S.OutputPin");
  EXPECT_TRUE(k->In()->IsConnectedTo(s->Out()));
  EXPECT_TRUE(k->In()->IsLinkedTo("Form1.S.OutputPin"));
  k->In()->Disconnect();
  EXPECT_EQ(k->In()->GetDisplayText(), "(Disconnected)");
  EXPECT_EQ(Link->GetPinCount(), 1);
}

// Shutdown of the framework while pins still live: the registry lock and AllPins stay until
// the last pin is gone, unresolved placeholders are freed and the registries emptied. Run in
// a child process, since it ends the framework.
TEST(PinsUnitTest, ShutdownKeepsTheRegistryUntilTheLastPinIsGone) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        RegisterStreamTypeName(kDownType, "Test");
        TComponent* form = New<TComponent>(nullptr);
        form->SetName("Form1");
        TTestComponent* c = New<TTestComponent>(form);
        // A pin held by the placeholder list, as an unresolved placeholder is.
        UnloadedPins->Add(New<TTestSinkPin>(form, nullptr));
        PNPinsUnit.Finalization();
        bool kept = AllPins != nullptr && PinRegistryLock != nullptr && AllPinsCount() == 2 &&
                    UnloadedPins == nullptr && StreamTypes().empty();
        c->Free();
        bool freed = AllPins == nullptr && PinRegistryLock == nullptr;
        form->Free();
        std::exit(kept && freed ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace pinstest
