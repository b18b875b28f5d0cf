#include "platform/Kernel.h"

#include <pthread.h>

#include <chrono>
#include <map>
#include <vector>

#include "platform/SysUtils.h"

namespace platform {

// ---------------------------------------------------------------------------------------
// Thread identifiers

namespace {

std::atomic<uint32_t> g_nextThreadId{1};
std::atomic<uint32_t> g_mainThreadId{0};

// The mutexes the calling thread owns, so that they can be abandoned when it ends. Only the
// owning thread touches its list.
struct THeldMutexes {
  std::vector<std::weak_ptr<TKernelMutex>> Mutexes;
  ~THeldMutexes() {
    const uint32_t self = GetCurrentThreadId();
    for (auto& weak : Mutexes)
      if (auto mutex = weak.lock()) mutex->Abandon(self);
  }
};

thread_local THeldMutexes t_heldMutexes;

void ForgetHeld(TKernelMutex* mutex) {
  auto& list = t_heldMutexes.Mutexes;
  for (size_t i = 0; i < list.size(); ++i) {
    auto p = list[i].lock();
    if (!p || p.get() == mutex) {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
      --i;
    }
  }
}

// Converts a time-out in milliseconds into an absolute deadline; INFINITE gives none.
struct TDeadline {
  explicit TDeadline(uint32_t ms)
      : Infinite(ms == INFINITE),
        At(std::chrono::steady_clock::now() + std::chrono::milliseconds(Infinite ? 0 : ms)) {}
  bool Infinite;
  std::chrono::steady_clock::time_point At;

  // Waits on cv until pred holds; false when the deadline passed first.
  template <class Pred>
  bool WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, Pred pred) {
    if (Infinite) {
      cv.wait(lock, pred);
      return true;
    }
    return cv.wait_until(lock, At, pred);
  }
};

}  // namespace

uint32_t GetCurrentThreadId() {
  thread_local uint32_t id = 0;
  if (id == 0) {
    id = g_nextThreadId.fetch_add(1, std::memory_order_relaxed);
    if (id == 0) id = g_nextThreadId.fetch_add(1, std::memory_order_relaxed);  // wrapped
  }
  return id;
}

uint32_t MainThreadID() {
  uint32_t id = g_mainThreadId.load(std::memory_order_acquire);
  if (id != 0) return id;
  uint32_t expected = 0;
  const uint32_t self = GetCurrentThreadId();
  g_mainThreadId.compare_exchange_strong(expected, self, std::memory_order_acq_rel);
  return g_mainThreadId.load(std::memory_order_acquire);
}

void SetMainThreadID(uint32_t id) { g_mainThreadId.store(id, std::memory_order_release); }

static void KernelInitialization() { SetMainThreadID(GetCurrentThreadId()); }

const TUnit KernelUnit{"Kernel", KernelInitialization, nullptr};

void Sleep(uint32_t milliseconds) {
  if (milliseconds == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// ---------------------------------------------------------------------------------------
// Events

void TKernelEvent::Set() {
  {
    std::lock_guard<std::mutex> lock(FState);
    FSignaled = true;
  }
  FChanged.notify_all();
}

void TKernelEvent::Reset() {
  std::lock_guard<std::mutex> lock(FState);
  FSignaled = false;
}

TWaitResult TKernelEvent::Wait(uint32_t milliseconds) {
  TDeadline deadline(milliseconds);
  std::unique_lock<std::mutex> lock(FState);
  if (!deadline.WaitUntil(FChanged, lock, [&] { return FSignaled; })) return TWaitResult::Timeout;
  if (!FManualReset) FSignaled = false;
  return TWaitResult::Acquired;
}

// ---------------------------------------------------------------------------------------
// Mutexes

TWaitResult TKernelMutex::Wait(uint32_t milliseconds) {
  const uint32_t self = GetCurrentThreadId();
  TDeadline deadline(milliseconds);
  std::unique_lock<std::mutex> lock(FState);
  if (FOwner == self) {
    ++FLevels;
    return TWaitResult::Acquired;
  }
  if (!deadline.WaitUntil(FChanged, lock, [&] { return FOwner == 0; }))
    return TWaitResult::Timeout;
  FOwner = self;
  FLevels = 1;
  const bool abandoned = std::exchange(FAbandoned, false);
  lock.unlock();
  // Remembered so that the thread's end abandons it (only mutexes made by CreateMutex, which
  // are shared, can be remembered).
  if (auto shared = weak_from_this().lock())
    t_heldMutexes.Mutexes.push_back(std::static_pointer_cast<TKernelMutex>(shared));
  return abandoned ? TWaitResult::Abandoned : TWaitResult::Acquired;
}

bool TKernelMutex::Release() {
  const uint32_t self = GetCurrentThreadId();
  {
    std::lock_guard<std::mutex> lock(FState);
    if (FOwner != self || FLevels == 0) return false;
    if (--FLevels > 0) return true;
    FOwner = 0;
  }
  FChanged.notify_one();
  ForgetHeld(this);
  return true;
}

uint32_t TKernelMutex::Owner() {
  std::lock_guard<std::mutex> lock(FState);
  return FOwner;
}

void TKernelMutex::Abandon(uint32_t thread) {
  {
    std::lock_guard<std::mutex> lock(FState);
    if (FOwner != thread) return;
    FOwner = 0;
    FLevels = 0;
    FAbandoned = true;
  }
  FChanged.notify_one();
}

// ---------------------------------------------------------------------------------------
// Semaphores

TWaitResult TKernelSemaphore::Wait(uint32_t milliseconds) {
  TDeadline deadline(milliseconds);
  std::unique_lock<std::mutex> lock(FState);
  if (!deadline.WaitUntil(FChanged, lock, [&] { return FCount > 0; })) return TWaitResult::Timeout;
  --FCount;
  return TWaitResult::Acquired;
}

bool TKernelSemaphore::Release(int32_t count, int32_t* previous) {
  {
    std::lock_guard<std::mutex> lock(FState);
    if (count <= 0 || count > FMaximum - FCount) return false;
    if (previous) *previous = FCount;
    FCount += count;
  }
  FChanged.notify_all();
  return true;
}

int32_t TKernelSemaphore::Count() {
  std::lock_guard<std::mutex> lock(FState);
  return FCount;
}

// ---------------------------------------------------------------------------------------
// Creation and the name space of named objects

namespace {

std::mutex g_namesLock;
std::map<std::string, std::weak_ptr<TKernelObject>, std::less<>>& Names() {
  static std::map<std::string, std::weak_ptr<TKernelObject>, std::less<>> names;
  return names;
}

// Makes an object (make() gives a new one) or opens the named one of the same kind.
template <class T, class Make>
std::shared_ptr<T> CreateNamed(std::string_view name, Make make, bool* opened = nullptr) {
  if (opened) *opened = false;
  if (name.empty()) return make();
  std::lock_guard<std::mutex> lock(g_namesLock);
  auto& names = Names();
  auto it = names.find(name);
  if (it != names.end()) {
    if (auto existing = it->second.lock()) {
      auto typed = std::dynamic_pointer_cast<T>(existing);
      if (typed && opened) *opened = true;
      return typed;  // null when the name belongs to another kind of object
    }
  }
  std::shared_ptr<T> object = make();
  if (object) names[std::string(name)] = object;
  return object;
}

}  // namespace

std::shared_ptr<TKernelEvent> CreateEvent(bool manualReset, bool initialState,
                                          std::string_view name) {
  return CreateNamed<TKernelEvent>(
      name, [&] { return std::make_shared<TKernelEvent>(manualReset, initialState); });
}

std::shared_ptr<TKernelMutex> CreateMutex(bool initialOwner, std::string_view name) {
  bool opened = false;
  auto mutex =
      CreateNamed<TKernelMutex>(name, [] { return std::make_shared<TKernelMutex>(); }, &opened);
  if (mutex && initialOwner && !opened) mutex->Wait(INFINITE);
  return mutex;
}

std::shared_ptr<TKernelSemaphore> CreateSemaphore(int32_t initialCount, int32_t maximumCount,
                                                  std::string_view name) {
  if (initialCount < 0 || maximumCount <= 0 || initialCount > maximumCount) return nullptr;
  return CreateNamed<TKernelSemaphore>(name, [&] {
    return std::make_shared<TKernelSemaphore>(initialCount, maximumCount);
  });
}

// ---------------------------------------------------------------------------------------
// Threads

PF_DEFINE_CLASS(TThread, TObject)

TThread::TThread(bool createSuspended) : FCreateSuspended(createSuspended) {}

TThread::~TThread() = default;

void TThread::AfterConstruction() {
  TObject::AfterConstruction();
  if (!FCreateSuspended) Start();
}

void TThread::Start() {
  std::lock_guard<std::mutex> lock(FJoinLock);
  if (FStarted) return;
  FStarted = true;
  FThread = std::thread([this] { Run(); });
}

void TThread::Run() {
  FThreadID.store(GetCurrentThreadId(), std::memory_order_release);
  ApplyName();
  try {
    Execute();
  } catch (const std::exception& e) {
    FFatalMessage = e.what();
    if (FFatalMessage.empty()) FFatalMessage = "exception";
  } catch (...) {
    FFatalMessage = "unknown exception";
  }
  FFinished.store(true, std::memory_order_release);
}

void TThread::ApplyName() {
  if (FName.empty()) return;
  std::string shortName = FName.substr(0, 15);
  pthread_setname_np(pthread_self(), shortName.c_str());
}

void TThread::SetName(std::string name) {
  FName = std::move(name);
  if (ThreadID() != 0 && ThreadID() == GetCurrentThreadId()) ApplyName();
}

void TThread::SetPriority(TThreadPriority value) { FPriority = value; }

int32_t TThread::WaitFor() {
  std::lock_guard<std::mutex> lock(FJoinLock);
  if (FThread.joinable()) {
    if (FThread.get_id() == std::this_thread::get_id())
      throw EThread("Thread cannot wait for itself");
    FThread.join();
  }
  return ReturnValue;
}

void TThread::BeforeDestruction() {
  Terminate();
  {
    std::lock_guard<std::mutex> lock(FJoinLock);
    FStarted = true;  // a suspended thread freed before it ran never starts
  }
  WaitFor();
  TObject::BeforeDestruction();
}

}  // namespace platform
