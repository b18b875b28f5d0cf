#include "pins/CBComponentLocks.h"

namespace pins {

PF_DEFINE_CLASS(TCBBasicLock, platform::TInterfacedObject)
PF_DEFINE_CLASS(TCBLock, TCBBasicLock)
PF_DEFINE_CLASS(TCBPairedLock, TCBBasicLock)
PF_DEFINE_CLASS(TCBPairedLockSection, platform::TInterfacedObject)

RefPtr<ICBLock> TCBLock::Create(TCBPropUpdateFunc notify) {
  return platform::New<TCBLock>(RefPtr<IPNLock>(TPNLock::Create()), notify);
}

RefPtr<ICBLock> TCBLock::CreateCopy(const RefPtr<ICBLock>& lock, TCBPropUpdateFunc notify) {
  return platform::New<TCBLock>(RefPtr<IPNLock>(lock->Instance()), notify);
}

RefPtr<ICBLock> TCBPairedLock::Create(const RefPtr<IPNLock>& firstLock,
                                      const RefPtr<IPNLock>& secondLock,
                                      TCBPropUpdateFunc notify) {
  return platform::New<TCBPairedLock>(firstLock, secondLock, notify);
}

// Takes the first lock, then the second.
RefPtr<IPNLockSection> TCBPairedLock::ReadLock() {
  auto first = FFirstLock->ReadLock();
  auto second = FSecondLock->ReadLock();
  return platform::New<TCBPairedLockSection>(std::move(first), std::move(second));
}

// Takes the first lock, then the second.
RefPtr<IPNLockSection> TCBPairedLock::WriteLock() {
  auto first = FFirstLock->WriteLock();
  auto second = FSecondLock->WriteLock();
  return platform::New<TCBPairedLockSection>(std::move(first), std::move(second));
}

// Stops the first lock, then the second.
RefPtr<IPNLockSection> TCBPairedLock::StopLock() {
  auto first = FFirstLock->StopLock();
  auto second = FSecondLock->StopLock();
  return platform::New<TCBPairedLockSection>(std::move(first), std::move(second));
}

// Drops every level of both locks.
RefPtr<IPNLockSection> TCBPairedLock::UnlockAll() {
  auto first = FFirstLock->UnlockAll();
  auto second = FSecondLock->UnlockAll();
  // Released second-held-first: the first lock's levels come back before the second's.
  return platform::New<TCBPairedLockSection>(std::move(second), std::move(first));
}

RefPtr<IPNLockSection> TCBPairedLock::UnlockAllLockInOrder(const RefPtr<IPNLock>& firstLock) {
  auto second = FSecondLock->UnlockAllLockInOrder(firstLock);
  auto first = FFirstLock->UnlockAllLockInOrder(firstLock);
  return platform::New<TCBPairedLockSection>(std::move(second), std::move(first));
}

void TCBPairedLockSection::BeforeDestruction() {
  FSecondSection = nullptr;
  FFirstSection = nullptr;
  TInterfacedObject::BeforeDestruction();
}

}  // namespace pins
