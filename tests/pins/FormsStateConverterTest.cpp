// A state link joined through a format converter, stored as "StateConverter" and read back.
#include <string>

#include "pins/PNStdTypes.h"
#include "platform/Forms.h"
#include "platform/Streaming.h"
#include "tests/pins/FormsTestSupport.h"
#include "tests/pins/StdTypesTestSupport.h"

namespace stdtypestest {

// A component with a float output and an input that takes real values only.
class TValueComponent : public TComponent {
  PF_CLASS(TValueComponent)
  PF_ALLOW_NEW;

 public:
  RefPtr<IPNLock> Lock;
  TPNFloatSourcePin* FOut = nullptr;
  TRealOnlySink* FIn = nullptr;

 protected:
  explicit TValueComponent(TComponent* owner)
      : TComponent(owner), Lock(TPNLock::Create().Get()) {
    FOut = New<TPNFloatSourcePin>(this, Lock.Get(), nullptr);
    FIn = New<TRealOnlySink>(this, Lock.Get());
  }
  void Destroy() override {
    {
      auto stop = Lock->StopLock();
      platform::FreeAndNil(FOut);
      platform::FreeAndNil(FIn);
    }
    TComponent::Destroy();
  }
};

namespace {
void DescribeTValueComponent(platform::TClassInfo& info) {
  platform::TPublisher<TValueComponent> p(info);
  p.Property("FloatOut", &TValueComponent::FOut);
  p.Property("RealIn", &TValueComponent::FIn);
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

}  // namespace
}  // namespace stdtypestest
