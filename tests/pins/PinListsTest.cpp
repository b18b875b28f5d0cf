// Pin lists: item names, placeholders standing for items not created yet, the hand-over to
// real pins and the teardown of an owning list.
#include "tests/pins/FormsTestSupport.h"

namespace pinstest {
namespace {

class PinLists : public FormsPinsTest {
 protected:
  void SetUp() override {
    FormsPinsTest::SetUp();
    S = Add("S");
    L = AddList("L");
  }
  // Placeholders stay in a list only while its owner is loading or designed.
  void Design(bool on) { Form->SetDesigning(on, true); }
  TTestComponent* S = nullptr;
  TSinkListComponent* L = nullptr;
};

TEST_F(PinLists, ItemNamesDefaultToTheirIndex) {
  TTestSinkPin* a = L->AddSink();
  TTestSinkPin* b = L->AddSink();
  TPNPinList* list = L->Sinks();
  EXPECT_EQ(list->GetPinName(0), "Pin [0]");
  list->SetPinNameAt(1, "Right");
  EXPECT_EQ(list->GetPinName(1), "Right");
  list->SetPinName(a, "Pin [0]");  // the default text is stored as no name
  EXPECT_EQ(list->GetPinName(0), "Pin [0]");
  list->SetPinNameAt(5, "Nowhere");  // out of range: nothing
  EXPECT_EQ(a->GetFullIdentName(true), "Form1.L.Sinks._Pin0");
  EXPECT_EQ(b->GetFullIdentName(true), "Form1.L.Sinks._Pin1");
  EXPECT_EQ(b->GetFullName(true), "Form1.L.Sinks.Right");
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(list->IndexOf(b), 1);
  EXPECT_EQ(a->OwnerPinList(), list);
  list->Swap(0, 1);
  EXPECT_EQ(list->GetItem(0), b);
  EXPECT_EQ(list->GetPinName(0), "Right");
  EXPECT_THROW(list->GetItem(2), platform::EListError);
}

TEST_F(PinLists, LinkingIndexThreeMakesPlaceholdersZeroToThree) {
  Design(true);
  TPNPinList* list = L->Sinks();
  list->LinkPinAt(3, ptSink, ptSource, "Form1.S.OutputPin", "Form1.S.OutputPin");
  ASSERT_EQ(list->EntryCount(), 4);
  EXPECT_EQ(list->UnloadedCount(), 4);
  EXPECT_EQ(UnloadedCount(), 4);
  for (int32_t i = 0; i < 4; ++i) {
    TPNBasicPin* p = list->EntryAt(i);
    ASSERT_TRUE(IsPlaceholder(p));
    EXPECT_EQ(p->GetFullIdentName(true), "Form1.L.Sinks._Pin" + std::to_string(i));
    EXPECT_EQ(p->GetPinType(), ptSink);
  }
  // Item 3 is linked to S's output (through the placeholder).
  EXPECT_TRUE(list->EntryAt(3)->IsConnectedTo(S->Out()));
  EXPECT_TRUE(S->Out()->IsConnectedTo(list->EntryAt(3)));
  EXPECT_EQ(list->Count(), 0) << "no real pin yet";

  // Once the owner is neither designed nor loading, the first access purges them.
  Design(false);
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(list->EntryCount(), 0);
  EXPECT_EQ(UnloadedCount(), 0);
  EXPECT_EQ(S->Out()->GetSinkCount(), 0);
}

TEST_F(PinLists, ARealPinTakesOverTheFirstPlaceholderAndItsLinks) {
  Design(true);
  TPNPinList* list = L->Sinks();
  list->LinkPinAt(0, ptSink, ptSource, "Form1.S.OutputPin", "Form1.S.OutputPin");
  list->LinkPinAt(1, ptSink, ptSource, "Form1.S.OutputPin", "Form1.S.OutputPin");
  ASSERT_EQ(S->Out()->GetSinkCount(), 2);
  TTestSinkPin* real = L->AddSink();
  EXPECT_EQ(list->EntryAt(0), real);
  EXPECT_EQ(list->UnloadedCount(), 1);
  EXPECT_EQ(UnloadedCount(), 1);
  EXPECT_EQ(real->GetSourcePin(), S->Out());
  EXPECT_EQ(S->Out()->GetSinkCount(), 2);
  EXPECT_TRUE(S->Out()->IsConnectedTo(real));
  // The second real pin takes the remaining placeholder.
  TTestSinkPin* second = L->AddSink();
  EXPECT_EQ(list->EntryAt(1), second);
  EXPECT_EQ(UnloadedCount(), 0);
  Design(false);
  EXPECT_EQ(list->Count(), 2);

  // The links work: a value sent reaches both items.
  Log().Take();
  S->Out()->Notify(TPNNotifyOperation::Make().Get());
  EXPECT_EQ(Log().TakeSinks(), (std::vector<std::string>{"L", "L"}));
}

TEST_F(PinLists, LinkingAnExistingItemResolvesAPlaceholderStandingForIt) {
  TTestSinkPin* item = L->AddSink();
  // A link read before the item existed: S's output linked to a placeholder of its name.
  TPNBasicPin* ph = TPNUnloadedPin::Create(Form, ptSink, "Form1.L.Sinks._Pin0",
                                           "Form1.L.Sinks._Pin0", "test");
  ASSERT_TRUE(S->Out()->LinkToSink(ph, nullptr));
  L->Sinks()->LinkPinAt(0, ptSink, ptSource, "Form1.S.OutputPin", "Form1.S.OutputPin");
  EXPECT_EQ(UnloadedCount(), 0);
  EXPECT_EQ(item->GetSourcePin(), S->Out());
  EXPECT_EQ(S->Out()->GetSinkCount(), 1);
}

// An owning list frees its real pins and lets its placeholders go through UnloadedPins;
// nothing is freed twice and nothing is left (the address sanitizer checks both).
TEST_F(PinLists, OwningListShutsDownCleanWithPlaceholders) {
  Design(true);
  TPNPinList* list = L->Sinks();
  list->LinkPinAt(2, ptSink, ptSource, "Form1.S.OutputPin", "Form1.S.OutputPin");
  TTestSinkPin* real = L->AddSink();  // takes placeholder 0
  list->Add(AllPins->GetByNameCreate(Form, ptSink, "Form1.L.Sinks._Pin9", "x", "test"));
  ASSERT_EQ(list->EntryCount(), 4);
  EXPECT_EQ(list->UnloadedCount(), 3);
  // Deleting a placeholder entry destroys the placeholder once, through UnloadedPins.
  list->Delete(3);
  EXPECT_EQ(UnloadedCount(), 2);
  // Removing a real pin of an owning list frees it.
  list->Remove(real);
  EXPECT_EQ(list->EntryCount(), 2);
  L->AddSink();  // takes placeholder 1
  platform::FreeAndNil(L);
  EXPECT_EQ(UnloadedCount(), 0);
  EXPECT_EQ(S->Out()->GetSinkCount(), 0);
}

TEST_F(PinLists, APlaceholderItemResolvedElsewhereLeavesTheList) {
  Design(true);
  TPNPinList* list = L->Sinks();
  list->LinkPinAt(1, ptSink, ptSource, "Form1.S.OutputPin", "Form1.S.OutputPin");
  TPNBasicPin* ph = list->EntryAt(1);
  TTestComponent* other = Add("Other");
  // A real pin elsewhere takes the placeholder's links: the list drops the entry instead
  // of keeping a dangling one.
  PopulatePlaceholder(ph, other->In(), nullptr);
  EXPECT_EQ(list->EntryCount(), 1);
  EXPECT_EQ(list->UnloadedCount(), 1);
  EXPECT_EQ(other->In()->GetSourcePin(), S->Out());
  list->Clear();
  EXPECT_EQ(UnloadedCount(), 0);
}

TEST_F(PinLists, NameLookupRules) {
  EXPECT_EQ(AllPins->GetByNameCreate(Form, ptSink, "", "Form1.X.InputPin", "test"), nullptr);
  EXPECT_EQ(UnloadedCount(), 0);
  EXPECT_EQ(AllPins->GetByNameCreate(Form, ptSource, "Form1.S.OutputPin", "", "t"), S->Out());
  EXPECT_EQ(AllPins->GetByNameCreate(Form, ptSource, "S.OutputPin", "", "t"), S->Out());
  // A pin of another root whose name is also Form1 is not found by ident.
  TComponent* twin = New<TComponent>(nullptr);
  twin->SetName("Form1");
  auto* c = New<TTestComponent>(twin);
  c->SetName("T");
  TPNBasicPin* found = AllPins->GetByNameCreate(Form, ptSink, "Form1.T.InputPin", "Form1.T.InputPin", "t");
  EXPECT_NE(found, c->In());
  EXPECT_TRUE(IsPlaceholder(found));
  DestroyPlaceholder(found);
  platform::FreeAndNil(twin);
  EXPECT_EQ(GetRootComponent(nullptr), nullptr);
  EXPECT_EQ(GetRootComponent(S), Form);
  EXPECT_EQ(L->Sinks()->GetRoot(), Form);
}

TEST_F(PinLists, ListWithoutOwnerLockWorksAlone) {
  TPNPinList* list = TPNPinList::Create(nullptr, false);
  auto* pin = New<TTestSinkPin>(S, S->Lock.Get());
  list->Add(pin);
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(list->GetRoot(), nullptr);
  list->Free();  // not owning: the pin stays
  EXPECT_EQ(pin->OwnerPinList(), nullptr);
  pin->Free();
}

}  // namespace
}  // namespace pinstest
