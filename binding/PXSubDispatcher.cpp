#include "binding/PXSubDispatcher.h"

#include "binding/IPPBuiltins.h"

#define PF_IPP_GROUP PXSubDispatcher
#define PF_IPP_GROUP_SLOTS PX_SUB_DISPATCHER_SLOTS
#include "binding/IPPDispatcherUnit.inc"
