#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/platform/StreamingFixture.h"

namespace streamtest {

// ---- The test classes -------------------------------------------------------------------------

void TLinkPin::DefineProperties(TFiler* filer) {
  TPersistent::DefineProperties(filer);
  filer->DefineProperty(
      "Form",
      [this](TReader* r) {
        LoadFormName = r->ReadIdent();
        RootNameWhileReading = r->Root()->Name();
        SawLoading = Owner->ComponentState().Contains(csLoading);
      },
      [](TWriter* w) { w->WriteIdent(w->Root()->Name()); }, !Sinks.empty() || !Source.empty());
  filer->DefineProperty(
      "SinkPins",
      [this](TReader* r) {
        r->ReadListBegin();
        while (!r->EndOfList()) {
          std::string name = r->ReadIdent();
          if (!LoadFormName.empty() && name.rfind(LoadFormName + ".", 0) == 0)
            name = r->Root()->Name() + name.substr(LoadFormName.size());
          Sinks.push_back(name);
        }
        r->ReadListEnd();
      },
      [this](TWriter* w) {
        w->WriteListBegin();
        for (const std::string& s : Sinks) w->WriteIdent(s);
        w->WriteListEnd();
      },
      !Sinks.empty());
  filer->DefineProperty(
      "SourcePin", [this](TReader* r) { Source = r->ReadIdent(); },
      [this](TWriter* w) { w->WriteIdent(Source); }, !Source.empty());
}

TFilter::TFilter(TComponent* owner) : TComponent(owner) {
  Threshold = New<TThreshold>();
  OutputPin = New<TLinkPin>(this);
  InputPin = New<TLinkPin>(this);
  Items = New<TCollection>(&TItem::StaticClass(), this);
}

void TFilter::Destroy() {
  TComponent::Destroy();
  FreeAndNil(Threshold);
  FreeAndNil(OutputPin);
  FreeAndNil(InputPin);
  FreeAndNil(Items);
}

void TFilter::SetPeer(TFilter* p) {
  if (Peer) Peer->RemoveFreeNotification(this);
  Peer = p;
  if (p) p->FreeNotification(this);
}

void TFilter::Loaded() {
  TComponent::Loaded();
  ++LoadedCalls;
  PeerSetWhenLoaded = Peer != nullptr;
}

void TFilter::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == Peer) Peer = nullptr;
}

void TFilter::DefineProperties(TFiler* filer) {
  TComponent::DefineProperties(filer);
  // A faulty reader that stops after the list start.
  filer->DefineProperty(
      "Short", [](TReader* r) { r->ReadListBegin(); }, nullptr, false);
  filer->DefineBinaryProperty(
      "Blob", [this](const std::string& data) { Blob = data; },
      [this](std::string& data) { data = Blob; }, !Blob.empty());
}

void TPanel::SetParentComponent(TComponent* parent) {
  if (auto* p = dynamic_cast<TPanel*>(parent)) {
    ParentPanel = p;
    p->Children.push_back(this);
  }
}

void TPanel::GetChildren(const TGetChildProc& proc, TComponent* root) {
  (void)root;
  for (TComponent* c : Children) proc(c);
}

void TPanel::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove) {
    std::erase(Children, component);
    if (component == ParentPanel) ParentPanel = nullptr;
  }
}

void TPanel::Destroy() {
  if (ParentPanel) std::erase(ParentPanel->Children, static_cast<TComponent*>(this));
  for (TComponent* c : Children)
    if (auto* p = dynamic_cast<TPanel*>(c)) p->ParentPanel = nullptr;
  TComponent::Destroy();
}

void TTestForm::FormCreate(TObject* sender) {
  (void)sender;
  Calls.push_back("FormCreate");
}
void TTestForm::Detect(TObject* sender) {
  Calls.push_back(std::string("Detect ") + static_cast<TComponent*>(sender)->Name());
}
void TTestForm::Fail(TObject* sender) {
  (void)sender;
  throw EConvertError("picture missing");
}
void TTestForm::Other(TObject* sender, int value) {
  (void)sender;
  (void)value;
}

namespace {

void DescribeTThreshold(TClassInfo& info) {
  TPublisher<TThreshold> p(info);
  p.Property("High", &TThreshold::High);
  p.Property("Accumulator", &TThreshold::Accumulator);
}

void DescribeTItem(TClassInfo& info) {
  TPublisher<TItem> p(info);
  p.Property("Caption", &TItem::Caption);
  p.Property("Value", &TItem::Value);
}

void DescribeTFilter(TClassInfo& info) {
  TPublisher<TFilter> p(info);
  p.Property("Threshold", &TFilter::GetThreshold, &TFilter::SetThreshold);
  p.Property("OutputPin", &TFilter::OutputPin, nullptr);
  p.Property("InputPin", &TFilter::InputPin, nullptr);
  p.Property("Resolution", &TFilter::Resolution);
  p.Property("MinRadius", &TFilter::MinRadius).Default(0);
  p.Enum("Mode", "TMode", {"mdFast", "mdExact", "mdCareful"}, &TFilter::Mode).Default(mdFast);
  p.Set("Options", "TOptions", {"xoA", "xoB", "xoC"}, &TFilter::Options).Default(TSet<TOption>{});
  p.Property("Caption", &TFilter::Caption);
  p.Property("Enabled", &TFilter::Enabled).Default(true);
  p.Property("Big", &TFilter::Big);
  p.Property("Gain", &TFilter::Gain);
  p.Property("Precise", &TFilter::Precise);
  p.Property("Secret", &TFilter::Secret).Stored(false);
  p.Property("OnDetect", &TFilter::OnDetect);
  p.Property("Peer", &TFilter::GetPeer, &TFilter::SetPeer);
  p.Property("Items", &TFilter::GetItems, nullptr);
}

void DescribeTPanel(TClassInfo& info) {
  TPublisher<TPanel> p(info);
  p.Property("Width", &TPanel::Width).Default(0);
}

void DescribeTTestForm(TClassInfo& info) {
  TPublisher<TTestForm> p(info);
  p.Field("Filter1", &TTestForm::Filter1);
  p.Field("Filter2", &TTestForm::Filter2);
  p.Field("Panel1", &TTestForm::Panel1);
  p.Method<&TTestForm::FormCreate>("FormCreate");
  p.Method<&TTestForm::Detect>("Detect");
  p.Method<&TTestForm::Other>("Other");
  p.Method<&TTestForm::Fail>("Fail");
}

}  // namespace

PF_DEFINE_CLASS_EX(TThreshold, TPersistent, nullptr, DescribeTThreshold)
PF_DEFINE_CLASS(TLinkPin, TPersistent)
PF_DEFINE_COLLECTION_ITEM(TItem, TCollectionItem, DescribeTItem)
PF_DEFINE_COMPONENT(TFilter, TComponent, DescribeTFilter)
PF_DEFINE_COMPONENT(TPanel, TComponent, DescribeTPanel)
PF_DEFINE_COMPONENT(TTestForm, TForm, DescribeTTestForm)

void RegisterTestClasses() {
  RegisterClass(&TFilter::StaticClass());
  RegisterClass(&TPanel::StaticClass());
  RegisterClass(&TTestForm::StaticClass());
}

const char* const kSampleForm = R"(object Form1: TTestForm
  Left = 100
  Top = 100
  Caption = 'Streaming Test'
  ClientHeight = 566
  ClientWidth = 685
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object Filter1: TFilter
    Threshold.High = 100.000000000000000000
    Threshold.Accumulator = 40.000000000000000000
    OutputPin.Form = Form1
    OutputPin.SinkPins = (
      Form1.Filter2.InputPin
      Form1.Filter3.InputPin)
    Resolution = 1.500000000000000000
    MinRadius = 4000000000
    Mode = mdExact
    Options = [xoA, xoC]
    Caption = 'It''s #1'#13#10'line two'
    Enabled = False
    Big = -1099511627776
    Gain = 0.500000000000000000s
    Precise = 0.100000000000000000
    OnDetect = Detect
    Peer = Filter2
    Items = <
      item
        Caption = 'first'
        Value = 7
      end
      item
        Value = -3
      end>
    Left = 16
    Top = 24
    Blob = {
      00FF10}
  end
  object Filter2: TFilter
    Threshold.High = 200.000000000000000000
    Threshold.Accumulator = 100.000000000000000000
    InputPin.Form = Form1
    InputPin.SinkPins = (
      Form1.Filter1.OutputPin)
    Resolution = 2.000000000000000000
    Peer = Filter1
  end
  object Panel1: TPanel
    Width = 200
    object Panel2: TPanel
      Width = 50
      object Panel3: TPanel
      end
    end
  end
  object Filter3: TFilter
    Threshold.High = 200.000000000000000000
    Threshold.Accumulator = 100.000000000000000000
    Resolution = 2.000000000000000000
  end
end
)";

}  // namespace streamtest

using namespace platform;
using namespace streamtest;

namespace {

class Streaming : public ::testing::Test {
 protected:
  void SetUp() override { RegisterTestClasses(); }

  // Reads a text into a new empty form; the form is freed by the fixture.
  TTestForm* Load(std::string_view text, const std::string* name = nullptr) {
    TTestForm* form = TTestForm::Empty();
    FForms.push_back(form);
    try {
      ReadComponentFromText(text, form, name);
    } catch (...) {
      FForms.pop_back();
      form->Free();
      throw;
    }
    return form;
  }

  void TearDown() override {
    for (TTestForm* f : FForms) f->Free();
  }

  std::vector<TTestForm*> FForms;
};

TEST_F(Streaming, SampleFormReadsEveryKindOfValue) {
  TTestForm* form = Load(kSampleForm);
  EXPECT_EQ(form->Name(), "Form1");
  EXPECT_EQ(form->Caption, "Streaming Test");
  EXPECT_EQ(form->Color, clBtnFace);
  EXPECT_EQ(form->Font()->Charset, DEFAULT_CHARSET);
  EXPECT_EQ(form->Font()->Height, -11);
  ASSERT_NE(form->Filter1, nullptr);
  ASSERT_NE(form->Filter2, nullptr);
  ASSERT_NE(form->Panel1, nullptr);
  TFilter* f1 = form->Filter1;
  EXPECT_EQ(f1->Threshold->High, 100.0);
  EXPECT_EQ(f1->Threshold->Accumulator, 40.0);
  EXPECT_EQ(f1->OutputPin->Sinks,
            (std::vector<std::string>{"Form1.Filter2.InputPin", "Form1.Filter3.InputPin"}));
  EXPECT_EQ(f1->Resolution, 1.5);
  EXPECT_EQ(f1->MinRadius, 4000000000u);
  EXPECT_EQ(f1->Mode, mdExact);
  EXPECT_EQ(f1->Options, (TSet<TOption>{xoA, xoC}));
  EXPECT_EQ(f1->Caption, "It's #1\r\nline two");
  EXPECT_FALSE(f1->Enabled);
  EXPECT_EQ(f1->Big, -(int64_t{1} << 40));
  EXPECT_EQ(f1->Gain, 0.5f);
  EXPECT_EQ(f1->Precise, 0.1L);
  EXPECT_EQ(f1->Peer, form->Filter2);
  EXPECT_EQ(form->Filter2->Peer, f1);
  ASSERT_EQ(f1->Items->Count(), 2);
  EXPECT_EQ(static_cast<TItem*>(f1->Items->Items(0))->Caption, "first");
  EXPECT_EQ(static_cast<TItem*>(f1->Items->Items(1))->Value, -3);
  EXPECT_EQ(f1->DesignLeft(), 16);
  EXPECT_EQ(f1->DesignTop(), 24);
  EXPECT_EQ(f1->Blob, std::string("\x00\xFF\x10", 3));

  // Events are bound to the root's published methods.
  ASSERT_TRUE(f1->OnDetect.Assigned());
  f1->OnDetect(f1);
  EXPECT_EQ(form->Calls, (std::vector<std::string>{"Detect Filter1"}));
  EXPECT_TRUE(form->OnCreate.Assigned());

  // Nested objects: owned by the form, children of their containers.
  TPanel* panel2 = dynamic_cast<TPanel*>(form->FindComponent("Panel2"));
  ASSERT_NE(panel2, nullptr);
  EXPECT_EQ(panel2->Owner(), form);
  EXPECT_EQ(panel2->ParentPanel, form->Panel1);
  auto* panel3 = dynamic_cast<TPanel*>(form->FindComponent("Panel3"));
  ASSERT_NE(panel3, nullptr);
  EXPECT_EQ(panel2->Children, (std::vector<TComponent*>{panel3}));
  EXPECT_EQ(panel3->ParentPanel, panel2);
  EXPECT_EQ(form->Panel1->Children, (std::vector<TComponent*>{panel2}));
  // A component that takes no parent (Filter3 is not a container's child) stays at the top.
  ASSERT_NE(form->FindComponent("Filter3"), nullptr);
  EXPECT_EQ(form->ComponentCount(), 6);
}

TEST_F(Streaming, LoadingStateAndLoadedComeAfterTheWholeTree) {
  TTestForm* form = Load(kSampleForm);
  // While the custom values were read, the component was loading.
  EXPECT_TRUE(form->Filter1->OutputPin->SawLoading);
  // Loaded ran once per component, after every reference was fixed up.
  for (const char* name : {"Filter1", "Filter2", "Filter3"}) {
    auto* f = static_cast<TFilter*>(form->FindComponent(name));
    EXPECT_EQ(f->LoadedCalls, 1) << name;
    EXPECT_FALSE(f->ComponentState().Contains(csLoading)) << name;
    EXPECT_FALSE(f->ComponentState().Contains(csReading)) << name;
  }
  EXPECT_TRUE(form->Filter1->PeerSetWhenLoaded);  // Filter2 came later in the text
  EXPECT_FALSE(form->ComponentState().Contains(csLoading));
}

TEST_F(Streaming, WriteThenReadGivesTheSameForm) {
  TTestForm* form = Load(kSampleForm);
  std::string written = WriteComponentToText(form);
  EXPECT_EQ(written, kSampleForm);
  // Read again while Form1 exists: the copy is named Form1_1, and the names it stored
  // relative to its form follow the new name.
  TTestForm* again = Load(written);
  EXPECT_EQ(again->Name(), "Form1_1");
  std::string rewritten = WriteComponentToText(again);
  for (size_t p; (p = rewritten.find("Form1_1")) != std::string::npos;)
    rewritten.replace(p, 7, "Form1");
  EXPECT_EQ(rewritten, written);
}

TEST_F(Streaming, WriterLeavesOutDefaultsAndUnstoredValues) {
  TTestForm* form = TTestForm::Empty();
  FForms.push_back(form);
  form->SetName("Form7");
  TFilter* f = New<TFilter>(form);
  f->SetName("F");
  f->Secret = 99;  // stored false
  f->Resolution = 0;
  f->Threshold->Accumulator = 0;
  TTestForm* other = TTestForm::Empty();
  FForms.push_back(other);
  f->OnDetect = TNotifyEvent::Bind<&TTestForm::Detect>(other);  // a method of another form
  f->Peer = f;
  std::string text = WriteComponentToText(form);
  std::string expected =
      "  object F: TFilter\n"
      "    Threshold.High = 200.000000000000000000\n"
      "    Peer = F\n"
      "  end\n";
  EXPECT_NE(text.find(expected), std::string::npos) << text;
  EXPECT_EQ(text.find("Secret"), std::string::npos);
  EXPECT_EQ(text.find("Visible"), std::string::npos);
}

TEST_F(Streaming, FormLoadedUnderAnotherNameRenamesItsOwnReferences) {
  const std::string name = "Form2";
  TTestForm* form = Load(kSampleForm, &name);
  EXPECT_EQ(form->Name(), "Form2");
  EXPECT_EQ(form->Filter1->OutputPin->LoadFormName, "Form1");
  EXPECT_EQ(form->Filter1->OutputPin->RootNameWhileReading, "Form2");
  EXPECT_EQ(form->Filter1->OutputPin->Sinks,
            (std::vector<std::string>{"Form2.Filter2.InputPin", "Form2.Filter3.InputPin"}));
  std::string written = WriteComponentToText(form);
  EXPECT_NE(written.find("object Form2: TTestForm"), std::string::npos);
  EXPECT_NE(written.find("OutputPin.Form = Form2"), std::string::npos);
}

TEST_F(Streaming, ReferencesToAFormNotYetLoadedAreSetWhenItLoads) {
  const char* textA =
      "object FormA: TTestForm\n  object Filter1: TFilter\n    Peer = FormB.Filter2\n  end\nend\n";
  const char* textB = "object FormB: TTestForm\n  object Filter2: TFilter\n  end\nend\n";
  TTestForm* formA = Load(textA);
  EXPECT_EQ(formA->Filter1->Peer, nullptr);
  TTestForm* formB = Load(textB);
  EXPECT_EQ(formA->Filter1->Peer, formB->Filter2);
  EXPECT_NE(WriteComponentToText(formA).find("    Peer = FormB.Filter2\n"), std::string::npos);
  // The reference goes with the other form.
  std::erase(FForms, formB);
  formB->Free();
  EXPECT_EQ(formA->Filter1->Peer, nullptr);

  // A waiting reference of a form that is freed first is forgotten with it.
  TTestForm* formA2 = Load(textA);
  std::erase(FForms, formA2);
  formA2->Free();
  TTestForm* formB2 = Load(textB);
  EXPECT_NE(formB2->Filter2, nullptr);
}

TEST_F(Streaming, ValuesRoundTripThroughTheTextExactly) {
  TTestForm* form = TTestForm::Empty();
  FForms.push_back(form);
  form->SetName("Form9");
  TFilter* f = New<TFilter>(form);
  f->SetName("F");
  const double doubles[] = {0.1,     1e-300, 123456789.123456789,
                            -2.5e17, 5e-324, 1.7976931348623157e308};
  const long double extendeds[] = {0.1L, 1e-4000L, 1.18973149535723176502e+4932L, 3.0L / 7.0L,
                                   -0.0L};
  std::string utf8 =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE2\x82\xAC \xF0\x9F\x98\x80 'q' \x01\x7F";
  std::string longText(300, 'x');
  longText[64] = '\'';
  longText[130] = '\n';
  for (double d : doubles)
    for (long double e : extendeds) {
      f->Resolution = d;
      f->Precise = e;
      f->Gain = static_cast<float>(d > 1e30 ? 3e38 : d);
      f->Caption = d == 0.1 ? utf8 : longText;
      std::string text = WriteComponentToText(form);
      TTestForm* copy = Load(text);
      auto* g = static_cast<TFilter*>(copy->FindComponent("F"));
      ASSERT_NE(g, nullptr);
      EXPECT_EQ(g->Resolution, d);
      if (e != 0) {
        EXPECT_EQ(g->Precise, e) << text;
      }
      EXPECT_EQ(g->Gain, f->Gain);
      EXPECT_EQ(g->Caption, f->Caption);
      FForms.pop_back();
      copy->Free();
    }
}

TEST_F(Streaming, TextConverterAcceptsTheGrammarVariants) {
  // Strings joined by '+', #codes (with a UTF-16 surrogate pair), hexadecimal integers,
  // upper-case keywords, idents for Booleans, extra blanks.
  const char* text =
      "OBJECT Form1 : TTestForm\n"
      "  Caption = 'a' +\n   'b'#65#$42 + #55357#56832\n"
      "  Tag = $10\n"
      "  OldCreateOrder = TRUE\n"
      "  OBJECT Filter1 : TFilter\n"
      "    Enabled = false\n"
      "    MinRadius = $FFFFFFFF\n"
      "    Resolution = 25E-1\n"
      "    Gain = 3s\n"
      "  END\n"
      "END";
  TTestForm* form = Load(text);
  EXPECT_EQ(form->Caption, "abAB\xF0\x9F\x98\x80");
  EXPECT_EQ(form->Tag(), 16);
  EXPECT_TRUE(form->OldCreateOrder);
  EXPECT_FALSE(form->Filter1->Enabled);
  EXPECT_EQ(form->Filter1->MinRadius, 0xFFFFFFFFu);
  EXPECT_EQ(form->Filter1->Resolution, 2.5);
  EXPECT_EQ(form->Filter1->Gain, 3.0f);
}

TEST_F(Streaming, TextAndStreamConvertBothWays) {
  // Every value kind in the writer's layout: the text survives text -> stream -> text.
  const std::string text =
      "object X: TSomething\n"
      "  A = (\n"
      "    1\n"
      "    -200\n"
      "    70000\n"
      "    -5000000000\n"
      "    'two'#9'tabs'\n"
      "    ()\n"
      "    (\n"
      "      Nested.Ident\n"
      "      nil\n"
      "      True\n"
      "      False)\n"
      "    [a, b]\n"
      "    []\n"
      "    1.250000000000000000\n"
      "    2.500000000000000000s\n"
      "    NAN\n"
      "    -INF\n"
      "    'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' +\n"
      "      'bb')\n"
      "  B = {\n"
      "    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\n"
      "    20}\n"
      "  C = <>\n"
      "  D = <\n"
      "    item\n"
      "      E = ''\n"
      "    end>\n"
      "  F = 'caf\xC3\xA9'\n"
      "  object Y: TOther\n"
      "  end\n"
      "  object TUnnamed\n"
      "  end\n"
      "end\n";
  std::string data = ObjectTextToBinary(text);
  EXPECT_EQ(ObjectBinaryToText(data), text);
  EXPECT_EQ(ObjectTextToBinary("\xEF\xBB\xBF" + text), data);
  EXPECT_EQ(ObjectTextToBinary(ObjectBinaryToText(data)), data);

  // Numbers outside what the stream holds are refused, in range ones kept exactly.
  EXPECT_THROW(ObjectTextToBinary("object X: T\n  A = -$8000000000000000\nend"), EParserError);
  EXPECT_THROW(ObjectTextToBinary("object X: T\n  A = 1e-99999\nend"), EParserError);
  EXPECT_THROW(ObjectTextToBinary("object X: T\n  A = 1e39s\nend"), EParserError);
  EXPECT_EQ(ObjectBinaryToText(ObjectTextToBinary("object X: T\n  A = -9223372036854775808\nend")),
            "object X: T\n  A = -9223372036854775808\nend\n");
  // Malformed streams are refused too.
  EXPECT_THROW(ObjectBinaryToText(data.substr(0, data.size() / 2)), EReadError);
  EXPECT_THROW(ObjectBinaryToText(data + "x"), EReadError);
  std::string broken = data;
  broken[broken.find("two") - 5] = 99;  // an unknown value kind
  EXPECT_THROW(ObjectBinaryToText(broken), EReadError);
}

TEST_F(Streaming, ReaderPrimitivesFollowTheValueKinds) {
  std::string data;
  {
    TWriter* w = New<TWriter>();
    w->WriteListBegin();
    w->WriteIdent("Alpha");
    w->WriteIdent("nil");
    w->WriteString("text");
    w->WriteInteger(-5);
    w->WriteInteger(70000);
    w->WriteInteger(int64_t{1} << 40);
    w->WriteFloat(1.25L);
    w->WriteBoolean(true);
    w->WriteListEnd();
    data = w->Data();
    w->Free();
  }
  TReader* r = New<TReader>(std::string_view(data));
  EXPECT_EQ(r->NextValue(), vaList);
  r->ReadListBegin();
  EXPECT_EQ(r->NextValue(), vaIdent);
  EXPECT_EQ(r->ReadIdent(), "Alpha");
  EXPECT_EQ(r->ReadIdent(), "nil");
  EXPECT_THROW(r->ReadIdent(), EReadError);  // a string, not an ident
  EXPECT_EQ(r->ReadString(), "text");
  EXPECT_EQ(r->ReadInteger(), -5);
  EXPECT_EQ(r->NextValue(), vaInt32);
  EXPECT_EQ(r->ReadInteger(), 70000);
  EXPECT_THROW(r->ReadInteger(), EReadError);  // too large for an Integer
  EXPECT_EQ(r->ReadInt64(), int64_t{1} << 40);
  EXPECT_EQ(r->ReadFloat(), 1.25L);
  EXPECT_THROW(r->ReadListEnd(), EReadError);
  EXPECT_TRUE(r->ReadBoolean());
  EXPECT_TRUE(r->EndOfList());
  r->ReadListEnd();
  EXPECT_THROW(r->NextValue(), EReadError);  // nothing left
  r->Free();

  // A custom value that is not one value cannot be written.
  TWriter* w = New<TWriter>();
  EXPECT_THROW(w->DefineProperty(
                   "X", nullptr, [](TWriter* wr) { wr->WriteListBegin(); }, true),
               EWriteError);
  EXPECT_THROW(w->WriteIdent("not an ident"), EWriteError);
  w->Free();
}

struct ErrorCase {
  const char* name;
  const char* text;
  const char* message;  // expected message (prefix match)
  bool classNotFound;
};

TEST_F(Streaming, MalformedFormsRaiseReadErrors) {
  const ErrorCase cases[] = {
      {"empty", "", "'object' expected on line 1", false},
      {"truncated header", "object Form1:", "Identifier expected on line 1", false},
      {"missing end", "object Form1: TTestForm\n  Caption = 'x'\n", "'end' expected on line 3",
       false},
      {"unterminated string", "object Form1: TTestForm\n  Caption = 'abc\nend",
       "Unterminated string on line 2", false},
      {"unbalanced list", "object Form1: TTestForm\n  Filter1.X = (a b\nend",
       "Value expected on line 3", false},
      {"missing =", "object Form1: TTestForm\n  Caption 'x'\nend", "'=' expected on line 2", false},
      {"text after end", "object Form1: TTestForm\nend\nend",
       "Text after the end of the form on line 3", false},
      {"huge integer", "object Form1: TTestForm\n  Tag = 99999999999999999999\nend",
       "Number out of range on line 2", false},
      {"huge float", "object Form1: TTestForm\n  Tag = 1e99999\nend",
       "Number out of range on line 2", false},
      {"bad char code", "object Form1: TTestForm\n  Caption = #1114112\nend",
       "Invalid character code on line 2", false},
      {"lone surrogate", "object Form1: TTestForm\n  Caption = #55357'x'\nend",
       "Invalid character code on line 2", false},
      {"odd binary", "object Form1: TTestForm\n  X = {ABC}\nend", "Invalid binary value on line 2",
       false},
      {"unknown property", "object Form1: TTestForm\n  Nothing = 1\nend",
       "Error reading Form1.Nothing: Property Nothing does not exist", false},
      {"unknown path", "object Form1: TTestForm\n  Font.Nothing.Deeper = 1\nend",
       "Error reading Form1.Font.Nothing.Deeper: Property Nothing does not exist", false},
      {"wrong kind", "object Form1: TTestForm\n  Caption = 12\nend",
       "Error reading Form1.Caption: Invalid property value", false},
      {"integer out of range", "object Form1: TTestForm\n  Tag = 3000000000\nend",
       "Error reading Form1.Tag: Invalid property value", false},
      {"unknown enum",
       "object Form1: TTestForm\n  object F: TFilter\n    Mode = mdNone\n  end\nend",
       "Error reading F.Mode: Invalid property value", false},
      {"unknown set element", "object Form1: TTestForm\n  Font.Style = [fsBold, fsBlink]\nend",
       "Error reading Form1.Font.Style: Invalid property value", false},
      {"cardinal overflow",
       "object Form1: TTestForm\n  object F: TFilter\n    MinRadius = 5000000000\n  end\nend",
       "Error reading F.MinRadius: Invalid property value", false},
      {"byte overflow", "object Form1: TTestForm\n  Font.Charset = 256\nend",
       "Error reading Form1.Font.Charset: Invalid property value", false},
      {"double overflow",
       "object Form1: TTestForm\n  object F: TFilter\n    Resolution = 1e400\n  end\nend",
       "Error reading F.Resolution: Invalid property value", false},
      {"unknown method", "object Form1: TTestForm\n  OnCreate = Missing\nend",
       "Error reading Form1.OnCreate: Method Missing not found", false},
      {"method of another signature", "object Form1: TTestForm\n  OnCreate = Other\nend",
       "Error reading Form1.OnCreate: Method Other does not match the parameter list of OnCreate",
       false},
      {"read-only property",
       "object Form1: TTestForm\n  object F: TFilter\n    Items = 3\n  end\nend",
       "Error reading F.Items: Invalid property value", false},
      {"custom value of wrong kind",
       "object Form1: TTestForm\n  object F: TFilter\n    OutputPin.SinkPins = Form1\n  end\nend",
       "Error reading F.OutputPin.SinkPins: Invalid property value", false},
      {"custom value read short",
       "object Form1: TTestForm\n  object F: TFilter\n    OutputPin.Form = (Form1)\n  end\nend",
       "Error reading F.OutputPin.Form: Invalid property value", false},
      {"custom value read only in part",
       "object Form1: TTestForm\n  object F: TFilter\n    Short = (a b)\n  end\nend",
       "Error reading F.Short: The value of Short was not read to its end", false},
      {"duplicate name",
       "object Form1: TTestForm\n  object F: TFilter\n  end\n  object f: TFilter\n  end\nend",
       "Error reading f: A component named f already exists", false},
      {"field of another class", "object Form1: TTestForm\n  object Filter1: TPanel\n  end\nend",
       "Error reading Filter1: Filter1: a TPanel is not a TFilter", false},
      {"unknown class", "object Form1: TTestForm\n  object X: TNoSuchClass\n  end\nend",
       "Class TNoSuchClass not found", true},
      {"not a component class", "object Form1: TTestForm\n  object X: TObject\n  end\nend",
       "Class TObject is not a component class", false},
  };
  RegisterClass(&TObject::StaticClass());
  for (const ErrorCase& c : cases) {
    try {
      Load(c.text);
      ADD_FAILURE() << c.name << ": no error";
      FForms.back()->Free();
      FForms.pop_back();
    } catch (const EClassNotFound& e) {
      EXPECT_TRUE(c.classNotFound) << c.name << ": " << e.what();
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << c.name << ": " << e.what();
    } catch (const EReadError& e) {
      EXPECT_FALSE(c.classNotFound) << c.name << ": " << e.what();
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << c.name << ": " << e.what();
    }
  }
  UnRegisterClass(&TObject::StaticClass());
}

TEST_F(Streaming, AFailedReadLeavesNoComponentLoading) {
  TTestForm* form = TTestForm::Empty();
  FForms.push_back(form);
  const char* text =
      "object Form1: TTestForm\n  object A: TFilter\n  end\n  object B: TFilter\n    Mode = 7\n  "
      "end\nend";
  EXPECT_THROW(ReadComponentFromText(text, form), EReadError);
  EXPECT_FALSE(form->ComponentState().Contains(csLoading));
  ASSERT_NE(form->FindComponent("A"), nullptr);
  EXPECT_FALSE(form->FindComponent("A")->ComponentState().Contains(csLoading));
  EXPECT_EQ(form->FindComponent("B"), nullptr);  // the failing component is freed
}

TEST_F(Streaming, DeepNestingIsRefusedNotFollowed) {
  std::string deepList = "object Form1: TTestForm\n  X = " + std::string(100000, '(') + "\nend";
  EXPECT_THROW(Load(deepList), EReadError);
  std::string deepObjects;
  for (int i = 0; i < 5000; ++i) deepObjects += "object P" + std::to_string(i) + ": TPanel\n";
  EXPECT_THROW(Load(deepObjects), EReadError);
}

// A deterministic mutator over the sample form: every mutation must load or fail with a
// reader error, never crash, hang or raise anything else.
TEST_F(Streaming, FuzzedFormsFailCleanly) {
  const std::string sample = kSampleForm;
  const char* pieces[] = {"(",      ")",     "[",       "]",       "<",      ">",
                          "{",      "}",     "'",       "''",      "#",      "#13",
                          "+",      "=",     ".",       ",",       ":",      "-",
                          "$",      "0",     "9",       "1e",      "e4932",  "s",
                          " ",      "\n",    "end",     "object",  "item",   "nil",
                          "True",   "Form1", "Filter1", "TFilter", "TPanel", "99999999999999999999",
                          "#$D800", "1.5",   "x"};
  std::mt19937 random(20261210);
  int loaded = 0, failed = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text = sample;
    int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e) {
      size_t pos = random() % text.size();
      switch (random() % 5) {
        case 0:
          text.erase(pos, 1 + random() % 20);
          break;
        case 1:
          text.insert(pos, pieces[random() % std::size(pieces)]);
          break;
        case 2:
          text[pos] = static_cast<char>(random() % 256);
          break;
        case 3:
          text.resize(pos);
          break;
        case 4: {
          size_t len = random() % 40;
          text.insert(random() % text.size(), text.substr(pos, len));
          break;
        }
      }
    }
    try {
      TTestForm* form = Load(text);
      ++loaded;
      // Whatever was read is written (or refused as a whole) and read again.
      std::string written;
      try {
        written = WriteComponentToText(form);
      } catch (const EWriteError&) {
      }
      if (!written.empty()) {
        try {
          Load(written);
        } catch (const std::exception& e) {
          ADD_FAILURE() << "a written form does not read back: " << e.what() << "\n" << written;
        }
      }
    } catch (const EReadError&) {
      ++failed;
    } catch (const EClassNotFound&) {
      ++failed;
    }
    for (TTestForm* f : FForms) f->Free();
    FForms.clear();
  }
  EXPECT_GT(loaded, 200);
  EXPECT_GT(failed, 10000);
}

}  // namespace
