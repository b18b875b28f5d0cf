// Source pins: links, stream-type negotiation and delivery.
#include <algorithm>

#include "pins/PNPins.h"
#include "pins/PNPinsGuards.h"
#include "pins/PNPinsRegistries.h"
#include "platform/Lists.h"

namespace pins {

// ---------------------------------------------------------------------------------------
// Link entries

TPNPinEntry* TPNPinEntryList::Add() {
  FItems.push_back(new TPNPinEntry);
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

int32_t TPNSinkPinList::Count() {
  auto s = FOwner->ReadLock();
  return static_cast<int32_t>(FList.size());
}

TPNBasicSinkPin* TPNSinkPinList::Items(int32_t Index) {
  auto s = FOwner->ReadLock();
  return FList[static_cast<size_t>(Index)];
}

bool TPNSinkPinList::Contains(TPNBasicPin* APin) {
  auto s = FOwner->ReadLock();
  for (TPNBasicSinkPin* p : FList)
    if (p == APin) return true;
  return false;
}

void TPNSinkPinList::Add(TPNBasicSinkPin* APin) {
  if (!APin) return;
  auto s = FOwner->WriteLock();
  FList.push_back(APin);
}

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

void TPNFunctionSinkPinList::Add(TPNBasicSinkPin* APin) {
  if (!APin) return;
  TPNSinkPinList::Add(APin);
  auto s = APin->WriteLock();
  APin->FunctionDependants().push_back(FOwner);
}

void TPNFunctionSinkPinList::Remove(TPNBasicSinkPin* APin) {
  TPNSinkPinList::Remove(APin);
  if (!APin) return;
  auto s = APin->WriteLock();
  RemoveFirst(APin->FunctionDependants(), FOwner);
}

void TPNDataTypeSinkPinList::Add(TPNBasicSinkPin* APin) {
  if (!APin) return;
  TPNSinkPinList::Add(APin);
  auto s = APin->WriteLock();
  APin->DataTypeDependants().push_back(FOwner);
}

void TPNDataTypeSinkPinList::Remove(TPNBasicSinkPin* APin) {
  TPNSinkPinList::Remove(APin);
  if (!APin) return;
  auto s = APin->WriteLock();
  RemoveFirst(APin->DataTypeDependants(), FOwner);
}

// ---------------------------------------------------------------------------------------
// Negotiation

void NegotiateStreamType(TPNSourcePin* Source, TPNBasicPin* Sink, bool UseConverters, TGUID& ID,
                         TClass& ConverterClass, RefPtr<IPNFormatConverter>& ConverterIntf,
                         bool UseGlobal) {
  ID = TGUID{};
  ConverterClass = nullptr;
  ConverterIntf = nullptr;
  if (!Sink || !Source) return;
  auto s = Source->ReadLock();
  TPNPinTypeRestricted offered;
  Source->GetOfferedTypes(&offered, Source);
  // Later types win over earlier ones.
  for (int32_t i = offered.GetLength() - 1; i >= 0; --i)
    if (Sink->AcceptsStreamType(offered.GetID(i))) {
      ID = offered.GetID(i);
      return;
    }
  if (!UseConverters) return;
  const auto& converters = *Source->FFormatConverters;
  for (size_t c = converters.size(); c-- > 0;) {
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
    return;
  }
  if (UseGlobal) FindRegisteredConverter(offered, Sink, ID, ConverterClass);
}

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

void TPNSourcePin::InitSourcePin() {
  auto s = WriteLock();
  FInDependOn = false;
  FSinkPins = new TPNPinEntryList;
  FFormatConverters = new std::vector<RefPtr<IPNFormatConverter>>;
  FFunctionSources = new TPNFunctionSinkPinList(this);
  FDataTypeSources = new TPNDataTypeSinkPinList(this);
}

void TPNSourcePin::Destroy() {
  {
    auto s = WriteLock();
    auto d = WaitOutGuard(this);
    Disconnect();
  }
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

int32_t TPNSourcePin::GetSinkCount() {
  auto s = ReadLock();
  return FSinkPins->Count();
}

TPNBasicPin* TPNSourcePin::GetSink(int32_t Index) {
  auto s = ReadLock();
  return (*FSinkPins)[Index]->RealPin;
}

bool TPNSourcePin::HasSinks() {
  auto s = ReadLock();
  return FSinkPins->Count() > 0;
}

int32_t TPNSourcePin::GetConverterCount() {
  auto s = ReadLock();
  return static_cast<int32_t>(FFormatConverters->size());
}

IPNFormatConverter* TPNSourcePin::GetConverter(int32_t Index) {
  auto s = ReadLock();
  return (*FFormatConverters)[static_cast<size_t>(Index)].Get();
}

int32_t TPNSourcePin::GetSinkWeight(TPNBasicPin* APin) {
  auto s = ReadLock();
  TPNPinEntry* e = FSinkPins->GetItemByPin(APin);
  return e ? std::atomic_ref<int32_t>(e->ModificationLevel).load() : -1;
}

bool TPNSourcePin::CanDeliverTo(TPNBasicSinkPin* ASinkPin, bool UseConverters) {
  TGUID id;
  TClass converterClass = nullptr;
  RefPtr<IPNFormatConverter> converter;
  NegotiateStreamType(this, ASinkPin, UseConverters, id, converterClass, converter, true);
  return !id.IsEmpty();
}

void TPNSourcePin::AddLink(TPNBasicPin* ASinkPin, TPNBasicPin* NotifyAfterPin) {
  auto s = WriteLock();
  TPNPinEntry* entry = FSinkPins->Add();
  entry->RealPin = ASinkPin;
  entry->NotifyAfterPin = NotifyAfterPin;
  entry->ConnectionPin = nullptr;
  TGUID id;
  TClass converterClass = nullptr;
  RefPtr<IPNFormatConverter> converter;
  NegotiateStreamType(this, ASinkPin, true, id, converterClass, converter, true);
  entry->ConnectedID = id;
  entry->ModificationLevel = 0;
  entry->SubmitFunction = {};
  if (converterClass) {
    TObject* made = nullptr;
    {
      // The converter's pins register in AllPins under PinRegistryLock, which a pin being
      // destroyed on another thread holds while it waits for this pin's lock: the lock is
      // given up while the converter is made.
      auto unlocked = UnlockAll();
      made = converterClass->Create(nullptr);
    }
    converter = RefPtr<IPNFormatConverter>(dynamic_cast<IPNFormatConverter*>(made));
    if (converter)
      FFormatConverters->push_back(converter);
    else
      platform::Free(made);
  }
  TPNFormatConverterPins* pins = converter ? ConverterPins(converter.Get()) : nullptr;
  if (pins) {
    entry->ConnectionPin = pins->InputPin();
    pins->InputPin()->SetFeedingSource(this);
    pins->OutputPin()->ConnectAfter(ASinkPin, NotifyAfterPin);
    if (auto* sink = dynamic_cast<TPNSinkPin*>(ASinkPin))
      sink->SetConnectionSourcePin(pins->OutputPin());
  } else {
    entry->ConnectionPin = ASinkPin;
  }
  entry->SubmitFunction = GetSubmitFunction(id);
  entry->ModificationLevel = 0;
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

void TPNSourcePin::PushToSink(TPNBasicSinkPin* ASinkPin, const TPNSubmit& ASubmitFunction) {
  if (!ASubmitFunction.Assigned()) return;
  TGUID id;
  TSendingCount sending{FInSending};
  {
    auto s = WriteLock();
    if (FInSending.load() > 10) throw EPNException(SPinDependsOnItself);
    FInSending.fetch_add(1);
    sending.Counted = true;
    TClass converterClass = nullptr;
    RefPtr<IPNFormatConverter> converter;
    NegotiateStreamType(this, ASinkPin, true, id, converterClass, converter, false);
  }
  try {
    auto pinUnlock = UnlockAll();
    TGuardHold guard;
    guard.Take(this);
    if (guard.Granted()) {
      // The owner lock is dropped and taken back after the input lock; the input lock
      // itself stays held.
      TOwnerLocksReleased ownerLocks(FOwnerLock.Get(), FInputOwnerLock.Get(), false);
      RefPtr<IPNNotifyOperation> operation = TPNNotifyOperation::Make();
      ASubmitFunction(static_cast<IPNStream*>(ASinkPin), &id, operation.Get(),
                      {nsNewLink, nsLastIteration});
    }
  } catch (...) {
    auto s = WriteLock();
    sending.Lower();
    throw;
  }
  auto s = WriteLock();
  sending.Lower();
}

void TPNSourcePin::PushToNewSink(TPNBasicSinkPin* ASinkPin) {
  auto s = WriteLock();
  TPNPinEntry* entry = FSinkPins->GetItemByPin(ASinkPin);
  if (!entry) return;
  TPNSubmit submit = entry->SubmitFunction;
  // Through a converter the first data goes to the converter's input, which converts it
  // for the sink (the sink itself does not take this pin's type).
  auto* receiver = dynamic_cast<TPNBasicSinkPin*>(entry->ConnectionPin);
  PushToSink(receiver ? receiver : ASinkPin, submit);
}

void TPNSourcePin::PushToStateLink() {
  auto s = ReadLock();
  if (FDispatcher) NotifyState(TPNNotifyOperation::Make().Get(), {nsNewLink}, nullptr);
}

TPNNotifyResult TPNSourcePin::NotifySinks(TPNBasicPin* ATarget, IPNNotifyOperation* Operation) {
  // The guard is declared first so that its section is the last thing released: once it
  // is gone the pin may be freed by a thread waiting to destroy it.
  TGuardHold guard;
  RefPtr<IPNNotifyOperation> operation(Operation);
  std::vector<TPNNotifyPinEntry> snapshot;
  TSendingCount sending{FInSending};
  TPNNotifyResult result;
  // Both owner locks stay released for the whole delivery.
  TOwnerLocksReleased ownerLocks(FOwnerLock.Get(), FInputOwnerLock.Get(), true);
  auto finish = [&] {
    ownerLocks.Restore();
    {
      auto w = WriteLock();
      if (!FInDisconnect.load()) Reschedule();
      sending.Lower();
    }
    // Converters whose last reference was the snapshot's go outside the pin's lock.
    snapshot.clear();
  };
  try {
    // One guard section covers the whole delivery and is taken before the snapshot: a sink
    // whose link is removed meanwhile is either gone from the snapshot or its removal waits
    // until the delivery has ended. While the pin is being unlinked or destroyed the guard
    // is refused and no call is made.
    guard.Take(this);
    const bool granted = guard.Granted();
    auto s = ReadLock();
    const int32_t count = FSinkPins->Count();
    snapshot.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
      TPNNotifyPinEntry& item = snapshot[static_cast<size_t>(i)];
      item.Entry = *(*FSinkPins)[i];
      item.Entry.ModificationLevel = 0;
      if (item.Entry.ConnectionPin) item.Converter = ConverterOf(item.Entry.ConnectionPin->GetOwner());
    }
    // A converter input shared by several sinks is called once, by its first entry.
    for (int32_t i = count - 1; i >= 0; --i) {
      TPNPinEntry& e = snapshot[static_cast<size_t>(i)].Entry;
      if (!e.SubmitFunction.Assigned() || e.ConnectionPin == e.RealPin) continue;
      for (int32_t j = 0; j < i; ++j)
        if (snapshot[static_cast<size_t>(j)].Entry.ConnectionPin == e.ConnectionPin) {
          e.SubmitFunction = {};
          break;
        }
    }
    if (FInSending.load() > 200) {
      s = nullptr;
      throw EPNException(SPinDependsOnItself);
    }
    FInSending.fetch_add(1);
    sending.Counted = true;
    // State-link members first, with the read section still held.
    result = TPNPin::Notify(Operation);
    for (int32_t i = 0; i < count; ++i) {
      TPNPinEntry& e = snapshot[static_cast<size_t>(i)].Entry;
      TPNNotifyState state;
      if (i == count - 1) state.Include(nsLastIteration);
      if (ATarget && e.RealPin != ATarget) continue;
      if (!e.SubmitFunction.Assigned()) continue;
      s = nullptr;
      bool called = false;
      TPNNotifyResult r;
      if (granted) {
        try {
          r = e.SubmitFunction(static_cast<IPNStream*>(e.ConnectionPin), &e.ConnectedID,
                               Operation, state);
        } catch (...) {
          s = ReadLock();
          throw;
        }
        called = true;
      }
      s = ReadLock();
      if (called && r.Contains(nrDataChanged))
        if (TPNPinEntry* live = FSinkPins->GetItemByPin(e.RealPin)) {
          std::atomic_ref<int32_t> level(live->ModificationLevel);
          if (level.load() < 10000) level.fetch_add(4);
        }
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
  return result;
}

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

void TPNSourcePin::ReleaseUnusedConverters(TPNBasicPin* APin) {
  for (size_t c = FFormatConverters->size(); c-- > 0;) {
    TPNFormatConverterPins* pins = ConverterPins((*FFormatConverters)[c].Get());
    if (!pins) continue;
    if (APin) pins->OutputPin()->RemoveLink(APin, false);
    if (!pins->OutputPin()->IsConnected())
      FFormatConverters->erase(FFormatConverters->begin() + static_cast<std::ptrdiff_t>(c));
  }
}

void TPNSourcePin::DeleteEntryOf(TPNBasicPin* APin) {
  for (int32_t i = FSinkPins->Count() - 1; i >= 0; --i) {
    TPNPinEntry* e = (*FSinkPins)[i];
    if (e->RealPin != APin) continue;
    bool throughConverter = e->ConnectionPin != e->RealPin;
    FSinkPins->Delete(i);
    if (throughConverter) ReleaseUnusedConverters(APin);
    return;
  }
}

void TPNSourcePin::RemoveLink(TPNBasicPin* APin, bool Keep) {
  if (FInDisconnect.load()) return;
  {
    auto d = WaitOutGuard(this);
    auto s = WriteLock();
    FInDisconnect = true;
    if (Keep && !IsRootDestroying() && CreatePlaceholderPin && APin) {
      TPNBasicPin* placeholder =
          CreatePlaceholderPin(GetRoot(), ptSink, APin->GetFullIdentName(true),
                               APin->GetFullName(true), GetFullName(true));
      if (placeholder) Connect(placeholder);
    }
    FInDisconnect = false;
    DeleteEntryOf(APin);
  }
  if (APin) APin->LinksChanged();
}

void TPNSourcePin::UnlinkSink(TPNBasicPin* APin) {
  bool keep = IsDesigning() && IsRootDestroying();
  FInDisconnect = true;
  try {
    RemoveLink(APin, keep);
  } catch (...) {
    FInDisconnect = false;
    throw;
  }
  FInDisconnect = false;
  APin->RemoveLink(this, keep);
  APin->LinksChanged();
}

void TPNSourcePin::Disconnect() {
  auto s = WriteLock();
  auto d = WaitOutGuard(this);
  TPNBasicPin::Disconnect();
  std::vector<TPNBasicPin*> sinks;
  for (int32_t i = 0; i < FSinkPins->Count(); ++i) sinks.push_back((*FSinkPins)[i]->RealPin);
  for (size_t i = sinks.size(); i-- > 0;) UnlinkSink(sinks[i]);
  std::vector<std::pair<TPNBasicPin*, bool>> former;
  for (int32_t i = 0; i < FSinkPins->Count(); ++i)
    former.emplace_back((*FSinkPins)[i]->RealPin,
                        (*FSinkPins)[i]->ConnectionPin != (*FSinkPins)[i]->RealPin);
  FSinkPins->Clear();
  for (auto& [pin, throughConverter] : former)
    if (throughConverter) ReleaseUnusedConverters(pin);
}

void TPNSourcePin::DisconnectFrom(TPNBasicPin* OtherPin) {
  if (!IsConnectedTo(OtherPin)) {
    TPNStreamPin::DisconnectFrom(OtherPin);
    return;
  }
  auto s = WriteLock();
  auto d = WaitOutGuard(this);
  UnlinkSink(OtherPin);
  DeleteEntryOf(OtherPin);
}

void TPNSourcePin::PinDestroying(TPNBasicPin* APin) {
  auto s = WriteLock();
  if (auto* sink = dynamic_cast<TPNBasicSinkPin*>(APin)) {
    if (FFunctionSources->Contains(sink)) FFunctionSources->Remove(sink);
    if (FDataTypeSources->Contains(sink)) FDataTypeSources->Remove(sink);
  }
  for (int32_t i = FSinkPins->Count() - 1; i >= 0; --i)
    if (i < FSinkPins->Count() && (*FSinkPins)[i]->RealPin == APin) RemoveLink(APin, false);
  for (int32_t i = 0; i < FSinkPins->Count(); ++i)
    if ((*FSinkPins)[i]->NotifyAfterPin == APin) (*FSinkPins)[i]->NotifyAfterPin = nullptr;
}

void TPNSourcePin::ReplaceAfterPin(TPNBasicPin* AOld, TPNBasicPin* ANew) {
  auto s = WriteLock();
  for (int32_t i = 0; i < FSinkPins->Count(); ++i)
    if ((*FSinkPins)[i]->NotifyAfterPin == AOld) (*FSinkPins)[i]->NotifyAfterPin = ANew;
}

void TPNSourcePin::SetAfterPinByName(TPNBasicPin* APin, const std::string& AAfterName) {
  auto s = WriteLock();
  TPNBasicPin* after = nullptr;
  for (int32_t i = 0; i < FSinkPins->Count() && !after; ++i) {
    TPNBasicPin* sink = (*FSinkPins)[i]->RealPin;
    if (sink->GetFullName(false) == AAfterName || sink->GetFullName(true) == AAfterName)
      after = sink;
  }
  if (!after) return;
  if (TPNPinEntry* e = FSinkPins->GetItemByPin(APin)) e->NotifyAfterPin = after;
}

std::string TPNSourcePin::GetAfterPinDisplayName(TPNPin* APin) {
  auto s = ReadLock();
  for (int32_t i = 0; i < FSinkPins->Count(); ++i) {
    TPNPinEntry* e = (*FSinkPins)[i];
    if (e->RealPin != APin || !e->NotifyAfterPin) continue;
    bool otherRoot = APin && GetRoot() != APin->GetRoot();
    return e->NotifyAfterPin->GetFullName(otherRoot);
  }
  return {};
}

bool TPNSourcePin::CanLinkTo(TPNBasicPin* OtherPin, RefPtr<IPNFormatConverter>& ConverterIntf,
                             bool UseConverters, TClass& ConverterClass) {
  if (!OtherPin) return false;
  if (!IsFormatConverter(GetOwner()) && IsDesigning() != OtherPin->IsDesigning()) return false;
  bool result = TPNStreamPin::CanLinkTo(OtherPin, ConverterIntf, UseConverters, ConverterClass);
  if (!result && OtherPin != this && dynamic_cast<TPNBasicSinkPin*>(OtherPin))
    result = OtherPin->CanConnectTo(this, UseConverters);
  return result;
}

bool TPNSourcePin::IsCompatible(TPNBasicPin* OtherPin, bool UseConverters) {
  auto s = ReadLock();
  if (dynamic_cast<TPNBasicSinkPin*>(OtherPin)) return OtherPin->IsCompatible(this, UseConverters);
  return false;
}

HRESULT TPNSourcePin::QueryStreamType(const TGUID& ID, void** Obj) {
  return QueryCheckedStream(ID, Obj, &TPNStreamPin::CheckUpstreamType);
}

TPNBasicPin* TPNSourcePin::GetNotifyAfterPin(TPNBasicPin* APin) {
  auto s = ReadLock();
  TPNPinEntry* e = FSinkPins->GetItemByPin(APin);
  return e ? e->NotifyAfterPin : nullptr;
}

bool TPNSourcePin::DirectDependsOn(TPNBasicPin* OtherPin) {
  auto s = ReadLock();
  if (FInDependOn || !OtherPin) return false;
  FInDependOn = true;
  bool result = FFunctionSources->Contains(OtherPin);
  FInDependOn = false;
  return result;
}

bool TPNSourcePin::DependsOn(TPNBasicPin* OtherPin) {
  auto s = ReadLock();
  if (FInDependOn || !OtherPin) return false;
  FInDependOn = true;
  bool result = false;
  try {
    result = FFunctionSources->Contains(OtherPin);
    for (int32_t i = 0, n = FFunctionSources->Count(); i < n && !result; ++i)
      result = FFunctionSources->Items(i)->DependsOn(OtherPin);
  } catch (...) {
    FInDependOn = false;
    throw;
  }
  FInDependOn = false;
  return result;
}

TGUID TPNSourcePin::GetConnectionID(TPNBasicPin* OtherPin) {
  {
    auto s = ReadLock();
    if (TPNPinEntry* e = FSinkPins->GetItemByPin(OtherPin)) return e->ConnectedID;
  }
  return TPNStreamPin::GetConnectionID(OtherPin);
}

TGUID TPNSourcePin::GetPrimaryConnectionID() {
  {
    auto s = ReadLock();
    if (FSinkPins->Count() > 0) return (*FSinkPins)[0]->ConnectedID;
  }
  return TPNStreamPin::GetPrimaryConnectionID();
}

bool TPNSourcePin::IsConnected() { return HasSinks() || IsStateConnected(); }

bool TPNSourcePin::IsConnectedTo(TPNBasicPin* OtherPin) {
  {
    auto s = ReadLock();
    if (FSinkPins->GetItemByPin(OtherPin)) return true;
  }
  return TPNStreamPin::IsConnectedTo(OtherPin);
}

bool TPNSourcePin::IsConnectedToAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) {
  {
    auto s = ReadLock();
    for (int32_t i = 0; i < FSinkPins->Count(); ++i)
      if ((*FSinkPins)[i]->RealPin == OtherPin && (*FSinkPins)[i]->NotifyAfterPin == NotifyAfterPin)
        return true;
  }
  return TPNStreamPin::IsConnectedToAfter(OtherPin, NotifyAfterPin);
}

bool TPNSourcePin::IsConnectedByConverterTo(TPNBasicPin* OtherPin) {
  if (!IsConnectedTo(OtherPin)) return false;
  auto s = ReadLock();
  for (size_t c = FFormatConverters->size(); c-- > 0;)
    if (TPNFormatConverterPins* pins = ConverterPins((*FFormatConverters)[c].Get()))
      if (pins->OutputPin()->IsConnectedTo(OtherPin)) return true;
  return false;
}

bool TPNSourcePin::ConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) {
  if (OtherPin == this || !OtherPin) return false;
  if (!CanConnectAfter(OtherPin, NotifyAfterPin, true)) return false;
  return LinkToSink(OtherPin, NotifyAfterPin);
}

bool TPNSourcePin::LinkToSink(TPNBasicPin* APin, TPNBasicPin* NotifyAfterPin) {
  auto s = WriteLock();
  if (APin && (dynamic_cast<TPNBasicSinkPin*>(APin) || IsPlaceholder(APin)))
    return APin->ConnectAfter(this, NotifyAfterPin);
  return false;
}

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

std::string TPNSourcePin::GetSinkName(int32_t Index) {
  auto s = ReadLock();
  TPNBasicPin* sink = GetSink(Index);
  return sink->GetFullName(sink->GetRoot() != GetRoot());
}

std::string TPNSourcePin::GetDisplayText() {
  int32_t sinks = GetSinkCount();
  if (sinks == 0) return TPNStreamPin::GetDisplayText();
  auto s = ReadLock();
  if (sinks == 1 && !FDispatcher) return GetSinkName(0);
  int32_t links = sinks + (FDispatcher ? FDispatcher->GetPinCount() - 1 : 0);
  return "( " + std::to_string(links) + " Links )";
}

bool TPNSourcePin::IsLinkedTo(const std::string& PinName) {
  auto s = ReadLock();
  for (int32_t i = 0; i < FSinkPins->Count(); ++i) {
    TPNBasicPin* sink = (*FSinkPins)[i]->RealPin;
    if (sink->GetFullName(true) == PinName) return true;
    if (sink->GetRootName() == GetRootName() && sink->GetFullName(false) == PinName) return true;
  }
  return false;
}

bool TPNSourcePin::LinkByName(TComponent* ARoot, const std::string& AName) {
  if (AName.empty()) {
    Disconnect();
    return true;
  }
  auto s = WriteLock();
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
