#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Messages.h"
#include "tests/platform/StreamingFixture.h"

using namespace platform;
using namespace streamtest;

namespace {

// A form class without a form resource.
class TBareForm : public TForm {
  PF_CLASS(TBareForm)
  PF_ALLOW_NEW;

 protected:
  explicit TBareForm(TComponent* owner) : TForm(owner) {}
};
PF_DEFINE_COMPONENT(TBareForm, TForm, nullptr)

// Stand-ins for the demo window's processing components (its image and button are the
// platform's controls), publishing what its form resource sets.
class TGenericFilter : public TComponent {
  PF_CLASS(TGenericFilter)
  PF_ALLOW_NEW;

 public:
  TLinkPin* OutputPin = nullptr;

 protected:
  explicit TGenericFilter(TComponent* owner) : TComponent(owner), OutputPin(New<TLinkPin>(this)) {}
  void Destroy() override {
    TComponent::Destroy();
    FreeAndNil(OutputPin);
  }
};
void DescribeTGenericFilter(TClassInfo& info) {
  TPublisher<TGenericFilter> p(info);
  p.Property("OutputPin", &TGenericFilter::OutputPin, nullptr);
}
PF_DEFINE_COMPONENT(TGenericFilter, TComponent, DescribeTGenericFilter)

class TCircles : public TComponent {
  PF_CLASS(TCircles)
  PF_ALLOW_NEW;

 public:
  TLinkPin* InputPin = nullptr;
  TThreshold* Threshold = nullptr;
  double Resolution = 2.0, MinDistance = 50.0;
  uint32_t MinRadius = 0, MaxRadius = 0;
  TNotifyEvent OnCirclesDetect;

 protected:
  explicit TCircles(TComponent* owner)
      : TComponent(owner), InputPin(New<TLinkPin>(this)), Threshold(New<TThreshold>()) {}
  void Destroy() override {
    TComponent::Destroy();
    FreeAndNil(InputPin);
    FreeAndNil(Threshold);
  }
};
void DescribeTCircles(TClassInfo& info) {
  TPublisher<TCircles> p(info);
  p.Property("InputPin", &TCircles::InputPin, nullptr);
  p.Property("Threshold", &TCircles::Threshold, nullptr);
  p.Property("Resolution", &TCircles::Resolution);
  p.Property("MinDistance", &TCircles::MinDistance);
  p.Property("MinRadius", &TCircles::MinRadius);
  p.Property("MaxRadius", &TCircles::MaxRadius);
  p.Property("OnCirclesDetect", &TCircles::OnCirclesDetect);
}
PF_DEFINE_COMPONENT(TCircles, TComponent, DescribeTCircles)

class TDemoForm : public TForm {
  PF_CLASS(TDemoForm)
  PF_ALLOW_NEW;

 public:
  TImage* Image1 = nullptr;
  TButton* Button1 = nullptr;
  TGenericFilter* PXGenericFilter1 = nullptr;
  TCircles* PXHoughCircles1 = nullptr;
  std::vector<std::string> Calls;
  void FormCreate(TObject*) { Calls.push_back("FormCreate"); }
  void Button1Click(TObject*) { Calls.push_back("Button1Click"); }
  void PXHoughCircles1CirclesDetect(TObject*) { Calls.push_back("CirclesDetect"); }

 protected:
  explicit TDemoForm(TComponent* owner) : TForm(owner) {}
};
void DescribeTDemoForm(TClassInfo& info) {
  TPublisher<TDemoForm> p(info);
  p.Field("Image1", &TDemoForm::Image1);
  p.Field("Button1", &TDemoForm::Button1);
  p.Field("PXGenericFilter1", &TDemoForm::PXGenericFilter1);
  p.Field("PXHoughCircles1", &TDemoForm::PXHoughCircles1);
  p.Method<&TDemoForm::FormCreate>("FormCreate");
  p.Method<&TDemoForm::Button1Click>("Button1Click");
  p.Method<&TDemoForm::PXHoughCircles1CirclesDetect>("PXHoughCircles1CirclesDetect");
}
PF_DEFINE_COMPONENT(TDemoForm, TForm, DescribeTDemoForm)

// The demo window's form, in the writer's layout.
const char* const kDemoForm = R"(object Form1: TDemoForm
  Left = 100
  Top = 100
  Caption = 'HoughCircles Demo'
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
  object Image1: TImage
    Left = 8
    Top = 8
    Width = 580
    Height = 550
    AutoSize = True
  end
  object Button1: TButton
    Left = 600
    Top = 16
    Width = 75
    Height = 25
    Caption = 'Process'
    TabOrder = 0
    OnClick = Button1Click
  end
  object PXGenericFilter1: TGenericFilter
    OutputPin.Form = Form1
    OutputPin.SinkPins = (
      Form1.PXHoughCircles1.InputPin)
    Left = 16
    Top = 16
  end
  object PXHoughCircles1: TCircles
    InputPin.Form = Form1
    InputPin.SourcePin = Form1.PXGenericFilter1.OutputPin
    Threshold.High = 100.000000000000000000
    Threshold.Accumulator = 40.000000000000000000
    Resolution = 1.000000000000000000
    MinDistance = 50.000000000000000000
    MinRadius = 0
    MaxRadius = 0
    OnCirclesDetect = PXHoughCircles1CirclesDetect
    Left = 56
    Top = 16
  end
end
)";

std::vector<std::string> g_reported;

struct TReporter {
  void Report(TObject* sender, const std::exception& e) {
    g_reported.push_back(std::string(sender ? sender->ClassName() : "nil") + ": " + e.what());
  }
} g_reporter;

struct TRaiser {
  void Raise(TMessage& message) {
    (void)message;
    throw EConvertError("raised in a message");
  }
} g_raiser;

class Forms : public ::testing::Test {
 protected:
  void SetUp() override {
    static const TUnit units[] = {FormsUnit};
    RunUnitInitialization(units);
    RegisterTestClasses();
    RegisterFormResource("TTestForm", kSampleForm);
    g_reported.clear();
    Application->OnException = TExceptionEvent::Bind<&TReporter::Report>(&g_reporter);
  }
  void TearDown() override {
    UnregisterFormResource("TTestForm");
    Application->OnException = nullptr;
    Application->DestroyComponents();
  }
};

TEST_F(Forms, CreatingAFormReadsItsResourceThenRunsOnCreate) {
  TTestForm* form = nullptr;
  Application->CreateForm(form);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(Application->MainForm(), form);
  EXPECT_EQ(form->Owner(), Application);
  EXPECT_EQ(form->Name(), "Form1");
  ASSERT_NE(form->Filter1, nullptr);
  EXPECT_EQ(form->Filter1->Threshold->High, 100.0);
  EXPECT_EQ(form->Calls, (std::vector<std::string>{"FormCreate"}));
  EXPECT_EQ(form->Filter1->LoadedCalls, 1);
  EXPECT_EQ(FindGlobalComponent("form1"), form);
  ASSERT_EQ(Screen->FormCount(), 1);
  EXPECT_EQ(Screen->Forms(0), form);

  // A second form of the class gets a name of its own, and its links follow it.
  TTestForm* second = nullptr;
  Application->CreateForm(second);
  EXPECT_EQ(second->Name(), "Form1_1");
  EXPECT_EQ(second->Filter1->OutputPin->Sinks[0], "Form1_1.Filter2.InputPin");
  EXPECT_EQ(Application->MainForm(), form);
  EXPECT_EQ(Screen->FormCount(), 2);

  form->Free();
  EXPECT_EQ(Application->MainForm(), nullptr);
  EXPECT_EQ(Screen->FormCount(), 1);
  EXPECT_EQ(FindGlobalComponent("Form1"), nullptr);
}

TEST_F(Forms, TheDemoWindowsFormLoadsAndWritesBackUnchanged) {
  for (TClass c : {&TImage::StaticClass(), &TButton::StaticClass(), &TGenericFilter::StaticClass(),
                   &TCircles::StaticClass()})
    RegisterClass(c);
  RegisterFormResource("TDemoForm", kDemoForm);
  TDemoForm* form = nullptr;
  Application->CreateForm(form);
  EXPECT_EQ(form->Calls, (std::vector<std::string>{"FormCreate"}));
  EXPECT_EQ(form->Caption, "HoughCircles Demo");
  EXPECT_EQ(form->ClientWidth, 685);
  ASSERT_NE(form->Image1, nullptr);
  EXPECT_TRUE(form->Image1->AutoSize);
  ASSERT_NE(form->Button1, nullptr);
  EXPECT_EQ(form->Button1->Caption, "Process");
  form->Button1->OnClick(form->Button1);
  ASSERT_NE(form->PXHoughCircles1, nullptr);
  form->PXHoughCircles1->OnCirclesDetect(form->PXHoughCircles1);
  EXPECT_EQ(form->Calls, (std::vector<std::string>{"FormCreate", "Button1Click", "CirclesDetect"}));
  EXPECT_EQ(form->PXGenericFilter1->OutputPin->Sinks,
            (std::vector<std::string>{"Form1.PXHoughCircles1.InputPin"}));
  EXPECT_EQ(form->PXHoughCircles1->InputPin->Source, "Form1.PXGenericFilter1.OutputPin");
  EXPECT_EQ(form->PXHoughCircles1->Threshold->High, 100.0);
  EXPECT_EQ(form->PXHoughCircles1->Resolution, 1.0);
  EXPECT_EQ(form->PXHoughCircles1->DesignLeft(), 56);
  EXPECT_EQ(WriteComponentToText(form), kDemoForm);
  UnregisterFormResource("TDemoForm");
}

TEST_F(Forms, FormsByClassReferenceAndWithoutResource) {
  TForm* form = Application->CreateForm(&TTestForm::StaticClass());
  EXPECT_STREQ(form->ClassName(), "TTestForm");
  EXPECT_THROW(Application->CreateForm(&TFilter::StaticClass()), EComponentError);
  try {
    TBareForm* bare = nullptr;
    Application->CreateForm(bare);
    FAIL();
  } catch (const EResNotFound& e) {
    EXPECT_STREQ(e.what(), "Resource TBareForm not found");
  }
  EXPECT_EQ(Screen->FormCount(), 1);  // the failed form is gone again
  TForm* plain = TForm::CreateNew(nullptr);
  EXPECT_EQ(plain->ComponentCount(), 0);
  EXPECT_EQ(plain->Color, clBtnFace);
  plain->Free();
}

TEST_F(Forms, AnExceptionInOnCreateIsReportedAndTheFormStays) {
  UnregisterFormResource("TTestForm");
  RegisterFormResource("TTestForm", "object Form1: TTestForm\n  OnCreate = Fail\nend\n");
  TTestForm* form = New<TTestForm>(nullptr);
  EXPECT_EQ(g_reported, (std::vector<std::string>{"TTestForm: picture missing"}));
  EXPECT_EQ(Screen->FormCount(), 1);
  form->Free();

  // A resource that fails to read fails the construction.
  RegisterFormResource("TTestForm", "object Form1: TTestForm\n  Nothing = 1\nend\n");
  EXPECT_THROW(New<TTestForm>(nullptr), EReadError);
  EXPECT_EQ(Screen->FormCount(), 0);
}

TEST_F(Forms, HandleExceptionReportsTheCurrentException) {
  try {
    throw EConvertError("bad value");
  } catch (...) {
    Application->HandleException(Application);
  }
  try {
    throw EAbort("silent");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  EXPECT_EQ(g_reported, (std::vector<std::string>{"TApplication: bad value"}));

  // The message loop hands what a window procedure raises to the application.
  HWND window = AllocateHWnd(TWndMethod::Bind<&TRaiser::Raise>(&g_raiser));
  PostMessage(window, 0x8600, 0, 0);
  ProcessMessages();
  DeallocateHWnd(window);
  EXPECT_EQ(g_reported,
            (std::vector<std::string>{"TApplication: bad value", "nil: raised in a message"}));
  // Terminate ends Run at once.
  Application->Terminate();
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  MessageLoop().ResetTerminated();
}

TEST(Collections, ItemsKeepOrderIdsAndNamePaths) {
  RegisterTestClasses();
  TTestForm* form = TTestForm::Empty();
  form->SetName("FormC");
  TFilter* f = New<TFilter>(form);
  f->SetName("F");
  TCollection* items = f->Items;
  auto* a = static_cast<TItem*>(items->Add());
  auto* b = static_cast<TItem*>(items->Add());
  auto* c = static_cast<TItem*>(items->Insert(0));
  EXPECT_EQ(items->Count(), 3);
  EXPECT_EQ(items->Items(0), c);
  EXPECT_EQ(a->Index(), 1);
  EXPECT_EQ(c->ID(), 2);
  EXPECT_EQ(items->FindItemID(1), b);
  EXPECT_EQ(b->GetNamePath(), "F.Items[2]");
  b->SetIndex(0);
  EXPECT_EQ(items->Items(0), b);
  items->Delete(1);  // c
  EXPECT_EQ(items->Count(), 2);
  EXPECT_EQ(items->FindItemID(2), nullptr);
  EXPECT_THROW(items->Items(2), EListError);
  a->Free();
  EXPECT_EQ(items->Count(), 1);
  form->Free();
}

}  // namespace
