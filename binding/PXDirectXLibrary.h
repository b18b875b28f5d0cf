// The loading rule shared by the DirectDraw, DirectSound and Direct3D 9 units: load the file,
// bind every variable by name in table order, and keep the library only when its first
// creation entry point is there. The unit functions count nested initializations: the first
// loads, the last matching finalization unloads. On Linux these libraries are absent, so the handles stay
// null; a library of that name on the search path is loaded all the same.
#pragma once

#include <span>

#include "platform/DynLib.h"

namespace binding {

struct TDirectXEntry {
  const char* Name;
  platform::FARPROC* Variable;
};

struct TDirectXLibrary {
  const char* File;
  platform::HMODULE* Handle;
  std::span<const TDirectXEntry> Entries;
  platform::FARPROC* CreateEntry;  // the variable that must be bound for the load to count
  int* UnitCount;
};

bool LoadDirectXLibrary(const TDirectXLibrary& library);
bool UnloadDirectXLibrary(const TDirectXLibrary& library);
void InitializeDirectXUnit(const TDirectXLibrary& library);
void FinalizeDirectXUnit(const TDirectXLibrary& library);

}  // namespace binding
