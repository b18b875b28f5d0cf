#include <gtest/gtest.h>

#include <string>
#include <vector>

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

std::vector<std::string> g_reported;

struct TReporter {
  void Report(TObject* sender, const std::exception& e) {
    g_reported.push_back(std::string(sender ? sender->ClassName() : "nil") + ": " + e.what());
  }
} g_reporter;

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
