#include "binding/PXDispatcher.h"

#include "binding/IPPBuiltins.h"

#define PF_IPP_GROUP PXDispatcher
#define PF_IPP_GROUP_SLOTS PX_DISPATCHER_SLOTS
#include "binding/IPPDispatcherUnit.inc"
