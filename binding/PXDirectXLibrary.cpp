#include "binding/PXDirectXLibrary.h"

namespace binding {
namespace {

void ClearVariables(const TDirectXLibrary& library) {
  for (const TDirectXEntry& e : library.Entries) *e.Variable = nullptr;
}

}  // namespace

bool LoadDirectXLibrary(const TDirectXLibrary& library) {
  if (*library.Handle) return true;
  platform::HMODULE handle = platform::LoadLibrary(library.File);
  if (!handle) return false;
  for (const TDirectXEntry& e : library.Entries) *e.Variable = platform::GetProcAddress(handle, e.Name);
  if (!*library.CreateEntry) {
    ClearVariables(library);
    platform::FreeLibrary(handle);
    return false;
  }
  *library.Handle = handle;
  return true;
}

bool UnloadDirectXLibrary(const TDirectXLibrary& library) {
  if (!*library.Handle) return true;
  const bool freed = platform::FreeLibrary(*library.Handle);
  ClearVariables(library);
  *library.Handle = nullptr;
  return freed;
}

void InitializeDirectXUnit(const TDirectXLibrary& library) {
  if ((*library.UnitCount)++ == 0) LoadDirectXLibrary(library);
}

void FinalizeDirectXUnit(const TDirectXLibrary& library) {
  int& count = *library.UnitCount;
  if (count > 0 && --count == 0) UnloadDirectXLibrary(library);
}

}  // namespace binding
