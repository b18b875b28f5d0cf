#include "binding/CBIPPCVLoader.h"

#include <utility>

namespace CBIPPCVLoader {
namespace {
int gUnitCount = 0;
platform::HMODULE gVision = nullptr;
}  // namespace

platform::HMODULE VisionLibrary() { return gVision; }

void Initialization() {
  if (gUnitCount++ != 0) return;
  gVision = platform::LoadLibrary("ippcv-5.1.dll");
}

void Finalization() {
  if (gUnitCount == 0 || --gUnitCount != 0) return;
  platform::FreeLibrary(std::exchange(gVision, nullptr));
}

}  // namespace CBIPPCVLoader
