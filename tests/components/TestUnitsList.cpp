#include "components/RBClockGen.h"
#include "pins/PNPinsGlobals.h"
#include "pins/PNPinsRegistries.h"
#include "pins/PNStdTypes.h"
#include "platform/Forms.h"
#include "platform/Kernel.h"
#include "platform/Messages.h"
#include "tests/common/TestUnits.h"

// The units the component tests need, in start-up order.
std::span<const platform::TUnit> TestUnits() {
  static const platform::TUnit units[] = {
      platform::KernelUnit,       platform::MessagesUnit,  platform::FormsUnit,
      pins::PNPinsUnit,           pins::PNPinsRegistriesUnit, pins::PNStdTypesUnit,
      components::RBClockGenUnit,
  };
  return units;
}
