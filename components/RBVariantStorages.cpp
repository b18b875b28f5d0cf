#include "components/RBVariantStorages.h"

#include "platform/Lists.h"

namespace components {

using pins::IPNLockSection;
using pins::SectionLocked;

// ---------------------------------------------------------------------------------------
// TRBBufferList

PF_DEFINE_CLASS(TRBBufferList, platform::TObject)

namespace {

// Holds a critical section for a scope.
class TSectionHold {
 public:
  explicit TSectionHold(pins::TPNCriticalSection& ASection) : FSection(ASection) { FSection.Enter(); }
  ~TSectionHold() { FSection.Leave(); }
  TSectionHold(const TSectionHold&) = delete;
  TSectionHold& operator=(const TSectionHold&) = delete;

 private:
  pins::TPNCriticalSection& FSection;
};

}  // namespace

void TRBBufferList::Destroy() {
  Clear();
  TObject::Destroy();
}

bool TRBBufferList::Add(IRBData* AValue, bool Queue) {
  TSectionHold hold(FSection);
  if (!Queue && !FList.empty()) return false;
  RefPtr<IRBDataBuffer> view = platform::Supports<IRBDataBuffer>(AValue ? AValue->MakeCopy() : nullptr);
  if (!view) throw buffers::EIntfCastError("Interface not supported");
  FList.push_back(std::move(view));
  return true;
}

bool TRBBufferList::Pop(bool First, RefPtr<IRBData>& AValue) {
  TSectionHold hold(FSection);
  if (FList.empty()) return false;
  AValue = RefPtr<IRBData>((First ? FList.front() : FList.back()).Get());
  if (First)
    FList.pop_front();
  else
    FList.pop_back();
  return true;
}

void TRBBufferList::CheckIndex(int32_t Index) {
  if (Index < 0 || Index >= static_cast<int32_t>(FList.size()))
    platform::ListError("List index out of bounds (%d)", Index);
}

void TRBBufferList::Delete(int32_t Index) {
  RefPtr<IRBDataBuffer> dropped;  // released after the section
  TSectionHold hold(FSection);
  CheckIndex(Index);
  dropped = std::move(FList[static_cast<size_t>(Index)]);
  FList.erase(FList.begin() + Index);
}

void TRBBufferList::GetVarItem(int32_t Index, RefPtr<IRBData>& Item) {
  TSectionHold hold(FSection);
  CheckIndex(Index);
  Item = RefPtr<IRBData>(FList[static_cast<size_t>(Index)].Get());
}

int32_t TRBBufferList::Clear() {
  std::deque<RefPtr<IRBDataBuffer>> dropped;  // released after the section
  TSectionHold hold(FSection);
  dropped.swap(FList);
  return static_cast<int32_t>(dropped.size());
}

int32_t TRBBufferList::Count() {
  TSectionHold hold(FSection);
  return static_cast<int32_t>(FList.size());
}

// ---------------------------------------------------------------------------------------
// TRBOperationList

PF_DEFINE_CLASS(TRBOperationList, platform::TObject)

TRBOperationList::TRBOperationList(IPNLock* ALock) : FLock(ALock) {
  if (!FLock) FLock = pins::TPNLock::Create();
}

void TRBOperationList::Destroy() {
  Clear();
  FLock = nullptr;
  TObject::Destroy();
}

int32_t TRBOperationList::PushBack(IPNNotifyOperation* AValue) {
  auto s = FLock->WriteLock();
  if (!SectionLocked(s)) return 0;
  FList.emplace_front(AValue);
  return static_cast<int32_t>(FList.size());
}

int32_t TRBOperationList::Push(IPNNotifyOperation* AValue, bool SingleItem) {
  std::deque<RefPtr<IPNNotifyOperation>> dropped;  // released after the section
  auto s = FLock->WriteLock();
  if (!SectionLocked(s)) return 0;
  if (SingleItem) dropped.swap(FList);
  FList.emplace_back(AValue);
  return static_cast<int32_t>(FList.size());
}

int32_t TRBOperationList::ItemsCount() {
  auto s = FLock->ReadLock();
  if (!SectionLocked(s)) return 0;
  return static_cast<int32_t>(FList.size());
}

RefPtr<IPNNotifyOperation> TRBOperationList::Peek() {
  auto s = FLock->WriteLock();
  if (!SectionLocked(s) || FList.empty()) return nullptr;
  return FList.front();
}

RefPtr<IPNNotifyOperation> TRBOperationList::Pop() {
  auto s = FLock->WriteLock();
  if (!SectionLocked(s) || FList.empty()) return nullptr;
  RefPtr<IPNNotifyOperation> head = std::move(FList.front());
  FList.pop_front();
  return head;
}

void TRBOperationList::Clear() {
  std::deque<RefPtr<IPNNotifyOperation>> dropped;  // released after the section
  auto s = FLock->WriteLock();
  if (!SectionLocked(s)) return;
  dropped.swap(FList);
}

}  // namespace components
