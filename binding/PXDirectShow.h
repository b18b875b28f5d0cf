// Unit of the media-capture libraries: it keeps the module handles of five libraries and the
// entry-point variables of each (groups of 10, 3, 11, 4 and 6), for components that capture
// media. Nothing in this system loads those libraries, so on every platform the handles and
// variables stay null; a component that loads one stores its handle and entry points here,
// and the unit's shutdown releases it.
#pragma once

#include <span>

#include "platform/DynLib.h"
#include "platform/Units.h"

namespace PXDirectShow {

inline constexpr int kLibraryCount = 5;

// The module handle of each library (null when not loaded).
extern platform::HMODULE LibraryHandles[kLibraryCount];

// The entry-point variables of library 0 .. 4 (null when not bound).
std::span<platform::FARPROC> EntryPoints(int library);

bool IsLibraryLoaded(int library);
// True when the library is not loaded; otherwise frees it, clears its variables and handle
// and returns whether it was freed.
bool UnloadLibrary(int library);

// Start-up clears the variables of library 0; shutdown unloads every loaded library, in order.
void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"PXDirectShow", &Initialization, &Finalization};

}  // namespace PXDirectShow
