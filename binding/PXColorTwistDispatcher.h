// Dispatcher unit PXColorTwistDispatcher: 2 dispatch slots for the in-place colour twists.
//
// The list below is the only place where the slots are written: name, signature, lookup and
// whether the built-in version exists. To bind a built-in version that has been written,
// change STUB to BUILTIN on its line (the family's header is included by IPPBuiltins.h).
#pragma once

#include <span>

#include "binding/IPPSlots.h"
#include "platform/Units.h"

// clang-format off
#define PX_COLOR_TWIST_DISPATCHER_SLOTS(X, XS) \
  X(BUILTIN, IPPI,         ippiColorTwist32f_8u_C3IR,  IppStatus, (Ipp8u*, int, IppiSize, const Ipp32f (*)[4])) \
  X(BUILTIN, IPPI,         ippiColorTwist32f_8u_AC4IR, IppStatus, (Ipp8u*, int, IppiSize, const Ipp32f (*)[4]))
// clang-format on

namespace PXColorTwistDispatcher {

PX_COLOR_TWIST_DISPATCHER_SLOTS(PF_IPP_SLOT_DECLARE, PF_IPP_SLOT_DECLARE)

// Fills every slot of the unit, in list order, through the given lookups.
void Bind(const binding::TIPPLookups& lookups);
// The unit's slots in binding order.
std::span<const binding::TIPPSlotInfo> Slots();

void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"PXColorTwistDispatcher", &Initialization, &Finalization};

}  // namespace PXColorTwistDispatcher
