#include <gtest/gtest.h>

#include "components/RBComponentCollection.h"
#include "platform/Components.h"

namespace {

using namespace components;

TEST(ComponentCollection, AGroupKeepsEveryClassAddedWithItsNames) {
  auto* group = platform::New<TRBCollectionComponentClass>(&platform::TComponent::StaticClass());
  EXPECT_EQ(group->CollectorClassName(), "TComponent");
  EXPECT_EQ(group->ComponentCollectorClass(), &platform::TComponent::StaticClass());
  EXPECT_EQ(group->Add(&platform::TForm::StaticClass(), "Form"), 0);
  EXPECT_EQ(group->Add(&platform::TForm::StaticClass(), "Another form"), 1);
  ASSERT_EQ(group->Count(), 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(group->Classes(i), &platform::TForm::StaticClass());
    EXPECT_EQ(group->ClassNames(i), "TForm");
  }
  EXPECT_EQ(group->Names(0), "Form");
  EXPECT_EQ(group->Names(1), "Another form");
  EXPECT_THROW(group->Names(2), platform::EListError);

  auto* registry = platform::New<TRBCollectionComponentClasses>();
  registry->Add(group);  // owned from now on
  EXPECT_EQ(registry->Count(), 1);
  EXPECT_EQ(registry->Items(0), group);
  registry->Free();
}

// The program's start made the registry and an invisible form without owner; the unit's end
// frees both, also with no group registered, and a second end does nothing.
TEST(ComponentCollection, TheUnitMakesAndFreesTheRegistryAndItsForm) {
  ASSERT_NE(CollectionComponentClasses(), nullptr);
  EXPECT_EQ(CollectionComponentClasses()->Count(), 0);
  platform::TForm* form = CollectionComponentForm();
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(form->Visible);
  EXPECT_EQ(form->Owner(), nullptr);

  RBComponentCollectionUnit.Finalization();
  EXPECT_EQ(CollectionComponentClasses(), nullptr);
  EXPECT_EQ(CollectionComponentForm(), nullptr);
  RBComponentCollectionUnit.Finalization();
  RBComponentCollectionUnit.Initialization();  // as the program left it
  EXPECT_NE(CollectionComponentClasses(), nullptr);
}

}  // namespace
