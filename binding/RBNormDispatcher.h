// Dispatcher unit RBNormDispatcher: 1 dispatch slots for the complex L2 norm.
//
// The list below is the only place where the slots are written: name, signature, lookup and
// whether the built-in version exists. To bind a built-in version that has been written,
// change STUB to BUILTIN on its line (the family's header is included by IPPBuiltins.h).
#pragma once

#include <span>

#include "binding/IPPSlots.h"
#include "platform/Units.h"

// clang-format off
#define RB_NORM_DISPATCHER_SLOTS(X, XS) \
  X(BUILTIN, IPPS,         ippsNorm_L2_64fc64f, IppStatus, (const Ipp64fc*, int, Ipp64f*))
// clang-format on

namespace RBNormDispatcher {

RB_NORM_DISPATCHER_SLOTS(PF_IPP_SLOT_DECLARE, PF_IPP_SLOT_DECLARE)

// Fills every slot of the unit, in list order, through the given lookups.
void Bind(const binding::TIPPLookups& lookups);
// The unit's slots in binding order.
std::span<const binding::TIPPSlotInfo> Slots();

void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"RBNormDispatcher", &Initialization, &Finalization};

}  // namespace RBNormDispatcher
