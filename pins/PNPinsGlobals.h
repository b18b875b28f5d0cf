// The pin framework's unit: its process-wide lock and lists (PinRegistryLock, AllPins,
// UnloadedPins, AllPinLists and the two lists of state links) are made by the unit's
// initialization, before any unit that creates pins or registers stream types, and freed by
// its finalization in reverse order. Pins still alive at shutdown keep PinRegistryLock and
// AllPins until the last of them is destroyed.
#pragma once

#include <functional>

#include "platform/Units.h"

namespace pins {

class TPNBasicPin;

extern const platform::TUnit PNPinsUnit;

// Called by a pin once it has left AllPins (frees the registry after a shutdown that found
// pins still alive, when the last one is gone).
void PinUnregistered();

// Calls ATell once on every registered pin. Called under the link lock, which keeps every
// registered pin registered; the registry lock is held only to copy the list, so the pins
// are told with no lock of the framework held but the link lock.
void TellRegisteredPins(const std::function<void(TPNBasicPin*)>& ATell);

}  // namespace pins
