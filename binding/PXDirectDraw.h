// Loader unit of DirectDraw, for components that draw ("ddraw.dll"): its entry points are bound into variables at
// start-up when the library is present, and released at shutdown. Nothing in the system calls
// them; on Linux the library is normally absent and every variable stays null.
#pragma once

#include "platform/DynLib.h"
#include "platform/Units.h"

namespace PXDirectDraw {

// Entry points, in binding order (null when not bound).
extern platform::FARPROC DirectDrawEnumerateA;
extern platform::FARPROC DirectDrawEnumerate;
extern platform::FARPROC DirectDrawEnumerateW;
extern platform::FARPROC DirectDrawEnumerateExA;
extern platform::FARPROC DirectDrawEnumerateEx;
extern platform::FARPROC DirectDrawEnumerateExW;
extern platform::FARPROC DirectDrawCreate;
extern platform::FARPROC DirectDrawCreateEx;
extern platform::FARPROC DirectDrawCreateClipper;

bool IsDirectDrawLoaded();
// True at once when loaded; otherwise loads the file, binds every variable and keeps the
// library only when DirectDrawCreate is there.
bool LoadDirectDraw();
// True when nothing is loaded; otherwise frees the library, clears every variable and
// returns whether the library was freed.
bool UnloadDirectDraw();

void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"PXDirectDraw", &Initialization, &Finalization};

}  // namespace PXDirectDraw
