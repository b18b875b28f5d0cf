#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>

#include "platform/Kernel.h"
#include "platform/SysUtils.h"
#include "tests/common/Watchdog.h"

namespace {

using namespace platform;

TEST(Kernel, ThreadIdsAreNonZeroDistinctAndStable) {
  const uint32_t self = GetCurrentThreadId();
  EXPECT_NE(self, 0u);
  EXPECT_EQ(GetCurrentThreadId(), self);
  EXPECT_EQ(MainThreadID(), self);  // the test program initialises its units on this thread
  std::set<uint32_t> ids{self};
  std::mutex m;
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&] {
      const uint32_t id = GetCurrentThreadId();
      EXPECT_NE(id, 0u);
      EXPECT_EQ(MainThreadID(), self);
      std::lock_guard<std::mutex> lock(m);
      ids.insert(id);
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(ids.size(), 9u);
}

class TWorker : public TThread {
  PF_ALLOW_NEW;

 public:
  std::atomic<int> Loops{0};
  std::atomic<uint32_t> SeenId{0};
  std::string SeenName;
  bool Throw = false;

 protected:
  TWorker(bool suspended, std::string name, bool doThrow) : TThread(suspended), Throw(doThrow) {
    SetName(std::move(name));
  }
  void Execute() override {
    SeenId = GetCurrentThreadId();
    char name[32] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    SeenName = name;
    if (Throw) throw EThread("worker failed");
    while (!Terminated()) {
      ++Loops;
      Sleep(1);
    }
    ReturnValue = 42;
  }
};

TEST(Kernel, ThreadRunsExecuteUntilTerminatedAndIsJoined) {
  Watchdog dog(10, "Kernel.ThreadRunsExecuteUntilTerminatedAndIsJoined");
  TWorker* worker = New<TWorker>(false, "Filter1.TRBFilterThread", false);
  while (worker->Loops.load() < 3) Sleep(1);
  EXPECT_NE(worker->ThreadID(), GetCurrentThreadId());
  EXPECT_EQ(worker->SeenId.load(), worker->ThreadID());
  worker->Terminate();
  EXPECT_EQ(worker->WaitFor(), 42);
  EXPECT_TRUE(worker->Finished());
  EXPECT_EQ(worker->SeenName, "Filter1.TRBFilt");  // the system keeps 15 bytes
  worker->Free();

  // Suspended until started; freeing a never-started thread is fine.
  TWorker* suspended = New<TWorker>(true, "idle", false);
  Sleep(5);
  EXPECT_EQ(suspended->Loops.load(), 0);
  suspended->Free();

  // Freeing a running thread terminates and joins it.
  TWorker* running = New<TWorker>(true, "run", false);
  running->Start();
  running->Free();

  TWorker* failing = New<TWorker>(false, "fail", true);
  failing->WaitFor();
  EXPECT_EQ(failing->FatalMessage(), "worker failed");
  failing->Free();
}

TEST(Kernel, WaitResults) {
  Watchdog dog(10, "Kernel.WaitResults");
  auto mutex = CreateMutex(false);
  EXPECT_EQ(mutex->Wait(0), TWaitResult::Acquired);
  EXPECT_EQ(mutex->Wait(0), TWaitResult::Acquired);  // recursive
  std::thread other([&] { EXPECT_EQ(mutex->Wait(5), TWaitResult::Timeout); });
  other.join();
  EXPECT_TRUE(mutex->Release());
  EXPECT_TRUE(mutex->Release());
  EXPECT_FALSE(mutex->Release());
  std::thread abandoning([&] { EXPECT_EQ(mutex->Wait(0), TWaitResult::Acquired); });
  abandoning.join();
  EXPECT_EQ(mutex->Wait(0), TWaitResult::Abandoned);
  EXPECT_EQ(mutex->Wait(0), TWaitResult::Acquired);
  EXPECT_EQ(mutex->Owner(), GetCurrentThreadId());

  auto owned = CreateMutex(true);
  EXPECT_EQ(owned->Owner(), GetCurrentThreadId());

  EXPECT_EQ(CreateSemaphore(-1, 2), nullptr);
  EXPECT_EQ(CreateSemaphore(0, 0), nullptr);
  auto sem = CreateSemaphore(0, 3);
  int32_t previous = -1;
  EXPECT_TRUE(sem->Release(2, &previous));
  EXPECT_EQ(previous, 0);
  EXPECT_FALSE(sem->Release(2));
  EXPECT_EQ(sem->Count(), 2);

  auto event = CreateEvent(false, false, "Kernel.WaitResults.Event");
  EXPECT_EQ(CreateEvent(true, true, "Kernel.WaitResults.Event"), event);  // opened
  EXPECT_EQ(CreateSemaphore(1, 1, "Kernel.WaitResults.Event"), nullptr);
  EXPECT_EQ(event->Wait(1), TWaitResult::Timeout);
}

}  // namespace
