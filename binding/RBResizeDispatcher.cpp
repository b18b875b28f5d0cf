#include "binding/RBResizeDispatcher.h"

#include "binding/IPPBuiltins.h"

#define PF_IPP_GROUP RBResizeDispatcher
#define PF_IPP_GROUP_SLOTS RB_RESIZE_DISPATCHER_SLOTS
#include "binding/IPPDispatcherUnit.inc"
