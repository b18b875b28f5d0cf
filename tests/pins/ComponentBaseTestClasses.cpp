#include "tests/pins/ComponentBaseTestClasses.h"

#include "platform/Properties.h"

namespace cbtest {

namespace {

void DescribeTSettings(platform::TClassInfo& info) {
  platform::TPublisher<TSettings> p(info);
  p.Property("Threshold", &TSettings::FThreshold);
}

void DescribeTGainComponent(platform::TClassInfo& info) {
  platform::TPublisher<TGainComponent> p(info);
  p.Property("Gain", &TGainComponent::FGain);
  p.Property("Caption", &TGainComponent::Caption);
  p.Property("Count", &TGainComponent::Count).Default(0);
  p.Enum("Mode", "TMode", {"mdSlow", "mdFast"}, &TGainComponent::Mode).Default(mdSlow);
  p.Property("Big", &TGainComponent::Big).Default(0);
  p.Property("Hidden", &TGainComponent::Hidden).Stored(false);
  p.Property("ReadOnlyValue", &TGainComponent::GetReadOnly, nullptr);
  p.Property("Stamp", &TGainComponent::Stamp).TypeName("TDateTime");
  p.Property("OnChange", &TGainComponent::OnChange);
  p.Property("Settings", &TGainComponent::Settings, &TGainComponent::SetSettings);
  p.Method<&TGainComponent::Handler>("Handler");
}

void DescribeTBand(platform::TClassInfo& info) {
  platform::TPublisher<TBand> p(info);
  p.Property("Name", &TBand::Name);
  p.Property("Level", &TBand::Level);
}

}  // namespace

PF_DEFINE_COLLECTION_ITEM(TBand, TCBCollectionItem, DescribeTBand)
PF_DEFINE_CLASS(TBands, TCBCollection)
PF_DEFINE_CLASS_EX(TSettings, TCBPersistentNotify, nullptr, DescribeTSettings)
PF_DEFINE_COMPONENT(TGainComponent, TCBComponent, DescribeTGainComponent)

TGainComponent::TGainComponent(platform::TComponent* owner) : TCBComponent(owner) {
  FSettings = platform::New<TSettings>(this, FLock);
}

void TGainComponent::Destroy() {
  platform::FreeAndNil(FSettings);
  TCBComponent::Destroy();
}

}  // namespace cbtest
