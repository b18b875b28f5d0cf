// The dispatch table: one slot per IPP-named primitive, 553 slots in nine groups, filled once
// at start-up (library entry point of the same name, else the built-in version) and read-only
// afterwards. Callers call through the global names:
//
//   IppStatus s = ippiCopy_8u_C1R(src, srcStep, dst, dstStep, size);
//
// Five names have a slot in two units. The global name refers to the slot the system reads:
// ippiSet_8u_C1R of PXBasicDispatcher, ippiAbsDiff_8u_C1R of PXDispatcher, ippsSet_8u of
// RBBasicDispatcher, and (read by nothing) ippiColorTwist32f_8u_C3R and ippiMirror_8u_C3IR of
// PXDispatcher; the other slot is reached through its unit's namespace, e.g.
// PXDispatcher::ippiSet_8u_C1R.
#pragma once

#include <span>

#include "binding/CBIPPSLoader.h"
#include "binding/KZDispatcher.h"
#include "binding/PXBasicDispatcher.h"
#include "binding/PXColorTwistDispatcher.h"
#include "binding/PXDispatcher.h"
#include "binding/PXSubDispatcher.h"
#include "binding/RBBasicDispatcher.h"
#include "binding/RBNormDispatcher.h"
#include "binding/RBResizeDispatcher.h"

#define PF_IPP_GROUP CBIPPSLoader
CBIPPS_LOADER_SLOTS(PF_IPP_SLOT_USING, PF_IPP_SLOT_IGNORE)
#undef PF_IPP_GROUP
#define PF_IPP_GROUP PXBasicDispatcher
PX_BASIC_DISPATCHER_SLOTS(PF_IPP_SLOT_USING, PF_IPP_SLOT_IGNORE)
#undef PF_IPP_GROUP
#define PF_IPP_GROUP PXColorTwistDispatcher
PX_COLOR_TWIST_DISPATCHER_SLOTS(PF_IPP_SLOT_USING, PF_IPP_SLOT_IGNORE)
#undef PF_IPP_GROUP
#define PF_IPP_GROUP PXDispatcher
PX_DISPATCHER_SLOTS(PF_IPP_SLOT_USING, PF_IPP_SLOT_IGNORE)
#undef PF_IPP_GROUP
#define PF_IPP_GROUP PXSubDispatcher
PX_SUB_DISPATCHER_SLOTS(PF_IPP_SLOT_USING, PF_IPP_SLOT_IGNORE)
#undef PF_IPP_GROUP
#define PF_IPP_GROUP RBResizeDispatcher
RB_RESIZE_DISPATCHER_SLOTS(PF_IPP_SLOT_USING, PF_IPP_SLOT_IGNORE)
#undef PF_IPP_GROUP
#define PF_IPP_GROUP RBBasicDispatcher
RB_BASIC_DISPATCHER_SLOTS(PF_IPP_SLOT_USING, PF_IPP_SLOT_IGNORE)
#undef PF_IPP_GROUP
#define PF_IPP_GROUP RBNormDispatcher
RB_NORM_DISPATCHER_SLOTS(PF_IPP_SLOT_USING, PF_IPP_SLOT_IGNORE)
#undef PF_IPP_GROUP
#define PF_IPP_GROUP KZDispatcher
KZ_DISPATCHER_SLOTS(PF_IPP_SLOT_USING, PF_IPP_SLOT_IGNORE)
#undef PF_IPP_GROUP

namespace binding {

struct TIPPSlotGroup {
  const char* Name;
  std::span<const TIPPSlotInfo> (*Slots)();
  void (*Bind)(const TIPPLookups& lookups);
};

// The nine groups in start-up order: ippGetCpuType of the core loader, then the dispatcher
// units PXBasicDispatcher ... KZDispatcher.
std::span<const TIPPSlotGroup> IPPSlotGroups();

// Rebinds every slot through the given lookups, group after group in start-up order.
void BindAllIPPSlots(const TIPPLookups& lookups);

}  // namespace binding
