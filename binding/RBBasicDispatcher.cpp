#include "binding/RBBasicDispatcher.h"

#include "binding/IPPBuiltins.h"

#define PF_IPP_GROUP RBBasicDispatcher
#define PF_IPP_GROUP_SLOTS RB_BASIC_DISPATCHER_SLOTS
#include "binding/IPPDispatcherUnit.inc"
