// Dispatcher unit KZDispatcher: 22 dispatch slots for the vision primitives (edges, integral
// images, Haar classifier).
//
// The list below is the only place where the slots are written: name, signature, lookup and
// whether the built-in version exists. To bind a built-in version that has been written,
// change STUB to BUILTIN on its line (the family's header is included by IPPBuiltins.h).
#pragma once

#include <span>

#include "binding/IPPSlots.h"
#include "platform/Units.h"

// clang-format off
#define KZ_DISPATCHER_SLOTS(X, XS) \
  X(BUILTIN, IPPS,         ippsDotProd_32f,                 IppStatus, (const Ipp32f*, const Ipp32f*, int, Ipp32f*)) \
  X(BUILTIN, IPPS,         ippsCartToPolar_32f,             IppStatus, (const Ipp32f*, const Ipp32f*, Ipp32f*, Ipp32f*, int)) \
  X(BUILTIN, IPPI,         ippiCannyGetSize,                IppStatus, (IppiSize, int*)) \
  X(BUILTIN, IPPI,         ippiCanny_16s8u_C1R,             IppStatus, (const Ipp16s*, int, const Ipp16s*, int, Ipp8u*, int, IppiSize, Ipp32f, Ipp32f, Ipp8u*)) \
  XS(BUILTIN, IPPI,         ippiAbsDiff_8u_C1R,              IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAbsDiff_32f_C1R,             IppStatus, (const Ipp32f*, int, const Ipp32f*, int, Ipp32f*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiThreshold_32f_C1R,           IppStatus, (const Ipp32f*, int, Ipp32f*, int, IppiSize, Ipp32f, IppCmpOp)) \
  X(BUILTIN, IPPI,         ippiThreshold_Val_32f_C1R,       IppStatus, (const Ipp32f*, int, Ipp32f*, int, IppiSize, Ipp32f, Ipp32f, IppCmpOp)) \
  X(BUILTIN, IPPI,         ippiCountInRange_8u_C1R,         IppStatus, (const Ipp8u*, int, IppiSize, int*, Ipp8u, Ipp8u)) \
  X(BUILTIN, IPPI,         ippiFilterSobelVert_8u16s_C1R,   IppStatus, (const Ipp8u*, int, Ipp16s*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterSobelHoriz_8u16s_C1R,  IppStatus, (const Ipp8u*, int, Ipp16s*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiSobel3x3_Dx_8u16s_C1R,       IppStatus, (const Ipp8u*, int, Ipp16s*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiSobel3x3_Dy_8u16s_C1R,       IppStatus, (const Ipp8u*, int, Ipp16s*, int, int, IppiSize)) \
  X(BUILTIN, IPPS,         ippsSortDescend_32f_I,           IppStatus, (Ipp32f*, int)) \
  X(BUILTIN, IPPI,         ippiHaarClassifierInitAlloc_32f, IppStatus, (IppiHaarClassifier_32f**, const IppiRect*, const Ipp32f*, const Ipp32f*, const Ipp32f*, const Ipp32f*, const int*, int)) \
  X(BUILTIN, IPPI,         ippiHaarClassifierFree_32f,      IppStatus, (IppiHaarClassifier_32f*)) \
  X(BUILTIN, IPPI,         ippiIntegral_8u32f_C1R,          IppStatus, (const Ipp8u*, int, Ipp32f*, int, IppiSize, Ipp32f)) \
  X(BUILTIN, IPPI,         ippiIntegral_8u32s_C1R,          IppStatus, (const Ipp8u*, int, Ipp32s*, int, IppiSize, Ipp32s)) \
  X(BUILTIN, IPPI,         ippiSqrIntegral_8u32s64f_C1R,    IppStatus, (const Ipp8u*, int, Ipp32s*, int, Ipp64f*, int, IppiSize, Ipp32s, Ipp64f)) \
  X(BUILTIN, IPPI,         ippiTiltedIntegral_8u32s_C1R,    IppStatus, (const Ipp8u*, int, Ipp32s*, int, IppiSize, Ipp32s)) \
  X(BUILTIN, IPPI,         ippiRectStdDev_32f_C1R,          IppStatus, (const Ipp32f*, int, const Ipp64f*, int, Ipp32f*, int, IppiSize, IppiRect)) \
  X(BUILTIN, IPPI,         ippiApplyHaarClassifier_32f_C1R, IppStatus, (const Ipp32f*, int, const Ipp32f*, int, Ipp8u*, int, IppiSize, int*, Ipp32f, IppiHaarClassifier_32f*))
// clang-format on

namespace KZDispatcher {

KZ_DISPATCHER_SLOTS(PF_IPP_SLOT_DECLARE, PF_IPP_SLOT_DECLARE)

// Fills every slot of the unit, in list order, through the given lookups.
void Bind(const binding::TIPPLookups& lookups);
// The unit's slots in binding order.
std::span<const binding::TIPPSlotInfo> Slots();

void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"KZDispatcher", &Initialization, &Finalization};

}  // namespace KZDispatcher
