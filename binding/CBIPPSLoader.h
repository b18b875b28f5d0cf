// Loader unit of the signal library "ipps-5.1.dll" and the core library "ippcore-5.1.dll",
// and the one dispatch slot bound through the core library, ippGetCpuType.
#pragma once

#include <span>

#include "binding/IPPSlots.h"
#include "platform/DynLib.h"
#include "platform/Units.h"

// clang-format off
#define CBIPPS_LOADER_SLOTS(X, XS) \
  X(BUILTIN, CORE, ippGetCpuType, IppCpuType, ())
// clang-format on

namespace builtin {
// The processor type is not determined: always ippCpuUnknown (0).
IppCpuType ippGetCpuType();
}  // namespace builtin

namespace CBIPPSLoader {

CBIPPS_LOADER_SLOTS(PF_IPP_SLOT_DECLARE, PF_IPP_SLOT_DECLARE)

// The entry point of that name in the signal (core) library; null when the library is not
// loaded or does not export the name.
platform::FARPROC GetIPPSProc(const char* name);
platform::FARPROC GetIPPCoreProc(const char* name);

platform::HMODULE SignalLibrary();
platform::HMODULE CoreLibrary();

void Bind(const binding::TIPPLookups& lookups);
std::span<const binding::TIPPSlotInfo> Slots();

// Start-up loads the signal library, then the core library, and binds ippGetCpuType;
// shutdown frees the core library, then the signal library.
void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"CBIPPSLoader", &Initialization, &Finalization};

}  // namespace CBIPPSLoader
