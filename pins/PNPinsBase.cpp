// Notify operations, stream-type lists and the pin base classes.
#include <algorithm>

#include "pins/PNPins.h"
#include "pins/PNPinsGlobals.h"
#include "pins/PNPinsGuards.h"
#include "pins/PNPinsRegistries.h"

namespace pins {

const char* const SPinDependsOnItself =
    "The pin depends on itself. Please protect with functional dependency.";

// ---------------------------------------------------------------------------------------
// Notify operations

namespace {
std::atomic<uint32_t> GOperationCounter{0};
}  // namespace

PF_DEFINE_CLASS(TPNNotifyOperation, platform::TInterfacedObject)

TPNNotifyOperation::TPNNotifyOperation()
    : FOperationID(GOperationCounter.fetch_add(1, std::memory_order_relaxed) + 1) {}

RefPtr<IPNNotifyOperation> TPNNotifyOperation::Make() {
  return RefPtr<IPNNotifyOperation>(platform::New<TPNNotifyOperation>());
}

uint32_t LastNotifyOperationID() { return GOperationCounter.load(std::memory_order_relaxed); }

// ---------------------------------------------------------------------------------------
// Stream-type lists

int32_t TPNPinStreamType::IndexOf(const TGUID& ID) const {
  for (size_t i = 0; i < Types.size(); ++i)
    if (Types[i].ID == ID) return static_cast<int32_t>(i);
  return -1;
}

void TPNPinStreamType::AddType(const TGUID& ID, const TPNSubmit& SubmitFunction) {
  int32_t i = IndexOf(ID);
  if (i >= 0)
    Types[static_cast<size_t>(i)].SubmitFunction = SubmitFunction;
  else
    Types.push_back({ID, SubmitFunction});
}

void TPNPinStreamType::RemoveType(const TGUID& ID) {
  int32_t i = IndexOf(ID);
  if (i >= 0) Types.erase(Types.begin() + i);
}

void TPNPinStreamType::SwapPosition(int32_t Index1, int32_t Index2) {
  std::swap(Types[static_cast<size_t>(Index1)], Types[static_cast<size_t>(Index2)]);
}

// ---------------------------------------------------------------------------------------
// TPNPinObject, TPNBasicPin

PF_DEFINE_CLASS(TPNPinObject, TPNObject)
PF_DEFINE_CLASS(TPNBasicPin, TPNPinObject)
PF_DEFINE_CLASS(TPNStateDispatcher, TPNPinObject)

TPNBasicPin::TPNBasicPin() { FDestroyLock = NewDestroyLock(this); }

void TPNBasicPin::AfterConstruction() {
  TPNPinObject::AfterConstruction();
  // Registered once fully built, so that broadcasts never reach a half-made pin.
  if (AllPins) {
    TPNRegistryLockHold hold;
    AllPins->Add(this);
    FRegistered = true;
  }
}

HRESULT TPNBasicPin::QueryInterface(const TGUID& iid, void** object) {
  return platform::QueryInterfaces<IPNStream>(this, iid, object);
}

bool TPNBasicPin::AcceptsStreamType(const TGUID& ID) {
  void* obj = nullptr;
  HRESULT r = QueryStreamType(ID, &obj);
  if (r == platform::S_OK && obj) static_cast<IInterface*>(obj)->Release();
  return r == platform::S_OK;
}

void TPNBasicPin::BeforeDestruction() {
  {
    auto s = WriteLock();
    auto d = WaitOutGuard(this);
    Disconnect();
  }
  FDestroyUnlock = UnlockAll();
  if (FRegistered) {
    {
      TPNRegistryLockHold hold;
      AllPins->Extract(this);
      FRegistered = false;
    }
    // Every other pin forgets this one.
    TellRegisteredPins([this](TPNBasicPin* APin) { APin->PinDestroying(this); });
    PinUnregistered();
  }
  TPNPinObject::BeforeDestruction();
}

void TPNBasicPin::Destroy() {
  { auto d = WaitOutGuard(this); }
  if (CurrentEditorPtr) *CurrentEditorPtr = nullptr;
  FDestroyUnlock = nullptr;
  TPNPinObject::Destroy();
}

TPNBasicPin* TPNBasicPin::GetNotifyAfterPin(TPNBasicPin* APin) {
  auto s = ReadLock();
  return FDispatcher ? FDispatcher->GetAfterPinOf(APin) : nullptr;
}

std::string TPNBasicPin::GetRootName() { return RootNamePart(GetFullIdentName(true)); }

TComponent* TPNBasicPin::GetRoot() { return GetRootComponent(GetOwner()); }

std::string TPNBasicPin::GetOwnerName() {
  const std::string path = AfterRootNamePart(GetFullIdentName(true));
  const size_t q = path.rfind('.');
  return q == std::string::npos ? path : path.substr(0, q);
}

bool TPNBasicPin::IsStateConnected() {
  auto s = ReadLock();
  return FDispatcher != nullptr;
}

bool TPNBasicPin::IsConnectedToState(TPNStateDispatcher* ADispatcher) {
  auto s = ReadLock();
  return FDispatcher == ADispatcher;
}

bool TPNBasicPin::IsConnectedByStateTo(TPNBasicPin* OtherPin) {
  auto s = ReadLock();
  if (!FDispatcher) return false;
  for (const TPNStateMember& m : FDispatcher->GetMembers())
    if (m.RealPin == OtherPin) return true;
  return false;
}

bool TPNBasicPin::IsConnectedByStateToAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) {
  auto s = ReadLock();
  if (!FDispatcher) return false;
  for (const TPNStateMember& m : FDispatcher->GetMembers())
    if (m.RealPin == OtherPin && m.AfterPin == NotifyAfterPin) return true;
  return false;
}

bool TPNBasicPin::ConnectByStateAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) {
  RefPtr<IPNFormatConverter> converterIntf;
  TClass converterClass = nullptr;
  if (!CanLinkTo(OtherPin, converterIntf, true, converterClass)) return false;
  auto s = WriteLock();
  auto joinConverter = [&](TPNStateDispatcher* link) {
    if (converterClass) {
      TObject* made = converterClass->Create(nullptr);
      converterIntf = RefPtr<IPNFormatConverter>(dynamic_cast<IPNFormatConverter*>(made));
      if (!converterIntf) {
        platform::Free(made);
        return false;
      }
    }
    TPNFormatConverterPins* pins = ConverterPins(converterIntf.Get());
    if (!pins) return false;
    link->AddConverter(converterIntf.Get());
    pins->OutputPin()->ConnectAfter(OtherPin, NotifyAfterPin);
    pins->InputPin()->SetDispatcher(link);
    link->AddPin(pins->InputPin(), OtherPin);
    pins->InputPin()->SetConnectionSourcePin(this);
    if (auto* sink = dynamic_cast<TPNSinkPin*>(OtherPin)) {
      sink->SetRealSourcePin(this);
      sink->SetDispatcher(link);
    }
    return true;
  };
  bool result = false;
  if (FDispatcher) {
    if (converterIntf || converterClass)
      result = joinConverter(FDispatcher);
    else
      result = OtherPin->ConnectToState(FDispatcher);
    PushToStateLink();
  } else if (OtherPin->Dispatcher()) {
    result = ConnectToState(OtherPin->Dispatcher());
    PushToStateLink();
  } else {
    TPNStateDispatcher* link = CreateDispatcher(GetRootComponent(GetOwner()));
    if (!link) return false;
    FDispatcher = link;
    link->AddPin(this, this);
    if (converterIntf || converterClass) {
      joinConverter(link);
    } else {
      OtherPin->SetDispatcher(link);
      link->AddPin(OtherPin, OtherPin);
    }
    PushToStateLink();
    result = true;
  }
  return result;
}

bool TPNBasicPin::ConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) {
  if (OtherPin == this) return false;
  return ConnectByStateAfter(OtherPin, NotifyAfterPin);
}

bool TPNBasicPin::CanConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin,
                                  bool UseConverters) {
  if (NotifyAfterPin) {
    auto s = ReadLock();
    return FDispatcher && FDispatcher->CanConnectAfter(OtherPin, NotifyAfterPin, UseConverters);
  }
  return CanConnectTo(OtherPin, UseConverters);
}

void TPNBasicPin::Disconnect() {
  auto s = WriteLock();
  auto d = WaitOutGuard(this);
  if (TPNStateDispatcher* link = FDispatcher) {
    link->RemovePin(this);
    FDispatcher = nullptr;
  }
}

void TPNBasicPin::DisconnectFrom(TPNBasicPin* OtherPin) {
  auto s = WriteLock();
  auto d = WaitOutGuard(this);
  if (TPNStateDispatcher* link = FDispatcher) {
    link->RemovePin(OtherPin);
    FDispatcher = nullptr;
  }
}

bool TPNBasicPin::HasStateData() {
  auto s = ReadLock();
  return FDispatcher && !HasStateConverter();
}

TPNStateDispatcher* TPNBasicPin::GetConnectedDispatcher(int32_t Index) {
  (void)Index;
  return FDispatcher;
}

bool TPNBasicPin::CanJoinState(TPNStateDispatcher* ADispatcher,
                               RefPtr<IPNFormatConverter>& ConverterIntf, bool UseConverters,
                               TClass& ConverterClass) {
  if (!ADispatcher) return false;
  auto s = ReadLock();
  if (ADispatcher == FDispatcher) return true;
  for (const TPNStateMember& m : ADispatcher->GetMembers())
    if (!CanLinkTo(m.RealPin, ConverterIntf, UseConverters, ConverterClass)) return false;
  return true;
}

std::string TPNBasicPin::GetDisplayText() {
  auto s = ReadLock();
  if (!FDispatcher) return "(Disconnected)";
  if (FDispatcher->GetPinCount() == 2) {
    TPNBasicPin* other = FDispatcher->GetPin(0) == this ? FDispatcher->GetPin(1)
                                                        : FDispatcher->GetPin(0);
    return other ? other->GetFullName(true) : std::string();
  }
  return FDispatcher->GetName();
}

bool TPNBasicPin::IsLinkedTo(const std::string& PinName) {
  auto s = ReadLock();
  if (!FDispatcher) return false;
  for (const TPNStateMember& m : FDispatcher->GetMembers())
    if (m.RealPin && m.RealPin->GetFullName(true) == PinName) return true;
  return false;
}

bool TPNBasicPin::ConnectToStateAfter(TPNStateDispatcher* ADispatcher,
                                      TPNBasicPin* NotifyAfterPin) {
  auto s = WriteLock();
  if (ADispatcher == FDispatcher) return false;
  Disconnect();
  if (ADispatcher && CanConnectToState(ADispatcher)) {
    ADispatcher->AddPinAfter(this, this, NotifyAfterPin);
    FDispatcher = ADispatcher;
    PushToStateLink();
    return true;
  }
  return false;
}

bool TPNBasicPin::CanConnectTo(TPNBasicPin* OtherPin, bool UseConverters) {
  RefPtr<IPNFormatConverter> converterIntf;
  TClass converterClass = nullptr;
  return CanLinkTo(OtherPin, converterIntf, UseConverters, converterClass);
}

bool TPNBasicPin::CanConnectToState(TPNStateDispatcher* ADispatcher) {
  RefPtr<IPNFormatConverter> converterIntf;
  TClass converterClass = nullptr;
  return CanJoinState(ADispatcher, converterIntf, true, converterClass);
}

bool TPNBasicPin::GetIsRealPin() { return dynamic_cast<TPNPin*>(this) != nullptr; }

void TPNBasicPin::AdjustLoadedFormName(std::string& Name) {
  if (!FLoadFormName.empty()) AdjustFormNamePart(Name, FLoadFormName, GetRoot());
}

// ---------------------------------------------------------------------------------------
// TPNPin

PF_DEFINE_CLASS(TPNPin, TPNBasicPin)

TPNPin::TPNPin(TComponent* AOwner) {
  auto s = WriteLock();
  FStreamType = new TPNPinStreamType;
  FOwner = AOwner;
  FInSending = 0;
  TPNPin::GetRootName();
}

TPNPin::TPNPin(TComponent* AOwner, IPNLock* AOwnerLock) {
  auto s = WriteLock();
  FOwnerLock = AOwnerLock;
  FStreamType = new TPNPinStreamType;
  FOwner = AOwner;
  FInSending = 0;
  TPNPin::GetRootName();
}

void TPNPin::Destroy() {
  TPNBasicPin::Destroy();
  delete FStreamType;
  FStreamType = nullptr;
}

RefPtr<IPNLockSection> TPNPin::ReadLock() { return PinSection(this, FOwnerLock.Get(), false); }

RefPtr<IPNLockSection> TPNPin::WriteLock() { return PinSection(this, FOwnerLock.Get(), true); }

bool TPNPin::IsRootDestroying() {
  auto s = WriteLock();
  if (!FOwner) return false;
  TComponent* root = GetRootComponent(FOwner);
  return root && root->ComponentState().Contains(platform::csDestroying);
}

bool TPNPin::IsDesigning() {
  auto s = ReadLock();
  return FOwner && FOwner->ComponentState().Contains(platform::csDesigning);
}

bool TPNPin::IsOwnerLoading() {
  auto s = ReadLock();
  return FOwner && FOwner->ComponentState().Contains(platform::csLoading);
}

bool TPNPin::CanLinkTo(TPNBasicPin* OtherPin, RefPtr<IPNFormatConverter>& ConverterIntf,
                       bool UseConverters, TClass& ConverterClass) {
  (void)ConverterIntf;
  (void)ConverterClass;
  auto s = ReadLock();
  if (!OtherPin) return false;
  if (!IsFormatConverter(GetOwner()) && !IsFormatConverter(OtherPin->GetOwner()) &&
      IsDesigning() != OtherPin->IsDesigning())
    return false;
  if (IsPlaceholder(OtherPin)) return OtherPin->CanConnectTo(this, UseConverters);
  return false;
}

void TPNPin::ResolvePlaceholders() {
  if (!UnloadedPins) return;
  try {
    for (;;) {
      TPNBasicPin* found = nullptr;
      {
        TPNRegistryLockHold hold;
        found = UnloadedPins->GetByIdentName(GetRoot(), GetFullName(true));
        if (!found) found = UnloadedPins->GetByIdentName(GetRoot(), GetFullName(false));
      }
      if (!found || !PopulatePlaceholder) return;
      PopulatePlaceholder(found, this);
    }
  } catch (...) {
    // A failed hand-over ends the resolution; the links stay with the placeholder.
  }
}

void TPNPin::ResolveConnectionType(TPNBasicPin* APin, RefPtr<IPNFormatConverter>& ConverterIntf,
                                   TGUID& ID, bool UseConverters, TClass& ConverterClass) {
  ID = TGUID{};
  if (!APin) return;
  auto s = ReadLock();
  for (int32_t i = FStreamType->GetLength() - 1; i >= 0; --i)
    if (APin->AcceptsStreamType(FStreamType->GetID(i))) {
      ID = FStreamType->GetID(i);
      return;
    }
  if (!UseConverters) return;
  TPNPinType t = APin->GetPinType();
  if (t != ptSink && t != ptMultiSink) return;
  if (FDispatcher) {
    for (int32_t c = FDispatcher->GetConverterCount() - 1; c >= 0; --c) {
      IPNFormatConverter* conv = FDispatcher->GetConverter(c);
      TPNFormatConverterPins* pins = ConverterPins(conv);
      if (!pins) continue;
      TGUID outID;
      TClass dummyClass = nullptr;
      RefPtr<IPNFormatConverter> dummyIntf;
      NegotiateStreamType(pins->OutputPin(), APin, false, outID, dummyClass, dummyIntf, false);
      if (!outID.IsEmpty() && APin->AcceptsStreamType(outID)) {
        ConverterIntf = conv;
        ID = outID;
        return;
      }
    }
  }
  FindRegisteredConverter(*FStreamType, APin, ID, ConverterClass);
}

TGUID TPNPin::GetConnectionIDFor(TPNBasicPin* APin) {
  RefPtr<IPNFormatConverter> converterIntf;
  TClass converterClass = nullptr;
  TGUID id;
  ResolveConnectionType(APin, converterIntf, id, true, converterClass);
  return id;
}

TGUID TPNPin::GetPrimaryConnectionID() {
  auto s = ReadLock();
  if (IsConnected() && FDispatcher && FDispatcher->GetPinCount() > 0)
    return GetConnectionID(FDispatcher->GetPin(0));
  return {};
}

std::string TPNPin::GetConnectionName(TPNBasicPin* OtherPin) {
  TGUID id = GetConnectionID(OtherPin);
  return id.IsEmpty() ? std::string() : StreamTypeName(id);
}

TPNSubmit TPNPin::GetSubmitFunction(const TGUID& ID) {
  if (ID.IsEmpty()) return {};
  auto s = ReadLock();
  int32_t i = FStreamType->IndexOf(ID);
  if (i < 0) return {};
  const TPNSubmit& f = FStreamType->GetSubmitFunc(i);
  if (f.Assigned()) return f;
  return TPNSubmit::Bind<&TPNPin::DefaultNotifyDispatcher>(this);
}

TPNNotifyResult TPNPin::DefaultNotifyDispatcher(IPNStream* Handler, const TGUID* DataTypeID,
                                                IPNNotifyOperation* Operation,
                                                TPNNotifyState State) {
  TPNGlobalSubmit send = nullptr;
  {
    auto s = ReadLock();
    if (DataTypeID)
      for (const TPNStreamTypeEntry& e : StreamTypes())
        if (e.ID == *DataTypeID) {
          send = e.SendFunction;
          break;
        }
  }
  if (!send) return {};
  return send(this, Handler, DataTypeID, Operation, State);
}

TPNNotifyResult TPNPin::NotifyState(IPNNotifyOperation* Operation, TPNNotifyState State,
                                    TPNBasicPin* ATarget) {
  // One guard section for the whole delivery, taken before the state link is read (see
  // TPNSourcePin::NotifySinks).
  TGuardHold guard;
  guard.Take(this);
  if (!guard.Granted()) return {};
  // The link is held alive for the whole delivery, and its members are taken as one
  // snapshot under its read section: any thread may make members leave meanwhile (and the
  // link free itself when fewer than two remain).
  struct TTarget {
    TPNStateMember Member;
    TGUID ID;
    TPNSubmit Submit;
    RefPtr<IPNFormatConverter> Converter;  // keeps a converter between alive for the call
  };
  TPNStateLinkHold hold(this);
  if (!hold.Link) return {};
  std::vector<TTarget> targets;
  for (const TPNStateMember& m : hold.Link->GetMembers()) targets.emplace_back().Member = m;
  // The pin's own types, copied so that no member is asked anything under this pin's lock
  // (a member joining the link holds its own lock while it pushes to this pin).
  std::vector<TGUID> ownTypes;
  {
    auto s = ReadLock();
    for (const TPNPinTypeEntry& e : FStreamType->Types) ownTypes.push_back(e.ID);
  }
  for (TTarget& t : targets) {
    TPNBasicPin* connection = t.Member.ConnectionPin;
    if (t.Member.RealPin == this || !connection) continue;
    t.Converter = ConverterOf(connection->GetOwner());
    for (size_t k = ownTypes.size(); k-- > 0 && t.ID.IsEmpty();)
      if (connection->AcceptsStreamType(ownTypes[k])) t.ID = ownTypes[k];
    // Only a type reached through a converter needs the full resolution.
    if (t.ID.IsEmpty()) t.ID = GetConnectionIDFor(connection);
    t.Submit = GetSubmitFunction(t.ID);
  }
  const int32_t count = static_cast<int32_t>(targets.size());
  for (int32_t i = 0; i < count; ++i) {
    TTarget& t = targets[static_cast<size_t>(i)];
    if (ATarget) {
      if (t.Member.RealPin != ATarget) continue;
      State.Include(nsLastIteration);
    } else if (i >= count - 1) {
      State.Include(nsLastIteration);
    }
    if (i == count - 2 && targets[static_cast<size_t>(count - 1)].Member.RealPin == this)
      State.Include(nsLastIteration);
    if (t.Member.RealPin == this) continue;
    if (t.Submit.Assigned() && t.Member.ConnectionPin)
      t.Submit(static_cast<IPNStream*>(t.Member.ConnectionPin), &t.ID, Operation, State);
  }
  return {};
}

// ---------------------------------------------------------------------------------------
// TPNStreamPin

PF_DEFINE_CLASS(TPNStreamPin, TPNPin)

void TPNStreamPin::GetOfferedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
  (void)AStartPin;
  auto s = ReadLock();
  for (const TPNPinTypeEntry& e : FStreamType->Types) AList->AddType(e.ID, e.SubmitFunction);
}

void TPNStreamPin::GetAcceptedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
  (void)AStartPin;
  auto s = ReadLock();
  for (const TPNPinTypeEntry& e : FStreamType->Types) AList->AddType(e.ID, e.SubmitFunction);
}

void TPNStreamPin::CollectLinkedObjects(std::vector<TPNObjectList*>& ALists,
                                        TPNObjectList* AList) {
  (void)ALists;
  if (AList) AList->Items.push_back(this);
}

HRESULT TPNStreamPin::QueryCheckedStream(const TGUID& ID, void** Obj,
                                         HRESULT (TPNStreamPin::*ACheck)(const TGUID&)) {
  auto s = ReadLock();
  HRESULT r = QueryInterface(ID, Obj);
  if (r == platform::S_OK) {
    HRESULT c = (this->*ACheck)(ID);
    if (c != platform::S_OK) {
      if (Obj && *Obj) {
        static_cast<IInterface*>(*Obj)->Release();
        *Obj = nullptr;
      }
      return c;
    }
  }
  return r;
}

void TPNStreamPin::AddType(const TGUID& ID, const TPNSubmit& SubmitFunction) {
  auto s = WriteLock();
  FStreamType->AddType(ID, SubmitFunction);
}

}  // namespace pins
