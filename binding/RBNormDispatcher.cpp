#include "binding/RBNormDispatcher.h"

#include "binding/IPPBuiltins.h"

#define PF_IPP_GROUP RBNormDispatcher
#define PF_IPP_GROUP_SLOTS RB_NORM_DISPATCHER_SLOTS
#include "binding/IPPDispatcherUnit.inc"
