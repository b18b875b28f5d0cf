// Placeholder pins: recording links to pins not loaded yet and handing them over.
#include "pins/PNPinsPlaceholders.h"

#include "pins/PNPinsGlobals.h"
#include "pins/PNPinsGuards.h"
#include "pins/PNPinsLists.h"

namespace pins {

// Takes the registry lock to take the placeholder out of UnloadedPins; it is freed once the
// link lock is released (at once when the thread does not hold it).
void DestroyPlaceholder(TPNBasicPin* APlaceholder) {
  if (!APlaceholder || !UnloadedPins) return;
  {
    TPNRegistryLockHold hold;
    if (UnloadedPins->IndexOf(APlaceholder) < 0) return;
    UnloadedPins->Extract(APlaceholder);
    if (auto* placeholder = dynamic_cast<TPNUnloadedPin*>(APlaceholder)) placeholder->FDropped = true;
  }
  FreeOutsideLinkLock(APlaceholder);
}

TPNBasicPin* NewPlaceholderPin(TComponent* ARoot, TPNPinType AType,
                               const std::string& APinIdentName,
                               const std::string& APinDisplayName,
                               const std::string& ACreatedFrom, TGuardHold* AHold) {
  return TPNUnloadedPin::Create(ARoot, AType, APinIdentName, APinDisplayName, ACreatedFrom, AHold);
}

// Takes what the hand-over takes (see PopulatePinAndDestroy).
void PopulatePlaceholderPin(TPNBasicPin* APlaceholder, TPNBasicPin* APin, TGuardHold* AHeld) {
  if (auto* p = dynamic_cast<TPNUnloadedPin*>(APlaceholder)) p->PopulatePinAndDestroy(APin, AHeld);
}

PF_DEFINE_CLASS(TPNUnloadedPin, TPNBasicPin)

TPNUnloadedPin::TPNUnloadedPin(TComponent* ARoot, TPNPinType AType,
                               const std::string& APinIdentName,
                               const std::string& APinDisplayName,
                               const std::string& ACreatedFrom)
    : FDisplayName(APinDisplayName), FIdentName(APinIdentName), FType(AType), FCreatedFrom(ACreatedFrom) {
  // The root is recorded only when it is not the root the names speak of.
  if (ARoot && ARoot->Name() != APinIdentName.substr(0, APinIdentName.find('.'))) {
    FRoot = ARoot;
    FDesignTime = ARoot->ComponentState().Contains(platform::csDesigning);
  }
}

// Takes the registry lock.
TPNUnloadedPin* TPNUnloadedPin::Create(TComponent* ARoot, TPNPinType AType,
                                       const std::string& APinIdentName,
                                       const std::string& APinDisplayName,
                                       const std::string& ACreatedFrom, TGuardHold* AHold) {
  auto* pin = platform::New<TPNUnloadedPin>(ARoot, AType, APinIdentName, APinDisplayName,
                                            ACreatedFrom);
  // Held before any other thread can find it (and hand it over, which frees it).
  if (AHold) AHold->Take(pin);
  if (UnloadedPins) {
    TPNRegistryLockHold hold;
    UnloadedPins->Add(pin);
  }
  return pin;
}

// Takes the list's lock (when a list holds it), then the pin's.
void TPNUnloadedPin::Destroy() {
  // A pin list that still shows the placeholder as an item lets the entry go.
  if (TPNPinList* list = OwnerPinList()) {
    SetOwnerPinList(nullptr);
    list->PlaceholderDestroyed(this);
  }
  {
    auto s = WriteLock();
    FConnectedPins.clear();
  }
  TPNBasicPin::Destroy();
}

// Takes the pin's lock; the linked pins' guards are taken under it.
std::vector<TPNUnloadedPin::TRecord> TPNUnloadedPin::Records(TGuardHolds& AHolds) {
  std::vector<TRecord> records;
  auto s = ReadLock();
  for (const TRecord& r : FConnectedPins)
    if (r.RealPin && AHolds.Take(r.RealPin)) records.push_back(r);
  return records;
}

std::string TPNUnloadedPin::GetName() {
  size_t p = FDisplayName.rfind('.');
  return p == std::string::npos ? FDisplayName : FDisplayName.substr(p + 1);
}

std::string TPNUnloadedPin::GetFullName(bool IncludeRootForm) {
  return IncludeRootForm ? FDisplayName : AfterRootNamePart(FIdentName);
}

std::string TPNUnloadedPin::GetFullIdentName(bool IncludeRootForm) {
  return IncludeRootForm ? FIdentName : AfterRootNamePart(FIdentName);
}

bool TPNUnloadedPin::CanLinkTo(TPNBasicPin* OtherPin, RefPtr<IPNFormatConverter>& ConverterIntf,
                               bool UseConverters, TClass& ConverterClass) {
  (void)OtherPin;
  (void)ConverterIntf;
  (void)UseConverters;
  (void)ConverterClass;
  return true;
}

void TPNUnloadedPin::ResolveConnectionType(TPNBasicPin* APin,
                                           RefPtr<IPNFormatConverter>& ConverterIntf, TGUID& ID,
                                           bool UseConverters, TClass& ConverterClass) {
  (void)APin;
  (void)ConverterIntf;
  (void)UseConverters;
  (void)ConverterClass;
  ID = TGUID{};
}

TPNNotifyResult TPNUnloadedPin::NotifyState(IPNNotifyOperation* Operation, TPNNotifyState State,
                                            TPNBasicPin* ATarget) {
  (void)Operation;
  (void)State;
  (void)ATarget;
  return {};
}

// Takes the pin's lock.
bool TPNUnloadedPin::IsConnected() {
  auto s = ReadLock();
  return !FConnectedPins.empty();
}

// Takes the pin's lock.
bool TPNUnloadedPin::IsConnectedTo(TPNBasicPin* OtherPin) {
  auto s = ReadLock();
  for (const TRecord& r : FConnectedPins)
    if (r.RealPin == OtherPin) return true;
  return false;
}

// Takes the link lock and the pin's lock.
void TPNUnloadedPin::AddLink(TPNBasicPin* ASinkPin, TPNBasicPin* NotifyAfterPin) {
  if (!ASinkPin) return;
  TPNLinkLockHold links;
  auto s = WriteLock();
  FConnectedPins.push_back({ASinkPin, NotifyAfterPin});
}

// Takes the link lock and the pin's lock.
void TPNUnloadedPin::RemoveLink(TPNBasicPin* APin, bool Keep) {
  (void)Keep;
  TPNLinkLockHold links;
  auto s = WriteLock();
  for (size_t i = 0; i < FConnectedPins.size(); ++i)
    if (FConnectedPins[i].RealPin == APin) {
      FConnectedPins.erase(FConnectedPins.begin() + static_cast<ptrdiff_t>(i));
      return;
    }
}

// Takes the link lock; records the link under the pin's lock, then tells the other pin (the
// caller's, alive) with it released.
bool TPNUnloadedPin::ConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) {
  if (OtherPin == this || !OtherPin) return false;
  TPNLinkLockHold links;
  if (IsConnectedTo(OtherPin)) return true;
  {
    auto s = WriteLock();
    FConnectedPins.push_back({OtherPin, NotifyAfterPin});
  }
  if (auto* source = dynamic_cast<TPNSourcePin*>(OtherPin)) {
    source->AddLink(this, NotifyAfterPin);
  } else if (auto* sink = dynamic_cast<TPNSinkPin*>(OtherPin)) {
    if (sink->GetSourcePin()) sink->ConnectAfter(nullptr, nullptr);
    sink->SetRealSourcePin(this);
  }
  return true;
}

// Takes the link lock and the pin's lock.
void TPNUnloadedPin::Disconnect() {
  TPNLinkLockHold links;
  auto s = WriteLock();
  FConnectedPins.clear();
}

// Called under the link lock; takes the pin's lock.
void TPNUnloadedPin::PinDestroying(TPNBasicPin* APin) {
  auto s = WriteLock();
  for (size_t i = FConnectedPins.size(); i-- > 0;)
    if (FConnectedPins[i].RealPin == APin)
      FConnectedPins.erase(FConnectedPins.begin() + static_cast<ptrdiff_t>(i));
}

// Called under the link lock; takes the pin's lock.
void TPNUnloadedPin::ReplaceAfterPin(TPNBasicPin* AOld, TPNBasicPin* ANew) {
  auto s = WriteLock();
  for (TRecord& r : FConnectedPins) {
    if (r.NotifyAfterPin == AOld) r.NotifyAfterPin = ANew;
    if (r.RealPin == AOld) r.RealPin = ANew;
  }
}

// Takes the pin's lock.
TPNBasicPin* TPNUnloadedPin::GetNotifyAfterPin(TPNBasicPin* APin) {
  auto s = ReadLock();
  for (const TRecord& r : FConnectedPins)
    if (r.RealPin == APin) return r.NotifyAfterPin;
  return nullptr;
}

// Takes the pin's lock.
int32_t TPNUnloadedPin::GetConnectedPinCount() {
  auto s = ReadLock();
  return static_cast<int32_t>(FConnectedPins.size());
}

// Takes the pin's lock.
TPNBasicPin* TPNUnloadedPin::GetConnectedPin(int32_t Index) {
  auto s = ReadLock();
  return Index >= 0 && static_cast<size_t>(Index) < FConnectedPins.size()
             ? FConnectedPins[static_cast<size_t>(Index)].RealPin
             : nullptr;
}

// Takes the pin's lock, then (released) what LinksChanged takes.
bool TPNUnloadedPin::SetInEditor(bool Value) {
  {
    auto s = WriteLock();
    FInEditor = Value;
  }
  if (!Value) LinksChanged();
  return true;
}

// Takes the pin's lock; the registry lock to let the placeholder go, after releasing it.
void TPNUnloadedPin::LinksChanged() {
  {
    auto s = WriteLock();
    if (FInRemove) return;
    if (FInEditor || FOwnedByList || !FConnectedPins.empty()) return;
    FInRemove = true;
  }
  DestroyPlaceholder(this);
}

// Takes the link lock for the after-pin broadcast; hands the links over (which takes what
// linking takes) with no lock held. AHeld, the caller's guard of this placeholder, is let go
// before the placeholder is destroyed.
void TPNUnloadedPin::PopulatePinAndDestroy(TPNBasicPin* APin, TGuardHold* AHeld) {
  {
    auto s = WriteLock();
    // The hand-over removes links one by one; the placeholder must not remove itself
    // before it is done.
    FInRemove = true;
  }
  if (APin && APin != this) {
    {
      TPNLinkLockHold links;
      TellRegisteredPins([this, APin](TPNBasicPin* APinTold) { APinTold->ReplaceAfterPin(this, APin); });
    }
    TGuardHolds held;
    std::vector<TRecord> records = Records(held);
    for (size_t i = records.size(); i-- > 0;) {
      const TRecord& r = records[i];
      APin->ConnectAfter(r.RealPin, r.NotifyAfterPin);
      r.RealPin->DisconnectFrom(this);
    }
  }
  if (AHeld) AHeld->Release();
  DestroyPlaceholder(this);
}

}  // namespace pins
