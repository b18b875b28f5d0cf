// The start-up units of the binding layer, for the program's start-up list. Their relative
// order in that list: Gfx2D, CBIPPSLoader, CBIPPILoader, the dispatcher units PXBasicDispatcher
// to RBBasicDispatcher, (the buffer store and stream types), PXDirectDraw, PXDirectSound,
// PXDirect3D9, PXDirectShow, RBNormDispatcher, (the OpenCV wrapper and vision stream types), CBIPPCVLoader,
// KZDispatcher.
#pragma once

#include "binding/CBIPPCVLoader.h"
#include "binding/CBIPPILoader.h"
#include "binding/CBIPPSLoader.h"
#include "binding/Gfx2D.h"
#include "binding/IPPDispatchTable.h"
#include "binding/PXDirect3D9.h"
#include "binding/PXDirectDraw.h"
#include "binding/PXDirectShow.h"
#include "binding/PXDirectSound.h"
