#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "pins/CBComponentLocks.h"
#include "tests/common/Steps.h"
#include "tests/common/Watchdog.h"

namespace {

using namespace pins;
using platform::GetCurrentThreadId;
using platform::RefPtr;

// Records the order of call-backs and whether the lock was held by the calling thread.
struct Recorder {
  std::vector<std::string> Log;
  ICBLock* Lock = nullptr;

  void Record(const char* what) {
    const bool held = Lock && Lock->Instance()->OwningThread() == GetCurrentThreadId();
    Log.push_back(std::string(what) + (held ? " (locked)" : " (unlocked)"));
  }
  void PropertyChanged() { Record("notify"); }
  void Updated() { Record("updated"); }

  TCBPropUpdateFunc NotifyFunc() { return TCBPropUpdateFunc::Bind<&Recorder::PropertyChanged>(this); }
  TCBPropUpdateFunc UpdatedFunc() { return TCBPropUpdateFunc::Bind<&Recorder::Updated>(this); }
};

struct PropertyLockTest : ::testing::Test {
  Recorder rec;
  RefPtr<ICBLock> lock = TCBLock::Create(rec.NotifyFunc());
  void SetUp() override { rec.Lock = lock.Get(); }

  // Runs set(value) twice: the first call changes the value, the second finds it equal.
  template <class T, class Set>
  void ExpectChangeThenNoChange(T& field, Set set) {
    rec.Log.clear();
    EXPECT_TRUE(set());
    EXPECT_EQ(rec.Log, (std::vector<std::string>{"updated (locked)", "notify (locked)"}));
    rec.Log.clear();
    EXPECT_FALSE(set());
    EXPECT_TRUE(rec.Log.empty());
    (void)field;
  }
};

TEST_F(PropertyLockTest, ChangedValuesCallBothCallBacksUnderTheLock) {
  int32_t i32 = 0;
  int16_t i16 = 0;
  int64_t i64 = 0;
  uint32_t u32 = 0;
  uint16_t u16 = 0;
  uint8_t u8 = 0;
  float f = 0;
  double d = 0;
  bool b = false;
  std::string s;
  std::u16string w;
  char16_t c = u'a';
  TRBClockSource clock = csInternal;
  uint32_t gpColor = 0;
  auto up = rec.UpdatedFunc();
  ExpectChangeThenNoChange(i32, [&] { return lock->Setter(i32, -7, up); });
  ExpectChangeThenNoChange(i16, [&] { return lock->Setter(i16, -32768, up); });
  ExpectChangeThenNoChange(i64, [&] { return lock->Setter(i64, int64_t(1) << 40, up); });
  ExpectChangeThenNoChange(u32, [&] { return lock->Setter(u32, 4000000000u, up); });
  ExpectChangeThenNoChange(u16, [&] { return lock->Setter(u16, 65535, up); });
  ExpectChangeThenNoChange(u8, [&] { return lock->Setter(u8, 255, up); });
  ExpectChangeThenNoChange(f, [&] { return lock->Setter(f, 0.5f, up); });
  ExpectChangeThenNoChange(d, [&] { return lock->Setter(d, 1e-300, up); });
  ExpectChangeThenNoChange(b, [&] { return lock->Setter(b, true, up); });
  ExpectChangeThenNoChange(s, [&] { return lock->Setter(s, std::string("text"), up); });
  ExpectChangeThenNoChange(w, [&] { return lock->Setter(w, std::u16string(u"wide"), up); });
  ExpectChangeThenNoChange(c, [&] { return lock->Setter(c, u'b', up); });
  ExpectChangeThenNoChange(clock, [&] { return lock->Setter(clock, csExternal, up); });
  ExpectChangeThenNoChange(gpColor, [&] { return lock->Setter(gpColor, 0xFF00FF00u, true, up); });
  EXPECT_EQ(s, "text");
  EXPECT_EQ(u16, 65535);
  EXPECT_EQ(lock->Getter(i64), int64_t(1) << 40);
  EXPECT_EQ(lock->Getter(s), "text");

  // An equal string in another instance is no change.
  std::string other = std::string("te") + "xt";
  rec.Log.clear();
  EXPECT_FALSE(lock->Setter(s, other, up));
  EXPECT_TRUE(rec.Log.empty());

  // Without an update function only the notification runs.
  rec.Log.clear();
  EXPECT_TRUE(lock->Setter(i32, 8));
  EXPECT_EQ(rec.Log, (std::vector<std::string>{"notify (locked)"}));
}

TEST_F(PropertyLockTest, SynchronizeTypeSetterSkipsTheNotification) {
  TRBSynchronizeType sync = stNone;
  EXPECT_TRUE(lock->Setter(sync, stQueue, rec.UpdatedFunc()));
  EXPECT_EQ(sync, stQueue);
  EXPECT_EQ(rec.Log, (std::vector<std::string>{"updated (locked)"}));
  rec.Log.clear();
  EXPECT_FALSE(lock->Setter(sync, stQueue, rec.UpdatedFunc()));
  EXPECT_TRUE(rec.Log.empty());
}

TEST_F(PropertyLockTest, ClampingTakesTheMinimumFirstThenTheMaximum) {
  int32_t i = 0;
  EXPECT_TRUE(lock->SetterMinMax(i, 5, 10, 8));  // minimum above maximum: the maximum wins
  EXPECT_EQ(i, 8);
  EXPECT_TRUE(lock->SetterMinMax(i, -100, -5, 5));
  EXPECT_EQ(i, -5);
  EXPECT_FALSE(lock->SetterMin(i, -6, -5));  // clamps to the stored value: no change
  uint32_t u = 0;
  EXPECT_TRUE(lock->SetterMin(u, 0u, 1u));
  EXPECT_EQ(u, 1u);
  uint16_t w = 0;
  EXPECT_TRUE(lock->SetterMax(w, 65535, 100));
  EXPECT_EQ(w, 100);
  uint8_t by = 0;
  EXPECT_TRUE(lock->SetterMinMax(by, 200, 10, 150));
  EXPECT_EQ(by, 150);
  int64_t l = 0;
  EXPECT_TRUE(lock->SetterMax(l, int64_t(1) << 50, int64_t(1) << 40));
  EXPECT_EQ(l, int64_t(1) << 40);
  float f = 0;
  EXPECT_TRUE(lock->SetterMinMax(f, 2.5f, 0.0f, 1.0f));
  EXPECT_EQ(f, 1.0f);
  double d = 0;
  EXPECT_TRUE(lock->SetterMin(d, -1.0, 0.25));
  EXPECT_EQ(d, 0.25);
}

TEST_F(PropertyLockTest, CopiesShareTheLockButNotTheNotification) {
  Watchdog dog(10, "PropertyLock.CopiesShareTheLockButNotTheNotification");
  Recorder rec2;
  RefPtr<ICBLock> copy = TCBLock::CreateCopy(lock, rec2.NotifyFunc());
  rec2.Lock = copy.Get();
  EXPECT_EQ(copy->Instance(), lock->Instance());
  int32_t value = 0;
  EXPECT_TRUE(copy->Setter(value, 3));
  EXPECT_TRUE(rec.Log.empty());
  EXPECT_EQ(rec2.Log, (std::vector<std::string>{"notify (locked)"}));

  // A section of one excludes the other.
  auto held = lock->WriteLock();
  std::atomic<bool> got{false};
  std::thread other([&] {
    auto s = copy->WriteLock();
    got = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(got);
  held = nullptr;
  other.join();
  EXPECT_TRUE(got);
}

TEST(PairedLock, TakesFirstThenSecondAndReleasesInReverse) {
  Watchdog dog(10, "PairedLock.TakesFirstThenSecondAndReleasesInReverse");
  RefPtr<ICBLock> input = TCBLock::Create({});
  RefPtr<ICBLock> output = TCBLock::Create({});
  RefPtr<ICBLock> paired = TCBPairedLock::Create(RefPtr<IPNLock>(input), RefPtr<IPNLock>(output), {});
  EXPECT_EQ(paired->Instance(), input->Instance());
  TPNLock* first = input->Instance();
  TPNLock* second = output->Instance();
  const uint32_t self = GetCurrentThreadId();

  // Taking: with the second lock held elsewhere, the first is already ours while we wait.
  TSteps step;
  std::atomic<uint32_t> firstOwnerWhileWaiting{0};
  std::thread holder([&] {
    auto s = output->WriteLock();
    step.Set(1);
    step.WaitFor(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    firstOwnerWhileWaiting = first->OwningThread();
  });
  step.WaitFor(1);
  step.Set(2);
  auto both = paired->WriteLock();
  holder.join();
  EXPECT_EQ(firstOwnerWhileWaiting.load(), self);
  EXPECT_EQ(first->OwningThread(), self);
  EXPECT_EQ(second->OwningThread(), self);

  // Releasing: a thread waiting for the first lock finds the second already free.
  std::atomic<uint32_t> secondOwnerSeen{1};
  std::thread waiter([&] {
    step.Set(3);
    auto s = input->WriteLock();
    secondOwnerSeen = second->OwningThread();
  });
  step.WaitFor(3);
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  both = nullptr;
  waiter.join();
  EXPECT_EQ(secondOwnerSeen.load(), 0u);

  // Unlock-all drops both and takes them back, first before second.
  {
    auto s = paired->WriteLock();
    auto s2 = paired->WriteLock();
    {
      auto u = paired->UnlockAll();
      EXPECT_EQ(first->OwningThread(), 0u);
      EXPECT_EQ(second->OwningThread(), 0u);
    }
    EXPECT_EQ(first->LockLevels(), 2);
    EXPECT_EQ(second->LockLevels(), 2);
  }
  EXPECT_EQ(first->OwningThread(), 0u);
  EXPECT_EQ(second->OwningThread(), 0u);
}

}  // namespace
