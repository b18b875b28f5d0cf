#include "pins/PNPinsGlobals.h"
#include "pins/PNPinsRegistries.h"
#include "pins/PNStdTypes.h"
#include "platform/Kernel.h"
#include "platform/Forms.h"
#include "platform/Messages.h"
#include "tests/common/TestUnits.h"

namespace {
// Every pin test runs with the lock order checked: a thread that waits for a lock out of
// order aborts the test program, even where no other thread makes it hang.
void LockOrderChecksOn() { pins::SetLockOrderChecks(true); }
void LockOrderChecksOff() { pins::SetLockOrderChecks(false); }
const platform::TUnit LockOrderChecksUnit = {"LockOrderChecks", &LockOrderChecksOn,
                                             &LockOrderChecksOff};
}  // namespace

// The units the pin tests need, in start-up order: the pin framework's lock and lists come
// first, so that they outlive every pin and every registration.
std::span<const platform::TUnit> TestUnits() {
  static const platform::TUnit units[] = {
      LockOrderChecksUnit,
      platform::KernelUnit,
      platform::MessagesUnit,
      platform::FormsUnit,
      pins::PNPinsUnit,
      pins::PNPinsRegistriesUnit,
      pins::PNStdTypesUnit,
  };
  return units;
}
