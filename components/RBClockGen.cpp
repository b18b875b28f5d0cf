#include "components/RBClockGen.h"

#include <atomic>

#include "platform/Kernel.h"

namespace components {

namespace {

std::atomic<uint32_t> g_mainThreadID{0};

void RBClockGenInitialization() {
  g_mainThreadID.store(platform::GetCurrentThreadId(), std::memory_order_release);
}

}  // namespace

uint32_t MainThreadID() {
  const uint32_t id = g_mainThreadID.load(std::memory_order_acquire);
  return id != 0 ? id : platform::MainThreadID();
}

bool InMainThread() { return platform::GetCurrentThreadId() == MainThreadID(); }

const platform::TUnit RBClockGenUnit{"RBClockGen", RBClockGenInitialization, nullptr};

PF_DEFINE_CLASS(TCBThread, platform::TThread)

TCBThread::TCBThread(std::string AName) : TThread(false) { SetName(std::move(AName)); }

std::string TCBThread::ComponentName(platform::TComponent* AComponent) {
  if (!AComponent) return {};
  return AComponent->Name().empty() ? AComponent->ClassName() : AComponent->Name();
}

}  // namespace components
