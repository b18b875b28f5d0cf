// State links: naming, membership with after-pins, removal and self-destruction, and the
// pins' side of joining a link by name.
#include "pins/PNPinsStateLinks.h"

#include <algorithm>
#include <mutex>

#include "pins/PNPinsGlobals.h"
#include "pins/PNPinsGuards.h"

namespace pins {

namespace {

// The state links' lifetime lock: guards every pin's state-link field (FDispatcher) and
// every link's hold count. Taken last, around plain field accesses only.
std::mutex& LinkLifetimeMutex() {
  static std::mutex m;
  return m;
}

std::string RootNameOf(TPNBasicPin* APin) { return APin ? APin->GetRootName() : std::string(); }

// One field of member Index, or null when there is no such member.
TPNBasicPin* MemberField(const std::vector<TPNDispatcherPinStorage>& APins, int32_t Index,
                         TPNBasicPin* TPNDispatcherPinStorage::*AField) {
  return Index >= 0 && static_cast<size_t>(Index) < APins.size()
             ? APins[static_cast<size_t>(Index)].*AField
             : nullptr;
}

}  // namespace

// The pins' state-link field, read and written under the lifetime lock only.
class TPNStateLinkField {
 public:
  // Call with the lifetime lock held.
  static TPNStateDispatcher*& Of(TPNBasicPin* APin) { return APin->FDispatcher; }
};

namespace {

// Clears the link reference of a departing member's pins where it still names ALink.
// Takes the lifetime lock.
void DetachMember(const TPNDispatcherPinStorage& AMember, TPNStateDispatcher* ALink) {
  std::lock_guard<std::mutex> g(LinkLifetimeMutex());
  for (TPNBasicPin* pin : {AMember.RealPin, AMember.ConnectionPin})
    if (pin && TPNStateLinkField::Of(pin) == ALink) TPNStateLinkField::Of(pin) = nullptr;
}

}  // namespace

// Takes the lifetime lock.
TPNStateDispatcher* TPNBasicPin::Dispatcher() const {
  std::lock_guard<std::mutex> g(LinkLifetimeMutex());
  return FDispatcher;
}

// Takes the lifetime lock.
void TPNBasicPin::SetDispatcher(TPNStateDispatcher* ADispatcher) {
  std::lock_guard<std::mutex> g(LinkLifetimeMutex());
  FDispatcher = ADispatcher;
}

// Takes the lifetime lock: the field is read and the link held in one step.
TPNStateDispatcher* AcquireStateLink(TPNBasicPin* APin) {
  if (!APin) return nullptr;
  std::lock_guard<std::mutex> g(LinkLifetimeMutex());
  TPNStateDispatcher* link = TPNStateLinkField::Of(APin);
  if (!link || link->FDead) return nullptr;
  ++link->FHolds;
  return link;
}

// Takes the lifetime lock; frees the link after releasing it.
void ReleaseStateLink(TPNStateDispatcher* ALink) {
  TPNStateDispatcher* link = ALink;
  if (!link) return;
  bool free;
  {
    std::lock_guard<std::mutex> g(LinkLifetimeMutex());
    free = --link->FHolds == 0 && link->FDead;
  }
  if (free) link->Free();
}

// Takes the link's lock.
std::vector<TPNStateMember> TPNStateDispatcher::GetMembers() {
  auto s = ReadLock();
  std::vector<TPNStateMember> members;
  for (int32_t i = 0, n = GetPinCount(); i < n; ++i)
    members.push_back({GetConnectionPin(i), GetPin(i), GetAfterPin(i)});
  return members;
}

// Takes the link's lock (the references are taken under it).
std::vector<RefPtr<IPNFormatConverter>> TPNStateDispatcher::GetConverters() {
  auto s = ReadLock();
  std::vector<RefPtr<IPNFormatConverter>> converters;
  for (int32_t i = 0, n = GetConverterCount(); i < n; ++i)
    if (IPNFormatConverter* c = GetConverter(i)) converters.emplace_back(c);
  return converters;
}

// Holds the members (their guards taken under the link's lock) while they send; takes no
// other lock.
void TPNStateDispatcher::PushNewLink(TPNBasicPin* ASinkPin) {
  // A member that is ASinkPin itself sends to every member.
  auto push = [ASinkPin](TPNBasicPin* AFrom) {
    AFrom->NotifyState(TPNNotifyOperation::Make().Get(), {nsNewLink},
                       AFrom == ASinkPin ? nullptr : ASinkPin);
  };
  TGuardHolds held;
  const std::vector<TPNStateMember> members = HoldStateMembers(this, held);
  for (const TPNStateMember& m : members)
    if (dynamic_cast<TPNSourcePin*>(m.RealPin)) {
      push(m.RealPin);
      return;
    }
  for (const TPNStateMember& m : members)
    if (m.RealPin && !dynamic_cast<TPNBasicSinkPin*>(m.RealPin)) push(m.RealPin);
}

TPNStateDispatcher* FindNamedStateDispatcher(const std::string& AName, bool DesignTime) {
  return TPNNamedStateDispatcher::GetByName(AName, DesignTime);
}

// ---------------------------------------------------------------------------------------
// The process-wide lists

PF_DEFINE_CLASS(TPNNamedStateDispatcher, TPNStateDispatcher)

std::vector<TPNStateDispatcher*>* TPNNamedStateDispatcher::SelectStateDispatcherList(
    bool DesignTime) {
  return DesignTime ? DesignTimeStateDispatchers : RunTimeStateDispatchers;
}

// Takes the registry lock (names read without the links' locks).
TPNNamedStateDispatcher* TPNNamedStateDispatcher::GetByName(const std::string& Name,
                                                            bool DesignTime) {
  TPNRegistryLockHold hold;
  std::vector<TPNStateDispatcher*>* list = SelectStateDispatcherList(DesignTime);
  if (!list) return nullptr;
  for (TPNStateDispatcher* d : *list) {
    auto* link = static_cast<TPNNamedStateDispatcher*>(d);
    if (link->FName == Name) return link;
  }
  return nullptr;
}

TPNStateDispatcher* TPNNamedStateDispatcher::GetByNameCreate(TPNBasicPin* APin,
                                                             const std::string& Name,
                                                             bool DesignTime) {
  if (TPNStateDispatcher* link = GetByName(Name, DesignTime)) return link;
  return APin ? APin->CreateNamedDispatcher(Name, DesignTime) : CreateNamed(Name, DesignTime);
}

bool TPNNamedStateDispatcher::IsUniqueName(const std::string& Name, bool DesignTime) {
  return GetByName(Name, DesignTime) == nullptr;
}

std::string TPNNamedStateDispatcher::GetUniqueName(TComponent* OwnerForm) {
  const std::string base = OwnerForm ? OwnerForm->Name() : std::string();
  const bool designTime =
      OwnerForm && OwnerForm->ComponentState().Contains(platform::csDesigning);
  for (uint32_t n = 1;; ++n) {
    std::string name = base + "Link" + std::to_string(n);
    if (IsUniqueName(name, designTime)) return name;
  }
}

// Takes the registry lock. The new link is filled in before the registry lock publishes it:
// no other thread knows it before, so its own lock is not needed (and would rank above the
// registry lock, which Create holds).
TPNNamedStateDispatcher* TPNNamedStateDispatcher::CreateNamed(const std::string& Name,
                                                              bool DesignTime) {
  auto* link = platform::New<TPNNamedStateDispatcher>();
  link->FName = Name;
  link->FDesignTime = DesignTime;
  link->FIntLock->Instance()->SetRank(TPNLockRank::StateLink);
  TPNRegistryLockHold hold;
  if (std::vector<TPNStateDispatcher*>* list = SelectStateDispatcherList(DesignTime))
    list->push_back(link);
  return link;
}

// Takes the registry lock.
TPNNamedStateDispatcher* TPNNamedStateDispatcher::Create(TComponent* OwnerForm) {
  const bool designTime =
      OwnerForm && OwnerForm->ComponentState().Contains(platform::csDesigning);
  // The name is chosen and the link entered into its list in one step, so that two
  // threads never pick the same name.
  TPNRegistryLockHold hold;
  return CreateNamed(GetUniqueName(OwnerForm), designTime);
}

// Takes the registry lock.
void TPNNamedStateDispatcher::LeaveLists() {
  TPNRegistryLockHold hold;
  for (std::vector<TPNStateDispatcher*>* list : {DesignTimeStateDispatchers, RunTimeStateDispatchers})
    if (list) list->erase(std::remove(list->begin(), list->end(), this), list->end());
}

// Takes the link's lock, then the registry lock; the converters go once the link lock is
// released.
void TPNNamedStateDispatcher::Destroy() {
  {
    auto s = WriteLock();
    LeaveLists();
    for (RefPtr<IPNFormatConverter>& c : FFormatConverters) ReleaseOutsideLinkLock(std::move(c));
    FFormatConverters.clear();
    FPins.clear();
    FSavedForms.clear();
  }
  TPNStateDispatcher::Destroy();
}

// ---------------------------------------------------------------------------------------
// Members

// Takes the link's lock.
std::string TPNNamedStateDispatcher::GetName() {
  auto s = ReadLock();
  return FName;
}

int32_t TPNNamedStateDispatcher::IndexOfRealPin(TPNBasicPin* APin) {
  for (size_t i = 0; i < FPins.size(); ++i)
    if (FPins[i].RealPin == APin) return static_cast<int32_t>(i);
  return -1;
}

// Takes the link's lock.
int32_t TPNNamedStateDispatcher::GetPinCount() {
  auto s = ReadLock();
  return static_cast<int32_t>(FPins.size());
}

// Takes the link's lock.
TPNBasicPin* TPNNamedStateDispatcher::GetPin(int32_t Index) {
  auto s = ReadLock();
  return MemberField(FPins, Index, &TPNDispatcherPinStorage::RealPin);
}

// Takes the link's lock.
TPNBasicPin* TPNNamedStateDispatcher::GetConnectionPin(int32_t Index) {
  auto s = ReadLock();
  return MemberField(FPins, Index, &TPNDispatcherPinStorage::ConnectionPin);
}

// Takes the link's lock.
TPNBasicPin* TPNNamedStateDispatcher::GetAfterPin(int32_t Index) {
  auto s = ReadLock();
  return MemberField(FPins, Index, &TPNDispatcherPinStorage::AfterPin);
}

// Takes the link's lock.
std::vector<TPNStateMember> TPNNamedStateDispatcher::GetMembers() {
  auto s = ReadLock();
  return FPins;
}

// Takes the link's lock. No pin is a member twice.
void TPNNamedStateDispatcher::AddPinAfter(TPNBasicPin* AConnectionPin, TPNBasicPin* ARealPin,
                                          TPNBasicPin* NotifyAfterPin) {
  auto s = WriteLock();
  for (const TPNDispatcherPinStorage& m : FPins)
    if (m.RealPin == AConnectionPin || m.RealPin == ARealPin) return;
  FPins.push_back({AConnectionPin, ARealPin, NotifyAfterPin});
}

// Takes the link lock, then this link's lock; the members that leave are told with it
// released. Other members' calls into them are not waited for.
void TPNNamedStateDispatcher::RemovePin(TPNBasicPin* APin) {
  TPNLinkLockHold links;
  bool empty = false;
  std::vector<TPNDispatcherPinStorage> removed;
  std::vector<RefPtr<IPNFormatConverter>> unused;
  {
    auto s = WriteLock();
    int32_t i = IndexOfRealPin(APin);
    if (i >= 0) {
      removed.push_back(FPins[static_cast<size_t>(i)]);
      FPins.erase(FPins.begin() + i);
      // Members served after the removed one are now served after its own after-pin: the
      // chains only get shorter, so they stay free of cycles.
      for (TPNDispatcherPinStorage& m : FPins)
        if (m.AfterPin == APin) m.AfterPin = removed.back().AfterPin;
    }
    if (FPins.size() == 1) {
      removed.push_back(FPins[0]);
      FPins.clear();
    }
    for (const TPNDispatcherPinStorage& m : removed) {
      // A converter's input shared with a member that stays keeps the link.
      TPNDispatcherPinStorage member = m;
      for (const TPNDispatcherPinStorage& other : FPins)
        if (other.ConnectionPin == member.ConnectionPin) member.ConnectionPin = nullptr;
      DetachMember(member, this);
    }
    // Converters that serve no member any more.
    for (size_t c = FFormatConverters.size(); c-- > 0;) {
      TPNFormatConverterPins* pins = ConverterPins(FFormatConverters[c].Get());
      bool used = false;
      for (const TPNDispatcherPinStorage& m : FPins)
        if (pins && m.ConnectionPin == pins->InputPin()) used = true;
      if (used) continue;
      unused.push_back(std::move(FFormatConverters[c]));
      FFormatConverters.erase(FFormatConverters.begin() + static_cast<std::ptrdiff_t>(c));
    }
    empty = FPins.empty();
    if (empty) LeaveLists();
  }
  // A sink that was served through a converter leaves the converter's output too. Under the
  // link lock every member named is alive.
  for (const TPNDispatcherPinStorage& m : removed) {
    if (!m.ConnectionPin || m.ConnectionPin == m.RealPin || !m.RealPin) continue;
    RefPtr<IPNFormatConverter> converter = ConverterOf(m.ConnectionPin->GetOwner());
    if (TPNFormatConverterPins* pins = ConverterPins(converter.Get())) {
      if (pins->OutputPin()->HasLinkTo(m.RealPin)) pins->OutputPin()->RemoveLink(m.RealPin, false);
      m.RealPin->RemoveLink(pins->OutputPin(), false);
    }
    ReleaseOutsideLinkLock(std::move(converter));
  }
  for (RefPtr<IPNFormatConverter>& c : unused) ReleaseOutsideLinkLock(std::move(c));
  if (!empty) return;
  bool free;
  {
    std::lock_guard<std::mutex> g(LinkLifetimeMutex());
    if (FDead) return;
    FDead = true;
    free = FHolds == 0;
  }
  if (free) Free();
}

// Takes the link's lock.
bool TPNNamedStateDispatcher::IsConnectedTo(TPNBasicPin* APin) {
  auto s = ReadLock();
  return IndexOfRealPin(APin) >= 0;
}

// Takes the link lock; this link's lock only to pick each member, released while it leaves.
void TPNNamedStateDispatcher::DisconnectAll() {
  TPNLinkLockHold links;
  // Each member leaves through its own Disconnect, which takes the member's lock: the
  // link's section is not held meanwhile. The hold keeps the link's memory until the end.
  {
    std::lock_guard<std::mutex> g(LinkLifetimeMutex());
    if (FDead) return;
    ++FHolds;
  }
  for (;;) {
    TPNBasicPin* first = nullptr;
    {
      auto s = ReadLock();
      if (FPins.empty()) break;
      first = FPins[0].RealPin;
    }
    if (!first) break;
    first->Disconnect();
    auto s = ReadLock();
    // A member that did not leave (it was not this link's member any more) is dropped here.
    if (!FPins.empty() && FPins[0].RealPin == first) {
      s = nullptr;
      RemovePin(first);
    }
  }
  ReleaseStateLink(this);
}

// Takes the link's lock (members compared only).
bool TPNNamedStateDispatcher::CanConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin,
                                              bool UseConverters) {
  (void)UseConverters;
  if (!NotifyAfterPin) return true;
  auto s = ReadLock();
  // Walks the chain of after-pins from NotifyAfterPin; a visited set ends a chain that
  // loops (which no setting should have made) instead of recursing forever.
  std::vector<TPNBasicPin*> visited;
  TPNBasicPin* current = NotifyAfterPin;
  while (current) {
    if (current == OtherPin) return false;
    if (std::find(visited.begin(), visited.end(), current) != visited.end()) return false;
    visited.push_back(current);
    int32_t i = IndexOfRealPin(current);
    if (i < 0) return false;
    current = FPins[static_cast<size_t>(i)].AfterPin;
  }
  return true;
}

// Takes the link's lock.
TPNBasicPin* TPNNamedStateDispatcher::GetAfterPinOf(TPNBasicPin* APin) {
  auto s = ReadLock();
  int32_t i = IndexOfRealPin(APin);
  return i >= 0 ? FPins[static_cast<size_t>(i)].AfterPin : nullptr;
}

// Holds the members while asking their names (this link's lock released), then takes the
// link lock and this link's lock to set the after-pin.
void TPNNamedStateDispatcher::SetAfterPinByName(TPNBasicPin* APin, const std::string& AAfterName) {
  TGuardHolds held;
  std::vector<TPNStateMember> members = HoldStateMembers(this, held);
  TPNBasicPin* after = nullptr;
  for (const TPNStateMember& m : members)
    if (m.RealPin && (m.RealPin->GetFullName(false) == AAfterName ||
                      m.RealPin->GetFullName(true) == AAfterName)) {
      after = m.RealPin;
      break;
    }
  if (!after) return;
  TPNLinkLockHold links;
  auto s = WriteLock();
  int32_t i = IndexOfRealPin(APin);
  if (i < 0 || IndexOfRealPin(after) < 0) return;
  // Refused when the chain from the new after-pin reaches APin (APin itself included).
  if (!CanConnectAfter(APin, after, false)) return;
  FPins[static_cast<size_t>(i)].AfterPin = after;
}

std::string TPNNamedStateDispatcher::GetAfterPinDisplayName(TPNPin* APin) {
  TPNBasicPin* after = GetAfterPinOf(APin);
  return after ? after->GetFullName(true) : std::string();
}

// Takes the link's lock.
void TPNNamedStateDispatcher::PinDestroying(TPNBasicPin* APin) {
  auto s = WriteLock();
  for (TPNDispatcherPinStorage& m : FPins)
    if (m.AfterPin == APin) m.AfterPin = nullptr;
}

// Takes the link's lock.
void TPNNamedStateDispatcher::ReplaceAfterPin(TPNBasicPin* AOld, TPNBasicPin* ANew) {
  auto s = WriteLock();
  for (TPNDispatcherPinStorage& m : FPins)
    if (m.AfterPin == AOld) m.AfterPin = ANew;
}

// Takes the link's lock.
int32_t TPNNamedStateDispatcher::GetConverterCount() {
  auto s = ReadLock();
  return static_cast<int32_t>(FFormatConverters.size());
}

// Takes the link's lock.
IPNFormatConverter* TPNNamedStateDispatcher::GetConverter(int32_t Index) {
  auto s = ReadLock();
  return Index >= 0 && static_cast<size_t>(Index) < FFormatConverters.size()
             ? FFormatConverters[static_cast<size_t>(Index)].Get()
             : nullptr;
}

// Takes the link's lock. A converter already listed is not listed twice.
void TPNNamedStateDispatcher::AddConverter(IPNFormatConverter* AConverter) {
  auto s = WriteLock();
  if (!AConverter) return;
  for (const RefPtr<IPNFormatConverter>& c : FFormatConverters)
    if (c.Get() == AConverter) return;
  FFormatConverters.emplace_back(AConverter);
}

// ---------------------------------------------------------------------------------------
// Cross-form bookkeeping

// Holds the members while asking their root names.
bool TPNNamedStateDispatcher::IsCrosForm() {
  TGuardHolds held;
  std::vector<TPNStateMember> members = HoldStateMembers(this, held);
  if (members.size() < 2) return false;
  const std::string first = RootNameOf(members[0].RealPin);
  for (size_t i = 1; i < members.size(); ++i)
    if (RootNameOf(members[i].RealPin) != first) return true;
  return false;
}

// Holds the members while asking their root names.
bool TPNNamedStateDispatcher::ConnectedToForm(TComponent* OwnerComponent) {
  if (!OwnerComponent) return false;
  TGuardHolds held;
  for (const TPNStateMember& m : HoldStateMembers(this, held))
    if (RootNameOf(m.RealPin) == OwnerComponent->Name()) return true;
  return false;
}

// Takes the link's lock.
void TPNNamedStateDispatcher::ClearSavedForms() {
  auto s = WriteLock();
  FSavedForms.clear();
  FCountSaved = 0;
}

// Takes the link's lock.
void TPNNamedStateDispatcher::AddSavedForm(TComponent* AForm) {
  auto s = WriteLock();
  if (std::find(FSavedForms.begin(), FSavedForms.end(), AForm) == FSavedForms.end())
    FSavedForms.push_back(AForm);
  ++FCountSaved;
}

// Takes the link's lock.
bool TPNNamedStateDispatcher::IsFormSaved(TComponent* AForm) {
  auto s = ReadLock();
  return std::find(FSavedForms.begin(), FSavedForms.end(), AForm) != FSavedForms.end();
}

// Takes the link's lock.
int32_t TPNNamedStateDispatcher::CountSaved() {
  auto s = ReadLock();
  return FCountSaved;
}

// ---------------------------------------------------------------------------------------
// The pins' side

TPNStateDispatcher* TPNBasicPin::CreateDispatcher(TComponent* ARoot) {
  return TPNNamedStateDispatcher::Create(ARoot);
}

TPNStateDispatcher* TPNBasicPin::CreateNamedDispatcher(const std::string& AName, bool DesignTime) {
  return TPNNamedStateDispatcher::CreateNamed(AName, DesignTime);
}

// Takes the link lock (the registry lock to find or make the link); the first operation goes
// out after it is released.
void TPNBasicPin::JoinStateByName(const std::string& Name) {
  {
    TPNLinkLockHold links;
    TPNStateDispatcher* link = TPNNamedStateDispatcher::GetByNameCreate(this, Name, IsDesigning());
    if (!link) return;
    if (Dispatcher() == link) {
      link->AddPin(this, this);
      return;
    }
    // A pin in another link leaves it first: a link must never keep a member whose own
    // reference points elsewhere (it would outlive the pin). A sink lets go of its source:
    // joining a state link always detaches the source (else a source in the same link would
    // reach it twice).
    if (Dispatcher()) LeaveStateLink();
    DetachLinks();
    link->AddPin(this, this);
    SetDispatcher(link);
  }
  PushToStateLink();
}

// Called under the link lock: every pin named is alive. Takes each pin's lock, and the link's,
// one at a time.
bool AttachStateConverter(TPNStateDispatcher* ALink, const RefPtr<IPNFormatConverter>& AConverter,
                          TPNSinkPin* ASink, TPNBasicPin* AFrom, TPNBasicPin* NotifyAfterPin) {
  TPNFormatConverterPins* pins = ConverterPins(AConverter.Get());
  if (!ALink || !pins || !ASink) return false;
  // A member already: nothing to do. Otherwise the sink lets go of its source and of another
  // state link first.
  if (ASink->Dispatcher() == ALink) return true;
  ASink->DetachLinks();
  if (ASink->Dispatcher()) ASink->LeaveStateLink();
  // The converter's output serves the sink without a first operation of its own: the first
  // operation comes through the state link, converted.
  if (!pins->OutputPin()->MakeLink(ASink, nullptr, false)) return false;
  ALink->AddConverter(AConverter.Get());
  pins->InputPin()->SetDispatcher(ALink);
  ALink->AddPinAfter(pins->InputPin(), ASink, NotifyAfterPin);
  if (auto* source = dynamic_cast<TPNSourcePin*>(AFrom))
    pins->InputPin()->SetFeedingSource(source);
  else if (AFrom)
    pins->InputPin()->SetConnectionSourcePin(AFrom);
  ASink->SetConnectionSourcePin(pins->OutputPin());
  ASink->SetRealSourcePin(AFrom ? AFrom : pins->OutputPin());
  ASink->SetDispatcher(ALink);
  return true;
}

}  // namespace pins
