// A state link joined through a format converter, stored as "StateConverter" and read back.
#include <string>

#include "pins/PNStdTypes.h"
#include "platform/Forms.h"
#include "platform/Streaming.h"
#include "tests/pins/FormsTestSupport.h"
#include "tests/pins/StdTypesTestSupport.h"

namespace stdtypestest {

// A component with a float output, an input that takes real values only and one that takes
// float values only.
class TValueComponent : public TComponent {
  PF_CLASS(TValueComponent)
  PF_ALLOW_NEW;

 public:
  RefPtr<IPNLock> Lock;
  TPNFloatSourcePin* FOut = nullptr;
  TRealOnlySink* FIn = nullptr;
  TFloatOnlySink* FFloatIn = nullptr;

 protected:
  explicit TValueComponent(TComponent* owner)
      : TComponent(owner), Lock(TPNLock::Create().Get()) {
    FOut = New<TPNFloatSourcePin>(this, Lock.Get(), nullptr);
    FIn = New<TRealOnlySink>(this, Lock.Get());
    FFloatIn = New<TFloatOnlySink>(this, Lock.Get());
  }
  void Destroy() override {
    {
      auto stop = Lock->StopLock();
      platform::FreeAndNil(FOut);
      platform::FreeAndNil(FIn);
      platform::FreeAndNil(FFloatIn);
    }
    TComponent::Destroy();
  }
};

namespace {
void DescribeTValueComponent(platform::TClassInfo& info) {
  platform::TPublisher<TValueComponent> p(info);
  p.Property("FloatOut", &TValueComponent::FOut);
  p.Property("RealIn", &TValueComponent::FIn);
  p.Property("FloatIn", &TValueComponent::FFloatIn);
}
}  // namespace

PF_DEFINE_COMPONENT(TValueComponent, TComponent, DescribeTValueComponent)

namespace {

class FormsStateConverter : public StdPinsTest {
 protected:
  void TearDown() override {
    for (size_t i = Loaded.size(); i-- > 0;) platform::Free(Loaded[i]);
    StdPinsTest::TearDown();
    EXPECT_EQ(pinstest::UnloadedCount(), 0);
  }
  platform::TForm* NewForm(const std::string& text) {
    static bool registered = false;
    if (!registered) {
      platform::RegisterClass(&TValueComponent::StaticClass());
      registered = true;
    }
    platform::TForm* form = platform::TForm::CreateNew(nullptr);
    Loaded.push_back(form);
    const std::string name = "Form1";
    if (!text.empty()) platform::ReadComponentFromText(text, form, &name);
    else form->SetName(name);
    return form;
  }
  std::vector<platform::TForm*> Loaded;
};

TEST_F(FormsStateConverter, AConverterBetweenStateMembersIsMadeFromItsValueAndWrittenBack) {
  const std::string converter =
      "    RealIn.StateConverter = (\n"
      "      'Form1Link1'\n"
      "      '" + GUIDText(IPNFloatStream::IID) + "'\n"
      "      '" + GUIDText(IPNRealStream::IID) + "')\n";
  const std::string body =
      "  object A: TValueComponent\n"
      "    FloatOut.Form = Form1\n"
      "    FloatOut.State = 'Form1Link1'\n"
      "  end\n"
      "  object B: TValueComponent\n" + converter + "  end\n";
  platform::TForm* form = NewForm("object Form1: TForm\n" + body + "end\n");
  auto* a = dynamic_cast<TValueComponent*>(form->FindComponent("A"));
  auto* b = dynamic_cast<TValueComponent*>(form->FindComponent("B"));
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(b->FIn->HasStateConverter());
  TPNStateDispatcher* link = TPNNamedStateDispatcher::GetByName("Form1Link1", false);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->GetPinCount(), 2);
  ASSERT_EQ(link->GetConverterCount(), 1);
  EXPECT_STREQ(link->GetConverter(0)->GetInstance()->ClassName(), "TPNFloatToRealFormatConverter");
  EXPECT_EQ(link->GetPin(1), b->FIn);

  // A value sent by state reaches B through the converter, as a real value.
  b->FIn->Take();
  a->FOut->SetValue(1.5f);
  std::vector<TReceived> got = b->FIn->Take();
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got.back().Kind, "TPNSuppliedRealOperation");
  EXPECT_EQ(got.back().Value, 1.5);

  const std::string text = platform::WriteComponentToText(form);
  EXPECT_NE(text.find(body), std::string::npos) << text;
}

TEST_F(FormsStateConverter, AnUnregisteredPairIsReadWholeAndMakesNothing) {
  const std::string text =
      "object Form1: TForm\n"
      "  object B: TValueComponent\n"
      "    RealIn.StateConverter = (\n"
      "      ('Form1Link1' Form2.X.OutputPin)\n"
      "      '{00000000-0000-0000-0000-000000000001}'\n"
      "      '{00000000-0000-0000-0000-000000000002}')\n"
      "    FloatOut.Form = Form1\n"
      "  end\n"
      "end\n";
  platform::TForm* form = NewForm(text);
  auto* b = dynamic_cast<TValueComponent*>(form->FindComponent("B"));
  ASSERT_NE(b, nullptr);
  EXPECT_FALSE(b->FIn->HasStateConverter());
  EXPECT_EQ(b->FIn->Dispatcher(), nullptr);
}

// A link through a converter served after another sink is written with its after-pin and,
// read back, delivers again.
TEST_F(FormsStateConverter, AnAfterPinLinkThroughAConverterIsWrittenAndReadBack) {
  platform::TForm* form = NewForm("");
  auto* a = New<TValueComponent>(form);
  a->SetName("A");
  auto* b = New<TValueComponent>(form);
  b->SetName("B");
  ASSERT_TRUE(b->FFloatIn->Connect(a->FOut));
  ASSERT_TRUE(b->FIn->ConnectAfter(a->FOut, b->FFloatIn));
  const std::string text = platform::WriteComponentToText(form);
  EXPECT_NE(text.find("    RealIn.SourcePin = (\n"
                      "      (\n"
                      "        Form1.A.FloatOut\n"
                      "        Form1.B.FloatIn))\n"),
            std::string::npos)
      << text;
  Loaded.pop_back();
  form->Free();

  platform::TForm* again = NewForm(text);
  auto* a2 = dynamic_cast<TValueComponent*>(again->FindComponent("A"));
  auto* b2 = dynamic_cast<TValueComponent*>(again->FindComponent("B"));
  ASSERT_TRUE(a2 && b2);
  EXPECT_EQ(a2->FOut->GetNotifyAfterPin(b2->FIn), b2->FFloatIn);
  b2->FIn->Take();
  a2->FOut->SetValue(7);
  std::vector<TReceived> got = b2->FIn->Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Value, 7);
  EXPECT_EQ(platform::WriteComponentToText(again), text);
}

}  // namespace
}  // namespace stdtypestest
