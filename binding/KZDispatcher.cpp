#include "binding/KZDispatcher.h"

#include "binding/IPPBuiltins.h"

#define PF_IPP_GROUP KZDispatcher
#define PF_IPP_GROUP_SLOTS KZ_DISPATCHER_SLOTS
#include "binding/IPPDispatcherUnit.inc"
