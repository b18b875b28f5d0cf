// Kernel services: thread identifiers, critical sections, mutexes, events, semaphores,
// threads and sleeping.
//
// The waitable objects behave like the operating-system objects the framework was designed
// on: a mutex is recursive, has an owning thread and reports "abandoned" to the next waiter
// when its owner ended without releasing it; events are auto- or manual-reset; a semaphore
// has a maximum and refuses a release beyond it. Objects are shared handles
// (std::shared_ptr); a null handle is what a failed creation gives, and a wait on it fails.
// Objects may carry a name: a second creation with the same name opens the existing object,
// and a name already used by an object of another kind makes the creation fail.
#pragma once

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/Objects.h"
#include "platform/Units.h"

namespace platform {

// A wait without time limit.
constexpr uint32_t INFINITE = 0xFFFFFFFFu;

// ---------------------------------------------------------------------------------------
// Thread identifiers

// The calling thread's identifier: non-zero, unique within the process, fixed for the
// thread's life.
uint32_t GetCurrentThreadId();

// The main thread's identifier: recorded by SetMainThreadID (the Kernel unit does it on the
// thread that runs the units' initialization); before that, the first thread that asked.
uint32_t MainThreadID();
void SetMainThreadID(uint32_t id);

// The unit that records the main thread.
extern const TUnit KernelUnit;

// Gives up the rest of the time slice (0 ms) or sleeps the given milliseconds.
void Sleep(uint32_t milliseconds);

// ---------------------------------------------------------------------------------------
// Critical section: recursive, unnamed, not waitable with a time-out.

class TCriticalSection {
 public:
  void Enter() { FMutex.lock(); }
  void Leave() { FMutex.unlock(); }
  bool TryEnter() { return FMutex.try_lock(); }

 private:
  std::recursive_mutex FMutex;
};

// ---------------------------------------------------------------------------------------
// Waitable objects

enum class TWaitResult {
  Acquired,   // the object was signalled (an event set, a unit or the mutex obtained)
  Abandoned,  // the mutex was obtained, but its previous owner ended while holding it
  Timeout,    // the time ran out
  Failed,     // the wait itself failed (no object)
};

class TKernelObject : public std::enable_shared_from_this<TKernelObject> {
 public:
  virtual ~TKernelObject() = default;
  TKernelObject(const TKernelObject&) = delete;
  TKernelObject& operator=(const TKernelObject&) = delete;

 protected:
  TKernelObject() = default;
  std::mutex FState;
  std::condition_variable FChanged;
};

class TKernelEvent final : public TKernelObject {
 public:
  TKernelEvent(bool manualReset, bool initialState)
      : FManualReset(manualReset), FSignaled(initialState) {}
  void Set();
  void Reset();
  // An auto-reset event is reset by the wait that it ends.
  TWaitResult Wait(uint32_t milliseconds);

 private:
  const bool FManualReset;
  bool FSignaled;
};

class TKernelMutex final : public TKernelObject {
 public:
  TKernelMutex() = default;
  // Recursive: the owner's waits return at once and count one level each.
  TWaitResult Wait(uint32_t milliseconds);
  // Releases one level; false when the calling thread does not own the mutex.
  bool Release();
  uint32_t Owner();

  // Called when a thread ends while it owns the mutex.
  void Abandon(uint32_t thread);

 private:
  uint32_t FOwner = 0;
  uint32_t FLevels = 0;
  bool FAbandoned = false;
};

class TKernelSemaphore final : public TKernelObject {
 public:
  TKernelSemaphore(int32_t initialCount, int32_t maximumCount)
      : FCount(initialCount), FMaximum(maximumCount) {}
  TWaitResult Wait(uint32_t milliseconds);
  // Adds count units. Refused (false, count unchanged) when count is not positive or the
  // result would exceed the maximum. previous receives the count before the release.
  bool Release(int32_t count, int32_t* previous = nullptr);
  int32_t Count();

 private:
  int32_t FCount;
  const int32_t FMaximum;
};

// Creation. A null result means failure: a name used by another kind of object, or (for a
// semaphore) counts with initial < 0, maximum <= 0 or initial > maximum. The initial state
// arguments are ignored when an existing named object is opened.
std::shared_ptr<TKernelEvent> CreateEvent(bool manualReset, bool initialState,
                                          std::string_view name = {});
std::shared_ptr<TKernelMutex> CreateMutex(bool initialOwner, std::string_view name = {});
std::shared_ptr<TKernelSemaphore> CreateSemaphore(int32_t initialCount, int32_t maximumCount,
                                                  std::string_view name = {});

// ---------------------------------------------------------------------------------------
// Threads

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// A thread object over std::thread. The thread starts at construction unless created
// suspended (then Start runs it). Free() terminates the thread, waits for it and joins it;
// a thread is never detached. Free() must not be called from the thread itself.
class TThread : public TObject {
  PF_CLASS(TThread)
 public:
  void Start();
  void Terminate() { FTerminated.store(true, std::memory_order_release); }
  bool Terminated() const { return FTerminated.load(std::memory_order_acquire); }
  // Waits until Execute has returned; the result is ReturnValue.
  int32_t WaitFor();
  bool Finished() const { return FFinished.load(std::memory_order_acquire); }

  uint32_t ThreadID() const { return FThreadID.load(std::memory_order_acquire); }
  int32_t ReturnValue = 0;

  // Stored only: an unprivileged process cannot raise a thread's priority here, and the
  // framework relies on no particular scheduling.
  TThreadPriority Priority() const { return FPriority; }
  void SetPriority(TThreadPriority value);

  // The name shown by debuggers and tools (the system keeps the first 15 bytes). Takes
  // effect when the thread starts, or at once when called from the thread itself.
  void SetName(std::string name);
  const std::string& Name() const { return FName; }

  // An exception that escaped Execute (the thread then ended); empty message when none.
  const std::string& FatalMessage() const { return FFatalMessage; }

 protected:
  explicit TThread(bool createSuspended = false);
  ~TThread() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  virtual void Execute() = 0;

 private:
  void Run();
  void ApplyName();

  std::thread FThread;
  std::mutex FJoinLock;
  bool FCreateSuspended = false;
  bool FStarted = false;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::atomic<uint32_t> FThreadID{0};
  TThreadPriority FPriority = tpNormal;
  std::string FName;
  std::string FFatalMessage;
};

}  // namespace platform
