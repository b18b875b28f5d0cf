// A component and a property object for the tests of the component bases.
#pragma once

#include <cstdint>
#include <string>

#include "pins/CBComponent.h"

namespace cbtest {

using namespace pins;

enum TMode { mdSlow, mdFast };

class TSettings : public TCBPersistentNotify {
  PF_CLASS(TSettings)
  PF_ALLOW_NEW;

 public:
  double FThreshold = 10.0;

 protected:
  TSettings() : TCBPersistentNotify(nullptr, RefPtr<ICBLock>()) {}
  TSettings(platform::TPersistent* owner, const RefPtr<ICBLock>& lock)
      : TCBPersistentNotify(owner, lock) {}
  explicit TSettings(TCBCollectionItem* owner) : TCBPersistentNotify(owner) {}
};

class TGainComponent : public TCBComponent {
  PF_CLASS(TGainComponent)
  PF_ALLOW_NEW;

 public:
  double FGain = 1.0;  // a non-zero default
  std::string Caption;
  int32_t Count = 0;
  TMode Mode = mdSlow;
  int64_t Big = 0;
  int32_t Hidden = 0;
  int32_t ReadOnlyValue = 0;
  double Stamp = 0;  // a TDateTime
  platform::TNotifyEvent OnChange;
  int InitCount = 0;
  int ChangedCount = 0;
  int HandlerCalls = 0;

  TSettings* Settings() const { return FSettings; }
  void SetSettings(TSettings* value) { FSettings->Assign(value); }
  int32_t GetReadOnly() const { return ReadOnlyValue; }
  void Handler(platform::TObject*) { ++HandlerCalls; }
  void InitComponent() override { ++InitCount; }
  void PropertyChanged() override { ++ChangedCount; }

 protected:
  explicit TGainComponent(platform::TComponent* owner);
  void Destroy() override;

  TSettings* FSettings = nullptr;
};

// A collection item with a name and a level.
class TBand : public TCBCollectionItem {
  PF_CLASS(TBand)
  PF_ALLOW_NEW;

 public:
  std::string Name;
  double Level = 1.0;
  int ChangedCount = 0;
  void PropertyChanged() override { ++ChangedCount; }

 protected:
  explicit TBand(platform::TCollection* c) : TCBCollectionItem(c) {}
};

class TBands : public TCBCollection {
  PF_CLASS(TBands)
  PF_ALLOW_NEW;

 protected:
  TBands(TPersistent* owner, const RefPtr<ICBLock>& lock)
      : TCBCollection(&TBand::StaticClass(), owner, lock) {}
};

}  // namespace cbtest
