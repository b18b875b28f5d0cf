#include "binding/PXDirectDraw.h"

#include "binding/PXDirectXLibrary.h"

namespace PXDirectDraw {

platform::FARPROC DirectDrawEnumerateA = nullptr;
platform::FARPROC DirectDrawEnumerate = nullptr;
platform::FARPROC DirectDrawEnumerateW = nullptr;
platform::FARPROC DirectDrawEnumerateExA = nullptr;
platform::FARPROC DirectDrawEnumerateEx = nullptr;
platform::FARPROC DirectDrawEnumerateExW = nullptr;
platform::FARPROC DirectDrawCreate = nullptr;
platform::FARPROC DirectDrawCreateEx = nullptr;
platform::FARPROC DirectDrawCreateClipper = nullptr;

namespace {

int gUnitCount = 0;
platform::HMODULE gHandle = nullptr;

const binding::TDirectXEntry kEntries[] = {
    {"DirectDrawEnumerateA", &DirectDrawEnumerateA},
    {"DirectDrawEnumerateW", &DirectDrawEnumerate},
    {"DirectDrawEnumerateW", &DirectDrawEnumerateW},
    {"DirectDrawEnumerateExA", &DirectDrawEnumerateExA},
    {"DirectDrawEnumerateExW", &DirectDrawEnumerateEx},
    {"DirectDrawEnumerateExW", &DirectDrawEnumerateExW},
    {"DirectDrawCreate", &DirectDrawCreate},
    {"DirectDrawCreateEx", &DirectDrawCreateEx},
    {"DirectDrawCreateClipper", &DirectDrawCreateClipper},
};

const binding::TDirectXLibrary kLibrary{"ddraw.dll", &gHandle, kEntries, &DirectDrawCreate,
                                        &gUnitCount};

}  // namespace

bool IsDirectDrawLoaded() { return gHandle != nullptr; }
bool LoadDirectDraw() { return binding::LoadDirectXLibrary(kLibrary); }
bool UnloadDirectDraw() { return binding::UnloadDirectXLibrary(kLibrary); }

void Initialization() { binding::InitializeDirectXUnit(kLibrary); }
void Finalization() { binding::FinalizeDirectXUnit(kLibrary); }

}  // namespace PXDirectDraw
