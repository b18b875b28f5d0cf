#include "platform/Kernel.h"
#include "platform/Messages.h"
#include "tests/common/TestUnits.h"

// The units the buffers need, in start-up order.
std::span<const platform::TUnit> TestUnits() {
  static const platform::TUnit units[] = {platform::KernelUnit, platform::MessagesUnit};
  return units;
}
