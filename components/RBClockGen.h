// The main thread's identity, recorded once at start-up, and the named thread of components.
//
// The thread that runs the units' initialization is the main thread: it runs the message
// loop, and call-backs handed to the main thread (components/RBFilterTypes.h) run there.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Components.h"
#include "platform/Kernel.h"
#include "platform/Units.h"

namespace components {

// The main thread's identifier as the unit recorded it; before the unit has run, the
// platform's record of the main thread.
uint32_t MainThreadID();
// Whether the calling thread is the main thread.
bool InMainThread();

// Records the calling thread as the main thread.
extern const platform::TUnit RBClockGenUnit;

// A thread that carries a name (shown by debuggers and system tools). It runs from its
// creation.
class TCBThread : public platform::TThread {
  PF_CLASS(TCBThread)

 public:
  // The component's Name, or its class name when the name is empty.
  static std::string ComponentName(platform::TComponent* AComponent);

 protected:
  explicit TCBThread(std::string AName);
  // Tells an attached debugger the thread's name. Here the name is handed to the system
  // when the thread starts, so debuggers and tools already see it.
  void AnnounceName() {}
};

}  // namespace components
