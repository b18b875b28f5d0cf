// Names of pins: property paths, display and ident names, the root rule and form renaming.
#include "platform/Properties.h"
#include "tests/pins/PinsTestSupport.h"

namespace pinstest {

// A persistent sub-object that holds another one and, at the end of a chain, a pin.
class TNested : public platform::TPersistent {
  PF_CLASS(TNested)
  PF_ALLOW_NEW;

 public:
  TNested* Next = nullptr;
  TTestSinkPin* Pin = nullptr;

 protected:
  TNested() = default;
};

// A component whose pin is reached through a chain of nested sub-objects.
class TDeepComponent : public TComponent {
  PF_CLASS(TDeepComponent)
  PF_ALLOW_NEW;

 public:
  TNested* Sub = nullptr;
  TTestSinkPin* DeepPin = nullptr;
  void Build(int levels) {
    DeepPin = New<TTestSinkPin>(this, nullptr);
    TNested** slot = &Sub;
    TNested* last = nullptr;
    for (int i = 0; i < levels; ++i) {
      *slot = New<TNested>();
      last = *slot;
      slot = &last->Next;
    }
    if (last) last->Pin = DeepPin;
  }

 protected:
  explicit TDeepComponent(TComponent* owner) : TComponent(owner) {}
  void Destroy() override {
    platform::FreeAndNil(DeepPin);
    for (TNested* n = Sub; n;) {
      TNested* next = n->Next;
      n->Free();
      n = next;
    }
    Sub = nullptr;
    TComponent::Destroy();
  }
};

namespace {
void DescribeTNested(platform::TClassInfo& info) {
  platform::TPublisher<TNested> p(info);
  p.Property("Next", &TNested::Next);
  p.Property("Pin", &TNested::Pin);
}
void DescribeTDeepComponent(platform::TClassInfo& info) {
  platform::TPublisher<TDeepComponent> p(info);
  p.Property("Sub", &TDeepComponent::Sub);
}
}  // namespace

PF_DEFINE_CLASS_EX(TNested, platform::TPersistent, nullptr, DescribeTNested)
PF_DEFINE_COMPONENT(TDeepComponent, TComponent, DescribeTDeepComponent)

namespace {

using PinsNamesTest = PinsTest;

TEST_F(PinsNamesTest, APublishedPinIsNamedByFormOwnerAndProperty) {
  TTestComponent* hough = Add("PXHoughCircles1");
  TTestComponent* generic = Add("PXGenericFilter1");
  TTestSinkPin* pin = hough->In();
  EXPECT_EQ(pin->GetFullName(true), "Form1.PXHoughCircles1.InputPin");
  EXPECT_EQ(pin->GetFullIdentName(true), "Form1.PXHoughCircles1.InputPin");
  EXPECT_EQ(pin->GetFullName(false), "PXHoughCircles1.InputPin");
  EXPECT_EQ(pin->GetFullIdentName(false), "PXHoughCircles1.InputPin");
  EXPECT_EQ(pin->GetName(), "InputPin");
  EXPECT_EQ(pin->GetSaveName(), "InputPin");
  EXPECT_EQ(pin->GetRootName(), "Form1");
  EXPECT_EQ(pin->GetOwnerName(), "PXHoughCircles1");
  EXPECT_EQ(pin->GetRoot(), Form);
  EXPECT_EQ(pin->GetDisplayText(), "(Disconnected)");

  ASSERT_TRUE(pin->Connect(generic->Out()));
  EXPECT_EQ(generic->Out()->GetFullName(true), "Form1.PXGenericFilter1.OutputPin");
  EXPECT_EQ(generic->Out()->GetDisplayText(), "PXHoughCircles1.InputPin");
  EXPECT_EQ(pin->GetDisplayText(), "PXGenericFilter1.OutputPin");
  EXPECT_TRUE(generic->Out()->IsLinkedTo("Form1.PXHoughCircles1.InputPin"));
  EXPECT_TRUE(generic->Out()->IsLinkedTo("PXHoughCircles1.InputPin"));
  EXPECT_TRUE(pin->IsLinkedTo("PXGenericFilter1.OutputPin"));
  ASSERT_TRUE(Add("C1")->In()->Connect(generic->Out()));
  EXPECT_EQ(generic->Out()->GetDisplayText(), "( 2 Links )");
}

TEST_F(PinsNamesTest, PinsWithoutOwnerOrPath) {
  TTestSinkPin* orphan = New<TTestSinkPin>(nullptr, nullptr);
  EXPECT_EQ(orphan->GetFullName(true), "(No owner)");
  EXPECT_EQ(orphan->GetFullIdentName(true), "(No owner)");
  orphan->Free();

  // A pin its owner does not publish: the owner's name and a ".".
  TTestComponent* c = Add("C1");
  TTestSinkPin* hidden = New<TTestSinkPin>(c, nullptr);
  EXPECT_EQ(hidden->GetFullName(true), "Form1.C1.");
  EXPECT_EQ(hidden->GetFullName(false), "C1.");
  EXPECT_EQ(hidden->GetName(), "");
  hidden->Free();
}

TEST_F(PinsNamesTest, TheCollectionWalkStopsAtTwentyNestedLevels) {
  auto* deep20 = New<TDeepComponent>(Form);
  deep20->SetName("Deep20");
  deep20->Build(20);
  auto* deep21 = New<TDeepComponent>(Form);
  deep21->SetName("Deep21");
  deep21->Build(21);

  auto chain = [](int levels) {
    std::string path = "Sub";
    for (int i = 1; i < levels; ++i) path += ".Next";
    return path + ".Pin";
  };
  const std::string path20 = chain(20);

  std::vector<TPNPinPathItem> found;
  EXPECT_TRUE(CollectPinPaths(deep20, "TPNBasicPin", false, found));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Path, path20);
  EXPECT_EQ(found[0].Object, deep20->DeepPin);

  found.clear();
  EXPECT_TRUE(CollectPinPaths(deep21, "TPNBasicPin", false, found))
      << "a nested walk cut by the depth limit is not reported";
  EXPECT_TRUE(found.empty());

  // The path walk behind the names has no depth limit.
  EXPECT_EQ(deep21->DeepPin->GetFullName(true), "Form1.Deep21." + chain(21));
  EXPECT_EQ(deep20->DeepPin->GetName(), path20);
}

TEST_F(PinsNamesTest, TheRootIsTheFormOrTheTopmostOwner) {
  TTestComponent* c = Add("C1");
  TComponent* inner = New<TComponent>(c);
  inner->SetName("Inner");
  EXPECT_EQ(GetRootComponent(inner), Form);
  EXPECT_EQ(GetRootComponent(Form), Form);
  EXPECT_EQ(GetRootComponent(nullptr), nullptr);
  // A pin whose owner has no owner keeps the last root name it knew (none).
  TTestComponent* lone = New<TTestComponent>(nullptr);
  lone->SetName("Lone");
  EXPECT_EQ(lone->In()->GetRootName(), "");
  lone->Free();
}

TEST_F(PinsNamesTest, AdjustLoadedFormNameRewritesOnlyTheFormPrefix) {
  Form->SetName("Form2");
  TTestSinkPin* pin = Add("C1")->In();
  pin->SetLoadFormName("Form1");
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"Form1.C1.OutputPin", "Form2.C1.OutputPin"},
      {"Form3.C1.OutputPin", "Form3.C1.OutputPin"},
      {"Form10.C1.OutputPin", "Form10.C1.OutputPin"},
      {"Form1", "Form1"},
      {"C1.Form1.OutputPin", "C1.Form1.OutputPin"},
  };
  for (const Case& c : cases) {
    std::string name = c.in;
    pin->AdjustLoadedFormName(name);
    EXPECT_EQ(name, c.out) << c.in;
  }
  // Without a stored form name nothing changes.
  pin->SetLoadFormName("");
  std::string name = "Form1.C1.OutputPin";
  pin->AdjustLoadedFormName(name);
  EXPECT_EQ(name, "Form1.C1.OutputPin");
}

}  // namespace
}  // namespace pinstest
