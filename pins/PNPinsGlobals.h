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

// Calls ATell once on every registered pin, with the pin's lock held (a pin whose lock is
// being stopped is told without it). The walk holds the registry lock, so that no pin leaves
// AllPins under it, but never waits there for a pin's lock: the thread holding it may itself
// be waiting for the registry lock (making or freeing a pin, such as a format converter's,
// under a pin's lock). Such a pin makes the walk let the registry lock go for a moment and
// start again; pins already told are skipped.
void TellRegisteredPins(const std::function<void(TPNBasicPin*)>& ATell);

}  // namespace pins
