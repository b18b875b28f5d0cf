#include "pins/PNPinsRegistries.h"
#include "platform/Kernel.h"
#include "tests/common/TestUnits.h"

// The units the pin tests need, in start-up order.
std::span<const platform::TUnit> TestUnits() {
  static const platform::TUnit units[] = {
      platform::KernelUnit,
      pins::PNPinsRegistriesUnit,
  };
  return units;
}
