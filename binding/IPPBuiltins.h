// The declarations of every built-in family that the dispatcher units bind. A slot marked
// BUILTIN in a unit's list takes builtin::<name> from one of these headers; add a family's
// header here when its first slot is switched from STUB to BUILTIN.
#pragma once

#include "primitives/signal/SignalFillCopy.h"
#include "primitives/signal/SignalIntegerArithmetic.h"
#include "primitives/image/PXImageCopy.h"
#include "primitives/image/PXImageArithmetic.h"
#include "primitives/image/PXImageArithmeticC.h"
#include "primitives/image/PXImageMirror.h"
#include "primitives/image/PXColorConversion.h"
#include "primitives/image/PXColorSpaces.h"
#include "primitives/image/PXColorTwist.h"
#include "primitives/image/PXLookupTables.h"
#include "primitives/vision/SobelDerivatives.h"
#include "primitives/vision/CannyEdges.h"
#include "primitives/vision/VisionPoint.h"
#include "primitives/vision/SortDescend.h"
#include "primitives/vision/IntegralImages.h"
#include "primitives/vision/HaarClassifier.h"
#include "primitives/image/PXImageNoise.h"
#include "primitives/image/PXImageHistogram.h"
#include "primitives/image/PXImageArithmeticScaled.h"
#include "primitives/image/PXImageLogic.h"
#include "primitives/image/PXImageAlphaComp.h"
