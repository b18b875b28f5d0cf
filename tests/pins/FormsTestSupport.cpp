#include "tests/pins/FormsTestSupport.h"

#include "platform/Properties.h"

namespace pinstest {

namespace {
void DescribeTSinkListComponent(platform::TClassInfo& info) {
  platform::TPublisher<TSinkListComponent> p(info);
  p.Property("SinkCount", &TSinkListComponent::SinkCount, &TSinkListComponent::SetSinkCount)
      .Default(0);
  p.Property("Sinks", &TSinkListComponent::Sinks, nullptr);
}
}  // namespace

PF_DEFINE_COMPONENT(TSinkListComponent, TComponent, DescribeTSinkListComponent)

TSinkListComponent::TSinkListComponent(TComponent* owner)
    : TComponent(owner), Lock(TPNLock::Create().Get()) {
  FSinks = TPNPinList::CreateLock(this, Lock.Get(), true);
}

TTestSinkPin* TSinkListComponent::AddSink() {
  auto* pin = New<TTestSinkPin>(this, Lock.Get());
  FSinks->Add(pin);
  return pin;
}

void TSinkListComponent::Destroy() {
  platform::FreeAndNil(FSinks);
  TComponent::Destroy();
}

int32_t UnloadedCount() {
  if (!UnloadedPins) return 0;
  TPNRegistryLockHold hold;
  return UnloadedPins->Count();
}

void FormsPinsTest::TearDown() {
  PinsTest::TearDown();
  EXPECT_EQ(UnloadedCount(), 0) << "placeholders outlived the test";
}

TSinkListComponent* FormsPinsTest::AddList(const char* name) {
  auto* c = New<TSinkListComponent>(Form);
  c->SetName(name);
  return c;
}

}  // namespace pinstest
