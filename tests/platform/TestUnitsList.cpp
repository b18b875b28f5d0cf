#include "platform/Kernel.h"
#include "platform/Messages.h"
#include "tests/common/TestUnits.h"

// The platform's own units: the main thread's identity and the message loop.
std::span<const platform::TUnit> TestUnits() {
  static const platform::TUnit units[] = {platform::KernelUnit, platform::MessagesUnit};
  return units;
}
