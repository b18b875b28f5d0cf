// Lists of the class library: TList of pointers (with its exact Sort and Move), the owning
// TObjectList, the locked TThreadList and TInterfaceList.
//
// Order matters to callers: Sort is the class library's quicksort (not stable: equal items
// change places), Move is a delete followed by an insert. Index errors raise EListError
// "List index out of bounds (%d)".
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/Interfaces.h"
#include "platform/Kernel.h"
#include "platform/Objects.h"

namespace platform {

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
enum TDuplicates { dupIgnore, dupAccept, dupError };

using TListSortCompare = int32_t (*)(void* item1, void* item2);

[[noreturn]] void ListError(const char* format, int32_t value);

// The class library's quicksort over items l..r of a list of pointers (TList::Sort, and
// lists of the same order behaviour): Hoare partition around the middle item, recursion on
// the left part, loop on the right. Not stable.
template <class T, class Compare>
void ListQuickSort(std::vector<T*>& list, int32_t l, int32_t r, Compare& compare) {
  int32_t i;
  do {
    i = l;
    int32_t j = r;
    T* pivot = list[static_cast<size_t>((l + r) >> 1)];
    do {
      while (compare(list[static_cast<size_t>(i)], pivot) < 0) ++i;
      while (compare(list[static_cast<size_t>(j)], pivot) > 0) --j;
      if (i <= j) {
        std::swap(list[static_cast<size_t>(i)], list[static_cast<size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (l < j) ListQuickSort(list, l, j, compare);
    l = i;
  } while (i < r);
}

class TList : public TObject {
  PF_CLASS(TList)
  PF_ALLOW_NEW;

 public:
  int32_t Add(void* item);
  void Insert(int32_t index, void* item);
  void Delete(int32_t index);
  // Index of the removed item, or -1 when it is not in the list.
  int32_t Remove(void* item);
  // Removes item without the deletion notice; the item, or null when not in the list.
  void* Extract(void* item);
  void Exchange(int32_t index1, int32_t index2);
  // Takes the item out of curIndex and inserts it at newIndex.
  void Move(int32_t curIndex, int32_t newIndex);
  int32_t IndexOf(const void* item) const;
  void Clear();
  // Removes every null item.
  void Pack();
  void* First() const { return Get(0); }
  void* Last() const { return Get(Count() - 1); }

  void* Get(int32_t index) const;
  void* operator[](int32_t index) const { return Get(index); }

  int32_t Count() const { return static_cast<int32_t>(FList.size()); }
  // Grows with nulls or shrinks (deleting) to newCount.
  void SetCount(int32_t newCount);
  int32_t Capacity() const { return FCapacity; }
  void SetCapacity(int32_t newCapacity);

  // The class library's quicksort: Hoare partition around the middle item, recursion on the
  // left part, loop on the right. Not stable.
  template <class Compare>
  void Sort(Compare compare) {
    if (Count() > 1) ListQuickSort(FList, 0, Count() - 1, compare);
  }

 protected:
  TList() = default;
  void Destroy() override;

  // Called after an item was added and before one is removed.
  virtual void Notify(void* item, TListNotification action) { (void)item, (void)action; }

 private:
  void Grow();
  void CheckIndex(int32_t index) const {
    if (index < 0 || index >= Count()) ListError("List index out of bounds (%d)", index);
  }

  std::vector<void*> FList;
  int32_t FCapacity = 0;
};

// A list of objects that frees them when they are deleted (OwnsObjects).
class TObjectList : public TList {
  PF_CLASS(TObjectList)
  PF_ALLOW_NEW;

 public:
  int32_t Add(TObject* object) { return TList::Add(object); }
  TObject* Items(int32_t index) const { return static_cast<TObject*>(Get(index)); }
  int32_t IndexOf(const TObject* object) const { return TList::IndexOf(object); }
  int32_t Remove(TObject* object) { return TList::Remove(object); }
  bool OwnsObjects = true;

 protected:
  explicit TObjectList(bool ownsObjects = true) : OwnsObjects(ownsObjects) {}
  void Notify(void* item, TListNotification action) override;
};

// A list guarded by a critical section: LockList gives the list and holds the section until
// UnlockList.
class TThreadList : public TObject {
  PF_CLASS(TThreadList)
  PF_ALLOW_NEW;

 public:
  // Adds item unless Duplicates forbids (dupIgnore: silently, dupError: EListError).
  void Add(void* item);
  void Remove(void* item);
  TList* LockList();
  void UnlockList();
  TDuplicates Duplicates = dupIgnore;

 protected:
  TThreadList();
  void Destroy() override;

 private:
  TCriticalSection FLock;
  TList* FList = nullptr;
};

// A locked list of interface references; every operation takes the list's lock.
class TInterfaceList : public TObject {
  PF_CLASS(TInterfaceList)
  PF_ALLOW_NEW;

 public:
  int32_t Add(const RefPtr<IInterface>& item);
  void Delete(int32_t index);
  int32_t Remove(const RefPtr<IInterface>& item);
  int32_t IndexOf(const RefPtr<IInterface>& item);
  void Exchange(int32_t index1, int32_t index2);
  void Clear();
  RefPtr<IInterface> Get(int32_t index);
  void Put(int32_t index, const RefPtr<IInterface>& item);
  RefPtr<IInterface> First() { return Get(0); }
  int32_t Count();
  // Holds the list's lock across several operations.
  void Lock() { FLock.Enter(); }
  void Unlock() { FLock.Leave(); }

 protected:
  TInterfaceList() = default;
  void Destroy() override;

 private:
  void CheckIndex(int32_t index) const {
    if (index < 0 || index >= static_cast<int32_t>(FList.size()))
      ListError("List index out of bounds (%d)", index);
  }

  TCriticalSection FLock;
  std::vector<RefPtr<IInterface>> FList;
};

}  // namespace platform
