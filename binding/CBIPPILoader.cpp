#include "binding/CBIPPILoader.h"

#include <utility>

namespace CBIPPILoader {
namespace {
int gUnitCount = 0;
platform::HMODULE gImage = nullptr;
platform::HMODULE gColour = nullptr;
}  // namespace

platform::FARPROC LookupImageThenColour(platform::HMODULE image, platform::HMODULE colour,
                                        const char* name) {
  if (platform::FARPROC entry = platform::GetProcAddress(image, name)) return entry;
  return platform::GetProcAddress(colour, name);
}

platform::FARPROC GetIPPIProc(const char* name) { return LookupImageThenColour(gImage, gColour, name); }
platform::HMODULE ImageLibrary() { return gImage; }
platform::HMODULE ColourLibrary() { return gColour; }

void Initialization() {
  if (gUnitCount++ != 0) return;
  gImage = platform::LoadLibrary("ippi-5.1.dll");
  gColour = platform::LoadLibrary("ippcc-5.1.dll");
}

void Finalization() {
  if (gUnitCount == 0 || --gUnitCount != 0) return;
  platform::FreeLibrary(std::exchange(gColour, nullptr));
  platform::FreeLibrary(std::exchange(gImage, nullptr));
}

}  // namespace CBIPPILoader
