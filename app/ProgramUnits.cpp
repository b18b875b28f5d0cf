#include "app/ProgramUnits.h"

#include "binding/BindingUnits.h"
#include "binding/PXOpenCV.h"
#include "buffers/PXStreamTypes.h"
#include "buffers/RBInternalStore.h"
#include "buffers/RBStreamTypes.h"
#include "buffers/SNStreamTypes.h"
#include "components/RBClockGen.h"
#include "components/PXVisionStreamTypes.h"
#include "components/RBComponentCollection.h"
#include "pins/PNPinsGlobals.h"
#include "pins/PNPinsRegistries.h"
#include "pins/PNStdTypes.h"
#include "platform/Forms.h"
#include "platform/Kernel.h"
#include "platform/Messages.h"

namespace app {

std::span<const platform::TUnit> ProgramUnits() {
  static const platform::TUnit units[] = {
      // The class library's units.
      platform::KernelUnit,
      platform::MessagesUnit,
      platform::FormsUnit,
      // The pin framework's global lists and registries.
      pins::PNPinsUnit,
      pins::PNPinsRegistriesUnit,
      // GDI+, the IPP loaders and the dispatcher units that fill the slots.
      Gfx2D::Unit,
      CBIPPSLoader::Unit,
      CBIPPILoader::Unit,
      PXBasicDispatcher::Unit,
      PXColorTwistDispatcher::Unit,
      PXDispatcher::Unit,
      PXSubDispatcher::Unit,
      RBResizeDispatcher::Unit,
      RBBasicDispatcher::Unit,
      // The pooled buffer store, the standard and the buffer stream types.
      buffers::RBInternalStoreUnit,
      pins::PNStdTypesUnit,
      buffers::RBStreamTypesUnit,
      // The graphics and multimedia loaders, the audio and image stream types.
      PXDirectDraw::Unit,
      PXDirectSound::Unit,
      PXDirect3D9::Unit,
      PXDirectShow::Unit,
      buffers::SNStreamTypesUnit,
      buffers::PXStreamTypesUnit,
      // One more dispatcher unit, the main thread's identity, the OpenCV wrapper and the vision
      // stream types.
      RBNormDispatcher::Unit,
      components::RBClockGenUnit,
      binding::PXOpenCVUnit,
      components::PXVisionStreamTypesUnit,
      // The vision library's loader and dispatcher unit, the component-class registry.
      CBIPPCVLoader::Unit,
      KZDispatcher::Unit,
      components::RBComponentCollectionUnit,
  };
  return units;
}

}  // namespace app
