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

// Stands in for the pin-list unit's list class, which the names recognise by its class name.
class TPinListStandIn : public platform::TPersistent {
  PF_CLASS(TPinListStandIn)
  PF_ALLOW_NEW;

 public:
  std::vector<TPNBasicPin*> Pins;
  std::vector<std::string> Names;  // empty for the default name

 protected:
  TPinListStandIn() = default;
};

const platform::TClassInfo& TPinListStandIn::StaticClass() {
  static const platform::TClassInfo info("TPNPinList", &platform::TPersistent::StaticClass(),
                                         nullptr);
  return info;
}

// A component publishing a list of three input pins, the second named "Left".
class TListComponent : public TComponent {
  PF_CLASS(TListComponent)
  PF_ALLOW_NEW;

 public:
  TPinListStandIn* List = nullptr;

 protected:
  explicit TListComponent(TComponent* owner) : TComponent(owner) {
    List = New<TPinListStandIn>();
    for (const char* name : {"", "Left", ""}) {
      TTestSinkPin* pin = New<TTestSinkPin>(this, nullptr);
      pin->SetOwnerPinList(reinterpret_cast<TPNPinList*>(List));
      List->Pins.push_back(pin);
      List->Names.push_back(name);
    }
  }
  void Destroy() override {
    for (TPNBasicPin* pin : List->Pins) pin->Free();
    List->Free();
    TComponent::Destroy();
  }
};

namespace {
void DescribeTNested(platform::TClassInfo& info) {
  platform::TPublisher<TNested> p(info);
  p.Property("Next", &TNested::Next);
  p.Property("Pin", &TNested::Pin);
}
void DescribeTListComponent(platform::TClassInfo& info) {
  platform::TPublisher<TListComponent> p(info);
  p.Property("Pins", &TListComponent::List);
}
void DescribeTDeepComponent(platform::TClassInfo& info) {
  platform::TPublisher<TDeepComponent> p(info);
  p.Property("Sub", &TDeepComponent::Sub);
}
}  // namespace

PF_DEFINE_CLASS_EX(TNested, platform::TPersistent, nullptr, DescribeTNested)
PF_DEFINE_COMPONENT(TDeepComponent, TComponent, DescribeTDeepComponent)
PF_DEFINE_COMPONENT(TListComponent, TComponent, DescribeTListComponent)

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

TEST_F(PinsNamesTest, PinsOfAPinListAreNamedByIndexOrItemName) {
  TPNPinListAccess saved = PinListAccess;
  PinListAccess.Count = [](TObject* l) {
    return static_cast<int32_t>(static_cast<TPinListStandIn*>(l)->Pins.size());
  };
  PinListAccess.Item = [](TObject* l, int32_t i) {
    return static_cast<TPinListStandIn*>(l)->Pins[static_cast<size_t>(i)];
  };
  PinListAccess.ItemName = [](TObject* l, int32_t i) {
    const std::string& name = static_cast<TPinListStandIn*>(l)->Names[static_cast<size_t>(i)];
    return name.empty() ? "Pin [" + std::to_string(i) + "]" : name;
  };
  PinListAccess.AsObject = [](TPNPinList* l) -> TObject* {
    return reinterpret_cast<TPinListStandIn*>(l);
  };
  auto* c = New<TListComponent>(Form);
  c->SetName("C1");
  TPNBasicPin* third = c->List->Pins[2];
  EXPECT_EQ(third->GetFullName(true), "Form1.C1.Pins.Pin [2]");
  EXPECT_EQ(third->GetFullIdentName(true), "Form1.C1.Pins._Pin2");
  EXPECT_EQ(third->GetName(), "Pins.Pin [2]");
  EXPECT_EQ(third->GetSaveName(), "Pins._Pin2");
  EXPECT_EQ(c->List->Pins[1]->GetFullName(true), "Form1.C1.Pins.Left");
  EXPECT_EQ(c->List->Pins[1]->GetFullIdentName(true), "Form1.C1.Pins._Pin1");

  std::vector<TPNPinPathItem> byIndex, byName;
  EXPECT_TRUE(CollectPinPaths(c, "TPNBasicPin", true, byIndex));
  EXPECT_TRUE(CollectPinPaths(c, "TPNBasicPin", false, byName));
  ASSERT_EQ(byIndex.size(), 3u);
  ASSERT_EQ(byName.size(), 3u);
  EXPECT_EQ(byIndex[2].Path, "Pins._Pin2");
  EXPECT_EQ(byName[1].Path, "Pins.Left");
  EXPECT_EQ(byName[2].Object, third);
  c->Free();
  PinListAccess = saved;
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
