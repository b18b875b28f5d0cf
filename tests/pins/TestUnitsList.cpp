#include "pins/PNPinsGlobals.h"
#include "pins/PNPinsRegistries.h"
#include "pins/PNStdTypes.h"
#include "platform/Kernel.h"
#include "platform/Forms.h"
#include "platform/Messages.h"
#include "tests/common/TestUnits.h"

// The units the pin tests need, in start-up order: the pin framework's lock and lists come
// first, so that they outlive every pin and every registration.
std::span<const platform::TUnit> TestUnits() {
  static const platform::TUnit units[] = {
      platform::KernelUnit,
      platform::MessagesUnit,
      platform::FormsUnit,
      pins::PNPinsUnit,
      pins::PNPinsRegistriesUnit,
      pins::PNStdTypesUnit,
  };
  return units;
}
