// Pin lists: items with names, placeholders standing for items not created yet, and the
// linking step of the "Pins" value.
#include "pins/PNPinsLists.h"

#include <algorithm>

#include "pins/PNPinsGlobals.h"
#include "pins/PNPinsGuards.h"
#include "pins/PNPinsPlaceholders.h"
#include "platform/Properties.h"

namespace pins {

namespace {

void DescribeTPNPinList(platform::TClassInfo& info) {
  platform::TPublisher<TPNPinList> p(info);
  // Writing the count has no effect: items come and go with the owner.
  p.Property("Count", &TPNPinList::Count, &TPNPinList::SetCount);
}

}  // namespace

// The list's access functions for pin names, over the stored entries (placeholders
// included, so that item indexes are those the names were made with).
int32_t PinListEntryCount(TObject* AList) {
  auto* list = dynamic_cast<TPNPinList*>(AList);
  return list ? list->EntryCount() : 0;
}
TPNBasicPin* PinListEntry(TObject* AList, int32_t Index) {
  auto* list = dynamic_cast<TPNPinList*>(AList);
  return list ? list->EntryAt(Index) : nullptr;
}
std::string PinListEntryName(TObject* AList, int32_t Index) {
  auto* list = dynamic_cast<TPNPinList*>(AList);
  return list ? list->GetPinName(Index) : std::string();
}
TObject* PinListObject(TPNPinList* AList) { return AList; }

PF_DEFINE_CLASS_EX(TPNPinList, TPNObject, nullptr, DescribeTPNPinList)

// Takes the new list's lock.
TPNPinList::TPNPinList(TComponent* AOwner, IPNLock* AOwnerLock, bool IsPinsOwner) {
  auto s = WriteLock();
  FOwner = AOwner;
  FOwnerLock = AOwnerLock;
  FPinsOwner = IsPinsOwner;
}

TPNPinList* TPNPinList::Create(TComponent* AOwner, bool IsPinsOwner) {
  return platform::New<TPNPinList>(AOwner, nullptr, IsPinsOwner);
}

TPNPinList* TPNPinList::CreateLock(TComponent* AOwner, IPNLock* AOwnerLock, bool IsPinsOwner) {
  return platform::New<TPNPinList>(AOwner, AOwnerLock, IsPinsOwner);
}

// Takes the registry lock.
void TPNPinList::AfterConstruction() {
  TPNObject::AfterConstruction();
  FIntLock->Instance()->SetRank(TPNLockRank::PinList);  // known to other threads from here on
  TPNRegistryLockHold hold;
  if (AllPinLists) AllPinLists->push_back(this);
}

// Takes the registry lock.
void TPNPinList::BeforeDestruction() {
  {
    TPNRegistryLockHold hold;
    if (AllPinLists) AllPinLists->erase(std::remove(AllPinLists->begin(), AllPinLists->end(), this),
                                        AllPinLists->end());
  }
  TPNObject::BeforeDestruction();
}

void TPNPinList::Destroy() {
  Clear();
  TPNObject::Destroy();
}

RefPtr<IPNLockSection> TPNPinList::ReadLock() { return PinSection(this, FOwnerLock.Get(), false); }

RefPtr<IPNLockSection> TPNPinList::WriteLock() { return PinSection(this, FOwnerLock.Get(), true); }

void TPNPinList::MarkPlaceholder(TPNBasicPin* Item) {
  if (auto* p = dynamic_cast<TPNUnloadedPin*>(Item)) {
    p->SetOwnedByList(true);
    p->SetOwnerPinList(this);
  }
  ++FUnloadedCount;
}

// Takes the list's lock; a placeholder replaced hands its links over after it is released
// (held by its guard, taken under it).
int32_t TPNPinList::AddNamed(TPNBasicPin* Item, const std::string& Name) {
  TPNBasicPin* placeholder = nullptr;
  TGuardHold held;
  int32_t index;
  {
    auto s = WriteLock();
    if (IsPlaceholder(Item)) {
      MarkPlaceholder(Item);
      FPinsList.push_back({Name, Item});
      return static_cast<int32_t>(FPinsList.size()) - 1;
    }
    index = -1;
    if (FUnloadedCount > 0)
      for (size_t i = 0; i < FPinsList.size(); ++i)
        if (IsPlaceholder(FPinsList[i].Pin)) {
          placeholder = FPinsList[i].Pin;
          held.Take(placeholder);
          FPinsList[i] = {Name, Item};
          --FUnloadedCount;
          index = static_cast<int32_t>(i);
          break;
        }
    if (index < 0) {
      FPinsList.push_back({Name, Item});
      index = static_cast<int32_t>(FPinsList.size()) - 1;
    }
    if (Item && Item->GetOwner() == FOwner) Item->SetOwnerPinList(this);
  }
  if (placeholder && held.Granted()) {
    // The entry already shows the real pin: the placeholder is no list item any more.
    if (auto* p = dynamic_cast<TPNUnloadedPin*>(placeholder)) {
      p->SetOwnedByList(false);
      p->SetOwnerPinList(nullptr);
    }
    PopulatePlaceholderPin(placeholder, Item, &held);
  }
  return index;
}

// Takes the list's lock.
void TPNPinList::InsertNamed(int32_t Index, TPNBasicPin* Item, const std::string& Name) {
  if (Index >= EntryCount()) {
    AddNamed(Item, Name);
    return;
  }
  auto s = WriteLock();
  if (Index < 0) Index = 0;
  if (static_cast<size_t>(Index) >= FPinsList.size()) {
    FPinsList.push_back({Name, Item});
    Index = static_cast<int32_t>(FPinsList.size()) - 1;
    if (IsPlaceholder(Item)) MarkPlaceholder(Item);
    if (Item && !IsPlaceholder(Item) && Item->GetOwner() == FOwner) Item->SetOwnerPinList(this);
    return;
  }
  if (IsPlaceholder(Item)) MarkPlaceholder(Item);
  FPinsList.insert(FPinsList.begin() + Index, TEntry{Name, Item});
  if (Item && !IsPlaceholder(Item) && Item->GetOwner() == FOwner) Item->SetOwnerPinList(this);
}

void TPNPinList::DeleteEntry(int32_t Index, std::vector<TPNBasicPin*>& ToFree,
                             std::vector<TPNBasicPin*>& ToDrop) {
  TPNBasicPin* pin = FPinsList[static_cast<size_t>(Index)].Pin;
  FPinsList.erase(FPinsList.begin() + Index);
  if (!pin) return;
  if (IsPlaceholder(pin)) {
    // Placeholders belong to UnloadedPins; the list only lets go of its reference.
    --FUnloadedCount;
    if (auto* p = dynamic_cast<TPNUnloadedPin*>(pin)) {
      p->SetOwnedByList(false);
      p->SetOwnerPinList(nullptr);
    }
    ToDrop.push_back(pin);
  } else if (FPinsOwner) {
    ToFree.push_back(pin);
  } else if (pin->OwnerPinList() == this) {
    pin->SetOwnerPinList(nullptr);
  }
}

void TPNPinList::FreeAll(std::vector<TPNBasicPin*>& ToFree, std::vector<TPNBasicPin*>& ToDrop) {
  for (TPNBasicPin* p : ToFree) {
    if (p->OwnerPinList() == this) p->SetOwnerPinList(nullptr);
    p->Free();
  }
  // Taking a placeholder out of UnloadedPins destroys it; the list never frees one itself.
  for (TPNBasicPin* p : ToDrop) DestroyPlaceholder(p);
}

// Takes the list's lock; frees the pin after releasing it.
void TPNPinList::Delete(int32_t Index) {
  std::vector<TPNBasicPin*> toFree, toDrop;
  {
    auto s = WriteLock();
    if (Index < 0 || static_cast<size_t>(Index) >= FPinsList.size())
      throw platform::EListError("List index out of bounds (" + std::to_string(Index) + ")");
    DeleteEntry(Index, toFree, toDrop);
  }
  FreeAll(toFree, toDrop);
}

// Takes the list's lock; frees the pins after releasing it.
void TPNPinList::Remove(TPNBasicPin* Item) {
  std::vector<TPNBasicPin*> toFree, toDrop;
  {
    auto s = WriteLock();
    for (size_t i = 0; i < FPinsList.size();)
      if (FPinsList[i].Pin == Item)
        DeleteEntry(static_cast<int32_t>(i), toFree, toDrop);
      else
        ++i;
  }
  FreeAll(toFree, toDrop);
}

// Takes the list's lock; frees the pins after releasing it.
void TPNPinList::Clear() {
  std::vector<TPNBasicPin*> toFree, toDrop;
  {
    auto s = WriteLock();
    FInUnload = true;
    while (!FPinsList.empty()) DeleteEntry(static_cast<int32_t>(FPinsList.size()) - 1, toFree, toDrop);
  }
  try {
    FreeAll(toFree, toDrop);
  } catch (...) {
    auto s = WriteLock();
    FInUnload = false;
    throw;
  }
  auto s = WriteLock();
  FInUnload = false;
}

// Takes the list's lock.
void TPNPinList::PlaceholderDestroyed(TPNBasicPin* APlaceholder) {
  auto s = WriteLock();
  for (size_t i = FPinsList.size(); i-- > 0;)
    if (FPinsList[i].Pin == APlaceholder) {
      FPinsList.erase(FPinsList.begin() + static_cast<ptrdiff_t>(i));
      --FUnloadedCount;
    }
}

// Takes the list's lock.
void TPNPinList::Swap(int32_t Index1, int32_t Index2) {
  auto s = WriteLock();
  const auto n = static_cast<int32_t>(FPinsList.size());
  if (Index1 < 0 || Index1 >= n || Index2 < 0 || Index2 >= n)
    throw platform::EListError("List index out of bounds (" +
                               std::to_string(Index1 < 0 || Index1 >= n ? Index1 : Index2) + ")");
  std::swap(FPinsList[static_cast<size_t>(Index1)], FPinsList[static_cast<size_t>(Index2)]);
}

// Takes the list's lock.
int32_t TPNPinList::IndexOf(TPNBasicPin* Item) {
  auto s = ReadLock();
  for (size_t i = 0; i < FPinsList.size(); ++i)
    if (FPinsList[i].Pin == Item) return static_cast<int32_t>(i);
  return -1;
}

// Takes the list's lock; lets the placeholders go after releasing it.
void TPNPinList::PurgePlaceholders() {
  std::vector<TPNBasicPin*> toFree, toDrop;
  {
    auto s = WriteLock();
    if (FInUnload || !FOwner) return;
    platform::TComponentState state = FOwner->ComponentState();
    if (state.Contains(platform::csDesigning) || state.Contains(platform::csLoading)) return;
    for (int32_t i = static_cast<int32_t>(FPinsList.size()) - 1; i >= 0 && FUnloadedCount > 0; --i)
      if (IsPlaceholder(FPinsList[static_cast<size_t>(i)].Pin)) DeleteEntry(i, toFree, toDrop);
  }
  FreeAll(toFree, toDrop);
}

// Takes the list's lock (after the purge, which takes it too).
int32_t TPNPinList::Count() {
  PurgePlaceholders();
  auto s = ReadLock();
  return static_cast<int32_t>(FPinsList.size()) - FUnloadedCount;
}

// Takes the list's lock (after the purge, which takes it too).
TPNBasicPin* TPNPinList::GetItem(int32_t Index) {
  PurgePlaceholders();
  auto s = ReadLock();
  if (Index < 0 || static_cast<size_t>(Index) >= FPinsList.size())
    throw platform::EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FPinsList[static_cast<size_t>(Index)].Pin;
}

// Takes the list's lock.
int32_t TPNPinList::EntryCount() {
  auto s = ReadLock();
  return static_cast<int32_t>(FPinsList.size());
}

// Takes the list's lock.
TPNBasicPin* TPNPinList::EntryAt(int32_t Index) {
  auto s = ReadLock();
  return Index >= 0 && static_cast<size_t>(Index) < FPinsList.size()
             ? FPinsList[static_cast<size_t>(Index)].Pin
             : nullptr;
}

// Takes the list's lock.
int32_t TPNPinList::UnloadedCount() {
  auto s = ReadLock();
  return FUnloadedCount;
}

// Takes the list's lock.
std::string TPNPinList::GetPinName(int32_t Index) {
  auto s = ReadLock();
  if (Index >= 0 && static_cast<size_t>(Index) < FPinsList.size() &&
      !FPinsList[static_cast<size_t>(Index)].Name.empty())
    return FPinsList[static_cast<size_t>(Index)].Name;
  return "Pin [" + std::to_string(Index) + "]";
}

void TPNPinList::SetPinName(TPNBasicPin* Pin, const std::string& Name) {
  SetPinNameAt(IndexOf(Pin), Name);
}

// Takes the list's lock.
void TPNPinList::SetPinNameAt(int32_t Index, const std::string& Name) {
  auto s = WriteLock();
  if (Index < 0 || static_cast<size_t>(Index) >= FPinsList.size()) return;
  std::string stored = Name == "Pin [" + std::to_string(Index) + "]" ? std::string() : Name;
  if (FPinsList[static_cast<size_t>(Index)].Name != stored)
    FPinsList[static_cast<size_t>(Index)].Name = stored;
}

TComponent* TPNPinList::GetRoot() { return FOwner ? GetRootComponent(FOwner) : nullptr; }

void TPNPinList::AdjustLoadedFormName(std::string& Name) {
  if (!FLoadFormName.empty()) AdjustFormNamePart(Name, FLoadFormName, GetRoot());
}

std::string TPNPinList::GetListPath() {
  return FOwner ? FindPinPath(FOwner, ClassType().ClassName(), this) : std::string();
}

// Takes the list's lock and the registry lock for look-ups only; links (what linking takes) with neither held.
void TPNPinList::LinkPinAt(int32_t Index, TPNPinType AType, TPNPinType PeerType,
                           const std::string& IdentName, const std::string& DisplayName) {
  if (Index < 0 || !AllPins) return;
  TComponent* root = GetRoot();
  TPNBasicPin* pin = EntryAt(Index);
  if (pin) {
    // A placeholder elsewhere may stand for this item (a link read before the item was
    // made): it hands its links over.
    TPNBasicPin* found = nullptr;
    TGuardHold held;
    if (UnloadedPins) {
      const std::string ident = pin->GetFullIdentName(false);
      const std::string display = pin->GetFullName(false);
      TPNRegistryLockHold hold;
      found = UnloadedPins->GetByIdentName(root, ident);
      if (!found) found = UnloadedPins->GetByDisplayName(root, display);
      if (found) held.Take(found);
    }
    if (found && found != pin && held.Granted()) PopulatePlaceholderPin(found, pin, &held);
  } else {
    const std::string prefix = (root ? root->Name() : std::string()) + "." +
                               (FOwner ? FOwner->Name() : std::string()) + "." + GetListPath() +
                               "._Pin";
    while (EntryCount() <= Index) {
      std::string name = prefix + std::to_string(EntryCount());
      AdjustLoadedFormName(name);
      TGuardHold itemHeld;
      TPNBasicPin* item = AllPins->GetByNameCreate(root, AType, name, name, name, &itemHeld);
      if (!item) return;
      const int32_t before = EntryCount();
      Add(item);
      // A real pin of that name took an earlier placeholder's place: nothing more to add.
      if (EntryCount() == before) break;
    }
    pin = EntryAt(Index);
    if (!pin) return;
  }
  std::string ident = IdentName;
  std::string display = DisplayName;
  AdjustLoadedFormName(ident);
  AdjustLoadedFormName(display);
  TGuardHold peerHeld;
  TPNBasicPin* peer =
      AllPins->GetByNameCreate(root, PeerType, ident, display, pin->GetFullName(true), &peerHeld);
  if (!peer) return;
  // A placeholder records the link itself (a real pin at run time would refuse a peer of
  // another design state, which every placeholder is).
  if (IsPlaceholder(peer) && !IsPlaceholder(pin))
    peer->ConnectAfter(pin, nullptr);
  else
    pin->Connect(peer);
}

}  // namespace pins
