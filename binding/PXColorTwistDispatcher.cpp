#include "binding/PXColorTwistDispatcher.h"

#include "binding/IPPBuiltins.h"

#define PF_IPP_GROUP PXColorTwistDispatcher
#define PF_IPP_GROUP_SLOTS PX_COLOR_TWIST_DISPATCHER_SLOTS
#include "binding/IPPDispatcherUnit.inc"
