// Component and persistent bases: the start hook, the shared lock and its change hook, and
// property assignment by type information.
#include <gtest/gtest.h>

#include <string>

#include "pins/CBComponent.h"
#include "platform/Properties.h"
#include "tests/pins/ComponentBaseTestClasses.h"

namespace cbtest {
namespace {

using platform::New;

TEST(ComponentBase, InitComponentRunsOnceForAComponentMadeInCode) {
  TGainComponent* c = New<TGainComponent>(nullptr);
  EXPECT_EQ(c->InitCount, 1);
  c->Free();

  // In the designer it never starts, neither at construction nor after loading.
  platform::TComponent* designed = New<platform::TComponent>(nullptr);
  designed->SetDesigning(true);
  TGainComponent* d = New<TGainComponent>(designed);
  EXPECT_EQ(d->InitCount, 0);
  d->Loaded();
  EXPECT_EQ(d->InitCount, 0);
  designed->Free();
}

TEST(ComponentBase, LockedSettersCallThePropertyChangedHooks) {
  TGainComponent* c = New<TGainComponent>(nullptr);
  EXPECT_TRUE(c->Lock()->Setter(c->FGain, 2.5));
  EXPECT_FALSE(c->Lock()->Setter(c->FGain, 2.5));
  EXPECT_EQ(c->ChangedCount, 1);
  // The property object shares the component's lock but reports to its own hook.
  TSettings* s = c->Settings();
  EXPECT_EQ(s->Lock()->Instance(), c->Lock()->Instance());
  int notified = 0;
  struct TCounter {
    int* N;
    void Changed(platform::TObject*) { ++*N; }
  } counter{&notified};
  s->OnChange = platform::TNotifyEvent::Bind<&TCounter::Changed>(&counter);
  EXPECT_TRUE(s->Lock()->Setter(s->FThreshold, 7.0));
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(c->ChangedCount, 1);
  c->Free();
}

TEST(ComponentBase, PersistentWithoutLockIsRefused) {
  try {
    New<TSettings>();
    FAIL() << "no exception";
  } catch (const platform::Exception& e) {
    EXPECT_EQ(e.Message(), "Calling TCBPersistent.Create without lock!");
  }
}

TEST(ComponentBase, AssignCopiesEveryStoredWritablePropertyExceptName) {
  TGainComponent* a = New<TGainComponent>(nullptr);
  TGainComponent* b = New<TGainComponent>(nullptr);
  a->SetName("A");
  b->SetName("B");
  a->FGain = 0.25;
  a->Caption = "first";
  a->Count = 7;
  a->Mode = mdFast;
  a->Big = int64_t{1} << 40;
  a->Hidden = 99;
  a->ReadOnlyValue = 5;
  TGainComponent* target = a;
  a->OnChange = platform::TNotifyEvent::Bind<&TGainComponent::Handler>(target);
  a->Settings()->FThreshold = 3.5;
  a->Stamp = 12.0;
  TSettings* bSettings = b->Settings();

  b->Assign(a);
  EXPECT_EQ(b->Name(), "B");
  EXPECT_EQ(b->FGain, 0.25);
  EXPECT_EQ(b->Caption, "first");
  EXPECT_EQ(b->Count, 7);
  EXPECT_EQ(b->Mode, mdFast);
  EXPECT_EQ(b->Big, int64_t{1} << 40);
  EXPECT_EQ(b->Stamp, 12.0);
  EXPECT_TRUE(b->OnChange == a->OnChange);
  EXPECT_EQ(b->Hidden, 0) << "declared not stored";
  EXPECT_EQ(b->ReadOnlyValue, 0) << "no setter";
  EXPECT_EQ(b->Settings(), bSettings) << "sub-objects are assigned in place";
  EXPECT_EQ(bSettings->FThreshold, 3.5);

  // Property objects copy all their properties too.
  TSettings* other = New<TSettings>(nullptr, a->Lock());
  other->FThreshold = 1.5;
  bSettings->Assign(other);
  EXPECT_EQ(bSettings->FThreshold, 1.5);
  other->Free();

  // An unrelated source is the class library's assignment error.
  platform::TComponent* plain = New<platform::TComponent>(nullptr);
  EXPECT_THROW(b->Assign(plain), platform::EConvertError);
  plain->Free();
  a->Free();
  b->Free();
}

TEST(ComponentBase, ZeroFloatsAreListedWithoutDates) {
  TGainComponent* c = New<TGainComponent>(nullptr);
  c->FGain = 1.0;
  c->Settings()->FThreshold = 2.0;
  c->Stamp = 0.0;  // a TDateTime: never listed
  EXPECT_FALSE(HasZeroFloats(c));
  c->FGain = 0.0;
  EXPECT_TRUE(HasZeroFloats(c));
  EXPECT_FALSE(HasZeroFloats(c->Settings()));
  c->Settings()->FThreshold = 0.0;
  EXPECT_TRUE(HasZeroFloats(c->Settings()));
  c->Free();
}

TEST(ComponentBase, CollectionItemsShareTheCollectionsLock) {
  TGainComponent* c = New<TGainComponent>(nullptr);
  TBands* bands = New<TBands>(c, c->Lock());
  auto* low = dynamic_cast<TBand*>(bands->Add());
  auto* high = dynamic_cast<TBand*>(bands->Add());
  ASSERT_TRUE(low && high);
  EXPECT_EQ(low->Lock()->Instance(), c->Lock()->Instance());
  EXPECT_EQ(bands->Count(), 2);
  EXPECT_TRUE(low->Lock()->Setter(low->Level, 0.5));
  EXPECT_EQ(low->ChangedCount, 1);
  EXPECT_EQ(c->ChangedCount, 0);
  // A property object of an item shares the item's lock.
  TSettings* s = New<TSettings>(static_cast<TCBCollectionItem*>(low));
  EXPECT_EQ(s->Lock()->Instance(), c->Lock()->Instance());
  s->Free();
  // Assign copies every property but Name.
  low->Name = "low";
  high->Name = "high";
  high->Assign(low);
  EXPECT_EQ(high->Level, 0.5);
  EXPECT_EQ(high->Name, "high");
  // An editor's variable for an item is cleared when the item goes.
  void* shown = high;
  high->CurrentEditorPtr = &shown;
  bands->Delete(1);
  EXPECT_EQ(shown, nullptr);
  bands->Free();
  c->Free();
}

TEST(ComponentBase, ObjectListOwnsItsObjects) {
  platform::RefPtr<TCBObjectList> list(New<TCBObjectList>());
  list->AddItem(New<platform::TComponent>(nullptr));
  list->AddItem(New<platform::TComponent>(nullptr));
  EXPECT_EQ(list->GetCount(), 2);
  list = nullptr;  // frees both (the leak checker agrees)
}

}  // namespace
}  // namespace cbtest
