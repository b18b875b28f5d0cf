// The declarations of every built-in family that the dispatcher units bind. A slot marked
// BUILTIN in a unit's list takes builtin::<name> from one of these headers; add a family's
// header here when its first slot is switched from STUB to BUILTIN.
#pragma once

#include "primitives/signal/FillCopy.h"
#include "primitives/signal/IntegerArithmetic.h"
#include "primitives/signal/FloatArithmetic.h"
#include "primitives/signal/ElementaryFunctions.h"
#include "primitives/signal/Statistics.h"
#include "primitives/image/Copy.h"
#include "primitives/image/Arithmetic.h"
#include "primitives/image/ArithmeticC.h"
#include "primitives/image/Mirror.h"
#include "primitives/image/ColorConversion.h"
#include "primitives/image/ColorSpaces.h"
#include "primitives/image/ColorTwist.h"
#include "primitives/image/LookupTables.h"
#include "primitives/vision/SobelDerivatives.h"
#include "primitives/vision/CannyEdges.h"
#include "primitives/vision/PointOperations.h"
#include "primitives/vision/SortDescend.h"
#include "primitives/vision/IntegralImages.h"
#include "primitives/vision/HaarClassifier.h"
#include "primitives/image/Noise.h"
#include "primitives/image/Histogram.h"
#include "primitives/image/ArithmeticScaled.h"
#include "primitives/image/Logic.h"
#include "primitives/image/AlphaComp.h"
