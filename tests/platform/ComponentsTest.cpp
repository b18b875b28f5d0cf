#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Components.h"
#include "platform/Properties.h"

using namespace platform;

namespace {

std::vector<std::string> g_log;

struct TNotAComponent : TObject {
} g_notAComponent;

// Records what it hears and who it watches.
class TWatcher : public TComponent {
  PF_CLASS(TWatcher)
  PF_ALLOW_NEW;

 public:
  TComponent* Watched = nullptr;
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (component != this)
      g_log.push_back(Name() + (operation == opInsert ? " +" : " -") + component->Name());
    if (operation == opRemove && component == Watched) Watched = nullptr;
  }

 protected:
  explicit TWatcher(TComponent* owner) : TComponent(owner) {}
  void Destroy() override {
    g_log.push_back("free " + Name());
    TComponent::Destroy();
  }
};
PF_DEFINE_COMPONENT(TWatcher, TComponent, nullptr)

class TOwnerWithField : public TComponent {
  PF_CLASS(TOwnerWithField)
  PF_ALLOW_NEW;

 public:
  TWatcher* Button1 = nullptr;

 protected:
  explicit TOwnerWithField(TComponent* owner) : TComponent(owner) {}
};
void DescribeTOwnerWithField(TClassInfo& info) {
  TPublisher<TOwnerWithField> p(info);
  p.Field("Button1", &TOwnerWithField::Button1);
}
PF_DEFINE_COMPONENT(TOwnerWithField, TComponent, DescribeTOwnerWithField)

TWatcher* NewWatcher(TComponent* owner, const char* name) {
  TWatcher* w = New<TWatcher>(owner);
  w->SetName(name);
  return w;
}

TEST(Components, OwnerListsAndFindsItsComponentsAndFreesThemLastFirst) {
  g_log.clear();
  TWatcher* owner = NewWatcher(nullptr, "Owner");
  TWatcher* a = NewWatcher(owner, "A");
  TWatcher* b = NewWatcher(owner, "B");
  ASSERT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(0), a);
  EXPECT_EQ(owner->Components(1), b);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_EQ(a->Owner(), owner);
  EXPECT_EQ(owner->FindComponent("b"), b);
  EXPECT_EQ(owner->FindComponent(""), nullptr);
  EXPECT_EQ(owner->FindComponent("C"), nullptr);
  EXPECT_THROW(owner->Components(2), EListError);
  EXPECT_EQ(a->GetNamePath(), "A");
  EXPECT_EQ(CreateComponent(&TWatcher::StaticClass(), owner)->Owner(), owner);
  g_log.clear();
  owner->Free();
  EXPECT_EQ(g_log, (std::vector<std::string>{"free Owner", "free ", "free B", "free A"}));
}

TEST(Components, NamesAreValidatedAndUniquePerOwner) {
  TWatcher* owner = NewWatcher(nullptr, "Owner");
  TWatcher* a = NewWatcher(owner, "A");
  TWatcher* b = NewWatcher(owner, "B");
  try {
    b->SetName("a");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "A component named a already exists");
  }
  EXPECT_EQ(b->Name(), "B");
  for (const char* bad : {"1abc", "a b", "Form1.Button1", "a-b", "é"}) {
    try {
      a->SetName(bad);
      FAIL() << bad;
    } catch (const EComponentError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid component name");
    }
  }
  a->SetName("_a1");
  a->SetName("");  // empty names are allowed and never clash
  b->SetName("");
  EXPECT_EQ(owner->FindComponent(""), nullptr);
  a->SetName("A");
  a->SetName("a");  // a change of case is no clash with itself
  EXPECT_EQ(a->Name(), "a");
  // An unowned component may take any valid name.
  TWatcher* free1 = NewWatcher(nullptr, "Same");
  TWatcher* free2 = NewWatcher(nullptr, "Same");
  free1->Free();
  free2->Free();
  owner->Free();
}

TEST(Components, InsertAndRemoveNotifyEveryOwnedComponent) {
  TWatcher* owner = NewWatcher(nullptr, "Owner");
  TWatcher* a = NewWatcher(owner, "A");
  g_log.clear();
  TWatcher* b = New<TWatcher>(owner);
  EXPECT_EQ(g_log, (std::vector<std::string>{"A +", "Owner +"}));
  b->SetName("B");
  g_log.clear();
  TWatcher* other = NewWatcher(nullptr, "Other");
  other->InsertComponent(b);  // moves b from owner to other
  EXPECT_EQ(b->Owner(), other);
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(g_log, (std::vector<std::string>{"A -B", "Owner -B", "Other +B"}));
  g_log.clear();
  a->Free();
  EXPECT_EQ(g_log, (std::vector<std::string>{"free A", "Owner -A"}));
  EXPECT_EQ(owner->ComponentCount(), 0);
  other->Free();
  owner->Free();
}

TEST(Components, FreeNotificationReachesComponentsOfOtherOwners) {
  TWatcher* form1 = NewWatcher(nullptr, "Form1");
  TWatcher* form2 = NewWatcher(nullptr, "Form2");
  TWatcher* user = NewWatcher(form1, "User");
  TWatcher* target = NewWatcher(form2, "Target");
  user->Watched = target;
  target->FreeNotification(user);
  EXPECT_TRUE(target->ComponentState().Contains(csFreeNotification));
  target->Free();
  EXPECT_EQ(user->Watched, nullptr);

  // The other way round: the watcher goes first and the target forgets it.
  TWatcher* target2 = NewWatcher(form2, "Target2");
  user->Watched = target2;
  target2->FreeNotification(user);
  user->Free();
  g_log.clear();
  target2->Free();  // must not call the freed watcher
  EXPECT_EQ(g_log, (std::vector<std::string>{"free Target2", "Form2 -Target2"}));
  form1->Free();
  form2->Free();
}

TEST(Components, OwnedComponentsAreDestroyingWhileTheOwnerGoes) {
  TWatcher* owner = NewWatcher(nullptr, "Owner");
  TWatcher* a = NewWatcher(owner, "A");
  owner->Destroying();
  EXPECT_TRUE(owner->ComponentState().Contains(csDestroying));
  EXPECT_TRUE(a->ComponentState().Contains(csDestroying));
  owner->Free();
}

TEST(Components, NamingAComponentSetsTheOwnersPublishedField) {
  TOwnerWithField* owner = New<TOwnerWithField>(nullptr);
  TWatcher* w = NewWatcher(owner, "button1");
  EXPECT_EQ(owner->Button1, w);
  w->SetName("Other");
  EXPECT_EQ(owner->Button1, nullptr);
  w->SetName("Button1");
  EXPECT_EQ(owner->Button1, w);
  w->Free();
  EXPECT_EQ(owner->Button1, nullptr);
  // A component of another class cannot take the field's name.
  TComponent* plain = CreateComponent(&TComponent::StaticClass(), owner);
  EXPECT_THROW(plain->SetName("Button1"), EPropertyError);
  EXPECT_EQ(plain->Name(), "");
  EXPECT_EQ(owner->Button1, nullptr);
  owner->Free();
}

TEST(Components, CreateByClassReferenceChecksTheClass) {
  EXPECT_THROW(CreateComponent(&TPersistent::StaticClass(), nullptr), EComponentError);
  EXPECT_THROW(CreateComponent(nullptr, nullptr), EComponentError);
  TComponent* c = CreateComponent(&TWatcher::StaticClass(), nullptr);
  EXPECT_STREQ(c->ClassName(), "TWatcher");
  EXPECT_THROW(TWatcher::StaticClass().Create(
                   c->ClassParent() ? static_cast<TObject*>(&g_notAComponent) : nullptr),
               EComponentError);
  c->Free();
}

}  // namespace
