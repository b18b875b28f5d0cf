#include "tests/pins/FormsTestSupport.h"

#include "platform/Properties.h"

namespace pinstest {

namespace {
void DescribeTListComponent(platform::TClassInfo& info) {
  platform::TPublisher<TListComponent> p(info);
  p.Property("Sinks", &TListComponent::Sinks, nullptr);
}
}  // namespace

PF_DEFINE_COMPONENT(TListComponent, TComponent, DescribeTListComponent)

TListComponent::TListComponent(TComponent* owner)
    : TComponent(owner), Lock(TPNLock::Create().Get()) {
  FSinks = TPNPinList::CreateLock(this, Lock.Get(), true);
}

TTestSinkPin* TListComponent::AddSink() {
  auto* pin = New<TTestSinkPin>(this, Lock.Get());
  FSinks->Add(pin);
  return pin;
}

void TListComponent::Destroy() {
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

TListComponent* FormsPinsTest::AddList(const char* name) {
  auto* c = New<TListComponent>(Form);
  c->SetName(name);
  return c;
}

}  // namespace pinstest
