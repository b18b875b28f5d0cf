// The pin framework's unit: its process-wide lock and lists (PinRegistryLock, AllPins,
// UnloadedPins, AllPinLists and the two lists of state links) are made by the unit's
// initialization, before any unit that creates pins or registers stream types, and freed by
// its finalization in reverse order. Pins still alive at shutdown keep PinRegistryLock and
// AllPins until the last of them is destroyed.
#pragma once

#include "platform/Units.h"

namespace pins {

extern const platform::TUnit PNPinsUnit;

// Called by a pin once it has left AllPins (frees the registry after a shutdown that found
// pins still alive, when the last one is gone).
void PinUnregistered();

}  // namespace pins
