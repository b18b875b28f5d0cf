#include "binding/BindingUnits.h"
#include "buffers/RBInternalStore.h"
#include "platform/Forms.h"
#include "platform/Kernel.h"
#include "platform/Messages.h"
#include "tests/buffers/BuffersTestSupport.h"
#include "tests/common/TestUnits.h"

// The units the buffer tests need, in start-up order: the signal loaders and the dispatcher
// units whose slots the buffers and the pixel stores call, then the store. The virtual clock is set before the
// store starts, so that its trim timer runs on that clock and fires only when a test moves it.
std::span<const platform::TUnit> TestUnits() {
  static const platform::TUnit units[] = {
      platform::KernelUnit,       platform::MessagesUnit,          platform::FormsUnit,
      CBIPPSLoader::Unit,         CBIPPILoader::Unit,              PXBasicDispatcher::Unit,
      PXDispatcher::Unit,         PXSubDispatcher::Unit,           RBBasicDispatcher::Unit,
      bufferstest::VirtualClockUnit, buffers::RBInternalStoreUnit,
  };
  return units;
}
