#include "binding/IPPDispatchTable.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace binding {
namespace {
std::atomic<bool> gStubCallsAbort{false};
}  // namespace

void SetStubCallsAbort(bool abort) { gStubCallsAbort.store(abort); }
bool StubCallsAbort() { return gStubCallsAbort.load(); }

IppStatus StubCalled(const char* name) {
  if (gStubCallsAbort.load()) {
    std::fprintf(stderr, "%s: the built-in version is not implemented\n", name);
    std::abort();
  }
  return ippStsNotImplemented;
}

std::span<const TIPPSlotGroup> IPPSlotGroups() {
  static const TIPPSlotGroup groups[] = {
      {"CBIPPSLoader", &CBIPPSLoader::Slots, &CBIPPSLoader::Bind},
      {"PXBasicDispatcher", &PXBasicDispatcher::Slots, &PXBasicDispatcher::Bind},
      {"PXColorTwistDispatcher", &PXColorTwistDispatcher::Slots, &PXColorTwistDispatcher::Bind},
      {"PXDispatcher", &PXDispatcher::Slots, &PXDispatcher::Bind},
      {"PXSubDispatcher", &PXSubDispatcher::Slots, &PXSubDispatcher::Bind},
      {"RBResizeDispatcher", &RBResizeDispatcher::Slots, &RBResizeDispatcher::Bind},
      {"RBBasicDispatcher", &RBBasicDispatcher::Slots, &RBBasicDispatcher::Bind},
      {"RBNormDispatcher", &RBNormDispatcher::Slots, &RBNormDispatcher::Bind},
      {"KZDispatcher", &KZDispatcher::Slots, &KZDispatcher::Bind},
  };
  return groups;
}

void BindAllIPPSlots(const TIPPLookups& lookups) {
  for (const TIPPSlotGroup& group : IPPSlotGroups()) group.Bind(lookups);
}

}  // namespace binding
