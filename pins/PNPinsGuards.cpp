#include "pins/PNPinsGuards.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace pins {

namespace {

// The guard sections the calling thread holds, one record per section.
thread_local std::vector<IPNDestroyLock*> tHeldGuards;

void RecordHeld(IPNDestroyLock* AGuard) { tHeldGuards.push_back(AGuard); }

void ForgetHeld(IPNDestroyLock* AGuard) {
  for (size_t i = tHeldGuards.size(); i-- > 0;)
    if (tHeldGuards[i] == AGuard) {
      tHeldGuards.erase(tHeldGuards.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
}

[[noreturn]] void SelfWaitAbort(TPNBasicPin* APin) {
  std::string name("?");
  try {
    name = APin->GetFullName(true);
  } catch (...) {
    // The name stays "?".
  }
  // A pin of a component being destroyed has no property path any more: its class tells
  // which of the component's pins it is.
  std::fprintf(stderr,
               "Pin %s (%s) is unlinked or destroyed from inside a call that runs through it; "
               "waiting for that call to end would never return.\n",
               name.c_str(), APin->ClassName());
  std::fflush(stderr);
  std::abort();
}

}  // namespace

RefPtr<IPNDestroyLock> NewDestroyLock(TPNObject* AOwner) {
  return RefPtr<IPNDestroyLock>(TPNDestroyLock::Create(AOwner).Get());
}

RefPtr<IPNLockSection> PinSection(TPNObject* APin, IPNLock* ASlave, bool AWrite) {
  TPNLock* lock = APin->IntLock()->Instance();
  RefPtr<IPNLock> slave(ASlave);
  return AWrite ? lock->WriteSection(slave) : lock->ReadSection(slave);
}

bool ThreadHoldsGuard(TPNBasicPin* APin) {
  IPNDestroyLock* guard = APin ? APin->DestroyGuard() : nullptr;
  if (!guard) return false;
  for (IPNDestroyLock* g : tHeldGuards)
    if (g == guard) return true;
  return false;
}

RefPtr<IPNDestroyLockSection> WaitOutGuard(TPNBasicPin* APin) {
  if (ThreadHoldsGuard(APin)) SelfWaitAbort(APin);
  return APin->DestroyGuard()->DestroyLock();
}

void TGuardHold::Take(TPNBasicPin* APin) {
  // The new section is taken before the old one goes, so that the guard's count never
  // drops to zero while a delivery runs: a pin waiting to be unlinked or freed waits for
  // the whole delivery, not just for the call under way.
  IPNDestroyLock* guard = APin->DestroyGuard();
  RefPtr<IPNDestroyLockSection> next = guard->Lock();
  FGranted = static_cast<bool>(next);
  if (!next) return;  // refused: the section held so far stays until the delivery ends
  RecordHeld(guard);
  Release();
  FSection = std::move(next);
  FGuard = guard;
  FGranted = true;
}

void TGuardHold::Release() {
  if (FGuard) {
    ForgetHeld(FGuard);
    FGuard = nullptr;
  }
  FSection = nullptr;
  FGranted = false;
}

TOwnerLocksReleased::TOwnerLocksReleased(IPNLock* AOwnerLock, IPNLock* AInputLock,
                                         bool AReleaseInput) {
  if (!AOwnerLock) return;
  if (AInputLock && AReleaseInput) FInput = AInputLock->UnlockAll();
  FOwner = AInputLock ? AOwnerLock->UnlockAllLockInOrder(RefPtr<IPNLock>(AInputLock)) : AOwnerLock->UnlockAll();
}

void TOwnerLocksReleased::Restore() {
  // The input lock's levels come back first, then the owner lock's (taken with the input
  // lock held), so that the order input lock, owner lock is kept.
  FInput = nullptr;
  FOwner = nullptr;
}

}  // namespace pins
