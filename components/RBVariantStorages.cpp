#include "components/RBVariantStorages.h"

namespace components {

using pins::IPNLockSection;
using pins::SectionLocked;

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
