// Dispatcher unit RBResizeDispatcher: 3 dispatch slots for the resize primitives.
//
// The list below is the only place where the slots are written: name, signature, lookup and
// whether the built-in version exists. To bind a built-in version that has been written,
// change STUB to BUILTIN on its line (the family's header is included by IPPBuiltins.h).
#pragma once

#include <span>

#include "binding/IPPSlots.h"
#include "platform/Units.h"

// clang-format off
#define RB_RESIZE_DISPATCHER_SLOTS(X, XS) \
  X(BUILTIN, IPPI,         ippiResize_8u_C3R, IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiSize, double, double, int)) \
  X(BUILTIN, IPPI,         ippiResize_8u_C4R, IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiSize, double, double, int)) \
  X(BUILTIN, IPPI,         ippiResize_8u_C1R, IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiSize, double, double, int))
// clang-format on

namespace RBResizeDispatcher {

RB_RESIZE_DISPATCHER_SLOTS(PF_IPP_SLOT_DECLARE, PF_IPP_SLOT_DECLARE)

// Fills every slot of the unit, in list order, through the given lookups.
void Bind(const binding::TIPPLookups& lookups);
// The unit's slots in binding order.
std::span<const binding::TIPPSlotInfo> Slots();

void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"RBResizeDispatcher", &Initialization, &Finalization};

}  // namespace RBResizeDispatcher
