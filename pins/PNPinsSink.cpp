// Sink pins: linking from the sink side, upstream delivery, unlinking.
#include "pins/PNPins.h"
#include "pins/PNPinsGuards.h"
#include "pins/PNPinsRegistries.h"

namespace pins {

// ---------------------------------------------------------------------------------------
// TPNBasicSinkPin

PF_DEFINE_CLASS(TPNBasicSinkPin, TPNStreamPin)

bool TPNBasicSinkPin::IsCompatible(TPNBasicPin* OtherPin, bool UseConverters) {
  if (!OtherPin) return true;
  auto s = ReadLock();
  auto* source = dynamic_cast<TPNSourcePin*>(OtherPin);
  if (!source) return false;
  bool result = source->CanDeliverTo(this, UseConverters);
  if (result && !FIgnoreUpstream) result = CanReceiveUpstreamFrom(source, UseConverters);
  return result;
}

bool TPNBasicSinkPin::CanReceiveUpstreamFrom(TPNSourcePin* ASourcePin, bool UseConverters) {
  auto s = ReadLock();
  if (FIgnoreUpstream || FStreamType->GetLength() == 0) return true;
  TGUID down;
  TClass converterClass = nullptr;
  RefPtr<IPNFormatConverter> converter;
  NegotiateStreamType(ASourcePin, this, UseConverters, down, converterClass, converter, false);
  return !UpstreamTypeFor(ASourcePin, down).IsEmpty();
}

TGUID TPNBasicSinkPin::UpstreamTypeFor(TPNSourcePin* ASourcePin, const TGUID& ADownstreamID) {
  auto s = ReadLock();
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

bool TPNBasicSinkPin::CanLinkTo(TPNBasicPin* OtherPin, RefPtr<IPNFormatConverter>& ConverterIntf,
                                bool UseConverters, TClass& ConverterClass) {
  if (!OtherPin) return false;
  if (!IsFormatConverter(GetOwner()) && !IsFormatConverter(OtherPin->GetOwner()) &&
      IsDesigning() != OtherPin->IsDesigning())
    return false;
  auto s = ReadLock();
  bool result = TPNStreamPin::CanLinkTo(OtherPin, ConverterIntf, UseConverters, ConverterClass);
  // A source that depends on this sink may not feed it: that would close a cycle.
  if (!result && OtherPin != this && IsCompatible(OtherPin, UseConverters))
    result = !OtherPin->DependsOn(this);
  return result;
}

// ---------------------------------------------------------------------------------------
// TPNSinkPin

PF_DEFINE_CLASS(TPNSinkPin, TPNBasicSinkPin)

void TPNSinkPin::Destroy() {
  {
    auto s = WriteLock();
    auto d = WaitOutGuard(this);
    Connect(nullptr);
  }
  TPNBasicSinkPin::Destroy();
}

TPNBasicPin* TPNSinkPin::GetSourcePin() {
  auto s = ReadLock();
  return FIntRealSourcePin;
}

void TPNSinkPin::Assign(platform::TPersistent* Source) {
  if (!Source) {
    Connect(nullptr);
    return;
  }
  if (auto* other = dynamic_cast<TPNSinkPin*>(Source)) {
    Connect(other->GetSourcePin());
    return;
  }
  TPNBasicSinkPin::Assign(Source);
}

void TPNSinkPin::UnlinkSource(RefPtr<IPNLockSection>& s, bool Keep, bool CallLinksChanged) {
  TPNBasicPin* old = FRealSourcePin;
  if (!old) return;
  s = nullptr;
  {
    auto os = old->WriteLock();
    old->RemoveLink(this, Keep);
  }
  if (CallLinksChanged) old->LinksChanged();
  s = WriteLock();
  FRealSourcePin = nullptr;
  FIntRealSourcePin = nullptr;
  FConnectionSourcePin = nullptr;
}

bool TPNSinkPin::ConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) {
  if (OtherPin == this) return false;
  auto s = WriteLock();
  if (OtherPin == FRealSourcePin) {
    if (!OtherPin) return true;
    if (auto* source = dynamic_cast<TPNSourcePin*>(OtherPin))
      if (source->GetNotifyAfterPin(this) == NotifyAfterPin) return true;
  }
  if (OtherPin && OtherPin == FConnectionSourcePin) return true;

  if (!OtherPin) {
    // Unlinking.
    bool keep = IsDesigning() && IsRootDestroying();
    TPNBasicPin* old = FRealSourcePin;
    UnlinkSource(s, keep, false);
    FSubmitFunction = {};
    s = nullptr;
    if (old) old->LinksChanged();
    return true;
  }

  if (!CanConnectTo(OtherPin, true)) return false;
  if (FDispatcher) Disconnect();
  if (FRealSourcePin) {
    bool keep = IsDesigning() && IsRootDestroying();
    UnlinkSource(s, keep, true);
    FSubmitFunction = {};
  }
  auto* source = dynamic_cast<TPNSourcePin*>(OtherPin);
  if (!source) return OtherPin->ConnectAfter(this, NotifyAfterPin);  // a placeholder

  FConnectionSourcePin = source;
  FIntRealSourcePin = source;
  s = nullptr;
  {
    auto os = source->WriteLock();
    source->AddLink(this, NotifyAfterPin);
  }
  s = WriteLock();
  FRealSourcePin = source;
  FIntRealSourcePin = source;
  TGUID down;
  TClass converterClass = nullptr;
  RefPtr<IPNFormatConverter> converter;
  NegotiateStreamType(source, this, true, down, converterClass, converter, false);
  FConnectedID = UpstreamTypeFor(source, down);
  FSubmitFunction = GetSubmitFunction(FConnectedID);
  s = nullptr;
  {
    auto os = source->WriteLock();
    source->PushToNewSink(this);
    NegotiateStreamType(source, this, true, down, converterClass, converter, false);
  }
  s = WriteLock();
  TypeChanged(down, nullptr);
  return true;
}

bool TPNSinkPin::CanConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin,
                                 bool UseConverters) {
  if (!OtherPin) return true;
  return OtherPin->CanConnectAfter(this, NotifyAfterPin, UseConverters);
}

void TPNSinkPin::RemoveLink(TPNBasicPin* APin, bool Keep) {
  (void)APin;
  TPNBasicPin* placeholder = nullptr;
  TPNBasicPin* former = nullptr;
  {
    auto s = WriteLock();
    auto d = WaitOutGuard(this);
    if (Keep && FRealSourcePin && !IsRootDestroying() && CreatePlaceholderPin) {
      placeholder = CreatePlaceholderPin(GetRoot(), ptSource,
                                         FRealSourcePin->GetFullIdentName(true),
                                         FRealSourcePin->GetFullName(true), GetFullName(true));
      former = FRealSourcePin;
    }
    if (former) former->LinksChanged();
    FRealSourcePin = nullptr;
    FIntRealSourcePin = nullptr;
    FConnectionSourcePin = nullptr;
  }
  if (placeholder) placeholder->ConnectAfter(this, nullptr);
}

void TPNSinkPin::Disconnect() {
  RefPtr<IPNDestroyLockSection> sourceGuard;
  RefPtr<IPNLockSection> sourceSection;
  TPNBasicPin* source = GetSourcePin();
  if (source && !IsPlaceholder(source)) {
    {
      // The calls in flight from the source may need this pin's lock (a typed submit
      // function asks the sink for its stream type): every level this thread holds is
      // dropped while they end, as the guard does for the source's own lock.
      auto ownLevels = UnlockAll();
      sourceGuard = WaitOutGuard(source);
    }
    sourceSection = source->WriteLock();
  }
  auto d = WaitOutGuard(this);
  auto s = WriteLock();
  TPNBasicSinkPin::Disconnect();
  Connect(nullptr);
}

void TPNSinkPin::DisconnectFrom(TPNBasicPin* OtherPin) {
  if (IsConnectedTo(OtherPin))
    Disconnect();
  else
    TPNBasicSinkPin::DisconnectFrom(OtherPin);
}

void TPNSinkPin::DetachLinks() {
  TPNBasicPin* source = GetSourcePin();
  if (!source) return;
  source->RemoveLink(this, false);
  RemoveLink(source, false);
  source->LinksChanged();
}

void TPNSinkPin::PinDestroying(TPNBasicPin* APin) {
  auto s = WriteLock();
  auto erase = [APin](std::vector<TPNSourcePin*>& list) {
    for (size_t i = list.size(); i-- > 0;)
      if (list[i] == APin) list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
  };
  erase(FFunctionDependants);
  erase(FDataTypeDependants);
  if (APin && APin == FIntRealSourcePin) Disconnect();
}

TPNNotifyResult TPNSinkPin::Notify(IPNNotifyOperation* Operation) {
  // The guard goes last: once it is released the pin may be freed.
  TGuardHold guard;
  RefPtr<IPNNotifyOperation> operation(Operation);
  TPNNotifyResult result;
  RefPtr<IPNLockSection> ownerSection;
  if (FOwnerLock) {
    ownerSection = FOwnerLock->ReadLock();
    if (!ownerSection) return result;  // the owner is being torn down
  }
  // The guard is taken before the source is read: a source that unlinks this sink waits
  // until the call has returned.
  guard.Take(this);
  if (!guard.Granted()) return result;
  TPNBasicPin* source = nullptr;
  TPNSubmit submit;
  TGUID id;
  RefPtr<IPNFormatConverter> converter;
  {
    auto s = ReadLock();
    source = FConnectionSourcePin ? FConnectionSourcePin : FRealSourcePin;
    if (!source || !FSubmitFunction.Assigned()) return result;
    submit = FSubmitFunction;
    id = FConnectedID;
    converter = ConverterOf(source->GetOwner());
  }
  {
    TOwnerLocksReleased ownerLocks(FOwnerLock.Get(), nullptr, false);
    result = submit(static_cast<IPNStream*>(source), &id, Operation, {nsLastIteration});
  }
  return result;
}

TPNBasicPin* TPNSinkPin::GetNotifyAfterPin(TPNBasicPin* APin) {
  TPNBasicPin* source = GetSourcePin();
  if (APin && APin == source) return source->GetNotifyAfterPin(this);
  return TPNBasicSinkPin::GetNotifyAfterPin(APin);
}

bool TPNSinkPin::DirectDependsOn(TPNBasicPin* OtherPin) {
  TPNBasicPin* source = GetSourcePin();
  return source && source->DirectDependsOn(OtherPin);
}

bool TPNSinkPin::DependsOn(TPNBasicPin* OtherPin) {
  if (!OtherPin) return false;
  TPNBasicPin* source = GetSourcePin();
  if (!source) return false;
  return source == OtherPin || source->DependsOn(OtherPin);
}

TGUID TPNSinkPin::GetConnectionID(TPNBasicPin* OtherPin) {
  (void)OtherPin;
  auto s = ReadLock();
  return FConnectedID;
}

TGUID TPNSinkPin::GetPrimaryConnectionID() {
  {
    auto s = ReadLock();
    if (!FConnectedID.IsEmpty()) return FConnectedID;
  }
  return TPNBasicSinkPin::GetPrimaryConnectionID();
}

TGUID TPNSinkPin::GetUpStreamID() {
  auto s = ReadLock();
  return FIntRealSourcePin ? FConnectedID : TGUID{};
}

TGUID TPNSinkPin::GetDownStreamID() {
  auto s = ReadLock();
  TGUID id;
  if (FIntRealSourcePin) id = FIntRealSourcePin->GetConnectionID(this);
  if (id.IsEmpty() && FConnectionSourcePin) {
    RefPtr<IPNFormatConverter> converter;
    TClass converterClass = nullptr;
    FConnectionSourcePin->ResolveConnectionType(this, converter, id, true, converterClass);
  }
  return id;
}

std::string TPNSinkPin::GetUpStreamLinkName() {
  auto s = ReadLock();
  if (FIntRealSourcePin) return FConnectedID.IsEmpty() ? std::string() : StreamTypeName(FConnectedID);
  if (FDispatcher && FDispatcher->GetPinCount() >= 2) {
    TPNBasicPin* other = FDispatcher->GetPin(FDispatcher->GetPin(0) == this ? 1 : 0);
    RefPtr<IPNFormatConverter> converter;
    TClass converterClass = nullptr;
    TGUID id;
    ResolveConnectionType(other, converter, id, true, converterClass);
    return StreamTypeName(id);
  }
  return {};
}

std::string TPNSinkPin::GetDownStreamLinkName() {
  auto s = ReadLock();
  if (FIntRealSourcePin) {
    TGUID id = FIntRealSourcePin->GetConnectionID(this);
    return id.IsEmpty() ? std::string() : StreamTypeName(id);
  }
  if (FDispatcher && FDispatcher->GetPinCount() >= 2) return GetUpStreamLinkName();
  return {};
}

RefPtr<IPNFormatConverter> TPNSinkPin::GetFormatConverter() {
  auto s = ReadLock();
  if (FConnectionSourcePin && FConnectionSourcePin != FRealSourcePin)
    return ConverterOf(FConnectionSourcePin->GetOwner());
  return nullptr;
}

bool TPNSinkPin::IsConnected() { return GetSourcePin() != nullptr || IsStateConnected(); }

bool TPNSinkPin::IsConnectedTo(TPNBasicPin* OtherPin) {
  {
    auto s = ReadLock();
    if (FIntRealSourcePin && FIntRealSourcePin == OtherPin) return true;
  }
  return TPNBasicSinkPin::IsConnectedTo(OtherPin);
}

bool TPNSinkPin::IsConnectedByConverterTo(TPNBasicPin* OtherPin) {
  auto s = ReadLock();
  return OtherPin && OtherPin == FIntRealSourcePin && FIntRealSourcePin != FConnectionSourcePin;
}

bool TPNSinkPin::HasStateConverter() {
  auto s = ReadLock();
  return FDispatcher && FConnectionSourcePin;
}

bool TPNSinkPin::HasSourceData() {
  auto s = ReadLock();
  return FIntRealSourcePin && !HasStateData() && !HasStateConverter();
}

bool TPNSinkPin::IsLinkedTo(const std::string& PinName) {
  TPNBasicPin* source = GetSourcePin();
  if (!source) return TPNBasicSinkPin::IsLinkedTo(PinName);
  bool otherRoot = source->GetRootName() != GetRootName();
  return source->GetFullIdentName(otherRoot) == PinName;
}

std::string TPNSinkPin::GetDisplayText() {
  TPNBasicPin* source = GetSourcePin();
  if (!source) return TPNBasicSinkPin::GetDisplayText();
  return source->GetFullIdentName(source->GetRootName() != GetRootName());
}

bool TPNSinkPin::CanJoinState(TPNStateDispatcher* ADispatcher,
                              RefPtr<IPNFormatConverter>& ConverterIntf, bool UseConverters,
                              TClass& ConverterClass) {
  if (!ADispatcher) return false;
  auto s = ReadLock();
  if (ADispatcher == FDispatcher) return true;
  for (const TPNStateMember& m : ADispatcher->GetMembers())
    if (!dynamic_cast<TPNBasicSinkPin*>(m.RealPin) &&
        !CanLinkTo(m.RealPin, ConverterIntf, UseConverters, ConverterClass))
      return false;
  return true;
}

bool TPNSinkPin::ConnectToState(TPNStateDispatcher* ADispatcher) {
  auto s = WriteLock();
  return ConnectToStateAfter(ADispatcher, nullptr);
}

bool TPNSinkPin::ConnectToStateAfter(TPNStateDispatcher* ADispatcher,
                                     TPNBasicPin* NotifyAfterPin) {
  auto s = WriteLock();
  if (ADispatcher == FDispatcher) return false;
  if (FDispatcher) Disconnect();
  bool result = false;
  if (ADispatcher) {
    DetachLinks();
    if (FInConnect) {
      result = TPNBasicSinkPin::ConnectToStateAfter(ADispatcher, NotifyAfterPin);
    } else {
      FInConnect = true;
      try {
        for (int32_t i = 0, n = ADispatcher->GetPinCount(); i < n && !result; ++i)
          if (TPNBasicPin* member = ADispatcher->GetPin(i))
            result = member->ConnectByStateAfter(this, NotifyAfterPin);
      } catch (...) {
        FInConnect = false;
        throw;
      }
      FInConnect = false;
    }
  }
  PushToStateLink();
  return result;
}

void TPNSinkPin::PushToStateLink() {
  auto s = WriteLock();
  // The link is held, and its members taken as one snapshot, for the whole push: the
  // members' deliveries may make members leave and the link free itself.
  TPNStateLinkHold hold(this);
  if (hold.Link) hold.Link->PushNewLink(this);
}

HRESULT TPNSinkPin::QueryStreamType(const TGUID& ID, void** Obj) {
  return QueryCheckedStream(ID, Obj, &TPNStreamPin::CheckDownstreamType);
}

bool TPNSinkPin::TryLinkTo(TComponent* Root, const std::string& Soutce,
                           const std::string& SoutceName, bool SaveForm) {
  (void)Root;
  (void)SaveForm;
  // The lookup takes PinRegistryLock, which is always taken before pin locks (a pin being
  // freed asks every pin to forget it while holding it): it runs before this pin's lock
  // is taken, and Connect takes the locks it needs itself.
  if (Soutce == "nil") {
    Disconnect();
    return true;
  }
  std::string ident = Soutce;
  std::string display = SoutceName;
  AdjustLoadedFormName(ident);
  AdjustLoadedFormName(display);
  TPNBasicPin* source = nullptr;
  if (AllPins) source = AllPins->GetByNameCreate(GetRoot(), ptSource, ident, display, GetFullName(true));
  if (!source) return false;
  return Connect(source);
}

bool TPNSinkPin::LinkByName(TComponent* ARoot, const std::string& AName) {
  bool result = IsConnected();
  if (AName.empty() || AName == "(Disconnected)") {
    Disconnect();
    return result;
  }
  if (TryLinkTo(ARoot, AName, AName, false)) return true;
  if (FindStateDispatcher)
    if (TPNStateDispatcher* link = FindStateDispatcher(AName, true))
      if (ConnectToState(link)) return true;
  return result;
}

}  // namespace pins
