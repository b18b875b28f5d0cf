#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/Kernel.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"
#include "tests/common/Watchdog.h"

namespace {

using namespace platform;

// A hidden window that records its messages; the loop is reset after each test.
struct Receiver {
  std::vector<TMessage> Messages;
  std::vector<uint32_t> Threads;
  std::function<void(TMessage&)> OnMessage;
  HWND Window = AllocateHWnd(TWndMethod::Bind<&Receiver::Handle>(this));

  void Handle(TMessage& m) {
    Messages.push_back(m);
    Threads.push_back(GetCurrentThreadId());
    if (OnMessage) OnMessage(m);
  }
  size_t Count(uint32_t msg) const {
    size_t n = 0;
    for (const TMessage& m : Messages) n += m.Msg == msg;
    return n;
  }
  ~Receiver() { DeallocateHWnd(Window); }
};

struct MessageLoopTest : ::testing::Test {
  void TearDown() override {
    MessageLoop().SetClock(nullptr);
    MessageLoop().SetExceptionHook(nullptr);
    MessageLoop().ResetTerminated();
  }
};

TEST_F(MessageLoopTest, PostsFromManyThreadsArriveInOrderOnTheMainThread) {
  Watchdog dog(30, "MessageLoop.PostsFromManyThreadsArriveInOrderOnTheMainThread");
  Receiver r;
  constexpr int Threads = 8, PerThread = 500;
  std::vector<std::thread> posters;
  for (int t = 0; t < Threads; ++t)
    posters.emplace_back([&, t] {
      for (int i = 0; i < PerThread; ++i)
        EXPECT_TRUE(PostMessage(r.Window, WM_MAINTHREADNOTIFY, WPARAM(t), LPARAM(i)));
    });
  while (r.Messages.size() < size_t(Threads * PerThread)) {
    ProcessMessages();
    std::this_thread::yield();
  }
  for (auto& p : posters) p.join();
  ProcessMessages();
  ASSERT_EQ(r.Messages.size(), size_t(Threads * PerThread));
  std::vector<LPARAM> next(Threads, 0);
  for (size_t k = 0; k < r.Messages.size(); ++k) {
    const TMessage& m = r.Messages[k];
    EXPECT_EQ(m.Msg, WM_MAINTHREADNOTIFY);
    ASSERT_LT(m.WParam, WPARAM(Threads));
    EXPECT_EQ(m.LParam, next[m.WParam]++) << "thread " << m.WParam;
    EXPECT_EQ(r.Threads[k], MainThreadID());
  }
}

TEST_F(MessageLoopTest, AThrowingHandlerIsReportedAndTheLoopGoesOn) {
  std::vector<std::string> reports;
  MessageLoop().SetExceptionHook(
      [&](TObject*, const std::exception& e) { reports.push_back(e.what()); });
  Receiver r;
  r.OnMessage = [](TMessage& m) {
    if (m.WParam == 1) throw EListError("boom");
    if (m.WParam == 2) throw EAbort("silent");
  };
  for (WPARAM i = 0; i < 4; ++i) PostMessage(r.Window, WM_USER, i, 0);
  ProcessMessages();
  EXPECT_EQ(r.Messages.size(), 4u);
  EXPECT_EQ(reports, std::vector<std::string>{"boom"});
}

TEST_F(MessageLoopTest, MessagesForAGoneWindowAreDropped) {
  Receiver* r = new Receiver;
  const HWND w = r->Window;
  Receiver keep;
  PostMessage(w, WM_USER, 1, 0);
  PostMessage(keep.Window, WM_USER, 2, 0);
  delete r;  // deallocates the window with a message still queued
  EXPECT_FALSE(PostMessage(w, WM_USER, 3, 0));
  EXPECT_EQ(SetTimer(w, 1, 100), 0u);
  ProcessMessages();
  ASSERT_EQ(keep.Messages.size(), 1u);
  EXPECT_EQ(keep.Messages[0].WParam, 2u);
}

TEST_F(MessageLoopTest, TimersFollowTheVirtualClock) {
  TVirtualClock clock;
  MessageLoop().SetClock(&clock);
  Receiver r;
  EXPECT_EQ(SetTimer(r.Window, 7, 100), 7u);
  struct Step {
    int64_t advance;
    size_t firedSoFar;
  } steps[] = {{0, 0}, {99, 0}, {1, 1}, {50, 1}, {50, 2}, {1000, 3} /* missed periods: once */,
               {100, 4}};
  for (const Step& s : steps) {
    clock.Advance(s.advance);
    ProcessMessages();
    EXPECT_EQ(r.Count(WM_TIMER), s.firedSoFar) << "at " << clock.NowMilliseconds();
  }
  EXPECT_EQ(r.Messages.back().WParam, 7u);
  EXPECT_TRUE(KillTimer(r.Window, 7));
  EXPECT_FALSE(KillTimer(r.Window, 7));
  clock.Advance(10000);
  ProcessMessages();
  EXPECT_EQ(r.Count(WM_TIMER), 4u);

  // A timer killed by another timer's handler in the same pass never fires.
  Receiver a, b;
  a.OnMessage = [&](TMessage&) { KillTimer(b.Window, 1); };
  SetTimer(a.Window, 1, 10);
  SetTimer(b.Window, 1, 10);
  clock.Advance(10);
  ProcessMessages();
  EXPECT_EQ(a.Count(WM_TIMER), 1u);
  EXPECT_EQ(b.Count(WM_TIMER), 0u);
}

TEST_F(MessageLoopTest, RunDispatchesUntilTerminated) {
  Watchdog dog(10, "MessageLoop.RunDispatchesUntilTerminated");
  TVirtualClock clock;
  MessageLoop().SetClock(&clock);
  Receiver r;
  r.OnMessage = [&](TMessage& m) {
    if (m.Msg == WM_TIMER) MessageLoop().Terminate();
  };
  SetTimer(r.Window, 1, 500);
  std::thread driver([&] {
    PostMessage(r.Window, WM_USER, 0, 0);
    Sleep(5);
    clock.Advance(500);  // wakes the waiting loop; the timer ends it
  });
  MessageLoop().Run();
  driver.join();
  EXPECT_TRUE(MessageLoop().Terminated());
  EXPECT_EQ(r.Count(WM_USER), 1u);
  EXPECT_EQ(r.Count(WM_TIMER), 1u);
}

}  // namespace
