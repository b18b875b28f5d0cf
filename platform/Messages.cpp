#include "platform/Messages.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "platform/SysUtils.h"

namespace platform {

namespace {

constexpr uint32_t MinimumTimerInterval = 10;
constexpr uint32_t MaximumTimerInterval = 0x7FFFFFFF;

struct TPostedMessage {
  HWND Window;
  TMessage Message;
};

struct TTimer {
  HWND Window;
  uintptr_t Id;
  uint32_t Interval;
  int64_t Due;
  uint64_t LastPass;  // the ProcessMessages pass that last dispatched it
};

struct TLoopState {
  std::mutex Lock;
  std::condition_variable Wake;
  uint64_t WakeCount = 0;
  std::map<HWND, TWndMethod> Windows;
  HWND NextWindow = 0x10000;
  std::deque<TPostedMessage> Queue;
  std::vector<TTimer> Timers;  // in order of creation
  uint64_t Pass = 0;
  bool Terminated = false;
  TMessageClock* Clock = nullptr;
  TExceptionHook Hook;
};

TLoopState& State() {
  static TLoopState state;
  return state;
}

int64_t SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Call with the state locked.
int64_t NowLocked(TLoopState& s) { return s.Clock ? s.Clock->NowMilliseconds() : SteadyMilliseconds(); }

void WakeLoop() {
  TLoopState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.Lock);
    ++s.WakeCount;
  }
  s.Wake.notify_all();
}

void Dispatch(HWND window, TMessage message) {
  TWndMethod method;
  {
    TLoopState& s = State();
    std::lock_guard<std::mutex> lock(s.Lock);
    auto it = s.Windows.find(window);
    if (it == s.Windows.end()) return;  // the window is gone: the message is dropped
    method = it->second;
  }
  try {
    if (method.Assigned()) method(message);
  } catch (...) {
    MessageLoop().HandleException(nullptr);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Windows, posts and timers

HWND AllocateHWnd(TWndMethod method) {
  TLoopState& s = State();
  std::lock_guard<std::mutex> lock(s.Lock);
  const HWND window = s.NextWindow++;
  s.Windows[window] = method;
  return window;
}

void DeallocateHWnd(HWND window) {
  TLoopState& s = State();
  std::lock_guard<std::mutex> lock(s.Lock);
  s.Windows.erase(window);
  std::erase_if(s.Timers, [&](const TTimer& t) { return t.Window == window; });
}

LRESULT DefWindowProc(HWND /*window*/, TMessage& message) {
  message.Result = 0;
  return 0;
}

bool PostMessage(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TLoopState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.Lock);
    if (!s.Windows.contains(window)) return false;
    TMessage message;
    message.Msg = msg;
    message.WParam = wParam;
    message.LParam = lParam;
    s.Queue.push_back({window, message});
    ++s.WakeCount;
  }
  s.Wake.notify_all();
  return true;
}

uintptr_t SetTimer(HWND window, uintptr_t id, uint32_t milliseconds) {
  if (id == 0) return 0;
  if (milliseconds < MinimumTimerInterval) milliseconds = MinimumTimerInterval;
  if (milliseconds > MaximumTimerInterval) milliseconds = MaximumTimerInterval;
  TLoopState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.Lock);
    if (!s.Windows.contains(window)) return 0;
    const int64_t due = NowLocked(s) + milliseconds;
    auto it = std::find_if(s.Timers.begin(), s.Timers.end(),
                           [&](const TTimer& t) { return t.Window == window && t.Id == id; });
    if (it != s.Timers.end()) {
      it->Interval = milliseconds;
      it->Due = due;
    } else {
      s.Timers.push_back({window, id, milliseconds, due, 0});
    }
    ++s.WakeCount;
  }
  s.Wake.notify_all();
  return id;
}

bool KillTimer(HWND window, uintptr_t id) {
  TLoopState& s = State();
  std::lock_guard<std::mutex> lock(s.Lock);
  return std::erase_if(s.Timers,
                       [&](const TTimer& t) { return t.Window == window && t.Id == id; }) > 0;
}

// ---------------------------------------------------------------------------------------
// Clocks

int64_t TVirtualClock::NowMilliseconds() {
  return std::atomic_ref<int64_t>(FNow).load(std::memory_order_acquire);
}

void TVirtualClock::Advance(int64_t milliseconds) {
  std::atomic_ref<int64_t>(FNow).fetch_add(milliseconds, std::memory_order_acq_rel);
  WakeLoop();
}

// ---------------------------------------------------------------------------------------
// The loop

TMessageLoop& MessageLoop() {
  static TMessageLoop loop;
  return loop;
}

void TMessageLoop::ProcessMessages() {
  TLoopState& s = State();
  uint64_t pass;
  {
    std::lock_guard<std::mutex> lock(s.Lock);
    pass = ++s.Pass;
  }
  for (;;) {
    HWND window = 0;
    TMessage message;
    bool have = false;
    {
      std::lock_guard<std::mutex> lock(s.Lock);
      if (!s.Queue.empty()) {
        window = s.Queue.front().Window;
        message = s.Queue.front().Message;
        s.Queue.pop_front();
        have = true;
      } else {
        // The queue is empty: the first due timer that has not fired in this pass.
        const int64_t now = NowLocked(s);
        for (TTimer& t : s.Timers) {
          if (t.Due <= now && t.LastPass != pass) {
            t.LastPass = pass;
            t.Due = now + t.Interval;
            window = t.Window;
            message.Msg = WM_TIMER;
            message.WParam = t.Id;
            have = true;
            break;
          }
        }
      }
    }
    if (!have) return;
    Dispatch(window, message);
  }
}

void TMessageLoop::Run() {
  TLoopState& s = State();
  for (;;) {
    ProcessMessages();
    std::unique_lock<std::mutex> lock(s.Lock);
    if (s.Terminated) return;
    if (!s.Queue.empty()) continue;
    const uint64_t seen = s.WakeCount;
    auto woken = [&] { return s.Terminated || !s.Queue.empty() || s.WakeCount != seen; };
    if (!s.Clock && !s.Timers.empty()) {
      int64_t next = s.Timers.front().Due;
      for (const TTimer& t : s.Timers) next = std::min(next, t.Due);
      const int64_t wait = std::max<int64_t>(0, next - SteadyMilliseconds());
      s.Wake.wait_for(lock, std::chrono::milliseconds(wait), woken);
    } else if (s.Clock && !s.Timers.empty()) {
      // A virtual clock wakes the loop when it moves; check due timers then.
      const int64_t now = NowLocked(s);
      bool due = false;
      for (const TTimer& t : s.Timers) due = due || t.Due <= now;
      if (!due) s.Wake.wait(lock, woken);
    } else {
      s.Wake.wait(lock, woken);
    }
  }
}

void TMessageLoop::Terminate() {
  TLoopState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.Lock);
    s.Terminated = true;
    ++s.WakeCount;
  }
  s.Wake.notify_all();
}

bool TMessageLoop::Terminated() const {
  TLoopState& s = State();
  std::lock_guard<std::mutex> lock(s.Lock);
  return s.Terminated;
}

void TMessageLoop::ResetTerminated() {
  TLoopState& s = State();
  std::lock_guard<std::mutex> lock(s.Lock);
  s.Terminated = false;
}

void TMessageLoop::HandleException(TObject* sender) {
  TExceptionHook hook;
  {
    TLoopState& s = State();
    std::lock_guard<std::mutex> lock(s.Lock);
    hook = s.Hook;
  }
  auto report = [&](const std::exception& e) {
    if (hook)
      hook(sender, e);
    else
      std::fprintf(stderr, "Exception: %s\n", e.what());
  };
  try {
    throw;
  } catch (const EAbort&) {
    // Silent by design: EAbort ends an operation without a report.
  } catch (const std::exception& e) {
    report(e);
  } catch (...) {
    report(Exception("Unknown exception"));
  }
}

void TMessageLoop::SetExceptionHook(TExceptionHook hook) {
  TLoopState& s = State();
  std::lock_guard<std::mutex> lock(s.Lock);
  s.Hook = std::move(hook);
}

void TMessageLoop::SetClock(TMessageClock* clock) {
  TLoopState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.Lock);
    s.Clock = clock;
    ++s.WakeCount;
  }
  s.Wake.notify_all();
}

void TMessageLoop::Reset() {
  TLoopState& s = State();
  std::deque<TPostedMessage> queue;
  std::map<HWND, TWndMethod> windows;
  TExceptionHook hook;
  {
    std::lock_guard<std::mutex> lock(s.Lock);
    queue.swap(s.Queue);
    windows.swap(s.Windows);
    s.Timers.clear();
    s.Terminated = false;
    s.Clock = nullptr;
    hook.swap(s.Hook);
  }
}

static void MessagesFinalization() { MessageLoop().Reset(); }

const TUnit MessagesUnit{"Messages", nullptr, MessagesFinalization};

}  // namespace platform
