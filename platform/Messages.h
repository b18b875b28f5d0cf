// The main thread's message loop: hidden windows with their handlers, messages posted from
// any thread, window timers, and the application's exception handler.
//
// Posted messages of one window and of one posting thread are dispatched in the order they
// were posted, on the thread that drains the loop (the main thread). Timers are checked
// when the queue is empty: a due timer sends one WM_TIMER (missed periods are not made
// up). Time comes from a clock that tests can replace with a virtual one, so that timer
// tests do not sleep.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>

#include "platform/Methods.h"
#include "platform/Objects.h"
#include "platform/Units.h"

namespace platform {

using HWND = uintptr_t;  // 0 is no window
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_USER = 0x0400;
// The system's private message: hands a notifier (in WParam) to the main thread.
constexpr uint32_t WM_MAINTHREADNOTIFY = 0x8600;

struct TMessage {
  uint32_t Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// A window procedure: handles one message, setting Result.
using TWndMethod = TMethod<void(TMessage& message)>;

// A hidden window whose messages go to method. Never 0.
HWND AllocateHWnd(TWndMethod method);
// Removes the window and its timers; messages still queued for it are dropped.
void DeallocateHWnd(HWND window);
// The default handling of a message: nothing, result 0.
LRESULT DefWindowProc(HWND window, TMessage& message);

// Queues a message for window from any thread; false when the window does not exist.
bool PostMessage(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam);

// Starts (or restarts with the new interval) timer id of window: every `milliseconds` (at
// least 10) a WM_TIMER with WParam = id. The result is id, or 0 when the window does not
// exist or id is 0.
uintptr_t SetTimer(HWND window, uintptr_t id, uint32_t milliseconds);
// Stops the timer; no WM_TIMER of it is dispatched afterwards. False when there is none.
bool KillTimer(HWND window, uintptr_t id);

// The source of time of the timers, in milliseconds.
class TMessageClock {
 public:
  virtual ~TMessageClock() = default;
  virtual int64_t NowMilliseconds() = 0;
};

// A clock that moves only when told to; Advance wakes a loop waiting in Run.
class TVirtualClock final : public TMessageClock {
 public:
  int64_t NowMilliseconds() override;
  void Advance(int64_t milliseconds);

 private:
  int64_t FNow = 0;
};

// Handles an exception raised while a message was dispatched: EAbort is silent; any other
// goes to the hook when one is set, else its message is written to stderr.
using TExceptionHook = std::function<void(TObject* sender, const std::exception& e)>;

class TMessageLoop {
 public:
  // Dispatches every queued message and every due timer, then returns.
  void ProcessMessages();
  // Dispatches messages, waiting for them, until Terminate is called.
  void Run();
  // Ends Run (from any thread).
  void Terminate();
  bool Terminated() const;
  // Clears the terminated state so that Run can be entered again.
  void ResetTerminated();

  // Reports the exception in flight (call from a catch block).
  void HandleException(TObject* sender);
  void SetExceptionHook(TExceptionHook hook);

  // null gives the system's steady clock back.
  void SetClock(TMessageClock* clock);

  // Drops every window, timer and queued message (the unit's finalization).
  void Reset();
};

TMessageLoop& MessageLoop();

// Shortcuts for the loop's ProcessMessages and HandleException.
inline void ProcessMessages() { MessageLoop().ProcessMessages(); }

extern const TUnit MessagesUnit;

}  // namespace platform
