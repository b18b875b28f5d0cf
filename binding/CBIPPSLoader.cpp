#include "binding/CBIPPSLoader.h"

#include <utility>

#include "binding/CBIPPILoader.h"

namespace builtin {
IppCpuType ippGetCpuType() { return ippCpuUnknown; }
}  // namespace builtin

namespace binding {

const TIPPLookups& LibraryLookups() {
  static const TIPPLookups lookups{&CBIPPILoader::GetIPPIProc, &CBIPPSLoader::GetIPPSProc,
                                   &CBIPPSLoader::GetIPPCoreProc};
  return lookups;
}

}  // namespace binding

namespace CBIPPSLoader {

CBIPPS_LOADER_SLOTS(PF_IPP_SLOT_DEFINE, PF_IPP_SLOT_DEFINE)

namespace {
constexpr const char* kGroupName = "CBIPPSLoader";
int gUnitCount = 0;
platform::HMODULE gSignal = nullptr;
platform::HMODULE gCore = nullptr;
}  // namespace

platform::FARPROC GetIPPSProc(const char* name) { return platform::GetProcAddress(gSignal, name); }
platform::FARPROC GetIPPCoreProc(const char* name) { return platform::GetProcAddress(gCore, name); }
platform::HMODULE SignalLibrary() { return gSignal; }
platform::HMODULE CoreLibrary() { return gCore; }

void Bind(const binding::TIPPLookups& lookups) {
  CBIPPS_LOADER_SLOTS(PF_IPP_SLOT_BIND, PF_IPP_SLOT_BIND)
}

std::span<const binding::TIPPSlotInfo> Slots() {
  static const binding::TIPPSlotInfo table[] = {
      CBIPPS_LOADER_SLOTS(PF_IPP_SLOT_INFO, PF_IPP_SLOT_INFO_SHADOW)};
  return table;
}

void Initialization() {
  if (gUnitCount++ != 0) return;
  gSignal = platform::LoadLibrary("ipps-5.1.dll");
  gCore = platform::LoadLibrary("ippcore-5.1.dll");
  Bind(binding::LibraryLookups());
}

void Finalization() {
  if (gUnitCount == 0 || --gUnitCount != 0) return;
  platform::FreeLibrary(std::exchange(gCore, nullptr));
  platform::FreeLibrary(std::exchange(gSignal, nullptr));
}

}  // namespace CBIPPSLoader
