// Source pins: links, stream-type negotiation and delivery.
#include <algorithm>

#include "pins/PNPins.h"
#include "pins/PNPinsGuards.h"
#include "pins/PNPinsRegistries.h"
#include "pins/PNPinsStateLinks.h"
#include "platform/Lists.h"

namespace pins {

// ---------------------------------------------------------------------------------------
// Link entries

namespace {
// The serial of the last link made, process-wide.
std::atomic<uint64_t> GLinkSerials{0};
}  // namespace

uint64_t LastLinkSerial() { return GLinkSerials.load(); }

TPNPinEntry* TPNPinEntryList::Add() {
  FItems.push_back(new TPNPinEntry);
  FItems.back()->Serial = GLinkSerials.fetch_add(1) + 1;
  return FItems.back();
}

void TPNPinEntryList::Remove(TPNPinEntry* Item) {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  if (it == FItems.end()) return;
  delete *it;
  FItems.erase(it);
}

void TPNPinEntryList::Delete(int32_t Index) {
  delete FItems[static_cast<size_t>(Index)];
  FItems.erase(FItems.begin() + Index);
}

void TPNPinEntryList::Clear() {
  for (TPNPinEntry* e : FItems) delete e;
  FItems.clear();
}

TPNPinEntry* TPNPinEntryList::GetItemByPin(TPNBasicPin* APin) const {
  for (TPNPinEntry* e : FItems)
    if (e->RealPin == APin) return e;
  return nullptr;
}

namespace {

int CompareWeights(const TPNPinEntry* A, const TPNPinEntry* B) {
  return A->ModificationLevel - B->ModificationLevel;
}

}  // namespace

void TPNPinEntryList::Sort(int (*Compare)(const TPNPinEntry* A, const TPNPinEntry* B)) {
  if (!FItems.empty()) platform::ListQuickSort(FItems, 0, Count() - 1, Compare);
}

void TPNPinEntryList::Move(int32_t CurIndex, int32_t NewIndex) {
  if (CurIndex == NewIndex) return;
  TPNPinEntry* item = FItems[static_cast<size_t>(CurIndex)];
  FItems.erase(FItems.begin() + CurIndex);
  FItems.insert(FItems.begin() + NewIndex, item);
}

// ---------------------------------------------------------------------------------------
// Dependency lists

// Takes the owner's lock.
int32_t TPNSinkPinList::Count() {
  auto s = FOwner->ReadLock();
  return static_cast<int32_t>(FList.size());
}

// Takes the owner's lock.
TPNBasicSinkPin* TPNSinkPinList::Items(int32_t Index) {
  auto s = FOwner->ReadLock();
  return FList[static_cast<size_t>(Index)];
}

// Takes the owner's lock.
bool TPNSinkPinList::Contains(TPNBasicPin* APin) {
  auto s = FOwner->ReadLock();
  for (TPNBasicSinkPin* p : FList)
    if (p == APin) return true;
  return false;
}

// Takes the owner's lock.
void TPNSinkPinList::Add(TPNBasicSinkPin* APin) {
  if (!APin) return;
  auto s = FOwner->WriteLock();
  FList.push_back(APin);
}

// Takes the owner's lock.
void TPNSinkPinList::Remove(TPNBasicSinkPin* APin) {
  auto s = FOwner->WriteLock();
  auto it = std::find(FList.begin(), FList.end(), APin);
  if (it != FList.end()) FList.erase(it);
}

namespace {
void RemoveFirst(std::vector<TPNSourcePin*>& AList, TPNSourcePin* APin) {
  auto it = std::find(AList.begin(), AList.end(), APin);
  if (it != AList.end()) AList.erase(it);
}
}  // namespace

// Takes the owner's lock, then (after releasing it) the sink's.
void TPNFunctionSinkPinList::Add(TPNBasicSinkPin* APin) {
  if (!APin) return;
  TPNSinkPinList::Add(APin);
  auto s = APin->WriteLock();
  APin->FunctionDependants().push_back(FOwner);
}

// Takes the owner's lock, then (after releasing it) the sink's.
void TPNFunctionSinkPinList::Remove(TPNBasicSinkPin* APin) {
  TPNSinkPinList::Remove(APin);
  if (!APin) return;
  auto s = APin->WriteLock();
  RemoveFirst(APin->FunctionDependants(), FOwner);
}

// Takes the owner's lock, then (after releasing it) the sink's.
void TPNDataTypeSinkPinList::Add(TPNBasicSinkPin* APin) {
  if (!APin) return;
  TPNSinkPinList::Add(APin);
  auto s = APin->WriteLock();
  APin->DataTypeDependants().push_back(FOwner);
}

// Takes the owner's lock, then (after releasing it) the sink's.
void TPNDataTypeSinkPinList::Remove(TPNBasicSinkPin* APin) {
  TPNSinkPinList::Remove(APin);
  if (!APin) return;
  auto s = APin->WriteLock();
  RemoveFirst(APin->DataTypeDependants(), FOwner);
}

// ---------------------------------------------------------------------------------------
// Negotiation

// Takes the source's lock to copy its offered types and converters, then asks the sink (and
// the converters' pins) with no lock held. Call it with no pin lock held.
void NegotiateStreamType(TPNSourcePin* Source, TPNBasicPin* Sink, bool UseConverters, TGUID& ID,
                         TClass& ConverterClass, RefPtr<IPNFormatConverter>& ConverterIntf,
                         bool UseGlobal) {
  ID = TGUID{};
  ConverterClass = nullptr;
  ConverterIntf = nullptr;
  if (!Sink || !Source) return;
  TPNPinTypeRestricted offered;
  Source->GetOfferedTypes(&offered, Source);
  // Later types win over earlier ones.
  for (int32_t i = offered.GetLength() - 1; i >= 0; --i)
    if (Sink->AcceptsStreamType(offered.GetID(i))) {
      ID = offered.GetID(i);
      return;
    }
  if (!UseConverters) return;
  std::vector<RefPtr<IPNFormatConverter>> converters;
  {
    auto s = Source->ReadLock();
    converters = *Source->FFormatConverters;
  }
  for (size_t c = converters.size(); c-- > 0 && ID.IsEmpty();) {
    TPNFormatConverterPins* pins = ConverterPins(converters[c].Get());
    if (!pins) continue;
    TGUID outID, inID;
    TClass noClass = nullptr;
    RefPtr<IPNFormatConverter> noIntf;
    NegotiateStreamType(pins->OutputPin(), Sink, false, outID, noClass, noIntf, false);
    if (outID.IsEmpty() || !Sink->AcceptsStreamType(outID)) continue;
    NegotiateStreamType(Source, pins->InputPin(), false, inID, noClass, noIntf, false);
    ID = inID;
    ConverterIntf = converters[c];
  }
  // The copies may be the last references (another thread let a converter go meanwhile).
  for (RefPtr<IPNFormatConverter>& c : converters) ReleaseOutsideLinkLock(std::move(c));
  if (ID.IsEmpty() && UseGlobal) FindRegisteredConverter(offered, Sink, ID, ConverterClass);
}

// Takes no lock; asks APin (its lock) for each type.
bool FindRegisteredConverter(const TPNPinStreamType& ATypes, TPNBasicPin* APin, TGUID& ID,
                             TClass& ConverterClass) {
  const auto& registry = TypeConverters();
  for (size_t e = registry.size(); e-- > 0;)
    for (int32_t i = ATypes.GetLength() - 1; i >= 0; --i)
      if (registry[e].InputID == ATypes.GetID(i) && APin->AcceptsStreamType(registry[e].OutputID)) {
        ID = registry[e].InputID;
        ConverterClass = registry[e].ConverterClass;
        return true;
      }
  return false;
}

// ---------------------------------------------------------------------------------------
// TPNSourcePin

PF_DEFINE_CLASS(TPNSourcePin, TPNStreamPin)

TPNSourcePin::TPNSourcePin(TComponent* AOwner) : TPNStreamPin(AOwner) { InitSourcePin(); }

TPNSourcePin::TPNSourcePin(TComponent* AOwner, IPNLock* AOwnerLock, IPNLock* AInputOwnerLock)
    : TPNStreamPin(AOwner, AOwnerLock) {
  FInputOwnerLock = AInputOwnerLock;
  InitSourcePin();
}

// Takes the pin's lock.
void TPNSourcePin::InitSourcePin() {
  auto s = WriteLock();
  FSinkPins = new TPNPinEntryList;
  FFormatConverters = new std::vector<RefPtr<IPNFormatConverter>>;
  FFunctionSources = new TPNFunctionSinkPinList(this);
  FDataTypeSources = new TPNDataTypeSinkPinList(this);
}

// The teardown (BeforeDestruction) has unlinked the pin and every other pin has forgotten it:
// only the lists are left to free.
void TPNSourcePin::Destroy() {
  std::vector<RefPtr<IPNFormatConverter>>* converters = FFormatConverters;
  FFormatConverters = nullptr;
  delete converters;
  delete FSinkPins;
  FSinkPins = nullptr;
  delete FFunctionSources;
  FFunctionSources = nullptr;
  delete FDataTypeSources;
  FDataTypeSources = nullptr;
  TPNStreamPin::Destroy();
}

bool TPNSourcePin::InDisconnect() const {
  return TThreadFlag::IsSet(TThreadFlagKind::InDisconnect, this);
}

// Takes the pin's lock.
int32_t TPNSourcePin::GetSinkCount() {
  auto s = ReadLock();
  return FSinkPins->Count();
}

// Takes the pin's lock.
TPNBasicPin* TPNSourcePin::GetSink(int32_t Index) {
  auto s = ReadLock();
  return (*FSinkPins)[Index]->RealPin;
}

// Takes the pin's lock; the sinks' guards are taken under it.
std::vector<TPNBasicPin*> TPNSourcePin::HoldSinks(TGuardHolds& AHolds) {
  std::vector<TPNBasicPin*> sinks;
  auto s = ReadLock();
  for (int32_t i = 0; i < FSinkPins->Count(); ++i)
    if (AHolds.Take((*FSinkPins)[i]->RealPin)) sinks.push_back((*FSinkPins)[i]->RealPin);
  return sinks;
}

// Takes the pin's lock.
bool TPNSourcePin::HasSinks() {
  auto s = ReadLock();
  return FSinkPins->Count() > 0;
}

// Takes the pin's lock.
bool TPNSourcePin::HasLinkTo(TPNBasicPin* APin) {
  auto s = ReadLock();
  return FSinkPins->GetItemByPin(APin) != nullptr;
}

// Takes the pin's lock.
int32_t TPNSourcePin::GetConverterCount() {
  auto s = ReadLock();
  return static_cast<int32_t>(FFormatConverters->size());
}

// Takes the pin's lock.
IPNFormatConverter* TPNSourcePin::GetConverter(int32_t Index) {
  auto s = ReadLock();
  return (*FFormatConverters)[static_cast<size_t>(Index)].Get();
}

// Takes the pin's lock.
int32_t TPNSourcePin::GetSinkWeight(TPNBasicPin* APin) {
  auto s = ReadLock();
  TPNPinEntry* e = FSinkPins->GetItemByPin(APin);
  return e ? std::atomic_ref<int32_t>(e->ModificationLevel).load() : -1;
}

// Takes what the negotiation takes (no lock held while asking the sink).
bool TPNSourcePin::CanDeliverTo(TPNBasicSinkPin* ASinkPin, bool UseConverters) {
  TGUID id;
  TClass converterClass = nullptr;
  RefPtr<IPNFormatConverter> converter;
  NegotiateStreamType(this, ASinkPin, UseConverters, id, converterClass, converter, true);
  ReleaseOutsideLinkLock(std::move(converter));
  return !id.IsEmpty();
}

// Takes the link lock (the sink calls it so, with its own lock dropped).
void TPNSourcePin::AddLink(TPNBasicPin* ASinkPin, TPNBasicPin* NotifyAfterPin) {
  MakeLink(ASinkPin, NotifyAfterPin, true);
}

// Takes the link lock; this pin's lock only to read and change its lists, never while it
// asks another pin; makes a converter (the registry lock) under the link lock alone.
bool TPNSourcePin::MakeLink(TPNBasicPin* ASinkPin, TPNBasicPin* NotifyAfterPin,
                            bool UseConverters) {
  if (!ASinkPin) return false;
  TPNLinkLockHold links;
  // A pin being destroyed links to nothing.
  TGuardHold self(this);
  if (!self.Granted()) return false;
  if (HasLinkTo(ASinkPin)) return true;
  TGUID id;
  TClass converterClass = nullptr;
  RefPtr<IPNFormatConverter> converter;
  NegotiateStreamType(this, ASinkPin, UseConverters, id, converterClass, converter, true);
  // A direct link (a converter's output to its sink) needs a type of its own.
  if (!UseConverters && id.IsEmpty()) return false;
  const bool made = converter == nullptr && converterClass != nullptr;
  if (made) {
    TObject* object = converterClass->Create(nullptr);
    converter = RefPtr<IPNFormatConverter>(dynamic_cast<IPNFormatConverter*>(object));
    if (!converter) {
      platform::Free(object);
      return false;
    }
  }
  TPNBasicPin* connection = ASinkPin;
  if (TPNFormatConverterPins* pins = ConverterPins(converter.Get())) {
    // The converter's output serves the sink directly, without a first operation of its
    // own: the first operation comes from this pin, converted (PushToNewSink). The after-pin
    // is this pin's: the converter's entry takes its place after it.
    if (!pins->OutputPin()->MakeLink(ASinkPin, nullptr, false) ||
        !pins->OutputPin()->HasLinkTo(ASinkPin)) {
      ReleaseOutsideLinkLock(std::move(converter));
      return false;
    }
    if (made) {
      auto s = WriteLock();
      FFormatConverters->push_back(converter);
    }
    pins->InputPin()->SetFeedingSource(this);
    if (auto* sink = dynamic_cast<TPNSinkPin*>(ASinkPin)) sink->SetConnectionSourcePin(pins->OutputPin());
    connection = pins->InputPin();
  }
  const TPNSubmit submit = GetSubmitFunction(id);
  {
    auto s = WriteLock();
    TPNPinEntry* entry = FSinkPins->Add();
    entry->RealPin = ASinkPin;
    entry->NotifyAfterPin = NotifyAfterPin;
    entry->ConnectionPin = connection;
    entry->ConnectedID = id;
    entry->SubmitFunction = submit;
    entry->ModificationLevel = 0;
  }
  ReleaseOutsideLinkLock(std::move(converter));
  return true;
}

namespace {
// Lowers a pin's sending counter when a push or delivery ends, also by an exception.
struct TSendingCount {
  std::atomic<int32_t>& Counter;
  bool Counted = false;
  void Lower() {
    if (Counted) Counter.fetch_sub(1);
    Counted = false;
  }
};
}  // namespace

// Takes the pin's lock for the counter; calls the sink with the owner lock, the link lock
// and every level of this pin's lock dropped (the input lock stays held).
void TPNSourcePin::PushToSink(TPNBasicSinkPin* ASinkPin, const TPNSubmit& ASubmitFunction) {
  if (!ASubmitFunction.Assigned() || !ASinkPin) return;
  // The guards go last: once they are released the pins may be freed.
  TGuardHold guard, callee;
  callee.Take(ASinkPin);  // the caller knows the sink alive
  if (!callee.Granted()) return;
  guard.Take(this);
  if (!guard.Granted()) return;
  TSendingCount sending{FInSending};
  {
    auto s = WriteLock();
    if (FInSending.load() > 10) throw EPNException(SPinDependsOnItself);
    FInSending.fetch_add(1);
    sending.Counted = true;
  }
  TGUID id;
  {
    TClass converterClass = nullptr;
    RefPtr<IPNFormatConverter> converter;
    NegotiateStreamType(this, ASinkPin, true, id, converterClass, converter, false);
    ReleaseOutsideLinkLock(std::move(converter));
  }
  try {
    TDeliveryLocksReleased released(this, FInputOwnerLock.Get(), false);
    released.Drop();
    RefPtr<IPNNotifyOperation> operation = TPNNotifyOperation::Make();
    ASubmitFunction(static_cast<IPNStream*>(ASinkPin), &id, operation.Get(),
                    {nsNewLink, nsLastIteration});
  } catch (...) {
    auto s = WriteLock();
    sending.Lower();
    throw;
  }
  auto s = WriteLock();
  sending.Lower();
}

// Pushes with no lock held; through a converter, the converted operation reaches the entry's
// sink alone.
void TPNSourcePin::PushToEntry(const TPNPinEntry& AEntry) {
  auto* receiver = dynamic_cast<TPNBasicSinkPin*>(AEntry.ConnectionPin);
  if (!receiver) return;
  std::optional<TDeliveryThroughConverter> one;
  if (AEntry.ConnectionPin != AEntry.RealPin)
    one.emplace(AEntry.ConnectionPin, AEntry.RealPin, TPNNotifyState{nsNewLink, nsLastIteration}, 0);
  PushToSink(receiver, AEntry.SubmitFunction);
}

// Takes the pin's lock to read the entry and take the receiver's guard; pushes with none.
void TPNSourcePin::PushToNewSink(TPNBasicSinkPin* ASinkPin) {
  TPNPinEntry entry;
  TGuardHold receiver;
  {
    auto s = ReadLock();
    TPNPinEntry* e = FSinkPins->GetItemByPin(ASinkPin);
    if (!e || !e->ConnectionPin) return;
    entry = *e;
    receiver.Take(entry.ConnectionPin);
    if (!receiver.Granted()) return;
  }
  PushToEntry(entry);
}

// Delivers with no lock held (see NotifyState).
void TPNSourcePin::PushToStateLink() {
  if (Dispatcher()) NotifyState(TPNNotifyOperation::Make().Get(), {nsNewLink}, nullptr);
}

// Takes the pin's lock for the snapshot and, before each call, to check the entry and take
// the receiver's guard; calls with the owner locks, the link lock and this pin's lock
// dropped.
TPNNotifyResult TPNSourcePin::NotifySinks(TPNBasicPin* ATarget, IPNNotifyOperation* Operation) {
  // The guard is declared first so that its section is the last thing released: once it
  // is gone the pin may be freed by a thread waiting to destroy it.
  TGuardHold guard;
  RefPtr<IPNNotifyOperation> operation(Operation);
  std::vector<TPNNotifyPinEntry> snapshot;
  TSendingCount sending{FInSending};
  TPNNotifyResult result;
  // A converter's output sending what its input received keeps to the links the outer
  // delivery found (those with a serial up to its mark), and serves one new sink alone.
  const TDeliveryThroughConverter::TRedirect redirect = TDeliveryThroughConverter::Take(this);
  if (redirect.Target) ATarget = redirect.Target;
  TDeliveryLocksReleased released(this, FInputOwnerLock.Get(), true);
  auto finish = [&] {
    // Converters whose last reference was the snapshot's go with no lock held (or once the
    // link lock is released, when the caller holds it).
    for (TPNNotifyPinEntry& item : snapshot) ReleaseOutsideLinkLock(std::move(item.Converter));
    snapshot.clear();
    released.Restore();
    auto w = WriteLock();
    if (!InDisconnect()) Reschedule();
    sending.Lower();
  };
  try {
    // One guard section covers the whole delivery: the pin is not freed before it ends.
    // While the pin is being destroyed the guard is refused and no call is made.
    guard.Take(this);
    if (!guard.Granted()) return result;
    uint32_t generation;
    // The links this delivery works on: those made up to this serial. It goes on with every
    // converter the delivery calls, so that the converter's output leaves out the links made
    // after this delivery began, as this one does.
    uint64_t mark;
    {
      auto s = ReadLock();
      generation = FLinkGeneration.load();
      mark = redirect.Mark ? redirect.Mark : LastLinkSerial();
      snapshot.reserve(static_cast<size_t>(FSinkPins->Count()));
      for (int32_t i = 0; i < FSinkPins->Count(); ++i) {
        if ((*FSinkPins)[i]->Serial > mark) continue;
        TPNNotifyPinEntry& item = snapshot.emplace_back();
        item.Entry = *(*FSinkPins)[i];
        item.Entry.ModificationLevel = 0;
        if (item.Entry.ConnectionPin)
          item.Converter = ConverterOf(item.Entry.ConnectionPin->GetOwner());
      }
      if (FInSending.load() > 200) throw EPNException(SPinDependsOnItself);
      FInSending.fetch_add(1);
      sending.Counted = true;
    }
    const int32_t count = static_cast<int32_t>(snapshot.size());
    // A converter input shared by several sinks is called once, by the first of its entries
    // still linked (the converter serves them all); a delivery to one sink calls that sink's
    // entry alone.
    std::vector<TPNBasicPin*> converterInputsCalled;
    // State-link members first.
    if (!redirect.Target && Dispatcher()) {
      released.Drop();
      result = TPNPin::Notify(Operation);
    }
    for (int32_t i = 0; i < count; ++i) {
      TPNPinEntry& e = snapshot[static_cast<size_t>(i)].Entry;
      TPNNotifyState state = redirect.Target ? redirect.State : TPNNotifyState();
      if (!redirect.Target && i == count - 1) state.Include(nsLastIteration);
      if (ATarget && e.RealPin != ATarget) continue;
      if (!e.SubmitFunction.Assigned() || !e.ConnectionPin) continue;
      const bool throughConverter = e.ConnectionPin != e.RealPin;
      if (throughConverter && !ATarget &&
          std::find(converterInputsCalled.begin(), converterInputsCalled.end(), e.ConnectionPin) !=
              converterInputsCalled.end())
        continue;
      // An entry removed meanwhile (by a handler or another thread) is skipped, also when
      // its sink has been linked again since (that is a new link, which this operation did
      // not find: the sink may have received it along another path meanwhile). The guard of
      // the pin called keeps it alive until the call returns.
      TGuardHold callee;
      {
        auto s = ReadLock();
        if (FLinkGeneration.load() != generation) {
          TPNPinEntry* live = FSinkPins->GetItemByPin(e.RealPin);
          if (!live || live->Serial != e.Serial || live->ConnectionPin != e.ConnectionPin) continue;
        }
        callee.Take(e.ConnectionPin);
      }
      if (!callee.Granted()) continue;
      if (throughConverter) converterInputsCalled.push_back(e.ConnectionPin);
      std::optional<TDeliveryThroughConverter> hop;
      if (throughConverter) hop.emplace(e.ConnectionPin, ATarget ? e.RealPin : nullptr, state, mark);
      released.Drop();
      TPNNotifyResult r = e.SubmitFunction(static_cast<IPNStream*>(e.ConnectionPin),
                                           &e.ConnectedID, Operation, state);
      callee.Release();
      if (r.Contains(nrDataChanged)) {
        auto s = ReadLock();
        if (TPNPinEntry* live = FSinkPins->GetItemByPin(e.RealPin)) {
          std::atomic_ref<int32_t> level(live->ModificationLevel);
          if (level.load() < 10000) level.fetch_add(4);
        }
      }
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
  return result;
}

// Called under the pin's write lock.
void TPNSourcePin::Reschedule() {
  const int32_t count = FSinkPins->Count();
  for (int32_t i = 0; i < count; ++i) {
    TPNPinEntry* e = (*FSinkPins)[i];
    if (e->ModificationLevel > 0) --e->ModificationLevel;
  }
  FSinkPins->Sort(CompareWeights);
  // An entry with an after-pin is moved directly behind the after-pin's entry when the sort
  // put it in front of it.
  for (int32_t i = 0; i < count; ++i) {
    TPNBasicPin* after = (*FSinkPins)[i]->NotifyAfterPin;
    if (!after) continue;
    for (int32_t j = 0; j < count; ++j)
      if ((*FSinkPins)[j]->RealPin == after) {
        if (i < j) FSinkPins->Move(i, j);
        break;
      }
  }
}

// Called under the link lock. Takes this pin's lock to read and change the converter list;
// asks the converters' output pins with it released. A converter let go is released once the
// link lock is.
void TPNSourcePin::ReleaseUnusedConverters(TPNBasicPin* APin) {
  std::vector<RefPtr<IPNFormatConverter>> converters;
  {
    auto s = ReadLock();
    converters = *FFormatConverters;
  }
  for (size_t c = converters.size(); c-- > 0;) {
    TPNFormatConverterPins* pins = ConverterPins(converters[c].Get());
    if (!pins) continue;
    if (APin && pins->OutputPin()->HasLinkTo(APin)) pins->OutputPin()->RemoveLink(APin, false);
    if (pins->OutputPin()->IsConnected()) continue;
    auto s = WriteLock();
    auto& list = *FFormatConverters;
    auto it = std::find(list.begin(), list.end(), converters[c]);
    if (it == list.end()) continue;
    ReleaseOutsideLinkLock(std::move(*it));
    list.erase(it);
  }
  for (RefPtr<IPNFormatConverter>& c : converters) ReleaseOutsideLinkLock(std::move(c));
}

// Called under the link lock. Takes this pin's lock to remove the entry; tells the converters
// (or, for a converter's output, the source feeding it) with it released.
void TPNSourcePin::DeleteEntryOf(TPNBasicPin* APin) {
  bool throughConverter = false, found = false;
  {
    auto s = WriteLock();
    for (int32_t i = FSinkPins->Count() - 1; i >= 0; --i) {
      TPNPinEntry* e = (*FSinkPins)[i];
      if (e->RealPin != APin) continue;
      throughConverter = e->ConnectionPin != e->RealPin;
      FSinkPins->Delete(i);
      FLinkGeneration.fetch_add(1);
      found = true;
      break;
    }
  }
  if (found && throughConverter) ReleaseUnusedConverters(APin);
  // A converter's output that serves no sink any more: the source feeding the converter
  // lets it go (its sinks may have left by linking elsewhere, not through that source).
  if (found && IsFormatConverter(GetOwner()) && !IsConnected()) {
    RefPtr<IPNFormatConverter> converter = ConverterOf(GetOwner());
    TPNFormatConverterPins* pins = ConverterPins(converter.Get());
    if (auto* feeder = dynamic_cast<TPNSourcePin*>(pins ? pins->InputPin()->ConnectionSourcePin() : nullptr))
      feeder->ReleaseUnusedConverters(nullptr);
    ReleaseOutsideLinkLock(std::move(converter));
  }
}

// Called under the link lock; takes what DeleteEntryOf takes.
void TPNSourcePin::DropLeavingSink(TPNBasicPin* ASink) {
  if (ASink) DeleteEntryOf(ASink);
}

// Takes the link lock; APin is called with this pin's lock released.
void TPNSourcePin::RemoveLink(TPNBasicPin* APin, bool Keep) {
  if (InDisconnect() || !APin) return;
  TPNLinkLockHold links;
  if (Keep && !IsRootDestroying() && CreatePlaceholderPin) {
    TThreadFlag inDisconnect(TThreadFlagKind::InDisconnect, this);
    TGuardHold held;
    TPNBasicPin* placeholder = CreatePlaceholderPin(GetRoot(), ptSink, APin->GetFullIdentName(true),
                                                    APin->GetFullName(true), GetFullName(true), &held);
    if (placeholder) Connect(placeholder);
  }
  DeleteEntryOf(APin);
  APin->LinksChanged();
}

// Called under the link lock with APin's guard held by the caller.
void TPNSourcePin::UnlinkSink(TPNBasicPin* APin) {
  bool keep = IsDesigning() && IsRootDestroying();
  {
    // The class's own goodbye (a stop to the sink, say); the base removal does nothing here.
    TThreadFlag inDisconnect(TThreadFlagKind::InDisconnect, this);
    RemoveLink(APin, keep);
  }
  APin->RemoveLink(this, keep);
  APin->LinksChanged();
}

// Takes the link lock; this pin's lock to pick each sink (and take its guard), released
// while the sink is told.
void TPNSourcePin::Disconnect() {
  TPNLinkLockHold links;
  TPNStreamPin::Disconnect();
  for (;;) {
    TPNBasicPin* sink = nullptr;
    TGuardHold held;
    {
      auto s = ReadLock();
      if (FSinkPins->Count() == 0) break;
      sink = (*FSinkPins)[FSinkPins->Count() - 1]->RealPin;
      held.Take(sink);
    }
    // A sink being destroyed forgets this pin itself.
    if (held.Granted()) UnlinkSink(sink);
    DeleteEntryOf(sink);
  }
  ReleaseUnusedConverters(nullptr);
}

// Takes the link lock; OtherPin is the caller's (alive), told with this pin's lock released.
void TPNSourcePin::DisconnectFrom(TPNBasicPin* OtherPin) {
  TPNLinkLockHold links;
  if (!HasLinkTo(OtherPin)) {
    TPNStreamPin::DisconnectFrom(OtherPin);
    return;
  }
  TGuardHold held(OtherPin);
  if (held.Granted()) UnlinkSink(OtherPin);
  DeleteEntryOf(OtherPin);
}

// Called under the link lock (every pin is told when APin is being destroyed). Takes this
// pin's lock only to read and change its lists.
void TPNSourcePin::PinDestroying(TPNBasicPin* APin) {
  if (auto* sink = dynamic_cast<TPNBasicSinkPin*>(APin)) {
    if (FFunctionSources->Contains(sink)) FFunctionSources->Remove(sink);
    if (FDataTypeSources->Contains(sink)) FDataTypeSources->Remove(sink);
  }
  // Entries that name APin, as their sink or as the pin they deliver to.
  for (;;) {
    TPNBasicPin* sink = nullptr;
    {
      auto s = ReadLock();
      for (int32_t i = FSinkPins->Count() - 1; i >= 0 && !sink; --i)
        if ((*FSinkPins)[i]->RealPin == APin || (*FSinkPins)[i]->ConnectionPin == APin)
          sink = (*FSinkPins)[i]->RealPin;
    }
    if (!sink) break;
    if (sink == APin) RemoveLink(APin, false);
    DeleteEntryOf(sink);
  }
  {
    auto s = WriteLock();
    for (int32_t i = 0; i < FSinkPins->Count(); ++i)
      if ((*FSinkPins)[i]->NotifyAfterPin == APin) (*FSinkPins)[i]->NotifyAfterPin = nullptr;
  }
  ReleaseUnusedConverters(nullptr);
}

// Takes the pin's lock.
void TPNSourcePin::ReplaceAfterPin(TPNBasicPin* AOld, TPNBasicPin* ANew) {
  auto s = WriteLock();
  for (int32_t i = 0; i < FSinkPins->Count(); ++i)
    if ((*FSinkPins)[i]->NotifyAfterPin == AOld) (*FSinkPins)[i]->NotifyAfterPin = ANew;
}

// Holds the sinks while asking their names; takes the link lock and this pin's lock to set
// the after-pin.
void TPNSourcePin::SetAfterPinByName(TPNBasicPin* APin, const std::string& AAfterName) {
  TGuardHolds held;
  TPNBasicPin* after = nullptr;
  for (TPNBasicPin* sink : HoldSinks(held))
    if (sink->GetFullName(false) == AAfterName || sink->GetFullName(true) == AAfterName) {
      after = sink;
      break;
    }
  if (!after) return;
  TPNLinkLockHold links;
  auto s = WriteLock();
  if (!FSinkPins->GetItemByPin(after)) return;
  if (TPNPinEntry* e = FSinkPins->GetItemByPin(APin)) e->NotifyAfterPin = after;
}

// Takes the pin's lock to read the entry and hold its after-pin; asks names with none held.
std::string TPNSourcePin::GetAfterPinDisplayName(TPNPin* APin) {
  TGuardHold held;
  TPNBasicPin* after = nullptr;
  {
    auto s = ReadLock();
    for (int32_t i = 0; i < FSinkPins->Count() && !after; ++i) {
      TPNPinEntry* e = (*FSinkPins)[i];
      if (e->RealPin != APin || !e->NotifyAfterPin) continue;
      held.Take(e->NotifyAfterPin);
      if (held.Granted()) after = e->NotifyAfterPin;
    }
  }
  if (!after) return {};
  bool otherRoot = APin && GetRoot() != APin->GetRoot();
  return after->GetFullName(otherRoot);
}

// Takes no lock; asks OtherPin with none held.
bool TPNSourcePin::CanLinkTo(TPNBasicPin* OtherPin, RefPtr<IPNFormatConverter>& ConverterIntf,
                             bool UseConverters, TClass& ConverterClass) {
  if (!OtherPin) return false;
  if (!IsFormatConverter(GetOwner()) && IsDesigning() != OtherPin->IsDesigning()) return false;
  bool result = TPNStreamPin::CanLinkTo(OtherPin, ConverterIntf, UseConverters, ConverterClass);
  if (!result && OtherPin != this && dynamic_cast<TPNBasicSinkPin*>(OtherPin))
    result = OtherPin->CanConnectTo(this, UseConverters);
  return result;
}

// Takes no lock; asks OtherPin.
bool TPNSourcePin::IsCompatible(TPNBasicPin* OtherPin, bool UseConverters) {
  if (dynamic_cast<TPNBasicSinkPin*>(OtherPin)) return OtherPin->IsCompatible(this, UseConverters);
  return false;
}

HRESULT TPNSourcePin::QueryStreamType(const TGUID& ID, void** Obj) {
  return QueryCheckedStream(ID, Obj, &TPNStreamPin::CheckUpstreamType);
}

// Takes the pin's lock.
TPNBasicPin* TPNSourcePin::GetNotifyAfterPin(TPNBasicPin* APin) {
  auto s = ReadLock();
  TPNPinEntry* e = FSinkPins->GetItemByPin(APin);
  return e ? e->NotifyAfterPin : nullptr;
}

// Takes the pin's lock.
bool TPNSourcePin::DirectDependsOn(TPNBasicPin* OtherPin) {
  if (!OtherPin || TThreadFlag::IsSet(TThreadFlagKind::InDependOn, this)) return false;
  TThreadFlag inQuery(TThreadFlagKind::InDependOn, this);
  return FFunctionSources->Contains(OtherPin);
}

// Takes the pin's lock to copy its functional sources, then asks them with no lock held. A
// query that meets a pin already being queried on this thread ends there (cycles).
bool TPNSourcePin::DependsOn(TPNBasicPin* OtherPin) {
  if (!OtherPin || TThreadFlag::IsSet(TThreadFlagKind::InDependOn, this)) return false;
  TThreadFlag inQuery(TThreadFlagKind::InDependOn, this);
  if (FFunctionSources->Contains(OtherPin)) return true;
  std::vector<TPNBasicSinkPin*> sources;
  for (int32_t i = 0, n = FFunctionSources->Count(); i < n; ++i)
    sources.push_back(FFunctionSources->Items(i));
  for (TPNBasicSinkPin* k : sources)
    if (k->DependsOn(OtherPin)) return true;
  return false;
}

// Takes the pin's lock, then (released) what the type resolution takes.
TGUID TPNSourcePin::GetConnectionID(TPNBasicPin* OtherPin) {
  {
    auto s = ReadLock();
    if (TPNPinEntry* e = FSinkPins->GetItemByPin(OtherPin)) return e->ConnectedID;
  }
  return TPNStreamPin::GetConnectionID(OtherPin);
}

// Takes the pin's lock, then (released) what the state-link rule takes.
TGUID TPNSourcePin::GetPrimaryConnectionID() {
  {
    auto s = ReadLock();
    if (FSinkPins->Count() > 0) return (*FSinkPins)[0]->ConnectedID;
  }
  return TPNStreamPin::GetPrimaryConnectionID();
}

bool TPNSourcePin::IsConnected() { return HasSinks() || IsStateConnected(); }

bool TPNSourcePin::IsConnectedTo(TPNBasicPin* OtherPin) {
  return HasLinkTo(OtherPin) || TPNStreamPin::IsConnectedTo(OtherPin);
}

// Takes the pin's lock.
bool TPNSourcePin::IsConnectedToAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) {
  {
    auto s = ReadLock();
    for (int32_t i = 0; i < FSinkPins->Count(); ++i)
      if ((*FSinkPins)[i]->RealPin == OtherPin && (*FSinkPins)[i]->NotifyAfterPin == NotifyAfterPin)
        return true;
  }
  return TPNStreamPin::IsConnectedToAfter(OtherPin, NotifyAfterPin);
}

// Takes the pin's lock to copy the converters; asks their output pins with it released.
bool TPNSourcePin::IsConnectedByConverterTo(TPNBasicPin* OtherPin) {
  if (!IsConnectedTo(OtherPin)) return false;
  std::vector<RefPtr<IPNFormatConverter>> converters;
  {
    auto s = ReadLock();
    converters = *FFormatConverters;
  }
  bool result = false;
  for (size_t c = converters.size(); c-- > 0 && !result;)
    if (TPNFormatConverterPins* pins = ConverterPins(converters[c].Get()))
      result = pins->OutputPin()->HasLinkTo(OtherPin);
  for (RefPtr<IPNFormatConverter>& c : converters) ReleaseOutsideLinkLock(std::move(c));
  return result;
}

bool TPNSourcePin::ConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) {
  if (OtherPin == this || !OtherPin) return false;
  if (!CanConnectAfter(OtherPin, NotifyAfterPin, true)) return false;
  return LinkToSink(OtherPin, NotifyAfterPin);
}

// The sink does the linking: it is called with this pin's lock dropped (CallPeer).
bool TPNSourcePin::LinkToSink(TPNBasicPin* APin, TPNBasicPin* NotifyAfterPin) {
  if (!APin || !(dynamic_cast<TPNBasicSinkPin*>(APin) || IsPlaceholder(APin))) return false;
  std::optional<bool> linked =
      CallPeer(this, APin, [&] { return APin->ConnectAfter(this, NotifyAfterPin); });
  return linked && *linked;
}

// Takes the pin's lock to follow the chain of after-pins (pointers compared only).
bool TPNSourcePin::CanConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin,
                                   bool UseConverters) {
  bool result = TPNStreamPin::CanConnectAfter(OtherPin, NotifyAfterPin, UseConverters);
  if (result || OtherPin == NotifyAfterPin) return result;
  if (IsOwnerLoading() || FInEditor) return true;
  // Follow the chain of after-pins; it must neither lead back to OtherPin nor loop.
  std::vector<TPNBasicPin*> visited;
  TPNBasicPin* after = NotifyAfterPin;
  auto s = ReadLock();
  for (;;) {
    TPNPinEntry* e = FSinkPins->GetItemByPin(after);
    if (!e) return false;
    if (!e->NotifyAfterPin) return true;
    after = e->NotifyAfterPin;
    if (after == OtherPin) return false;
    if (std::find(visited.begin(), visited.end(), after) != visited.end()) return false;
    visited.push_back(after);
  }
}

bool TPNSourcePin::SetInEditor(bool Value) {
  FInEditor = Value;
  return Value;
}

// Holds the sink while asking its name.
std::string TPNSourcePin::GetSinkName(int32_t Index) {
  TGuardHold held;
  TPNBasicPin* sink = nullptr;
  {
    auto s = ReadLock();
    sink = (*FSinkPins)[Index]->RealPin;
    held.Take(sink);
  }
  if (!held.Granted()) return {};
  return sink->GetFullName(sink->GetRoot() != GetRoot());
}

// Holds the sinks (and the state link) while asking names.
std::string TPNSourcePin::GetDisplayText() {
  TGuardHolds held;
  const std::vector<TPNBasicPin*> sinks = HoldSinks(held);
  if (sinks.empty()) return TPNStreamPin::GetDisplayText();
  TPNStateLinkHold link(this);
  if (sinks.size() == 1 && !link.Link) return sinks[0]->GetFullName(sinks[0]->GetRoot() != GetRoot());
  const size_t links = sinks.size() + (link.Link ? static_cast<size_t>(link.Link->GetPinCount() - 1) : 0);
  return "( " + std::to_string(links) + " Links )";
}

// Holds the sinks while asking their names.
bool TPNSourcePin::IsLinkedTo(const std::string& PinName) {
  TGuardHolds held;
  const std::string rootName = GetRootName();
  for (TPNBasicPin* sink : HoldSinks(held)) {
    if (sink->GetFullName(true) == PinName) return true;
    if (sink->GetRootName() == rootName && sink->GetFullName(false) == PinName) return true;
  }
  return false;
}

// Takes no pin lock: the candidates are reached through the root's components.
bool TPNSourcePin::LinkByName(TComponent* ARoot, const std::string& AName) {
  if (AName.empty()) {
    Disconnect();
    return true;
  }
  TComponent* ownRoot = GetRoot();
  TComponent* root = (!ARoot || ARoot == ownRoot) ? ownRoot : GetRootComponent(ARoot);
  std::string prefix = (ARoot && ARoot != ownRoot) ? ARoot->Name() + "." : std::string();
  if (!root) return false;
  // Candidate sinks: the pins reached through the published properties of every component
  // owned (directly or below) by the root.
  std::vector<TComponent*> pending{root};
  std::vector<TComponent*> components;
  while (!pending.empty()) {
    TComponent* c = pending.back();
    pending.pop_back();
    for (int32_t i = 0; i < c->ComponentCount(); ++i) {
      components.push_back(c->Components(i));
      pending.push_back(c->Components(i));
    }
  }
  for (TComponent* component : components) {
    std::vector<TPNPinPathItem> found;
    CollectPinPaths(component, "TPNBasicPin", false, found);
    for (const TPNPinPathItem& item : found) {
      auto* candidate = dynamic_cast<TPNBasicPin*>(item.Object);
      if (!candidate || candidate == this || !IsCompatible(candidate, true)) continue;
      if (prefix + component->Name() + "." + item.Path != AName) continue;
      // A link counts only when it was made.
      return Connect(candidate);
    }
  }
  return false;
}

}  // namespace pins
