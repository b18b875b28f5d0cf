#include "platform/Lists.h"

#include "platform/SysUtils.h"

namespace platform {

namespace {
constexpr int32_t MaxListSize = 0x7FFFFFFF / 16;
}

void ListError(const char* format, int32_t value) { throw EListError(Format(format, value)); }

// ---------------------------------------------------------------------------------------
// TList

PF_DEFINE_CLASS(TList, TObject)

void TList::Destroy() {
  Clear();
  TObject::Destroy();
}

void TList::Grow() {
  const int32_t delta = FCapacity > 64 ? FCapacity / 4 : FCapacity > 8 ? 16 : 4;
  SetCapacity(FCapacity + delta);
}

int32_t TList::Add(void* item) {
  const int32_t index = Count();
  if (index == FCapacity) Grow();
  FList.push_back(item);
  if (item) Notify(item, lnAdded);
  return index;
}

void TList::Insert(int32_t index, void* item) {
  if (index < 0 || index > Count()) ListError("List index out of bounds (%d)", index);
  if (Count() == FCapacity) Grow();
  FList.insert(FList.begin() + index, item);
  if (item) Notify(item, lnAdded);
}

void TList::Delete(int32_t index) {
  CheckIndex(index);
  void* item = FList[static_cast<size_t>(index)];
  FList.erase(FList.begin() + index);
  if (item) Notify(item, lnDeleted);
}

int32_t TList::Remove(void* item) {
  const int32_t index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* item) {
  const int32_t index = IndexOf(item);
  if (index < 0) return nullptr;
  FList[static_cast<size_t>(index)] = nullptr;
  Delete(index);
  Notify(item, lnExtracted);
  return item;
}

void TList::Exchange(int32_t index1, int32_t index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(FList[static_cast<size_t>(index1)], FList[static_cast<size_t>(index2)]);
}

void TList::Move(int32_t curIndex, int32_t newIndex) {
  if (curIndex == newIndex) return;
  CheckIndex(newIndex);
  void* item = Get(curIndex);
  // Delete then insert, without notifications: the item never leaves the list.
  FList[static_cast<size_t>(curIndex)] = nullptr;
  Delete(curIndex);
  Insert(newIndex, nullptr);
  FList[static_cast<size_t>(newIndex)] = item;
}

int32_t TList::IndexOf(const void* item) const {
  for (size_t i = 0; i < FList.size(); ++i)
    if (FList[i] == item) return static_cast<int32_t>(i);
  return -1;
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TList::Pack() {
  for (int32_t i = Count() - 1; i >= 0; --i)
    if (!FList[static_cast<size_t>(i)]) Delete(i);
}

void* TList::Get(int32_t index) const {
  CheckIndex(index);
  return FList[static_cast<size_t>(index)];
}

void TList::SetCount(int32_t newCount) {
  if (newCount < 0 || newCount > MaxListSize) ListError("List count out of bounds (%d)", newCount);
  if (newCount > FCapacity) SetCapacity(newCount);
  if (newCount > Count())
    FList.resize(static_cast<size_t>(newCount), nullptr);
  else
    for (int32_t i = Count() - 1; i >= newCount; --i) Delete(i);
}

void TList::SetCapacity(int32_t newCapacity) {
  if (newCapacity < Count() || newCapacity > MaxListSize)
    ListError("List capacity out of bounds (%d)", newCapacity);
  FCapacity = newCapacity;
  FList.reserve(static_cast<size_t>(newCapacity));
  if (newCapacity == 0) FList.shrink_to_fit();
}

// ---------------------------------------------------------------------------------------
// TObjectList

PF_DEFINE_CLASS(TObjectList, TList)

void TObjectList::Notify(void* item, TListNotification action) {
  if (OwnsObjects && action == lnDeleted) static_cast<TObject*>(item)->Free();
  TList::Notify(item, action);
}

// ---------------------------------------------------------------------------------------
// TThreadList

PF_DEFINE_CLASS(TThreadList, TObject)

TThreadList::TThreadList() : FList(New<TList>()) {}

void TThreadList::Destroy() {
  LockList();
  FreeAndNil(FList);
  UnlockList();
  TObject::Destroy();
}

void TThreadList::Add(void* item) {
  TList* list = LockList();
  try {
    if (Duplicates == dupAccept || list->IndexOf(item) == -1)
      list->Add(item);
    else if (Duplicates == dupError)
      throw EListError(Format("List does not allow duplicates ($0%zX)",
                              reinterpret_cast<size_t>(item)));
  } catch (...) {
    UnlockList();
    throw;
  }
  UnlockList();
}

void TThreadList::Remove(void* item) {
  TList* list = LockList();
  list->Remove(item);
  UnlockList();
}

TList* TThreadList::LockList() {
  FLock.Enter();
  return FList;
}

void TThreadList::UnlockList() { FLock.Leave(); }

// ---------------------------------------------------------------------------------------
// TInterfaceList

PF_DEFINE_CLASS(TInterfaceList, TObject)

namespace {
// One identity per object: the interface pointer of IInterface itself.
IInterface* Identity(const RefPtr<IInterface>& item) { return item.Get(); }

struct TListLock {
  explicit TListLock(TInterfaceList& list) : List(list) { List.Lock(); }
  ~TListLock() { List.Unlock(); }
  TInterfaceList& List;
};
}  // namespace

void TInterfaceList::Destroy() {
  Clear();
  TObject::Destroy();
}

int32_t TInterfaceList::Add(const RefPtr<IInterface>& item) {
  TListLock lock(*this);
  FList.push_back(item);
  return static_cast<int32_t>(FList.size() - 1);
}

void TInterfaceList::Delete(int32_t index) {
  RefPtr<IInterface> removed;  // released after the lock is left
  TListLock lock(*this);
  CheckIndex(index);
  removed = std::move(FList[static_cast<size_t>(index)]);
  FList.erase(FList.begin() + index);
}

int32_t TInterfaceList::Remove(const RefPtr<IInterface>& item) {
  TListLock lock(*this);
  const int32_t index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

int32_t TInterfaceList::IndexOf(const RefPtr<IInterface>& item) {
  TListLock lock(*this);
  for (size_t i = 0; i < FList.size(); ++i)
    if (Identity(FList[i]) == Identity(item)) return static_cast<int32_t>(i);
  return -1;
}

void TInterfaceList::Exchange(int32_t index1, int32_t index2) {
  TListLock lock(*this);
  CheckIndex(index1);
  CheckIndex(index2);
  FList[static_cast<size_t>(index1)].Swap(FList[static_cast<size_t>(index2)]);
}

void TInterfaceList::Clear() {
  std::vector<RefPtr<IInterface>> removed;  // released after the lock is left
  TListLock lock(*this);
  removed.swap(FList);
}

RefPtr<IInterface> TInterfaceList::Get(int32_t index) {
  TListLock lock(*this);
  CheckIndex(index);
  return FList[static_cast<size_t>(index)];
}

void TInterfaceList::Put(int32_t index, const RefPtr<IInterface>& item) {
  RefPtr<IInterface> old;
  TListLock lock(*this);
  CheckIndex(index);
  old = std::exchange(FList[static_cast<size_t>(index)], item);
}

int32_t TInterfaceList::Count() {
  TListLock lock(*this);
  return static_cast<int32_t>(FList.size());
}

}  // namespace platform
