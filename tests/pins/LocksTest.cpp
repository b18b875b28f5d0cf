#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "pins/PNPinsLocks.h"
#include "tests/common/Steps.h"
#include "tests/common/Watchdog.h"

namespace {

using namespace pins;
using platform::GetCurrentThreadId;
using platform::RefPtr;
using Clock = std::chrono::steady_clock;

// Waits (polling) until pred holds; false after the time limit.
template <class Pred>
bool Eventually(Pred pred, int milliseconds = 2000) {
  const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (!pred()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A lockable object of the framework's base class.
struct ObjectHolder {
  TPNObject* Object = platform::New<TPNObject>();
  ~ObjectHolder() { Object->Free(); }
};

TEST(Locks, RecursionHoldsTheLockUntilTheLastRelease) {
  Watchdog dog(20, "Locks.RecursionHoldsTheLockUntilTheLastRelease");
  for (int depth : {1, 2, 5}) {
    SCOPED_TRACE(depth);
    RefPtr<TPNLock> lock = TPNLock::Create();
    std::vector<RefPtr<IPNLockSection>> sections;
    for (int i = 0; i < depth; ++i) {
      sections.push_back(i % 2 ? lock->ReadLock() : lock->WriteLock());
      ASSERT_TRUE(sections.back());
    }
    EXPECT_EQ(lock->OwningThread(), GetCurrentThreadId());
    EXPECT_EQ(lock->LockLevels(), depth);

    std::atomic<bool> acquired{false};
    std::atomic<int64_t> acquiredAt{0};
    const auto start = Clock::now();
    std::thread other([&] {
      auto s = lock->WriteLock();
      acquiredAt = MillisecondsSince(start);
      acquired = true;
      EXPECT_TRUE(s);
    });
    while (sections.size() > 1) {
      sections.pop_back();
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
      EXPECT_FALSE(acquired) << "the lock was free before its last release";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    EXPECT_FALSE(acquired);
    const int64_t releasedAt = MillisecondsSince(start);
    sections.clear();
    other.join();
    EXPECT_TRUE(acquired);
    // The waiter's tries are at most 20 ms apart.
    EXPECT_LT(acquiredAt - releasedAt, 250);
    EXPECT_EQ(lock->OwningThread(), 0u);
    EXPECT_EQ(lock->LockLevels(), 0);
  }
}

// T1 holds the owner lock O (twice) and wants the pin lock P with O as slave; T2 holds P and
// wants O. T1's section drops O after its twentieth try, T2 finishes, T1 gets P and takes O
// back at its original depth.
TEST(Locks, SlaveLockBreaksTheCrossedWait) {
  Watchdog dog(10, "Locks.SlaveLockBreaksTheCrossedWait");
  RefPtr<TPNLock> owner = TPNLock::Create();
  RefPtr<TPNLock> pin = TPNLock::Create();
  std::atomic<int> stage{0};
  std::atomic<bool> t1HadPin{false}, t2Done{false};
  std::atomic<uint32_t> ownerAfter{0}, t1Id{1};
  std::atomic<int> levelsAfter{-1};
  const auto start = Clock::now();

  std::thread t1([&] {
    auto o1 = owner->WriteLock();
    auto o2 = owner->ReadLock();
    t1Id = GetCurrentThreadId();
    stage.fetch_add(1);
    while (stage.load() < 2) std::this_thread::yield();
    {
      auto p = pin->WriteSection(RefPtr<IPNLock>(owner));
      t1HadPin = SectionLocked(p);
      // T2 ran through both locks while this thread waited.
      EXPECT_TRUE(t2Done);
    }
    ownerAfter = owner->OwningThread();
    levelsAfter = owner->LockLevels();
  });
  std::thread t2([&] {
    auto p = pin->WriteLock();
    stage.fetch_add(1);
    while (stage.load() < 2) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    auto o = owner->WriteLock();
    EXPECT_TRUE(o);
    t2Done = true;
  });
  t1.join();
  t2.join();
  EXPECT_TRUE(t1HadPin);
  EXPECT_LT(MillisecondsSince(start), 1500);
  EXPECT_EQ(ownerAfter.load(), t1Id.load());
  EXPECT_EQ(levelsAfter.load(), 2);
  EXPECT_EQ(owner->OwningThread(), 0u);  // released when T1's sections ended
  EXPECT_EQ(pin->OwningThread(), 0u);
}

// While thread A holds a stop section, thread B is refused at once (null from the lock,
// an unlocked section from an object); A still locks recursively; after both have released,
// in either order, a third thread gets the lock and keeps it undisturbed.
TEST(Locks, StopSectionRefusesOthersAndReleasesCleanlyInEitherOrder) {
  Watchdog dog(20, "Locks.StopSectionRefusesOthersAndReleasesCleanlyInEitherOrder");
  for (bool stopReleasedFirst : {false, true}) {
    SCOPED_TRACE(stopReleasedFirst ? "stop released first" : "refused section released first");
    ObjectHolder holder;
    TPNLock* lock = holder.Object->IntLock()->Instance();

    TSteps step;
    std::thread a([&] {
      auto stop = lock->StopLock();
      EXPECT_TRUE(lock->StopPending());
      auto again = lock->WriteLock();  // the stop's owner still locks recursively
      EXPECT_TRUE(again);
      EXPECT_EQ(lock->LockLevels(), 2);
      again = nullptr;
      step.Set(1);
      step.WaitFor(2);
      if (stopReleasedFirst) {
        stop = nullptr;
        step.Set(3);
      } else {
        step.WaitFor(3);
        stop = nullptr;
      }
      step.Set(4);
    });
    std::thread b([&] {
      step.WaitFor(1);
      const auto t0 = Clock::now();
      EXPECT_FALSE(lock->ReadLock());  // refused at once
      auto refused = holder.Object->ReadLock();
      EXPECT_TRUE(refused);
      EXPECT_FALSE(SectionLocked(refused));
      EXPECT_LT(MillisecondsSince(t0), 100);
      step.Set(2);
      if (stopReleasedFirst) {
        step.WaitFor(4);
        refused = nullptr;
      } else {
        refused = nullptr;
        step.Set(3);
        step.WaitFor(4);
      }
    });
    a.join();
    b.join();
    EXPECT_FALSE(lock->StopPending());
    EXPECT_EQ(lock->OwningThread(), 0u);

    std::thread c([&] {
      auto s = lock->WriteLock();
      ASSERT_TRUE(s);
      EXPECT_EQ(lock->LockLevels(), 1);
    });
    c.join();
    EXPECT_EQ(lock->OwningThread(), 0u);
  }
}

// The faulty accounting let a stop's release consume another thread's refused section, so
// the mutex was never released: the third thread must get the lock while B still keeps its
// refused section, and B's later release must leave the third thread's hold alone.
TEST(Locks, RefusedSectionOfAnotherThreadDoesNotKeepTheLock) {
  Watchdog dog(10, "Locks.RefusedSectionOfAnotherThreadDoesNotKeepTheLock");
  ObjectHolder holder;
  TPNLock* lock = holder.Object->IntLock()->Instance();
  TSteps step;
  std::thread a([&] {
    auto stop = lock->StopLock();
    step.Set(1);
    step.WaitFor(2);
    stop = nullptr;  // released while B still keeps its refused section
    step.Set(3);
  });
  std::thread b([&] {
    step.WaitFor(1);
    auto refused = holder.Object->WriteLock();
    EXPECT_FALSE(SectionLocked(refused));
    step.Set(2);
    step.WaitFor(4);  // the third thread holds the lock now
    refused = nullptr;
    step.Set(5);
  });
  std::thread c([&] {
    step.WaitFor(3);
    auto s = lock->WriteLock();
    ASSERT_TRUE(s);
    step.Set(4);
    step.WaitFor(5);
    EXPECT_EQ(lock->OwningThread(), GetCurrentThreadId());
    EXPECT_EQ(lock->LockLevels(), 1);
  });
  a.join();
  b.join();
  c.join();
  EXPECT_EQ(lock->OwningThread(), 0u);
}

TEST(Locks, UnlockAllDropsAndRestoresThreeLevels) {
  Watchdog dog(10, "Locks.UnlockAllDropsAndRestoresThreeLevels");
  RefPtr<TPNLock> lock = TPNLock::Create();
  auto s1 = lock->WriteLock();
  auto s2 = lock->WriteLock();
  auto s3 = lock->ReadLock();
  {
    auto u = lock->UnlockAll();
    EXPECT_EQ(lock->OwningThread(), 0u);
    std::thread other([&] {
      auto s = lock->WriteLock();  // the mutex really is free
      EXPECT_TRUE(s);
    });
    other.join();
  }
  EXPECT_EQ(lock->OwningThread(), GetCurrentThreadId());
  EXPECT_EQ(lock->LockLevels(), 3);
  s3 = s2 = s1 = nullptr;
  EXPECT_EQ(lock->OwningThread(), 0u);
}

TEST(Locks, UnlockAllLockInOrderRelocksUnderTheFirstLock) {
  Watchdog dog(10, "Locks.UnlockAllLockInOrderRelocksUnderTheFirstLock");
  RefPtr<TPNLock> lock = TPNLock::Create();
  RefPtr<TPNLock> first = TPNLock::Create();
  TSteps step;
  std::atomic<bool> relocked{false};
  std::thread holder([&] {
    step.WaitFor(1);
    auto f = first->WriteLock();
    step.Set(2);
    step.WaitFor(3);
    // The relock waits for the first lock.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(relocked);
    EXPECT_EQ(lock->OwningThread(), 0u);
  });
  auto s1 = lock->WriteLock();
  auto s2 = lock->WriteLock();
  auto s3 = lock->WriteLock();
  {
    auto u = lock->UnlockAllLockInOrder(RefPtr<IPNLock>(first));
    step.Set(1);
    step.WaitFor(2);
    step.Set(3);
  }
  relocked = true;
  holder.join();
  EXPECT_EQ(lock->LockLevels(), 3);
  EXPECT_EQ(lock->OwningThread(), GetCurrentThreadId());
  EXPECT_EQ(first->OwningThread(), 0u);  // released right after the relock
}

// Levels carried over while a stop was pending stay carried: a plain unlock-all section
// neither counts them nor takes them back. Taking them back there would make the thread own
// the lock again without holding the lock that comes before it: below, the outer section of
// a delivery then waits for the input lock while its thread owns the owner lock that the
// input lock's holder wants.
TEST(Locks, CarriedLevelsAreNotTakenBackByAPlainUnlockAll) {
  Watchdog dog(20, "Locks.CarriedLevelsAreNotTakenBackByAPlainUnlockAll");
  RefPtr<TPNLock> input = TPNLock::Create();
  RefPtr<TPNLock> owner = TPNLock::Create();
  TSteps step;
  std::atomic<bool> ownedAfterUnlockAll{true};
  std::atomic<int> carried{-1};
  std::thread stopper([&] {
    step.WaitFor(1);
    auto stop = owner->StopLock();
    step.Set(2);
    step.WaitFor(3);
    stop = nullptr;
    step.Set(4);
  });
  std::thread inputHolder([&] {
    step.WaitFor(5);
    auto in = input->WriteLock();
    step.Set(6);
    auto own = owner->WriteLock();  // input lock first, then the owner lock
    EXPECT_TRUE(own);
  });
  {
    auto o = owner->WriteLock();
    // A delivery drops the owner lock and takes it back after the input lock.
    auto outer = owner->UnlockAllLockInOrder(RefPtr<IPNLock>(input));
    auto w = owner->WriteLock();  // a handler that re-enters the component
    {
      auto u = owner->UnlockAll();
      step.Set(1);
      step.WaitFor(2);
    }  // taken back while the stop is pending: the level is carried over
    carried = owner->CarriedLevels();
    step.Set(3);
    step.WaitFor(4);
    auto v = owner->UnlockAll();
    w = nullptr;  // consumes its carried level
    v = nullptr;
    ownedAfterUnlockAll = owner->OwningThread() == GetCurrentThreadId();
    step.Set(5);
    step.WaitFor(6);
  }
  stopper.join();
  inputHolder.join();
  EXPECT_EQ(carried.load(), 1);
  EXPECT_FALSE(ownedAfterUnlockAll) << "a carried level came back as ownership";
  EXPECT_EQ(owner->OwningThread(), 0u);
  EXPECT_EQ(owner->CarriedLevels(), 0);
  EXPECT_EQ(input->OwningThread(), 0u);
}

TEST(Locks, UnlockAllByANonHolderChangesNothing) {
  Watchdog dog(10, "Locks.UnlockAllByANonHolderChangesNothing");
  RefPtr<TPNLock> lock = TPNLock::Create();
  TSteps step;
  std::atomic<uint32_t> holderId{0};
  std::thread holder([&] {
    auto s1 = lock->WriteLock();
    auto s2 = lock->WriteLock();
    holderId = GetCurrentThreadId();
    step.Set(1);
    step.WaitFor(2);
  });
  step.WaitFor(1);
  {
    auto u = lock->UnlockAll();
    EXPECT_EQ(lock->OwningThread(), holderId.load());
    EXPECT_EQ(lock->LockLevels(), 2);
  }
  EXPECT_EQ(lock->OwningThread(), holderId.load());
  EXPECT_EQ(lock->LockLevels(), 2);
  step.Set(2);
  holder.join();
  EXPECT_EQ(lock->OwningThread(), 0u);
}

// DestroyLock waits for other threads' guard sections, even when such a thread needs the
// owner lock that the destroying thread holds; Lock is refused meanwhile and works after.
TEST(Locks, DestroyGuardWaitsForGuardedCalls) {
  Watchdog dog(10, "Locks.DestroyGuardWaitsForGuardedCalls");
  ObjectHolder holder;
  RefPtr<TPNDestroyLock> guard = TPNDestroyLock::Create(holder.Object);
  TSteps step;
  std::atomic<bool> guardReleased{false};
  std::atomic<bool> refusedMeanwhile{false};

  auto ownerSection = holder.Object->WriteLock();
  std::thread caller([&] {
    auto g = guard->Lock();
    ASSERT_TRUE(g);
    step.Set(1);
    {
      // Gets the owner lock only once the destroying thread dropped it.
      auto s = holder.Object->WriteLock();
      EXPECT_TRUE(SectionLocked(s));
      refusedMeanwhile = !guard->Lock();
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    guardReleased = true;
    g = nullptr;
  });
  step.WaitFor(1);
  {
    auto d = guard->DestroyLock();
    EXPECT_TRUE(guardReleased);
    EXPECT_FALSE(guard->Lock());
    EXPECT_EQ(holder.Object->IntLock()->Instance()->LockLevels(), 1);  // taken back
    {
      auto lift = guard->DestroyUnlockLock();
      EXPECT_TRUE(guard->Lock());
    }
    EXPECT_FALSE(guard->Lock());
  }
  caller.join();
  EXPECT_TRUE(refusedMeanwhile);
  EXPECT_TRUE(guard->Lock());
  EXPECT_EQ(guard->LockCounter(), 0);
  ownerSection = nullptr;
}

TEST(Locks, EventsAndSemaphores) {
  Watchdog dog(10, "Locks.EventsAndSemaphores");
  TPNEvent timeout(true, false);
  EXPECT_FALSE(timeout.WaitFor(10));

  struct EventCase {
    bool manualReset;
    std::vector<bool> waits;  // results of WaitFor(0) after one Signal
  };
  for (const EventCase& c : {EventCase{true, {true, true, true}}, EventCase{false, {true, false}}}) {
    TPNEvent event(c.manualReset, false);
    event.Signal();
    for (bool expected : c.waits) EXPECT_EQ(event.WaitFor(0), expected) << c.manualReset;
    event.Reset();
    EXPECT_FALSE(event.WaitFor(0));
  }
  TPNEvent initiallySet(false, true);
  EXPECT_TRUE(initiallySet.WaitFor(0));

  TPNEvent wake(false, false);
  std::thread signaller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    wake.Signal();
  });
  EXPECT_TRUE(wake.WaitFor(platform::INFINITE));
  signaller.join();

  TPNSemaphore sem(1, 2);
  EXPECT_TRUE(sem.Increment(1));   // 2
  EXPECT_FALSE(sem.Increment(1));  // beyond the maximum: refused
  EXPECT_FALSE(sem.Increment(0));
  EXPECT_EQ(sem.GetHandle()->Count(), 2);
  EXPECT_TRUE(sem.Decrement(0));
  EXPECT_TRUE(sem.Decrement(0));
  EXPECT_FALSE(sem.Decrement(10));
  EXPECT_FALSE(TPNSemaphore(3, 2).GetHandle());
}

TEST(Locks, MutexAcquireCountsOnlyObtainedMutexes) {
  Watchdog dog(10, "Locks.MutexAcquireCountsOnlyObtainedMutexes");
  TPNMutex mutex;
  TSteps step;
  std::thread owner([&] {
    EXPECT_TRUE(mutex.Acquire(0));
    step.Set(1);
    step.WaitFor(2);
    // Ends without releasing: the mutex is abandoned.
  });
  step.WaitFor(1);
  EXPECT_FALSE(mutex.Acquire(10));  // time-out
  EXPECT_FALSE(mutex.Release());    // not the owner
  step.Set(2);
  owner.join();
  EXPECT_TRUE(mutex.Acquire(1000));  // abandoned counts as obtained
  EXPECT_TRUE(mutex.Release());

  // A wait that fails (no mutex: the name belongs to an event) is not an acquisition.
  TPNEvent named("Locks.MutexAcquire.Name", true, false);
  TPNMutex clash("Locks.MutexAcquire.Name", false);
  EXPECT_FALSE(clash.GetHandle());
  EXPECT_FALSE(clash.Acquire(0));
  EXPECT_FALSE(clash.Release());

  // Named mutexes of one name are one mutex.
  TPNMutex m1("Locks.MutexAcquire.Shared", false);
  TPNMutex m2("Locks.MutexAcquire.Shared", false);
  EXPECT_EQ(m1.GetHandle(), m2.GetHandle());
}

}  // namespace
