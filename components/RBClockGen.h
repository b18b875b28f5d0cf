// The main thread's identity, recorded once at start-up.
//
// The thread that runs the units' initialization is the main thread: it runs the message
// loop, and call-backs handed to the main thread (components/RBFilterTypes.h) run there.
#pragma once

#include <cstdint>

#include "platform/Units.h"

namespace components {

// The main thread's identifier as the unit recorded it; before the unit has run, the
// platform's record of the main thread.
uint32_t MainThreadID();
// Whether the calling thread is the main thread.
bool InMainThread();

// Records the calling thread as the main thread.
extern const platform::TUnit RBClockGenUnit;

}  // namespace components
