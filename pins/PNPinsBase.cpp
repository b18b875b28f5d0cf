// Notify operations, stream-type lists and the pin base classes.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "pins/PNPins.h"
#include "pins/PNPinsGlobals.h"
#include "pins/PNPinsGuards.h"
#include "pins/PNPinsRegistries.h"
#include "pins/PNPinsStateLinks.h"

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
PF_DEFINE_CLASS(TPNObjectList, platform::TInterfacedObject)

TPNBasicPin::TPNBasicPin() { FDestroyLock = NewDestroyLock(this); }

// Takes the registry lock.
void TPNBasicPin::AfterConstruction() {
  TPNPinObject::AfterConstruction();
  // Registered once fully built, so that broadcasts never reach a half-made pin. Its lock
  // takes its place in the lock-order checks from here on: before, no other thread could
  // wait for it or hold it.
  FIntLock->Instance()->SetRank(TPNLockRank::Pin);
  if (AllPins) {
    TPNRegistryLockHold hold;
    AllPins->Add(this);
    FRegistered = true;
  }
}

HRESULT TPNBasicPin::QueryInterface(const TGUID& iid, void** object) {
  return platform::QueryInterfaces<IPNStream>(this, iid, object);
}

// Takes this pin's lock (QueryStreamType) and no other.
bool TPNBasicPin::AcceptsStreamType(const TGUID& ID) {
  void* obj = nullptr;
  HRESULT r = QueryStreamType(ID, &obj);
  if (r == platform::S_OK && obj) static_cast<IInterface*>(obj)->Release();
  return r == platform::S_OK;
}

// Waits for other threads' calls through and into the pin (no lock held), unlinks it, then
// under the link lock leaves AllPins and makes every other pin forget it.
void TPNBasicPin::BeforeDestruction() {
  if (ThreadHoldsLinkLock()) {
    std::fprintf(stderr, "A pin (%s) is freed while its thread holds the link lock.\n", ClassName());
    std::abort();
  }
  // New calls through or into the pin are refused from here to the end of its life.
  FTeardown = WaitOutGuardToDestroy(this);
  Disconnect();
  FDestroyUnlock = UnlockAll();
  if (FRegistered) {
    TPNLinkLockHold links;
    {
      TPNRegistryLockHold hold;
      AllPins->Extract(this);
      FRegistered = false;
    }
    // Every other pin forgets this one: whatever still names it (a link made or removed
    // half-way by a thread that met this pin's teardown) goes now, before it is freed.
    TellRegisteredPins([this](TPNBasicPin* APin) { APin->PinDestroying(this); });
  }
  PinUnregistered();
  TPNPinObject::BeforeDestruction();
}

void TPNBasicPin::Destroy() {
  if (CurrentEditorPtr) *CurrentEditorPtr = nullptr;
  FTeardown = nullptr;
  FOwnerTeardown = nullptr;
  FDestroyUnlock = nullptr;
  TPNPinObject::Destroy();
}

// Takes the state links' lifetime lock and then the link's lock.
TPNBasicPin* TPNBasicPin::GetNotifyAfterPin(TPNBasicPin* APin) {
  TPNStateLinkHold hold(this);
  return hold.Link ? hold.Link->GetAfterPinOf(APin) : nullptr;
}

std::string TPNBasicPin::GetRootName() { return RootNamePart(GetFullIdentName(true)); }

TComponent* TPNBasicPin::GetRoot() { return GetRootComponent(GetOwner()); }

std::string TPNBasicPin::GetOwnerName() {
  const std::string path = AfterRootNamePart(GetFullIdentName(true));
  const size_t q = path.rfind('.');
  return q == std::string::npos ? path : path.substr(0, q);
}

// Takes the state links' lifetime lock.
bool TPNBasicPin::IsStateConnected() { return Dispatcher() != nullptr; }

// Takes the state links' lifetime lock.
bool TPNBasicPin::IsConnectedToState(TPNStateDispatcher* ADispatcher) {
  return Dispatcher() == ADispatcher;
}

// Takes the state links' lifetime lock and then the link's lock (members compared only).
bool TPNBasicPin::IsConnectedByStateTo(TPNBasicPin* OtherPin) {
  TPNStateLinkHold hold(this);
  if (!hold.Link) return false;
  for (const TPNStateMember& m : hold.Link->GetMembers())
    if (m.RealPin == OtherPin) return true;
  return false;
}

// Takes the state links' lifetime lock and then the link's lock (members compared only).
bool TPNBasicPin::IsConnectedByStateToAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) {
  TPNStateLinkHold hold(this);
  if (!hold.Link) return false;
  for (const TPNStateMember& m : hold.Link->GetMembers())
    if (m.RealPin == OtherPin && m.AfterPin == NotifyAfterPin) return true;
  return false;
}

// Takes the link lock; under it this pin, OtherPin and the members of their state links are
// alive, and they are called with no pin lock held. The first operation goes out after.
bool TPNBasicPin::ConnectByStateAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) {
  if (!OtherPin || OtherPin == this) return false;
  RefPtr<IPNFormatConverter> converterIntf;
  TClass converterClass = nullptr;
  if (!CanLinkTo(OtherPin, converterIntf, true, converterClass)) return false;
  bool result = false;
  {
    TPNLinkLockHold links;
    TGuardHold self(this), other(OtherPin);
    if (!self.Granted() || !other.Granted()) return false;
    // The type between the two members: one of this pin's own types, else a converter (one
    // the link already uses, else a registered class). A sink that no type reaches is
    // refused instead of being joined without one.
    auto* sink = dynamic_cast<TPNSinkPin*>(OtherPin);
    if (sink) {
      TGUID id;
      ResolveConnectionType(OtherPin, converterIntf, id, true, converterClass);
      if (id.IsEmpty()) return false;
      if (converterIntf) converterClass = nullptr;
    }
    const bool throughConverter = sink && (converterIntf || converterClass);
    auto join = [&](TPNStateDispatcher* ALink) {
      if (!throughConverter) {
        // A sink joining a state link lets go of its source first.
        if (sink) sink->DetachLinks();
        OtherPin->SetDispatcher(ALink);
        ALink->AddPin(OtherPin, OtherPin);
        return true;
      }
      RefPtr<IPNFormatConverter> converter = converterIntf;
      if (!converter && converterClass) {
        converter = RefPtr<IPNFormatConverter>(
            dynamic_cast<IPNFormatConverter*>(converterClass->Create(nullptr)));
        if (!converter) return false;
      }
      bool joined = AttachStateConverter(ALink, converter, sink, this, NotifyAfterPin);
      ReleaseOutsideLinkLock(std::move(converter));
      return joined;
    };
    if (TPNStateLinkHold hold(this); hold.Link) {
      result = throughConverter ? join(hold.Link) : OtherPin->ConnectToState(hold.Link);
    } else if (TPNStateLinkHold other(OtherPin); other.Link) {
      result = ConnectToState(other.Link);
    } else {
      TPNStateDispatcher* made = CreateDispatcher(GetRootComponent(GetOwner()));
      if (!made) return false;
      SetDispatcher(made);
      made->AddPin(this, this);
      TPNStateLinkHold held(this);
      result = join(made);
      // A link left with this pin alone goes again.
      if (!result) LeaveStateLink();
    }
  }
  if (result) PushToStateLink();
  return result;
}

bool TPNBasicPin::ConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) {
  if (OtherPin == this) return false;
  return ConnectByStateAfter(OtherPin, NotifyAfterPin);
}

// Takes the link's lock (through the state-link hold) or, without an after-pin, what
// CanConnectTo takes.
bool TPNBasicPin::CanConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin,
                                  bool UseConverters) {
  if (NotifyAfterPin) {
    TPNStateLinkHold hold(this);
    return hold.Link && hold.Link->CanConnectAfter(OtherPin, NotifyAfterPin, UseConverters);
  }
  return CanConnectTo(OtherPin, UseConverters);
}

// Takes the link lock, then the state link's.
void TPNBasicPin::LeaveStateLink() {
  TPNLinkLockHold links;
  TPNStateLinkHold hold(this);
  if (hold.Link) hold.Link->RemovePin(this);
}

// Takes the link lock.
void TPNBasicPin::Disconnect() { LeaveStateLink(); }

// Takes the link lock. OtherPin leaves this pin's state link; this pin stays a member (and
// keeps its link) unless the link is left with it alone.
void TPNBasicPin::DisconnectFrom(TPNBasicPin* OtherPin) {
  TPNLinkLockHold links;
  TPNStateLinkHold hold(this);
  if (hold.Link) hold.Link->RemovePin(OtherPin);
}

// Takes the state links' lifetime lock (HasStateConverter of sinks takes the pin's lock).
bool TPNBasicPin::HasStateData() { return Dispatcher() && !HasStateConverter(); }

TPNStateDispatcher* TPNBasicPin::GetConnectedDispatcher(int32_t Index) {
  (void)Index;
  return Dispatcher();
}

// Takes ADispatcher's lock to hold its members, then calls them with no lock held.
bool TPNBasicPin::CanJoinState(TPNStateDispatcher* ADispatcher,
                               RefPtr<IPNFormatConverter>& ConverterIntf, bool UseConverters,
                               TClass& ConverterClass) {
  if (!ADispatcher) return false;
  if (ADispatcher == Dispatcher()) return true;
  TGuardHolds held;
  for (const TPNStateMember& m : HoldStateMembers(ADispatcher, held))
    if (!CanLinkTo(m.RealPin, ConverterIntf, UseConverters, ConverterClass)) return false;
  return true;
}

// Holds the state link and the member it names (no lock held while asking its name).
std::string TPNBasicPin::GetDisplayText() {
  TPNStateLinkHold hold(this);
  if (!hold.Link) return "(Disconnected)";
  TGuardHolds held;
  const std::vector<TPNStateMember> members = HoldStateMembers(hold.Link, held);
  if (members.size() == 2)
    for (const TPNStateMember& m : members)
      if (m.RealPin != this) return m.RealPin->GetFullName(true);
  return hold.Link->GetName();
}

// Holds the state link and its members (no lock held while asking their names).
bool TPNBasicPin::IsLinkedTo(const std::string& PinName) {
  TPNStateLinkHold hold(this);
  if (!hold.Link) return false;
  TGuardHolds held;
  for (const TPNStateMember& m : HoldStateMembers(hold.Link, held))
    if (m.RealPin->GetFullName(true) == PinName) return true;
  return false;
}

// Takes the link lock; the first operation goes out after it is released.
bool TPNBasicPin::ConnectToStateAfter(TPNStateDispatcher* ADispatcher,
                                      TPNBasicPin* NotifyAfterPin) {
  {
    TPNLinkLockHold links;
    if (ADispatcher == Dispatcher()) return false;
    Disconnect();
    if (!ADispatcher || !CanConnectToState(ADispatcher)) return false;
    ADispatcher->AddPinAfter(this, this, NotifyAfterPin);
    SetDispatcher(ADispatcher);
  }
  PushToStateLink();
  return true;
}

bool TPNBasicPin::CanConnectTo(TPNBasicPin* OtherPin, bool UseConverters) {
  RefPtr<IPNFormatConverter> converterIntf;
  TClass converterClass = nullptr;
  bool result = CanLinkTo(OtherPin, converterIntf, UseConverters, converterClass);
  ReleaseOutsideLinkLock(std::move(converterIntf));
  return result;
}

bool TPNBasicPin::CanConnectToState(TPNStateDispatcher* ADispatcher) {
  RefPtr<IPNFormatConverter> converterIntf;
  TClass converterClass = nullptr;
  bool result = CanJoinState(ADispatcher, converterIntf, true, converterClass);
  ReleaseOutsideLinkLock(std::move(converterIntf));
  return result;
}

bool TPNBasicPin::GetIsRealPin() { return dynamic_cast<TPNPin*>(this) != nullptr; }

void TPNBasicPin::AdjustLoadedFormName(std::string& Name) {
  if (!FLoadFormName.empty()) AdjustFormNamePart(Name, FLoadFormName, GetRoot());
}

// ---------------------------------------------------------------------------------------
// TPNPin

PF_DEFINE_CLASS(TPNPin, TPNBasicPin)

// Takes the new pin's lock.
TPNPin::TPNPin(TComponent* AOwner) {
  auto s = WriteLock();
  FStreamType = new TPNPinStreamType;
  FOwner = AOwner;
  FInSending = 0;
  TPNPin::GetRootName();
}

// Takes the new pin's lock.
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

// Takes the pin's lock (the owner's lock is only dropped, after twenty failed tries).
RefPtr<IPNLockSection> TPNPin::ReadLock() { return PinSection(this, FOwnerLock.Get(), false); }

// Takes the pin's lock (the owner's lock is only dropped, after twenty failed tries).
RefPtr<IPNLockSection> TPNPin::WriteLock() { return PinSection(this, FOwnerLock.Get(), true); }

// Takes no lock: the owner never changes and the component state is its own.
bool TPNPin::IsRootDestroying() {
  if (!FOwner) return false;
  TComponent* root = GetRootComponent(FOwner);
  return root && root->ComponentState().Contains(platform::csDestroying);
}

// Takes no lock: the owner never changes and the component state is its own.
bool TPNPin::IsDesigning() {
  return FOwner && FOwner->ComponentState().Contains(platform::csDesigning);
}

// Takes no lock: the owner never changes and the component state is its own.
bool TPNPin::IsOwnerLoading() {
  return FOwner && FOwner->ComponentState().Contains(platform::csLoading);
}

// Takes no lock; asks OtherPin with none held.
bool TPNPin::CanLinkTo(TPNBasicPin* OtherPin, RefPtr<IPNFormatConverter>& ConverterIntf,
                       bool UseConverters, TClass& ConverterClass) {
  (void)ConverterIntf;
  (void)ConverterClass;
  if (!OtherPin) return false;
  if (!IsFormatConverter(GetOwner()) && !IsFormatConverter(OtherPin->GetOwner()) &&
      IsDesigning() != OtherPin->IsDesigning())
    return false;
  if (IsPlaceholder(OtherPin)) return OtherPin->CanConnectTo(this, UseConverters);
  return false;
}

// Takes the registry lock for each look-up; a placeholder found hands its links over with no
// lock held.
void TPNPin::ResolvePlaceholders() {
  if (!UnloadedPins) return;
  try {
    for (;;) {
      TPNBasicPin* found = nullptr;
      TGuardHold held;
      const std::string full = GetFullName(true);
      const std::string shortName = GetFullName(false);
      {
        TPNRegistryLockHold hold;
        found = UnloadedPins->GetByIdentName(GetRoot(), full);
        if (!found) found = UnloadedPins->GetByIdentName(GetRoot(), shortName);
        // The placeholder belongs to UnloadedPins: it stays alive while its guard is held.
        if (found) held.Take(found);
      }
      if (!found || !held.Granted() || !PopulatePlaceholder) return;
      PopulatePlaceholder(found, this, &held);
    }
  } catch (...) {
    // A failed hand-over ends the resolution; the links stay with the placeholder.
  }
}

namespace {
// The pin's own types, copied under its lock.
std::vector<TGUID> OwnTypeIDs(TPNPin* APin) {
  std::vector<TGUID> ids;
  auto s = APin->ReadLock();
  for (const TPNPinTypeEntry& e : APin->StreamType()->Types) ids.push_back(e.ID);
  return ids;
}
}  // namespace

// Takes this pin's lock to copy its types; asks APin and the converters with no lock held.
void TPNPin::ResolveConnectionType(TPNBasicPin* APin, RefPtr<IPNFormatConverter>& ConverterIntf,
                                   TGUID& ID, bool UseConverters, TClass& ConverterClass) {
  ID = TGUID{};
  if (!APin) return;
  const std::vector<TGUID> own = OwnTypeIDs(this);
  for (size_t i = own.size(); i-- > 0;)
    if (APin->AcceptsStreamType(own[i])) {
      ID = own[i];
      return;
    }
  if (!UseConverters) return;
  TPNPinType t = APin->GetPinType();
  if (t != ptSink && t != ptMultiSink) return;
  TPNStateLinkHold hold(this);
  std::vector<RefPtr<IPNFormatConverter>> converters;
  if (hold.Link) converters = hold.Link->GetConverters();
  for (size_t c = converters.size(); c-- > 0;) {
    TPNFormatConverterPins* pins = ConverterPins(converters[c].Get());
    if (!pins) continue;
    TGUID outID;
    TClass noClass = nullptr;
    RefPtr<IPNFormatConverter> noIntf;
    NegotiateStreamType(pins->OutputPin(), APin, false, outID, noClass, noIntf, false);
    if (!outID.IsEmpty() && APin->AcceptsStreamType(outID)) {
      ConverterIntf = converters[c];
      ID = outID;
      break;
    }
  }
  for (RefPtr<IPNFormatConverter>& c : converters) ReleaseOutsideLinkLock(std::move(c));
  if (!ID.IsEmpty()) return;
  TPNPinStreamType types;
  for (const TGUID& id : own) types.AddType(id, {});
  FindRegisteredConverter(types, APin, ID, ConverterClass);
}

TGUID TPNPin::GetConnectionIDFor(TPNBasicPin* APin) {
  RefPtr<IPNFormatConverter> converterIntf;
  TClass converterClass = nullptr;
  TGUID id;
  ResolveConnectionType(APin, converterIntf, id, true, converterClass);
  ReleaseOutsideLinkLock(std::move(converterIntf));
  return id;
}

// Holds the state link and its first member while asking for the type.
TGUID TPNPin::GetPrimaryConnectionID() {
  TPNStateLinkHold hold(this);
  if (!hold.Link || !IsConnected()) return {};
  TGuardHolds held;
  std::vector<TPNStateMember> members = HoldStateMembers(hold.Link, held);
  if (members.empty() || hold.Link->GetPin(0) != members[0].RealPin) return {};
  return GetConnectionID(members[0].RealPin);
}

std::string TPNPin::GetConnectionName(TPNBasicPin* OtherPin) {
  TGUID id = GetConnectionID(OtherPin);
  return id.IsEmpty() ? std::string() : StreamTypeName(id);
}

// Takes the pin's lock.
TPNSubmit TPNPin::GetSubmitFunction(const TGUID& ID) {
  if (ID.IsEmpty()) return {};
  auto s = ReadLock();
  int32_t i = FStreamType->IndexOf(ID);
  if (i < 0) return {};
  const TPNSubmit& f = FStreamType->GetSubmitFunc(i);
  if (f.Assigned()) return f;
  return TPNSubmit::Bind<&TPNPin::DefaultNotifyDispatcher>(this);
}

// Calls the registry's send function with no lock held.
TPNNotifyResult TPNPin::DefaultNotifyDispatcher(IPNStream* Handler, const TGUID* DataTypeID,
                                                IPNNotifyOperation* Operation,
                                                TPNNotifyState State) {
  TPNGlobalSubmit send = nullptr;
  if (DataTypeID)
    for (const TPNStreamTypeEntry& e : StreamTypes())
      if (e.ID == *DataTypeID) {
        send = e.SendFunction;
        break;
      }
  if (!send) return {};
  return send(this, Handler, DataTypeID, Operation, State);
}

// Holds the state link; each member's presence is checked and its connection pin's guard
// taken under the link's lock; the calls run with the owner locks, the link lock and this
// pin's lock dropped.
TPNNotifyResult TPNPin::NotifyState(IPNNotifyOperation* Operation, TPNNotifyState State,
                                    TPNBasicPin* ATarget) {
  // One guard section of this pin for the whole delivery, taken before the state link is
  // read (see TPNSourcePin::NotifySinks).
  TGuardHold guard;
  guard.Take(this);
  if (!guard.Granted()) return {};
  RefPtr<IPNNotifyOperation> operation(Operation);
  // The link is held alive for the whole delivery, and its members are taken as one
  // snapshot under its read section: any thread may make members leave meanwhile (and the
  // link free itself when fewer than two remain). A member that has left is skipped.
  TPNStateLinkHold hold(this);
  if (!hold.Link) return {};
  const std::vector<TPNStateMember> members = hold.Link->GetMembers();
  // Read after the members: a converter's output links every member it serves before the
  // member joins, so the links of the members found have serials up to this mark. The mark
  // goes on with every converter called (see TPNSourcePin::NotifySinks).
  const uint64_t mark = LastLinkSerial();
  const std::vector<TGUID> ownTypes = OwnTypeIDs(this);
  TDeliveryLocksReleased released(this, nullptr, false);
  std::vector<TPNBasicPin*> called;  // connection pins already served by this delivery
  const int32_t count = static_cast<int32_t>(members.size());
  for (int32_t i = 0; i < count; ++i) {
    const TPNStateMember& m = members[static_cast<size_t>(i)];
    if (ATarget) {
      if (m.RealPin != ATarget) continue;
      State.Include(nsLastIteration);
    } else if (i >= count - 1) {
      State.Include(nsLastIteration);
    }
    if (i == count - 2 && members[static_cast<size_t>(count - 1)].RealPin == this)
      State.Include(nsLastIteration);
    if (m.RealPin == this || !m.ConnectionPin) continue;
    const bool throughConverter = m.ConnectionPin != m.RealPin;
    // A converter input shared by several members is called once by a plain delivery; its
    // converter serves all of them. A new link's operation goes to each member alone.
    const bool alone = ATarget || State.Contains(nsNewLink);
    if (throughConverter && !alone &&
        std::find(called.begin(), called.end(), m.ConnectionPin) != called.end())
      continue;
    TGuardHold callee;
    if (!HoldStateMember(hold.Link, m, callee)) continue;
    called.push_back(m.ConnectionPin);
    TGUID id;
    for (size_t k = ownTypes.size(); k-- > 0 && id.IsEmpty();)
      if (m.ConnectionPin->AcceptsStreamType(ownTypes[k])) id = ownTypes[k];
    // Only a type reached through a converter needs the full resolution.
    if (id.IsEmpty()) id = GetConnectionIDFor(m.ConnectionPin);
    TPNSubmit submit = GetSubmitFunction(id);
    if (!submit.Assigned()) continue;
    std::optional<TDeliveryThroughConverter> hop;
    if (throughConverter) hop.emplace(m.ConnectionPin, alone ? m.RealPin : nullptr, State, mark);
    released.Drop();
    submit(static_cast<IPNStream*>(m.ConnectionPin), &id, Operation, State);
  }
  return {};
}

// ---------------------------------------------------------------------------------------
// TPNStreamPin

PF_DEFINE_CLASS(TPNStreamPin, TPNPin)

// Takes the pin's lock.
void TPNStreamPin::GetOfferedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
  (void)AStartPin;
  auto s = ReadLock();
  for (const TPNPinTypeEntry& e : FStreamType->Types) AList->AddType(e.ID, e.SubmitFunction);
}

// Takes the pin's lock.
void TPNStreamPin::GetAcceptedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
  (void)AStartPin;
  auto s = ReadLock();
  for (const TPNPinTypeEntry& e : FStreamType->Types) AList->AddType(e.ID, e.SubmitFunction);
}

void TPNStreamPin::CollectLinkedObjects(TPNObjectLists& ALists, TPNObjectList* AList) {
  (void)ALists;
  if (AList) AList->Add(this);
}

// Takes no lock itself: the interface test needs none, and the dependency check takes the
// locks of the pins it walks one at a time.
HRESULT TPNStreamPin::QueryCheckedStream(const TGUID& ID, void** Obj,
                                         HRESULT (TPNStreamPin::*ACheck)(const TGUID&)) {
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

// Takes the pin's lock.
void TPNStreamPin::AddType(const TGUID& ID, const TPNSubmit& SubmitFunction) {
  auto s = WriteLock();
  FStreamType->AddType(ID, SubmitFunction);
}

}  // namespace pins
