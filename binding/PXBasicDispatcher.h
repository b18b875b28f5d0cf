// Dispatcher unit PXBasicDispatcher: 53 dispatch slots for the basic image arithmetic, fills,
// copies and conversions.
//
// The list below is the only place where the slots are written: name, signature, lookup and
// whether the built-in version exists. To bind a built-in version that has been written,
// change STUB to BUILTIN on its line (the family's header is included by IPPBuiltins.h).
#pragma once

#include <span>

#include "binding/IPPSlots.h"
#include "platform/Units.h"

// clang-format off
#define PX_BASIC_DISPATCHER_SLOTS(X, XS) \
  X(BUILTIN, IPPI,         ippiAdd_8u_C1IRSfs,    IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiAdd_16s_C1IRSfs,   IppStatus, (const Ipp16s*, int, Ipp16s*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSub_8u_C1IRSfs,    IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSub_16s_C1IRSfs,   IppStatus, (const Ipp16s*, int, Ipp16s*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiMul_8u_C1IRSfs,    IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiMul_16s_C1IRSfs,   IppStatus, (const Ipp16s*, int, Ipp16s*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiDiv_8u_C1IRSfs,    IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiDiv_16s_C1IRSfs,   IppStatus, (const Ipp16s*, int, Ipp16s*, int, IppiSize, int)) \
  X(BUILTIN, IPPS,         ippsDivC_16s_ISfs,     IppStatus, (Ipp16s, Ipp16s*, int, int)) \
  X(BUILTIN, IPPS,         ippsDivC_16s_Sfs,      IppStatus, (const Ipp16s*, Ipp16s, Ipp16s*, int, int)) \
  X(BUILTIN, IPPS,         ippsSet_16s,           IppStatus, (Ipp16s, Ipp16s*, int)) \
  X(BUILTIN, IPPS,         ippsConvert_8s16s,     IppStatus, (const Ipp8s*, Ipp16s*, int)) \
  X(BUILTIN, IPPI,         ippiSet_8u_C1R,        IppStatus, (Ipp8u, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiSet_16s_C1R,       IppStatus, (Ipp16s, Ipp16s*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiSet_32s_C1R,       IppStatus, (Ipp32s, Ipp32s*, int, IppiSize)) \
  X(BUILTIN, IPPS,         ippsAddC_8u_ISfs,      IppStatus, (Ipp8u, Ipp8u*, int, int)) \
  X(BUILTIN, IPPS,         ippsAddC_8u_Sfs,       IppStatus, (const Ipp8u*, Ipp8u, Ipp8u*, int, int)) \
  X(BUILTIN, IPPS,         ippsAddC_16s_ISfs,     IppStatus, (Ipp16s, Ipp16s*, int, int)) \
  X(BUILTIN, IPPS,         ippsAddC_16s_Sfs,      IppStatus, (const Ipp16s*, Ipp16s, Ipp16s*, int, int)) \
  X(BUILTIN, IPPI,         ippiAddC_8u_C1IRSfs,   IppStatus, (Ipp8u, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiAddC_8u_C1RSfs,    IppStatus, (const Ipp8u*, int, Ipp8u, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiAddC_16s_C1IRSfs,  IppStatus, (Ipp16s, Ipp16s*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiAddC_16s_C1RSfs,   IppStatus, (const Ipp16s*, int, Ipp16s, Ipp16s*, int, IppiSize, int)) \
  X(BUILTIN, IPPS,         ippsSubC_8u_ISfs,      IppStatus, (Ipp8u, Ipp8u*, int, int)) \
  X(BUILTIN, IPPS,         ippsSubC_8u_Sfs,       IppStatus, (const Ipp8u*, Ipp8u, Ipp8u*, int, int)) \
  X(BUILTIN, IPPS,         ippsSubC_16s_ISfs,     IppStatus, (Ipp16s, Ipp16s*, int, int)) \
  X(BUILTIN, IPPS,         ippsSubC_16s_Sfs,      IppStatus, (const Ipp16s*, Ipp16s, Ipp16s*, int, int)) \
  X(BUILTIN, IPPI,         ippiSubC_8u_C1IRSfs,   IppStatus, (Ipp8u, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSubC_8u_C1RSfs,    IppStatus, (const Ipp8u*, int, Ipp8u, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSubC_16s_C1IRSfs,  IppStatus, (Ipp16s, Ipp16s*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSubC_16s_C1RSfs,   IppStatus, (const Ipp16s*, int, Ipp16s, Ipp16s*, int, IppiSize, int)) \
  X(BUILTIN, IPPS,         ippsMulC_8u_ISfs,      IppStatus, (Ipp8u, Ipp8u*, int, int)) \
  X(BUILTIN, IPPS,         ippsMulC_8u_Sfs,       IppStatus, (const Ipp8u*, Ipp8u, Ipp8u*, int, int)) \
  X(BUILTIN, IPPS,         ippsMulC_16s_ISfs,     IppStatus, (Ipp16s, Ipp16s*, int, int)) \
  X(BUILTIN, IPPS,         ippsMulC_16s_Sfs,      IppStatus, (const Ipp16s*, Ipp16s, Ipp16s*, int, int)) \
  X(BUILTIN, IPPI,         ippiMulC_8u_C1IRSfs,   IppStatus, (Ipp8u, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiMulC_8u_C1RSfs,    IppStatus, (const Ipp8u*, int, Ipp8u, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiMulC_16s_C1IRSfs,  IppStatus, (Ipp16s, Ipp16s*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiMulC_16s_C1RSfs,   IppStatus, (const Ipp16s*, int, Ipp16s, Ipp16s*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippsDivC_8u_Sfs,       IppStatus, (const Ipp8u*, Ipp8u, Ipp8u*, int, int)) \
  X(BUILTIN, IPPI,         ippiDivC_8u_C1IRSfs,   IppStatus, (Ipp8u, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiDivC_8u_C1RSfs,    IppStatus, (const Ipp8u*, int, Ipp8u, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiDivC_16s_C1IRSfs,  IppStatus, (Ipp16s, Ipp16s*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiDivC_16s_C1RSfs,   IppStatus, (const Ipp16s*, int, Ipp16s, Ipp16s*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiCopy_8u_C1R,       IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiCopy_16s_C1R,      IppStatus, (const Ipp16s*, int, Ipp16s*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiConvert_8u16u_C1R, IppStatus, (const Ipp8u*, int, Ipp16u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiConvert_8u32f_C1R, IppStatus, (const Ipp8u*, int, Ipp32f*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiConvert_32f8u_C1R, IppStatus, (const Ipp32f*, int, Ipp8u*, int, IppiSize, IppRoundMode)) \
  X(BUILTIN, IPPI,         ippiScale_8u16s_C1R,   IppStatus, (const Ipp8u*, int, Ipp16s*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiScale_8u32s_C1R,   IppStatus, (const Ipp8u*, int, Ipp32s*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiScale_16s8u_C1R,   IppStatus, (const Ipp16s*, int, Ipp8u*, int, IppiSize, IppHintAlgorithm)) \
  X(BUILTIN, IPPI,         ippiScale_32s8u_C1R,   IppStatus, (const Ipp32s*, int, Ipp8u*, int, IppiSize, IppHintAlgorithm))
// clang-format on

namespace PXBasicDispatcher {

PX_BASIC_DISPATCHER_SLOTS(PF_IPP_SLOT_DECLARE, PF_IPP_SLOT_DECLARE)

// Fills every slot of the unit, in list order, through the given lookups.
void Bind(const binding::TIPPLookups& lookups);
// The unit's slots in binding order.
std::span<const binding::TIPPSlotInfo> Slots();

void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"PXBasicDispatcher", &Initialization, &Finalization};

}  // namespace PXBasicDispatcher
