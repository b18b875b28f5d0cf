// The window timer: one platform timer on a hidden window of the main thread's loop.
#include "pins/CBComponent.h"

#include "platform/Forms.h"
#include "platform/Properties.h"

namespace pins {

namespace {

constexpr uintptr_t kTimerID = 1;

void DescribeTCBTimer(platform::TClassInfo& info) {
  platform::TPublisher<TCBTimer> p(info);
  p.Property("Enabled", &TCBTimer::Enabled, &TCBTimer::SetEnabled).Default(true);
  p.Property("Interval", &TCBTimer::Interval, &TCBTimer::SetInterval).Default(1000);
  p.Property("OnTimer", &TCBTimer::OnTimer, &TCBTimer::SetOnTimer);
}

}  // namespace

PF_DEFINE_COMPONENT(TCBTimer, platform::TComponent, DescribeTCBTimer)

TCBTimer::TCBTimer(platform::TComponent* AOwner) : TComponent(AOwner) {
  FWindowHandle = platform::AllocateHWnd(platform::TWndMethod::Bind<&TCBTimer::WndProc>(this));
}

void TCBTimer::Destroy() {
  FEnabled = false;
  if (FWindowHandle) {
    platform::KillTimer(FWindowHandle, kTimerID);
    platform::DeallocateHWnd(FWindowHandle);
    FWindowHandle = 0;
  }
  TComponent::Destroy();
}

void TCBTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  UpdateTimer();
}

void TCBTimer::SetInterval(uint32_t Value) {
  if (Value == FInterval) return;
  FInterval = Value;
  UpdateTimer();
}

void TCBTimer::SetOnTimer(platform::TNotifyEvent Value) {
  FOnTimer = Value;
  UpdateTimer();
}

void TCBTimer::UpdateTimer() {
  platform::KillTimer(FWindowHandle, kTimerID);
  if (FInterval != 0 && FEnabled && FOnTimer.Assigned())
    if (platform::SetTimer(FWindowHandle, kTimerID, FInterval) == 0)
      throw EOutOfResources("Not enough timers available");
}

void TCBTimer::Timer() {
  if (FOnTimer.Assigned()) FOnTimer(this);
}

void TCBTimer::WndProc(platform::TMessage& Message) {
  if (Message.Msg != platform::WM_TIMER) {
    Message.Result = platform::DefWindowProc(FWindowHandle, Message);
    return;
  }
  try {
    Timer();
  } catch (...) {
    // Reported through the application; the timer goes on.
    if (platform::Application)
      platform::Application->HandleException(this);
    else
      platform::MessageLoop().HandleException(this);
  }
}

}  // namespace pins
