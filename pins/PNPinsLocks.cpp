#include "pins/PNPinsLocks.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace pins {

using platform::GetCurrentThreadId;
using platform::TWaitResult;

// ---------------------------------------------------------------------------------------
// The lock order, checked

namespace {

std::atomic<bool> GLockOrderChecks{false};

struct THeldLock {
  const void* Lock;
  TPNLockRank Rank;
};
// The ranked locks the thread holds, in the order taken.
thread_local std::vector<THeldLock> tHeldLocks;

const char* RankName(TPNLockRank ARank) {
  switch (ARank) {
    case TPNLockRank::Link: return "the link lock";
    case TPNLockRank::Pin: return "a pin's lock";
    case TPNLockRank::StateLink: return "a state link's lock";
    case TPNLockRank::Registry: return "the registry lock";
    case TPNLockRank::PinList: return "a pin list's lock";
    case TPNLockRank::None: break;
  }
  return "an unranked lock";
}

}  // namespace

void SetLockOrderChecks(bool AOn) { GLockOrderChecks.store(AOn); }

bool LockOrderChecks() { return GLockOrderChecks.load(std::memory_order_relaxed); }

void CheckLockOrder(const void* ALock, TPNLockRank ARank) {
  if (ARank == TPNLockRank::None || !LockOrderChecks()) return;
  for (const THeldLock& held : tHeldLocks)
    if (held.Lock != ALock && held.Rank >= ARank) {
      std::fprintf(stderr,
                   "lock order broken: thread %u waits for %s (%p) while it holds %s (%p)\n",
                   GetCurrentThreadId(), RankName(ARank), ALock, RankName(held.Rank), held.Lock);
      std::fflush(stderr);
      std::abort();
    }
}

void LockTaken(const void* ALock, TPNLockRank ARank) {
  if (ARank == TPNLockRank::None || !LockOrderChecks()) return;
  tHeldLocks.push_back({ALock, ARank});
}

void LockLeft(const void* ALock) {
  for (size_t i = tHeldLocks.size(); i-- > 0;)
    if (tHeldLocks[i].Lock == ALock) {
      tHeldLocks.erase(tHeldLocks.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
}

// ---------------------------------------------------------------------------------------
// Wrappers

TPNEvent::TPNEvent(bool manualReset, bool initialState)
    : FHandle(platform::CreateEvent(manualReset, initialState)) {}

TPNEvent::TPNEvent(std::string_view name, bool manualReset, bool initialState)
    : FHandle(platform::CreateEvent(manualReset, initialState, name)) {}

void TPNEvent::Signal() {
  if (FHandle) FHandle->Set();
}

void TPNEvent::Reset() {
  if (FHandle) FHandle->Reset();
}

bool TPNEvent::WaitFor(uint32_t timeout) {
  return FHandle && FHandle->Wait(timeout) == TWaitResult::Acquired;
}

TPNMutex::TPNMutex(bool /*initialOwner*/) : FHandle(platform::CreateMutex(false)) {}

TPNMutex::TPNMutex(std::string_view name, bool /*initialOwner*/)
    : FHandle(platform::CreateMutex(false, name)) {}

bool TPNMutex::Acquire(uint32_t milliseconds) {
  if (!FHandle) return false;
  const TWaitResult r = FHandle->Wait(milliseconds);
  return r == TWaitResult::Acquired || r == TWaitResult::Abandoned;
}

bool TPNMutex::Release() { return FHandle && FHandle->Release(); }

TPNSemaphore::TPNSemaphore(int32_t initialCount, int32_t maximumCount)
    : FHandle(platform::CreateSemaphore(initialCount, maximumCount)) {}

bool TPNSemaphore::Increment(int32_t count) { return FHandle && FHandle->Release(count); }

bool TPNSemaphore::Decrement(uint32_t milliseconds) {
  return FHandle && FHandle->Wait(milliseconds) == TWaitResult::Acquired;
}

// ---------------------------------------------------------------------------------------
// Sections

namespace {

class TPNLockSection : public platform::TInterfacedObject, public IPNLockSection {
 public:
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<IPNLockSection>(this, iid, object);
  }
};

// Keeps the lock alive while the section exists.
class TPNSimpleLockSection : public TPNLockSection {
 protected:
  explicit TPNSimpleLockSection(TPNLock* owner) : FOwnerIntf(owner), FOwner(owner) {}
  RefPtr<IPNLock> FOwnerIntf;
  TPNLock* FOwner;
};

}  // namespace

// Read and write sections are the same exclusive section; the names document intent.
class TPNSimpleReadWriteLockSection final : public TPNSimpleLockSection {
  PF_ALLOW_NEW;

 public:
  bool Locked() const { return FLocked; }

 protected:
  TPNSimpleReadWriteLockSection(TPNLock* owner, const RefPtr<IPNLock>& slave)
      : TPNSimpleLockSection(owner) {
    // Waits of 1, 2, ..., 20 ms, then 20 ms per try until the lock is obtained or a stop
    // becomes pending. After the twentieth failed try every level of the slave lock is
    // dropped until the section ends: the holder of this lock may be waiting for it.
    uint32_t tries = 1;
    for (;;) {
      if (FOwner->TryLock(tries)) {
        FLocked = true;
        return;
      }
      if (FOwner->GiveUpWhenStopping()) return;
      if (tries < 20) {
        ++tries;
        continue;
      }
      if (slave && !FUnlockSection) FUnlockSection = slave->UnlockAll();
    }
  }

  void BeforeDestruction() override {
    // A refused section holds nothing, so its end changes nothing.
    if (FLocked) FOwner->Unlock();
    FLocked = false;
    // The slave lock is taken back only after this lock was released.
    FUnlockSection = nullptr;
    TPNSimpleLockSection::BeforeDestruction();
  }

 private:
  RefPtr<IPNLockSection> FUnlockSection;
  bool FLocked = false;
};

namespace {

class TPNSimpleStopLockSection final : public TPNSimpleLockSection {
  PF_ALLOW_NEW;

 protected:
  explicit TPNSimpleStopLockSection(TPNLock* owner) : TPNSimpleLockSection(owner) {
    FOwner->AcquireStop();
  }
  void BeforeDestruction() override {
    FOwner->ReleaseStop();
    TPNSimpleLockSection::BeforeDestruction();
  }
};

class TPNSimpleUnlockSection final : public TPNSimpleLockSection {
  PF_ALLOW_NEW;

 protected:
  TPNSimpleUnlockSection(TPNLock* owner, const RefPtr<IPNLock>& firstLock)
      : TPNSimpleLockSection(owner), FFirstLockIntf(firstLock) {
    // Levels carried over while a stop was pending are taken back only while the first
    // lock is held: a plain section leaves them carried.
    FCountLocks = FOwner->ReleaseAllLevels(FFirstLockIntf != nullptr);
  }
  void BeforeDestruction() override {
    // The first lock is taken before this one, so the order of locking is kept.
    RefPtr<IPNLockSection> first;
    if (FFirstLockIntf) first = FFirstLockIntf->WriteLock();
    FOwner->Relock(FCountLocks);
    first = nullptr;
    FFirstLockIntf = nullptr;
    TPNSimpleLockSection::BeforeDestruction();
  }

 private:
  int32_t FCountLocks = 0;
  RefPtr<IPNLock> FFirstLockIntf;
};

}  // namespace

bool SectionLocked(const RefPtr<IPNLockSection>& section) {
  if (!section) return false;
  if (auto* rw = dynamic_cast<TPNSimpleReadWriteLockSection*>(section.Get())) return rw->Locked();
  return true;
}

// ---------------------------------------------------------------------------------------
// TPNLock

PF_DEFINE_CLASS(TPNLock, platform::TInterfacedObject)

RefPtr<TPNLock> TPNLock::Create() { return platform::New<TPNLock>(); }

// Takes this lock (waiting; drops the slave lock's levels after twenty tries).
RefPtr<IPNLockSection> TPNLock::ReadSection(const RefPtr<IPNLock>& slave) {
  return platform::New<TPNSimpleReadWriteLockSection>(this, slave);
}

// Takes this lock (waiting; drops the slave lock's levels after twenty tries).
RefPtr<IPNLockSection> TPNLock::WriteSection(const RefPtr<IPNLock>& slave) {
  return platform::New<TPNSimpleReadWriteLockSection>(this, slave);
}

// Takes this lock (waiting; refused while a stop is pending).
RefPtr<IPNLockSection> TPNLock::ReadLock() {
  RefPtr<IPNLockSection> s = ReadSection();
  return SectionLocked(s) ? s : nullptr;
}

// Takes this lock (waiting; refused while a stop is pending).
RefPtr<IPNLockSection> TPNLock::WriteLock() {
  RefPtr<IPNLockSection> s = WriteSection();
  return SectionLocked(s) ? s : nullptr;
}

// Takes this lock as a stop (waiting; never refused).
RefPtr<IPNLockSection> TPNLock::StopLock() {
  return platform::New<TPNSimpleStopLockSection>(this);
}

// Drops every level of this lock the thread holds (no wait).
RefPtr<IPNLockSection> TPNLock::UnlockAll() {
  return platform::New<TPNSimpleUnlockSection>(this, nullptr);
}

RefPtr<IPNLockSection> TPNLock::UnlockAllLockInOrder(const RefPtr<IPNLock>& firstLock) {
  return platform::New<TPNSimpleUnlockSection>(this, firstLock);
}

// Takes the internal lock.
uint32_t TPNLock::OwningThread() {
  EnterInternal();
  uint32_t r = FOwningThread;
  LeaveInternal();
  return r;
}

// Takes the internal lock.
int32_t TPNLock::LockLevels() {
  EnterInternal();
  int32_t r = FCountLocks;
  LeaveInternal();
  return r;
}

// Takes the internal lock.
bool TPNLock::StopPending() {
  EnterInternal();
  bool r = FInStopCount > 0;
  LeaveInternal();
  return r;
}

// Takes the internal lock.
int32_t TPNLock::CarriedLevels() {
  EnterInternal();
  auto it = FCarried.find(GetCurrentThreadId());
  int32_t r = it == FCarried.end() ? 0 : it->second;
  LeaveInternal();
  return r;
}

// Takes the internal lock; waits for the mutex with it released.
bool TPNLock::TryLock(uint32_t milliseconds) {
  const uint32_t self = GetCurrentThreadId();
  EnterInternal();
  if (FOwningThread == self && FCountLocks > 0) {
    // Recursion never waits and is never refused.
    ++FCountLocks;
    LeaveInternal();
    return true;
  }
  if (FInStopCount > 0) {
    LeaveInternal();
    return false;
  }
  LeaveInternal();
  CheckLockOrder(this, FRank);
  if (!FLockMutex.Acquire(milliseconds)) return false;
  EnterInternal();
  FOwningThread = self;
  ++FCountLocks;
  LeaveInternal();
  LockTaken(this, FRank);
  return true;
}

bool TPNLock::GiveUpWhenStopping() { return StopPending(); }

void TPNLock::ReleaseOwnLevel(uint32_t self) {
  if (FOwningThread == self && FCountLocks > 0) {
    if (--FCountLocks == 0) {
      FOwningThread = 0;
      FLockMutex.Release();
      LockLeft(this);
    }
    return;
  }
  auto it = FCarried.find(self);
  if (it != FCarried.end() && --it->second <= 0) FCarried.erase(it);
}

// Takes the internal lock; may release the mutex.
void TPNLock::Unlock() {
  const uint32_t self = GetCurrentThreadId();
  EnterInternal();
  ReleaseOwnLevel(self);
  LeaveInternal();
}

// Takes the internal lock; waits for the mutex with it released.
void TPNLock::AcquireStop() {
  const uint32_t self = GetCurrentThreadId();
  EnterInternal();
  ++FInStopCount;  // from here on every other thread's attempt fails at once
  if (FOwningThread == self && FCountLocks > 0) {
    ++FCountLocks;
  } else {
    LeaveInternal();
    CheckLockOrder(this, FRank);
    // A stop never gives up.
    while (!FLockMutex.Acquire(1000)) {
    }
    EnterInternal();
    FOwningThread = self;
    ++FCountLocks;
    LockTaken(this, FRank);
  }
  LeaveInternal();
}

// Takes the internal lock; may release the mutex.
void TPNLock::ReleaseStop() {
  const uint32_t self = GetCurrentThreadId();
  EnterInternal();
  --FInStopCount;
  ReleaseOwnLevel(self);
  LeaveInternal();
}

// Takes the internal lock; may release the mutex.
int32_t TPNLock::ReleaseAllLevels(bool ATakeCarried) {
  const uint32_t self = GetCurrentThreadId();
  EnterInternal();
  if (FOwningThread != 0 && FOwningThread != self) {
    // Another thread holds the lock: the caller holds no level of it.
    LeaveInternal();
    return 0;
  }
  int32_t levels = 0;
  if (FOwningThread == self) {
    levels = FCountLocks;
    FCountLocks = 0;
    FOwningThread = 0;
    if (levels > 0) {
      FLockMutex.Release();
      LockLeft(this);
    }
  }
  if (ATakeCarried) {
    auto it = FCarried.find(self);
    if (it != FCarried.end()) {
      levels += it->second;
      FCarried.erase(it);
    }
  }
  LeaveInternal();
  return levels;
}

// Takes the mutex back (waiting, with the internal lock released between tries).
void TPNLock::Relock(int32_t levels) {
  if (levels <= 0) return;
  const uint32_t self = GetCurrentThreadId();
  for (;;) {
    if (TryLock(1)) {
      EnterInternal();
      FCountLocks += levels - 1;
      LeaveInternal();
      return;
    }
    EnterInternal();
    if (FInStopCount > 0) {
      // The levels are carried over by this thread: its coming releases consume them.
      FCarried[self] += levels;
      LeaveInternal();
      return;
    }
    LeaveInternal();
  }
}

// ---------------------------------------------------------------------------------------
// TPNObject

PF_DEFINE_CLASS(TPNObject, platform::TPersistent)

TPNObject::TPNObject() : FIntLock(TPNLock::Create()) {}

RefPtr<IPNLockSection> TPNObject::ReadLock() { return FIntLock->Instance()->ReadSection(); }

RefPtr<IPNLockSection> TPNObject::WriteLock() { return FIntLock->Instance()->WriteSection(); }

RefPtr<IPNLockSection> TPNObject::UnlockAll() { return FIntLock->UnlockAll(); }

// ---------------------------------------------------------------------------------------
// The destroy guard

namespace {

class TPNDestroyLockSectionBase : public platform::TInterfacedObject,
                                  public IPNDestroyLockSection {
 public:
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<IPNDestroyLockSection>(this, iid, object);
  }
};

}  // namespace

// A guard section: the guarded object is not destroyed while it lives.
class TPNDestroyLockSection final : public TPNDestroyLockSectionBase {
  PF_ALLOW_NEW;

 protected:
  explicit TPNDestroyLockSection(TPNDestroyLock* lock) : FLock(lock) {}
  void BeforeDestruction() override {
    FLock->FLockCounter.fetch_sub(1);
    TPNDestroyLockSectionBase::BeforeDestruction();
  }

 private:
  RefPtr<TPNDestroyLock> FLock;
};

// Keeps guard sections refused while it lives.
class TPNDestroyLockLockSection final : public TPNDestroyLockSectionBase {
  PF_ALLOW_NEW;

 protected:
  explicit TPNDestroyLockLockSection(TPNDestroyLock* lock) : FLock(lock) {}
  void BeforeDestruction() override {
    FLock->FDestroying.fetch_sub(1);
    TPNDestroyLockSectionBase::BeforeDestruction();
  }

 private:
  RefPtr<TPNDestroyLock> FLock;
};

// Lifts the refusal while it lives; the saved count is added back at its end.
class TPNDestroyLockUnlockSection final : public TPNDestroyLockSectionBase {
  PF_ALLOW_NEW;

 protected:
  explicit TPNDestroyLockUnlockSection(TPNDestroyLock* lock)
      : FLock(lock), FCount(lock->FDestroying.exchange(0)) {}
  void BeforeDestruction() override {
    FLock->FDestroying.fetch_add(FCount);
    TPNDestroyLockSectionBase::BeforeDestruction();
  }

 private:
  RefPtr<TPNDestroyLock> FLock;
  int32_t FCount;
};

PF_DEFINE_CLASS(TPNDestroyLock, platform::TInterfacedObject)

RefPtr<TPNDestroyLock> TPNDestroyLock::Create(TPNObject* owner) {
  return platform::New<TPNDestroyLock>(owner);
}

RefPtr<IPNDestroyLockSection> TPNDestroyLock::Lock() {
  FLockCounter.fetch_add(1);
  if (FDestroying.load() != 0) {
    FLockCounter.fetch_sub(1);
    return nullptr;
  }
  return platform::New<TPNDestroyLockSection>(this);
}

// Drops the owner's levels of its own lock while it waits for the guard sections.
RefPtr<IPNDestroyLockSection> TPNDestroyLock::DestroyLock() {
  FDestroying.fetch_add(1);
  {
    // The waiting thread holds none of the owner's levels, so a guarded call that needs
    // the owner's lock can finish.
    RefPtr<IPNLockSection> unlocked;
    if (FOwner) unlocked = FOwner->UnlockAll();
    while (FLockCounter.load() != 0) platform::Sleep(0);
  }
  return platform::New<TPNDestroyLockLockSection>(this);
}

RefPtr<IPNDestroyLockSection> TPNDestroyLock::DestroyUnlockLock() {
  return platform::New<TPNDestroyLockUnlockSection>(this);
}

}  // namespace pins
