// Pin links in form resources: forms read and written with their links by name, placeholders
// for pins not loaded yet, forms loaded under another name, pin lists, state links and the
// errors of the readers.
#include <string>

#include "platform/Forms.h"
#include "platform/Streaming.h"
#include "tests/pins/ComponentBaseTestClasses.h"
#include "tests/pins/FormsTestSupport.h"

namespace pinstest {
namespace {

using platform::TForm;

// The demo window's two components in miniature: a filter-like component X whose output
// names the input of Y, read after it, and Y whose input names X's output.
constexpr const char* kDemo =
    "object Form1: TForm\n"
    "  object X: TTestComponent\n"
    "    OutputPin.Form = Form1\n"
    "    OutputPin.SinkPins = (\n"
    "      Form1.Y.InputPin)\n"
    "  end\n"
    "  object Y: TTestComponent\n"
    "    InputPin.Form = Form1\n"
    "    InputPin.SourcePin = Form1.X.OutputPin\n"
    "  end\n"
    "end\n";

class Forms : public FormsPinsTest {
 protected:
  void SetUp() override {
    FormsPinsTest::SetUp();
    static bool registered = false;
    if (!registered) {
      platform::RegisterClass(&TTestComponent::StaticClass());
      platform::RegisterClass(&TSinkListComponent::StaticClass());
      platform::RegisterClass(&cbtest::TGainComponent::StaticClass());
      registered = true;
    }
  }
  void TearDown() override {
    for (size_t i = Loaded.size(); i-- > 0;) platform::Free(Loaded[i]);
    Loaded.clear();
    FormsPinsTest::TearDown();
  }
  // Reads a form text into a new form named `name`.
  TForm* Load(const std::string& text, const std::string& name) {
    TForm* form = TForm::CreateNew(nullptr);
    Loaded.push_back(form);
    platform::ReadComponentFromText(text, form, &name);
    return form;
  }
  void Unload(TForm* form) {
    std::erase(Loaded, form);
    form->Free();
  }
  template <class T>
  static T* Find(TComponent* form, const char* name) {
    return dynamic_cast<T*>(form->FindComponent(name));
  }
  static bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }
  // A form text as the writer gives it back: with the form's own published values.
  static std::string Written(const std::string& text) {
    TForm* empty = TForm::CreateNew(nullptr);
    const std::string e = platform::WriteComponentToText(empty);
    empty->Free();
    const size_t from = e.find('\n') + 1;
    const std::string block = e.substr(from, e.rfind("end\n") - from);
    const size_t at = text.find('\n') + 1;
    return text.substr(0, at) + block + text.substr(at);
  }
  std::vector<TForm*> Loaded;
};

TEST_F(Forms, DemoLinkIsMadeThroughAPlaceholderResolvedDuringTheLoad) {
  TForm* form = Load(kDemo, "Form1");
  auto* x = Find<TTestComponent>(form, "X");
  auto* y = Find<TTestComponent>(form, "Y");
  ASSERT_TRUE(x && y);
  EXPECT_EQ(UnloadedCount(), 0);
  ASSERT_EQ(x->Out()->GetSinkCount(), 1);
  EXPECT_EQ(x->Out()->GetSink(0), y->In());
  EXPECT_EQ(y->In()->GetSourcePin(), x->Out());

  Log().Take();
  auto op = TPNNotifyOperation::Make();
  x->Out()->Notify(op.Get());
  EXPECT_EQ(Log().Take(), (std::vector<TDelivery>{{"Y", op->Instance()->OperationID(), kLast}}));

  const std::string text = platform::WriteComponentToText(form);
  EXPECT_TRUE(Contains(text, "    OutputPin.Form = Form1\n")) << text;
  EXPECT_TRUE(Contains(text, "    OutputPin.SinkPins = (\n      Form1.Y.InputPin)\n")) << text;
  EXPECT_TRUE(Contains(text, "    InputPin.Form = Form1\n")) << text;
  EXPECT_TRUE(Contains(text, "    InputPin.SourcePin = Form1.X.OutputPin\n")) << text;
  // Unlinked pins write neither their links nor "Form".
  EXPECT_FALSE(Contains(text, "InputPin.Form = Form1\n    OutputPin")) << text;
  EXPECT_EQ(text.find("X.InputPin"), std::string::npos);

  // The text read again gives the same text.
  Unload(form);
  TForm* again = Load(text, "Form1");
  EXPECT_EQ(platform::WriteComponentToText(again), text);
}

// A pin's links as a pin-list entry writes them: "Sinks" and the sinks' value for a source,
// the source's value for a sink; true exactly when something was written.
TEST_F(Forms, WritePinListLinksWritesTheLinksItReports) {
  TForm* form = Load(kDemo, "Form1");
  auto* x = Find<TTestComponent>(form, "X");
  auto* y = Find<TTestComponent>(form, "Y");
  ASSERT_TRUE(x && y);
  auto written = [](auto&& write) {
    platform::TWriter* w = platform::New<platform::TWriter>();
    write(w);
    std::string data = w->Data();
    w->Free();
    return data;
  };
  bool wrote = false;
  EXPECT_EQ(written([&](platform::TWriter* w) { wrote = x->Out()->WritePinListLinks(w); }),
            written([&](platform::TWriter* w) {
              w->WriteIdent("Sinks");
              x->Out()->WriteSinks(w);
            }));
  EXPECT_TRUE(wrote);
  EXPECT_EQ(written([&](platform::TWriter* w) { wrote = y->In()->WritePinListLinks(w); }),
            written([&](platform::TWriter* w) { y->In()->WriteSource(w); }));
  EXPECT_TRUE(wrote);
  // Unlinked pins write nothing.
  EXPECT_EQ(written([&](platform::TWriter* w) { wrote = x->In()->WritePinListLinks(w); }), "");
  EXPECT_FALSE(wrote);
  EXPECT_EQ(written([&](platform::TWriter* w) { wrote = y->Out()->WritePinListLinks(w); }), "");
  EXPECT_FALSE(wrote);
}

TEST_F(Forms, AFormLoadedUnderAnotherNameLinksOnlyItsOwnPins) {
  TForm* form1 = Load(kDemo, "Form1");
  TForm* form2 = Load(kDemo, "Form2");
  auto* x1 = Find<TTestComponent>(form1, "X");
  auto* y1 = Find<TTestComponent>(form1, "Y");
  auto* x2 = Find<TTestComponent>(form2, "X");
  auto* y2 = Find<TTestComponent>(form2, "Y");
  EXPECT_EQ(UnloadedCount(), 0);
  ASSERT_EQ(x1->Out()->GetSinkCount(), 1);
  EXPECT_EQ(x1->Out()->GetSink(0), y1->In());
  ASSERT_EQ(x2->Out()->GetSinkCount(), 1);
  EXPECT_EQ(x2->Out()->GetSink(0), y2->In());
  EXPECT_EQ(y2->In()->GetSourcePin(), x2->Out());
  const std::string text = platform::WriteComponentToText(form2);
  EXPECT_TRUE(Contains(text, "    OutputPin.Form = Form2\n")) << text;
  EXPECT_TRUE(Contains(text, "      Form2.Y.InputPin)\n")) << text;
  EXPECT_TRUE(Contains(text, "    InputPin.SourcePin = Form2.X.OutputPin\n")) << text;
}

// Two forms linked to each other: each keeps the links to the other in placeholders until
// the other is loaded, writes them back unchanged meanwhile, and hands them over.
constexpr const char* kFormA =
    "object FormA: TForm\n"
    "  object X: TTestComponent\n"
    "    OutputPin.Form = FormA\n"
    "    OutputPin.SinkPins = (\n"
    "      FormB.Y.InputPin)\n"
    "  end\n"
    "end\n";
constexpr const char* kFormB =
    "object FormB: TForm\n"
    "  object Y: TTestComponent\n"
    "    InputPin.Form = FormB\n"
    "    InputPin.SourcePin = FormA.X.OutputPin\n"
    "  end\n"
    "end\n";

TEST_F(Forms, LinksToAFormNotLoadedYetWaitInPlaceholders) {
  for (bool aFirst : {true, false}) {
    SCOPED_TRACE(aFirst ? "FormA first" : "FormB first");
    const char* firstText = aFirst ? kFormA : kFormB;
    TForm* first = Load(firstText, aFirst ? "FormA" : "FormB");
    EXPECT_EQ(UnloadedCount(), 1);
    EXPECT_EQ(platform::WriteComponentToText(first), Written(firstText)) << "written back unchanged";
    TForm* second = Load(aFirst ? kFormB : kFormA, aFirst ? "FormB" : "FormA");
    EXPECT_EQ(UnloadedCount(), 0);
    TForm* a = aFirst ? first : second;
    TForm* b = aFirst ? second : first;
    auto* x = Find<TTestComponent>(a, "X");
    auto* y = Find<TTestComponent>(b, "Y");
    ASSERT_EQ(x->Out()->GetSinkCount(), 1);
    EXPECT_EQ(x->Out()->GetSink(0), y->In());
    EXPECT_EQ(y->In()->GetSourcePin(), x->Out());
    Log().Take();
    x->Out()->Notify(TPNNotifyOperation::Make().Get());
    EXPECT_EQ(Log().TakeSinks(), (std::vector<std::string>{"Y"}));
    EXPECT_EQ(platform::WriteComponentToText(a), Written(kFormA));
    EXPECT_EQ(platform::WriteComponentToText(b), Written(kFormB));
    Unload(second);
    Unload(first);
    EXPECT_EQ(UnloadedCount(), 0);
  }
}

TEST_F(Forms, ReaderErrorsAndUnknownNames) {
  // An ident where the grammar needs a list is the reader's error.
  const std::string bad =
      "object Form1: TForm\n"
      "  object X: TTestComponent\n"
      "    OutputPin.SinkPins = Form1.Y.InputPin\n"
      "  end\n"
      "end\n";
  EXPECT_THROW(Load(bad, "Form1"), platform::EReadError);
  EXPECT_EQ(UnloadedCount(), 0);

  // A name that no loaded pin bears becomes a placeholder, never an error.
  const std::string unknown =
      "object Form1: TForm\n"
      "  object Y: TTestComponent\n"
      "    InputPin.Form = Form1\n"
      "    InputPin.SourcePin = Form9.Nothing.OutputPin\n"
      "  end\n"
      "end\n";
  TForm* form = Load(unknown, "Form1");
  EXPECT_EQ(UnloadedCount(), 1);
  auto* y = Find<TTestComponent>(form, "Y");
  ASSERT_TRUE(IsPlaceholder(y->In()->GetSourcePin()));
  EXPECT_EQ(platform::WriteComponentToText(form), Written(unknown));
  Unload(form);
  EXPECT_EQ(UnloadedCount(), 0) << "a placeholder without links removes itself";
}

TEST_F(Forms, SourcePinAndSinkPinsWithAfterPinsAndDisplayNames) {
  const std::string text =
      "object Form1: TForm\n"
      "  object X: TTestComponent\n"
      "    OutputPin.Form = Form1\n"
      "    OutputPin.SinkPins = (\n"
      "      Form1.A.InputPin\n"
      "      (\n"
      "        Form1.B.InputPin\n"
      "        Form1.A.InputPin))\n"
      "  end\n"
      "  object A: TTestComponent\n"
      "    InputPin.Form = Form1\n"
      "    InputPin.SourcePin = Form1.X.OutputPin\n"
      "  end\n"
      "  object B: TTestComponent\n"
      "    InputPin.Form = Form1\n"
      "    InputPin.SourcePin = (\n"
      "      (\n"
      "        Form1.X.OutputPin\n"
      "        Form1.A.InputPin))\n"
      "  end\n"
      "end\n";
  TForm* form = Load(text, "Form1");
  auto* x = Find<TTestComponent>(form, "X");
  auto* a = Find<TTestComponent>(form, "A");
  auto* b = Find<TTestComponent>(form, "B");
  EXPECT_EQ(UnloadedCount(), 0);
  EXPECT_EQ(x->Out()->GetNotifyAfterPin(b->In()), a->In());
  EXPECT_EQ(platform::WriteComponentToText(form), Written(text));
}

class TStateText {
 public:
  static std::string Form(const char* name, const char* body) {
    return std::string("object ") + name + ": TForm\n" + body + "end\n";
  }
};

TEST_F(Forms, StateIsAStringWithinOneFormAndAListAcrossForms) {
  TForm* form1 = Load(TStateText::Form("Form1",
                                       "  object A: TTestComponent\n"
                                       "  end\n"
                                       "  object B: TTestComponent\n"
                                       "  end\n"),
                      "Form1");
  auto* a = Find<TTestComponent>(form1, "A");
  auto* b = Find<TTestComponent>(form1, "B");
  a->In()->JoinStateByName("Form1Link1");
  b->In()->JoinStateByName("Form1Link1");
  std::string text = platform::WriteComponentToText(form1);
  EXPECT_TRUE(Contains(text, "    InputPin.Form = Form1\n    InputPin.State = 'Form1Link1'\n")) << text;

  // A member on another form: the first pin of each form writes the other form's members.
  TForm* form2 = Load(TStateText::Form("Form2",
                                       "  object C: TTestComponent\n"
                                       "  end\n"),
                      "Form2");
  auto* c = Find<TTestComponent>(form2, "C");
  c->In()->JoinStateByName("Form1Link1");
  text = platform::WriteComponentToText(form1);
  EXPECT_TRUE(Contains(text,
                       "  object A: TTestComponent\n"
                       "    InputPin.Form = Form1\n"
                       "    InputPin.State = (\n"
                       "      'Form1Link1'\n"
                       "      Form2.C.InputPin)\n"))
      << text;
  EXPECT_TRUE(Contains(text, "  object B: TTestComponent\n"
                             "    InputPin.Form = Form1\n"
                             "    InputPin.State = 'Form1Link1'\n"))
      << text;
  std::string text2 = platform::WriteComponentToText(form2);
  EXPECT_TRUE(Contains(text2, "    InputPin.State = (\n"
                              "      'Form1Link1'\n"
                              "      Form1.A.InputPin\n"
                              "      Form1.B.InputPin)\n"))
      << text2;

  // Read back, the members join the link of that name again.
  Unload(form2);
  Unload(form1);
  EXPECT_EQ(TPNNamedStateDispatcher::GetByName("Form1Link1", false), nullptr);
  form1 = Load(text, "Form1");
  form2 = Load(text2, "Form2");
  auto* link = TPNNamedStateDispatcher::GetByName("Form1Link1", false);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->GetPinCount(), 3);
  EXPECT_EQ(platform::WriteComponentToText(form1), text);
}

TEST_F(Forms, PinListValuesNameItemsByIndexAndWaitForTheirPins) {
  const std::string text =
      "object Form1: TForm\n"
      "  object S: TTestComponent\n"
      "  end\n"
      "  object L: TSinkListComponent\n"
      "    Sinks.Form = Form1\n"
      "    Sinks.Pins = (\n"
      "      nil\n"
      "      nil\n"
      "      nil\n"
      "      Form1.S.OutputPin)\n"
      "  end\n"
      "end\n";
  TForm* form = Load(text, "Form1");
  auto* s = Find<TTestComponent>(form, "S");
  auto* l = Find<TSinkListComponent>(form, "L");
  TPNPinList* list = l->Sinks();
  ASSERT_EQ(list->EntryCount(), 4);
  for (int32_t i = 0; i < 4; ++i)
    EXPECT_EQ(list->EntryAt(i)->GetFullIdentName(true), "Form1.L.Sinks._Pin" + std::to_string(i));
  EXPECT_TRUE(s->Out()->IsConnectedTo(list->EntryAt(3)));
  // The owner has finished loading: the first access drops the placeholders.
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(UnloadedCount(), 0);
  EXPECT_EQ(s->Out()->GetSinkCount(), 0);
}

TEST_F(Forms, PinListItemsCreatedByTheirOwnerAreLinkedAndWrittenBack) {
  const std::string text =
      "object Form1: TForm\n"
      "  object S: TTestComponent\n"
      "    OutputPin.Form = Form1\n"
      "    OutputPin.SinkPins = (\n"
      "      (\n"
      "        Form1.L.Sinks._Pin1\n"
      "        'Form1.L.Sinks.Pin [1]'))\n"
      "  end\n"
      "  object L: TSinkListComponent\n"
      "    SinkCount = 2\n"
      "    Sinks.Count = 2\n"
      "    Sinks.Form = Form1\n"
      "    Sinks.Pins = (\n"
      "      nil\n"
      "      Form1.S.OutputPin)\n"
      "  end\n"
      "end\n";
  TForm* form = Load(text, "Form1");
  auto* s = Find<TTestComponent>(form, "S");
  auto* l = Find<TSinkListComponent>(form, "L");
  EXPECT_EQ(UnloadedCount(), 0);
  ASSERT_EQ(l->Sinks()->Count(), 2);
  EXPECT_EQ(s->Out()->GetSinkCount(), 1);
  EXPECT_EQ(s->Out()->GetSink(0), l->Sinks()->GetItem(1));
  EXPECT_EQ(platform::WriteComponentToText(form), Written(text));

  // Read beside it under another name, the list links the pins of its own form.
  TForm* form2 = Load(text, "Form2");
  auto* s2 = Find<TTestComponent>(form2, "S");
  auto* l2 = Find<TSinkListComponent>(form2, "L");
  EXPECT_EQ(UnloadedCount(), 0);
  ASSERT_EQ(s2->Out()->GetSinkCount(), 1);
  EXPECT_EQ(s2->Out()->GetSink(0), l2->Sinks()->GetItem(1));
  EXPECT_EQ(l2->Sinks()->GetItem(1)->GetConnectedPin(0), s2->Out());
  EXPECT_EQ(s->Out()->GetSinkCount(), 1);
}

// A pin list writes "Form" always, also without links and without an owner of its own (it
// then names the form being written).
TEST_F(Forms, APinListWritesItsFormAlways) {
  TForm* form = Load("object Form1: TForm\nend\n", "Form1");
  auto* owned = New<TSinkListComponent>(form);
  owned->SetName("L");
  auto* ownerless = New<TSinkListComponent>(form);
  ownerless->SetName("M");
  platform::FreeAndNil(ownerless->FSinks);
  ownerless->FSinks = TPNPinList::Create(nullptr, true);
  const std::string text = platform::WriteComponentToText(form);
  for (const char* name : {"L", "M"})
    EXPECT_TRUE(Contains(text, std::string("  object ") + name +
                                   ": TSinkListComponent\n"
                                   "    Sinks.Count = 0\n"
                                   "    Sinks.Form = Form1\n"))
        << text;
}

TEST_F(Forms, ComponentBasesStartAfterLoadingAndKeepZeroFloats) {
  const std::string text =
      "object Form1: TForm\n"
      "  object G: TGainComponent\n"
      "    Gain = 0.500000000000000000\n"
      "  end\n"
      "end\n";
  TForm* form = Load(text, "Form1");
  auto* g = Find<cbtest::TGainComponent>(form, "G");
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->InitCount, 1) << "once, after Loaded";
  EXPECT_EQ(g->FGain, 0.5);

  g->FGain = 0.0;
  g->Settings()->FThreshold = 0.0;
  const std::string written = platform::WriteComponentToText(form);
  EXPECT_TRUE(Contains(written, "_Floats = (\n      (\n        Gain\n        0.000000000000000000))")) << written;
  EXPECT_TRUE(Contains(written, "Settings._Floats = (")) << written;
  Unload(form);
  form = Load(written, "Form1");
  g = Find<cbtest::TGainComponent>(form, "G");
  EXPECT_EQ(g->FGain, 0.0) << "over the non-zero default";
  EXPECT_EQ(g->Settings()->FThreshold, 0.0);
  EXPECT_EQ(g->InitCount, 1);

  // Entries naming properties the class lacks are skipped; the rest still apply.
  const std::string stale =
      "object Form1: TForm\n"
      "  object G: TGainComponent\n"
      "    _Floats = ((Vanished 0.0) (Gain 0.0))\n"
      "  end\n"
      "end\n";
  Unload(form);
  form = Load(stale, "Form1");
  EXPECT_EQ(Find<cbtest::TGainComponent>(form, "G")->FGain, 0.0);
}

}  // namespace
}  // namespace pinstest
