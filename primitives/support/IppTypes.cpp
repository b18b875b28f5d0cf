#include "primitives/support/IppTypes.h"

static_assert(sizeof(IppiSize) == 8 && sizeof(IppiRect) == 16 && sizeof(IppiPoint) == 8,
              "region records are two or four 32-bit integers, passed by value");
static_assert(sizeof(Ipp64fc) == 16 && sizeof(Ipp32fc) == 8, "complex elements are packed pairs");
