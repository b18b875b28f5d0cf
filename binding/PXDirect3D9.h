// Loader unit of Direct3D 9 ("d3d9.dll"): its entry points are bound into variables at
// start-up when the library is present, and released at shutdown. Nothing in the system calls
// them; on Linux the library is normally absent and every variable stays null.
#pragma once

#include "platform/DynLib.h"
#include "platform/Units.h"

namespace PXDirect3D9 {

// Entry points, in binding order (null when not bound).
extern platform::FARPROC Direct3DCreate9;

bool IsDirect3D9Loaded();
// True at once when loaded; otherwise loads the file, binds every variable and keeps the
// library only when Direct3DCreate9 is there.
bool LoadDirect3D9();
// True when nothing is loaded; otherwise frees the library, clears every variable and
// returns whether the library was freed.
bool UnloadDirect3D9();

void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"PXDirect3D9", &Initialization, &Finalization};

}  // namespace PXDirect3D9
