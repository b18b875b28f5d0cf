// Sink pins: linking from the sink side, upstream delivery, unlinking.
#include "pins/PNPins.h"
#include "pins/PNPinsGuards.h"
#include "pins/PNPinsRegistries.h"
#include "pins/PNPinsStateLinks.h"

namespace pins {

// ---------------------------------------------------------------------------------------
// TPNBasicSinkPin

PF_DEFINE_CLASS(TPNBasicSinkPin, TPNStreamPin)

// Takes no lock itself; asks OtherPin (negotiation) with none held.
bool TPNBasicSinkPin::IsCompatible(TPNBasicPin* OtherPin, bool UseConverters) {
  if (!OtherPin) return true;
  auto* source = dynamic_cast<TPNSourcePin*>(OtherPin);
  if (!source) return false;
  bool result = source->CanDeliverTo(this, UseConverters);
  if (result && !FIgnoreUpstream) result = CanReceiveUpstreamFrom(source, UseConverters);
  return result;
}

// Takes the pin's lock to read its types; asks ASourcePin with none held.
bool TPNBasicSinkPin::CanReceiveUpstreamFrom(TPNSourcePin* ASourcePin, bool UseConverters) {
  {
    auto s = ReadLock();
    if (FIgnoreUpstream || FStreamType->GetLength() == 0) return true;
  }
  TGUID down;
  TClass converterClass = nullptr;
  RefPtr<IPNFormatConverter> converter;
  NegotiateStreamType(ASourcePin, this, UseConverters, down, converterClass, converter, false);
  ReleaseOutsideLinkLock(std::move(converter));
  return !UpstreamTypeFor(ASourcePin, down).IsEmpty();
}

// Takes the pin's lock (and those of the dependency walk) for its accepted types; asks
// ASourcePin with none held.
TGUID TPNBasicSinkPin::UpstreamTypeFor(TPNSourcePin* ASourcePin, const TGUID& ADownstreamID) {
  if (!ASourcePin) return {};
  TPNPinStreamType accepted;
  GetAcceptedTypes(&accepted, this);
  TGUID firstAcceptable;
  for (int32_t i = accepted.GetLength() - 1; i >= 0; --i) {
    const TGUID& id = accepted.GetID(i);
    if (!ASourcePin->AcceptsStreamType(id)) continue;
    if (id == ADownstreamID) return id;
    if (firstAcceptable.IsEmpty()) firstAcceptable = id;
  }
  return firstAcceptable;
}

// Takes no lock itself; asks OtherPin with none held.
bool TPNBasicSinkPin::CanLinkTo(TPNBasicPin* OtherPin, RefPtr<IPNFormatConverter>& ConverterIntf,
                                bool UseConverters, TClass& ConverterClass) {
  if (!OtherPin) return false;
  if (!IsFormatConverter(GetOwner()) && !IsFormatConverter(OtherPin->GetOwner()) &&
      IsDesigning() != OtherPin->IsDesigning())
    return false;
  bool result = TPNStreamPin::CanLinkTo(OtherPin, ConverterIntf, UseConverters, ConverterClass);
  // A source that depends on this sink may not feed it: that would close a cycle.
  if (!result && OtherPin != this && IsCompatible(OtherPin, UseConverters))
    result = !OtherPin->DependsOn(this);
  return result;
}

// ---------------------------------------------------------------------------------------
// TPNSinkPin

PF_DEFINE_CLASS(TPNSinkPin, TPNBasicSinkPin)

// The teardown (BeforeDestruction) has unlinked the pin and every other pin has forgotten it.
void TPNSinkPin::Destroy() { TPNBasicSinkPin::Destroy(); }

// Takes the pin's lock.
TPNBasicPin* TPNSinkPin::GetSourcePin() {
  auto s = ReadLock();
  return FIntRealSourcePin;
}

// Takes the pin's lock; the source's guard is taken under it.
TPNBasicPin* TPNSinkPin::HoldSource(TGuardHold& AHold) {
  auto s = ReadLock();
  if (!FIntRealSourcePin) return nullptr;
  AHold.Take(FIntRealSourcePin);
  return AHold.Granted() ? FIntRealSourcePin : nullptr;
}

// Takes the pin's lock.
TPNBasicPin* TPNSinkPin::ConnectionSourcePin() {
  auto s = ReadLock();
  return FConnectionSourcePin;
}

// Takes the pin's lock.
void TPNSinkPin::SetConnectionSourcePin(TPNBasicPin* APin) {
  auto s = WriteLock();
  FConnectionSourcePin = APin;
}

// Takes the pin's lock.
void TPNSinkPin::SetRealSourcePin(TPNBasicPin* APin) {
  auto s = WriteLock();
  FRealSourcePin = APin;
  FIntRealSourcePin = APin;
}

// Holds the other sink's source while linking to it.
void TPNSinkPin::Assign(platform::TPersistent* Source) {
  if (!Source) {
    Connect(nullptr);
    return;
  }
  if (auto* other = dynamic_cast<TPNSinkPin*>(Source)) {
    TGuardHold held;
    if (TPNBasicPin* source = other->HoldSource(held)) Connect(source);
    else Connect(nullptr);
    return;
  }
  TPNBasicSinkPin::Assign(Source);
}

// Takes the link lock. The former source, and a converter's output that served this pin, are
// called with this pin's lock dropped (CallPeer). One being destroyed refuses the call: its
// entry for this pin is removed all the same (see TPNSourcePin::DropLeavingSink), so that
// neither a delivery of it still under way nor its teardown reaches this pin once it has
// left.
void TPNSinkPin::UnlinkSource(bool Keep) {
  TPNLinkLockHold links;
  TPNBasicPin* source = nullptr;
  TPNBasicPin* connection = nullptr;
  bool refused = false;
  {
    auto s = ReadLock();
    source = FIntRealSourcePin ? FIntRealSourcePin : FRealSourcePin;
    connection = FConnectionSourcePin != source ? FConnectionSourcePin : nullptr;
    if (!source && !connection) return;
    // The old source removes its entry (and, through it, the converter's link to this pin).
    if (source) refused = !CallPeer(this, source, [&] { source->RemoveLink(this, Keep); });
  }
  if (refused)
    if (auto* leaving = dynamic_cast<TPNSourcePin*>(source)) leaving->DropLeavingSink(this);
  refused = false;
  {
    // A converter output that serves this pin by state is left as well.
    auto s = ReadLock();
    if (connection && connection == FConnectionSourcePin)
      if (auto* output = dynamic_cast<TPNSourcePin*>(connection))
        refused = !CallPeer(this, output, [&] {
          if (output->HasLinkTo(this)) output->RemoveLink(this, false);
        });
  }
  if (refused)
    if (auto* output = dynamic_cast<TPNSourcePin*>(connection)) output->DropLeavingSink(this);
  {
    auto s = WriteLock();
    if (FIntRealSourcePin == source || FRealSourcePin == source) {
      FRealSourcePin = nullptr;
      FIntRealSourcePin = nullptr;
      FConnectionSourcePin = nullptr;
      FSubmitFunction = {};
    }
  }
  if (source) {
    auto s = ReadLock();
    CallPeer(this, source, [&] { source->LinksChanged(); });
  }
}

// Takes the link lock; the source is called with this pin's lock dropped (CallPeer).
bool TPNSinkPin::LinkSource(TPNSourcePin* ASource, TPNBasicPin* NotifyAfterPin) {
  TPNLinkLockHold links;
  {
    auto s = WriteLock();
    // Linked meanwhile by another thread: that link is removed first (ConnectAfter).
    if (FIntRealSourcePin || Dispatcher()) return false;
    FConnectionSourcePin = ASource;
    FIntRealSourcePin = ASource;
  }
  bool linked = false;
  {
    auto s = ReadLock();
    CallPeer(this, ASource, [&] {
      ASource->AddLink(this, NotifyAfterPin);
      linked = ASource->HasLinkTo(this);
    });
  }
  bool kept = false;
  {
    auto s = WriteLock();
    kept = FIntRealSourcePin == ASource;
    if (linked && kept) FRealSourcePin = ASource;
    if (!linked && kept) {
      FConnectionSourcePin = nullptr;
      FIntRealSourcePin = nullptr;
    }
  }
  // Unlinked again while the source's AddLink delivered (a source that replays its first
  // operation): what is left of the link goes, also when the source is being destroyed
  // meanwhile (see UnlinkSource).
  if (linked && !kept) {
    bool refused = false;
    {
      auto s = ReadLock();
      refused = !CallPeer(this, ASource, [&] { ASource->RemoveLink(this, false); });
    }
    if (refused) ASource->DropLeavingSink(this);
  }
  return linked && kept;
}

// Takes what the negotiation takes, then the pin's lock to store the result.
void TPNSinkPin::UpdateUpstream(TPNSourcePin* ASource, TPNBasicPin* TPNSinkPin::*AField,
                                bool UseConverters) {
  TGUID down;
  TClass converterClass = nullptr;
  RefPtr<IPNFormatConverter> converter;
  NegotiateStreamType(ASource, this, UseConverters, down, converterClass, converter, false);
  ReleaseOutsideLinkLock(std::move(converter));
  const TGUID up = UpstreamTypeFor(ASource, down);
  const TPNSubmit submit = GetSubmitFunction(up);
  auto s = WriteLock();
  // Linked elsewhere meanwhile: that link has its own types.
  if (this->*AField != ASource) return;
  FConnectedID = up;
  FSubmitFunction = submit;
}

// Takes the link lock for the changes of links; the first operation and the re-typing run
// after it, with no lock held. The source is called with this pin's lock dropped.
bool TPNSinkPin::ConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) {
  if (OtherPin == this) return false;
  if (!OtherPin) {
    UnlinkSource(IsDesigning() && IsRootDestroying());
    return true;
  }
  // The other pin is the caller's: its guard keeps it alive for the whole call.
  TGuardHold peer(OtherPin);
  if (!peer.Granted()) return false;
  {
    auto s = ReadLock();
    if (OtherPin == FRealSourcePin) {
      std::optional<TPNBasicPin*> after =
          CallPeer(this, OtherPin, [&] { return OtherPin->GetNotifyAfterPin(this); });
      if (after && *after == NotifyAfterPin) return true;
    } else if (OtherPin == FConnectionSourcePin) {
      return true;
    }
  }
  if (!CanConnectTo(OtherPin, true)) return false;
  auto* source = dynamic_cast<TPNSourcePin*>(OtherPin);
  // A refused after-pin (not a sink of the source, or one that would close a chain) makes
  // nothing.
  if (source && NotifyAfterPin && !source->CanConnectAfter(this, NotifyAfterPin, true)) return false;
  // A pin being destroyed links to nothing.
  TGuardHold self(this);
  if (!self.Granted()) return false;
  const bool keep = IsDesigning() && IsRootDestroying();
  for (int attempt = 0;; ++attempt) {
    if (IsStateConnected()) TPNBasicSinkPin::Disconnect();
    UnlinkSource(keep);
    if (!source) return OtherPin->ConnectAfter(this, NotifyAfterPin);  // a placeholder
    if (LinkSource(source, NotifyAfterPin)) break;
    // Refused by the source, or linked elsewhere by another thread meanwhile: that link
    // goes and this one is tried again, a bounded number of times.
    if (!source->HasLinkTo(this) && GetSourcePin() == nullptr && !IsStateConnected()) return false;
    if (attempt >= 100) return false;
  }
  UpdateUpstream(source, &TPNSinkPin::FIntRealSourcePin, true);
  {
    auto s = ReadLock();
    CallPeer(this, source, [&] { source->PushToNewSink(this); });
  }
  TGUID down;
  {
    TClass converterClass = nullptr;
    RefPtr<IPNFormatConverter> converter;
    NegotiateStreamType(source, this, true, down, converterClass, converter, false);
    ReleaseOutsideLinkLock(std::move(converter));
  }
  TypeChanged(down, nullptr);
  return true;
}

// Takes no lock itself; asks OtherPin.
bool TPNSinkPin::CanConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin,
                                 bool UseConverters) {
  if (!OtherPin) return true;
  return OtherPin->CanConnectAfter(this, NotifyAfterPin, UseConverters);
}

// Takes the link lock, then the pin's lock for its fields. The fields are cleared only when
// they name APin: a thread that has linked the pin elsewhere meanwhile keeps its link.
void TPNSinkPin::RemoveLink(TPNBasicPin* APin, bool Keep) {
  if (!APin) return;
  TPNLinkLockHold links;
  TPNBasicPin* former = nullptr;
  {
    auto s = WriteLock();
    if (APin != FIntRealSourcePin && APin != FRealSourcePin && APin != FConnectionSourcePin) return;
    if (Keep && FRealSourcePin && !IsRootDestroying() && CreatePlaceholderPin) former = FRealSourcePin;
    FRealSourcePin = nullptr;
    FIntRealSourcePin = nullptr;
    FConnectionSourcePin = nullptr;
  }
  if (!former) return;
  // Under the link lock the former source is alive (it is still registered).
  TGuardHold held;
  TPNBasicPin* placeholder = CreatePlaceholderPin(GetRoot(), ptSource, former->GetFullIdentName(true),
                                                  former->GetFullName(true), GetFullName(true), &held);
  former->LinksChanged();
  if (placeholder) placeholder->ConnectAfter(this, nullptr);
}

// Takes the link lock; leaves the state link, then the source (each step its own locks).
void TPNSinkPin::Disconnect() {
  TPNLinkLockHold links;
  TPNBasicSinkPin::Disconnect();
  UnlinkSource(IsDesigning() && IsRootDestroying());
}

// Takes the link lock.
void TPNSinkPin::DisconnectFrom(TPNBasicPin* OtherPin) {
  TPNLinkLockHold links;
  if (IsConnectedTo(OtherPin))
    Disconnect();
  else
    TPNBasicSinkPin::DisconnectFrom(OtherPin);
}

// Takes the link lock.
void TPNSinkPin::DetachLinks() { UnlinkSource(false); }

// Called under the link lock (every pin is told when APin is being destroyed). Takes the
// pin's lock for its lists.
void TPNSinkPin::PinDestroying(TPNBasicPin* APin) {
  bool source = false;
  {
    auto s = WriteLock();
    auto erase = [APin](std::vector<TPNSourcePin*>& list) {
      for (size_t i = list.size(); i-- > 0;)
        if (list[i] == APin) list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
    };
    erase(FFunctionDependants);
    erase(FDataTypeDependants);
    source = APin && (APin == FIntRealSourcePin || APin == FRealSourcePin ||
                      APin == FConnectionSourcePin);
  }
  if (source) Disconnect();
}

// Takes the owner's lock (read) and the pin's lock to read the source and take its guard;
// calls the source with the owner lock, the link lock and this pin's lock dropped.
TPNNotifyResult TPNSinkPin::Notify(IPNNotifyOperation* Operation) {
  // The guards go last: once they are released the pins may be freed.
  TGuardHold guard, callee;
  RefPtr<IPNNotifyOperation> operation(Operation);
  TPNNotifyResult result;
  RefPtr<IPNLockSection> ownerSection;
  if (FOwnerLock) {
    ownerSection = FOwnerLock->ReadLock();
    if (!ownerSection) return result;  // the owner is being torn down
  }
  guard.Take(this);
  if (!guard.Granted()) return result;
  TPNBasicPin* source = nullptr;
  TPNSubmit submit;
  TGUID id;
  {
    auto s = ReadLock();
    source = FConnectionSourcePin ? FConnectionSourcePin : FRealSourcePin;
    if (!source || !FSubmitFunction.Assigned()) return result;
    submit = FSubmitFunction;
    id = FConnectedID;
    callee.Take(source);
  }
  if (!callee.Granted()) return result;
  {
    TDeliveryLocksReleased released(this, nullptr, false);
    released.Drop();
    result = submit(static_cast<IPNStream*>(source), &id, Operation, {nsLastIteration});
  }
  return result;
}

// Holds the source while asking it.
TPNBasicPin* TPNSinkPin::GetNotifyAfterPin(TPNBasicPin* APin) {
  TGuardHold held;
  TPNBasicPin* source = HoldSource(held);
  if (APin && APin == source) return source->GetNotifyAfterPin(this);
  return TPNBasicSinkPin::GetNotifyAfterPin(APin);
}

// Holds the source while asking it.
bool TPNSinkPin::DirectDependsOn(TPNBasicPin* OtherPin) {
  TGuardHold held;
  TPNBasicPin* source = HoldSource(held);
  return source && source->DirectDependsOn(OtherPin);
}

// Holds the source while asking it.
bool TPNSinkPin::DependsOn(TPNBasicPin* OtherPin) {
  if (!OtherPin) return false;
  TGuardHold held;
  TPNBasicPin* source = HoldSource(held);
  if (!source) return false;
  return source == OtherPin || source->DependsOn(OtherPin);
}

// Takes the pin's lock.
TGUID TPNSinkPin::GetConnectionID(TPNBasicPin* OtherPin) {
  (void)OtherPin;
  auto s = ReadLock();
  return FConnectedID;
}

// Takes the pin's lock, then (released) what the state-link rule takes.
TGUID TPNSinkPin::GetPrimaryConnectionID() {
  {
    auto s = ReadLock();
    if (!FConnectedID.IsEmpty()) return FConnectedID;
  }
  return TPNBasicSinkPin::GetPrimaryConnectionID();
}

// Takes the pin's lock.
TGUID TPNSinkPin::GetUpStreamID() {
  auto s = ReadLock();
  return FIntRealSourcePin ? FConnectedID : TGUID{};
}

// Holds the source and the connection source while asking them.
TGUID TPNSinkPin::GetDownStreamID() {
  TGuardHolds held;
  TPNBasicPin* source = nullptr;
  TPNBasicPin* connection = nullptr;
  {
    auto s = ReadLock();
    if (FIntRealSourcePin && held.Take(FIntRealSourcePin)) source = FIntRealSourcePin;
    if (FConnectionSourcePin && held.Take(FConnectionSourcePin)) connection = FConnectionSourcePin;
  }
  TGUID id;
  if (source) id = source->GetConnectionID(this);
  if (id.IsEmpty() && connection) {
    RefPtr<IPNFormatConverter> converter;
    TClass converterClass = nullptr;
    connection->ResolveConnectionType(this, converter, id, true, converterClass);
    ReleaseOutsideLinkLock(std::move(converter));
  }
  return id;
}

namespace {
// The type name towards the other member of a state link of two or more members. Holds the
// state link and its members while asking for the type.
std::string StateLinkTypeName(TPNSinkPin* APin) {
  TPNStateLinkHold hold(APin);
  if (!hold.Link || hold.Link->GetPinCount() < 2) return {};
  TGuardHolds held;
  for (const TPNStateMember& m : HoldStateMembers(hold.Link, held))
    if (m.RealPin != APin) {
      RefPtr<IPNFormatConverter> converter;
      TClass converterClass = nullptr;
      TGUID id;
      APin->ResolveConnectionType(m.RealPin, converter, id, true, converterClass);
      ReleaseOutsideLinkLock(std::move(converter));
      return StreamTypeName(id);
    }
  return {};
}
}  // namespace

// Takes the pin's lock, or what the state-link rule takes.
std::string TPNSinkPin::GetUpStreamLinkName() {
  {
    auto s = ReadLock();
    if (FIntRealSourcePin) return FConnectedID.IsEmpty() ? std::string() : StreamTypeName(FConnectedID);
  }
  return StateLinkTypeName(this);
}

// Holds the source while asking it, or what the state-link rule takes.
std::string TPNSinkPin::GetDownStreamLinkName() {
  TGuardHold held;
  if (TPNBasicPin* source = HoldSource(held)) {
    TGUID id = source->GetConnectionID(this);
    return id.IsEmpty() ? std::string() : StreamTypeName(id);
  }
  return StateLinkTypeName(this);
}

// Takes the pin's lock (the converter is referenced under it).
RefPtr<IPNFormatConverter> TPNSinkPin::GetFormatConverter() {
  auto s = ReadLock();
  if (FConnectionSourcePin && FConnectionSourcePin != FRealSourcePin)
    return ConverterOf(FConnectionSourcePin->GetOwner());
  return nullptr;
}

bool TPNSinkPin::IsConnected() { return GetSourcePin() != nullptr || IsStateConnected(); }

// Takes the pin's lock, then (released) what the state-link rule takes.
bool TPNSinkPin::IsConnectedTo(TPNBasicPin* OtherPin) {
  {
    auto s = ReadLock();
    if (FIntRealSourcePin && FIntRealSourcePin == OtherPin) return true;
  }
  return TPNBasicSinkPin::IsConnectedTo(OtherPin);
}

// Takes the pin's lock.
bool TPNSinkPin::IsConnectedByConverterTo(TPNBasicPin* OtherPin) {
  auto s = ReadLock();
  return OtherPin && OtherPin == FIntRealSourcePin && FIntRealSourcePin != FConnectionSourcePin;
}

// Takes the pin's lock and the state links' lifetime lock.
bool TPNSinkPin::HasStateConverter() {
  auto s = ReadLock();
  return FConnectionSourcePin && Dispatcher();
}

// Takes the pin's lock (and what HasStateData takes).
bool TPNSinkPin::HasSourceData() {
  auto s = ReadLock();
  return FIntRealSourcePin && !HasStateData() && !HasStateConverter();
}

// Holds the source while asking its name.
bool TPNSinkPin::IsLinkedTo(const std::string& PinName) {
  TGuardHold held;
  TPNBasicPin* source = HoldSource(held);
  if (!source) return TPNBasicSinkPin::IsLinkedTo(PinName);
  bool otherRoot = source->GetRootName() != GetRootName();
  return source->GetFullIdentName(otherRoot) == PinName;
}

// Holds the source while asking its name.
std::string TPNSinkPin::GetDisplayText() {
  TGuardHold held;
  TPNBasicPin* source = HoldSource(held);
  if (!source) return TPNBasicSinkPin::GetDisplayText();
  return source->GetFullIdentName(source->GetRootName() != GetRootName());
}

// Holds the link's members while asking them; sinks among them are not asked.
bool TPNSinkPin::CanJoinState(TPNStateDispatcher* ADispatcher,
                              RefPtr<IPNFormatConverter>& ConverterIntf, bool UseConverters,
                              TClass& ConverterClass) {
  if (!ADispatcher) return false;
  if (ADispatcher == Dispatcher()) return true;
  TGuardHolds held;
  for (const TPNStateMember& m : HoldStateMembers(ADispatcher, held))
    if (!dynamic_cast<TPNBasicSinkPin*>(m.RealPin) &&
        !CanLinkTo(m.RealPin, ConverterIntf, UseConverters, ConverterClass))
      return false;
  return true;
}

bool TPNSinkPin::ConnectToState(TPNStateDispatcher* ADispatcher) {
  return ConnectToStateAfter(ADispatcher, nullptr);
}

// Takes the link lock; the members are asked with no pin lock held; the first operation goes
// out after the link lock is released.
bool TPNSinkPin::ConnectToStateAfter(TPNStateDispatcher* ADispatcher,
                                     TPNBasicPin* NotifyAfterPin) {
  bool result = false;
  {
    TPNLinkLockHold links;
    if (ADispatcher == Dispatcher()) return false;
    if (IsStateConnected()) Disconnect();
    if (ADispatcher) {
      DetachLinks();
      if (TThreadFlag::IsSet(TThreadFlagKind::InConnect, this)) {
        result = TPNBasicSinkPin::ConnectToStateAfter(ADispatcher, NotifyAfterPin);
      } else {
        TThreadFlag inConnect(TThreadFlagKind::InConnect, this);
        TGuardHolds held;
        for (const TPNStateMember& m : HoldStateMembers(ADispatcher, held))
          if ((result = m.RealPin->ConnectByStateAfter(this, NotifyAfterPin))) break;
      }
    }
  }
  PushToStateLink();
  return result;
}

// Holds the state link (and its members) for the push; takes no pin lock.
void TPNSinkPin::PushToStateLink() {
  TPNStateLinkHold hold(this);
  if (hold.Link) hold.Link->PushNewLink(this);
}

HRESULT TPNSinkPin::QueryStreamType(const TGUID& ID, void** Obj) {
  return QueryCheckedStream(ID, Obj, &TPNStreamPin::CheckDownstreamType);
}

// Takes the link lock, the registry lock for the look-up (no pin lock held), then what Connect
// takes.
bool TPNSinkPin::TryLinkTo(TComponent* Root, const std::string& Soutce,
                           const std::string& SoutceName, bool SaveForm) {
  (void)Root;
  (void)SaveForm;
  if (Soutce == "nil") {
    Disconnect();
    return true;
  }
  std::string ident = Soutce;
  std::string display = SoutceName;
  AdjustLoadedFormName(ident);
  AdjustLoadedFormName(display);
  // The pin found stays alive while its guard is held (taken under the registry lock, which
  // keeps every registered pin registered). The link lock is held around the guard, so that
  // what the linking lets go (a placeholder left without links) is freed once the guard is
  // let go: freeing it while holding a guard could wait for a thread that waits for this one.
  TPNLinkLockHold links;
  TGuardHold held;
  TPNBasicPin* source = nullptr;
  if (AllPins) source = AllPins->GetByNameCreate(GetRoot(), ptSource, ident, display, GetFullName(true), &held);
  if (!source) return false;
  if (!IsPlaceholder(source)) return Connect(source);
  // A placeholder records the link itself (this pin, at run time, would refuse a peer of
  // another design state, which every placeholder is); one that records nothing goes.
  const bool linked = source->ConnectAfter(this, nullptr);
  if (!linked) source->LinksChanged();
  return linked;
}

// Takes what TryLinkTo and joining a state link take; the link lock while finding the link.
bool TPNSinkPin::LinkByName(TComponent* ARoot, const std::string& AName) {
  bool result = IsConnected();
  if (AName.empty() || AName == "(Disconnected)") {
    Disconnect();
    return result;
  }
  if (TryLinkTo(ARoot, AName, AName, false)) return true;
  if (FindStateDispatcher) {
    TPNLinkLockHold links;
    if (TPNStateDispatcher* link = FindStateDispatcher(AName, true))
      if (ConnectToState(link)) return true;
  }
  return result;
}

}  // namespace pins
