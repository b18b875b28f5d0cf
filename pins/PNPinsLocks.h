// Locks of the pin framework: the scoped recursive lock with read, write, stop and unlock-all
// sections, the destroy guard, the lockable base object and thin wrappers of the kernel's
// synchronisation objects.
//
// A lock is held while a section reference lives:
//
//   auto s = lock->WriteLock();   // null when refused because the lock is being stopped
//
// Sections are released on the thread that took them, in reverse order of taking.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>

#include "platform/Classes.h"
#include "platform/Interfaces.h"
#include "platform/Kernel.h"

namespace pins {

using platform::RefPtr;
using platform::TGUID;

class TPNLock;
class TPNDestroyLock;

// ---------------------------------------------------------------------------------------
// The lock order, checked
//
// The framework's locks by rank, in the order in which a thread may wait for them (written
// out in docs/ARCHITECTURE.md, "Lock order"). While the checks are on, a thread that is about
// to wait for a ranked lock while it holds a ranked lock of the same or a later rank aborts
// the process with a message naming both, so that an order broken anywhere fails even when
// no second thread is there to make it hang. Locks of rank None (the components' own locks,
// converters' locks) are not checked. The checks are off unless turned on (the pin tests do,
// and PF_CHECK_LOCK_ORDER=1 does at start-up); while off they cost one atomic load.
enum class TPNLockRank : uint8_t {
  None = 0,
  Link = 2,       // the link lock
  Pin = 3,        // a pin's own lock
  StateLink = 4,  // a state link's own lock
  Registry = 5,   // the registry lock
  PinList = 6,    // a pin list's lock
};
void SetLockOrderChecks(bool AOn);
bool LockOrderChecks();
// Called before the calling thread waits for ALock (of rank ARank), which it does not hold.
void CheckLockOrder(const void* ALock, TPNLockRank ARank);
// The calling thread took ALock, or let go of every level of it.
void LockTaken(const void* ALock, TPNLockRank ARank);
void LockLeft(const void* ALock);

// ---------------------------------------------------------------------------------------
// Wrappers of the kernel's synchronisation objects (plain objects, owned by their creator)

class TPNCriticalSection {
 public:
  TPNCriticalSection() = default;
  TPNCriticalSection(const TPNCriticalSection&) = delete;
  TPNCriticalSection& operator=(const TPNCriticalSection&) = delete;
  void Enter() { FSection.Enter(); }
  void Leave() { FSection.Leave(); }

 private:
  platform::TCriticalSection FSection;
};

class TPNEvent {
 public:
  TPNEvent(bool manualReset, bool initialState);
  // A named event: opens the event of that name when one exists; the handle is null when
  // the name belongs to another kind of object.
  TPNEvent(std::string_view name, bool manualReset, bool initialState);
  TPNEvent(const TPNEvent&) = delete;
  TPNEvent& operator=(const TPNEvent&) = delete;

  void Signal();
  void Reset();
  // True only when the wait ends with the event signalled.
  bool WaitFor(uint32_t timeout);
  const std::shared_ptr<platform::TKernelEvent>& GetHandle() const { return FHandle; }

 private:
  std::shared_ptr<platform::TKernelEvent> FHandle;
};

class TPNMutex {
 public:
  // The mutex is always created unowned; the argument is kept for the callers' sake.
  explicit TPNMutex(bool initialOwner = false);
  TPNMutex(std::string_view name, bool initialOwner);
  TPNMutex(const TPNMutex&) = delete;
  TPNMutex& operator=(const TPNMutex&) = delete;

  // True when the mutex was obtained (also from an owner that ended holding it); False on a
  // time-out and on a failed wait.
  bool Acquire(uint32_t milliseconds);
  bool Release();
  const std::shared_ptr<platform::TKernelMutex>& GetHandle() const { return FHandle; }

 private:
  std::shared_ptr<platform::TKernelMutex> FHandle;
};

class TPNSemaphore {
 public:
  TPNSemaphore(int32_t initialCount, int32_t maximumCount);
  TPNSemaphore(const TPNSemaphore&) = delete;
  TPNSemaphore& operator=(const TPNSemaphore&) = delete;

  // Releases count units; False (nothing released) beyond the maximum.
  bool Increment(int32_t count);
  // Waits for one unit; True only when one was obtained.
  bool Decrement(uint32_t milliseconds);
  const std::shared_ptr<platform::TKernelSemaphore>& GetHandle() const { return FHandle; }

 private:
  std::shared_ptr<platform::TKernelSemaphore> FHandle;
};

// ---------------------------------------------------------------------------------------
// Lock interfaces

// Holding a reference is holding the section.
struct IPNLockSection : virtual platform::IInterface {
  static constexpr TGUID IID = TGUID::Parse("{01621A5C-9936-4BEB-BF6F-5D6754E65786}");
};

struct IPNLock : virtual platform::IInterface {
  static constexpr TGUID IID = TGUID::Parse("{66C8D1BF-FA12-48E8-B0C9-60A652FA80D9}");
  // An exclusive section; null when refused because a stop is pending on the lock.
  [[nodiscard]] virtual RefPtr<IPNLockSection> ReadLock() = 0;
  [[nodiscard]] virtual RefPtr<IPNLockSection> WriteLock() = 0;
  // Makes every other thread's attempt fail at once while it waits or is held; never null.
  [[nodiscard]] virtual RefPtr<IPNLockSection> StopLock() = 0;
  // Drops every level the calling thread holds; they are taken back when the section ends.
  [[nodiscard]] virtual RefPtr<IPNLockSection> UnlockAll() = 0;
  // The same, but firstLock is write-locked while this lock is taken back.
  [[nodiscard]] virtual RefPtr<IPNLockSection> UnlockAllLockInOrder(
      const RefPtr<IPNLock>& firstLock) = 0;
  // The lock object behind the interface.
  virtual TPNLock* Instance() = 0;
};

struct IPNDestroyLockSection : virtual platform::IInterface {
  static constexpr TGUID IID = TGUID::Parse("{913E5C19-E2E0-4937-8435-3A8838AE90C4}");
};

struct IPNDestroyLock : virtual platform::IInterface {
  static constexpr TGUID IID = TGUID::Parse("{941BEB02-70F3-4FC6-ACAA-0754D6CB8A0A}");
  // A guard section, or null while a destruction is waiting or under way.
  [[nodiscard]] virtual RefPtr<IPNDestroyLockSection> Lock() = 0;
  // Waits until no guard section is held; Lock is refused until the result is released.
  [[nodiscard]] virtual RefPtr<IPNDestroyLockSection> DestroyLock() = 0;
  // Lifts the refusal until the result is released.
  [[nodiscard]] virtual RefPtr<IPNDestroyLockSection> DestroyUnlockLock() = 0;
  virtual TPNDestroyLock* Instance() = 0;
};

// True when the section holds its lock: a read or write section that was refused because a
// stop was pending holds nothing. Other sections (stop, unlock-all, paired) count as held.
bool SectionLocked(const RefPtr<IPNLockSection>& section);

// ---------------------------------------------------------------------------------------
// The lock

// A recursive exclusive lock taken through sections. Counters change only under the
// internal critical section, which is never held while waiting for the mutex.
class TPNLock : public platform::TInterfacedObject, public IPNLock {
  PF_CLASS(TPNLock)
  PF_ALLOW_NEW;

 public:
  static RefPtr<TPNLock> Create();

  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<IPNLock>(this, iid, object);
  }
  int32_t AddRef() override { return TInterfacedObject::AddRef(); }
  int32_t Release() override { return TInterfacedObject::Release(); }

  [[nodiscard]] RefPtr<IPNLockSection> ReadLock() override;
  [[nodiscard]] RefPtr<IPNLockSection> WriteLock() override;
  [[nodiscard]] RefPtr<IPNLockSection> StopLock() override;
  [[nodiscard]] RefPtr<IPNLockSection> UnlockAll() override;
  [[nodiscard]] RefPtr<IPNLockSection> UnlockAllLockInOrder(
      const RefPtr<IPNLock>& firstLock) override;
  TPNLock* Instance() override { return this; }

  // Read and write sections that are returned also when they gave up (never null), with an
  // optional slave lock whose levels are dropped after twenty failed tries (pins pass their
  // owner's lock).
  [[nodiscard]] RefPtr<IPNLockSection> ReadSection(const RefPtr<IPNLock>& slave = nullptr);
  [[nodiscard]] RefPtr<IPNLockSection> WriteSection(const RefPtr<IPNLock>& slave = nullptr);

  // Observation, for diagnostics and tests.
  uint32_t OwningThread();
  int32_t LockLevels();      // recursion depth of the owning thread
  bool StopPending();
  int32_t CarriedLevels();   // levels the calling thread carries over (see Relock)

  // The operations the sections are built from.
  bool TryLock(uint32_t milliseconds);
  void Unlock();
  void AcquireStop();
  void ReleaseStop();
  // Takes back `levels` levels; while a stop is pending they are carried over instead.
  void Relock(int32_t levels);
  // Drops every level of the calling thread (when no other thread holds the lock) and
  // returns the count to give to Relock. Levels the thread carries over are counted (and
  // so taken back by Relock) only with ATakeCarried, which an unlock-all section passes
  // when it has a first lock: carried levels come back only while the lock that is taken
  // before this one is held.
  int32_t ReleaseAllLevels(bool ATakeCarried);
  void EnterInternal() { FIntLockSection.Enter(); }
  void LeaveInternal() { FIntLockSection.Leave(); }
  // Gives up a refused attempt; counts nothing (a refused section holds nothing).
  bool GiveUpWhenStopping();
  // The lock's place in the lock order (set once, before the lock is used).
  void SetRank(TPNLockRank ARank) { FRank = ARank; }

 protected:
  TPNLock() = default;

 private:
  // Lowers one level of the calling thread: its own recursion depth when it holds the lock,
  // else one of the levels it carries over. Call under the internal lock.
  void ReleaseOwnLevel(uint32_t self);

  TPNCriticalSection FIntLockSection;
  TPNLockRank FRank = TPNLockRank::None;
  int32_t FCountLocks = 0;       // recursion depth of the owning thread
  int32_t FInStopCount = 0;      // stop sections waiting or held
  uint32_t FOwningThread = 0;    // 0 when free
  // Levels carried over by Relock while a stop was pending, per thread: the releases that
  // follow consume them, so that they release nothing.
  std::map<uint32_t, int32_t> FCarried;
  TPNMutex FLockMutex;
};

// ---------------------------------------------------------------------------------------
// The lockable base object

class TPNObject : public platform::TPersistent {
  PF_CLASS(TPNObject)
  PF_ALLOW_NEW;

 public:
  // Sections on the object's own lock; never null (a refused section holds nothing).
  [[nodiscard]] virtual RefPtr<IPNLockSection> ReadLock();
  [[nodiscard]] virtual RefPtr<IPNLockSection> WriteLock();
  [[nodiscard]] virtual RefPtr<IPNLockSection> UnlockAll();

  const RefPtr<IPNLock>& IntLock() const { return FIntLock; }

 protected:
  TPNObject();

  RefPtr<IPNLock> FIntLock;
};

// ---------------------------------------------------------------------------------------
// The destroy guard

class TPNDestroyLock : public platform::TInterfacedObject, public IPNDestroyLock {
  PF_CLASS(TPNDestroyLock)
  PF_ALLOW_NEW;

 public:
  // owner: the guarded object (not counted); its lock levels are dropped while
  // DestroyLock waits.
  static RefPtr<TPNDestroyLock> Create(TPNObject* owner);

  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<IPNDestroyLock>(this, iid, object);
  }
  int32_t AddRef() override { return TInterfacedObject::AddRef(); }
  int32_t Release() override { return TInterfacedObject::Release(); }

  [[nodiscard]] RefPtr<IPNDestroyLockSection> Lock() override;
  [[nodiscard]] RefPtr<IPNDestroyLockSection> DestroyLock() override;
  [[nodiscard]] RefPtr<IPNDestroyLockSection> DestroyUnlockLock() override;
  TPNDestroyLock* Instance() override { return this; }

  int32_t LockCounter() const { return FLockCounter.load(); }
  int32_t Destroying() const { return FDestroying.load(); }

 protected:
  explicit TPNDestroyLock(TPNObject* owner) : FOwner(owner) {}

 private:
  friend class TPNDestroyLockSection;
  friend class TPNDestroyLockLockSection;
  friend class TPNDestroyLockUnlockSection;

  std::atomic<int32_t> FLockCounter{0};
  std::atomic<int32_t> FDestroying{0};
  TPNObject* FOwner = nullptr;
};

}  // namespace pins
