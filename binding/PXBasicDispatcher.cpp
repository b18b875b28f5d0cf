#include "binding/PXBasicDispatcher.h"

#include "binding/IPPBuiltins.h"

#define PF_IPP_GROUP PXBasicDispatcher
#define PF_IPP_GROUP_SLOTS PX_BASIC_DISPATCHER_SLOTS
#include "binding/IPPDispatcherUnit.inc"
