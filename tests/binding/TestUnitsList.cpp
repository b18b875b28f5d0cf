#include "binding/BindingUnits.h"
#include "tests/common/TestUnits.h"

// The binding units in their start-up order.
std::span<const platform::TUnit> TestUnits() {
  static const platform::TUnit units[] = {
      Gfx2D::Unit,
      CBIPPSLoader::Unit,
      CBIPPILoader::Unit,
      PXBasicDispatcher::Unit,
      PXColorTwistDispatcher::Unit,
      PXDispatcher::Unit,
      PXSubDispatcher::Unit,
      RBResizeDispatcher::Unit,
      RBBasicDispatcher::Unit,
      PXDirectDraw::Unit,
      PXDirectSound::Unit,
      PXDirect3D9::Unit,
      PXDirectShow::Unit,
      RBNormDispatcher::Unit,
      CBIPPCVLoader::Unit,
      KZDispatcher::Unit,
  };
  return units;
}
