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
               "Pin %s (%s) is destroyed from inside a call that runs through it or into it; "
               "waiting for that call to end would never return.\n",
               name.c_str(), APin->ClassName());
  std::fflush(stderr);
  std::abort();
}

// The link lock and the thread's depth in it.
platform::TCriticalSection& LinkLock() {
  static platform::TCriticalSection lock;
  return lock;
}
thread_local int tLinkDepth = 0;
// The thread's depth in the registry lock.
thread_local int tRegistryDepth = 0;

// Whether what is let go now must wait: a teardown takes the link lock and waits for calls
// that may want the registry lock, so nothing is freed under either.
bool MustDefer() { return tLinkDepth > 0 || tRegistryDepth > 0; }

}  // namespace

// What was let go while the thread held the link lock.
struct TPNDeferredFrees {
  std::vector<RefPtr<IPNFormatConverter>> Converters;
  std::vector<platform::TObject*> Objects;
};

namespace {

using TDeferred = TPNDeferredFrees;
thread_local TDeferred tDeferred;

void FreeDeferred() {
  while (!tDeferred.Converters.empty() || !tDeferred.Objects.empty()) {
    TDeferred items;
    std::swap(items, tDeferred);
    items.Converters.clear();
    for (platform::TObject* o : items.Objects) o->Free();
  }
}

// The converter outputs whose next delivery on this thread goes to one sink.
thread_local std::vector<TDeliveryThroughConverter::TRedirect> tRedirects;

// The per-thread flags: kind and object.
thread_local std::vector<std::pair<TThreadFlagKind, const void*>> tFlags;

}  // namespace

// Takes no lock.
RefPtr<IPNDestroyLock> NewDestroyLock(TPNObject* AOwner) {
  return RefPtr<IPNDestroyLock>(TPNDestroyLock::Create(AOwner).Get());
}

// Takes APin's lock (no other lock).
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

// Waits for other threads' calls through and into APin, with APin's own levels dropped.
RefPtr<IPNDestroyLockSection> WaitOutGuardToDestroy(TPNBasicPin* APin) {
  if (ThreadHoldsGuard(APin)) SelfWaitAbort(APin);
  return APin->DestroyGuard()->DestroyLock();
}

// Takes no lock.
void TGuardHold::Take(TPNBasicPin* APin) {
  // The new section is taken before the old one goes, so that the guard's count never
  // drops to zero while a delivery runs: a pin waiting to be freed waits for the whole
  // delivery, not just for the call under way.
  IPNDestroyLock* guard = APin->DestroyGuard();
  RefPtr<IPNDestroyLockSection> next = guard->Lock();
  FGranted = static_cast<bool>(next);
  if (!next) return;  // refused: the section held so far stays until the delivery ends
  // A converter's pin keeps its converter: the converter's last reference never goes while
  // a guard of one of its pins is held (its teardown would wait for that guard).
  RefPtr<IPNFormatConverter> converter = ConverterOf(APin->GetOwner());
  RecordHeld(guard);
  Release();
  FSection = std::move(next);
  FGuard = guard;
  FConverter = std::move(converter);
  FGranted = true;
}

// Lets the converter go after the section (once the link lock is released).
void TGuardHold::Release() {
  if (FGuard) {
    ForgetHeld(FGuard);
    FGuard = nullptr;
  }
  FSection = nullptr;
  FGranted = false;
  ReleaseOutsideLinkLock(std::move(FConverter));
}

// Takes no lock.
bool TGuardHolds::Take(TPNBasicPin* APin) {
  if (!APin) return false;
  FHolds.emplace_back();
  FHolds.back().Take(APin);
  if (FHolds.back().Granted()) return true;
  FHolds.pop_back();
  return false;
}

// Takes ALink's lock (members' guards are taken under it; no wait).
std::vector<TPNStateMember> HoldStateMembers(TPNStateDispatcher* ALink, TGuardHolds& AHolds) {
  std::vector<TPNStateMember> held;
  if (!ALink) return held;
  auto s = ALink->ReadLock();
  for (const TPNStateMember& m : ALink->GetMembers())
    if (m.RealPin && AHolds.Take(m.RealPin) && (!m.ConnectionPin || m.ConnectionPin == m.RealPin ||
                                                  AHolds.Take(m.ConnectionPin)))
      held.push_back(m);
  return held;
}

// Takes ALink's lock.
bool HoldStateMember(TPNStateDispatcher* ALink, const TPNStateMember& AMember, TGuardHold& AHold) {
  auto s = ALink->ReadLock();
  for (const TPNStateMember& m : ALink->GetMembers())
    if (m.ConnectionPin == AMember.ConnectionPin && m.RealPin == AMember.RealPin) {
      if (!m.ConnectionPin) return false;
      AHold.Take(m.ConnectionPin);
      return AHold.Granted();
    }
  return false;
}

TThreadFlag::TThreadFlag(TThreadFlagKind AKind, const void* AObject) : FKind(AKind), FObject(AObject) {
  tFlags.emplace_back(AKind, AObject);
}

TThreadFlag::~TThreadFlag() {
  for (size_t i = tFlags.size(); i-- > 0;)
    if (tFlags[i].first == FKind && tFlags[i].second == FObject) {
      tFlags.erase(tFlags.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
}

bool TThreadFlag::IsSet(TThreadFlagKind AKind, const void* AObject) {
  for (const auto& f : tFlags)
    if (f.first == AKind && f.second == AObject) return true;
  return false;
}

// ---------------------------------------------------------------------------------------
// The link lock

namespace {

void EnterLinkLock() {
  CheckLockOrder(&LinkLock(), TPNLockRank::Link);
  LinkLock().Enter();
  LockTaken(&LinkLock(), TPNLockRank::Link);
}

void LeaveLinkLock() {
  LinkLock().Leave();
  LockLeft(&LinkLock());
}

// Stands for the registry lock in the lock-order checks.
const char kRegistryLock = 0;

}  // namespace

// Takes the link lock.
TPNLinkLockHold::TPNLinkLockHold() {
  if (tLinkDepth++ == 0) EnterLinkLock();
}

// Releases the link lock; the outermost hold frees what was deferred, with no lock held.
TPNLinkLockHold::~TPNLinkLockHold() {
  if (--tLinkDepth > 0) return;
  LeaveLinkLock();
  if (!MustDefer()) FreeDeferred();
}

void EnteringRegistryLock() {
  if (tRegistryDepth == 0) CheckLockOrder(&kRegistryLock, TPNLockRank::Registry);
}

void EnteredRegistryLock() {
  if (tRegistryDepth++ == 0) LockTaken(&kRegistryLock, TPNLockRank::Registry);
}

// Frees what was deferred once the thread holds neither the registry lock nor the link lock.
void LeftRegistryLock() {
  if (--tRegistryDepth > 0) return;
  LockLeft(&kRegistryLock);
  if (!MustDefer()) FreeDeferred();
}

bool ThreadHoldsLinkLock() { return tLinkDepth > 0; }

// Drops every level of the link lock (the lock itself is entered once, by the outermost
// hold; the depth counts the holds).
TPNLinkLockDropped::TPNLinkLockDropped() : FLevels(tLinkDepth) {
  if (FLevels > 0) {
    LeaveLinkLock();
    FOuter = std::make_unique<TPNDeferredFrees>();
    std::swap(*FOuter, tDeferred);
  }
  tLinkDepth = 0;
}

// Takes the link lock back (the thread holds no pin lock here); what the frames further up
// let go is theirs again, to be freed when they release the link lock.
TPNLinkLockDropped::~TPNLinkLockDropped() {
  if (FLevels > 0) EnterLinkLock();
  tLinkDepth = FLevels;
  if (FOuter) {
    for (RefPtr<IPNFormatConverter>& c : FOuter->Converters) tDeferred.Converters.push_back(std::move(c));
    for (platform::TObject* o : FOuter->Objects) tDeferred.Objects.push_back(o);
  }
}

void ReleaseOutsideLinkLock(RefPtr<IPNFormatConverter> AConverter) {
  if (MustDefer() && AConverter) tDeferred.Converters.push_back(std::move(AConverter));
}

void FreeOutsideLinkLock(platform::TObject* AObject) {
  if (!AObject) return;
  if (MustDefer())
    tDeferred.Objects.push_back(AObject);
  else
    AObject->Free();
}

// ---------------------------------------------------------------------------------------
// Owner locks and deliveries

// Drops the owner locks (no wait).
TOwnerLocksReleased::TOwnerLocksReleased(IPNLock* AOwnerLock, IPNLock* AInputLock,
                                         bool AReleaseInput) {
  if (!AOwnerLock) return;
  if (AInputLock && AReleaseInput) FInput = AInputLock->UnlockAll();
  FOwner = AInputLock ? AOwnerLock->UnlockAllLockInOrder(RefPtr<IPNLock>(AInputLock))
                      : AOwnerLock->UnlockAll();
}

// Takes the input lock, then the owner lock back.
void TOwnerLocksReleased::Restore() {
  // The input lock's levels come back first, then the owner lock's (taken with the input
  // lock held), so that the order input lock, owner lock is kept.
  FInput = nullptr;
  FOwner = nullptr;
}

// Drops the sender's owner locks, the link lock and the sender's own lock (no wait).
void TDeliveryLocksReleased::Drop() {
  if (FOwn || FLinks) return;
  FOwnerLocks.emplace(FSender->OwnerLock(), FInputLock, FReleaseInput);
  FLinks.emplace();
  FOwn = FSender->UnlockAll();
}

// Takes back, in lock order: input lock, owner lock, link lock, the sender's own lock.
void TDeliveryLocksReleased::Restore() {
  FOwnerLocks.reset();
  FLinks.reset();
  FOwn = nullptr;
}

// ---------------------------------------------------------------------------------------
// Deliveries to one sink through converters

TDeliveryThroughConverter::TDeliveryThroughConverter(TPNBasicPin* AConnectionPin,
                                                     TPNBasicPin* ATarget, TPNNotifyState AState,
                                                     uint64_t AMark)
    : FConverter(AConnectionPin ? ConverterOf(AConnectionPin->GetOwner()) : nullptr) {
  if (TPNFormatConverterPins* pins = ConverterPins(FConverter.Get())) FOutput = pins->OutputPin();
  if (FOutput) tRedirects.push_back({FOutput, ATarget, AState, AMark, false});
}

TDeliveryThroughConverter::~TDeliveryThroughConverter() {
  for (size_t i = tRedirects.size(); i-- > 0;)
    if (tRedirects[i].Output == FOutput) {
      tRedirects.erase(tRedirects.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  // The converter reference goes with no lock held: the caller holds none here.
  ReleaseOutsideLinkLock(std::move(FConverter));
}

TDeliveryThroughConverter::TRedirect TDeliveryThroughConverter::Take(TPNBasicPin* AOutput) {
  for (size_t i = tRedirects.size(); i-- > 0;)
    if (tRedirects[i].Output == AOutput) {
      if (tRedirects[i].Taken) return {};
      tRedirects[i].Taken = true;
      return tRedirects[i];
    }
  return {};
}

}  // namespace pins
