#include "binding/BindingUnits.h"
#include "buffers/PXStreamTypes.h"
#include "buffers/RBInternalStore.h"
#include "buffers/RBStreamTypes.h"
#include "buffers/SNStreamTypes.h"
#include "components/RBClockGen.h"
#include "pins/PNPinsGlobals.h"
#include "pins/PNPinsRegistries.h"
#include "pins/PNStdTypes.h"
#include "platform/Forms.h"
#include "platform/Kernel.h"
#include "platform/Messages.h"
#include "tests/buffers/BuffersTestSupport.h"
#include "tests/common/TestUnits.h"

// The units the component tests need, in start-up order: the pin framework, the signal
// loaders and the dispatcher unit whose slots the buffers call, the store (its trim timer on
// the buffer tests' virtual clock), the stream types, then the main thread's identity.
std::span<const platform::TUnit> TestUnits() {
  static const platform::TUnit units[] = {
      platform::KernelUnit,        platform::MessagesUnit,      platform::FormsUnit,
      pins::PNPinsUnit,            pins::PNPinsRegistriesUnit,  CBIPPSLoader::Unit,
      CBIPPILoader::Unit,          RBBasicDispatcher::Unit,     bufferstest::VirtualClockUnit,
      buffers::RBInternalStoreUnit,
      pins::PNStdTypesUnit,        buffers::RBStreamTypesUnit,  buffers::SNStreamTypesUnit,
      buffers::PXStreamTypesUnit,  components::RBClockGenUnit,
  };
  return units;
}
